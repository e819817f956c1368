// Hostile pictures and output faults. Every one must end with a diagnostic
// and status 255, leave no output file behind and never touch a picture; a
// run that hangs is cut off after a generous 20 seconds and fails.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "picture/rgb_image.h"
#include "tests/cerr_capture.h"
#include "tests/hostile_jpeg.h"
#include "tests/jpeg_fixture.h"
#include "tests/program_run.h"
#include "tests/temp_files.h"
#include "tests/test_pictures.h"

namespace lumitone {
namespace {

using testing::JpegBuilder;
using testing::PhotoPixels;
using testing::ProgramResult;
using testing::ReadFileBytes;
using testing::RunLumitone;
using testing::TempDir;
using testing::WriteFileBytes;
using testing::WriteJpeg;

const std::string kParams = "Failed to read params from JPEG file.\n";
const std::string kData = "Failed to read data from JPEG file.\n";
// A frame header of `components` components and the tables, no scan.
std::vector<uint8_t> FrameOnly(uint8_t sof, int width, int height,
                               int components, int precision = 8) {
  JpegBuilder jpeg;
  jpeg.Soi().Quantization().Frame(sof, width, height, components, precision);
  jpeg.OneCodeTable(0, 0, 0x00).OneCodeTable(1, 0, 0x00);
  jpeg.Scan({1}, 0, 63, 0, 0).Bits(0, 2).EndBits().Eoi();
  return jpeg.bytes();
}

bool Exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

std::vector<uint8_t> Cut(const std::vector<uint8_t>& bytes, size_t size) {
  return std::vector<uint8_t>(
      bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
}

class HostileInputTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.Path(name); }
  TempDir dir_;
};

TEST_F(HostileInputTest, RefusesHostilePictures) {
  std::vector<uint8_t> progressive4096 =
      testing::ProgressiveScans(4096, 4096, 0);
  struct Case {
    std::string name;
    std::vector<uint8_t> bytes;
    std::string err;
  } cases[] = {
      // Sizes that no data backs: refused before any memory is taken.
      {"65500x65500.jpg", testing::BaselineHeader(65500, 65500), kData},
      {"16385x16384.jpg", testing::BaselineHeader(16385, 16384), kData},
      {"16000x12000-no-data.jpg", testing::BaselineHeader(16000, 12000), kData},
      {"4000x3000-short-data.jpg", testing::BaselineHeader(4000, 3000, 30000),
       kData},
      {"progressive-cut.jpg", Cut(progressive4096, progressive4096.size() / 3),
       kData},
      {"progressive-65500.jpg",
       Cut(testing::ProgressiveScans(65500, 8, 0), 300), kData},
      // Scans without end, and scans that resend the coefficients over and
      // over; both are legal JPEG.
      {"2000-scans.jpg", testing::ProgressiveScans(16, 16, 2000), kData},
      {"501-scans.jpg", testing::ProgressiveScans(8, 8, 500, 1), kData},
      {"endless-passes.jpg", testing::ProgressiveScans(512, 512, 60), kData},
      // Coding processes and layouts the decoder does not take.
      {"12-bit.jpg", FrameOnly(0xC0, 16, 16, 3, 12), kParams},
      {"16-bit.jpg", FrameOnly(0xC1, 16, 16, 3, 16), kParams},
      {"lossless.jpg", FrameOnly(0xC3, 16, 16, 3), kParams},
      {"hierarchical.jpg", FrameOnly(0xC5, 16, 16, 3), kParams},
      {"arithmetic-frame.jpg", FrameOnly(0xC9, 16, 16, 3), kData},
      {"zero-width.jpg", FrameOnly(0xC0, 0, 16, 3), kParams},
      {"zero-height.jpg", FrameOnly(0xC0, 16, 0, 3), kParams},
      {"no-components.jpg", FrameOnly(0xC0, 16, 16, 0), kParams},
      {"2-components.jpg", FrameOnly(0xC0, 16, 16, 2),
       "JPEG file has 2. It should have 3.\n"},
      {"4-components.jpg", FrameOnly(0xC0, 16, 16, 4),
       "JPEG file has 4. It should have 3.\n"},
      {"only-soi.jpg", {0xFF, 0xD8}, kParams},
      {"soi-eoi.jpg", {0xFF, 0xD8, 0xFF, 0xD9}, kParams},
      {"one-byte.jpg", {0xFF}, kParams},
  };
  WriteJpeg(Path("arithmetic.jpg"), 16, 16, 3, PhotoPixels(16, 16, 3, 7),
            {.arithmetic = true});
  WriteJpeg(Path("cmyk.jpg"), 16, 16, 4, PhotoPixels(16, 16, 4, 7));
  std::string out = Path("out.wav");
  std::vector<std::pair<std::string, std::string>> runs = {
      {Path("arithmetic.jpg"), kData},
      {Path("cmyk.jpg"), "JPEG file has 4. It should have 3.\n"},
  };
  for (const Case& c : cases) {
    WriteFileBytes(Path(c.name), c.bytes);
    runs.push_back({Path(c.name), c.err});
  }
  for (const auto& [path, err] : runs) {
    ProgramResult r = RunLumitone({"-i1:" + path, "-o:" + out, "-d:0.01"});
    EXPECT_EQ(r.out, "Loading JPEG file.\n") << path;
    EXPECT_EQ(r.err, err + "Failed to load '" + path + "'.\n") << path;
    EXPECT_EQ(r.status, 255) << path;
    EXPECT_FALSE(Exists(out)) << path;
  }
}

TEST_F(HostileInputTest, RefusesWhatIsNotARegularFile) {
  // A pipe with no writer, a pipe whose writer never writes, endless
  // devices, and files that are mostly a hole of a gigabyte: none may hang.
  ASSERT_EQ(::mkfifo(Path("fifo.jpg").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(Path("held-fifo.jpg").c_str(), 0600), 0);
  int writer = ::open(Path("held-fifo.jpg").c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  WriteFileBytes(Path("hole.jpg"), {0xFF, 0xD8});
  std::vector<uint8_t> tail = testing::BaselineHeader(64, 64, 100);
  WriteFileBytes(Path("hole-after-data.jpg"), tail);
  for (const char* name : {"hole.jpg", "hole-after-data.jpg"}) {
    ASSERT_EQ(::truncate(Path(name).c_str(), off_t{1} << 30), 0);
  }
  struct Case {
    std::string path, err;
  } cases[] = {
      {Path("fifo.jpg"), kParams}, {Path("held-fifo.jpg"), kParams},
      {"/dev/zero", kParams},      {"/dev/urandom", kParams},
      {"/dev/null", kParams},      {dir_.path(), kParams},
      {Path("hole.jpg"), kParams}, {Path("hole-after-data.jpg"), kData},
  };
  for (const Case& c : cases) {
    ProgramResult r =
        RunLumitone({"-i1:" + c.path, "-o:" + Path("out.wav"), "-d:0.01"});
    EXPECT_EQ(r.err, c.err + "Failed to load '" + c.path + "'.\n") << c.path;
    EXPECT_EQ(r.status, 255) << c.path;
  }
  ::close(writer);
}

// Every prefix of a small picture, and the picture with each byte inverted
// in turn, decoded in this process: each is either a good picture or one of
// the decoder's diagnostics, never a crash or a sanitizer report. The
// variants go through the decoder's own reading of a path, from a file held
// in memory, so that the disk does not set the pace.
TEST_F(HostileInputTest, CutAndFlippedFilesEndWithADiagnostic) {
  const std::vector<std::string> diagnostics = {
      kParams, kData, "JPEG file has 1. It should have 3.\n",
      "JPEG file has 2. It should have 3.\n",
      "JPEG file has 4. It should have 3.\n"};
  struct Good {
    const char* name;
    std::vector<uint8_t> bytes;
  } goods[] = {
      {"baseline", testing::EncodeJpeg(40, 24, 3, PhotoPixels(40, 24, 3, 7))},
      {"progressive", testing::EncodeJpeg(24, 40, 3, PhotoPixels(24, 40, 3, 7),
                                          {.progressive = true})},
  };
  testing::MemoryFile file;
  testing::CerrCapture captured;
  for (const auto& [name, good] : goods) {
    std::vector<std::vector<uint8_t>> variants;
    for (size_t size = 0; size < good.size(); ++size)
      variants.push_back(Cut(good, size));
    for (size_t i = 0; i < good.size(); ++i) {
      variants.push_back(good);
      variants.back()[i] ^= 0xFF;
    }
    for (size_t v = 0; v < variants.size(); ++v) {
      file.Replace(variants[v]);
      RgbImage picture;
      bool ok = picture.LoadJpeg(file.path());
      std::string err = captured.Take();
      // Flips inside the data mostly still decode, into other pixels, which
      // no decoder can tell from the real ones; a cut file never does.
      bool cut = v < good.size();
      if (ok) {
        EXPECT_FALSE(cut) << name << " cut to " << v << " bytes";
        EXPECT_EQ(err, "") << name << " variant " << v;
        EXPECT_GT(picture.Width(), 0);
        EXPECT_NE(picture.Pixels(), nullptr);
      } else {
        EXPECT_NE(std::find(diagnostics.begin(), diagnostics.end(), err),
                  diagnostics.end())
            << name << " variant " << v << ": " << err;
        EXPECT_EQ(picture.Pixels(), nullptr);
      }
    }
  }
}

TEST_F(HostileInputTest, AcceptsALargeLegitimatePicture) {
  // 16000 x 12000 grey: every block is coded with the fewest bits there are,
  // so the file is small though the picture is not.
  std::vector<uint8_t> bytes = testing::BaselineHeader(16000, 12000, 2250000);
  bytes.insert(bytes.end(), {0xFF, 0xD9});
  WriteFileBytes(Path("large.jpg"), bytes);
  ProgramResult r = RunLumitone(
      {"-i1:" + Path("large.jpg"), "-o:" + Path("out.wav"), "-d:0.001"});
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadFileBytes(Path("out.wav")).size(), 44u + 2u * 44u);
}

TEST_F(HostileInputTest, AcceptsProgressiveFilesWithinTheLimits) {
  // A few passes over the coefficients are what real progressive files take;
  // 500 scans in all is the most there may be.
  WriteFileBytes(Path("passes.jpg"), testing::ProgressiveScans(512, 512, 12));
  WriteFileBytes(Path("500-scans.jpg"),
                 testing::ProgressiveScans(8, 8, 499, 1));
  for (const char* name : {"passes.jpg", "500-scans.jpg"}) {
    ProgramResult r =
        RunLumitone({"-i1:" + Path(name), "-o:" + Path("out.wav"), "-d:0.001"});
    EXPECT_EQ(r.err, "") << name;
    EXPECT_EQ(r.status, 0) << name;
  }
}

class OutputFaultTest : public HostileInputTest {
 protected:
  void SetUp() override {
    WriteJpeg(Path("a.jpg"), 32, 24, 3, PhotoPixels(32, 24, 3, 7));
    WriteJpeg(Path("b.jpg"), 24, 32, 3, PhotoPixels(24, 32, 3, 7),
              {.progressive = true});
    original_ = ReadFileBytes(Path("a.jpg"));
  }
  std::vector<uint8_t> original_;
};

TEST_F(OutputFaultTest, RefusesAnOutputThatNamesAnInput) {
  ASSERT_EQ(::link(Path("a.jpg").c_str(), Path("hard.jpg").c_str()), 0);
  ASSERT_EQ(::symlink(Path("a.jpg").c_str(), Path("soft.jpg").c_str()), 0);
  ASSERT_EQ(::mkdir(Path("sub").c_str(), 0700), 0);
  std::string a = Path("a.jpg"), b = Path("b.jpg");
  struct Case {
    std::vector<std::string> inputs;
    std::string output;
  } cases[] = {
      {{a}, a},
      {{a}, Path("hard.jpg")},
      {{a}, Path("soft.jpg")},
      {{a}, Path("sub/../a.jpg")},
      {{b, a}, a},
      {{Path("soft.jpg"), b}, Path("hard.jpg")},
  };
  for (const Case& c : cases) {
    std::vector<std::string> words = {"-i1:" + c.inputs[0], "-o:" + c.output,
                                      "-d:0.01"};
    if (c.inputs.size() == 2) words.push_back("-i2:" + c.inputs[1]);
    ProgramResult r = RunLumitone(words);
    std::string loading;
    for (size_t k = 0; k < c.inputs.size(); ++k)
      loading += "Loading JPEG file.\n";
    EXPECT_EQ(r.out, loading) << c.output;
    EXPECT_EQ(r.err,
              "Output file '" + c.output + "' is one of the input files.\n")
        << c.output;
    EXPECT_EQ(r.status, 255) << c.output;
    EXPECT_EQ(ReadFileBytes(a), original_) << c.output;
  }
}

TEST_F(OutputFaultTest, ReportsOutputThatCannotBeCompleted) {
  std::string full = Path("full.wav"), fifo = Path("fifo.wav");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A file-size limit of 8 KiB, as `ulimit -f 8` sets it: the disk fills up
  // in the middle of the samples.
  ProgramResult r = RunLumitone({"-i1:" + Path("a.jpg"), "-o:" + full, "-d:1"},
                                {.fileSizeBytes = 8192});
  EXPECT_EQ(r.err, "Could not write output file '" + full + "'.\n");
  EXPECT_EQ(r.status, 255);
  EXPECT_FALSE(Exists(full));
  EXPECT_EQ(r.out.rfind("Loading JPEG file.\nGenerating samples.\n", 0), 0u);
  EXPECT_TRUE(r.out.ends_with("Normalizing samples.\nWriting output file.\n"));

  // A pipe that nobody reads cannot be opened without waiting for ever.
  r = RunLumitone({"-i1:" + Path("a.jpg"), "-o:" + fifo, "-d:0.01"});
  EXPECT_EQ(r.err, "Could not create output file '" + fifo + ".\n");
  EXPECT_EQ(r.status, 255);
}

TEST_F(OutputFaultTest, ReportsMemoryExhaustion) {
#ifdef LUMITONE_SANITIZED
  GTEST_SKIP()
      << "sanitizers reserve far more address space than any limit here";
#else
  // The smallest address-space limit, in 4 MiB steps, under which a tiny
  // conversion runs; a minute of stereo needs 42 MB more than that and a
  // 4000 x 3000 picture 36 MB more.
  uint64_t limit = 0;
  for (uint64_t mib = 8; mib <= 512 && limit == 0; mib += 4) {
    ProgramResult r = RunLumitone(
        {"-i1:" + Path("a.jpg"), "-o:" + Path("tiny.wav"), "-d:0.001"},
        {.addressSpaceBytes = mib << 20});
    if (r.status == 0) limit = (mib + 4) << 20;
  }
  ASSERT_NE(limit, 0u);
  ProgramResult r = RunLumitone({"-i1:" + Path("a.jpg"), "-i2:" + Path("b.jpg"),
                                 "-o:" + Path("out.wav"), "-d:60"},
                                {.addressSpaceBytes = limit});
  EXPECT_EQ(r.err, "Not enough memory for the sample buffers.\n");
  EXPECT_EQ(r.status, 255);
  EXPECT_FALSE(Exists(Path("out.wav")));

  WriteFileBytes(Path("4000x3000.jpg"),
                 testing::BaselineHeader(4000, 3000, 80000));
  r = RunLumitone(
      {"-i1:" + Path("4000x3000.jpg"), "-o:" + Path("out.wav"), "-d:1"},
      {.addressSpaceBytes = limit});
  EXPECT_EQ(r.err,
            "Not enough memory for a 4000 x 3000 picture.\nFailed to load '" +
                Path("4000x3000.jpg") + "'.\n");
  EXPECT_EQ(r.status, 255);
#endif
}

// Each allocation that can be large says what ran out: with the memory of a
// small run, a ladder of 10000 rungs per octave over 1 to 100000 Hz does not
// get its phase table (1.3 MB).
TEST_F(OutputFaultTest, ReportsAPhaseTableThatDoesNotFit) {
#ifdef LUMITONE_SANITIZED
  GTEST_SKIP()
      << "sanitizers reserve far more address space than any limit here";
#else
  auto run = [&](uint64_t limit, std::vector<std::string> extra) {
    std::vector<std::string> words = {"-i1:" + Path("a.jpg"),
                                      "-o:" + Path("out.wav"), "-d:0.001"};
    words.insert(words.end(), extra.begin(), extra.end());
    return RunLumitone(words, {.addressSpaceBytes = limit});
  };
  uint64_t limit = 0;
  for (uint64_t kib = 8 << 10; kib <= 512 << 10 && limit == 0; kib += 256) {
    if (run(kib << 10, {}).status == 0) limit = kib << 10;
  }
  ASSERT_NE(limit, 0u);
  ProgramResult r = run(limit, {"-s:10000", "-f:1-100000"});
  EXPECT_EQ(r.err, "Not enough memory for the phase table.\n");
  EXPECT_EQ(r.status, 255);
#endif
}

}  // namespace
}  // namespace lumitone
