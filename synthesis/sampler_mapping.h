// Where the picture is read for a moment and a frequency: time maps to the
// horizontal axis, frequency (linear in hertz, high at the top) to the
// vertical one, both squeezed by 0.999 around the centre. Written once, so
// that the sampler and both synthesis engines get the same doubles.
#pragma once

#include <algorithm>

#include "cli/run_settings.h"
#include "synthesis/phase_table.h"

namespace lumitone {

// A position on one axis of a picture: the near pixel, the far one and
// their weights 1 - d and d. In a picture one pixel wide (or tall) the far
// neighbour would lie outside with weight exactly 0; the near one is named
// instead, which adds the same +0.0.
struct AxisPosition {
  int near;
  int far;
  double nearWeight;  // 1 - d
  double farWeight;   // d
};

// `unit` in [0, 1] mapped onto `size` pixels. The position is never
// negative, so truncating it to an integer is taking its floor (and costs
// one instruction where floor may be a library call).
inline AxisPosition PositionOnAxis(double unit, int size) {
  double p = static_cast<double>(size - 1) * unit;
  int near = static_cast<int>(p);
  double d = p - near;
  return {near, std::min(near + 1, size - 1), 1 - d, d};
}

// The column position of time `t` (seconds, below the duration).
inline AxisPosition ColumnAt(double t, double durationSeconds, int width) {
  double u = t / durationSeconds;
  u = 0.999 * u + 0.0005;
  return PositionOnAxis(u, width);
}

// The row position of rung frequency `f` (below the high bound).
inline AxisPosition RowAt(double f, const RunSettings& settings, int height) {
  double v =
      (f - settings.lowFrequency) /
      static_cast<double>(settings.highFrequency - settings.lowFrequency);
  v = 0.999 * v + 0.0005;
  v = 1.0 - v;
  return PositionOnAxis(v, height);
}

// 2 * pi * t, the factor every partial's argument multiplies by its
// frequency: ((2 * pi) * t) * f + phase.
inline double TwoPiTime(double t) { return (2.0 * kPi) * t; }

}  // namespace lumitone
