// Built with -mavx2 (and nothing that allows contraction into fused
// multiply-adds), so that each intrinsic is one IEEE operation.
#include <immintrin.h>

#include "synthesis/partial_kernel.h"

namespace lumitone {

void AccumulateTermsAvx2(const NeighbourPixels& pixels, double by0, double by1,
                         const double* ax0, const double* ax1,
                         const double* sines, double* sums, int count) {
  __m256d p[3][4];
  for (int c = 0; c < 3; ++c) {
    for (int n = 0; n < 4; ++n) p[c][n] = _mm256_set1_pd(pixels.value[c][n]);
  }
  const __m256d vby0 = _mm256_set1_pd(by0);
  const __m256d vby1 = _mm256_set1_pd(by1);
  const __m256d red = _mm256_set1_pd(0.3);
  const __m256d green = _mm256_set1_pd(0.5);
  const __m256d blue = _mm256_set1_pd(0.2);
  int s = 0;
  for (; s + 4 <= count; s += 4) {
    __m256d a0 = _mm256_loadu_pd(ax0 + s);
    __m256d a1 = _mm256_loadu_pd(ax1 + s);
    __m256d w00 = _mm256_mul_pd(a0, vby0);
    __m256d w01 = _mm256_mul_pd(a0, vby1);
    __m256d w10 = _mm256_mul_pd(a1, vby0);
    __m256d w11 = _mm256_mul_pd(a1, vby1);
    __m256d value[3];
    for (int c = 0; c < 3; ++c) {
      __m256d v = _mm256_add_pd(_mm256_mul_pd(p[c][0], w00),
                                _mm256_mul_pd(p[c][1], w01));
      v = _mm256_add_pd(v, _mm256_mul_pd(p[c][2], w10));
      value[c] = _mm256_add_pd(v, _mm256_mul_pd(p[c][3], w11));
    }
    __m256d b = _mm256_add_pd(_mm256_mul_pd(red, value[0]),
                              _mm256_mul_pd(green, value[1]));
    b = _mm256_add_pd(b, _mm256_mul_pd(blue, value[2]));
    __m256d term = _mm256_mul_pd(_mm256_loadu_pd(sines + s), b);
    _mm256_storeu_pd(sums + s, _mm256_add_pd(term, _mm256_loadu_pd(sums + s)));
  }
  AccumulateTermsScalar(pixels, by0, by1, ax0 + s, ax1 + s, sines + s, sums + s,
                        count - s);
}

}  // namespace lumitone
