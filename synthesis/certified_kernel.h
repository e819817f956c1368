// The kernels of the certified engine, in one ISA-neutral interface. Each
// kernel set (AVX-512, AVX2, portable scalar) is the same code written once
// over a small vector vocabulary: every lane of every width runs the same
// sequence of IEEE operations, so one error analysis covers all of them and
// every set gives the same values.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumitone {

// One rung of the ladder as the kernels use it, for up to two channels.
struct RungTerms {
  double frequency;
  double phase;
  // The luminance rows this rung reads in each channel (rows y0 and y1,
  // from column 0), and its vertical weights 1 - dy and dy.
  const double* row0[2];
  const double* row1[2];
  double c0[2];
  double c1[2];
  // The rotation by CertifiedKernels::lanes samples at this frequency, for
  // the rotated sums.
  double stepCos;
  double stepSin;
};

// One group of consecutive samples (CertifiedKernels::groupSamples of them)
// whose columns all lie in one window of CertifiedKernels::window columns
// from `windowStart` in each channel.
struct GroupLanes {
  const double* twoPiTime;  // 2*pi*t of each sample
  int32_t windowStart[2];
  const int32_t* near[2];       // x0 - windowStart, per sample
  const int32_t* far[2];        // x1 - windowStart, per sample
  const double* nearWeight[2];  // 1 - dx
  const double* farWeight[2];   // dx
};

// For every sample of the group and each of `channels` channels, the
// approximation
//   S' = fma(dx, sum_i s_i Lv_i(x1), (1 - dx) * sum_i s_i Lv_i(x0))
// where s_i is the kernel sine of the plain loops' own argument
// (2*pi*t) * f + phase and Lv_i(x) = c0 * L(x, y0) + c1 * L(x, y1); each sum
// adds its rungs in order with one fused operation each. Rungs whose window
// is black in every channel are left out (they add exact zeros).
using SumGroupFn = void (*)(const RungTerms* rungs, size_t rungCount,
                            const GroupLanes& lanes, double* const sums[2]);

// sines[i] and cosines[i] = the kernel sine and cosine of arguments[i], for
// 0 <= arguments[i] < 2^26.
using KernelSinesFn = void (*)(const double* arguments, double* sines,
                               double* cosines, int count);

struct CertifiedKernels {
  const char* name;
  int lanes;         // doubles a vector: the samples of a narrow group
  int groupSamples;  // samples of a wide group
  int window;        // columns one group may read in a channel
  // [channels - 1]. Wide groups interleave several vectors' sines; narrow
  // ones, one vector, serve where a wide group's columns span more than
  // the window.
  SumGroupFn sumGroup[2];
  SumGroupFn sumNarrowGroup[2];
  // Wide groups whose later vectors' sines come from rotating the first
  // vector's (cos, sin) by each rung's step rotation: cheaper, with a
  // larger bound that grows with the argument.
  SumGroupFn sumRotatedGroup[2];
  KernelSinesFn sines;
};

// Lv(x) for one rung: the two vertical neighbours' luminances weighted,
// each product rounded and then their sum. Shared by the kernels' window
// tables and the per-column brightness sums so both see the same doubles.
// Internal linkage: the vector kernels' files, built for wider CPUs, each
// keep their own copy, which the linker can never hand to other files.
static inline double WeightedLuminance(double c0, double l0, double c1,
                                       double l1) {
  return c0 * l0 + c1 * l1;
}

// The kernel sets compiled into this program; use only on a CPU that runs
// them (see kernel_choice.h).
const CertifiedKernels& ScalarCertifiedKernels();
const CertifiedKernels& Avx2CertifiedKernels();
const CertifiedKernels& Avx512CertifiedKernels();

}  // namespace lumitone
