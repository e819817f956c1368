// The set of sine partials: a geometric ladder of frequencies from the low
// bound up to, not including, the high bound, and one reproducible start
// phase per rung drawn from a fixed generator.
#pragma once

#include <cstdint>
#include <vector>

#include "cli/run_settings.h"

namespace lumitone {

// 4 * atan(1.0), computed once at start-up.
extern const double kPi;

// One start phase per rung in ladder order, each in [0, 2*pi).
using PhaseTable = std::vector<double>;

// pow(2.0, 1.0 / stepsPerOctave).
double RungRatio(int32_t stepsPerOctave);

// Calls yield(f) for each rung frequency in increasing order. The ladder is
// built by repeated multiplication and a strict comparison with the high
// bound; every consumer walks it this way so that rung counts and values
// agree to the last bit.
template <typename Yield>
void FrequencyLadder(int32_t lowFrequency, int32_t highFrequency, double ratio,
                     Yield&& yield) {
  double high = static_cast<double>(highFrequency);
  for (double f = static_cast<double>(lowFrequency); high > f; f = f * ratio) {
    yield(f);
  }
}

// The ladder's frequencies collected in order.
std::vector<double> LadderFrequencies(int32_t lowFrequency,
                                      int32_t highFrequency, double ratio);

// The phase generator's state when the program starts.
inline constexpr uint32_t kPhaseRandomStart = 1;

// One step of the phase generator on `state`: returns 0 to 32767.
int PhaseRandomStep(uint32_t& state);

// The process-wide phase generator: its state starts at kPhaseRandomStart
// and is never reseeded, so its first values are 41, 18467, 6334.
int PhaseRandom();

// Draws one phase per rung of the settings' ladder from PhaseRandom: a
// multiple of 2*pi / 10000.
PhaseTable BuildPhaseTable(const RunSettings& settings, double ratio);

// The same, drawn from a generator of the caller's own, so that a test can
// have a run's phases without advancing the process-wide generator.
PhaseTable BuildPhaseTable(const RunSettings& settings, double ratio,
                           uint32_t& state);

}  // namespace lumitone
