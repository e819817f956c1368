// Pictures made in memory for tests and benchmarks. Every pseudo-random one
// comes from the same fixed generator, so a seed gives the same pixels on
// every run and every machine. Needs no test framework.
#pragma once

#include <cstdint>
#include <vector>

#include "picture/rgb_image.h"

namespace lumitone::testing {

// width x height pixels of `components` bytes each, top row first, every
// byte drawn from the generator started at `seed`: the least compressible
// picture there is, and the densest to synthesise.
std::vector<uint8_t> NoisePixels(int width, int height, int components,
                                 uint32_t seed);

// A ramp along each row with a little of the generator's noise on top: it
// compresses like a photograph, so its JPEG file stays small.
std::vector<uint8_t> PhotoPixels(int width, int height, int components,
                                 uint32_t seed);

// NoisePixels as a picture.
RgbImage NoisePicture(int width, int height, uint32_t seed);

// Black, with `brightPixels` pixels lit in one channel each at places drawn
// from the generator: most of the picture adds nothing to the sound.
RgbImage SparsePicture(int width, int height, uint32_t seed, int brightPixels);

// A width x height picture with every byte set to `value`.
RgbImage UniformPicture(int width, int height, uint8_t value);

RgbImage CopyPicture(const RgbImage& picture);

}  // namespace lumitone::testing
