#include "tests/synthesis_fixture.h"

#include <cstdlib>
#include <cstring>
#include <sstream>

#include "synthesis/progress.h"

namespace lumitone::testing {

RgbImage UniformPicture(int width, int height, uint8_t value) {
  RgbImage picture;
  if (!picture.Allocate(width, height)) std::abort();
  std::memset(picture.MutablePixels(), value, static_cast<size_t>(width) * height * 3);
  return picture;
}

RgbImage CopyPicture(const RgbImage& source) {
  RgbImage picture;
  if (!picture.Allocate(source.Width(), source.Height())) std::abort();
  std::memcpy(picture.MutablePixels(), source.Pixels(),
              static_cast<size_t>(source.Width()) * source.Height() * 3);
  return picture;
}

PhaseTable FreshPhaseTable(const RunSettings& settings, double ratio) {
  uint32_t state = kPhaseRandomStart;
  return BuildPhaseTable(settings, ratio, state);
}

std::string ProgressText(int32_t sampleCount) {
  std::ostringstream text;
  for (int32_t j = 0; j < sampleCount; j += kProgressInterval) {
    WriteProgress(text, j, sampleCount);
  }
  return text.str();
}

}  // namespace lumitone::testing
