// The error bound of the certified engine: for a value with approximation S'
// and brightness bound B (both from the approximate pass), the plain loops'
// double S lies within E = C(K) * B + 2^-50 * |S'|, and the rounded interval
// ends S' - E and S' + E still enclose it. docs/certified_synthesis.md
// derives C(K) term by term.
#pragma once

#include <cmath>
#include <cstddef>

namespace lumitone {

// Unit roundoff of a double.
inline constexpr double kUnitRoundoff = 0x1p-53;
// The kernel sine's error, 16 u: 2.8 times its a-priori bound of 5.68 u.
inline constexpr double kKernelSineError = 16 * kUnitRoundoff;
// The C library's sin is taken to be within one ulp of the true sine, which
// for |sin| <= 1 is at most 2^-52. The canary checks this on every run.
inline constexpr double kLibrarySineError = 0x1p-52;
// Relative distance of the approximate brightness from the sampler's.
inline constexpr double kBrightnessError = 16 * kUnitRoundoff;
// A sine rotated from a polynomial start value, up to 31 rotations: its
// constant part (start values, roundings of the rotations, the step
// rotation's own error, the library's sine), and the factor of the argument
// for the plain loops' roundings of the arguments at both ends.
inline constexpr double kRotatedSineError = 180 * kUnitRoundoff;
inline constexpr double kArgumentErrorFactor = 8.05 * kUnitRoundoff;

// C(K) for a ladder of `rungCount` rungs whose kernel sines lie within
// `sineError` of the true sines, rounded up.
double BoundFactor(size_t rungCount, double sineError);

// The rotated sines' extra bound at column x for a sample at 2*pi*t =
// `twoPiTime`: from the column's sums over the rungs of f_i Lv_i(x)
// (`frequencySum`) and of Lv_i(x) (`columnSum`), with 2^-20 to spare for
// the roundings of these sums and of E, and for the factor
// (rho + beta + gamma_{K+2}) the rotated terms carry.
inline double RotationColumnBound(double twoPiTime, double frequencySum,
                                  double columnSum, double twoPi) {
  return (1 + 0x1p-20) * (kArgumentErrorFactor *
                              (twoPiTime * frequencySum + twoPi * columnSum) +
                          kRotatedSineError * columnSum);
}

// E for one value.
inline double ValueBound(double factor, double brightnessBound,
                         double approximation) {
  return factor * brightnessBound + 0x1p-50 * std::fabs(approximation);
}

}  // namespace lumitone
