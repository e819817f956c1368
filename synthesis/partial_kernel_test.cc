#include "synthesis/partial_kernel.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "synthesis/kernel_choice.h"

namespace lumitone {
namespace {

// Every kernel against the scalar one, bit for bit, on counts around the
// vector width and on weights at the ends of their range.
TEST(PartialKernelTest, EveryKernelGivesTheScalarBits) {
  struct Kernel {
    const char* name;
    AccumulateTermsFn fn;
  };
  std::vector<Kernel> kernels;
  for (KernelSet set : RunnableKernelSets()) {
    kernels.push_back({KernelSetName(set), AccumulateTermsFor(set)});
  }
  kernels.push_back({"best", BestAccumulateTerms()});
  uint32_t state = 7;
  auto uniform = [&] {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) / 16777216.0;
  };
  for (const Kernel& kernel : kernels) {
    for (int count = 0; count <= 19; ++count) {
      NeighbourPixels pixels;
      for (auto& channel : pixels.value) {
        for (double& v : channel) v = static_cast<int>(uniform() * 256);
      }
      double dy = count == 3 ? 0.0 : uniform();
      std::vector<double> ax0(count), ax1(count), sines(count), sums(count);
      for (int s = 0; s < count; ++s) {
        double dx = s == 1 ? 0.0 : uniform();
        ax0[s] = 1 - dx;
        ax1[s] = dx;
        sines[s] = 2 * uniform() - 1;
        sums[s] = 1000 * (uniform() - 0.5);
      }
      std::vector<double> expected = sums, actual = sums;
      AccumulateTermsScalar(pixels, 1 - dy, dy, ax0.data(), ax1.data(),
                            sines.data(), expected.data(), count);
      kernel.fn(pixels, 1 - dy, dy, ax0.data(), ax1.data(), sines.data(),
                actual.data(), count);
      EXPECT_TRUE(count == 0 || std::memcmp(expected.data(), actual.data(),
                                            count * sizeof(double)) == 0)
          << kernel.name << " count " << count;
    }
  }
}

}  // namespace
}  // namespace lumitone
