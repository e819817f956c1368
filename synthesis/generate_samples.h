// The additive synthesis: every sample of every channel is the sum, over the
// rungs of the frequency ladder in order, of sin(2*pi*t*f + phase) weighted
// by the channel's picture brightness at (t, f).
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "cli/run_settings.h"
#include "picture/rgb_image.h"
#include "synthesis/phase_table.h"

namespace lumitone {

inline constexpr int32_t kSampleRate = 44100;

// One channel of the sound, indexed by sample number.
using SampleBuffer = std::vector<double>;

// durationSeconds * 44100, floored.
int32_t SampleCount(double durationSeconds);

// Fills samples 0..sampleCount-1 of `left` and, for two input paths, of
// `right` (both already sampleCount long) with unscaled sums. Writes "\r",
// the percentage and "% done." to `progress` before every 100th sample.
void GenerateSamples(const RunSettings& settings, const RgbImage pictures[2],
                     const PhaseTable& phaseTable, double ratio,
                     SampleBuffer& left, SampleBuffer& right,
                     int32_t sampleCount, std::ostream& progress);

// Divides every sample of the `channelCount` buffers by the one largest
// magnitude among them, leaving all-zero buffers as they are.
void NormalizeSamples(SampleBuffer& left, SampleBuffer& right,
                      int channelCount, int32_t sampleCount);

}  // namespace lumitone
