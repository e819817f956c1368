// The settings of one conversion, read from the command line. ParseArguments
// validates every value against the limits below and, on the first problem,
// writes one diagnostic (or the usage text) to the standard error and fails.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumitone {

inline constexpr double kMinDurationSeconds = 0.001;
inline constexpr double kMaxDurationSeconds = 60.0;
inline constexpr int32_t kMinStepsPerOctave = 1;
inline constexpr int32_t kMaxStepsPerOctave = 10000;
inline constexpr int32_t kDefaultStepsPerOctave = 24;
inline constexpr int32_t kMinFrequency = 1;
inline constexpr int32_t kMaxFrequency = 100000;
inline constexpr int32_t kDefaultLowFrequency = 1000;
inline constexpr int32_t kDefaultHighFrequency = 20000;

struct RunSettings {
  std::vector<std::string> inputPaths;  // input 1, then input 2 for stereo
  std::string outputPath;
  double durationSeconds = 0.0;
  int32_t stepsPerOctave = kDefaultStepsPerOctave;
  int32_t lowFrequency = kDefaultLowFrequency;    // hertz, the lowest rung
  int32_t highFrequency = kDefaultHighFrequency;  // hertz, never itself a rung
};

// True when `word` starts with "-" name ":" (compared ASCII
// case-insensitively); `value` then receives the rest of the word.
bool MatchOption(std::string_view word, std::string_view name,
                 std::string& value);

// Reads arguments[1..argumentCount-1] into `settings`, which holds the
// defaults on entry. On false a diagnostic has been written and `settings`
// may be partly changed.
bool ParseArguments(int argumentCount, const char* const* arguments,
                    RunSettings& settings);

}  // namespace lumitone
