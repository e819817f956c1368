// Files for tests: a private directory removed afterwards, whole-file reads
// and writes, and files held in memory, so that code which takes a path or a
// FILE* can be run many times without touching the disk.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace lumitone::testing {

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

// A regular file that lives only in memory. Its descriptor is inherited by
// child processes; its path opens it afresh, as any file on disk would be.
class MemoryFile {
 public:
  MemoryFile();
  ~MemoryFile();
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  // Makes `bytes` the whole content.
  void Replace(const std::vector<uint8_t>& bytes);
  std::string Text() const;

 private:
  int fd_;
  std::string path_;
};

// What `write` wrote to the stream it was handed, which is held in memory.
std::vector<uint8_t> BytesWrittenBy(const std::function<void(FILE*)>& write);

}  // namespace lumitone::testing
