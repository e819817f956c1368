#include "synthesis/step_rotation.h"

#include <quadmath.h>

#include <cmath>

#include <gtest/gtest.h>

#include "synthesis/certified_bound.h"
#include "synthesis/phase_table.h"

namespace lumitone {
namespace {

// Every rung of the widest ladder (1 to 100000 Hz, 10000 steps an octave),
// for each vector width, against a 113-bit reference: each component within
// 0.6 u, well inside the 1.2 u the phasor's bound assumes.
TEST(StepRotationTest, EveryRungWithinItsBound) {
  const double twoPi = 2.0 * kPi;
  const double ratio = RungRatio(10000);
  double worst = 0;
  for (int samples : {1, 4, 8}) {
    FrequencyLadder(1, 100000, ratio, [&](double f) {
      StepRotation r = RotationFor(f, samples, twoPi);
      __float128 omega = static_cast<__float128>(twoPi) * f * samples / 44100;
      double cosError = static_cast<double>(fabsq(r.cos - cosq(omega)));
      double sinError = static_cast<double>(fabsq(r.sin - sinq(omega)));
      worst = std::max({worst, cosError, sinError});
      ASSERT_LE(cosError, 0.6 * kUnitRoundoff) << f << " " << samples;
      ASSERT_LE(sinError, 0.6 * kUnitRoundoff) << f << " " << samples;
    });
  }
  RecordProperty("worst_error_in_u", std::to_string(worst / kUnitRoundoff));
}

}  // namespace
}  // namespace lumitone
