#include "wav/wav_writer.h"

#include <cstring>

namespace lumitone {
namespace {

// Whole stereo frames fit exactly; small enough for the stack.
constexpr size_t kWavChunkBytes = 65536;

bool WriteBytes(FILE* file, const unsigned char* bytes, size_t count) {
  return std::fwrite(bytes, 1, count, file) == count;
}

}  // namespace

void PutLittleEndian(int byteCount, unsigned char* buffer, uint32_t value) {
  for (int i = 0; i < byteCount; ++i) {
    buffer[i] = static_cast<unsigned char>(value % 256u);
    value >>= 8;
  }
}

int32_t WavSampleValue(double sample) {
  return static_cast<int32_t>(kWavSampleScale * sample);
}

bool WriteWav(FILE* file, const SampleBuffer& left, const SampleBuffer& right,
              int channelCount, int32_t sampleCount) {
  uint32_t channels = static_cast<uint32_t>(channelCount);
  uint32_t dataBytes = channels * 2u * static_cast<uint32_t>(sampleCount);

  unsigned char riff[12];
  std::memcpy(riff, "RIFF", 4);
  PutLittleEndian(4, riff + 4, dataBytes + 36u);
  std::memcpy(riff + 8, "WAVE", 4);

  unsigned char format[24];
  std::memcpy(format, "fmt ", 4);
  PutLittleEndian(4, format + 4, 16);
  PutLittleEndian(2, format + 8, 1);
  PutLittleEndian(2, format + 10, channels);
  PutLittleEndian(4, format + 12, static_cast<uint32_t>(kSampleRate));
  PutLittleEndian(4, format + 16, channels * 88200u);
  PutLittleEndian(2, format + 20, channels * 2u);
  PutLittleEndian(2, format + 22, 16);

  unsigned char data[8];
  std::memcpy(data, "data", 4);
  PutLittleEndian(4, data + 4, dataBytes);

  bool ok = WriteBytes(file, riff, sizeof riff) &&
            WriteBytes(file, format, sizeof format) &&
            WriteBytes(file, data, sizeof data);
  // The samples are serialised into a chunk and written a chunk at a time:
  // a library call per sample took over a third of a short run's time.
  const SampleBuffer* buffers[2] = {&left, &right};
  unsigned char chunk[kWavChunkBytes];
  size_t used = 0;
  for (int32_t j = 0; ok && j < sampleCount; ++j) {
    for (int k = 0; k < channelCount; ++k) {
      PutLittleEndian(2, chunk + used,
                      static_cast<uint32_t>(WavSampleValue(
                          (*buffers[k])[static_cast<size_t>(j)])));
      used += 2;
    }
    if (used + 4 > sizeof chunk) {
      ok = WriteBytes(file, chunk, used);
      used = 0;
    }
  }
  return ok && WriteBytes(file, chunk, used);
}

}  // namespace lumitone
