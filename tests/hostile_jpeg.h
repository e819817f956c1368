// JPEG files written marker by marker, for the pictures no encoder makes:
// headers that claim sizes their data cannot back, files with thousands of
// scans, unsupported coding processes. Every table is the smallest libjpeg
// accepts, so a file of a few hundred bytes can describe a huge picture.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace lumitone::testing {

class JpegBuilder {
 public:
  JpegBuilder& Raw(std::initializer_list<uint8_t> bytes);
  JpegBuilder& Soi();
  JpegBuilder& Eoi();
  // FF `code`, the two-byte length, then `payload`.
  JpegBuilder& Segment(uint8_t code, const std::vector<uint8_t>& payload);
  // Quantisation table 0, all ones.
  JpegBuilder& Quantization();
  // A frame header: `sof` is the marker code (0xC0 baseline, 0xC2
  // progressive, 0xC9 arithmetic...); component 1 samples `lumaSampling` x
  // `lumaSampling`, the others 1 x 1, all with quantisation table 0;
  // component ids are 1, 2, 3...
  JpegBuilder& Frame(uint8_t sof, int width, int height, int components,
                     int precision = 8, int lumaSampling = 1);
  // A Huffman table of class `tableClass` (0 DC, 1 AC) and number `id` that
  // holds the one code '0' for `symbol`.
  JpegBuilder& OneCodeTable(int tableClass, int id, uint8_t symbol);
  // A scan header over the given component ids, all with DC table 0 and AC
  // table 0.
  JpegBuilder& Scan(std::initializer_list<int> componentIds, int ss, int se,
                    int ah, int al);
  // Entropy-coded bits, most significant first, with 0xFF stuffing.
  JpegBuilder& Bits(uint32_t value, int count);
  // Pads the last byte with ones.
  JpegBuilder& EndBits();

  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  void PutByte(uint8_t byte);
  std::vector<uint8_t> bytes_;
  uint32_t pending_ = 0;
  int pendingCount_ = 0;
};

// A baseline three-component header for width x height with tables and a
// scan header, followed by `dataBytes` zero bytes of entropy data (each byte
// decodes as four all-zero blocks) and no end marker.
std::vector<uint8_t> BaselineHeader(int width, int height, int dataBytes = 0);

// A valid progressive three-component picture: one DC scan with every
// coefficient zero, then `acScans` AC scans of coefficients 1 to
// `lastCoefficient` (cycling component and successive-approximation bit,
// always legal) that each cover every block of one component with end-of-band
// runs. The file stays small however large the picture: one bit per block
// for the DC scan and a few bytes per AC scan.
std::vector<uint8_t> ProgressiveScans(int width, int height, int acScans,
                                      int lastCoefficient = 63);

}  // namespace lumitone::testing
