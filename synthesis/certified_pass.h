// The approximate pass of the certified engine. For every value it stores
// the approximation S' in the sample buffer and the bound E >= |S' - S| (S
// the plain loops' double) in a bound array, one block of samples at a
// time. Groups of samples whose columns do not fit one kernel window are
// computed exactly instead (S' = S, E = 0).
#pragma once

#include <cstdint>
#include <vector>

#include "cli/run_settings.h"
#include "picture/rgb_image.h"
#include "synthesis/block_synthesis.h"
#include "synthesis/certified_kernel.h"
#include "synthesis/phase_table.h"

namespace lumitone {

// Read-only during the pass; shared by all threads.
struct CertifiedPlan {
  int channels = 0;
  int32_t sampleCount = 0;
  double durationSeconds = 0;
  int widths[2] = {0, 0};
  const CertifiedKernels* kernels = nullptr;
  SynthesisPlan exact;  // for exact groups and single-value recomputation
  // Per channel: the luminance of every row a rung reads, each row padded
  // with a window of zeros so that any window starting inside it is whole.
  std::vector<double> luminance[2];
  // Per channel and column x: the sum over the rungs, in ladder order, of
  // the rung's weighted luminance at x.
  std::vector<double> columnSums[2];
  // With rotated sines, per channel and column x: the sum over the rungs of
  // f_i times the rung's weighted luminance at x.
  std::vector<double> frequencySums[2];
  std::vector<RungTerms> rungs;
  bool rotated = false;    // wide groups take their sines by rotation
  double boundFactor = 0;  // C(K)
};

// Whether wide groups take their sines by rotation.
enum class SineMethod { kChosen, kPolynomial, kRotation };

// Why the certified pass cannot take this run, or null when it can; fills
// `plan` when it can. Throws std::bad_alloc when memory runs out.
const char* MakeCertifiedPlan(const RunSettings& settings,
                              const RgbImage pictures[2],
                              const PhaseTable& phaseTable, double ratio,
                              const CertifiedKernels& kernels, int threads,
                              CertifiedPlan& plan,
                              SineMethod method = SineMethod::kChosen);

// Over a set of values: M = max(0, max fl(|S'| - E)), the least the peak
// can be, H = max fl(|S'| + E), the most any value can be, and how many
// values were computed exactly.
struct BoundExtremes {
  double lowest = 0.0;
  double highest = 0.0;
  int64_t exactValues = 0;
};

// Per-thread working memory for blocks of up to `blockSamples` samples.
struct PassScratch {
  std::vector<double> twoPiTime, sums[2];
  std::vector<double> nearWeight[2], farWeight[2];
  std::vector<int32_t> near[2], far[2], relativeNear[2], relativeFar[2];
  std::vector<char> exact;  // per sample: computed exactly
  BlockScratch exactScratch;
};

// Throws std::bad_alloc when memory runs out.
PassScratch MakePassScratch(const CertifiedPlan& plan, int32_t blockSamples);

// Samples [begin, end): S' of channel k to values[k][j] and E to
// bounds[k][j] (both indexed by sample number); widens `extremes`.
void CertifiedBlock(const CertifiedPlan& plan, int32_t begin, int32_t end,
                    PassScratch& scratch, double* const values[2],
                    double* const bounds[2], BoundExtremes& extremes);

// The plain loops' doubles of sample j in every channel, to out[0..1].
void ExactSample(const CertifiedPlan& plan, int32_t j, BlockScratch& scratch,
                 double out[2]);

}  // namespace lumitone
