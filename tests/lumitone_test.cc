// End-to-end runs of the lumitone binary: exact standard output, standard
// error, exit status and output file bytes.
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "picture/rgb_image.h"
#include "synthesis/exact_synthesis.h"
#include "synthesis/phase_table.h"
#include "synthesis/plain_samples.h"
#include "tests/jpeg_fixture.h"
#include "tests/program_run.h"
#include "tests/synthesis_fixture.h"
#include "tests/temp_files.h"
#include "tests/test_pictures.h"
#include "wav/wav_writer.h"

namespace lumitone {
namespace {

using testing::NoisePixels;
using testing::ProgramResult;
using testing::ProgressText;
using testing::ReadFileBytes;
using testing::RunLumitone;
using testing::TempDir;
using testing::WriteJpeg;

const std::string kHint =
    "To see a usage message at any time, type the program name with no "
    "parameters.\n";

std::string SuccessOutput(int channels, int32_t n) {
  std::string out;
  for (int k = 0; k < channels; ++k) out += "Loading JPEG file.\n";
  return out + "Generating samples.\n" + ProgressText(n) +
         "Normalizing samples.\nWriting output file.\n";
}

// The file the converter must write, computed in this process from the
// plain loops with phases from a fresh generator.
std::vector<uint8_t> ExpectedWav(const RunSettings& settings) {
  RgbImage pictures[2];
  for (size_t k = 0; k < settings.inputPaths.size(); ++k) {
    EXPECT_TRUE(pictures[k].LoadJpeg(settings.inputPaths[k]));
  }
  int channels = static_cast<int>(settings.inputPaths.size());
  int32_t n = SampleCount(settings.durationSeconds);
  double ratio = RungRatio(settings.stepsPerOctave);
  PhaseTable phases = testing::FreshPhaseTable(settings, ratio);
  SampleBuffer left(n, 0.0), right(channels == 2 ? n : 0, 0.0);
  std::ostringstream ignored;
  GeneratePlainSamples(settings, pictures, phases, ratio, left, right, n,
                       ignored);
  NormalizeExactSamples(left, right, channels, n);
  return testing::BytesWrittenBy([&](FILE* file) {
    EXPECT_TRUE(WriteWav(file, left, right, channels, n));
  });
}

class LumitoneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteJpeg(Path("a.jpg"), 32, 24, 3, NoisePixels(32, 24, 3, 1));
    WriteJpeg(Path("b.jpg"), 9, 40, 3, NoisePixels(9, 40, 3, 2),
              {.progressive = true});
    WriteJpeg(Path("grey.jpg"), 8, 8, 1, NoisePixels(8, 8, 1, 3));
    WriteJpeg(Path("black.jpg"), 16, 16, 3,
              std::vector<uint8_t>(16 * 16 * 3, 0));
  }
  std::string Path(const std::string& name) const { return dir_.Path(name); }

  TempDir dir_;
};

TEST_F(LumitoneTest, NoArgumentsPrintsTheUsage) {
  const std::string usage =
      "\nUsage: " + std::string(testing::LumitoneBinary()) +
      "\n"
      "-i1:<jpeg filename> -o:<output wav> -d:<duration>\n"
      " - OR -\n"
      "-i1:<jpeg filename 1> -i2:<jpeg filename 2> -o:<output wav> "
      "-d:<duration>\n\n"
      "Additional optional parameters are:\n"
      "[ -s:<steps per octave> ] [ -f:<low-high> ]\n\n"
      "<input jpeg>: JPEG file to read. Gives mono WAV output.\n"
      "specify -i1 alone for mono output; -i1 and -i2 for stereo output.\n\n"
      "<output wav>: WAV file to be created from image(s).\n\n"
      "<duration>: duration of output file in seconds. Floating point value.\n"
      " Valid: 0.001 to 60.\n\n"
      "<low-high>: range of frequencies (integers) to output.\n"
      " Valid: 1 to 100000. Default: 1000 to 20000).\n\n"
      "<steps per octave>: frequencies used per octave.\n"
      " Valid: 1 to 10000. Default: 24.\n"
      "\n";
  ProgramResult r = RunLumitone({});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, usage + kHint);
  EXPECT_EQ(r.status, 255);
}

TEST_F(LumitoneTest, FailuresBeforeSynthesis) {
  std::string a = Path("a.jpg"), grey = Path("grey.jpg"), out = Path("out.wav");
  struct Case {
    std::vector<std::string> words;
    std::string out, err;
  } cases[] = {
      {{"stray.jpg"}, "", "You didn't specify an input file 1.\n" + kHint},
      {{"-i1:" + a, "-o:" + out, "-d:0"},
       "",
       "Please specify a longer duration. Minimum is 0.001.\n" + kHint},
      {{"-i1:", "-o:" + out, "-d:1"},
       "",
       "Specified input file '' not found.\n"},
      {{"-i1:" + Path("nope.jpg"), "-o:" + out, "-d:1"},
       "",
       "Specified input file '" + Path("nope.jpg") + "' not found.\n"},
      {{"-i1:" + a, "-i2:" + Path("nope.jpg"), "-o:" + out, "-d:1"},
       "Loading JPEG file.\n",
       "Specified input file '" + Path("nope.jpg") + "' not found.\n"},
      {{"-i1:" + dir_.path(), "-o:" + out, "-d:1"},
       "Loading JPEG file.\n",
       "Failed to read params from JPEG file.\nFailed to load '" + dir_.path() +
           "'.\n"},
      {{"-i1:" + a, "-i2:" + grey, "-o:" + out, "-d:1"},
       "Loading JPEG file.\nLoading JPEG file.\n",
       "JPEG file has 1. It should have 3.\nFailed to load '" + grey + "'.\n"},
  };
  for (const Case& c : cases) {
    ProgramResult r = RunLumitone(c.words);
    EXPECT_EQ(r.out, c.out) << c.words[0];
    EXPECT_EQ(r.err, c.err) << c.words[0];
    EXPECT_EQ(r.status, 255) << c.words[0];
    struct stat info;
    EXPECT_NE(::stat(out.c_str(), &info), 0) << c.words[0];
  }
}

