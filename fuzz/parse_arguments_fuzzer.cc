// The command line: the input bytes, split at each NUL, are the words after
// the program name. Whatever the words, the parse must end with a settings
// record inside every limit or a refusal.
#include <string>
#include <vector>

#include "cli/run_settings.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  lumitone::fuzzing::QuietStreams();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kMaxWords = 64;
  std::vector<std::string> words = {"lumitone"};
  if (size > 0) words.emplace_back();
  for (size_t i = 0; i < size; ++i) {
    if (data[i] != 0) {
      words.back().push_back(static_cast<char>(data[i]));
    } else if (words.size() <= kMaxWords) {
      words.emplace_back();
    } else {
      break;
    }
  }
  std::vector<const char*> arguments;
  for (const std::string& word : words) arguments.push_back(word.c_str());
  arguments.push_back(nullptr);

  lumitone::RunSettings settings;
  if (!lumitone::ParseArguments(static_cast<int>(words.size()),
                                arguments.data(), settings)) {
    return 0;
  }
  using namespace lumitone;
  bool sound =
      (settings.inputPaths.size() == 1 || settings.inputPaths.size() == 2) &&
      settings.durationSeconds >= kMinDurationSeconds &&
      settings.durationSeconds <= kMaxDurationSeconds &&
      settings.stepsPerOctave >= kMinStepsPerOctave &&
      settings.stepsPerOctave <= kMaxStepsPerOctave &&
      settings.lowFrequency >= kMinFrequency &&
      settings.lowFrequency < settings.highFrequency &&
      settings.highFrequency <= kMaxFrequency;
  if (!sound) __builtin_trap();
  return 0;
}
