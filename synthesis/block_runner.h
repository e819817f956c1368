// Runs a synthesis block by block on several threads. The calling thread
// writes the progress texts of finished blocks in sample order, so the text
// is the same whatever order the blocks end in.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>

namespace lumitone {

struct BlockLayout {
  int32_t blockSamples = 0;  // every block but the last holds this many
  int32_t blocks = 0;
  int threads = 1;
};

// Blocks of about sampleCount / (4 * threads) samples, rounded up to a
// multiple of `multiple` and kept within [smallest, largest] (both
// multiples of `multiple`), so that every thread gets several even on short
// runs. `threads` 0 means every core this process may use.
BlockLayout LayOutBlocks(int32_t sampleCount, int threads, int32_t smallest,
                         int32_t largest, int32_t multiple);

// The thread count to use: `requested`, or every available core for 0,
// never more than `work` and never less than 1.
int ThreadsFor(int requested, int64_t work);

// Calls body(thread, first, last) once for every block [first, last), with
// `thread` in [0, layout.threads). `progress` may be null. False, without
// running anything, when the bookkeeping cannot be allocated.
bool RunBlocks(const BlockLayout& layout, int32_t sampleCount,
               std::ostream* progress,
               const std::function<void(int, int32_t, int32_t)>& body);

}  // namespace lumitone
