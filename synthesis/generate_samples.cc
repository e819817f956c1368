#include "synthesis/generate_samples.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <iostream>
#include <new>

#include "synthesis/block_runner.h"
#include "synthesis/exact_synthesis.h"
#include "synthesis/kernel_choice.h"
#include "synthesis/worker_threads.h"
#include "wav/wav_writer.h"

namespace lumitone {
namespace {

// The largest block: long enough that its fixed costs vanish, short enough
// that the threads share the work evenly.
constexpr int32_t kLargestBlock = 2048;
constexpr int32_t kSmallestBlock = 64;

struct Buffers {
  double* values[2];
  double* bounds[2];
};

Buffers BuffersOf(SampleBuffer& left, SampleBuffer& right,
                  SynthesisState& state) {
  return {{left.data(), right.data()},
          {state.bounds[0].data(), state.bounds[1].data()}};
}

int ChannelCount(const SynthesisState& state) {
  return static_cast<int>(state.settings->inputPaths.size());
}

// More peak candidates than this (many values sharing the peak magnitude)
// and the exact engine is cheaper.
int64_t CandidateLimit(const SynthesisState& state) {
  if (state.options.candidateLimit >= 0) return state.options.candidateLimit;
  return state.report.values / 64 + 16;
}

bool GenerateExactly(SynthesisState& state, SampleBuffer& left,
                     SampleBuffer& right, int32_t sampleCount,
                     std::ostream& progress, const char* reason) {
  state.report.fallback = reason;
  state.certified = false;
  return GenerateExactSamples(
      *state.settings, state.pictures, *state.phaseTable, state.ratio, left,
      right, sampleCount, progress, {.threads = state.options.threads});
}

// The plan, the bound arrays and the threads' working memory; false when
// memory runs out (the exact engine, which needs none of it, then runs).
const char* PrepareCertifiedRun(SynthesisState& state, int32_t sampleCount,
                                const BlockLayout& layout,
                                std::vector<PassScratch>& scratch) {
  try {
    const char* reason =
        MakeCertifiedPlan(*state.settings, state.pictures, *state.phaseTable,
                          state.ratio, *state.options.kernels, layout.threads,
                          state.plan, state.options.sines);
    if (reason != nullptr) return reason;
    for (int k = 0; k < ChannelCount(state); ++k) {
      state.bounds[k].resize(static_cast<size_t>(sampleCount));
    }
    for (int t = 0; t < layout.threads; ++t) {
      scratch.push_back(MakePassScratch(state.plan, layout.blockSamples));
      state.scratch.push_back(MakeBlockScratch());
    }
    state.candidates.reserve(static_cast<size_t>(CandidateLimit(state)));
  } catch (const std::bad_alloc&) {
    state.plan = CertifiedPlan{};
    for (auto& bounds : state.bounds) std::vector<double>().swap(bounds);
    state.scratch.clear();
    return "not enough memory for the certified pass";
  }
  return nullptr;
}

// The approximate pass over every block, and the extremes of its bounds.
bool RunCertifiedPass(SynthesisState& state, SampleBuffer& left,
                      SampleBuffer& right, int32_t sampleCount,
                      std::ostream& progress, const BlockLayout& layout,
                      std::vector<PassScratch>& scratch) {
  Buffers buffers = BuffersOf(left, right, state);
  std::vector<BoundExtremes> extremes(static_cast<size_t>(layout.threads));
  if (!RunBlocks(layout, sampleCount, &progress,
                 [&](int thread, int32_t first, int32_t last) {
                   CertifiedBlock(state.plan, first, last, scratch[thread],
                                  buffers.values, buffers.bounds,
                                  extremes[thread]);
                 })) {
    return false;
  }
  for (const BoundExtremes& e : extremes) {
    state.extremes.lowest = std::max(state.extremes.lowest, e.lowest);
    state.extremes.highest = std::max(state.extremes.highest, e.highest);
    state.extremes.exactValues += e.exactValues;
  }
  return true;
}

// Check mode: the plain loops' sums beside S' and E.
void KeepForCheck(SynthesisState& state, SampleBuffer& left,
                  SampleBuffer& right, int32_t sampleCount) {
  SampleBuffer exactLeft(left.size()), exactRight(right.size());
  std::ostream discard(nullptr);
  GenerateExactSamples(*state.settings, state.pictures, *state.phaseTable,
                       state.ratio, exactLeft, exactRight, sampleCount, discard,
                       {.threads = state.options.threads});
  state.exactValues[0] = std::move(exactLeft);
  state.exactValues[1] = std::move(exactRight);
}

}  // namespace

bool GenerateSamples(const RunSettings& settings, const RgbImage pictures[2],
                     const PhaseTable& phaseTable, double ratio,
                     SampleBuffer& left, SampleBuffer& right,
                     int32_t sampleCount, std::ostream& progress,
                     SynthesisState& state, const CertifiedOptions& options) {
  state.settings = &settings;
  state.pictures = pictures;
  state.phaseTable = &phaseTable;
  state.ratio = ratio;
  state.options = options;
  state.report = CertifiedReport{};
  state.extremes = BoundExtremes{};
  state.report.values = int64_t{sampleCount} * ChannelCount(state);
  if (state.options.kernels == nullptr) {
    state.options.kernels = BestCertifiedKernels();
  }
  if (options.exactEngine || state.options.kernels == nullptr) {
    return GenerateExactly(state, left, right, sampleCount, progress,
                           options.exactEngine ? "the exact engine asked for"
                                               : "no vector kernels");
  }
  const BlockLayout layout =
      LayOutBlocks(sampleCount, options.threads, kSmallestBlock, kLargestBlock,
                   state.options.kernels->groupSamples);
  std::vector<PassScratch> scratch;
  const auto planStart = std::chrono::steady_clock::now();
  if (const char* reason =
          PrepareCertifiedRun(state, sampleCount, layout, scratch)) {
    return GenerateExactly(state, left, right, sampleCount, progress, reason);
  }
  state.report.planSeconds = std::chrono::duration<double>(
                                 std::chrono::steady_clock::now() - planStart)
                                 .count();
  if (!RunCertifiedPass(state, left, right, sampleCount, progress, layout,
                        scratch)) {
    std::cerr << "Not enough memory to generate the samples.\n";
    return false;
  }
  state.report.exactInPass = state.extremes.exactValues;
  state.report.rotated = state.plan.rotated;
  state.certified = true;
  if (options.check) KeepForCheck(state, left, right, sampleCount);
  return true;
}

}  // namespace lumitone

