// The exact engine: every sample of every channel is the sum, over the rungs
// of the frequency ladder in order, of sin(2*pi*t*f + phase) weighted by the
// channel's picture brightness at (t, f), computed with exactly the doubles
// of the plain loops (plain_samples.h), on all available cores. The
// reference of the certified engine and its fallback.
#pragma once

#include <cstdint>
#include <ostream>

#include "cli/run_settings.h"
#include "picture/rgb_image.h"
#include "synthesis/partial_kernel.h"
#include "synthesis/phase_table.h"
#include "synthesis/sample_buffer.h"
#include "synthesis/sine_block.h"

namespace lumitone {

struct SynthesisOptions {
  int threads = 0;                         // 0: every core this process may use
  AccumulateTermsFn accumulate = nullptr;  // nullptr: the best for this CPU
  SineBlockFn sine = nullptr;              // nullptr: SineBlock
};

// Fills samples 0..sampleCount-1 of `left` and, for two input paths, of
// `right` (both already sampleCount long) with unscaled sums. Writes "\r",
// the percentage and "% done." to `progress` for every 100th sample, in
// order, from the calling thread. False, after a diagnostic on the standard
// error, when its working memory cannot be allocated.
bool GenerateExactSamples(const RunSettings& settings,
                          const RgbImage pictures[2],
                          const PhaseTable& phaseTable, double ratio,
                          SampleBuffer& left, SampleBuffer& right,
                          int32_t sampleCount, std::ostream& progress,
                          const SynthesisOptions& options = {});

// Divides every sample of the `channelCount` buffers by the one largest
// magnitude among them, leaving all-zero buffers as they are. `threads` as
// in SynthesisOptions.
void NormalizeExactSamples(SampleBuffer& left, SampleBuffer& right,
                           int channelCount, int32_t sampleCount,
                           int threads = 0);

}  // namespace lumitone
