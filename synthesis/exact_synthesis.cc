#include "synthesis/exact_synthesis.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <new>
#include <vector>

#include "synthesis/block_runner.h"
#include "synthesis/block_synthesis.h"
#include "synthesis/kernel_choice.h"
#include "synthesis/worker_threads.h"

namespace lumitone {

bool GenerateExactSamples(const RunSettings& settings,
                          const RgbImage pictures[2],
                          const PhaseTable& phaseTable, double ratio,
                          SampleBuffer& left, SampleBuffer& right,
                          int32_t sampleCount, std::ostream& progress,
                          const SynthesisOptions& options) {
  // Full blocks for long runs; for short ones (a few thousand samples over a
  // ladder of thousands of rungs can still take seconds) blocks small enough
  // that every thread gets several, so that none waits long for the last.
  const BlockLayout layout =
      LayOutBlocks(sampleCount, options.threads, 64, kBlockSamples, 8);
  SynthesisPlan plan;
  std::vector<BlockScratch> scratch;
  try {
    plan =
        MakeSynthesisPlan(settings, pictures, phaseTable, ratio,
                          options.accumulate != nullptr ? options.accumulate
                                                        : BestAccumulateTerms(),
                          options.sine != nullptr ? options.sine : SineBlock);
    for (int index = 0; index < layout.threads; ++index) {
      scratch.push_back(MakeBlockScratch());
    }
  } catch (const std::bad_alloc&) {
    std::cerr << "Not enough memory to generate the samples.\n";
    return false;
  }
  SampleBuffer* buffers[2] = {&left, &right};
  bool ran = RunBlocks(
      layout, sampleCount, &progress,
      [&](int thread, int32_t first, int32_t last) {
        double* const out[2] = {
            buffers[0]->data() + first,
            plan.channelCount == 2 ? buffers[1]->data() + first : nullptr};
        SynthesizeBlock(plan, first, last, scratch[thread], out);
      });
  if (!ran) std::cerr << "Not enough memory to generate the samples.\n";
  return ran;
}

void NormalizeExactSamples(SampleBuffer& left, SampleBuffer& right,
                           int channelCount, int32_t sampleCount, int threads) {
  // Ranges of at least this many samples per thread; below, starting a
  // thread costs more than it saves.
  constexpr int32_t kMinSamplesPerThread = 1 << 16;
  constexpr int kMaxThreads = 64;
  const int count =
      std::min(kMaxThreads,
               ThreadsFor(threads, (sampleCount + kMinSamplesPerThread - 1) /
                                       kMinSamplesPerThread));
  SampleBuffer* buffers[2] = {&left, &right};
  auto range = [&](int index, int32_t& first, int32_t& last) {
    first = static_cast<int32_t>(int64_t{sampleCount} * index / count);
    last = static_cast<int32_t>(int64_t{sampleCount} * (index + 1) / count);
  };
  // The largest magnitude is the same whichever order the samples are
  // compared in, so each thread takes the peak of its range.
  double peaks[kMaxThreads] = {};
  auto findPeaks = [&](int index) {
    int32_t first, last;
    range(index, first, last);
    double peak = 0.0;
    for (int k = 0; k < channelCount; ++k) {
      const double* samples = buffers[k]->data();
      for (int32_t j = first; j < last; ++j) {
        double magnitude = std::fabs(samples[j]);
        if (magnitude > peak) peak = magnitude;
      }
    }
    peaks[index] = peak;
  };
  RunOnThreads(count, findPeaks);
  double peak = 0.0;
  for (int index = 0; index < count; ++index) {
    if (peaks[index] > peak) peak = peaks[index];
  }
  if (peak == 0.0) return;
  auto divide = [&](int index) {
    int32_t first, last;
    range(index, first, last);
    for (int k = 0; k < channelCount; ++k) {
      double* samples = buffers[k]->data();
      for (int32_t j = first; j < last; ++j) samples[j] /= peak;
    }
  };
  RunOnThreads(count, divide);
}

}  // namespace lumitone
