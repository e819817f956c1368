#include "synthesis/phase_table.h"

#include <cmath>

#include <gtest/gtest.h>

namespace lumitone {
namespace {

TEST(FrequencyLadderTest, ReferenceRungCounts) {
  struct Case {
    int32_t low, high, steps;
    size_t rungs;
    double highest;  // to within 0.01 Hz
  } cases[] = {
      {1000, 20000, 24, 104, 19584.86},
      {1, 100000, 1, 17, 65536},
      {1000, 2000, 1, 1, 1000},
      {100, 200, 12, 12, 188.77},
      {1, 100000, 10000, 166097, 99997.19},
      {1000, 1001, 24, 1, 1000},
  };
  for (const Case& c : cases) {
    double ratio = RungRatio(c.steps);
    std::vector<double> f = LadderFrequencies(c.low, c.high, ratio);
    ASSERT_EQ(f.size(), c.rungs) << c.low << "-" << c.high << "/" << c.steps;
    EXPECT_EQ(f.front(), c.low);
    EXPECT_NEAR(f.back(), c.highest, 0.01);
    EXPECT_LT(f.back(), c.high);
    EXPECT_GE(f.back() * ratio, c.high);
  }
}

TEST(FrequencyLadderTest, BuiltByRepeatedMultiplication) {
  // The value after the twelfth rung of 100 to 200 Hz is just above the
  // bound; it would be just below it computed any other way.
  double ratio = RungRatio(12);
  EXPECT_EQ(ratio, std::pow(2.0, 1.0 / 12));
  std::vector<double> f = LadderFrequencies(100, 200, ratio);
  double next = f.back() * ratio;
  EXPECT_EQ(next, 200.00000000000014);
  double product = 100.0;
  for (size_t i = 0; i < f.size(); ++i, product *= ratio)
    EXPECT_EQ(f[i], product);
}

TEST(PhaseRandomTest, SequenceFromStateOne) {
  uint32_t state = 1;
  EXPECT_EQ(PhaseRandomStep(state), 41);
  EXPECT_EQ(PhaseRandomStep(state), 18467);
  EXPECT_EQ(PhaseRandomStep(state), 6334);
  EXPECT_EQ(PhaseRandomStep(state), 26500);
  // The state wraps modulo 2^32 and only 15 bits are returned.
  state = 0xFFFFFFFFu;
  int value = PhaseRandomStep(state);
  EXPECT_EQ(state, 0xFFFFFFFFu * 214013u + 2531011u);
  EXPECT_EQ(value, static_cast<int>((state >> 16) & 0x7FFF));
}

TEST(PhaseTableTest, OnePhasePerRungOnTheGrid) {
  RunSettings settings;
  double ratio = RungRatio(settings.stepsPerOctave);
  // This test binary draws from the process-wide generator only here.
  PhaseTable phases = BuildPhaseTable(settings, ratio);
  ASSERT_EQ(phases.size(), 104u);
  const double twoPi = 2.0 * kPi;
  EXPECT_EQ(phases[0], 41.0 * twoPi / 10000.0);
  EXPECT_EQ(phases[1], 8467.0 * twoPi / 10000.0);
  EXPECT_EQ(phases[2], 6334.0 * twoPi / 10000.0);
  uint32_t state = 1;
  for (double phase : phases) {
    EXPECT_EQ(phase, (PhaseRandomStep(state) % 10000) * twoPi / 10000.0);
    EXPECT_GE(phase, 0.0);
    EXPECT_LT(phase, twoPi);
  }
  EXPECT_EQ(kPi, 3.141592653589793);
  // A generator of the caller's own, from the same start, draws the same
  // phases and leaves the process-wide one where it was.
  uint32_t own = kPhaseRandomStart;
  EXPECT_EQ(BuildPhaseTable(settings, ratio, own), phases);
  EXPECT_EQ(own, state);
  EXPECT_EQ(PhaseRandom(), PhaseRandomStep(state));
}

}  // namespace
}  // namespace lumitone
