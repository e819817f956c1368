#include "cli/console.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

#include <gtest/gtest.h>

namespace lumitone {
namespace {

// Runs `body` in a child process, whose standard streams it may change
// freely, and returns its exit status.
int InChild(const std::function<int()>& body) {
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A closed standard output would hand its number to the next file opened,
// which would then receive the stage lines.
TEST(ConsoleTest, AClosedStandardStreamIsReopenedOnTheNullDevice) {
  EXPECT_EQ(InChild([] {
              ::close(STDOUT_FILENO);
              SetUpConsole();
              int fd = ::open("/dev/null", O_RDONLY);
              return fd != STDOUT_FILENO && ::fcntl(STDOUT_FILENO, F_GETFD) >= 0
                         ? 0
                         : 1;
            }),
            0);
}

TEST(ConsoleTest, APipeWithoutReaderIsAFailedWriteNotTheEnd) {
  EXPECT_EQ(InChild([] {
              SetUpSignals();
              int ends[2];
              if (::pipe(ends) != 0) return 1;
              ::close(ends[0]);
              return ::write(ends[1], "x", 1) < 0 && errno == EPIPE ? 0 : 2;
            }),
            0);
}

}  // namespace
}  // namespace lumitone
