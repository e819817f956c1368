// The certified kernels written once over a vector vocabulary `Ops` (see
// vector_ops_scalar.h). Included by one file per instruction set, each
// built with its own flags; nothing here may depend on the width beyond
// Ops::kLanes, so that every set computes the same values.
#pragma once

#include <cstring>

#include "synthesis/certified_kernel.h"

namespace lumitone::certified {
// Internal linkage: each instruction set's file gets its own copy, so the
// linker can never hand one set's code (built for a wider CPU) to another.
namespace {

// The sine's constants: 1/pi, pi in two parts and the rounding constant.
constexpr double kInversePi = 0x1.45f306dc9c883p-2;  // RN(1/pi)
constexpr double kPiHigh = 0x1.921fb54442d18p+1;     // RN(pi)
constexpr double kPiLow = 0x1.1a62633145c07p-53;     // RN(pi - kPiHigh)
constexpr double kRoundingMagic = 0x1.8p52;          // 1.5 * 2^52

// c[n] = (-1)^(n/2) / n! for even n and (-1)^((n-1)/2) / n! for odd n,
// each rounded once (n! is exact in a double for n <= 22).
struct Taylor {
  double c[23];
};
consteval Taylor MakeTaylor() {
  Taylor t{};
  double factorial = 1.0;
  for (int n = 1; n < 23; ++n) {
    factorial *= n;
    t.c[n] = (n / 2) % 2 == 0 ? 1.0 / factorial : -1.0 / factorial;
  }
  return t;
}
constexpr Taylor kTaylor = MakeTaylor();

// The reduction of G vectors of arguments 0 <= A < 2^26 by pi, step by step
// across the vectors so that their dependency chains overlap:
//   q = nearest integer to A/pi (by adding 1.5 * 2^52 after a fused product)
//   r = (A - q*PH) - q*PM, the first step exact, the second rounded once.
// sin A = (-1)^q sin r and cos A = (-1)^q cos r; qm keeps q's parity.
template <class Ops, int G>
inline void ReduceByPi(const typename Ops::V (&x)[G], typename Ops::V (&qm)[G],
                       typename Ops::V (&r)[G], typename Ops::V (&z)[G]) {
  typename Ops::V q[G];
  for (int g = 0; g < G; ++g) {
    qm[g] = Ops::Fma(x[g], Ops::Set(kInversePi), Ops::Set(kRoundingMagic));
  }
  for (int g = 0; g < G; ++g) q[g] = Ops::Sub(qm[g], Ops::Set(kRoundingMagic));
  for (int g = 0; g < G; ++g) r[g] = Ops::Fnma(q[g], Ops::Set(kPiHigh), x[g]);
  for (int g = 0; g < G; ++g) r[g] = Ops::Fnma(q[g], Ops::Set(kPiLow), r[g]);
  for (int g = 0; g < G; ++g) z[g] = Ops::Mul(r[g], r[g]);
}

// sin r = r + r z P(z), P a Horner chain of Taylor terms to degree 21.
template <class Ops, int G>
inline void SineOfReduced(const typename Ops::V (&r)[G],
                          const typename Ops::V (&z)[G],
                          const typename Ops::V (&qm)[G],
                          typename Ops::V (&out)[G]) {
  typename Ops::V p[G];
  for (int g = 0; g < G; ++g) {
    p[g] = Ops::Fma(Ops::Set(kTaylor.c[21]), z[g], Ops::Set(kTaylor.c[19]));
  }
  for (int n = 17; n >= 3; n -= 2) {
    const typename Ops::V c = Ops::Set(kTaylor.c[n]);
    for (int g = 0; g < G; ++g) p[g] = Ops::Fma(p[g], z[g], c);
  }
  for (int g = 0; g < G; ++g) {
    out[g] = Ops::FlipIfOdd(Ops::Fma(Ops::Mul(r[g], z[g]), p[g], r[g]), qm[g]);
  }
}

// cos r = 1 + z P(z), P a Horner chain of Taylor terms to degree 22.
template <class Ops, int G>
inline void CosineOfReduced(const typename Ops::V (&z)[G],
                            const typename Ops::V (&qm)[G],
                            typename Ops::V (&out)[G]) {
  typename Ops::V p[G];
  for (int g = 0; g < G; ++g) {
    p[g] = Ops::Fma(Ops::Set(kTaylor.c[22]), z[g], Ops::Set(kTaylor.c[20]));
  }
  for (int n = 18; n >= 2; n -= 2) {
    const typename Ops::V c = Ops::Set(kTaylor.c[n]);
    for (int g = 0; g < G; ++g) p[g] = Ops::Fma(p[g], z[g], c);
  }
  for (int g = 0; g < G; ++g) {
    out[g] = Ops::FlipIfOdd(Ops::Fma(z[g], p[g], Ops::Set(1.0)), qm[g]);
  }
}

// Sines of G vectors of arguments, in place.
template <class Ops, int G>
inline void SinesOf(typename Ops::V (&x)[G]) {
  typename Ops::V qm[G], r[G], z[G];
  ReduceByPi<Ops, G>(x, qm, r, z);
  SineOfReduced<Ops, G>(r, z, qm, x);
}

// Sines of G vectors of consecutive samples of one rung, x[0] holding the
// first vector's arguments: that vector's (cos, sin) from the polynomials,
// every next one's by a complex multiplication with the step rotation
// (each product rounded, then one fused step).
template <class Ops, int G>
inline void RotatedSinesOf(typename Ops::V (&x)[G], typename Ops::V stepCos,
                           typename Ops::V stepSin) {
  typename Ops::V first[1] = {x[0]}, qm[1], r[1], z[1], sine[1], cosine[1];
  ReduceByPi<Ops, 1>(first, qm, r, z);
  SineOfReduced<Ops, 1>(r, z, qm, sine);
  CosineOfReduced<Ops, 1>(z, qm, cosine);
  typename Ops::V c = cosine[0];
  x[0] = sine[0];
  for (int g = 1; g < G; ++g) {
    typename Ops::V s = x[g - 1];
    typename Ops::V next = Ops::Fms(c, stepCos, Ops::Mul(s, stepSin));
    x[g] = Ops::Fma(c, stepSin, Ops::Mul(s, stepCos));
    c = next;
  }
}

template <class Ops>
void KernelSines(const double* arguments, double* sines, double* cosines,
                 int count) {
  constexpr int L = Ops::kLanes;
  for (int i = 0; i < count; i += L) {
    double in[L] = {}, outSine[L], outCosine[L];
    const int n = count - i < L ? count - i : L;
    std::memcpy(in, arguments + i, sizeof(double) * n);
    typename Ops::V x[1] = {Ops::Load(in)}, qm[1], r[1], z[1], s[1], c[1];
    ReduceByPi<Ops, 1>(x, qm, r, z);
    SineOfReduced<Ops, 1>(r, z, qm, s);
    CosineOfReduced<Ops, 1>(z, qm, c);
    Ops::Store(outSine, s[0]);
    Ops::Store(outCosine, c[0]);
    std::memcpy(sines + i, outSine, sizeof(double) * n);
    std::memcpy(cosines + i, outCosine, sizeof(double) * n);
  }
}

// Each lane's weighted luminances Lv(x0) and Lv(x1) for one rung, from a
// table of the group's window of columns: a permute per lane.
template <class Ops, int C, int G>
struct WindowNeighbours {
  using V = typename Ops::V;
  using I = typename Ops::I;
  static constexpr int kParts = Ops::kWindow / Ops::kLanes;

