// The program's synthesis: the certified engine. A fast approximate pass
// computes every value with a proven bound on its distance from the plain
// loops' double; the normalisation then finds the exact peak and keeps an
// approximate value only where its whole interval gives one 16-bit value,
// recomputing every other value with the plain arithmetic. The WAV bytes
// and the console text are therefore the plain loops' own. Where the proof
// does not apply (a CPU without the vector kernels, arguments beyond the
// analysed range, a canary value outside its bound, too many peak
// candidates) the exact engine runs instead, with the same output.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "cli/run_settings.h"
#include "picture/rgb_image.h"
#include "synthesis/certified_kernel.h"
#include "synthesis/certified_pass.h"
#include "synthesis/phase_table.h"
#include "synthesis/sample_buffer.h"

namespace lumitone {

// Knobs for the tests and the benchmark; the program uses the defaults.
struct CertifiedOptions {
  int threads = 0;  // 0: every core this process may use
  // null: BestCertifiedKernels(), or the exact engine where that is null.
  const CertifiedKernels* kernels = nullptr;
  bool exactEngine = false;  // run the exact engine only
  // Also run the exact engine and compare every value (CertifiedReport).
  bool check = false;
  SineMethod sines = SineMethod::kChosen;
  int64_t candidateLimit = -1;  // -1: a 64th of the values, plus 16
  int canaryCount = 64;
  double canaryBoundScale = 1.0;  // scales E in the canary's test only
};

// What a run did, for the tests and the benchmark.
struct CertifiedReport {
  const char* fallback = nullptr;  // why the exact engine ran, if it did
  bool rotated = false;            // wide groups took their sines by rotation
  double planSeconds = 0.0;        // wall time of the plan, before the pass
  int64_t values = 0;
  int64_t exactInPass = 0;  // values computed exactly in the pass
  int64_t candidates = 0;   // peak candidates recomputed
  int64_t recomputed = 0;   // values the bound could not settle
  bool silent = false;
  // Check mode only.
  int64_t boundViolations = 0;     // values with |S' - S| > E
  int64_t mismatches = 0;          // 16-bit values unlike the exact engine's
  double largestErrorRatio = 0.0;  // max |S' - S| / E over E > 0
  double meanErrorRatio = 0.0;
};

// Everything GenerateSamples hands to NormalizeSamples.
struct SynthesisState {
  const RunSettings* settings = nullptr;
  const RgbImage* pictures = nullptr;
  const PhaseTable* phaseTable = nullptr;
  double ratio = 0.0;
  CertifiedOptions options;
  CertifiedReport report;
  bool certified = false;  // false: the buffers hold the exact sums
  CertifiedPlan plan;
  std::vector<double> bounds[2];  // E per value
  BoundExtremes extremes;
  std::vector<BlockScratch> scratch;   // one per thread, for recomputation
  std::vector<int64_t> candidates;     // room for the peak candidates
  std::vector<double> exactValues[2];  // check mode: the plain loops' sums
};

// Fills samples 0..sampleCount-1 of `left` and, for two input paths, of
// `right` (both already sampleCount long), writing the progress texts to
// `progress` in order from the calling thread. False, after a diagnostic on
// the standard error, when its working memory cannot be allocated.
bool GenerateSamples(const RunSettings& settings, const RgbImage pictures[2],
                     const PhaseTable& phaseTable, double ratio,
                     SampleBuffer& left, SampleBuffer& right,
                     int32_t sampleCount, std::ostream& progress,
                     SynthesisState& state,
                     const CertifiedOptions& options = {});

// Scales the buffers by the one largest magnitude among the plain loops'
// sums, so that every value gives the 16-bit value of the plain loops
// followed by their normalisation.
void NormalizeSamples(SampleBuffer& left, SampleBuffer& right, int channelCount,
                      int32_t sampleCount, SynthesisState& state);

}  // namespace lumitone
