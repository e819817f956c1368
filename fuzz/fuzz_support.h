// What the fuzz targets share: quiet standard streams, so that millions of
// diagnostics cost nothing, and a private scratch directory for the files a
// target hands to the converter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumitone::fuzzing {

// Sends everything written to std::cout and std::cerr nowhere; the text is
// still formatted, so that code is exercised too.
void QuietStreams();

// A directory made once per process and removed with its files at exit.
const std::string& ScratchDirectory();

// Replaces the file at `path` with `size` bytes; false when it cannot.
bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size);

}  // namespace lumitone::fuzzing

// The entry points every target defines, for libFuzzer or the replay driver.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
