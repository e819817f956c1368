#include "cli/run_settings.h"

#include <iostream>

#include "cli/number_scan.h"
#include "cli/usage.h"

namespace lumitone {
namespace {

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

void PrintRangeHint() {
  std::cerr << "Frequency range should be two numbers in the range "
            << kMinFrequency << " to " << kMaxFrequency << "\n"
            << "separated by a hyphen, e.g, " << kDefaultLowFrequency << " to "
            << kDefaultHighFrequency << ".\n";
}

bool ParseDuration(const std::string& value, RunSettings& settings) {
  if (!ScanDouble(value, settings.durationSeconds)) {
    std::cerr << "Can't understand specified duration. Should be in seconds, "
                 "e.g. -d:1 or -d:5.6\n";
    return false;
  }
  if (settings.durationSeconds < kMinDurationSeconds) {
    std::cerr << "Please specify a longer duration. Minimum is "
              << kMinDurationSeconds << ".\n";
    return false;
  }
  if (settings.durationSeconds > kMaxDurationSeconds) {
    std::cerr << "Please specify a shorter duration. Maximum is "
              << kMaxDurationSeconds << ".\n";
    return false;
  }
  return true;
}

bool ParseSteps(const std::string& value, RunSettings& settings) {
  if (!ScanInt(value, settings.stepsPerOctave)) {
    std::cerr << "Can't understand specified steps per octave.\n"
              << "Should be in range " << kMinStepsPerOctave << " to "
              << kMaxStepsPerOctave << " inclusive.\n";
    return false;
  }
  if (settings.stepsPerOctave < kMinStepsPerOctave ||
      settings.stepsPerOctave > kMaxStepsPerOctave) {
    std::cerr << "Steps per octave must be in range " << kMinStepsPerOctave
              << " to " << kMaxStepsPerOctave << " inclusive.\n";
    return false;
  }
  return true;
}

bool ParseRange(const std::string& value, RunSettings& settings) {
  size_t hyphen = value.find('-');
  if (hyphen == std::string::npos || hyphen == 0 ||
      hyphen == value.size() - 1) {
    PrintRangeHint();
    return false;
  }
  std::string_view low = std::string_view(value).substr(0, hyphen);
  std::string_view high = std::string_view(value).substr(hyphen + 1);
  const char* problem = nullptr;
  if (!ScanInt(low, settings.lowFrequency)) {
    problem =
        "Can't understand lower frequency of specified frequency range.\n";
  } else if (!ScanInt(high, settings.highFrequency)) {
    problem =
        "Can't understand higher frequency of specified frequency range.\n";
  } else if (settings.lowFrequency < kMinFrequency ||
             settings.lowFrequency > kMaxFrequency ||
             settings.highFrequency < kMinFrequency ||
             settings.highFrequency > kMaxFrequency) {
    problem = "Please specify some sensible frequencies!\n";
  } else if (settings.lowFrequency == settings.highFrequency) {
    problem =
        "Try making the two frequencies in the range different from each "
        "other.\n";
  } else if (settings.highFrequency < settings.lowFrequency) {
    problem = "Frequency range should go from lower to higher. Try again.\n";
  }
  if (problem == nullptr) return true;
  std::cerr << problem;
  PrintRangeHint();
  return false;
}

// Marks an option seen; false, after the message, when it was seen before.
// A parse that fails stops at once, so marking before the value is checked
// changes nothing.
bool FirstTime(bool& seen, const char* what) {
  if (seen) {
    std::cerr << "You specified " << what << " more than once.\n";
    return false;
  }
  seen = true;
  return true;
}

}  // namespace

bool MatchOption(std::string_view word, std::string_view name,
                 std::string& value) {
  std::string key;
  key.reserve(name.size() + 2);
  key.push_back('-');
  key.append(name);
  key.push_back(':');
  if (word.size() < key.size()) return false;
  for (size_t i = 0; i < key.size(); ++i) {
    if (LowerAscii(word[i]) != LowerAscii(key[i])) return false;
  }
  value = std::string(word.substr(key.size()));
  return true;
}

bool ParseArguments(int argumentCount, const char* const* arguments,
                    RunSettings& settings) {
  if (argumentCount == 1) {
    PrintUsage(arguments[0]);
    return false;
  }
  bool seen_input1 = false, seen_input2 = false, seen_output = false,
       seen_duration = false, seen_steps = false, seen_range = false;
  std::string input1, input2, value;
  for (int index = 1; index < argumentCount; ++index) {
    std::string_view word = arguments[index];
    if (MatchOption(word, "i1", value)) {
      if (!FirstTime(seen_input1, "input file 1")) return false;
      input1 = value;
    } else if (MatchOption(word, "i2", value)) {
      if (!FirstTime(seen_input2, "input file 2")) return false;
      input2 = value;
    } else if (MatchOption(word, "o", value)) {
      if (!FirstTime(seen_output, "output file")) return false;
      settings.outputPath = value;
    } else if (MatchOption(word, "d", value)) {
      if (!FirstTime(seen_duration, "duration") ||
          !ParseDuration(value, settings)) {
        return false;
      }
    } else if (MatchOption(word, "s", value)) {
      if (!FirstTime(seen_steps, "steps per octave") ||
          !ParseSteps(value, settings)) {
        return false;
      }
    } else if (MatchOption(word, "f", value)) {
      if (!FirstTime(seen_range, "the frequency range") ||
          !ParseRange(value, settings)) {
        return false;
      }
    }
  }
  if (seen_input2 && !seen_input1) {
    std::cerr << "You specified input file 2 but not input file 1.\n";
    return false;
  }
  if (!seen_input1) {
    std::cerr << "You didn't specify an input file 1.\n";
    return false;
  }
  if (!seen_output) {
    std::cerr << "You didn't specify an output file.\n";
    return false;
  }
  if (!seen_duration) {
    std::cerr << "You didn't specify the duration.\n";
    return false;
  }
  settings.inputPaths.push_back(input1);
  if (seen_input2) settings.inputPaths.push_back(input2);
  return true;
}

}  // namespace lumitone
