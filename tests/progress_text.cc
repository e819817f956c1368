#include "tests/progress_text.h"

#include <cmath>

namespace lumitone::testing {

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
