#include "synthesis/generate_samples.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "synthesis/certified_pass.h"
#include "synthesis/exact_synthesis.h"
#include "synthesis/kernel_choice.h"
#include "synthesis/plain_samples.h"
#include "synthesis/sample_brightness.h"
#include "synthesis/sampler_mapping.h"
#include "tests/synthesis_fixture.h"
#include "tests/test_pictures.h"
#include "wav/wav_writer.h"

namespace lumitone {
namespace {

RunSettings Settings(int channels, int32_t samples, int steps, int low,
                     int high) {
  RunSettings settings;
  settings.inputPaths = {"left"};
  if (channels == 2) settings.inputPaths.push_back("right");
  settings.durationSeconds = (samples + 0.5) / kSampleRate;
  settings.stepsPerOctave = steps;
  settings.lowFrequency = low;
  settings.highFrequency = high;
  return settings;
}

// The 16-bit values the writer would store, and the progress text.
struct Sound {
  std::vector<int32_t> values;
  std::string progress;
};

Sound Quantized(const SampleBuffer& left, const SampleBuffer& right,
                std::string progress) {
  Sound sound{{}, std::move(progress)};
  for (size_t j = 0; j < left.size(); ++j) {
    sound.values.push_back(WavSampleValue(left[j]));
    if (!right.empty()) sound.values.push_back(WavSampleValue(right[j]));
  }
  return sound;
}

// The plain loops followed by their normalisation.
Sound PlainSound(const RunSettings& settings, const RgbImage pictures[2]) {
  int32_t n = SampleCount(settings.durationSeconds);
  double ratio = RungRatio(settings.stepsPerOctave);
  PhaseTable phases = testing::FreshPhaseTable(settings, ratio);
  SampleBuffer left(n), right(settings.inputPaths.size() == 2 ? n : 0);
  std::ostringstream progress;
  GeneratePlainSamples(settings, pictures, phases, ratio, left, right, n,
                       progress);
  NormalizeExactSamples(left, right,
                        static_cast<int>(settings.inputPaths.size()), n, 1);
  return Quantized(left, right, progress.str());
}

struct CertifiedRun {
  Sound sound;
  CertifiedReport report;
};

CertifiedRun Certified(const RunSettings& settings, const RgbImage pictures[2],
                       const CertifiedOptions& options) {
  int32_t n = SampleCount(settings.durationSeconds);
  int channels = static_cast<int>(settings.inputPaths.size());
  double ratio = RungRatio(settings.stepsPerOctave);
  PhaseTable phases = testing::FreshPhaseTable(settings, ratio);
  SampleBuffer left(n), right(channels == 2 ? n : 0);
  std::ostringstream progress;
  SynthesisState state;
  EXPECT_TRUE(GenerateSamples(settings, pictures, phases, ratio, left, right, n,
                              progress, state, options));
  NormalizeSamples(left, right, channels, n, state);
  return {Quantized(left, right, progress.str()), state.report};
}

struct Setting {
  const char* name;
  int32_t samples, steps, low, high;
};

void PrintTo(const Setting& setting, std::ostream* out) {
  *out << setting.name;
}

class CertifiedCheckTest : public ::testing::TestWithParam<Setting> {};

// Every value within its bound and every 16-bit value the plain loops',
// over pictures from one pixel to hundreds of columns, mono and stereo
// (pairs of different widths, a picture with itself), on every kernel set
// and on one and three threads.
TEST_P(CertifiedCheckTest, EveryValueWithinItsBoundAndEqual) {
  const Setting& sc = GetParam();
  std::vector<RgbImage> pictures;
  pictures.push_back(testing::NoisePicture(1, 1, 1));
  pictures.push_back(testing::NoisePicture(9, 1, 2));
  pictures.push_back(testing::NoisePicture(2, 2, 3));
  pictures.push_back(testing::NoisePicture(37, 23, 4));
  pictures.push_back(testing::SparsePicture(50, 40, 5, /*brightPixels=*/12));
  pictures.push_back(testing::NoisePicture(640, 48, 6));
  pictures.push_back(testing::UniformPicture(30, 40, 255));
  pictures.push_back(testing::UniformPicture(5, 5, 0));
  pictures.push_back(testing::SparsePicture(64, 480, 7, /*brightPixels=*/1));
  struct Channels {
    int left, right;  // indices into `pictures`; right -1 for mono
  } channelCases[] = {{0, -1}, {1, -1}, {3, -1}, {4, -1}, {5, -1}, {6, -1},
                      {7, -1}, {8, -1}, {3, 2},  {5, 4},  {6, 6},  {7, 1}};
  double largestRatio = 0;
  for (const Channels& ch : channelCases) {
    RunSettings settings =
        Settings(ch.right >= 0 ? 2 : 1, sc.samples, sc.steps, sc.low, sc.high);
    RgbImage inputs[2] = {
        testing::CopyPicture(pictures[ch.left]),
        ch.right >= 0 ? testing::CopyPicture(pictures[ch.right]) : RgbImage()};
    Sound plain = PlainSound(settings, inputs);
    for (KernelSet set : RunnableKernelSets()) {
      for (SineMethod sines :
           {SineMethod::kPolynomial, SineMethod::kRotation}) {
        for (int threads : {1, 3}) {
          CertifiedOptions options{.threads = threads,
                                   .kernels = CertifiedKernelsFor(set),
                                   .check = true,
                                   .sines = sines};
          CertifiedRun run = Certified(settings, inputs, options);
          std::string where =
              "pictures " + std::to_string(ch.left) + "," +
              std::to_string(ch.right) + " " + KernelSetName(set) +
              (sines == SineMethod::kRotation ? " rotated" : " polynomial") +
              " threads " + std::to_string(threads);
          EXPECT_EQ(run.report.boundViolations, 0) << where;
          EXPECT_LT(run.report.largestErrorRatio, 1.0) << where;
          EXPECT_EQ(run.report.mismatches, 0) << where;
          EXPECT_EQ(run.sound.values, plain.values) << where;
          EXPECT_EQ(run.sound.progress, plain.progress) << where;
          largestRatio = std::max(largestRatio, run.report.largestErrorRatio);
        }
      }
    }
  }
  RecordProperty("largest_error_ratio", std::to_string(largestRatio));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, CertifiedCheckTest,
    ::testing::Values(Setting{"Defaults", 1237, 24, 1000, 20000},
                      Setting{"ShortestDuration", 44, 24, 1000, 20000},
                      Setting{"OneStepWholeRange", 2049, 1, 1, 100000},
                      Setting{"ThousandsOfRungs", 300, 200, 20, 90000},
                      Setting{"OneRung", 4000, 7, 1000, 1001}),
    [](const ::testing::TestParamInfo<Setting>& info) {
      return std::string(info.param.name);
    });

// Each way out to the exact engine gives the same sound and the same text.
TEST(CertifiedSynthesisTest, FallbacksAreInvisible) {
  RgbImage pictures[2] = {testing::NoisePicture(37, 23, 8),
                          testing::NoisePicture(9, 1, 9)};
  RunSettings settings = Settings(2, 1500, 24, 1000, 20000);
  Sound plain = PlainSound(settings, pictures);
  // The widest set this CPU runs, even where the program would leave the
  // portable set to the exact engine.
  const CertifiedKernels* kernels =
      CertifiedKernelsFor(RunnableKernelSets().back());
  struct Case {
    const char* name;
    CertifiedOptions options;
    const char* fallback;
  } cases[] = {
      {"any candidate is one too many",
       {.kernels = kernels, .candidateLimit = 0},
       "too many peak candidates"},
      {"a canary outside its bound",
       {.kernels = kernels, .canaryBoundScale = 0.0},
       "a canary value outside its bound"},
      {"the exact engine asked for",
       {.exactEngine = true},
       "the exact engine asked for"},
  };
  for (const Case& c : cases) {
    CertifiedRun run = Certified(settings, pictures, c.options);
    ASSERT_NE(run.report.fallback, nullptr) << c.name;
    EXPECT_STREQ(run.report.fallback, c.fallback) << c.name;
    EXPECT_EQ(run.sound.values, plain.values) << c.name;
    EXPECT_EQ(run.sound.progress, plain.progress) << c.name;
  }
}

// The rotated sines' bound grows with the argument: it must still hold at
// the largest arguments the command line allows (60 s, rungs up to 65536 Hz).
TEST(CertifiedSynthesisTest, RotatedBoundHoldsAtTheLargestArguments) {
  RgbImage pictures[2] = {testing::NoisePicture(5, 5, 12), RgbImage()};
  RunSettings settings = Settings(1, SampleCount(60.0) - 1, 1, 1, 100000);
  for (KernelSet set : RunnableKernelSets()) {
    CertifiedRun run = Certified(settings, pictures,
                                 {.kernels = CertifiedKernelsFor(set),
                                  .check = true,
                                  .sines = SineMethod::kRotation});
    EXPECT_TRUE(run.report.rotated) << KernelSetName(set);
    EXPECT_EQ(run.report.boundViolations, 0) << KernelSetName(set);
    EXPECT_LT(run.report.largestErrorRatio, 1.0) << KernelSetName(set);
    EXPECT_EQ(run.report.mismatches, 0) << KernelSetName(set);
  }
}

// A picture black wherever it is read is proven silent without a peak.
TEST(CertifiedSynthesisTest, BlackPictureIsSilent) {
  RgbImage pictures[2] = {testing::UniformPicture(40, 30, 0), RgbImage()};
  RunSettings settings = Settings(1, 3000, 24, 1000, 20000);
  CertifiedRun run =
      Certified(settings, pictures,
                {.kernels = CertifiedKernelsFor(RunnableKernelSets().back())});
  EXPECT_TRUE(run.report.silent);
  EXPECT_EQ(run.sound.values, std::vector<int32_t>(3000, 0));
}

// The approximate brightness ax0 * Lv(x0) + ax1 * Lv(x1), from the plan's
// luminance rows, lies within 16 u of the sampler's on every kind of
// picture (random, 2 x 2, one column, uniform 255).
TEST(CertifiedSynthesisTest, BrightnessWithinItsBound) {
  RgbImage pictures[] = {
      testing::NoisePicture(640, 480, 10), testing::NoisePicture(2, 2, 11),
      testing::NoisePicture(1, 9, 12), testing::UniformPicture(30, 40, 255)};
  const CertifiedKernels& kernels = ScalarCertifiedKernels();
  uint32_t state = 99;
  for (const RgbImage& picture : pictures) {
    RunSettings settings = Settings(1, 441000, 100, 20, 20000);
    RgbImage inputs[2] = {testing::CopyPicture(picture), RgbImage()};
    double ratio = RungRatio(settings.stepsPerOctave);
    PhaseTable phases = testing::FreshPhaseTable(settings, ratio);
    CertifiedPlan plan;
    ASSERT_EQ(
        MakeCertifiedPlan(settings, inputs, phases, ratio, kernels, 1, plan),
        nullptr);
    for (int point = 0; point < 20000; ++point) {
      state = state * 1664525u + 1013904223u;
      int32_t j = static_cast<int32_t>(state % 441000);
      size_t i = (state >> 8) % plan.rungs.size();
      const RungTerms& rung = plan.rungs[i];
      double t = SampleTime(j);
      AxisPosition x = ColumnAt(t, settings.durationSeconds, picture.Width());
      auto lv = [&](int column) {
        return WeightedLuminance(rung.c0[0], rung.row0[0][column], rung.c1[0],
                                 rung.row1[0][column]);
      };
      long double approximate =
          static_cast<long double>(x.nearWeight) * lv(x.near) +
          static_cast<long double>(x.farWeight) * lv(x.far);
      double exact = SampleBrightness(inputs[0], t, rung.frequency, settings);
      EXPECT_LE(std::fabs(exact - approximate),
                16 * 0x1p-53L * approximate * (1 + 1e-6L))
          << picture.Width() << "x" << picture.Height() << " sample " << j
          << " rung " << i;
    }
  }
}

}  // namespace
}  // namespace lumitone
