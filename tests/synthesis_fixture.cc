#include "tests/synthesis_fixture.h"

#include <sstream>

#include "synthesis/progress.h"

namespace lumitone::testing {

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
