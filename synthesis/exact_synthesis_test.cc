#include "synthesis/exact_synthesis.h"

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "synthesis/block_synthesis.h"
#include "synthesis/kernel_choice.h"
#include "synthesis/plain_samples.h"
#include "tests/synthesis_fixture.h"
#include "tests/test_pictures.h"

namespace lumitone {
namespace {

struct Output {
  SampleBuffer left, right;
  std::string progress;
};

// Runs the plain loops (threads == 0) or the fast synthesis.
Output Synthesize(const RunSettings& settings, const RgbImage pictures[2],
                  int threads, AccumulateTermsFn accumulate) {
  int32_t n = SampleCount(settings.durationSeconds);
  double ratio = RungRatio(settings.stepsPerOctave);
  PhaseTable phases = testing::FreshPhaseTable(settings, ratio);
  Output out;
  out.left.assign(n, 0.0);
  if (settings.inputPaths.size() == 2) out.right.assign(n, 0.0);
  std::ostringstream progress;
  if (threads == 0) {
    GeneratePlainSamples(settings, pictures, phases, ratio, out.left, out.right,
                         n, progress);
  } else {
    EXPECT_TRUE(GenerateExactSamples(
        settings, pictures, phases, ratio, out.left, out.right, n, progress,
        {.threads = threads, .accumulate = accumulate}));
  }
  out.progress = progress.str();
  return out;
}

bool SameBits(const SampleBuffer& a, const SampleBuffer& b) {
  return a.size() == b.size() &&
         (a.empty() ||
          std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

double DurationFor(int32_t samples) { return (samples + 0.5) / 44100.0; }

TEST(ExactSynthesisTest, SameBitsAsThePlainLoops) {
  std::vector<RgbImage> pictures;
  pictures.push_back(testing::NoisePicture(1, 1, 1));
  pictures.push_back(testing::NoisePicture(1, 7, 2));
  pictures.push_back(testing::NoisePicture(9, 1, 3));
  pictures.push_back(testing::NoisePicture(2, 2, 4));
  pictures.push_back(testing::NoisePicture(37, 23, 5));
  pictures.push_back(testing::SparsePicture(50, 40, 6, /*brightPixels=*/12));
  pictures.push_back(testing::NoisePicture(300, 200, 7));
  struct Channels {
    int left, right;  // indices into `pictures`; right -1 for mono
  } channelCases[] = {{0, -1}, {1, -1}, {2, -1}, {3, -1}, {4, -1},
                      {5, -1}, {4, 3},  {5, 0},  {2, 1},  {6, 5}};
  struct Settings {
    int32_t samples, steps, low, high;
  } settingCases[] = {
      {1237, 24, 1000,
       20000},                // the defaults; not a multiple of block or vector
      {44, 24, 1000, 20000},  // the shortest duration
      {2049, 1, 1, 100000},   // one step per octave over the whole range
      {44, 1000, 20, 90000},  // many rungs
      {kBlockSamples + 3, 7, 100, 101},
  };
  const AccumulateTermsFn kernels[] = {AccumulateTermsScalar,
                                       BestAccumulateTerms()};
  for (const Channels& ch : channelCases) {
    for (const Settings& sc : settingCases) {
      RunSettings settings;
      settings.inputPaths = {"left"};
      if (ch.right >= 0) settings.inputPaths.push_back("right");
      settings.durationSeconds = DurationFor(sc.samples);
      settings.stepsPerOctave = sc.steps;
      settings.lowFrequency = sc.low;
      settings.highFrequency = sc.high;
      RgbImage inputs[2] = {testing::CopyPicture(pictures[ch.left]),
                            ch.right >= 0
                                ? testing::CopyPicture(pictures[ch.right])
                                : RgbImage()};
      Output plain = Synthesize(settings, inputs, 0, nullptr);
      ASSERT_EQ(static_cast<int32_t>(plain.left.size()), sc.samples);
      for (AccumulateTermsFn kernel : kernels) {
        for (int threads = 1; threads <= 4; ++threads) {
          Output fast = Synthesize(settings, inputs, threads, kernel);
          std::string where =
              "pictures " + std::to_string(ch.left) + "," +
              std::to_string(ch.right) + " samples " +
              std::to_string(sc.samples) + " steps " +
              std::to_string(sc.steps) + " threads " + std::to_string(threads) +
              (kernel == AccumulateTermsScalar ? " scalar" : " best");
          EXPECT_TRUE(SameBits(fast.left, plain.left)) << where;
          EXPECT_TRUE(SameBits(fast.right, plain.right)) << where;
          EXPECT_EQ(fast.progress, plain.progress) << where;
        }
      }
    }
  }
}

TEST(ExactSynthesisTest, ProgressTextsMatchThePlainLoopsForLongRuns) {
  // Many blocks finishing out of order on several threads.
  RgbImage pictures[2] = {testing::NoisePicture(4, 4, 9), RgbImage()};
  for (int32_t samples : {100001, 88200, 9900, 512 * 7}) {
    RunSettings settings;
    settings.inputPaths = {"a"};
    settings.durationSeconds = DurationFor(samples);
    settings.lowFrequency = 1000;
    settings.highFrequency = 1001;
    Output plain = Synthesize(settings, pictures, 0, nullptr);
    Output fast = Synthesize(settings, pictures, 4, nullptr);
    EXPECT_EQ(fast.progress, plain.progress) << samples;
    EXPECT_TRUE(SameBits(fast.left, plain.left)) << samples;
  }
}

TEST(NormalizeExactSamplesTest, OneCommonPeak) {
  struct Case {
    SampleBuffer left, right;
    int channels;
    SampleBuffer expectedLeft, expectedRight;
  } cases[] = {
      {{0, 0, 0}, {}, 1, {0, 0, 0}, {}},
      {{1, -4, 2}, {}, 1, {0.25, -1, 0.5}, {}},
      {{1, -2}, {8, 4}, 2, {0.125, -0.25}, {1, 0.5}},
      {{0, 0}, {0, -0.5}, 2, {0, 0}, {0, -1}},
      {{3, -3}, {}, 1, {1, -1}, {}},
  };
  for (Case& c : cases) {
    NormalizeExactSamples(c.left, c.right, c.channels,
                          static_cast<int32_t>(c.left.size()));
    EXPECT_EQ(c.left, c.expectedLeft);
    EXPECT_EQ(c.right, c.expectedRight);
  }
}

TEST(NormalizeExactSamplesTest, EveryThreadCountFindsTheSamePeak) {
  SampleBuffer left(300001), right(300001);
  uint32_t state = 3;
  for (size_t j = 0; j < left.size(); ++j) {
    state = state * 1664525u + 1013904223u;
    left[j] = static_cast<int32_t>(state) / 1e6;
    right[j] = -left[j] * 0.75;
  }
  right[299999] = -5000.0;  // the one peak, in the right channel, last range
  SampleBuffer expectedLeft = left, expectedRight = right;
  for (size_t j = 0; j < left.size(); ++j) {
    expectedLeft[j] /= 5000.0;
    expectedRight[j] /= 5000.0;
  }
  for (int threads = 1; threads <= 4; ++threads) {
    SampleBuffer l = left, r = right;
    NormalizeExactSamples(l, r, 2, static_cast<int32_t>(l.size()), threads);
    EXPECT_TRUE(SameBits(l, expectedLeft)) << threads;
    EXPECT_TRUE(SameBits(r, expectedRight)) << threads;
  }
}

}  // namespace
}  // namespace lumitone
