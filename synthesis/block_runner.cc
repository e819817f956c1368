#include "synthesis/block_runner.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>

#include "synthesis/progress.h"
#include "synthesis/worker_threads.h"

namespace lumitone {

int ThreadsFor(int requested, int64_t work) {
  int threads = requested > 0 ? requested : AvailableThreads();
  return static_cast<int>(
      std::max<int64_t>(1, std::min<int64_t>(threads, work)));
}

BlockLayout LayOutBlocks(int32_t sampleCount, int threads, int32_t smallest,
                         int32_t largest, int32_t multiple) {
  const int cores = ThreadsFor(threads, sampleCount);
  int64_t perBlock = (int64_t{sampleCount} + 4 * cores - 1) / (4 * cores);
  perBlock = (perBlock + multiple - 1) / multiple * multiple;
  BlockLayout layout;
  layout.blockSamples =
      static_cast<int32_t>(std::clamp<int64_t>(perBlock, smallest, largest));
  layout.blocks = (sampleCount + layout.blockSamples - 1) / layout.blockSamples;
  layout.threads = ThreadsFor(cores, layout.blocks);
  return layout;
}

bool RunBlocks(const BlockLayout& layout, int32_t sampleCount,
               std::ostream* progress,
               const std::function<void(int, int32_t, int32_t)>& body) {
  const int32_t blocks = layout.blocks;
  const int32_t size = layout.blockSamples;
  std::unique_ptr<std::atomic<bool>[]> finished(
      new (std::nothrow) std::atomic<bool>[static_cast<size_t>(blocks)]);
  if (!finished) return false;
  for (int32_t b = 0; b < blocks; ++b) finished[b].store(false);

  std::atomic<int32_t> nextBlock{0};
  int32_t reported = 0;  // blocks whose progress texts are written
  // Only the calling thread writes, for the longest run of finished blocks.
  auto report = [&] {
    while (reported < blocks &&
           finished[reported].load(std::memory_order_acquire)) {
      int32_t first = reported * size;
      int32_t last = std::min(sampleCount, first + size);
      for (int32_t j = (first + kProgressInterval - 1) / kProgressInterval *
                       kProgressInterval;
           progress != nullptr && j < last; j += kProgressInterval) {
        WriteProgress(*progress, j, sampleCount);
      }
      ++reported;
    }
  };
  auto work = [&](int thread) {
    for (;;) {
      int32_t b = nextBlock.fetch_add(1);
      if (b >= blocks) break;
      int32_t first = b * size;
      body(thread, first, std::min(sampleCount, first + size));
      finished[b].store(true, std::memory_order_release);
      if (thread == 0) report();
    }
  };
  RunOnThreads(layout.threads, work);
  report();
  return true;
}

}  // namespace lumitone
