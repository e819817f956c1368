// Helpers for synthesis tests: phase tables from a fresh generator and the
// progress texts a run must write, both from the program's own functions.
#pragma once

#include <cstdint>
#include <string>

#include "cli/run_settings.h"
#include "synthesis/phase_table.h"

namespace lumitone::testing {

// The phases a run's first draw gives, from a generator of its own, so that
// tests need not advance the process-wide one.
PhaseTable FreshPhaseTable(const RunSettings& settings, double ratio);

// Every progress text of a run of `sampleCount` samples, in order.
std::string ProgressText(int32_t sampleCount);

}  // namespace lumitone::testing
