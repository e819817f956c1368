#include "synthesis/sample_brightness.h"

#include "synthesis/sampler_mapping.h"

namespace lumitone {

double SampleBrightness(const RgbImage& picture, double t, double f,
                        const RunSettings& settings) {
  AxisPosition x = ColumnAt(t, settings.durationSeconds, picture.Width());
  AxisPosition y = RowAt(f, settings, picture.Height());
  double w00 = x.nearWeight * y.nearWeight;
  double w01 = x.nearWeight * y.farWeight;
  double w10 = x.farWeight * y.nearWeight;
  double w11 = x.farWeight * y.farWeight;
  double value[3];
  for (int c = 0; c < 3; ++c) {
    value[c] = picture.ChannelAt(x.near, y.near, c) * w00 +
               picture.ChannelAt(x.near, y.far, c) * w01 +
               picture.ChannelAt(x.far, y.near, c) * w10 +
               picture.ChannelAt(x.far, y.far, c) * w11;
  }
  return 0.3 * value[0] + 0.5 * value[1] + 0.2 * value[2];
}

}  // namespace lumitone
