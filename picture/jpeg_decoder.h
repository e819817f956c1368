// A small C-style surface over libjpeg's decompressor in which every libjpeg
// error comes back as a -1 result instead of a longjmp through C++ frames.
// Use: JpegInit, JpegReadParams, JpegStartPixels, JpegReadPixels, and
// JpegFree once JpegInit has succeeded. A decoder record is used by one
// thread at a time.
//
// Files are untrusted: the limits below keep the memory and the time a file
// can demand in proportion to the picture it describes and to the data it
// really holds, so that a short file claiming a huge picture, or thousands
// of nearly empty scans, is refused at once.
#pragma once

#include <cstdint>

namespace lumitone {

// The most scans a file may have; libjpeg's own tools suggest the same.
inline constexpr int kMaxJpegScans = 500;

// The scans together may read each coefficient of the picture at most this
// many times on average. libjpeg's own progressive files read each one 2 to
// 3 times; a file that resends coefficients over and over would otherwise
// keep the decoder busy for minutes with a few bytes per scan.
inline constexpr int kMaxCoefficientPasses = 6;

// The decoder's own working memory. A progressive picture keeps every
// coefficient in memory, 6 bytes per pixel at full colour resolution: 1.5
// GiB for the largest picture accepted, plus room for row buffers.
inline constexpr long kMaxDecoderMemory = 1600L << 20;

// How far a file is read: the markers before the picture's data may take
// this much, and the data after them this much per 8 x 8 block (the densest
// real pictures take under 100 bytes per block).
inline constexpr int64_t kMaxHeaderBytes = int64_t{64} << 20;
inline constexpr int64_t kMaxBytesPerBlock = 256;

struct JpegDecoderState;  // libjpeg's records; defined in the .cc

struct JpegDecoder {
  JpegDecoderState* state = nullptr;
  // Filled by JpegReadParams.
  int width = 0;
  int height = 0;
  int components = 0;
};

// Sets up the decompressor. 0 on success, -1 when it cannot be created.
int JpegInit(JpegDecoder* decoder);

// Opens `path` and reads the picture's parameters. 0 on success, -1 when
// the file cannot be opened, is not a regular file (a directory, a device or
// a pipe, which could block or never end) or its header cannot be read.
int JpegReadParams(JpegDecoder* decoder, const char* path);

// Gets the decode going before any pixel memory is taken; a progressive or
// multi-scan file is read to its end here. 0 on success; -1 for an
// arithmetic-coded file, a file too short to hold the picture it claims, a
// file beyond the limits above, a file whose scans leave out a component,
// and data that is missing, cut short or damaged.
int JpegStartPixels(JpegDecoder* decoder);

// Decodes the whole picture as RGB into `pixels`, width * height * 3 bytes,
// top row first. 0 on success; -1 when the data is missing, cut short or
// damaged (any warning of corrupt data counts as a failure).
int JpegReadPixels(JpegDecoder* decoder, unsigned char* pixels);

// libjpeg's code for the last error or warning it raised, 0 for none: what
// tells one failure from another in tests and fuzzing.
int JpegMessageCode(const JpegDecoder* decoder);

// Releases everything JpegInit and the reads acquired, the open file too.
void JpegFree(JpegDecoder* decoder);

}  // namespace lumitone
