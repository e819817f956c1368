#include "synthesis/step_rotation.h"

#include <cmath>

namespace lumitone {
namespace {

// A value hi + lo with |lo| at most half an ulp of hi: about 106 bits.
struct Wide {
  double hi;
  double lo;
};

Wide TwoSum(double a, double b) {
  double s = a + b;
  double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

Wide QuickTwoSum(double a, double b) {
  double s = a + b;
  return {s, b - (s - a)};
}

Wide TwoProduct(double a, double b) {
  double p = a * b;
  return {p, std::fma(a, b, -p)};
}

Wide Add(Wide a, Wide b) {
  Wide s = TwoSum(a.hi, b.hi);
  Wide t = TwoSum(a.lo, b.lo);
  s = QuickTwoSum(s.hi, s.lo + t.hi);
  return QuickTwoSum(s.hi, s.lo + t.lo);
}

Wide Negate(Wide a) { return {-a.hi, -a.lo}; }

Wide Multiply(Wide a, Wide b) {
  Wide p = TwoProduct(a.hi, b.hi);
  return QuickTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

Wide Multiply(Wide a, double b) { return Multiply(a, Wide{b, 0.0}); }

// a / b for a double b.
Wide Divide(Wide a, double b) {
  double q1 = a.hi / b;
  Wide r = Add(a, Negate(TwoProduct(q1, b)));
  double q2 = r.hi / b;
  r = Add(r, Negate(TwoProduct(q2, b)));
  double q3 = r.hi / b;
  return Add(QuickTwoSum(q1, q2), Wide{q3, 0.0});
}

// pi/2 to about 160 bits, in three parts.
constexpr double kHalfPi[3] = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54,
                               -0x1.f1976b7ed8fbcp-110};

// 1 / ((n - 1) n) for n up to kLastTerm, computed once.
constexpr int kLastTerm = 29;
struct Reciprocals {
  Wide of[kLastTerm + 1];
};
const Reciprocals& TermReciprocals() {
  static const Reciprocals table = [] {
    Reciprocals r{};
    for (int n = 2; n <= kLastTerm; ++n) {
      r.of[n] = Divide(Wide{1.0, 0.0}, (n - 1.0) * n);
    }
    return r;
  }();
  return table;
}

// 1 - y2/((n-1) n) (1 - y2/((n-3)(n-2)) (...)): the Taylor series of
// sin(y)/y (first = 3) or cos(y) (first = 2), to degree 28, for |y| <= pi/4.
Wide TaylorSeries(Wide y2, int first) {
  const Wide one{1.0, 0.0};
  const Reciprocals& reciprocal = TermReciprocals();
  Wide sum = one;
  for (int n = first + 26; n >= first; n -= 2) {
    sum = Add(one, Negate(Multiply(Multiply(y2, sum), reciprocal.of[n])));
  }
  return sum;
}

}  // namespace

StepRotation RotationFor(double frequency, int samples, double twoPi) {
  // omega exactly as a product of doubles, then one division.
  Wide omega = Divide(
      Multiply(TwoProduct(twoPi, frequency), static_cast<double>(samples)),
      44100.0);
  // omega = y + quarter * pi/2 with |y| <= pi/4.
  double quarter = std::nearbyint(omega.hi / kHalfPi[0]);
  Wide y = omega;
  for (double part : kHalfPi) {
    y = Add(y, Negate(TwoProduct(quarter, part)));
  }
  Wide y2 = Multiply(y, y);
  Wide sine = Multiply(y, TaylorSeries(y2, 3));
  Wide cosine = TaylorSeries(y2, 2);
  switch (static_cast<long>(quarter) & 3) {
    case 0:
      return {cosine.hi, sine.hi};
    case 1:
      return {-sine.hi, cosine.hi};
    case 2:
      return {-cosine.hi, -sine.hi};
    default:
      return {sine.hi, -cosine.hi};
  }
}

}  // namespace lumitone