  explicit WindowNeighbours(const GroupLanes& lanes) : lanes(lanes) {
    for (int k = 0; k < C; ++k) {
      for (int g = 0; g < G; ++g) {
        near[k][g] = Ops::MakeIndex(lanes.near[k] + g * Ops::kLanes);
        far[k][g] = Ops::MakeIndex(lanes.far[k] + g * Ops::kLanes);
      }
    }
  }
  // False when the rung reads only black in every channel.
  bool Read(const RungTerms& rung) {
    bool black = true;
    for (int k = 0; k < C; ++k) {
      const double* row0 = rung.row0[k] + lanes.windowStart[k];
      const double* row1 = rung.row1[k] + lanes.windowStart[k];
      const V c0 = Ops::Set(rung.c0[k]);
      const V c1 = Ops::Set(rung.c1[k]);
      for (int part = 0; part < kParts; ++part) {
        // As WeightedLuminance: two products, then their sum.
        table[k][part] =
            Ops::Add(Ops::Mul(c0, Ops::Load(row0 + part * Ops::kLanes)),
                     Ops::Mul(c1, Ops::Load(row1 + part * Ops::kLanes)));
        black = black && Ops::AllZero(table[k][part]);
      }
    }
    return !black;
  }
  V Near(int k, int g) const { return Ops::Lookup(table[k], near[k][g]); }
  V Far(int k, int g) const { return Ops::Lookup(table[k], far[k][g]); }

  const GroupLanes& lanes;
  I near[C][G], far[C][G];
  V table[C][kParts];
};

// The same where every lane of the group reads the same two columns (all
// but the shortest durations): two luminances a rung, broadcast.
template <class Ops, int C, int G>
struct SharedNeighbours {
  using V = typename Ops::V;