TEST_F(LumitoneTest, DiagnosticsFollowWhatTheStandardOutputReceived) {
  ProgramResult r =
      RunLumitone({"-i1:" + Path("a.jpg"), "-i2:" + Path("grey.jpg"),
                   "-o:" + Path("x.wav"), "-d:1"},
                  {.sameStream = true});
  EXPECT_EQ(r.out,
            "Loading JPEG file.\nLoading JPEG file.\nJPEG file has 1. It "
            "should have 3.\n"
            "Failed to load '" +
                Path("grey.jpg") + "'.\n");
  r = RunLumitone(
      {"-i1:" + Path("a.jpg"), "-o:" + Path("no/such/dir.wav"), "-d:0.001"},
      {.sameStream = true});
  EXPECT_EQ(
      r.out,
      SuccessOutput(1, 44).substr(0, SuccessOutput(1, 44).rfind("Writing")) +
          "Could not create output file '" + Path("no/such/dir.wav") + ".\n");
  EXPECT_EQ(r.status, 255);
}

TEST_F(LumitoneTest, WritesTheExpectedFiles) {
  struct Case {
    std::vector<std::string> inputs;
    double duration;
    int32_t steps;      // 0: no -s: word, the default
    int32_t low, high;  // 0: no -f: word, the default range
  } cases[] = {
      {{"a.jpg"}, 0.05, 0, 0, 0},
      {{"a.jpg"}, 0.001, 1, 1, 100000},
      {{"a.jpg", "b.jpg"}, 0.03, 7, 20, 90000},
      {{"b.jpg", "black.jpg"}, 0.0227, 0, 0, 0},
  };
  for (const Case& c : cases) {
    RunSettings settings;
    settings.durationSeconds = c.duration;
    for (const std::string& input : c.inputs)
      settings.inputPaths.push_back(Path(input));
    std::vector<std::string> words = {"-o:" + Path("out.wav"),
                                      "-d:" + std::to_string(c.duration),
                                      "-i1:" + settings.inputPaths[0]};
    if (c.inputs.size() == 2) words.push_back("-i2:" + settings.inputPaths[1]);
    if (c.steps != 0) {
      settings.stepsPerOctave = c.steps;
      words.push_back("-s:" + std::to_string(c.steps));
    }
    if (c.low != 0) {
      settings.lowFrequency = c.low;
      settings.highFrequency = c.high;
      words.push_back("-f:" + std::to_string(c.low) + "-" +
                      std::to_string(c.high));
    }
    ProgramResult r = RunLumitone(words);
    int32_t n = SampleCount(c.duration);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, SuccessOutput(static_cast<int>(c.inputs.size()), n));
    std::vector<uint8_t> written = ReadFileBytes(Path("out.wav"));
    EXPECT_EQ(written.size(), 44 + 2 * c.inputs.size() * n);
    EXPECT_TRUE(written == ExpectedWav(settings))
        << c.inputs[0] << " " << c.duration;
  }
}

TEST_F(LumitoneTest, BlackPictureGivesASilentFile) {
  ProgramResult r = RunLumitone(
      {"-i1:" + Path("black.jpg"), "-o:" + Path("s.wav"), "-d:0.01"});
  EXPECT_EQ(r.status, 0);
  std::vector<uint8_t> written = ReadFileBytes(Path("s.wav"));
  ASSERT_EQ(written.size(), 44u + 882u);
  for (size_t i = 44; i < written.size(); ++i) ASSERT_EQ(written[i], 0) << i;
}

TEST_F(LumitoneTest, OutputThatCannotBeWritten) {
  ProgramResult r =
      RunLumitone({"-i1:" + Path("a.jpg"), "-o:/dev/full", "-d:0.01"});
  EXPECT_EQ(r.err, "Could not write output file '/dev/full'.\n");
  EXPECT_EQ(r.out, SuccessOutput(1, 441));
  EXPECT_EQ(r.status, 255);

  r = RunLumitone({"-i1:" + Path("a.jpg"), "-o:" + dir_.path(), "-d:0.01"});
  EXPECT_EQ(r.err, "Could not create output file '" + dir_.path() + ".\n");
  EXPECT_EQ(r.status, 255);
}

}  // namespace
}  // namespace lumitone
