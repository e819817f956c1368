// Writes the seed corpus of the fuzz targets into the directory given:
// small valid pictures in the common variants, and broken and hostile ones
// (cut short, huge claimed sizes, thousands of scans, unsupported coding),
// each only a few hundred bytes to a few kilobytes.
#include <filesystem>
#include <string>
#include <vector>

#include "tests/hostile_jpeg.h"
#include "tests/jpeg_fixture.h"
#include "tests/temp_files.h"
#include "tests/test_pictures.h"

namespace {

using lumitone::testing::WriteFileBytes;
using Bytes = std::vector<uint8_t>;

Bytes Encoded(int width, int height, int components,
              lumitone::testing::JpegOptions options = {}) {
  return lumitone::testing::EncodeJpeg(
      width, height, components,
      lumitone::testing::PhotoPixels(width, height, components, 1), options);
}

// Five control bytes for the whole-run target, then the pictures.
Bytes Run(uint8_t flags, uint8_t ladder, uint8_t low, const Bytes& first,
          const Bytes& second = {}) {
  size_t split = first.size();
  Bytes bytes = {flags, ladder, low, static_cast<uint8_t>(split >> 8),
                 static_cast<uint8_t>(split & 0xFF)};
  bytes.insert(bytes.end(), first.begin(), first.end());
  bytes.insert(bytes.end(), second.begin(), second.end());
  return bytes;
}

Bytes Words(const std::vector<std::string>& words) {
  Bytes bytes;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i > 0) bytes.push_back(0);
    bytes.insert(bytes.end(), words[i].begin(), words[i].end());
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::filesystem::path root = argv[1];
  for (const char* target : {"parse_arguments", "load_jpeg", "run_converter"}) {
    std::filesystem::create_directories(root / target);
  }
  Bytes baseline = Encoded(16, 12, 3, {.quality = 75});
  Bytes progressive = Encoded(12, 16, 3, {.quality = 75, .progressive = true});
  Bytes grey = Encoded(8, 8, 1);
  Bytes cmyk = Encoded(8, 8, 4);
  Bytes arithmetic = Encoded(8, 8, 3, {.arithmetic = true});

  auto jpeg = [&](const std::string& name, const Bytes& bytes) {
    WriteFileBytes((root / "load_jpeg" / name).string(), bytes);
  };
  jpeg("baseline.jpg", baseline);
  jpeg("progressive.jpg", progressive);
  jpeg("grey.jpg", grey);
  jpeg("cmyk.jpg", cmyk);
  jpeg("arithmetic.jpg", arithmetic);
  jpeg("cut.jpg",
       Bytes(baseline.begin(), baseline.begin() + baseline.size() * 2 / 3));
  jpeg(
      "cut-progressive.jpg",
      Bytes(progressive.begin(), progressive.begin() + progressive.size() / 2));
  jpeg("huge-header.jpg", lumitone::testing::BaselineHeader(65500, 65500, 16));
  jpeg("many-scans.jpg", lumitone::testing::ProgressiveScans(8, 8, 600, 1));
  jpeg("passes.jpg", lumitone::testing::ProgressiveScans(64, 64, 30));
  jpeg("12-bit.jpg", lumitone::testing::JpegBuilder()
                         .Soi()
                         .Quantization()
                         .Frame(0xC0, 8, 8, 3, 12)
                         .Eoi()
                         .bytes());

  auto run = [&](const std::string& name, const Bytes& bytes) {
    WriteFileBytes((root / "run_converter" / name).string(), bytes);
  };
  run("mono.bin", Run(0x20, 3, 2, baseline));
  run("stereo.bin", Run(0x91, 30, 40, baseline, progressive));
  run("same-file.bin", Run(0x0A, 5, 5, baseline));
  run("broken-second.bin",
      Run(0x01, 5, 5, baseline,
          Bytes(progressive.begin(), progressive.begin() + 100)));

  auto words = [&](const std::string& name,
                   const std::vector<std::string>& list) {
    WriteFileBytes((root / "parse_arguments" / name).string(), Words(list));
  };
  words("mono.txt", {"-i1:a.jpg", "-o:out.wav", "-d:2"});
  words("stereo.txt", {"-I1:a.jpg", "-i2:b.jpg", "-O:out.wav", "-D:5.6abc",
                       "-s:12.7", "-f:1000.5-2000"});
  words("range.txt", {"-i1:a", "-o:b", "-d:1", "-f:100--5"});
  words("exponent.txt",
        {"-i1:a", "-o:b", "-d:1e-3", "-s:4294967297", "-f:20-20000"});
  words("twice.txt", {"-i1:a", "-o:b", "-d:1", "-d:2"});
  words("stray.txt", {"i1:a", "-i1", "-o:", "-d:0x10"});
  return 0;
}
