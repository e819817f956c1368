// Runs a program, the converter above all, as a child process and collects
// what it wrote and how it ended, for end-to-end tests.
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
  bool sameStream = false;         // both streams into `out`, in order
  uint64_t addressSpaceBytes = 0;  // RLIMIT_AS
  uint64_t fileSizeBytes = 0;      // RLIMIT_FSIZE
  // Then killed by SIGALRM, status -1: a generous cut-off, so that a child
  // that hangs fails its test instead of holding up the suite.
  unsigned timeoutSeconds = 20;
};

// `arguments[0]` is the program's path.
ProgramResult RunProgram(const std::vector<std::string>& arguments,
                         const RunOptions& options = {});

// The path of the converter built beside the tests.
const char* LumitoneBinary();

// Runs the converter with `words` as its arguments.
ProgramResult RunLumitone(std::vector<std::string> words,
                          const RunOptions& options = {});

}  // namespace lumitone::testing
