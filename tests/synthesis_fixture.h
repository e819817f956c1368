// Helpers for synthesis tests: pictures made in memory, phase tables from a
// fresh generator, and the progress texts a run must write.
#pragma once

#include <cstdint>
#include <string>

#include "cli/run_settings.h"
#include "picture/rgb_image.h"
#include "synthesis/phase_table.h"

namespace lumitone::testing {

// A width x height picture with every byte set to `value`.
RgbImage UniformPicture(int width, int height, uint8_t value);

RgbImage CopyPicture(const RgbImage& picture);

// The phases a run's first draw gives, from a generator of its own, so that
// tests need not advance the process-wide one.
PhaseTable FreshPhaseTable(const RunSettings& settings, double ratio);

// The progress texts of a run of `sampleCount` samples, worked out from the
// percentages alone.
std::string ProgressText(int32_t sampleCount);

}  // namespace lumitone::testing
