// The vector vocabulary of the certified kernels for one double at a time:
// the portable reference of the vector sets. Every operation is one IEEE
// operation (std::fma rounds once), so a kernel written over it gives, lane
// for lane, the values the vector sets give.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace lumitone::scalar_ops {

struct Ops {
  static constexpr int kLanes = 1;
  static constexpr int kWindow = 4;  // columns one group may read
  static constexpr int kGroup = 4;   // vectors whose sines are interleaved

  using V = double;
  using I = int32_t;

  static V Load(const double* p) { return *p; }
  static void Store(double* p, V v) { *p = v; }
  static V Set(double x) { return x; }
  static V Zero() { return 0.0; }
  static V Add(V a, V b) { return a + b; }
  static V Sub(V a, V b) { return a - b; }
  static V Mul(V a, V b) { return a * b; }
  static V Fma(V a, V b, V c) { return std::fma(a, b, c); }    // a*b + c
  static V Fnma(V a, V b, V c) { return std::fma(-a, b, c); }  // c - a*b
  static V Fms(V a, V b, V c) { return std::fma(a, b, -c); }   // a*b - c
  // x with its sign flipped when the low significand bit of q is set.
  static V FlipIfOdd(V x, V q) {
    uint64_t bits, parity;
    std::memcpy(&bits, &x, sizeof bits);
    std::memcpy(&parity, &q, sizeof parity);
    bits ^= parity << 63;
    std::memcpy(&x, &bits, sizeof bits);
    return x;
  }
  static I MakeIndex(const int32_t* p) { return *p; }
  // The entry `index` of a table of kWindow doubles held as
  // kWindow / kLanes vectors.
  static V Lookup(const V* table, I index) { return table[index]; }
  static bool AllZero(V v) { return v == 0.0; }
};

}  // namespace lumitone::scalar_ops
