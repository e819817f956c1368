// A small C-style surface over libjpeg's decompressor in which every libjpeg
// error comes back as a -1 result instead of a longjmp through C++ frames.
// Use: JpegInit, JpegReadParams, JpegReadPixels, and JpegFree once JpegInit
// has succeeded. A decoder record is used by one thread at a time.
#pragma once

#include <cstdio>
#include <memory>

namespace lumitone {

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
// the file cannot be opened or its header cannot be read.
int JpegReadParams(JpegDecoder* decoder, const char* path);

// Decodes the whole picture as RGB into `pixels`, width * height * 3 bytes,
// top row first. 0 on success; -1 when the data is missing, cut short or
// damaged (any warning of corrupt data counts as a failure).
int JpegReadPixels(JpegDecoder* decoder, unsigned char* pixels);

// Releases everything JpegInit and the reads acquired, the open file too.
void JpegFree(JpegDecoder* decoder);

}  // namespace lumitone
