// Frees a decoder record when it goes out of scope, on every exit from the
// function that owns it. Anything raised while freeing is swallowed: it
// must not escape a destructor.
#pragma once

#include "picture/jpeg_decoder.h"

namespace lumitone {

class DecoderGuard {
 public:
  explicit DecoderGuard(JpegDecoder& decoder) : decoder_(decoder) {}
  DecoderGuard(const DecoderGuard&) = delete;
  DecoderGuard& operator=(const DecoderGuard&) = delete;
  ~DecoderGuard() {
    try {
      JpegFree(&decoder_);
    } catch (...) {
    }
  }

 private:
  JpegDecoder& decoder_;
};

}  // namespace lumitone
