#include "picture/rgb_image.h"

#include <iostream>

#include "picture/decoder_guard.h"
#include "picture/jpeg_decoder.h"

namespace lumitone {

bool RgbImage::Allocate(int width, int height) {
  Release();
  if (width <= 0 || height <= 0) return false;
  size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
  // calloc hands out untouched zero pages, so a picture whose data turns out
  // to be missing costs no real memory before it is refused.
  auto* pixels = static_cast<unsigned char*>(std::calloc(bytes, 1));
  if (pixels == nullptr) return false;
  pixels_.reset(pixels);
  width_ = width;
  height_ = height;
  return true;
}

void RgbImage::Release() {
  width_ = 0;
  height_ = 0;
  pixels_.reset();
}

bool RgbImage::LoadJpeg(const std::string& path) {
  Release();
  JpegDecoder decoder;
  if (JpegInit(&decoder) != 0) {
    std::cerr << "Failed to initialize IJL (Intel JPEG Library).\n";
    return false;
  }
  DecoderGuard guard(decoder);
  if (JpegReadParams(&decoder, path.c_str()) != 0) {
    std::cerr << "Failed to read params from JPEG file.\n";
    return false;
  }
  if (decoder.components != 3) {
    std::cerr << "JPEG file has " << decoder.components
              << ". It should have 3.\n";
    return false;
  }
  // A header may claim a size that no data behind it supports; refuse what
  // could not be held before asking for the memory.
  if (static_cast<int64_t>(decoder.width) * decoder.height >
      kMaxPicturePixels) {
    std::cerr << "Failed to read data from JPEG file.\n";
    return false;
  }
  // A progressive file is read to its end here, so that a file whose data
  // runs out is refused before the picture's memory is taken.
  if (JpegStartPixels(&decoder) != 0) {
    std::cerr << "Failed to read data from JPEG file.\n";
    return false;
  }
  if (!Allocate(decoder.width, decoder.height)) {
    std::cerr << "Not enough memory for a " << decoder.width << " x "
              << decoder.height << " picture.\n";
    return false;
  }
  if (JpegReadPixels(&decoder, MutablePixels()) != 0) {
    std::cerr << "Failed to read data from JPEG file.\n";
    Release();
    return false;
  }
  return true;
}

}  // namespace lumitone
