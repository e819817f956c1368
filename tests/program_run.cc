#include "tests/program_run.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "tests/jpeg_fixture.h"

namespace lumitone::testing {

namespace {

void SetLimit(int resource, uint64_t value) {
  if (value == 0) return;
  struct rlimit limit = {static_cast<rlim_t>(value), static_cast<rlim_t>(value)};
  ::setrlimit(resource, &limit);
}

}  // namespace

ProgramResult RunProgram(const std::vector<std::string>& arguments,
                         bool sameStream, const RunOptions& options) {
  TempDir dir;
  std::string outPath = dir.Path("out"), errPath = dir.Path("err");
  pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = sameStream ? out
                         : ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
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
  auto text = [](const std::string& path) {
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
  };
  result.out = text(outPath);
  if (!sameStream) result.err = text(errPath);
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  return result;
}

}  // namespace lumitone::testing
