#include "synthesis/plain_samples.h"

#include <cmath>

#include "synthesis/progress.h"
#include "synthesis/sample_brightness.h"
#include "synthesis/sampler_mapping.h"

namespace lumitone {

void GeneratePlainSamples(const RunSettings& settings,
                          const RgbImage pictures[2],
                          const PhaseTable& phaseTable, double ratio,
                          SampleBuffer& left, SampleBuffer& right,
                          int32_t sampleCount, std::ostream& progress) {
  int channelCount = static_cast<int>(settings.inputPaths.size());
  SampleBuffer* buffers[2] = {&left, &right};
  for (int32_t j = 0; j < sampleCount; ++j) {
    if (j % kProgressInterval == 0) WriteProgress(progress, j, sampleCount);
    double t = SampleTime(j);
    for (int k = 0; k < channelCount; ++k) {
      double sum = 0.0;
      size_t i = 0;
      FrequencyLadder(
          settings.lowFrequency, settings.highFrequency, ratio, [&](double f) {
            double b = SampleBrightness(pictures[k], t, f, settings);
            double a = TwoPiTime(t) * f;
            sum = std::sin(a + phaseTable[i]) * b + sum;
            ++i;
          });
      (*buffers[k])[static_cast<size_t>(j)] = sum;
    }
  }
}

}  // namespace lumitone
