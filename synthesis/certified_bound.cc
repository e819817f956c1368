#include "synthesis/certified_bound.h"

#include <cmath>
#include <limits>

namespace lumitone {
namespace {

// gamma_n = n u / (1 - n u): the relative error of n roundings.
double Gamma(double n) { return n * kUnitRoundoff / (1 - n * kUnitRoundoff); }

}  // namespace

double BoundFactor(size_t rungCount, double sineError) {
  const double k = static_cast<double>(rungCount);
  const double rho = 1 + kBrightnessError;  // the sampler's over ours, at most
  const double gammaK = Gamma(k);
  const double gammaK2 = Gamma(k + 2);
  // The plain loops' sum, the two sines, the brightness, our sums.
  const double c0 = gammaK * rho + (kLibrarySineError + sineError) * rho +
                    (1 + sineError) * kBrightnessError +
                    gammaK2 * (1 + sineError);
  // B underestimates the exact brightness sum by at most gamma_{K+2}. The
  // margin 2^-40 survives the dozen roundings of this evaluation (each below
  // 2^-53) as at least 2^-41, which is what the roundings of E need.
  const double c = c0 * (1 + 0x1p-40) / (1 - gammaK2);
  return std::nextafter(c, std::numeric_limits<double>::infinity());
}

}  // namespace lumitone
