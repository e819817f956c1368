// The vector vocabulary of the certified kernels in AVX2 with FMA: four
// doubles a vector. Include only in a file built with -mavx2 -mfma (and,
// like every file, -ffp-contract=off, so that the only fused operations are
// the Fma and Fnma a kernel writes).
#pragma once

#include <immintrin.h>

#include <cstdint>

namespace lumitone::avx2_ops {

struct Ops {
  static constexpr int kLanes = 4;
  static constexpr int kWindow = 8;
  static constexpr int kGroup = 4;

  using V = __m256d;
  // A lane's table index as the pair of 32-bit element indices (2d, 2d + 1)
  // of double d within one register, and which of the two registers.
  struct I {
    __m256i pairs;
    __m256d high;
  };

  static V Load(const double* p) { return _mm256_loadu_pd(p); }
  static void Store(double* p, V v) { _mm256_storeu_pd(p, v); }
  static V Set(double x) { return _mm256_set1_pd(x); }
  static V Zero() { return _mm256_setzero_pd(); }
  static V Add(V a, V b) { return _mm256_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm256_sub_pd(a, b); }
  static V Mul(V a, V b) { return _mm256_mul_pd(a, b); }
  static V Fma(V a, V b, V c) { return _mm256_fmadd_pd(a, b, c); }
  static V Fnma(V a, V b, V c) { return _mm256_fnmadd_pd(a, b, c); }
  static V Fms(V a, V b, V c) { return _mm256_fmsub_pd(a, b, c); }
  static V FlipIfOdd(V x, V q) {
    __m256i sign = _mm256_slli_epi64(_mm256_castpd_si256(q), 63);
    return _mm256_castsi256_pd(_mm256_xor_si256(_mm256_castpd_si256(x), sign));
  }
  static I MakeIndex(const int32_t* p) {
    __m256i index = _mm256_cvtepi32_epi64(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    __m256i within =
        _mm256_slli_epi64(_mm256_and_si256(index, _mm256_set1_epi64x(3)), 1);
    __m256i pairs = _mm256_or_si256(
        within,
        _mm256_slli_epi64(_mm256_add_epi64(within, _mm256_set1_epi64x(1)), 32));
    __m256i high = _mm256_cmpgt_epi64(index, _mm256_set1_epi64x(3));
    return {pairs, _mm256_castsi256_pd(high)};
  }
  static V Lookup(const V* table, I index) {
    __m256 low =
        _mm256_permutevar8x32_ps(_mm256_castpd_ps(table[0]), index.pairs);
    __m256 high =
        _mm256_permutevar8x32_ps(_mm256_castpd_ps(table[1]), index.pairs);
    return _mm256_blendv_pd(_mm256_castps_pd(low), _mm256_castps_pd(high),
                            index.high);
  }
  static bool AllZero(V v) {
    return _mm256_movemask_pd(
               _mm256_cmp_pd(v, _mm256_setzero_pd(), _CMP_NEQ_UQ)) == 0;
  }
};

}  // namespace lumitone::avx2_ops
