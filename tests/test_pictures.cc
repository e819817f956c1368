#include "tests/test_pictures.h"

#include <cstdlib>
#include <cstring>

namespace lumitone::testing {
namespace {

// A 32-bit linear congruential generator; its high bits are the random ones.
class PixelRandom {
 public:
  explicit PixelRandom(uint32_t seed) : state_(seed) {}
  uint32_t Next() {
    state_ = state_ * 1103515245u + 12345u;
    return state_;
  }
  uint8_t NextByte() { return static_cast<uint8_t>(Next() >> 24); }

 private:
  uint32_t state_;
};

size_t ByteCount(int width, int height, int components) {
  return static_cast<size_t>(width) * static_cast<size_t>(height) *
         static_cast<size_t>(components);
}

// A picture of the given size; the tests cannot go on without one.
RgbImage Blank(int width, int height) {
  RgbImage picture;
  if (!picture.Allocate(width, height)) std::abort();
  return picture;
}

}  // namespace

std::vector<uint8_t> NoisePixels(int width, int height, int components,
                                 uint32_t seed) {
  std::vector<uint8_t> pixels(ByteCount(width, height, components));
  PixelRandom random(seed);
  for (uint8_t& p : pixels) p = random.NextByte();
  return pixels;
}

std::vector<uint8_t> PhotoPixels(int width, int height, int components,
                                 uint32_t seed) {
  std::vector<uint8_t> pixels(ByteCount(width, height, components));
  PixelRandom random(seed);
  for (size_t i = 0; i < pixels.size(); ++i) {
    size_t column =
        i / static_cast<size_t>(components) % static_cast<size_t>(width);
    pixels[i] = static_cast<uint8_t>(column * 3 + (random.NextByte() >> 4));
  }
  return pixels;
}

RgbImage NoisePicture(int width, int height, uint32_t seed) {
  RgbImage picture = Blank(width, height);
  std::vector<uint8_t> pixels = NoisePixels(width, height, 3, seed);
  std::memcpy(picture.MutablePixels(), pixels.data(), pixels.size());
  return picture;
}

RgbImage SparsePicture(int width, int height, uint32_t seed, int brightPixels) {
  RgbImage picture = Blank(width, height);
  PixelRandom random(seed);
  size_t pixelCount = ByteCount(width, height, 1);
  for (int n = 0; n < brightPixels; ++n) {
    size_t pixel = (random.Next() >> 8) % pixelCount;
    size_t channel = (random.Next() >> 8) % 3;
    picture.MutablePixels()[pixel * 3 + channel] =
        static_cast<uint8_t>(1 + (random.Next() >> 8) % 255);
  }
  return picture;
}

RgbImage UniformPicture(int width, int height, uint8_t value) {
  RgbImage picture = Blank(width, height);
  std::memset(picture.MutablePixels(), value, ByteCount(width, height, 3));
  return picture;
}

RgbImage CopyPicture(const RgbImage& source) {
  RgbImage picture = Blank(source.Width(), source.Height());
  std::memcpy(picture.MutablePixels(), source.Pixels(),
              ByteCount(source.Width(), source.Height(), 3));
  return picture;
}

}  // namespace lumitone::testing
