#include "cli/console.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace lumitone {

void SetUpSignals() {
  // A full disk, a file-size limit or a pipe whose reader has gone must show
  // as a failed write, which is reported, not kill the program silently.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
}

void SetUpConsole() {
  // A standard stream that was closed is opened on /dev/null, so that no
  // file the program opens takes its number and receives console text.
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) < 0) {
      int null = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
      if (null >= 0 && null != fd) {
        ::dup2(null, fd);
        ::close(null);
      }
    }
  }
  if (::isatty(STDOUT_FILENO)) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
  } else {
    std::setvbuf(stdout, nullptr, _IOFBF, BUFSIZ);
  }
}

}  // namespace lumitone
