#include "synthesis/certified_kernel.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "synthesis/certified_bound.h"
#include "synthesis/kernel_choice.h"
#include "synthesis/phase_table.h"
#include "synthesis/sample_buffer.h"
#include "synthesis/sampler_mapping.h"

namespace lumitone {
namespace {

// sinl has a 64-bit significand here: its own error is about 1e-19.
constexpr long double kReferenceError = 1e-18L;

uint64_t Next(uint64_t& state) {
  state = state * 6364136223846793005u + 1442695040888963407u;
  return state >> 11;
}

// Arguments of three kinds: the plain loops' own (a sample, a frequency of
// the whole range, a phase), those just below multiples of pi/2 where the
// reduction loses most, and fixed ones at the ends of the range.
std::vector<double> SineArguments() {
  std::vector<double> arguments;
  uint64_t state = 12345;
  const double twoPi = 2.0 * kPi;
  for (int i = 0; i < 200000; ++i) {
    int32_t j = static_cast<int32_t>(Next(state) % 2646000);
    double f = 1.0 + (Next(state) % 99999000) / 1000.0;
    double phase = static_cast<double>(Next(state) % 10000) * twoPi / 10000.0;
    arguments.push_back(TwoPiTime(SampleTime(j)) * f + phase);
  }
  for (int i = 0; i < 50000; ++i) {
    double x = static_cast<double>(Next(state) % 24000000) * (kPi / 2);
    for (int step = static_cast<int>(Next(state) % 32); step > 0; --step) {
      x = std::nextafter(x, 0.0);
    }
    arguments.push_back(x);
  }
  for (double x : {0.0, 1e-300, 0x1p-30, 0.5, kPi / 2, kPi, 3 * kPi / 2, 0x1p25,
                   37699111.84, std::nextafter(0x1p26, 0.0)}) {
    arguments.push_back(x);
  }
  return arguments;
}

// Every kernel set's sine and cosine within the bound the engine assumes,
// and, as a tripwire for a changed polynomial or constant, well inside it.
TEST(CertifiedKernelTest, SineAndCosineWithinTheirBoundOnEveryKernelSet) {
  const std::vector<double> arguments = SineArguments();
  for (KernelSet set : RunnableKernelSets()) {
    const CertifiedKernels* kernels = CertifiedKernelsFor(set);
    ASSERT_NE(kernels, nullptr);
    std::vector<double> sines(arguments.size()), cosines(arguments.size());
    kernels->sines(arguments.data(), sines.data(), cosines.data(),
                   static_cast<int>(arguments.size()));
    long double worst[2] = {0, 0};
    for (size_t i = 0; i < arguments.size(); ++i) {
      const long double a = arguments[i];
      const long double errors[2] = {
          std::fabs(static_cast<long double>(sines[i]) - std::sin(a)),
          std::fabs(static_cast<long double>(cosines[i]) - std::cos(a))};
      for (int which = 0; which < 2; ++which) {
        ASSERT_LE(errors[which], kKernelSineError - kReferenceError)
            << KernelSetName(set) << (which == 0 ? " sin " : " cos ")
            << arguments[i];
        worst[which] = std::max(worst[which], errors[which]);
      }
    }
    EXPECT_LT(worst[0], 4 * kUnitRoundoff) << KernelSetName(set);
    EXPECT_LT(worst[1], 6 * kUnitRoundoff) << KernelSetName(set);
  }
}

// Every set gives the same sines: one analysis covers them all.
TEST(CertifiedKernelTest, EverySetGivesTheSameSines) {
  const std::vector<double> arguments = SineArguments();
  const size_t n = arguments.size();
  std::vector<double> referenceSines(n), referenceCosines(n);
  ScalarCertifiedKernels().sines(arguments.data(), referenceSines.data(),
                                 referenceCosines.data(), static_cast<int>(n));
  for (KernelSet set : RunnableKernelSets()) {
    std::vector<double> sines(n), cosines(n);
    CertifiedKernelsFor(set)->sines(arguments.data(), sines.data(),
                                    cosines.data(), static_cast<int>(n));
    EXPECT_EQ(sines, referenceSines) << KernelSetName(set);
    EXPECT_EQ(cosines, referenceCosines) << KernelSetName(set);
  }
}

// One rung at the top of the range late in the longest run, read with
// weight 1: each approximation must be the kernel sine of the plain loops'
// argument fl(fl(2*pi*t * f) + phase). An argument fused into one
// multiply-add moves by up to an ulp of 3.8e7, a million times the bound.
TEST(CertifiedKernelTest, ArgumentIsThePlainLoopsDouble) {
  const double frequency = 99999.37;
  const double phase = 4321 * (2.0 * kPi) / 10000.0;
  for (KernelSet set : RunnableKernelSets()) {
    const CertifiedKernels& kernels = *CertifiedKernelsFor(set);
    const int n = kernels.groupSamples;
    std::vector<double> ones(static_cast<size_t>(kernels.window), 1.0);
    std::vector<double> twoPiTime(n), nearWeight(n, 1.0), farWeight(n, 0.0);
    std::vector<int32_t> columns(n, 0);
    RungTerms rung{frequency, phase, {ones.data()}, {ones.data()},
                   {1.0},     {0.0}, 1.0,           0.0};
    for (int first = 0; first < 64; first += n) {
      for (int s = 0; s < n; ++s) {
        twoPiTime[s] = TwoPiTime(SampleTime(2645000 + 997 * (first + s)));
      }
      GroupLanes lanes{twoPiTime.data(),    {0, 0},
                       {columns.data()},    {columns.data()},
                       {nearWeight.data()}, {farWeight.data()}};
      std::vector<double> sums(n);
      double* out[2] = {sums.data(), nullptr};
      kernels.sumGroup[0](&rung, 1, lanes, out);
      for (int s = 0; s < n; ++s) {
        double argument = twoPiTime[s] * frequency + phase;
        EXPECT_LE(std::fabs(sums[s] - std::sin(argument)),
                  kKernelSineError + kLibrarySineError)
            << KernelSetName(set) << " lane " << first + s;
      }
    }
  }
}

}  // namespace
}  // namespace lumitone
