#include "synthesis/block_synthesis.h"

#include <algorithm>
#include <cmath>

#include "synthesis/sampler_mapping.h"

namespace lumitone {
namespace {

// The vertical half of the sampler's arithmetic, for one rung.
RungRows RowsOf(const RgbImage& picture, double f,
                const RunSettings& settings) {
  AxisPosition y = RowAt(f, settings, picture.Height());
  size_t stride = static_cast<size_t>(picture.Width()) * 3;
  return {static_cast<size_t>(y.near) * stride,
          static_cast<size_t>(y.far) * stride, y.nearWeight, y.farWeight};
}

// The pixels one rung reads at columns x0 and x1; false when all are black,
// so that the brightness is exactly 0 whatever the weights.
bool LoadNeighbours(const unsigned char* pixels, const RungRows& rows, int x0,
                    int x1, NeighbourPixels& out) {
  const unsigned char* p00 = pixels + rows.row0 + static_cast<size_t>(x0) * 3;
  const unsigned char* p01 = pixels + rows.row1 + static_cast<size_t>(x0) * 3;
  const unsigned char* p10 = pixels + rows.row0 + static_cast<size_t>(x1) * 3;
  const unsigned char* p11 = pixels + rows.row1 + static_cast<size_t>(x1) * 3;
  unsigned any = 0;
  for (int c = 0; c < 3; ++c) any |= p00[c] | p01[c] | p10[c] | p11[c];
  if (any == 0) return false;
  for (int c = 0; c < 3; ++c) {
    out.value[c][0] = p00[c];
    out.value[c][1] = p01[c];
    out.value[c][2] = p10[c];
    out.value[c][3] = p11[c];
  }
  return true;
}

}  // namespace

SynthesisPlan MakeSynthesisPlan(const RunSettings& settings,
                                const RgbImage pictures[2],
                                const PhaseTable& phaseTable, double ratio,
                                AccumulateTermsFn accumulate,
                                SineBlockFn sine) {
  SynthesisPlan plan;
  plan.settings = &settings;
  plan.channelCount = static_cast<int>(settings.inputPaths.size());
  plan.frequencies =
      LadderFrequencies(settings.lowFrequency, settings.highFrequency, ratio);
  plan.phases = &phaseTable;
  plan.accumulate = accumulate;
  plan.sine = sine;
  for (int k = 0; k < plan.channelCount; ++k) {
    plan.pictures[k] = &pictures[k];
    plan.rows[k].reserve(plan.frequencies.size());
    for (double f : plan.frequencies) {
      plan.rows[k].push_back(RowsOf(pictures[k], f, settings));
    }
  }
  return plan;
}

BlockScratch MakeBlockScratch() {
  BlockScratch scratch;
  size_t n = kBlockSamples;
  scratch.twoPiT.resize(n);
  scratch.arguments.resize(n);
  scratch.sines.resize(n);
  for (int k = 0; k < 2; ++k) {
    scratch.ax0[k].resize(n);
    scratch.ax1[k].resize(n);
    scratch.sums[k].resize(n);
    scratch.columns[k].resize(n);
    scratch.farColumns[k].resize(n);
  }
  scratch.segments.reserve(n + 1);
  return scratch;
}

namespace {

// The horizontal half of the sampler's arithmetic, once per sample.
void PrepareSamples(const SynthesisPlan& plan, int32_t begin, int n,
                    BlockScratch& scratch) {
  for (int s = 0; s < n; ++s) {
    double t = SampleTime(begin + s);
    scratch.twoPiT[s] = TwoPiTime(t);
    for (int k = 0; k < plan.channelCount; ++k) {
      AxisPosition x = ColumnAt(t, plan.settings->durationSeconds,
                                plan.pictures[k]->Width());
      scratch.columns[k][s] = x.near;
      scratch.farColumns[k][s] = x.far;
      scratch.ax0[k][s] = x.nearWeight;
      scratch.ax1[k][s] = x.farWeight;
    }
  }
}

// Cuts the block into runs of samples that read the same columns in every
// channel.
void FindSegments(int channels, int n, BlockScratch& scratch) {
  scratch.segments.clear();
  for (int s = 0; s < n; ++s) {
    bool changed = s == 0;
    for (int k = 0; k < channels; ++k) {
      changed = changed || scratch.columns[k][s] != scratch.columns[k][s - 1];
    }
    if (changed) scratch.segments.push_back(s);
  }
  scratch.segments.push_back(n);
}

// Adds rung i's terms to the sums of the run of `count` samples from
// `first`; one sine per sample serves both channels.
void AddRungToRun(const SynthesisPlan& plan, size_t i, int first, int count,
                  BlockScratch& scratch) {
  NeighbourPixels pixels[2];
  bool active[2] = {false, false};
  for (int k = 0; k < plan.channelCount; ++k) {
    active[k] = LoadNeighbours(plan.pictures[k]->Pixels(), plan.rows[k][i],
                               scratch.columns[k][first],
                               scratch.farColumns[k][first], pixels[k]);
  }
  if (!active[0] && !active[1]) return;
  const double f = plan.frequencies[i];
  const double phase = (*plan.phases)[i];
  double* arguments = scratch.arguments.data() + first;
  double* sines = scratch.sines.data() + first;
  for (int s = 0; s < count; ++s) {
    arguments[s] = scratch.twoPiT[first + s] * f + phase;
  }
  plan.sine(arguments, sines, count);
  for (int k = 0; k < plan.channelCount; ++k) {
    if (!active[k]) continue;
    const RungRows& rows = plan.rows[k][i];
    plan.accumulate(pixels[k], rows.by0, rows.by1,
                    scratch.ax0[k].data() + first,
                    scratch.ax1[k].data() + first, sines,
                    scratch.sums[k].data() + first, count);
  }
}

}  // namespace

void SynthesizeBlock(const SynthesisPlan& plan, int32_t begin, int32_t end,
                     BlockScratch& scratch, double* const out[2]) {
  const int n = end - begin;
  PrepareSamples(plan, begin, n, scratch);
  FindSegments(plan.channelCount, n, scratch);
  for (int k = 0; k < plan.channelCount; ++k) {
    std::fill(scratch.sums[k].begin(), scratch.sums[k].begin() + n, 0.0);
  }
  const size_t segmentCount = scratch.segments.size() - 1;
  for (size_t i = 0; i < plan.frequencies.size(); ++i) {
    for (size_t g = 0; g < segmentCount; ++g) {
      const int first = scratch.segments[g];
      AddRungToRun(plan, i, first, scratch.segments[g + 1] - first, scratch);
    }
  }
  for (int k = 0; k < plan.channelCount; ++k) {
    std::copy(scratch.sums[k].begin(), scratch.sums[k].begin() + n, out[k]);
  }
}

}  // namespace lumitone
