// A decoded picture held in memory: 8-bit red, green, blue triples, top row
// first, rows without padding. The picture owns its pixel buffer; an empty
// picture has no buffer and a size of 0 by 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace lumitone {

// The largest picture LoadJpeg accepts, in pixels (16384 x 16384): enough for
// any picture that fits comfortably in memory, and it keeps every index
// below 2^31 bytes.
inline constexpr int64_t kMaxPicturePixels = int64_t{1} << 28;

class RgbImage {
 public:
  int Width() const { return width_; }
  int Height() const { return height_; }

  // The byte of channel c (0 red, 1 green, 2 blue) at column x, row y. The
  // caller keeps x, y inside the picture.
  int ChannelAt(int x, int y, int c) const {
    return pixels_[(static_cast<size_t>(y) * static_cast<size_t>(width_) +
                    static_cast<size_t>(x)) *
                       3 +
                   static_cast<size_t>(c)];
  }

  const unsigned char* Pixels() const { return pixels_.get(); }
  unsigned char* MutablePixels() { return pixels_.get(); }

  // Replaces the picture with width x height zeroed pixels. False, leaving
  // the picture empty, when the size is not positive or memory runs out.
  bool Allocate(int width, int height);

  void Release();

  // Decodes the JPEG file at `path` into this picture. On false one
  // diagnostic has been written to the standard error and the picture is
  // empty.
  bool LoadJpeg(const std::string& path);

 private:
  struct FreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
  };
  std::unique_ptr<unsigned char[], FreeDeleter> pixels_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace lumitone
