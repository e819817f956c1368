// The fast synthesis of one block of consecutive samples. Everything that
// depends only on the rung is computed once per run (SynthesisPlan), and
// everything that depends only on the sample once per block; each sine is
// computed once and serves both channels; rungs whose four neighbouring
// pixels are black in a channel add nothing there and are skipped. Every
// sample's sum adds its rungs in ladder order, so the results are the plain
// loops' doubles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cli/run_settings.h"
#include "picture/rgb_image.h"
#include "synthesis/partial_kernel.h"
#include "synthesis/phase_table.h"
#include "synthesis/sample_buffer.h"
#include "synthesis/sine_block.h"

namespace lumitone {

// Where one rung reads one picture: the byte offsets of its two rows and
// the vertical factors 1 - dy and dy.
struct RungRows {
  size_t row0;
  size_t row1;
  double by0;
  double by1;
};

// Read-only during synthesis; shared by all threads.
struct SynthesisPlan {
  const RunSettings* settings = nullptr;
  int channelCount = 0;
  const RgbImage* pictures[2] = {nullptr, nullptr};
  std::vector<double> frequencies;  // the ladder
  const PhaseTable* phases = nullptr;
  std::vector<RungRows> rows[2];  // per channel, one entry per rung
  AccumulateTermsFn accumulate = nullptr;
  SineBlockFn sine = nullptr;
};

// Per-thread working memory for blocks of up to kBlockSamples samples.
struct BlockScratch {
  std::vector<double> twoPiT, arguments, sines;
  std::vector<double> ax0[2], ax1[2], sums[2];
  std::vector<int> columns[2], farColumns[2];
  std::vector<int> segments;  // first sample of each run of equal columns
};

inline constexpr int32_t kBlockSamples = 512;

// Throws std::bad_alloc when memory runs out.
SynthesisPlan MakeSynthesisPlan(const RunSettings& settings,
                                const RgbImage pictures[2],
                                const PhaseTable& phaseTable, double ratio,
                                AccumulateTermsFn accumulate, SineBlockFn sine);
BlockScratch MakeBlockScratch();

// Computes samples [begin, end), at most kBlockSamples of them: sample
// begin + s of channel k goes to out[k][s].
void SynthesizeBlock(const SynthesisPlan& plan, int32_t begin, int32_t end,
                     BlockScratch& scratch, double* const out[2]);

}  // namespace lumitone
