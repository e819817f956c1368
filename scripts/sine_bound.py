#!/usr/bin/env python3
"""Recomputes, in exact rational arithmetic, the numbers the certified
engine's error bound rests on (docs/certified_synthesis.md):

  - the reduction constants PH, PM, IP are the doubles nearest to pi,
    pi - PH and 1/pi, and the reduction facts that follow from them;
  - the a-priori error of the kernel sine (degree-21 Taylor polynomial,
    Horner in z = r*r), and the kernel's operation sequence emulated with
    exactly rounded operations on a few thousand arguments against a sine
    to 200 bits; also the degree-22 cosine that a rotating-phasor sine
    would need for its start values (the engine does not use it);
  - the inequalities behind the brightness factors and the interval ends;
  - C(K), exactly and as the engine evaluates it in double, and that the
    double is not below the exact requirement for any K the command line
    allows.

Standard library only. Exits with status 1 if any check fails.
Rerun it whenever the polynomial, its degree, the reduction, the argument
range or the constants change.
"""
import math
import sys
from fractions import Fraction as F

U = F(1, 2**53)  # unit roundoff of binary64
PH_D = float.fromhex("0x1.921fb54442d18p+1")
PM_D = float.fromhex("0x1.1a62633145c07p-53")
IP_D = float.fromhex("0x1.45f306dc9c883p-2")
MAGIC_D = float.fromhex("0x1.8p+52")
PH, PM, IP, MAGIC = F(PH_D), F(PM_D), F(IP_D), F(MAGIC_D)
A_LIMIT = F(2**26)  # the kernel covers 0 <= A < A_LIMIT
R = PH / 2 + F(1, 10**8)  # bound on the reduced argument |r|
Z = R * R * (1 + U)  # bound on the computed z = fl(r*r)

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAILED: " + what)


def in_u(x):
    return float(x / U)


# ---------------------------------------------------------------- pi
def arctan_inv(n, terms):
    """arctan(1/n) as an interval [lo, hi] from the alternating series."""
    s, x, n2 = F(0), F(1, n), n * n
    for k in range(terms):
        term = x / (2 * k + 1)
        s += term if k % 2 == 0 else -term
        x /= n2
    tail = x / (2 * terms + 1)  # the first omitted term bounds the error
    return s - tail, s + tail


def pi_interval():
    """Machin: pi = 16 arctan(1/5) - 4 arctan(1/239), to about 2^-200."""
    a_lo, a_hi = arctan_inv(5, 45)
    b_lo, b_hi = arctan_inv(239, 14)
    return 16 * a_lo - 4 * b_hi, 16 * a_hi - 4 * b_lo


def is_nearest(lo, hi, d):
    """True if every real in [lo, hi] rounds to nearest to the double d."""
    below = F(math.nextafter(d, -math.inf))
    above = F(math.nextafter(d, math.inf))
    return (F(d) + below) / 2 < lo and hi < (F(d) + above) / 2


def check_constants():
    lo, hi = pi_interval()
    check(hi - lo < F(1, 2**190), "pi interval narrower than 2^-190")
    check(is_nearest(lo, hi, PH_D), "PH = RN(pi)")
    check(is_nearest(lo - PH, hi - PH, PM_D), "PM = RN(pi - PH)")
    check(is_nearest(1 / hi, 1 / lo, IP_D), "IP = RN(1/pi)")
    check(MAGIC == F(3, 2) * 2**52, "MAGIC = 1.5 * 2^52")
    tail = (lo + hi) / 2 - PH - PM
    inv_err = 1 / ((lo + hi) / 2) - IP
    print("Reduction constants (pi to %d bits by Machin's formula)"
          % -math.floor(math.log2(hi - lo)))
    for name, d in (("PH", PH_D), ("PM", PM_D), ("IP", IP_D),
                    ("MAGIC", MAGIC_D)):
        print("  %-5s = %-24s = %.17g" % (name, d.hex(), d))
    print("  pi - PH      = %.6e" % float((lo + hi) / 2 - PH))
    print("  pi - PH - PM = %.6e  (log2 |.| = %.2f)"
          % (float(tail), math.log2(abs(float(tail)))))
    print("  1/pi - IP    = %.6e" % float(inv_err))
    return lo, hi, abs(tail) + (hi - lo), abs(inv_err) + (hi - lo)


