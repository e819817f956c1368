#include "synthesis/generate_samples.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <iostream>
#include <memory>
#include <new>
#include <vector>

#include "synthesis/block_synthesis.h"
#include "synthesis/progress.h"
#include "synthesis/worker_threads.h"

namespace lumitone {
namespace {

int ThreadsFor(int requested, int64_t work) {
  int threads = requested > 0 ? requested : AvailableThreads();
  return static_cast<int>(std::max<int64_t>(1, std::min<int64_t>(threads, work)));
}

// Full blocks for long runs; for short ones (a few thousand samples over a
// ladder of thousands of rungs can still take seconds) blocks small enough
// that every thread gets several, so that none waits long for the last.
int32_t BlockSamplesFor(int32_t sampleCount, int threads) {
  constexpr int32_t kSmallestBlock = 64;
  int64_t perBlock = (int64_t{sampleCount} + 4 * threads - 1) / (4 * threads);
  perBlock = (perBlock + 7) / 8 * 8;
  return static_cast<int32_t>(
      std::clamp<int64_t>(perBlock, kSmallestBlock, kBlockSamples));
}

}  // namespace

bool GenerateSamples(const RunSettings& settings, const RgbImage pictures[2],
                     const PhaseTable& phaseTable, double ratio,
                     SampleBuffer& left, SampleBuffer& right,
                     int32_t sampleCount, std::ostream& progress,
                     const SynthesisOptions& options) {
  const int cores = ThreadsFor(options.threads, sampleCount);
  const int32_t blockSamples = BlockSamplesFor(sampleCount, cores);
  const int32_t blocks = (sampleCount + blockSamples - 1) / blockSamples;
  const int threads = ThreadsFor(cores, blocks);
  SynthesisPlan plan;
  std::vector<BlockScratch> scratch;
  std::unique_ptr<std::atomic<bool>[]> finished;
  try {
    plan = MakeSynthesisPlan(settings, pictures, phaseTable, ratio,
                             options.accumulate != nullptr
                                 ? options.accumulate
                                 : BestAccumulateTerms(),
                             options.sine != nullptr ? options.sine : SineBlock);
    for (int index = 0; index < threads; ++index) {
      scratch.push_back(MakeBlockScratch());
    }
    finished.reset(new std::atomic<bool>[static_cast<size_t>(blocks)]);
  } catch (const std::bad_alloc&) {
    std::cerr << "Not enough memory to generate the samples.\n";
    return false;
  }
  for (int32_t b = 0; b < blocks; ++b) finished[b].store(false);

  SampleBuffer* buffers[2] = {&left, &right};
  std::atomic<int32_t> nextBlock{0};
  int32_t reported = 0;  // blocks whose progress texts are written
  // Only the calling thread writes, for the longest run of finished blocks,
  // so the texts come out in sample order whatever order blocks end in.
  auto report = [&] {
    while (reported < blocks && finished[reported].load(std::memory_order_acquire)) {
      int32_t first = reported * blockSamples;
      int32_t last = std::min(sampleCount, first + blockSamples);
      for (int32_t j = (first + kProgressInterval - 1) / kProgressInterval * kProgressInterval;
           j < last; j += kProgressInterval) {
        WriteProgress(progress, j, sampleCount);
      }
      ++reported;
    }
  };
  auto work = [&](int index) {
    for (;;) {
      int32_t b = nextBlock.fetch_add(1);
      if (b >= blocks) break;
      int32_t first = b * blockSamples;
      SynthesizeBlock(plan, first, std::min(sampleCount, first + blockSamples),
                      scratch[index], buffers);
      finished[b].store(true, std::memory_order_release);
      if (index == 0) report();
    }
  };
  RunOnThreads(threads, work);
  report();
  return true;
}

void NormalizeSamples(SampleBuffer& left, SampleBuffer& right,
                      int channelCount, int32_t sampleCount, int threads) {
  // Ranges of at least this many samples per thread; below, starting a
  // thread costs more than it saves.
  constexpr int32_t kMinSamplesPerThread = 1 << 16;
  constexpr int kMaxThreads = 64;
  const int count = std::min(
      kMaxThreads,
      ThreadsFor(threads, (sampleCount + kMinSamplesPerThread - 1) / kMinSamplesPerThread));
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
