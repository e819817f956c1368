// The vector vocabulary of the certified kernels in AVX-512 (F, DQ, VL):
// eight doubles a vector. Include only in a file built with those flags and
// -mfma (and, like every file, -ffp-contract=off, so that the only fused
// operations are the Fma and Fnma a kernel writes).
#pragma once

#include <immintrin.h>

#include <cstdint>

namespace lumitone::avx512_ops {

struct Ops {
  static constexpr int kLanes = 8;
  static constexpr int kWindow = 16;
  static constexpr int kGroup = 8;

  using V = __m512d;
  using I = __m512i;  // a lane's table index, 0 to 15, as a 64-bit integer

  static V Load(const double* p) { return _mm512_loadu_pd(p); }
  static void Store(double* p, V v) { _mm512_storeu_pd(p, v); }
  static V Set(double x) { return _mm512_set1_pd(x); }
  static V Zero() { return _mm512_setzero_pd(); }
  static V Add(V a, V b) { return _mm512_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm512_sub_pd(a, b); }
  static V Mul(V a, V b) { return _mm512_mul_pd(a, b); }
  static V Fma(V a, V b, V c) { return _mm512_fmadd_pd(a, b, c); }
  static V Fnma(V a, V b, V c) { return _mm512_fnmadd_pd(a, b, c); }
  static V Fms(V a, V b, V c) { return _mm512_fmsub_pd(a, b, c); }
  static V FlipIfOdd(V x, V q) {
    // The zero-masking forms: GCC 12 warns about the others' undefined
    // pass-through operand.
    __m512i sign = _mm512_maskz_slli_epi64(0xFF, _mm512_castpd_si512(q), 63);
    return _mm512_castsi512_pd(_mm512_xor_si512(_mm512_castpd_si512(x), sign));
  }
  static I MakeIndex(const int32_t* p) {
    return _mm512_maskz_cvtepi32_epi64(
        0xFF, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
  }
  static V Lookup(const V* table, I index) {
    return _mm512_permutex2var_pd(table[0], index, table[1]);
  }
  static bool AllZero(V v) {
    return _mm512_cmp_pd_mask(v, _mm512_setzero_pd(), _CMP_NEQ_UQ) == 0;
  }
};

}  // namespace lumitone::avx512_ops
