#include "tests/temp_files.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace lumitone::testing {

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path,
                    const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

TempDir::TempDir() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "lumitone-test-XXXXXX")
          .string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a temporary directory");
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

MemoryFile::MemoryFile() : fd_(::memfd_create("lumitone-test", 0)) {
  if (fd_ < 0) throw std::runtime_error("cannot create a file in memory");
  path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemoryFile::~MemoryFile() { ::close(fd_); }

void MemoryFile::Replace(const std::vector<uint8_t>& bytes) {
  if (::ftruncate(fd_, 0) != 0 ||
      ::pwrite(fd_, bytes.data(), bytes.size(), 0) !=
          static_cast<ssize_t>(bytes.size())) {
    throw std::runtime_error("cannot write a file in memory");
  }
}

std::string MemoryFile::Text() const {
  std::string text;
  char buffer[65536];
  ssize_t count;
  for (off_t at = 0; (count = ::pread(fd_, buffer, sizeof buffer, at)) > 0;
       at += count) {
    text.append(buffer, static_cast<size_t>(count));
  }
  return text;
}

std::vector<uint8_t> BytesWrittenBy(const std::function<void(FILE*)>& write) {
  char* data = nullptr;
  size_t size = 0;
  FILE* stream = ::open_memstream(&data, &size);
  if (stream == nullptr) {
    throw std::runtime_error("cannot open a memory stream");
  }
  write(stream);
  std::fclose(stream);
  std::vector<uint8_t> bytes(data, data + size);
  std::free(data);
  return bytes;
}

}  // namespace lumitone::testing
