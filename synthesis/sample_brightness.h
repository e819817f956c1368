// How bright a picture is at one moment and one frequency: time maps to the
// horizontal axis, frequency (linear in hertz) to the vertical axis with high
// frequencies at the top, read by bilinear interpolation of the four
// neighbouring pixels in each channel and weighted 0.3 R + 0.5 G + 0.2 B.
#pragma once

#include "cli/run_settings.h"
#include "picture/rgb_image.h"

namespace lumitone {

// `t` in [0, durationSeconds), `f` a rung of the settings' ladder; the
// picture is at least 1 x 1. Returns 0 to 255, give or take rounding.
double SampleBrightness(const RgbImage& picture, double t, double f,
                        const RunSettings& settings);

}  // namespace lumitone
