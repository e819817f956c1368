// Runs a program as a child process and collects what it wrote and how it
// ended, for end-to-end tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumitone::testing {

struct ProgramResult {
  std::string out;  // the standard output
  std::string err;  // the standard error
  int status = -1;  // the exit status, 0 to 255; -1 when killed by a signal
};

// How the child runs; a limit of 0 leaves that limit as it is.
struct RunOptions {
  uint64_t addressSpaceBytes = 0;  // RLIMIT_AS
  uint64_t fileSizeBytes = 0;      // RLIMIT_FSIZE
  unsigned timeoutSeconds = 0;     // then killed by SIGALRM: status -1
};

// `arguments[0]` is the program's path. With `sameStream` both streams go
// to one file, which is then returned in `out`.
ProgramResult RunProgram(const std::vector<std::string>& arguments,
                         bool sameStream = false, const RunOptions& options = {});

}  // namespace lumitone::testing