namespace lumitone {
namespace {

// Calls body(thread, first, last) for `threads` even shares of [0, count).
template <typename Body>
void ShareOut(int threads, int64_t count, Body body) {
  auto share = [&](int index) {
    body(index, count * index / threads, count * (index + 1) / threads);
  };
  RunOnThreads(threads, share);
}

int RecomputeThreads(const SynthesisState& state) {
  return static_cast<int>(state.scratch.size());
}

// Every value again with the exact engine's arithmetic, on the blocks and
// working memory already allocated, without progress texts: the texts are
// written and the console must not show that this happened.
void FallBack(SynthesisState& state, SampleBuffer& left, SampleBuffer& right,
              int channelCount, int32_t sampleCount, const char* reason) {
  state.report.fallback = reason;
  double* values[2] = {left.data(), right.data()};
  ShareOut(RecomputeThreads(state), sampleCount,
           [&](int thread, int64_t first, int64_t last) {
             for (int64_t j = first; j < last; j += kBlockSamples) {
               int32_t end = static_cast<int32_t>(
                   std::min<int64_t>(last, j + kBlockSamples));
               double* out[2] = {values[0] + j,
                                 channelCount == 2 ? values[1] + j : nullptr};
               SynthesizeBlock(state.plan.exact, static_cast<int32_t>(j), end,
                               state.scratch[thread], out);
             }
           });
  NormalizeExactSamples(left, right, channelCount, sampleCount,
                        state.options.threads);
}

// A few values spread over the run, recomputed exactly: each must lie
// within its bound, or the premises of the bound do not hold on this
// machine (a C library sine less accurate than assumed, say).
bool CanaryHolds(SynthesisState& state, const Buffers& buffers,
                 int channelCount) {
  const int64_t values = state.report.values;
  const int count = state.options.canaryCount;
  std::atomic<bool> holds{true};
  ShareOut(RecomputeThreads(state), count,
           [&](int thread, int64_t first, int64_t last) {
             for (int64_t c = first; c < last; ++c) {
               int64_t v = (2 * c + 1) * values / (2 * int64_t{count});
               int32_t j = static_cast<int32_t>(v / channelCount);
               int k = static_cast<int>(v % channelCount);
               double exact[2];
               ExactSample(state.plan, j, state.scratch[thread], exact);
               double bound =
                   buffers.bounds[k][j] * state.options.canaryBoundScale;
               if (!(std::fabs(exact[k] - buffers.values[k][j]) <= bound)) {
                 holds = false;
               }
             }
           });
  return holds;
}

// The values that may hold the peak: those whose upper end reaches the
// largest lower end. False when there are more than the limit.
bool FindCandidates(SynthesisState& state, const Buffers& buffers,
                    int channelCount, int32_t sampleCount) {
  const double lowest = state.extremes.lowest;
  state.candidates.clear();
  for (int k = 0; k < channelCount; ++k) {
    for (int32_t j = 0; j < sampleCount; ++j) {
      if (std::fabs(buffers.values[k][j]) + buffers.bounds[k][j] >= lowest) {
        if (static_cast<int64_t>(state.candidates.size()) >=
            CandidateLimit(state)) {
          return false;
        }
        state.candidates.push_back(int64_t{j} * 2 + k);
      }
    }
  }
  return true;
}

// Recomputes the candidates exactly (their bounds become 0) and returns
// the largest magnitude among them: the plain loops' peak.
double ExactPeak(SynthesisState& state, const Buffers& buffers) {
  std::vector<double> peaks(static_cast<size_t>(RecomputeThreads(state)));
  ShareOut(RecomputeThreads(state),
           static_cast<int64_t>(state.candidates.size()),
           [&](int thread, int64_t first, int64_t last) {
             for (int64_t c = first; c < last; ++c) {
               int32_t j = static_cast<int32_t>(state.candidates[c] / 2);
               int k = static_cast<int>(state.candidates[c] % 2);
               double exact[2];
               ExactSample(state.plan, j, state.scratch[thread], exact);
               buffers.values[k][j] = exact[k];
               buffers.bounds[k][j] = 0.0;
               peaks[thread] = std::max(peaks[thread], std::fabs(exact[k]));
             }
           });
  return *std::max_element(peaks.begin(), peaks.end());
}

// Divides by the peak. A value keeps its approximation where both ends of
// its interval give the writer the same 16-bit value (the writer's
// conversion after the division never decreases, so the plain loops'
// value lies between them); any other value is recomputed exactly.
int64_t Quantize(SynthesisState& state, const Buffers& buffers,
                 int channelCount, int32_t sampleCount, double peak) {
  std::atomic<int64_t> recomputed{0};
  ShareOut(RecomputeThreads(state), sampleCount,
           [&](int thread, int64_t first, int64_t last) {
             int64_t own = 0;
             for (int k = 0; k < channelCount; ++k) {
               double* values = buffers.values[k];
               const double* bounds = buffers.bounds[k];
               for (int64_t j = first; j < last; ++j) {
                 double low = (values[j] - bounds[j]) / peak;
                 double high = (values[j] + bounds[j]) / peak;
                 if (std::fabs(low) <= 2 && std::fabs(high) <= 2 &&
                     WavSampleValue(low) == WavSampleValue(high)) {
                   values[j] = low;
                   continue;
                 }
                 double exact[2];
                 ExactSample(state.plan, static_cast<int32_t>(j),
                             state.scratch[thread], exact);
                 values[j] = exact[k] / peak;
                 ++own;
               }
             }
             recomputed += own;
           });
  return recomputed;
}

void Silence(SampleBuffer& left, SampleBuffer& right, SynthesisState& state) {
  std::fill(left.begin(), left.end(), 0.0);
  std::fill(right.begin(), right.end(), 0.0);
  state.report.silent = true;
}

// Check mode, before certifying: how far each S' is from S, against E.
void CheckBounds(SynthesisState& state, const Buffers& buffers,
                 int channelCount, int32_t sampleCount) {
  CertifiedReport& report = state.report;
  double ratioSum = 0.0;
  int64_t ratioCount = 0;
  for (int k = 0; k < channelCount; ++k) {
    for (int32_t j = 0; j < sampleCount; ++j) {
      double error = std::fabs(buffers.values[k][j] - state.exactValues[k][j]);
      double bound = buffers.bounds[k][j];
      if (error > bound) ++report.boundViolations;
      if (bound > 0) {
        double ratio = error / bound;
        report.largestErrorRatio = std::max(report.largestErrorRatio, ratio);
        ratioSum += ratio;
        ++ratioCount;
      }
    }
  }
  report.meanErrorRatio = ratioCount > 0 ? ratioSum / ratioCount : 0.0;
}

// Check mode, after: the 16-bit values against the exact engine's.
void CheckValues(SynthesisState& state, const SampleBuffer& left,
                 const SampleBuffer& right, int channelCount,
                 int32_t sampleCount) {
  NormalizeExactSamples(state.exactValues[0], state.exactValues[1],
                        channelCount, sampleCount, state.options.threads);
  const SampleBuffer* ours[2] = {&left, &right};
  for (int k = 0; k < channelCount; ++k) {
    for (int32_t j = 0; j < sampleCount; ++j) {
      if (WavSampleValue((*ours[k])[j]) !=
          WavSampleValue(state.exactValues[k][j])) {
        ++state.report.mismatches;
      }
    }
  }
}

void Certify(SampleBuffer& left, SampleBuffer& right, int channelCount,
             int32_t sampleCount, SynthesisState& state) {
  Buffers buffers = BuffersOf(left, right, state);
  if (!CanaryHolds(state, buffers, channelCount)) {
    FallBack(state, left, right, channelCount, sampleCount,
             "a canary value outside its bound");
    return;
  }
  if (state.extremes.highest == 0.0) {
    Silence(left, right, state);
    return;
  }
  if (!FindCandidates(state, buffers, channelCount, sampleCount)) {
    FallBack(state, left, right, channelCount, sampleCount,
             "too many peak candidates");
    return;
  }
  state.report.candidates = static_cast<int64_t>(state.candidates.size());
  const double peak = ExactPeak(state, buffers);
  if (peak == 0.0) {
    Silence(left, right, state);
    return;
  }
  state.report.recomputed =
      Quantize(state, buffers, channelCount, sampleCount, peak);
}

}  // namespace

void NormalizeSamples(SampleBuffer& left, SampleBuffer& right, int channelCount,
                      int32_t sampleCount, SynthesisState& state) {
  if (!state.certified) {
    NormalizeExactSamples(left, right, channelCount, sampleCount,
                          state.options.threads);
    return;
  }
  if (state.options.check) {
    CheckBounds(state, BuffersOf(left, right, state), channelCount,
                sampleCount);
  }
  Certify(left, right, channelCount, sampleCount, state);
  if (state.options.check) {
    CheckValues(state, left, right, channelCount, sampleCount);
  }
}

}  // namespace lumitone
