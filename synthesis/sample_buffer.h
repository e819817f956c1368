// One channel of the sound: a double per sample, unbounded sums during
// synthesis and values in [-1, 1] after normalisation; and the sample rate
// that turns sample numbers into times.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace lumitone {

inline constexpr int32_t kSampleRate = 44100;

using SampleBuffer = std::vector<double>;

// durationSeconds * 44100, floored.
inline int32_t SampleCount(double durationSeconds) {
  return static_cast<int32_t>(
      std::floor(durationSeconds * static_cast<double>(kSampleRate)));
}

// The time of sample j in seconds: a division, so that every engine gets the
// same double (a product with 1/44100 would differ in the last bit).
inline double SampleTime(int32_t j) {
  return j / static_cast<double>(kSampleRate);
}

}  // namespace lumitone
