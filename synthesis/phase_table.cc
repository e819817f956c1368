#include "synthesis/phase_table.h"

#include <cmath>

namespace lumitone {

const double kPi = 4.0 * std::atan(1.0);

double RungRatio(int32_t stepsPerOctave) {
  return std::pow(2.0, 1.0 / stepsPerOctave);
}

std::vector<double> LadderFrequencies(int32_t lowFrequency,
                                      int32_t highFrequency, double ratio) {
  std::vector<double> frequencies;
  FrequencyLadder(lowFrequency, highFrequency, ratio,
                  [&](double f) { frequencies.push_back(f); });
  return frequencies;
}

int PhaseRandomStep(uint32_t& state) {
  state = state * 214013u + 2531011u;
  return static_cast<int>((state >> 16) & 0x7FFFu);
}

namespace {

// The process-wide generator's state, shared by PhaseRandom and
// BuildPhaseTable.
uint32_t& ProcessPhaseState() {
  static uint32_t state = kPhaseRandomStart;
  return state;
}

}  // namespace

int PhaseRandom() { return PhaseRandomStep(ProcessPhaseState()); }

PhaseTable BuildPhaseTable(const RunSettings& settings, double ratio) {
  return BuildPhaseTable(settings, ratio, ProcessPhaseState());
}

PhaseTable BuildPhaseTable(const RunSettings& settings, double ratio,
                           uint32_t& state) {
  PhaseTable phases;
  FrequencyLadder(
      settings.lowFrequency, settings.highFrequency, ratio, [&](double) {
        int r = PhaseRandomStep(state) % 10000;
        phases.push_back(static_cast<double>(r) * (2.0 * kPi) / 10000.0);
      });
  return phases;
}

}  // namespace lumitone
