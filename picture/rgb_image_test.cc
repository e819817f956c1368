#include "picture/rgb_image.h"

#include <sys/stat.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/cerr_capture.h"
#include "tests/jpeg_fixture.h"
#include "tests/program_run.h"
#include "tests/temp_files.h"
#include "tests/test_pictures.h"

namespace lumitone {
namespace {

using lumitone::testing::JpegOptions;
using lumitone::testing::NoisePixels;
using lumitone::testing::ReadFileBytes;
using lumitone::testing::TempDir;
using lumitone::testing::WriteFileBytes;
using lumitone::testing::WriteJpeg;

struct LoadResult {
  bool ok;
  std::string err;
};

LoadResult Load(RgbImage& picture, const std::string& path) {
  testing::CerrCapture err;
  bool ok = picture.LoadJpeg(path);
  return {ok, err.Take()};
}

// The pixels of libjpeg's own djpeg tool for the file, from its PPM output.
std::vector<uint8_t> DjpegPixels(const std::string& path, int& width,
                                 int& height) {
  testing::ProgramResult r =
      testing::RunProgram({"/usr/bin/djpeg", "-ppm", path});
  EXPECT_EQ(r.status, 0) << r.err;
  int maxval = 0, consumed = 0;
  EXPECT_EQ(std::sscanf(r.out.c_str(), "P6 %d %d %d%n", &width, &height,
                        &maxval, &consumed),
            3);
  return std::vector<uint8_t>(r.out.begin() + consumed + 1, r.out.end());
}

TEST(RgbImageTest, DecodesTheSamePixelsAsDjpeg) {
  TempDir dir;
  struct Case {
    int width, height;
    JpegOptions options;
  } cases[] = {
      {37, 23, {}},
      {1, 1, {}},
      {1, 9, {.quality = 75}},
      {64, 48, {.quality = 80, .progressive = true}},
  };
  for (const Case& c : cases) {
    std::string path = dir.Path("picture.jpg");
    WriteJpeg(path, c.width, c.height, 3, NoisePixels(c.width, c.height, 3, 1),
              c.options);
    RgbImage picture;
    LoadResult r = Load(picture, path);
    ASSERT_TRUE(r.ok) << r.err;
    EXPECT_EQ(r.err, "");
    int width = 0, height = 0;
    std::vector<uint8_t> expected = DjpegPixels(path, width, height);
    ASSERT_EQ(picture.Width(), width);
    ASSERT_EQ(picture.Height(), height);
    ASSERT_EQ(expected.size(), static_cast<size_t>(width) * height * 3);
    EXPECT_EQ(std::vector<uint8_t>(picture.Pixels(),
                                   picture.Pixels() + expected.size()),
              expected);
    EXPECT_EQ(picture.ChannelAt(width - 1, height - 1, 2), expected.back());
  }
}

TEST(RgbImageTest, TopRowComesFirst) {
  TempDir dir;
  // Top half red, bottom half blue.
  std::vector<uint8_t> pixels;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      pixels.insert(pixels.end(),
                    {uint8_t(y < 8 ? 255 : 0), 0, uint8_t(y < 8 ? 0 : 255)});
    }
  }
  WriteJpeg(dir.Path("a.jpg"), 16, 16, 3, pixels, {.quality = 100});
  RgbImage picture;
  ASSERT_TRUE(Load(picture, dir.Path("a.jpg")).ok);
  EXPECT_GT(picture.ChannelAt(0, 0, 0), 200);
  EXPECT_LT(picture.ChannelAt(0, 0, 2), 50);
  EXPECT_GT(picture.ChannelAt(15, 15, 2), 200);
  EXPECT_LT(picture.ChannelAt(15, 15, 0), 50);
}

TEST(RgbImageTest, RefusesWhatIsNotAThreeComponentPicture) {
  TempDir dir;
  const std::string kParams = "Failed to read params from JPEG file.\n";
  const std::string kData = "Failed to read data from JPEG file.\n";
  WriteJpeg(dir.Path("grey.jpg"), 8, 8, 1, NoisePixels(8, 8, 1, 1));
  WriteJpeg(dir.Path("cmyk.jpg"), 8, 8, 4, NoisePixels(8, 8, 4, 1));
  WriteJpeg(dir.Path("good.jpg"), 40, 40, 3, NoisePixels(40, 40, 3, 1));
  WriteJpeg(dir.Path("arith.jpg"), 20, 30, 3, NoisePixels(20, 30, 3, 1),
            {.arithmetic = true});
  WriteJpeg(dir.Path("arith-progressive.jpg"), 20, 30, 3,
            NoisePixels(20, 30, 3, 1),
            {.progressive = true, .arithmetic = true});
  std::vector<uint8_t> good = ReadFileBytes(dir.Path("good.jpg"));
  WriteFileBytes(dir.Path("empty.jpg"), {});
  WriteFileBytes(dir.Path("text.jpg"), {'h', 'e', 'l', 'l', 'o'});
  WriteFileBytes(dir.Path("head.jpg"),
                 std::vector<uint8_t>(good.begin(), good.begin() + 30));
  WriteFileBytes(dir.Path("cut.jpg"),
                 std::vector<uint8_t>(good.begin(), good.end() - 200));
  WriteFileBytes(dir.Path("no-end.jpg"),
                 std::vector<uint8_t>(good.begin(), good.end() - 2));
  std::vector<uint8_t> damaged = good;
  for (size_t i = damaged.size() - 300; i < damaged.size() - 250; ++i)
    damaged[i] = 0xFF;
  WriteFileBytes(dir.Path("damaged.jpg"), damaged);
  ::mkdir(dir.Path("folder.jpg").c_str(), 0700);

  struct Case {
    std::string name;
    std::string err;
  } cases[] = {
      {"grey.jpg", "JPEG file has 1. It should have 3.\n"},
      {"cmyk.jpg", "JPEG file has 4. It should have 3.\n"},
      {"missing.jpg", kParams},
      {"empty.jpg", kParams},
      {"text.jpg", kParams},
      {"head.jpg", kParams},
      {"folder.jpg", kParams},
      {"cut.jpg", kData},
      {"no-end.jpg", kData},
      {"damaged.jpg", kData},
      {"arith.jpg", kData},
      {"arith-progressive.jpg", kData},
  };
  for (const Case& c : cases) {
    RgbImage picture;
    ASSERT_TRUE(picture.Allocate(2, 2));
    LoadResult r = Load(picture, dir.Path(c.name));
    EXPECT_FALSE(r.ok) << c.name;
    EXPECT_EQ(r.err, c.err) << c.name;
    EXPECT_EQ(picture.Pixels(), nullptr) << c.name;
    EXPECT_EQ(picture.Width(), 0) << c.name;
    EXPECT_EQ(picture.Height(), 0) << c.name;
    picture.Release();
  }
}

}  // namespace
}  // namespace lumitone
