#include "wav/wav_writer.h"

#include <cstdio>
#include <vector>

#include <gtest/gtest.h>

#include "tests/temp_files.h"

namespace lumitone {
namespace {

std::vector<uint8_t> Written(const SampleBuffer& left,
                             const SampleBuffer& right, int channels,
                             int32_t n) {
  return testing::BytesWrittenBy([&](FILE* file) {
    EXPECT_TRUE(WriteWav(file, left, right, channels, n));
  });
}

uint32_t Field(const std::vector<uint8_t>& b, size_t offset, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value * 256 + b[offset + i];
  return value;
}

TEST(PutLittleEndianTest, LeastSignificantByteFirst) {
  unsigned char buffer[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  PutLittleEndian(4, buffer, 0x12345678u);
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 4),
            (std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}));
  PutLittleEndian(2, buffer, static_cast<uint32_t>(-32750));
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 4),
            (std::vector<uint8_t>{0x12, 0x80, 0x34, 0x12}));
}

TEST(WavWriterTest, HeaderFields) {
  struct Case {
    int channels;
    int32_t n;
    uint32_t riffLength, byteRate, frame, dataLength;
  } cases[] = {
      {1, 88200, 176436, 88200, 2, 176400},
      {2, 44100, 176436, 176400, 4, 176400},
      {1, 0, 36, 88200, 2, 0},
  };
  for (const Case& c : cases) {
    SampleBuffer left(c.n, 0.0), right(c.channels == 2 ? c.n : 0, 0.0);
    std::vector<uint8_t> b = Written(left, right, c.channels, c.n);
    ASSERT_EQ(b.size(), 44u + c.dataLength);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(Field(b, 4, 4), c.riffLength);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(Field(b, 16, 4), 16u);
    EXPECT_EQ(Field(b, 20, 2), 1u);
    EXPECT_EQ(Field(b, 22, 2), static_cast<uint32_t>(c.channels));
    EXPECT_EQ(Field(b, 24, 4), 44100u);
    EXPECT_EQ(Field(b, 28, 4), c.byteRate);
    EXPECT_EQ(Field(b, 32, 2), c.frame);
    EXPECT_EQ(Field(b, 34, 2), 16u);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    EXPECT_EQ(Field(b, 40, 4), c.dataLength);
    for (size_t i = 44; i < b.size(); ++i) ASSERT_EQ(b[i], 0) << i;
  }
}

TEST(WavWriterTest, SamplesScaledBy32750AndTruncated) {
  struct Case {
    double sample;
    uint8_t low, high;
  } cases[] = {
      {-1.0, 0x12, 0x80}, {1.0, 0xEE, 0x7F},      {-0.5, 0x09, 0xC0},
      {-0.00002, 0, 0},   {0.00003, 0, 0},        {0.99999, 0xED, 0x7F},
      {0.5, 0xF7, 0x3F},  {-0.99999, 0x13, 0x80},
  };
  SampleBuffer samples;
  for (const Case& c : cases) samples.push_back(c.sample);
  std::vector<uint8_t> b =
      Written(samples, {}, 1, static_cast<int32_t>(samples.size()));
  for (size_t i = 0; i < samples.size(); ++i) {
    EXPECT_EQ(b[44 + 2 * i], cases[i].low) << cases[i].sample;
    EXPECT_EQ(b[45 + 2 * i], cases[i].high) << cases[i].sample;
  }
}

TEST(WavWriterTest, StereoFramesInterleaveLeftThenRight) {
  SampleBuffer left = {1.0, -1.0}, right = {-0.5, 0.0};
  std::vector<uint8_t> b = Written(left, right, 2, 2);
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 44, b.end()),
            (std::vector<uint8_t>{0xEE, 0x7F, 0x09, 0xC0, 0x12, 0x80, 0, 0}));
}

// The samples go out in large pieces: every sample must land at its own
// offset across the seams between pieces, in mono and in stereo.
TEST(WavWriterTest, LongBuffersKeepEverySampleInPlace) {
  constexpr int32_t n = 70001;
  SampleBuffer left(n), right(n);
  for (int32_t j = 0; j < n; ++j) {
    left[j] = (j % 2001 - 1000) / 1000.0;
    right[j] = -left[j] / 3;
  }
  for (int channels : {1, 2}) {
    std::vector<uint8_t> b =
        Written(left, channels == 2 ? right : SampleBuffer{}, channels, n);
    ASSERT_EQ(b.size(), 44u + 2u * channels * n);
    for (int32_t j = 0; j < n; ++j) {
      for (int k = 0; k < channels; ++k) {
        double sample = k == 0 ? left[j] : right[j];
        ASSERT_EQ(Field(b, 44 + 2 * (static_cast<size_t>(j) * channels + k), 2),
                  static_cast<uint32_t>(WavSampleValue(sample)) & 0xFFFFu)
            << channels << " channels, sample " << j;
      }
    }
  }
}

TEST(WavWriterTest, ReportsAFailedWrite) {
  FILE* file = std::fopen("/dev/full", "wb");
  ASSERT_NE(file, nullptr);
  SampleBuffer samples(44100, 0.5);
  EXPECT_FALSE(WriteWav(file, samples, {}, 1, 44100));
  std::fclose(file);
}

}  // namespace
}  // namespace lumitone
