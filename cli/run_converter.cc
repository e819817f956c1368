#include "cli/run_converter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
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

// Which file a path names, so that the output can be told apart from the
// inputs however it is spelt: through links, "..", or another name.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool known = false;
};

FileIdentity IdentityOf(const struct stat& info) {
  return {info.st_dev, info.st_ino, true};
}

bool IsAnInput(const FileIdentity& file, const FileIdentity inputs[2]) {
  for (int k = 0; k < 2; ++k) {
    if (file.known && inputs[k].known && file.device == inputs[k].device &&
        file.inode == inputs[k].inode) {
      return true;
    }
  }
  return false;
}

void ReportOutputIsAnInput(const std::string& path) {
  std::cerr << "Output file '" << path << "' is one of the input files.\n";
}

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
    phaseTable = BuildPhaseTable(settings, ratio);
  } catch (const std::bad_alloc&) {
    std::cerr << "Not enough memory for the sample buffers.\n";
    return false;
  }
  return true;
}

// Refuses, before any work is spent on the sound, an output that would
// overwrite one of the pictures.
bool OutputIsNotAnInput(const std::string& path, const FileIdentity inputs[2]) {
  struct stat info;
  if (::stat(path.c_str(), &info) == 0 && IsAnInput(IdentityOf(info), inputs)) {
    ReportOutputIsAnInput(path);
    return false;
  }
  return true;
}

// Creates the output, or opens it for replacing. The file is truncated only
// once its descriptor shows it is not one of the inputs, so that no renaming
// during the synthesis can make the program destroy a picture. Opening does
// not block: a pipe with no reader fails at once instead of hanging.
FILE* CreateOutput(const std::string& path, const FileIdentity inputs[2]) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC,
                  0666);
  struct stat info;
  bool ok = fd >= 0 && ::fstat(fd, &info) == 0;
  if (ok && IsAnInput(IdentityOf(info), inputs)) {
    ::close(fd);
    ReportOutputIsAnInput(path);
    return nullptr;
  }
  int flags = ok ? ::fcntl(fd, F_GETFL) : -1;
  ok = ok && flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 &&
       (!S_ISREG(info.st_mode) || ::ftruncate(fd, 0) == 0);
  FILE* file = ok ? ::fdopen(fd, "wb") : nullptr;
  if (file == nullptr) {
    if (fd >= 0) ::close(fd);
    std::cerr << "Could not create output file '" << path << ".\n";
  }
  return file;
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

void SetUpSignals() {
  // A full disk, a file-size limit or a pipe whose reader has gone must show
  // as a failed write, which is reported, not kill the program silently.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
}

void SetUpConsole() {
  // A standard stream that was closed is opened on /dev/null, so that no
  // file the program opens takes its number and receives console text.
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) < 0) {
      int null = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
      if (null >= 0 && null != fd) {
        ::dup2(null, fd);
        ::close(null);
      }
    }
  }
  if (::isatty(STDOUT_FILENO)) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
  } else {
    std::setvbuf(stdout, nullptr, _IOFBF, BUFSIZ);
  }
}

namespace {

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
  if (!OutputIsNotAnInput(settings.outputPath, inputs)) return -1;

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

  FILE* file = CreateOutput(settings.outputPath, inputs);
  if (file == nullptr) return -1;
  std::cout << "Writing output file.\n";
  if (!WriteOutput(file, settings.outputPath, left, right, channelCount,
                   sampleCount)) {
    return -1;
  }
  return 0;
}

}  // namespace

int RunConverter(int argumentCount, const char* const* arguments) {
  // The sample buffers report their own shortage; this catches the small
  // allocations (strings, the phase table) that fail only when memory is
  // all but gone.
  try {
    return Run(argumentCount, arguments);
  } catch (const std::bad_alloc&) {
    std::cerr << "Not enough memory to finish the conversion.\n";
    return -1;
  }
}

}  // namespace lumitone
