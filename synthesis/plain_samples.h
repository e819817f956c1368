// The synthesis written as plain nested loops: for every sample, channel and
// rung, a fresh brightness and a fresh sine. Slow, and the reference that
// the fast synthesis must match bit for bit.
#pragma once

#include <cstdint>
#include <ostream>

#include "cli/run_settings.h"
#include "picture/rgb_image.h"
#include "synthesis/phase_table.h"
#include "synthesis/sample_buffer.h"

namespace lumitone {

// Same contract as GenerateExactSamples, on one thread.
void GeneratePlainSamples(const RunSettings& settings,
                          const RgbImage pictures[2],
                          const PhaseTable& phaseTable, double ratio,
                          SampleBuffer& left, SampleBuffer& right,
                          int32_t sampleCount, std::ostream& progress);

}  // namespace lumitone
