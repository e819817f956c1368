#include "tests/hostile_jpeg.h"

#include <cstddef>

namespace lumitone::testing {
namespace {

int Blocks(int pixels) { return (pixels + 7) / 8; }

}  // namespace

JpegBuilder& JpegBuilder::Raw(std::initializer_list<uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes);
  return *this;
}

JpegBuilder& JpegBuilder::Soi() { return Raw({0xFF, 0xD8}); }

JpegBuilder& JpegBuilder::Eoi() { return Raw({0xFF, 0xD9}); }

JpegBuilder& JpegBuilder::Segment(uint8_t code,
                                  const std::vector<uint8_t>& payload) {
  size_t length = payload.size() + 2;
  Raw({0xFF, code, static_cast<uint8_t>(length >> 8),
       static_cast<uint8_t>(length & 0xFF)});
  bytes_.insert(bytes_.end(), payload.begin(), payload.end());
  return *this;
}

JpegBuilder& JpegBuilder::Quantization() {
  std::vector<uint8_t> payload(65, 1);
  payload[0] = 0x00;
  return Segment(0xDB, payload);
}

JpegBuilder& JpegBuilder::Frame(uint8_t sof, int width, int height,
                                int components, int precision,
                                int lumaSampling) {
  std::vector<uint8_t> payload = {
      static_cast<uint8_t>(precision),     static_cast<uint8_t>(height >> 8),
      static_cast<uint8_t>(height & 0xFF), static_cast<uint8_t>(width >> 8),
      static_cast<uint8_t>(width & 0xFF),  static_cast<uint8_t>(components)};
  for (int c = 1; c <= components; ++c) {
    int sampling = c == 1 ? lumaSampling : 1;
    payload.insert(
        payload.end(),
        {static_cast<uint8_t>(c), static_cast<uint8_t>(sampling * 0x11), 0x00});
  }
  return Segment(sof, payload);
}

JpegBuilder& JpegBuilder::OneCodeTable(int tableClass, int id, uint8_t symbol) {
  std::vector<uint8_t> payload(18, 0);
  payload[0] = static_cast<uint8_t>(tableClass << 4 | id);
  payload[1] = 1;  // one code of length 1
  payload[17] = symbol;
  return Segment(0xC4, payload);
}

JpegBuilder& JpegBuilder::Scan(std::initializer_list<int> componentIds, int ss,
                               int se, int ah, int al) {
  std::vector<uint8_t> payload = {static_cast<uint8_t>(componentIds.size())};
  for (int id : componentIds) {
    payload.insert(payload.end(), {static_cast<uint8_t>(id), 0x00});
  }
  payload.insert(payload.end(),
                 {static_cast<uint8_t>(ss), static_cast<uint8_t>(se),
                  static_cast<uint8_t>(ah << 4 | al)});
  return Segment(0xDA, payload);
}

void JpegBuilder::PutByte(uint8_t byte) {
  bytes_.push_back(byte);
  if (byte == 0xFF) bytes_.push_back(0x00);
}

JpegBuilder& JpegBuilder::Bits(uint32_t value, int count) {
  for (int i = count - 1; i >= 0; --i) {
    pending_ = pending_ << 1 | ((value >> i) & 1u);
    if (++pendingCount_ == 8) {
      PutByte(static_cast<uint8_t>(pending_));
      pending_ = 0;
      pendingCount_ = 0;
    }
  }
  return *this;
}

JpegBuilder& JpegBuilder::EndBits() {
  while (pendingCount_ != 0) Bits(1, 1);
  return *this;
}

std::vector<uint8_t> BaselineHeader(int width, int height, int dataBytes) {
  JpegBuilder jpeg;
  jpeg.Soi()
      .Quantization()
      .Frame(0xC0, width, height, 3)
      .OneCodeTable(0, 0, 0x00)  // DC difference 0
      .OneCodeTable(1, 0, 0x00)  // end of block
      .Scan({1, 2, 3}, 0, 63, 0, 0);
  std::vector<uint8_t> bytes = jpeg.bytes();
  bytes.insert(bytes.end(), static_cast<size_t>(dataBytes), 0x00);
  return bytes;
}

std::vector<uint8_t> ProgressiveScans(int width, int height, int acScans,
                                      int lastCoefficient) {
  int64_t blocks = int64_t{Blocks(width)} * Blocks(height);
  JpegBuilder jpeg;
  jpeg.Soi()
      .Quantization()
      .Frame(0xC2, width, height, 3)
      .OneCodeTable(0, 0, 0x00)   // DC difference 0
      .OneCodeTable(1, 0, 0xE0);  // an end-of-band run of 16384 + 14 bits
  jpeg.Scan({1, 2, 3}, 0, 0, 0, 0);
  for (int64_t b = 0; b < blocks; ++b) jpeg.Bits(0, 3);
  jpeg.EndBits();
  for (int scan = 0; scan < acScans; ++scan) {
    // Per component, a first pass at bit 13 and then refinements down to
    // bit 0, over and over: each step is one the decoder must accept.
    int step = (scan / 3) % 14;
    int ah = step == 0 ? 0 : 14 - step;
    int al = 13 - step;
    jpeg.Scan({scan % 3 + 1}, 1, lastCoefficient, ah, al);
    for (int64_t left = blocks; left > 0;) {
      int64_t run = left < 16384 ? 16384 : left > 32767 ? 32767 : left;
      jpeg.Bits(0, 1).Bits(static_cast<uint32_t>(run - 16384), 14);
      left -= run;
    }
    jpeg.EndBits();
  }
  jpeg.Eoi();
  return jpeg.bytes();
}

}  // namespace lumitone::testing