def check_reduction(pi_lo, pi_hi, tail, inv_err):
    """The facts of the reduction for 0 <= A < 2^26 (see the doc)."""
    excess = A_LIMIT * inv_err  # |A/pi - q| <= 1/2 + excess
    check(excess < F(1, 2**29), "A |1/pi - IP| < 2^-29")
    q_max = A_LIMIT * IP + F(1, 2)
    check(q_max < 2**25, "q < 2^25")
    rho_max = pi_hi * (F(1, 2) + excess)  # |A - q pi|
    ph_err = max(abs(pi_lo - PH), abs(pi_hi - PH))  # |pi - PH|
    r1_max = rho_max + q_max * ph_err  # |A - q PH|
    check(r1_max < 2, "|A - q PH| < 2, so r1 = fma(-q, PH, A) is exact")
    check(F(1) * IP < F(1, 2), "A < 1 gives q = 0")
    check(q_max * tail < F(1, 2**83), "q |pi - PH - PM| < 2^-83")
    r_max = (rho_max + F(1, 2**83)) * (1 + U)
    check(r_max <= R, "|r| <= R = PH/2 + 1e-8")
    print("  A < 2^26: q < %.4g, |A - q PH| < %.10f, |r| <= R - %.3g"
          % (float(q_max), float(r1_max), float(R - r_max)))


# ------------------------------------------------------- polynomials
def horner_bound(coefs):
    """Running error bound of the fused Horner chain in z, highest first.

    coefs: exact coefficients c_top, ..., c_low. The doubles are bounded by
    |c|(1 + u), the computed z by Z. Returns (e, P): the error of the last
    step and the bound on the exact chain value it approximates.
    """
    mags = [abs(c) * (1 + U) for c in coefs]
    e, p = F(0), mags[0]  # the top coefficient is used as it is
    for c in mags[1:]:
        p = p * Z + c  # P_m = sum |c|(1 + u) Z^(i - m)
        e = e * Z + U * (p + e * Z)
    return e, p


def derivative_bound(coefs_low_first):
    """max over |zeta| <= Z of |h'(zeta)|, h = sum_i c_i zeta^i, i >= 1."""
    return sum(i * abs(c) * (1 + U) * Z**(i - 1)
               for i, c in enumerate(coefs_low_first, start=1))


def total_with_final(terms):
    final = U * (1 + sum(terms.values()) + F(1, 10**6))
    terms["final rounding"] = final
    return sum(terms.values())


