// The whole run, from the command line to the WAV file, on pictures from the
// input bytes. The first five bytes choose the run: mono or stereo, where
// the output goes, a duration of 1 to 10 ms, a small ladder, and where the
// rest of the bytes is split into the two pictures. Every exec stays a few
// milliseconds long and writes only inside the scratch directory.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "cli/run_converter.h"
#include "fuzz/fuzz_support.h"
#include "synthesis/generate_samples.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  lumitone::fuzzing::QuietStreams();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kControlBytes = 5;
  if (size < kControlBytes) return 0;
  const std::string& dir = lumitone::fuzzing::ScratchDirectory();
  std::string first = dir + "/a.jpg", second = dir + "/b.jpg";
  std::string wav = dir + "/out.wav";

  bool stereo = data[0] & 1;
  size_t pictureBytes = size - kControlBytes;
  size_t split = stereo ? (size_t{data[3]} << 8 | data[4]) % (pictureBytes + 1)
                        : pictureBytes;
  const uint8_t* pictures = data + kControlBytes;
  if (!lumitone::fuzzing::WriteWholeFile(first, pictures, split)) return 0;
  if (stereo && !lumitone::fuzzing::WriteWholeFile(second, pictures + split,
                                                   pictureBytes - split)) {
    return 0;
  }

  // Mostly a plain new file; sometimes one of the faults the driver guards
  // against: an input, a directory, a missing directory, a device.
  std::string output;
  switch ((data[0] >> 1) & 7) {
    case 5:
      output = first;
      break;
    case 6:
      output = dir;
      break;
    case 7:
      output = dir + "/missing/out.wav";
      break;
    default:
      output = wav;
      break;
  }
  int milliseconds = 1 + (data[0] >> 4) % 10;
  int steps = 1 + data[1] % 24;
  int low = 1 + data[2] * 390;
  int high = low * (2 << (data[1] / 24 % 3));
  if (high > 100000) high = 100000;

  std::vector<std::string> words = {
      "lumitone",
      "-i1:" + first,
      "-o:" + output,
      "-d:0.0" + std::string(milliseconds < 10 ? "0" : "") +
          std::to_string(milliseconds),
      "-s:" + std::to_string(steps),
      "-f:" + std::to_string(low) + "-" + std::to_string(high),
  };
  if (stereo) words.push_back("-i2:" + second);
  std::vector<const char*> arguments;
  for (const std::string& word : words) arguments.push_back(word.c_str());
  arguments.push_back(nullptr);

  int status =
      lumitone::RunConverter(static_cast<int>(words.size()), arguments.data());
  struct stat info;
  bool written = ::stat(wav.c_str(), &info) == 0;
  if (status == 0) {
    // 44 header bytes and two bytes per sample and channel, nothing else.
    int64_t samples = lumitone::SampleCount(milliseconds / 1000.0);
    int64_t expected = 44 + 2 * (stereo ? 2 : 1) * samples;
    if (output != wav || !written || info.st_size != expected) __builtin_trap();
  } else if (status != -1 || (output == wav && written)) {
    // A failed run returns -1 and leaves no output file of its own.
    __builtin_trap();
  }
  ::unlink(wav.c_str());
  return 0;
}
