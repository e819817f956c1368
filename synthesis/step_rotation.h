// The rotation that advances a rung's phasor by a number of samples: the
// cosine and sine of omega = (2*pi) * f * samples / 44100, with 2*pi the
// double the plain loops use, each within about half an ulp. Worked out in
// double-double arithmetic, so that it needs no long double wider than a
// double.
#pragma once

namespace lumitone {

struct StepRotation {
  double cos;
  double sin;
};

// `twoPi` is the plain loops' double 2.0 * pi; `samples` at most 64.
StepRotation RotationFor(double frequency, int samples, double twoPi);

}  // namespace lumitone