def sine_terms():
    c = {n: F((-1)**((n - 1) // 2), math.factorial(n)) for n in range(3, 22, 2)}
    terms = {}
    terms["reduction"] = U * R * (1 + U) + F(1, 2**80)
    terms["truncation R^23/23!"] = R**23 / math.factorial(23)
    terms["coefficient rounding"] = U * (1 + U) * sum(
        R**n / math.factorial(n) for n in range(3, 22, 2))
    e1, p1 = horner_bound([c[n] for n in range(21, 2, -2)])  # 9 steps
    terms["Horner and fl(r*z)"] = R * Z * (e1 + U * (p1 + e1))
    terms["z = fl(r*r)"] = R * derivative_bound(
        [c[n] for n in range(3, 22, 2)]) * U * R * R
    return terms, total_with_final(terms)


def cosine_terms():
    c = {n: F((-1)**(n // 2), math.factorial(n)) for n in range(2, 23, 2)}
    terms = {}
    terms["reduction"] = U * R * (1 + U) + F(1, 2**80)
    terms["truncation R^24/24!"] = R**24 / math.factorial(24)
    terms["coefficient rounding"] = U * (1 + U) * sum(
        R**n / math.factorial(n) for n in range(2, 23, 2))
    e1, p1 = horner_bound([c[n] for n in range(22, 1, -2)])  # 10 steps
    terms["Horner"] = Z * e1
    # Counted as in the sine's fl(r*z) row, although fma(z, pc, 1) never
    # rounds z*pc: a conservative extra, shown separately.
    terms["z*pc product (spare)"] = U * Z * (p1 + e1)
    terms["z = fl(r*r)"] = derivative_bound(
        [c[n] for n in range(2, 23, 2)]) * U * R * R
    return terms, total_with_final(terms)


def check_coefficients():
    for n in range(2, 23):
        check(float(math.factorial(n)) == math.factorial(n),
              "%d! exact in binary64" % n)


def print_terms(title, terms, total):
    print(title)
    for name, value in terms.items():
        print("  %-24s %8.4fu" % (name, in_u(value)))
    print("  %-24s %8.4fu" % ("total", in_u(total)))


# ------------------------------------------- the kernel sine, emulated
SINE_COEFS = [1 / math.factorial(n) * (-1)**((n - 1) // 2)
              for n in range(21, 2, -2)]  # RN((-1)^((n-1)/2)/n!), c21 first


def fma(a, b, c):
    """a*b + c rounded once (Fraction to float rounds to nearest-even)."""
    return float(F(a) * F(b) + F(c))


def kernel_sine(a):
    """The kernel's operation sequence for one lane, 0 <= a < 2^26."""
    qm = fma(a, IP_D, MAGIC_D)
    q = qm - MAGIC_D
    r1 = fma(-q, PH_D, a)
    check(F(r1) == F(a) - F(q) * PH, "r1 exact for A = %r" % a)
    r = fma(-q, PM_D, r1)
    z = r * r
    p = fma(SINE_COEFS[0], z, SINE_COEFS[1])
    for c in SINE_COEFS[2:]:
        p = fma(p, z, c)
    y = fma(r * z, p, r)
    return -y if int(q) % 2 else y


def reference_sine(a, pi_mid):
    """sin(a) to about 2^-240, from pi to 213 bits and fixed-point Taylor."""
    k = round(F(a) / pi_mid)
    x = F(a) - k * pi_mid
    bits = 256
    xs = x.numerator * 2**bits // x.denominator
    term, total, n = xs, xs, 1
    while term:
        term = -term * xs * xs // ((n + 1) * (n + 2)) // 2**(2 * bits)
        total += term
        n += 2
    return F(total, 2**bits) * (-1)**k


def sine_arguments():
    """Synthesis arguments, near multiples of pi/2, and fixed values."""
    import random
    rnd = random.Random(20261211)
    tau = 2.0 * (4.0 * math.atan(1.0))
    args = [0.0, 1e-300, 2.0**-30, 0.5, PH_D / 2, PH_D, 1.5 * PH_D, 2.0**25,
            37699111.84]
    for _ in range(1500):
        t = rnd.randrange(2646000) / 44100.0
        f = rnd.uniform(1.0, 100000.0)
        phase = float(rnd.randrange(10000)) * tau / 10000.0
        args.append(tau * t * f + phase)
    for _ in range(500):
        a = rnd.randrange(1, 24000000) * (PH_D / 2)
        for _ in range(rnd.randrange(32)):
            a = math.nextafter(a, 0.0)
        args.append(a)
    return args


def check_kernel_sine(pi_mid, bound):
    worst, worst_a, args = F(0), 0.0, sine_arguments()
    for a in args:
        err = abs(F(kernel_sine(a)) - reference_sine(a, pi_mid))
        if err > worst:
            worst, worst_a = err, a
    check(worst < bound, "emulated kernel sine within its a-priori bound")
    print("  emulated kernel on %d arguments: largest error %.4fu (at %r)"
          % (len(args), in_u(worst), worst_a))


# ------------------------------------------------------------- C(K)
EPS_S, U_G, BETA, RHO = 16 * U, 2 * U, 16 * U, 1 + 16 * U
MARGIN = 1 + F(1, 2**41)
K_MAX = 166097  # rungs of 1 to 100000 Hz at 10000 steps, the most allowed


def gamma(n):
    return n * U / (1 - n * U)


def c_exact(k):
    c0 = (gamma(k) * RHO + (U_G + EPS_S) * RHO + (1 + EPS_S) * BETA
          + gamma(k + 2) * (1 + EPS_S))
    return c0 * MARGIN / (1 - gamma(k + 2))


def c_double(k, margin=1 + 2.0**-40):
    """The engine's evaluation: every operation rounded, then one ulp up.

    The margin is 2^-40 while the requirement is 2^-41: the dozen roundings
    of the evaluation may lose more than the one ulp gained at the end.
    """
    u = 2.0**-53
    ug, eps, beta, rho = 2.0**-52, 16 * u, 16 * u, 1 + 16 * u
    gamma_k = (k * u) / (1 - k * u)
    gamma_k2 = ((k + 2) * u) / (1 - (k + 2) * u)
    c0 = gamma_k * rho + (ug + eps) * rho + (1 + eps) * beta + gamma_k2 * (1 + eps)
    c = c0 * margin / (1 - gamma_k2)
    return math.nextafter(c, math.inf)


def c_short(k, double):
    """True if double < c_exact(k), in integers: gamma_n = n / (2^53 - n)."""
    t, a, b = 2**53, 2**53 - k, 2**53 - k - 2
    num = (t + 16) * (k * t * b + 34 * a * b + (k + 2) * t * a) * (2**41 + 1)
    den = t * t * a * 2**41 * (b - k - 2)  # c_exact(k) = num / den
    m, e = F(double).as_integer_ratio()
    return m * den < num * e


def check_margins():
    """The inequalities the brightness factors and the interval ends use."""
    check(gamma(13) / (1 - gamma(5)) <= BETA, "gamma_13/(1 - gamma_5) <= beta")
    check((1 + gamma(8)) / (1 - gamma(5)) <= RHO,
          "(1 + gamma_8)/(1 - gamma_5) <= rho")
    check((gamma(8) + gamma(5)) <= gamma(13), "gamma_8 + gamma_5 <= gamma_13")
    check(MARGIN * (1 - U)**3 >= 1 + F(1, 2**42),
          "(1 + 2^-41)(1 - u)^3 >= 1 + 2^-42")
    check(F(1, 2**50) * (1 - U)**2 >= U, "2^-50 (1 - u)^2 >= u")
    # smallest non-zero term ax * Lv: ax >= 2^-63, c >= 2^-63, L >= RN(0.2)
    w_min = F(1, 2**63) * F(1, 2**63) * F(0.2) * (1 - U)**2
    check(w_min >= F(1, 2**130), "non-zero W >= 2^-130")
    check(34 * U * F(1, 2**130) > F(1, 2**178), "34u 2^-130 > 2^-178")
    check(3 * K_MAX + 4 < 2**20, "3K + 4 underflows stay below 2^-1055")
    print("Brightness: gamma_13/(1 - gamma_5) = %.4fu <= 16u, "
          "(1 + gamma_8)/(1 - gamma_5) = 1 + %.4fu <= 1 + 16u"
          % (in_u(gamma(13) / (1 - gamma(5))),
             in_u((1 + gamma(8)) / (1 - gamma(5)) - 1)))


def check_c_table(ks, k_max):
    print("C(K) = C0(K) (1 + 2^-41) / (1 - gamma_{K+2}); the engine's double")
    print("  %7s %12s %12s %12s %18s" % ("K", "exact", "in u", "double",
                                         "(double/exact-1)/u"))
    for k in ks:
        exact, double = c_exact(k), c_double(k)
        slack = (F(double) / exact - 1) / U
        print("  %7d %12.5e %12.4f %12.5e %18.0f"
              % (k, float(exact), in_u(exact), double, float(slack)))
        check(F(double) >= exact, "C(%d) in double >= exact" % k)
    short = [k for k in range(1, k_max + 1) if c_short(k, c_double(k))]
    check(not short, "C(K) in double >= exact for every K <= %d" % k_max)
    print("  every K from 1 to %d: double >= exact%s"
          % (k_max, "" if not short else " FAILS for %d" % len(short)))
    naive = [k for k in range(1, k_max + 1)
             if c_short(k, c_double(k, 1 + 2.0**-41))]
    print("  (evaluated with 1 + 2^-41 instead: short for %d values of K,"
          " the first %s)" % (len(naive), naive[:3]))


def main():
    pi_lo, pi_hi, tail, inv_err = check_constants()
    check_reduction(pi_lo, pi_hi, tail, inv_err)
    check_coefficients()
    print()
    s_terms, s_total = sine_terms()
    print_terms("Sine, |r| <= R, degree 21, 9 fused Horner steps", s_terms,
                s_total)
    print("  margin to eps_s = 16u: %.2fx" % float(16 * U / s_total))
    check_kernel_sine((pi_lo + pi_hi) / 2, s_total)
    check(s_total < 16 * U, "sine total < 16u")
    c_terms, c_total = cosine_terms()
    print_terms("Cosine, |r| <= R, degree 22, 10 fused Horner steps",
                c_terms, c_total)
    check(c_total < 16 * U, "cosine total < 16u")
    print()
    check_margins()
    check_c_table([1, 104, 1038, 9966, 166097], K_MAX)
    print()
    if failures:
        print("%d check(s) FAILED" % len(failures))
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
