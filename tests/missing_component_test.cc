// Pictures whose scans leave out a component. libjpeg fills a component it
// never received with zeros and says nothing, so such a file would convert
// as a grey picture, and a small one could claim a huge picture and take
// all its memory: each must be refused, and files that send every
// component in scans of their own must still convert.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/hostile_jpeg.h"
#include "tests/jpeg_fixture.h"
#include "tests/program_run.h"
#include "tests/temp_files.h"

namespace lumitone {
namespace {

using testing::JpegBuilder;
using testing::ProgramResult;
using testing::TempDir;
using testing::WriteFileBytes;

int BlocksOf(int pixels) { return (pixels + 7) / 8; }

struct ScanPlan {
  bool progressive = false;
  int width = 0, height = 0;
  int lumaSampling = 1;         // component 1 samples this x this
  std::vector<int> components;  // one scan for each, in this order
  int commentBytes = 0;         // filler, so that a file is long enough
};

// A three-component file with one non-interleaved scan per listed
// component, every block coded with the fewest bits there are: a DC
// difference of 0 and, in a sequential scan, an end of block.
std::vector<uint8_t> ScannedFile(const ScanPlan& plan) {
  JpegBuilder jpeg;
  jpeg.Soi().Quantization().Frame(plan.progressive ? 0xC2 : 0xC0, plan.width,
                                  plan.height, 3, 8, plan.lumaSampling);
  for (int left = plan.commentBytes; left > 0; left -= 60000) {
    jpeg.Segment(0xFE, std::vector<uint8_t>(left < 60000 ? left : 60000, 'c'));
  }
  jpeg.OneCodeTable(0, 0, 0x00).OneCodeTable(1, 0, 0x00);
  for (int id : plan.components) {
    int sampling = id == 1 ? plan.lumaSampling : 1;
    int64_t blocks =
        int64_t{BlocksOf((plan.width * sampling + plan.lumaSampling - 1) /
                         plan.lumaSampling)} *
        BlocksOf((plan.height * sampling + plan.lumaSampling - 1) /
                 plan.lumaSampling);
    jpeg.Scan({id}, 0, plan.progressive ? 0 : 63, 0, 0);
    for (int64_t b = 0; b < blocks; ++b) jpeg.Bits(0, plan.progressive ? 1 : 2);
    jpeg.EndBits();
  }
  jpeg.Eoi();
  return jpeg.bytes();
}

ProgramResult Convert(const std::string& picture, const std::string& output) {
  return testing::RunLumitone({"-i1:" + picture, "-o:" + output, "-d:0.01"});
}

TEST(MissingComponentTest, RefusesAPictureThatLeavesOutAComponent) {
  TempDir dir;
  struct Case {
    std::string name;
    ScanPlan plan;
  } cases[] = {
      // 33 KB and 66 KB claiming 16384 x 16384: its one scan carries a
      // chroma component a sixteenth of the luma's size.
      {"huge-progressive.jpg", {true, 16384, 16384, 4, {2}}},
      {"huge-sequential.jpg", {false, 16384, 16384, 4, {3}}},
      // Long enough for every block of the picture, but one or two
      // components are never sent.
      {"chroma-only-progressive.jpg", {true, 2048, 2048, 1, {2}, 30000}},
      {"chroma-only-sequential.jpg", {false, 2048, 2048, 1, {3}, 30000}},
      {"no-chroma-sequential.jpg", {false, 2048, 2048, 1, {1, 2}, 30000}},
      {"no-luma-progressive.jpg", {true, 2048, 2048, 1, {2, 3}, 30000}},
  };
  for (const Case& c : cases) {
    std::string picture = dir.Path(c.name), output = dir.Path("out.wav");
    WriteFileBytes(picture, ScannedFile(c.plan));
    ProgramResult r = Convert(picture, output);
    EXPECT_EQ(r.err, "Failed to read data from JPEG file.\nFailed to load '" +
                         picture + "'.\n")
        << c.name;
    EXPECT_EQ(r.status, 255) << c.name;
  }
}

TEST(MissingComponentTest, ConvertsAPictureSentOneComponentAtATime) {
  TempDir dir;
  ScanPlan plans[] = {
      {false, 2048, 2048, 1, {3, 1, 2}},
      {true, 2048, 2048, 1, {1, 2, 3}},
      {true, 1024, 512, 2, {2, 3, 1}},
  };
  for (const ScanPlan& plan : plans) {
    std::string picture = dir.Path("picture.jpg"), output = dir.Path("out.wav");
    WriteFileBytes(picture, ScannedFile(plan));
    ProgramResult r = Convert(picture, output);
    EXPECT_EQ(r.err, "") << plan.progressive << " " << plan.width;
    EXPECT_EQ(r.status, 0) << plan.progressive << " " << plan.width;
  }
}

}  // namespace
}  // namespace lumitone
