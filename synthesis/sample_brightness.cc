#include "synthesis/sample_brightness.h"

#include <algorithm>
#include <cmath>

namespace lumitone {

double SampleBrightness(const RgbImage& picture, double t, double f,
                        const RunSettings& settings) {
  double u = t / settings.durationSeconds;
  double v = (f - settings.lowFrequency) /
             static_cast<double>(settings.highFrequency - settings.lowFrequency);
  u = 0.999 * u + 0.0005;
  v = 0.999 * v + 0.0005;
  v = 1.0 - v;
  double fx = static_cast<double>(picture.Width() - 1) * u;
  double fy = static_cast<double>(picture.Height() - 1) * v;
  int x0 = static_cast<int>(std::floor(fx));
  int y0 = static_cast<int>(std::floor(fy));
  double dx = fx - x0;
  double dy = fy - y0;
  // In a picture one pixel wide or tall the far neighbour lies outside it
  // with weight exactly 0; reading the near one instead adds the same +0.0.
  int x1 = std::min(x0 + 1, picture.Width() - 1);
  int y1 = std::min(y0 + 1, picture.Height() - 1);
  double w00 = (1 - dx) * (1 - dy);
  double w01 = (1 - dx) * dy;
  double w10 = dx * (1 - dy);
  double w11 = dx * dy;
  double value[3];
  for (int c = 0; c < 3; ++c) {
    value[c] = picture.ChannelAt(x0, y0, c) * w00 +
               picture.ChannelAt(x0, y1, c) * w01 +
               picture.ChannelAt(x1, y0, c) * w10 +
               picture.ChannelAt(x1, y1, c) * w11;
  }
  return 0.3 * value[0] + 0.5 * value[1] + 0.2 * value[2];
}

}  // namespace lumitone
