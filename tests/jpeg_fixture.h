// Small JPEG files encoded on the spot with libjpeg, for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumitone::testing {

struct JpegOptions {
  int quality = 95;
  bool progressive = false;
  bool arithmetic = false;
};

// Encodes width x height pixels of `components` bytes each (1 grey, 3 RGB,
// 4 CMYK), top row first, into the bytes of a JPEG file.
std::vector<uint8_t> EncodeJpeg(int width, int height, int components,
                                const std::vector<uint8_t>& pixels,
                                JpegOptions options = {});

// EncodeJpeg into a file at `path`.
void WriteJpeg(const std::string& path, int width, int height, int components,
               const std::vector<uint8_t>& pixels, JpegOptions options = {});

}  // namespace lumitone::testing
