#include "synthesis/certified_pass.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "synthesis/kernel_choice.h"
#include "tests/synthesis_fixture.h"
#include "tests/test_pictures.h"

namespace lumitone {
namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The doubles the pass hands its kernels are the plain loops' own, bit for
// bit: written out here from the sampler's formulas, not from the code's
// shared mapping, so that a change there (a product with 1/44100, say, or
// a reordered squeeze) fails.
TEST(CertifiedPassTest, SetupIsThePlainLoopsArithmetic) {
  struct Case {
    double seconds;
    int width;
    int32_t first, count;
  } cases[] = {
      {0.001, 640, 0, 44}, {10, 640, 123456, 2048}, {60, 16384, 2645000, 1000},
      {2.2676, 1, 0, 777}, {0.37, 2, 3000, 13},     {59.99, 37, 2600000, 2048},
  };
  for (KernelSet set : RunnableKernelSets()) {
    const CertifiedKernels& kernels = *CertifiedKernelsFor(set);
    for (const Case& c : cases) {
      RunSettings settings;
      settings.inputPaths = {"left"};
      settings.durationSeconds = c.seconds;
      RgbImage pictures[2] = {testing::UniformPicture(c.width, 3, 0),
                              RgbImage()};
      double ratio = RungRatio(settings.stepsPerOctave);
      PhaseTable phases = testing::FreshPhaseTable(settings, ratio);
      CertifiedPlan plan;
      if (MakeCertifiedPlan(settings, pictures, phases, ratio, kernels, 1,
                            plan) != nullptr) {
        continue;  // columns too short for this set: the exact engine runs
      }
      PassScratch scratch = MakePassScratch(plan, c.count);
      std::vector<double> values(c.first + c.count), bounds(values.size());
      double* v[2] = {values.data(), nullptr};
      double* b[2] = {bounds.data(), nullptr};
      BoundExtremes extremes;
      CertifiedBlock(plan, c.first, c.first + c.count, scratch, v, b, extremes);
      for (int s = 0; s < c.count; ++s) {
        double t = (c.first + s) / 44100.0;
        double u = t / c.seconds;
        u = 0.999 * u + 0.0005;
        double fx = static_cast<double>(c.width - 1) * u;
        int x0 = static_cast<int>(std::floor(fx));
        double dx = fx - x0;
        ASSERT_TRUE(SameBits(scratch.twoPiTime[s], (2.0 * kPi) * t)) << s;
        ASSERT_EQ(scratch.near[0][s], x0) << s;
        ASSERT_EQ(scratch.far[0][s], std::min(x0 + 1, c.width - 1)) << s;
        ASSERT_TRUE(SameBits(scratch.nearWeight[0][s], 1 - dx)) << s;
        ASSERT_TRUE(SameBits(scratch.farWeight[0][s], dx)) << s;
      }
    }
  }
}

// Each rung's rows and vertical weights are the sampler's.
TEST(CertifiedPassTest, RungRowsAreTheSamplers) {
  for (int height : {1, 2, 480, 16384}) {
    RunSettings settings;
    settings.inputPaths = {"left"};
    settings.durationSeconds = 1;
    settings.stepsPerOctave = 100;
    settings.lowFrequency = 20;
    settings.highFrequency = 90000;
    RgbImage pictures[2] = {testing::UniformPicture(3, height, 7), RgbImage()};
    double ratio = RungRatio(settings.stepsPerOctave);
    PhaseTable phases = testing::FreshPhaseTable(settings, ratio);
    CertifiedPlan plan;
    ASSERT_EQ(MakeCertifiedPlan(settings, pictures, phases, ratio,
                                ScalarCertifiedKernels(), 1, plan),
              nullptr);
    for (const RungTerms& rung : plan.rungs) {
      double v = (rung.frequency - 20) / static_cast<double>(90000 - 20);
      v = 0.999 * v + 0.0005;
      v = 1.0 - v;
      double fy = static_cast<double>(height - 1) * v;
      int y0 = static_cast<int>(std::floor(fy));
      double dy = fy - y0;
      ASSERT_TRUE(SameBits(rung.c0[0], 1 - dy)) << height;
      ASSERT_TRUE(SameBits(rung.c1[0], dy)) << height;
      // Every row of this uniform picture has the same luminance, so the
      // rows are told apart by where they lie in the plan's table.
      ASSERT_EQ(rung.row0[0] == rung.row1[0],
                std::min(y0 + 1, height - 1) == y0)
          << height;
      EXPECT_TRUE(SameBits(rung.row0[0][0], 0.3 * 7 + 0.5 * 7 + 0.2 * 7));
    }
  }
}

}  // namespace
}  // namespace lumitone
