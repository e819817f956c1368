#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <streambuf>

namespace lumitone::fuzzing {
namespace {

class NullBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize count) override {
    return count;
  }
};

void RemoveScratchDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(ScratchDirectory(), ignored);
}

}  // namespace

void QuietStreams() {
  static NullBuffer buffer;
  std::cout.rdbuf(&buffer);
  std::cerr.rdbuf(&buffer);
}

const std::string& ScratchDirectory() {
  static const std::string path = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "lumitone-fuzz-XXXXXX")
            .string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
  }();
  static const bool registered = std::atexit(RemoveScratchDirectory) == 0;
  (void)registered;
  return path;
}

bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < size) {
    ssize_t count = ::write(fd, data + done, size - done);
    if (count <= 0) break;
    done += static_cast<size_t>(count);
  }
  return ::close(fd) == 0 && done == size;
}

}  // namespace lumitone::fuzzing
