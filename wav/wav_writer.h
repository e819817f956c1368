// Serialises normalised channel buffers as a RIFF/WAVE file: a 44-byte
// header, then 16-bit PCM at 44100 samples per second, left then right in
// each stereo frame. Every field is written least significant byte first.
#pragma once

#include <cstdint>
#include <cstdio>

#include "synthesis/sample_buffer.h"

namespace lumitone {

inline constexpr int kWavHeaderBytes = 44;
// A sample of 1.0 becomes 32750, not 32767.
inline constexpr double kWavSampleScale = 32750.0;

// Stores the low `byteCount` bytes of `value` into buffer, least
// significant first.
void PutLittleEndian(int byteCount, unsigned char* buffer, uint32_t value);

// The 16-bit value of one normalised sample in [-1, 1], truncated toward
// zero.
int32_t WavSampleValue(double sample);

// Writes the header and the samples to `file`. False when any write fails.
bool WriteWav(FILE* file, const SampleBuffer& left, const SampleBuffer& right,
              int channelCount, int32_t sampleCount);

}  // namespace lumitone
