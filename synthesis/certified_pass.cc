#include "synthesis/certified_pass.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "synthesis/certified_bound.h"
#include "synthesis/kernel_choice.h"
#include "synthesis/sample_buffer.h"
#include "synthesis/sampler_mapping.h"
#include "synthesis/step_rotation.h"
#include "synthesis/worker_threads.h"

namespace lumitone {
namespace {

// The kernel sine is analysed for arguments below 2^26; every argument of
// a run is at most (2*pi * t_end) * f_high + 2*pi, taken with the plain
// loops' operations (each rounding is monotone and every phase is below
// 2*pi).
bool ArgumentsInRange(const RunSettings& settings, int32_t sampleCount) {
  const double twoPi = 2.0 * kPi;
  const double largest = TwoPiTime(SampleTime(sampleCount)) *
                             static_cast<double>(settings.highFrequency) +
                         twoPi;
  return largest < 0x1p26;
}

// Whether a narrow group (one vector of samples) can read all its columns
// from one window: the columns a sample advances by, times the samples of
// the group, plus the far neighbour, must stay inside the window with a
// column to spare for rounding.
bool NarrowGroupsFit(const CertifiedPlan& plan, const CertifiedKernels& k) {
  for (int c = 0; c < plan.channels; ++c) {
    double perSample =
        0.999 * (plan.widths[c] - 1) / (plan.durationSeconds * kSampleRate);
    if (perSample * (k.lanes - 1) + 3 > k.window) return false;
  }
  return true;
}

// The three channel weights times every byte value, each product rounded
// as the sampler rounds it.
struct WeightedBytes {
  double red[256], green[256], blue[256];
};

const WeightedBytes& ChannelProducts() {
  static const WeightedBytes table = [] {
    WeightedBytes t;
    for (int p = 0; p < 256; ++p) {
      t.red[p] = 0.3 * p;
      t.green[p] = 0.5 * p;
      t.blue[p] = 0.2 * p;
    }
    return t;
  }();
  return table;
}

// 0.3 R + 0.5 G + 0.2 B of each pixel of `row`, the first two products
// added first.
void LuminanceRow(const RgbImage& picture, int row, double* out) {
  const WeightedBytes& w = ChannelProducts();
  const unsigned char* p =
      picture.Pixels() + static_cast<size_t>(row) * picture.Width() * 3;
  for (int x = 0; x < picture.Width(); ++x, p += 3) {
    out[x] = w.red[p[0]] + w.green[p[1]] + w.blue[p[2]];
  }
}

// The luminance rows channel k's rungs read, and each rung's rows and
// vertical weights, from the sampler's own mapping. False when the rows
// would take more than `limitBytes`.
bool BuildLuminance(const RgbImage& picture, const RunSettings& settings, int k,
                    int window, size_t limitBytes, CertifiedPlan& plan) {
  const size_t stride = static_cast<size_t>(picture.Width()) + window;
  std::vector<AxisPosition> rows;
  rows.reserve(plan.rungs.size());
  std::vector<int> slot(static_cast<size_t>(picture.Height()), -1);
  size_t rowCount = 0;
  for (const RungTerms& rung : plan.rungs) {
    rows.push_back(RowAt(rung.frequency, settings, picture.Height()));
    for (int y : {rows.back().near, rows.back().far}) {
      if (slot[y] < 0) slot[y] = static_cast<int>(rowCount++);
    }
  }
  if (rowCount * stride > limitBytes / sizeof(double)) return false;
  plan.luminance[k].assign(rowCount * stride, 0.0);
  double* base = plan.luminance[k].data();
  for (size_t y = 0; y < slot.size(); ++y) {
    if (slot[y] >= 0) {
      LuminanceRow(picture, static_cast<int>(y), base + slot[y] * stride);
    }
  }
  for (size_t i = 0; i < plan.rungs.size(); ++i) {
    RungTerms& rung = plan.rungs[i];
    rung.row0[k] = base + slot[rows[i].near] * stride;
    rung.row1[k] = base + slot[rows[i].far] * stride;
    rung.c0[k] = rows[i].nearWeight;
    rung.c1[k] = rows[i].farWeight;
  }
  return true;
}

// Sums every rung's weighted luminance per column, in ladder order, and
// with rotated sines also the luminances times the rungs' frequencies;
// split over the threads by columns.
void BuildColumnSums(int k, int width, int threads, CertifiedPlan& plan) {
  plan.columnSums[k].assign(static_cast<size_t>(width), 0.0);
  if (plan.rotated)
    plan.frequencySums[k].assign(static_cast<size_t>(width), 0.0);
  auto body = [&](int index) {
    const int first = static_cast<int>(int64_t{width} * index / threads);
    const int last = static_cast<int>(int64_t{width} * (index + 1) / threads);
    double* sums = plan.columnSums[k].data();
    double* frequencySums = plan.frequencySums[k].data();
    for (const RungTerms& rung : plan.rungs) {
      const double* row0 = rung.row0[k];
      const double* row1 = rung.row1[k];
      for (int x = first; x < last; ++x) {
        double lv = WeightedLuminance(rung.c0[k], row0[x], rung.c1[k], row1[x]);
        sums[x] = sums[x] + lv;
        if (plan.rotated) {
          frequencySums[x] = frequencySums[x] + rung.frequency * lv;
        }
      }
    }
  };
  RunOnThreads(threads, body);
}

// Rotated sines pay where the sine dominates (many rungs) and their bound,
// which grows with the argument, stays small enough that few values land
// in two 16-bit bins: up to about 20 s at 20 kHz.
bool RotationPays(const RunSettings& settings, size_t rungCount) {
  constexpr size_t kFewestRungs = 64;
  constexpr double kLongestSecondsTimesHertz = 4e5;
  return rungCount >= kFewestRungs &&
         settings.durationSeconds * settings.highFrequency <=
             kLongestSecondsTimesHertz;
}

// The horizontal half of the sampler's arithmetic for every sample of the
// block, padded to whole wide groups with copies of the last sample; no
// sample marked exact yet.
void PrepareLanes(const CertifiedPlan& plan, int32_t begin, int32_t end,
                  int padded, PassScratch& scratch) {
  for (int s = 0; s < padded; ++s) {
    const double t = SampleTime(std::min(begin + s, end - 1));
    scratch.twoPiTime[s] = TwoPiTime(t);
    scratch.exact[s] = 0;
    for (int k = 0; k < plan.channels; ++k) {
      AxisPosition x = ColumnAt(t, plan.durationSeconds, plan.widths[k]);
      scratch.near[k][s] = x.near;
      scratch.far[k][s] = x.far;
      scratch.nearWeight[k][s] = x.nearWeight;
      scratch.farWeight[k][s] = x.farWeight;
    }
  }
}

// Runs `sum` on the `count` samples from `first` when their columns fit one
// window in every channel; false, with nothing done, when they do not.
bool SumGroupIfItFits(const CertifiedPlan& plan, SumGroupFn sum, int first,
                      int count, PassScratch& scratch) {
  GroupLanes lanes{};
  lanes.twoPiTime = scratch.twoPiTime.data() + first;
  double* sums[2] = {nullptr, nullptr};
  for (int k = 0; k < plan.channels; ++k) {
    const int start = scratch.near[k][first];
    // Columns never decrease with time, so the last far column is the
    // largest of the group.
    if (scratch.far[k][first + count - 1] - start >= plan.kernels->window) {
      return false;
    }
    for (int s = first; s < first + count; ++s) {
      scratch.relativeNear[k][s] = scratch.near[k][s] - start;
      scratch.relativeFar[k][s] = scratch.far[k][s] - start;
    }
    lanes.windowStart[k] = start;
    lanes.near[k] = scratch.relativeNear[k].data() + first;
    lanes.far[k] = scratch.relativeFar[k].data() + first;
    lanes.nearWeight[k] = scratch.nearWeight[k].data() + first;
    lanes.farWeight[k] = scratch.farWeight[k].data() + first;
    sums[k] = scratch.sums[k].data() + first;
  }
  sum(plan.rungs.data(), plan.rungs.size(), lanes, sums);
  return true;
}

// Samples [first, last) of the block computed with the plain loops' doubles.
void SumExactly(const CertifiedPlan& plan, int32_t begin, int first, int last,
                PassScratch& scratch) {
  double* out[2] = {scratch.sums[0].data() + first,
                    scratch.sums[1].data() + first};
  SynthesizeBlock(plan.exact, begin + first, begin + last, scratch.exactScratch,
                  out);
  std::fill(scratch.exact.begin() + first, scratch.exact.begin() + last, 1);
}

// The rotated sines' extra bound for sample s of the block in channel k.
double RotatedBound(const CertifiedPlan& plan, int k, int s,
                    const PassScratch& scratch) {
  const double twoPi = 2.0 * kPi;
  const double twoPiTime = scratch.twoPiTime[s];
  const int near = scratch.near[k][s];
  const int far = scratch.far[k][s];
  const double* frequencySums = plan.frequencySums[k].data();
  const double* columnSums = plan.columnSums[k].data();
  return scratch.nearWeight[k][s] *
             RotationColumnBound(twoPiTime, frequencySums[near],
                                 columnSums[near], twoPi) +
         scratch.farWeight[k][s] * RotationColumnBound(twoPiTime,
                                                       frequencySums[far],
                                                       columnSums[far], twoPi);
}

// E for each sample of the block, S' and E to the run's arrays.
void StoreValues(const CertifiedPlan& plan, int32_t begin, int n,
                 const PassScratch& scratch, double* const values[2],
                 double* const bounds[2], BoundExtremes& extremes) {
  for (int k = 0; k < plan.channels; ++k) {
    const double* columnSums = plan.columnSums[k].data();
    for (int s = 0; s < n; ++s) {
      const double value = scratch.sums[k][s];
      double bound = 0.0;
      if (scratch.exact[s]) {
        ++extremes.exactValues;
      } else {
        const double brightness =
            scratch.nearWeight[k][s] * columnSums[scratch.near[k][s]] +
            scratch.farWeight[k][s] * columnSums[scratch.far[k][s]];
        bound = ValueBound(plan.boundFactor, brightness, value);
        if (plan.rotated) {
          bound = bound + RotatedBound(plan, k, s, scratch);
        }
      }
      values[k][begin + s] = value;
      bounds[k][begin + s] = bound;
      extremes.lowest = std::max(extremes.lowest, std::fabs(value) - bound);
      extremes.highest = std::max(extremes.highest, std::fabs(value) + bound);
    }
  }
}

}  // namespace

const char* MakeCertifiedPlan(const RunSettings& settings,
                              const RgbImage pictures[2],
                              const PhaseTable& phaseTable, double ratio,
                              const CertifiedKernels& kernels, int threads,
                              CertifiedPlan& plan, SineMethod method) {
  // Luminance rows beyond this per channel (pictures of tens of thousands
  // of rows read by as many rungs) are left to the exact engine.
  constexpr size_t kLuminanceLimit = size_t{512} << 20;
  plan.channels = static_cast<int>(settings.inputPaths.size());
  plan.sampleCount = SampleCount(settings.durationSeconds);
  plan.durationSeconds = settings.durationSeconds;
  plan.kernels = &kernels;
  for (int k = 0; k < plan.channels; ++k) plan.widths[k] = pictures[k].Width();
  if (!ArgumentsInRange(settings, plan.sampleCount)) {
    return "arguments beyond the sine's range";
  }
  if (!NarrowGroupsFit(plan, kernels)) return "columns too short";
  plan.exact = MakeSynthesisPlan(settings, pictures, phaseTable, ratio,
                                 BestAccumulateTerms(), SineBlock);
  plan.rungs.assign(plan.exact.frequencies.size(), RungTerms{});
  plan.rotated = method == SineMethod::kChosen
                     ? RotationPays(settings, plan.rungs.size())
                     : method == SineMethod::kRotation;
  for (size_t i = 0; i < plan.rungs.size(); ++i) {
    RungTerms& rung = plan.rungs[i];
    rung.frequency = plan.exact.frequencies[i];
    rung.phase = phaseTable[i];
    if (plan.rotated) {
      StepRotation step = RotationFor(rung.frequency, kernels.lanes, 2.0 * kPi);
      rung.stepCos = step.cos;
      rung.stepSin = step.sin;
    }
  }
  for (int k = 0; k < plan.channels; ++k) {
    if (!BuildLuminance(pictures[k], settings, k, kernels.window,
                        kLuminanceLimit, plan)) {
      return "luminance rows too large";
    }
    BuildColumnSums(k, pictures[k].Width(), threads, plan);
  }
  plan.boundFactor = BoundFactor(
      plan.rungs.size(), plan.rotated ? kRotatedSineError : kKernelSineError);
  return nullptr;
}

PassScratch MakePassScratch(const CertifiedPlan& plan, int32_t blockSamples) {
  const size_t n = static_cast<size_t>(
      (blockSamples + plan.kernels->groupSamples - 1) /
      plan.kernels->groupSamples * plan.kernels->groupSamples);
  PassScratch scratch;
  scratch.twoPiTime.resize(n);
  for (int k = 0; k < 2; ++k) {
    scratch.sums[k].resize(n);
    scratch.nearWeight[k].resize(n);
    scratch.farWeight[k].resize(n);
    scratch.near[k].resize(n);
    scratch.far[k].resize(n);
    scratch.relativeNear[k].resize(n);
    scratch.relativeFar[k].resize(n);
  }
  scratch.exact.resize(n);
  scratch.exactScratch = MakeBlockScratch();
  return scratch;
}

void CertifiedBlock(const CertifiedPlan& plan, int32_t begin, int32_t end,
                    PassScratch& scratch, double* const values[2],
                    double* const bounds[2], BoundExtremes& extremes) {
  const CertifiedKernels& kernels = *plan.kernels;
  const int n = end - begin;
  if (n <= 0) return;
  const int wide = kernels.groupSamples;
  const int narrow = kernels.lanes;
  const int padded = (n + wide - 1) / wide * wide;
  const int c = plan.channels - 1;
  PrepareLanes(plan, begin, end, padded, scratch);
  for (int group = 0; group < padded; group += wide) {
    SumGroupFn wideSum =
        plan.rotated ? kernels.sumRotatedGroup[c] : kernels.sumGroup[c];
    if (SumGroupIfItFits(plan, wideSum, group, wide, scratch)) {
      continue;
    }
    for (int first = group; first < group + wide && first < n;
         first += narrow) {
      if (!SumGroupIfItFits(plan, kernels.sumNarrowGroup[c], first, narrow,
                            scratch)) {
        SumExactly(plan, begin, first, std::min(first + narrow, n), scratch);
      }
    }
  }
  StoreValues(plan, begin, n, scratch, values, bounds, extremes);
}

void ExactSample(const CertifiedPlan& plan, int32_t j, BlockScratch& scratch,
                 double out[2]) {
  double* targets[2] = {&out[0], &out[1]};
  SynthesizeBlock(plan.exact, j, j + 1, scratch, targets);
}

}  // namespace lumitone
