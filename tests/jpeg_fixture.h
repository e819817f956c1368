// Helpers for tests: small JPEG files encoded on the spot with libjpeg, and
// whole-file reads and writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumitone::testing {

struct JpegOptions {
  int quality = 95;
  bool progressive = false;
  bool arithmetic = false;
};

// Encodes width x height pixels of `components` bytes each (1 grey, 3 RGB,
// 4 CMYK), top row first, into a JPEG file at `path`.
void WriteJpeg(const std::string& path, int width, int height, int components,
               const std::vector<uint8_t>& pixels, JpegOptions options = {});

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// A fresh directory for one test's files, removed with everything in it
// when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string Path(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace lumitone::testing
