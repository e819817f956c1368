#include "cli/run_converter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <new>
#include <string>

#include "cli/run_settings.h"
#include "picture/rgb_image.h"
#include "synthesis/generate_samples.h"
#include "synthesis/phase_table.h"
#include "wav/wav_writer.h"

namespace lumitone {
namespace {

bool FileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

bool LoadInputs(const RunSettings& settings, RgbImage pictures[2]) {
  for (size_t channel = 0; channel < settings.inputPaths.size(); ++channel) {
    const std::string& path = settings.inputPaths[channel];
    if (!FileExists(path)) {
      std::cerr << "Specified input file '" << path << "' not found.\n";
      return false;
    }
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
    phaseTable = BuildPhaseTable(settings, ratio);
  } catch (const std::bad_alloc&) {
    std::cerr << "Not enough memory for the sample buffers.\n";
    return false;
  }
  return true;
}

// Writes the file and checks every write and the close; a file that could
// not be written completely is removed, unless it is not a regular file.
bool WriteOutput(FILE* file, const std::string& path, const SampleBuffer& left,
                 const SampleBuffer& right, int channelCount,
                 int32_t sampleCount) {
  bool ok = WriteWav(file, left, right, channelCount, sampleCount);
  struct stat info;
  bool regular = ::fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
  ok = std::fclose(file) == 0 && ok;
  if (ok) return true;
  std::cerr << "Could not write output file '" << path << "'.\n";
  if (regular) ::unlink(path.c_str());
  return false;
}

}  // namespace

void SetUpConsole() {
  if (::isatty(STDOUT_FILENO)) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
  } else {
    std::setvbuf(stdout, nullptr, _IOFBF, BUFSIZ);
  }
}

int RunConverter(int argumentCount, const char* const* arguments) {
  RunSettings settings;
  if (!ParseArguments(argumentCount, arguments, settings)) {
    std::cerr << "To see a usage message at any time, type the program name "
                 "with no parameters.\n";
    return -1;
  }

  RgbImage pictures[2];
  if (!LoadInputs(settings, pictures)) return -1;

  int channelCount = static_cast<int>(settings.inputPaths.size());
  int32_t sampleCount = SampleCount(settings.durationSeconds);
  SampleBuffer left, right;
  double ratio = RungRatio(settings.stepsPerOctave);
  PhaseTable phaseTable;
  if (!CreateBuffers(settings, sampleCount, left, right, ratio, phaseTable)) {
    return -1;
  }
  std::cout << "Generating samples.\n";
  if (!GenerateSamples(settings, pictures, phaseTable, ratio, left, right,
                       sampleCount, std::cout)) {
    return -1;
  }
  std::cout << "Normalizing samples.\n";
  NormalizeSamples(left, right, channelCount, sampleCount);

  FILE* file = std::fopen(settings.outputPath.c_str(), "wb");
  if (file == nullptr) {
    std::cerr << "Could not create output file '" << settings.outputPath
              << ".\n";
    return -1;
  }
  std::cout << "Writing output file.\n";
  if (!WriteOutput(file, settings.outputPath, left, right, channelCount,
                   sampleCount)) {
    return -1;
  }
  return 0;
}

}  // namespace lumitone
