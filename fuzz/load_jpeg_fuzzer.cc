// The JPEG decoder: the input bytes are the file. A picture that loads must
// be as large as it says, within the pixel limit; anything else must be
// refused with the picture left empty.
#include <string>

#include "fuzz/fuzz_support.h"
#include "picture/decoder_guard.h"
#include "picture/jpeg_decoder.h"
#include "picture/rgb_image.h"

namespace {

// libjpeg itself is not instrumented, so libFuzzer sees only this program's
// branches. Counting each decoder step and libjpeg message code in libFuzzer's
// extra counters lets it tell apart inputs that fail deep inside the decoder
// from those that fail at the first marker.
#if defined(__clang__)
__attribute__((section("__libfuzzer_extra_counters")))
#endif
uint8_t decoderOutcomes[4 * 256];

void CountDecoderOutcome(const std::string& path) {
  lumitone::JpegDecoder decoder;
  if (lumitone::JpegInit(&decoder) != 0) return;
  lumitone::DecoderGuard guard(decoder);
  int step = 0;
  if (lumitone::JpegReadParams(&decoder, path.c_str()) == 0) {
    step = 1;
    if (decoder.components == 3 && int64_t{decoder.width} * decoder.height <=
                                       lumitone::kMaxPicturePixels) {
      step = lumitone::JpegStartPixels(&decoder) == 0 ? 3 : 2;
    }
  }
  ++decoderOutcomes[step * 256 + (lumitone::JpegMessageCode(&decoder) & 255)];
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  lumitone::fuzzing::QuietStreams();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path =
      lumitone::fuzzing::ScratchDirectory() + "/input.jpg";
  if (!lumitone::fuzzing::WriteWholeFile(path, data, size)) return 0;
  CountDecoderOutcome(path);
  lumitone::RgbImage picture;
  if (!picture.LoadJpeg(path)) {
    if (picture.Pixels() != nullptr || picture.Width() != 0) __builtin_trap();
    return 0;
  }
  int width = picture.Width(), height = picture.Height();
  if (width <= 0 || height <= 0 || picture.Pixels() == nullptr ||
      int64_t{width} * height > lumitone::kMaxPicturePixels) {
    __builtin_trap();
  }
  // Reading the first and the last byte lets the sanitizer check that the
  // buffer really is width x height x 3.
  volatile int corners =
      picture.ChannelAt(0, 0, 0) + picture.ChannelAt(width - 1, height - 1, 2);
  (void)corners;
  return 0;
}
