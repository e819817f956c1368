#include "synthesis/sample_brightness.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "synthesis/phase_table.h"
#include "tests/test_pictures.h"

namespace lumitone {
namespace {

void SetPixel(RgbImage& picture, int x, int y, uint8_t r, uint8_t g,
              uint8_t b) {
  unsigned char* p = picture.MutablePixels() +
                     (static_cast<size_t>(y) * picture.Width() + x) * 3;
  p[0] = r;
  p[1] = g;
  p[2] = b;
}

RunSettings Settings(double duration) {
  RunSettings settings;
  settings.durationSeconds = duration;
  return settings;
}

TEST(SampleBrightnessTest, WeightsTheChannelsOfOnePixel) {
  // A 1 x 1 picture is read at (0, 0) with weight 1 for every (t, f).
  RgbImage picture = testing::UniformPicture(1, 1, 0);
  SetPixel(picture, 0, 0, 10, 20, 40);
  RunSettings settings = Settings(1.0);
  for (double t : {0.0, 0.5, 0.99997}) {
    for (double f : {1000.0, 5000.0, 19999.0}) {
      EXPECT_EQ(SampleBrightness(picture, t, f, settings),
                0.3 * 10 + 0.5 * 20 + 0.2 * 40);
    }
  }
}

TEST(SampleBrightnessTest, ThinPicturesUseTheirOneColumnOrRow) {
  RunSettings settings = Settings(2.0);
  // One pixel wide: only the vertical blend matters.
  RgbImage column = testing::UniformPicture(1, 3, 0);
  SetPixel(column, 0, 2, 100, 100, 100);  // bottom row
  double f = 1000.0;  // v = 0.0005 from the bottom: fy = 2 * 0.9995
  double fy = 2.0 * (1.0 - (0.999 * 0.0 + 0.0005));
  double dy = fy - 1.0;
  double expected = 0.3 * (100 * dy) + 0.5 * (100 * dy) + 0.2 * (100 * dy);
  EXPECT_DOUBLE_EQ(SampleBrightness(column, 1.3, f, settings), expected);
  // One pixel tall: only the horizontal blend matters.
  RgbImage row = testing::UniformPicture(2, 1, 0);
  SetPixel(row, 1, 0, 0, 200, 0);
  double dx = 0.999 * (0.5 / 2.0) + 0.0005;
  EXPECT_DOUBLE_EQ(SampleBrightness(row, 0.5, 12345.0, settings),
                   0.5 * (200 * dx));
}

TEST(SampleBrightnessTest, BlendsTheFourNeighboursInTheWrittenOrder) {
  RgbImage picture = testing::UniformPicture(2, 2, 0);
  SetPixel(picture, 0, 0, 1, 2, 3);
  SetPixel(picture, 0, 1, 5, 7, 11);
  SetPixel(picture, 1, 0, 13, 17, 19);
  SetPixel(picture, 1, 1, 23, 29, 31);
  RunSettings settings = Settings(1.0);
  double t = 0.3, f = 7000.0;
  double u = 0.999 * t + 0.0005;
  double v = 1.0 - (0.999 * ((f - 1000.0) / 19000.0) + 0.0005);
  double dx = u, dy = v;  // (width - 1) and (height - 1) are 1
  double w00 = (1 - dx) * (1 - dy), w01 = (1 - dx) * dy, w10 = dx * (1 - dy),
         w11 = dx * dy;
  int p[3][4] = {{1, 5, 13, 23}, {2, 7, 17, 29}, {3, 11, 19, 31}};
  double value[3];
  for (int c = 0; c < 3; ++c) {
    value[c] =
        ((p[c][0] * w00 + p[c][1] * w01) + p[c][2] * w10) + p[c][3] * w11;
  }
  EXPECT_EQ(SampleBrightness(picture, t, f, settings),
            (0.3 * value[0] + 0.5 * value[1]) + 0.2 * value[2]);
}

TEST(SampleBrightnessTest, UniformWhiteIsWithinRoundingOf255) {
  RgbImage picture = testing::UniformPicture(7, 5, 255);
  RunSettings settings = Settings(1.0);
  for (double f : LadderFrequencies(1000, 20000, RungRatio(24))) {
    for (double t : {0.0, 0.25, 0.7, 0.99}) {
      EXPECT_NEAR(SampleBrightness(picture, t, f, settings), 255.0, 1e-12);
    }
  }
}

TEST(SampleBrightnessTest, RowsReadByTheDefaultLadder) {
  RunSettings settings = Settings(1.0);
  std::vector<double> rungs = LadderFrequencies(1000, 20000, RungRatio(24));
  // Bright only in the top row of a 46-row picture: never heard.
  RgbImage top = testing::UniformPicture(4, 46, 0);
  for (int x = 0; x < 4; ++x) SetPixel(top, x, 0, 255, 255, 255);
  // Bright only in the bottom row of a 480-row picture: the two lowest rungs.
  RgbImage bottom = testing::UniformPicture(4, 480, 0);
  for (int x = 0; x < 4; ++x) SetPixel(bottom, x, 479, 255, 255, 255);
  for (size_t i = 0; i < rungs.size(); ++i) {
    EXPECT_EQ(SampleBrightness(top, 0.5, rungs[i], settings), 0.0);
    double b = SampleBrightness(bottom, 0.5, rungs[i], settings);
    if (i < 2) {
      EXPECT_GT(b, 0.0) << i;
    } else {
      EXPECT_EQ(b, 0.0) << i;
    }
  }
}

}  // namespace
}  // namespace lumitone
