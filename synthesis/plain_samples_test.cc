#include "synthesis/plain_samples.h"

#include <cmath>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "synthesis/exact_synthesis.h"
#include "synthesis/sample_brightness.h"
#include "tests/synthesis_fixture.h"
#include "tests/test_pictures.h"

namespace lumitone {
namespace {

struct Generated {
  SampleBuffer left, right;
  std::string progress;
};

Generated Generate(const RunSettings& settings, const RgbImage pictures[2]) {
  int32_t n = SampleCount(settings.durationSeconds);
  double ratio = RungRatio(settings.stepsPerOctave);
  Generated run;
  run.left.assign(n, 0.0);
  if (settings.inputPaths.size() == 2) run.right.assign(n, 0.0);
  std::ostringstream progress;
  GeneratePlainSamples(settings, pictures,
                       testing::FreshPhaseTable(settings, ratio), ratio,
                       run.left, run.right, n, progress);
  run.progress = progress.str();
  return run;
}

TEST(SampleCountTest, FloorsTheDurationInSamples) {
  EXPECT_EQ(SampleCount(0.001), 44);
  EXPECT_EQ(SampleCount(2.0), 88200);
  EXPECT_EQ(SampleCount(2.2676), 100001);
  EXPECT_EQ(SampleCount(60.0), 2646000);
}

TEST(PlainSamplesTest, ProgressTextEveryHundredSamples) {
  RgbImage pictures[2] = {testing::UniformPicture(1, 1, 0), RgbImage()};
  struct Case {
    double duration;
    int count;         // texts written
    std::string last;  // the last text
  } cases[] = {
      {0.001, 1, "\r0% done."},
      {2.0, 882, "\r99% done."},
      {2.2676, 1001, "\r100% done."},
      {0.2245, 99, "\r98% done."},  // N = 9900
  };
  for (const Case& c : cases) {
    RunSettings settings;
    settings.inputPaths = {"a"};
    settings.durationSeconds = c.duration;
    settings.lowFrequency = 1000;
    settings.highFrequency = 1001;  // one rung keeps this quick
    Generated run = Generate(settings, pictures);
    int32_t n = SampleCount(c.duration);
    EXPECT_EQ(run.progress, testing::ProgressText(n)) << c.duration;
    EXPECT_EQ(run.progress.substr(run.progress.rfind('\r')), c.last)
        << c.duration;
    size_t texts = 0;
    for (char ch : run.progress) texts += ch == '\r';
    EXPECT_EQ(texts, static_cast<size_t>(c.count)) << c.duration;
  }
}

TEST(PlainSamplesTest, SumsEveryRungInLadderOrder) {
  // A uniform picture has one brightness B everywhere, so sample j is the
  // ladder sum of sin(2*pi*t*f + phase) * B.
  RgbImage pictures[2] = {testing::UniformPicture(3, 2, 200), RgbImage()};
  RunSettings settings;
  settings.inputPaths = {"a"};
  settings.durationSeconds = 0.01;
  Generated run = Generate(settings, pictures);
  double ratio = RungRatio(24);
  PhaseTable phases = testing::FreshPhaseTable(settings, ratio);
  ASSERT_EQ(run.left.size(), 441u);
  EXPECT_TRUE(run.right.empty());
  for (size_t j : {size_t{0}, size_t{1}, size_t{100}, size_t{440}}) {
    double t = j / 44100.0, sum = 0.0;
    size_t i = 0;
    FrequencyLadder(1000, 20000, ratio, [&](double f) {
      double b = SampleBrightness(pictures[0], t, f, settings);
      sum = std::sin(((2.0 * kPi) * t) * f + phases[i++]) * b + sum;
    });
    EXPECT_EQ(run.left[j], sum) << j;
  }
  double expected0 = 0.0;
  for (double phase : phases) expected0 += std::sin(phase) * 200.0;
  EXPECT_NEAR(run.left[0], expected0, 1e-9);
}

TEST(PlainSamplesTest, StereoChannelsFollowTheirOwnPictures) {
  RgbImage pictures[2] = {testing::UniformPicture(5, 4, 0),
                          testing::UniformPicture(2, 9, 255)};
  RunSettings settings;
  settings.inputPaths = {"a", "b"};
  settings.durationSeconds = 0.005;
  Generated run = Generate(settings, pictures);
  ASSERT_EQ(run.right.size(), run.left.size());
  for (double s : run.left) EXPECT_EQ(s, 0.0);
  NormalizeExactSamples(run.left, run.right, 2,
                        static_cast<int32_t>(run.left.size()));
  double peak = 0.0;
  for (double s : run.right) peak = std::max(peak, std::fabs(s));
  EXPECT_EQ(peak, 1.0);
  for (double s : run.left) EXPECT_EQ(s, 0.0);
}

}  // namespace
}  // namespace lumitone
