// The inner kernel of the fast synthesis: adds one rung's terms to the sums of
// a run of consecutive samples that read the same four neighbouring pixels,
//   sums[s] = sines[s] * b(s) + sums[s],
// with b(s) the bilinear brightness formed exactly as the sampler forms it:
// each weight a product of a horizontal and a vertical factor, each product
// pixel times weight, the four products added left to right, then
// 0.3 R + 0.5 G + 0.2 B. Every kernel gives the same doubles; only their
// speed differs.
#pragma once

namespace lumitone {

// Pixel values of the four neighbours in each channel (0 red, 1 green,
// 2 blue), in the order (x0, y0), (x0, y1), (x1, y0), (x1, y1).
struct NeighbourPixels {
  double value[3][4];
};

// `ax0`, `ax1`: per sample 1 - dx and dx; `by0`, `by1`: the rung's 1 - dy
// and dy. All arrays hold `count` values.
using AccumulateTermsFn = void (*)(const NeighbourPixels& pixels, double by0,
                                   double by1, const double* ax0,
                                   const double* ax1, const double* sines,
                                   double* sums, int count);

void AccumulateTermsScalar(const NeighbourPixels& pixels, double by0,
                           double by1, const double* ax0, const double* ax1,
                           const double* sines, double* sums, int count);

// Four samples at a time in AVX2 registers. Call only where the CPU has AVX2.
void AccumulateTermsAvx2(const NeighbourPixels& pixels, double by0, double by1,
                         const double* ax0, const double* ax1,
                         const double* sines, double* sums, int count);

}  // namespace lumitone
