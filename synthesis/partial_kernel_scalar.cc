#include "synthesis/partial_kernel.h"

namespace lumitone {

void AccumulateTermsScalar(const NeighbourPixels& pixels, double by0,
                           double by1, const double* ax0, const double* ax1,
                           const double* sines, double* sums, int count) {
  const auto& p = pixels.value;
  for (int s = 0; s < count; ++s) {
    double w00 = ax0[s] * by0;
    double w01 = ax0[s] * by1;
    double w10 = ax1[s] * by0;
    double w11 = ax1[s] * by1;
    double value[3];
    for (int c = 0; c < 3; ++c) {
      value[c] = p[c][0] * w00 + p[c][1] * w01 + p[c][2] * w10 + p[c][3] * w11;
    }
    double b = 0.3 * value[0] + 0.5 * value[1] + 0.2 * value[2];
    sums[s] = sines[s] * b + sums[s];
  }
}

}  // namespace lumitone
