#include "synthesis/generate_samples.h"

#include <cmath>

#include "synthesis/sample_brightness.h"

namespace lumitone {

int32_t SampleCount(double durationSeconds) {
  return static_cast<int32_t>(std::floor(durationSeconds * 44100.0));
}

void GenerateSamples(const RunSettings& settings, const RgbImage pictures[2],
                     const PhaseTable& phaseTable, double ratio,
                     SampleBuffer& left, SampleBuffer& right,
                     int32_t sampleCount, std::ostream& progress) {
  int channelCount = static_cast<int>(settings.inputPaths.size());
  SampleBuffer* buffers[2] = {&left, &right};
  for (int32_t j = 0; j < sampleCount; ++j) {
    if (j % 100 == 0) {
      int p = static_cast<int>(std::floor(
          static_cast<double>(j * 100) / static_cast<double>(sampleCount) +
          0.001));
      progress << "\r" << p << "% done.";
    }
    double t = j / 44100.0;
    for (int k = 0; k < channelCount; ++k) {
      double sum = 0.0;
      size_t i = 0;
      FrequencyLadder(settings.lowFrequency, settings.highFrequency, ratio,
                      [&](double f) {
                        double b = SampleBrightness(pictures[k], t, f, settings);
                        double a = ((2.0 * kPi) * t) * f;
                        sum = std::sin(a + phaseTable[i]) * b + sum;
                        ++i;
                      });
      (*buffers[k])[static_cast<size_t>(j)] = sum;
    }
  }
}

void NormalizeSamples(SampleBuffer& left, SampleBuffer& right,
                      int channelCount, int32_t sampleCount) {
  SampleBuffer* buffers[2] = {&left, &right};
  double peak = 0.0;
  for (int k = 0; k < channelCount; ++k) {
    for (int32_t j = 0; j < sampleCount; ++j) {
      double magnitude = std::fabs((*buffers[k])[static_cast<size_t>(j)]);
      if (magnitude > peak) peak = magnitude;
    }
  }
  if (peak == 0.0) return;
  for (int k = 0; k < channelCount; ++k) {
    for (int32_t j = 0; j < sampleCount; ++j) {
      (*buffers[k])[static_cast<size_t>(j)] /= peak;
    }
  }
}

}  // namespace lumitone
