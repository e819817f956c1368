#include "tests/synthesis_fixture.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

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
  uint32_t state = 1;
  PhaseTable phases;
  FrequencyLadder(settings.lowFrequency, settings.highFrequency, ratio, [&](double) {
    phases.push_back((PhaseRandomStep(state) % 10000) * (2.0 * kPi) / 10000.0);
  });
  return phases;
}

std::string ProgressText(int32_t sampleCount) {
  std::string text;
  for (int32_t j = 0; j < sampleCount; j += 100) {
    text.append("\r");
    text.append(std::to_string(static_cast<int>(std::floor(j * 100.0 / sampleCount + 0.001))));
    text.append("% done.");
  }
  return text;
}

}  // namespace lumitone::testing
