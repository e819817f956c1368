#include "cli/run_converter.h"

#include <sys/stat.h>

#include <iostream>
#include <new>
#include <string>

#include "cli/output_file.h"
#include "cli/run_settings.h"
#include "picture/rgb_image.h"
#include "synthesis/generate_samples.h"
#include "synthesis/phase_table.h"
#include "wav/wav_writer.h"

namespace lumitone {
namespace {

bool LoadInputs(const RunSettings& settings, RgbImage pictures[2],
                FileIdentity inputs[2]) {
  for (size_t channel = 0; channel < settings.inputPaths.size(); ++channel) {
    const std::string& path = settings.inputPaths[channel];
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
      std::cerr << "Specified input file '" << path << "' not found.\n";
      return false;
    }
    inputs[channel] = IdentityOf(info);
    std::cout << "Loading JPEG file.\n";
    if (!pictures[channel].LoadJpeg(path)) {
      std::cerr << "Failed to load '" << path << "'.\n";
      return false;
    }
  }
  return true;
}

bool CreateBuffers(const RunSettings& settings, int32_t sampleCount,
                   SampleBuffer& left, SampleBuffer& right, double ratio,
                   PhaseTable& phaseTable) {
  try {
    left.assign(static_cast<size_t>(sampleCount), 0.0);
    if (settings.inputPaths.size() == 2) {
      right.resize(static_cast<size_t>(sampleCount), 0.0);
    }
  } catch (const std::bad_alloc&) {
    std::cerr << "Not enough memory for the sample buffers.\n";
    return false;
  }
  // A fine ladder over a wide range holds hundreds of thousands of rungs.
  try {
    phaseTable = BuildPhaseTable(settings, ratio);
  } catch (const std::bad_alloc&) {
    std::cerr << "Not enough memory for the phase table.\n";
    return false;
  }
  return true;
}

int Run(int argumentCount, const char* const* arguments) {
  RunSettings settings;
  if (!ParseArguments(argumentCount, arguments, settings)) {
    std::cerr << "To see a usage message at any time, type the program name "
                 "with no parameters.\n";
    return -1;
  }

  RgbImage pictures[2];
  FileIdentity inputs[2];
  if (!LoadInputs(settings, pictures, inputs)) return -1;
  if (!CheckOutputPath(settings.outputPath, inputs)) return -1;

  int channelCount = static_cast<int>(settings.inputPaths.size());
  int32_t sampleCount = SampleCount(settings.durationSeconds);
  SampleBuffer left, right;
  double ratio = RungRatio(settings.stepsPerOctave);
  PhaseTable phaseTable;
  if (!CreateBuffers(settings, sampleCount, left, right, ratio, phaseTable)) {
    return -1;
  }
  SynthesisState synthesis;
  std::cout << "Generating samples.\n";
  if (!GenerateSamples(settings, pictures, phaseTable, ratio, left, right,
                       sampleCount, std::cout, synthesis)) {
    return -1;
  }
  std::cout << "Normalizing samples.\n";
  NormalizeSamples(left, right, channelCount, sampleCount, synthesis);

  OutputFile output;
  if (!OpenOutputFile(settings.outputPath, inputs, output)) return -1;
  std::cout << "Writing output file.\n";
  bool written = WriteWav(output.file, left, right, channelCount, sampleCount);
  if (!FinishOutputFile(output, written)) return -1;
  return 0;
}

}  // namespace

int RunConverter(int argumentCount, const char* const* arguments) {
  // The pictures, the sample buffers, the phase table and the synthesis
  // report their own shortage; this catches the small allocations (strings,
  // paths) that fail only when memory is all but gone.
  try {
    return Run(argumentCount, arguments);
  } catch (const std::bad_alloc&) {
    std::cerr << "Not enough memory to finish the conversion.\n";
    return -1;
  }
}

}  // namespace lumitone
