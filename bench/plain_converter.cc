// The converter with its synthesis written as the plain nested loops, on one
// thread: what whole-program runs of lumitone are timed against, and the
// file they must equal byte for byte (bench/whole_runs.sh). Same command
// line; no output-file safeguards.
#include <cstdio>
#include <iostream>

#include "cli/run_settings.h"
#include "picture/rgb_image.h"
#include "synthesis/exact_synthesis.h"
#include "synthesis/phase_table.h"
#include "synthesis/plain_samples.h"
#include "wav/wav_writer.h"

int main(int argc, char** argv) {
  using namespace lumitone;
  RunSettings settings;
  if (!ParseArguments(argc, argv, settings)) return 1;
  RgbImage pictures[2];
  for (size_t k = 0; k < settings.inputPaths.size(); ++k) {
    if (!pictures[k].LoadJpeg(settings.inputPaths[k])) return 1;
  }
  const int channels = static_cast<int>(settings.inputPaths.size());
  const int32_t n = SampleCount(settings.durationSeconds);
  SampleBuffer left(n), right(channels == 2 ? n : 0);
  const double ratio = RungRatio(settings.stepsPerOctave);
  const PhaseTable phases = BuildPhaseTable(settings, ratio);
  GeneratePlainSamples(settings, pictures, phases, ratio, left, right, n,
                       std::cout);
  NormalizeExactSamples(left, right, channels, n, 1);
  FILE* file = std::fopen(settings.outputPath.c_str(), "wb");
  if (file == nullptr) return 1;
  bool written = WriteWav(file, left, right, channels, n);
  return std::fclose(file) == 0 && written ? 0 : 1;
}
