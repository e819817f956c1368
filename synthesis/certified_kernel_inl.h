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

// c[n] = (-1)^((n-1)/2) / n! for odd n, each rounded once (n! is exact in
// a double for n <= 22).
struct TaylorSine {
  double c[22];
};
consteval TaylorSine MakeTaylorSine() {
  TaylorSine t{};
  double factorial = 1.0;
  for (int n = 1; n < 22; ++n) {
    factorial *= n;
    if (n % 2 == 1)
      t.c[n] = ((n - 1) / 2) % 2 == 0 ? 1.0 / factorial : -1.0 / factorial;
  }
  return t;
}
constexpr TaylorSine kTaylorSine = MakeTaylorSine();

// Sines of G vectors of arguments 0 <= A < 2^26, step by step across the
// vectors so that their dependency chains overlap:
//   q = nearest integer to A/pi (by adding 1.5 * 2^52 after a fused product)
//   r = (A - q*PH) - q*PM, the first step exact, the second rounded once
//   sin A = (-1)^q (r + r^3 * P(r^2)), P a Horner chain of Taylor terms to
//   degree 21.
template <class Ops, int G>
inline void SinesOf(typename Ops::V (&x)[G]) {
  using V = typename Ops::V;
  V q[G], qm[G], r[G], z[G], p[G];
  for (int g = 0; g < G; ++g) {
    qm[g] = Ops::Fma(x[g], Ops::Set(kInversePi), Ops::Set(kRoundingMagic));
  }
  for (int g = 0; g < G; ++g) q[g] = Ops::Sub(qm[g], Ops::Set(kRoundingMagic));
  for (int g = 0; g < G; ++g) r[g] = Ops::Fnma(q[g], Ops::Set(kPiHigh), x[g]);
  for (int g = 0; g < G; ++g) r[g] = Ops::Fnma(q[g], Ops::Set(kPiLow), r[g]);
  for (int g = 0; g < G; ++g) z[g] = Ops::Mul(r[g], r[g]);
  for (int g = 0; g < G; ++g) {
    p[g] = Ops::Fma(Ops::Set(kTaylorSine.c[21]), z[g],
                    Ops::Set(kTaylorSine.c[19]));
  }
  for (int n = 17; n >= 3; n -= 2) {
    const V c = Ops::Set(kTaylorSine.c[n]);
    for (int g = 0; g < G; ++g) p[g] = Ops::Fma(p[g], z[g], c);
  }
  for (int g = 0; g < G; ++g) {
    x[g] = Ops::FlipIfOdd(Ops::Fma(Ops::Mul(r[g], z[g]), p[g], r[g]), qm[g]);
  }
}

template <class Ops>
void KernelSines(const double* arguments, double* sines, int count) {
  constexpr int L = Ops::kLanes;
  for (int i = 0; i < count; i += L) {
    double in[L] = {}, out[L];
    const int n = count - i < L ? count - i : L;
    std::memcpy(in, arguments + i, sizeof(double) * n);
    typename Ops::V x[1] = {Ops::Load(in)};
    SinesOf<Ops, 1>(x);
    Ops::Store(out, x[0]);
    std::memcpy(sines + i, out, sizeof(double) * n);
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
template <class Ops, int C, int G, class Neighbours>
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
    for (int g = 0; g < G; ++g)
      s[g] = Ops::Add(Ops::Mul(twoPiTime[g], f), phase);
    SinesOf<Ops, G>(s);
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
template <class Ops, int C, int G>
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
    SumRungs<Ops, C, G, SharedNeighbours<Ops, C, G>>(rungs, rungCount, lanes,
                                                     sums);
  } else {
    SumRungs<Ops, C, G, WindowNeighbours<Ops, C, G>>(rungs, rungCount, lanes,
                                                     sums);
  }
}

template <class Ops>
CertifiedKernels MakeKernels(const char* name) {
  return {name,
          Ops::kLanes,
          Ops::kLanes * Ops::kGroup,
          Ops::kWindow,
          {SumGroup<Ops, 1, Ops::kGroup>, SumGroup<Ops, 2, Ops::kGroup>},
          {SumGroup<Ops, 1, 1>, SumGroup<Ops, 2, 1>},
          KernelSines<Ops>};
}

}  // namespace
}  // namespace lumitone::certified
