#include "tests/program_run.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "tests/temp_files.h"

namespace lumitone::testing {

namespace {

void SetLimit(int resource, uint64_t value) {
  if (value == 0) return;
  struct rlimit limit = {static_cast<rlim_t>(value),
                         static_cast<rlim_t>(value)};
  ::setrlimit(resource, &limit);
}

}  // namespace

ProgramResult RunProgram(const std::vector<std::string>& arguments,
                         const RunOptions& options) {
  // The child writes into files in memory: nothing waits on the disk and
  // nothing can fill a pipe that is not being read.
  MemoryFile out, err;
  pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::dup2(out.fd(), STDOUT_FILENO);
    ::dup2(options.sameStream ? out.fd() : err.fd(), STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& a : arguments)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    SetLimit(RLIMIT_AS, options.addressSpaceBytes);
    SetLimit(RLIMIT_FSIZE, options.fileSizeBytes);
    // The alarm outlives exec and ends a child that hangs.
    if (options.timeoutSeconds != 0) ::alarm(options.timeoutSeconds);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int wstatus = 0;
  ::waitpid(pid, &wstatus, 0);
  ProgramResult result;
  result.out = out.Text();
  if (!options.sameStream) result.err = err.Text();
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  return result;
}

const char* LumitoneBinary() { return LUMITONE_BINARY; }

ProgramResult RunLumitone(std::vector<std::string> words,
                          const RunOptions& options) {
  words.insert(words.begin(), LumitoneBinary());
  return RunProgram(words, options);
}

}  // namespace lumitone::testing
