// One channel of the sound: a double per sample, unbounded sums during
// synthesis and values in [-1, 1] after normalisation.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace lumitone {

inline constexpr int32_t kSampleRate = 44100;

using SampleBuffer = std::vector<double>;

// durationSeconds * 44100, floored.
inline int32_t SampleCount(double durationSeconds) {
  return static_cast<int32_t>(std::floor(durationSeconds * 44100.0));
}

}  // namespace lumitone
