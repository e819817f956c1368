#include "synthesis/block_synthesis.h"

#include <algorithm>
#include <cmath>

namespace lumitone {
namespace {

// The vertical half of the sampler's arithmetic, for one rung.
RungRows RowsOf(const RgbImage& picture, double f, const RunSettings& settings) {
  double v = (f - settings.lowFrequency) /
             static_cast<double>(settings.highFrequency - settings.lowFrequency);
  v = 0.999 * v + 0.0005;
  v = 1.0 - v;
  double fy = static_cast<double>(picture.Height() - 1) * v;
  int y0 = static_cast<int>(std::floor(fy));
  double dy = fy - y0;
  int y1 = std::min(y0 + 1, picture.Height() - 1);
  size_t stride = static_cast<size_t>(picture.Width()) * 3;
  return {static_cast<size_t>(y0) * stride, static_cast<size_t>(y1) * stride,
          1 - dy, dy};
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
                                AccumulateTermsFn accumulate, SineBlockFn sine) {
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
  }
  scratch.segments.reserve(n + 1);
  return scratch;
}

void SynthesizeBlock(const SynthesisPlan& plan, int32_t begin, int32_t end,
                     BlockScratch& scratch, SampleBuffer* buffers[2]) {
  const RunSettings& settings = *plan.settings;
  const int n = end - begin;
  const int channels = plan.channelCount;

  // The horizontal half of the sampler's arithmetic, once per sample.
  for (int s = 0; s < n; ++s) {
    double t = (begin + s) / 44100.0;
    scratch.twoPiT[s] = (2.0 * kPi) * t;
    for (int k = 0; k < channels; ++k) {
      const RgbImage& picture = *plan.pictures[k];
      double u = t / settings.durationSeconds;
      u = 0.999 * u + 0.0005;
      double fx = static_cast<double>(picture.Width() - 1) * u;
      int x0 = static_cast<int>(std::floor(fx));
      double dx = fx - x0;
      scratch.columns[k][s] = x0;
      scratch.ax0[k][s] = 1 - dx;
      scratch.ax1[k][s] = dx;
    }
  }
  // Runs of samples that read the same columns in every channel.
  scratch.segments.clear();
  for (int s = 0; s < n; ++s) {
    bool changed = s == 0;
    for (int k = 0; k < channels; ++k) {
      changed = changed || scratch.columns[k][s] != scratch.columns[k][s - 1];
    }
    if (changed) scratch.segments.push_back(s);
  }
  scratch.segments.push_back(n);
  for (int k = 0; k < channels; ++k) {
    std::fill(scratch.sums[k].begin(), scratch.sums[k].begin() + n, 0.0);
  }

  const PhaseTable& phases = *plan.phases;
  const size_t segmentCount = scratch.segments.size() - 1;
  for (size_t i = 0; i < plan.frequencies.size(); ++i) {
    const double f = plan.frequencies[i];
    const double phase = phases[i];
    for (size_t g = 0; g < segmentCount; ++g) {
      const int first = scratch.segments[g];
      const int count = scratch.segments[g + 1] - first;
      NeighbourPixels pixels[2];
      bool active[2] = {false, false};
      for (int k = 0; k < channels; ++k) {
        const RgbImage& picture = *plan.pictures[k];
        int x0 = scratch.columns[k][first];
        int x1 = std::min(x0 + 1, picture.Width() - 1);
        active[k] = LoadNeighbours(picture.Pixels(), plan.rows[k][i], x0, x1,
                                   pixels[k]);
      }
      if (!active[0] && !active[1]) continue;
      double* arguments = scratch.arguments.data() + first;
      double* sines = scratch.sines.data() + first;
      for (int s = 0; s < count; ++s) {
        arguments[s] = scratch.twoPiT[first + s] * f + phase;
      }
      plan.sine(arguments, sines, count);
      for (int k = 0; k < channels; ++k) {
        if (!active[k]) continue;
        const RungRows& rows = plan.rows[k][i];
        plan.accumulate(pixels[k], rows.by0, rows.by1,
                        scratch.ax0[k].data() + first,
                        scratch.ax1[k].data() + first, sines,
                        scratch.sums[k].data() + first, count);
      }
    }
  }
  for (int k = 0; k < channels; ++k) {
    std::copy(scratch.sums[k].begin(), scratch.sums[k].begin() + n,
              buffers[k]->begin() + begin);
  }
}

}  // namespace lumitone