  explicit SharedNeighbours(const GroupLanes& lanes) : lanes(lanes) {}
  bool Read(const RungTerms& rung) {
    bool black = true;
    for (int k = 0; k < C; ++k) {
      const double* row0 = rung.row0[k] + lanes.windowStart[k];
      const double* row1 = rung.row1[k] + lanes.windowStart[k];
      const int far = lanes.far[k][0];
      double lv0 = WeightedLuminance(rung.c0[k], row0[0], rung.c1[k], row1[0]);
      double lv1 =
          WeightedLuminance(rung.c0[k], row0[far], rung.c1[k], row1[far]);
      black = black && lv0 == 0.0 && lv1 == 0.0;
      near[k] = Ops::Set(lv0);
      farValue[k] = Ops::Set(lv1);
    }
    return !black;
  }
  V Near(int k, int) const { return near[k]; }
  V Far(int k, int) const { return farValue[k]; }

  const GroupLanes& lanes;
  V near[C], farValue[C];
};

// Every group's sums over the rungs; Neighbours says where Lv comes from.
template <class Ops, int C, int G, bool kRotated, class Neighbours>
void SumRungs(const RungTerms* rungs, size_t rungCount, const GroupLanes& lanes,
              double* const sums[2]) {
  using V = typename Ops::V;
  constexpr int L = Ops::kLanes;
  Neighbours neighbours(lanes);
  V twoPiTime[G];
  V acc0[C][G], acc1[C][G];
  for (int g = 0; g < G; ++g) twoPiTime[g] = Ops::Load(lanes.twoPiTime + g * L);
  for (int k = 0; k < C; ++k) {
    for (int g = 0; g < G; ++g) {
      acc0[k][g] = Ops::Zero();
      acc1[k][g] = Ops::Zero();
    }
  }
  for (size_t i = 0; i < rungCount; ++i) {
    const RungTerms& rung = rungs[i];
    if (!neighbours.Read(rung)) continue;
    // The plain loops' argument: a product, then a sum, never fused.
    V s[G];
    const V f = Ops::Set(rung.frequency);
    const V phase = Ops::Set(rung.phase);
    if constexpr (kRotated) {
      s[0] = Ops::Add(Ops::Mul(twoPiTime[0], f), phase);
      RotatedSinesOf<Ops, G>(s, Ops::Set(rung.stepCos), Ops::Set(rung.stepSin));
    } else {
      for (int g = 0; g < G; ++g) {
        s[g] = Ops::Add(Ops::Mul(twoPiTime[g], f), phase);
      }
      SinesOf<Ops, G>(s);
    }
    for (int k = 0; k < C; ++k) {
      for (int g = 0; g < G; ++g) {
        acc0[k][g] = Ops::Fma(s[g], neighbours.Near(k, g), acc0[k][g]);
        acc1[k][g] = Ops::Fma(s[g], neighbours.Far(k, g), acc1[k][g]);
      }
    }
  }
  for (int k = 0; k < C; ++k) {
    for (int g = 0; g < G; ++g) {
      V ax0 = Ops::Load(lanes.nearWeight[k] + g * L);
      V ax1 = Ops::Load(lanes.farWeight[k] + g * L);
      Ops::Store(sums[k] + g * L,
                 Ops::Fma(ax1, acc1[k][g], Ops::Mul(ax0, acc0[k][g])));
    }
  }
}

// See SumGroupFn. C channels, G vectors of Ops::kLanes samples.
template <class Ops, int C, int G, bool kRotated>
void SumGroup(const RungTerms* rungs, size_t rungCount, const GroupLanes& lanes,
              double* const sums[2]) {
  constexpr int last = G * Ops::kLanes - 1;
  bool shared = true;
  for (int k = 0; k < C; ++k) {
    // Columns never decrease along the group: the first and last lanes tell.
    shared = shared && lanes.near[k][last] == 0 &&
             lanes.far[k][last] == lanes.far[k][0];
  }
  if (shared) {
    SumRungs<Ops, C, G, kRotated, SharedNeighbours<Ops, C, G>>(rungs, rungCount,
                                                               lanes, sums);
  } else {
    SumRungs<Ops, C, G, kRotated, WindowNeighbours<Ops, C, G>>(rungs, rungCount,
                                                               lanes, sums);
  }
}

template <class Ops>
CertifiedKernels MakeKernels(const char* name) {
  constexpr int G = Ops::kGroup;
  return {name,
          Ops::kLanes,
          Ops::kLanes * G,
          Ops::kWindow,
          {SumGroup<Ops, 1, G, false>, SumGroup<Ops, 2, G, false>},
          {SumGroup<Ops, 1, 1, false>, SumGroup<Ops, 2, 1, false>},
          {SumGroup<Ops, 1, G, true>, SumGroup<Ops, 2, G, true>},
          KernelSines<Ops>};
}

}  // namespace
}  // namespace lumitone::certified
