#include "cli/output_file.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

namespace lumitone {
namespace {

// The signals that end a run which the user or the system means to stop.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kStopSignalCount = sizeof kStopSignals / sizeof kStopSignals[0];

// What the signal handler must undo; set and cleared with the signals
// blocked, so that the handler never sees it half written.
enum PartialOutput : int { kNothing, kTemporaryFile, kFileInPlace };
volatile sig_atomic_t gPartial = kNothing;
volatile sig_atomic_t gPartialDescriptor = -1;
char gPartialPath[PATH_MAX];
struct sigaction gSavedActions[kStopSignalCount];
bool gHandled[kStopSignalCount];

// Only async-signal-safe calls: remove what was written, then hand the
// signal, still blocked here, to the action it had before, which ends the
// process once this returns.
extern "C" void RemovePartialOutput(int number) {
  if (gPartial == kTemporaryFile) ::unlink(gPartialPath);
  if (gPartial == kFileInPlace) {
    int ignored = ::ftruncate(gPartialDescriptor, 0);
    (void)ignored;
  }
  gPartial = kNothing;
  for (int k = 0; k < kStopSignalCount; ++k) {
    if (kStopSignals[k] == number)
      ::sigaction(number, &gSavedActions[k], nullptr);
  }
  ::raise(number);
}

void BlockStopSignals(sigset_t* previous) {
  sigset_t set;
  sigemptyset(&set);
  for (int s : kStopSignals) sigaddset(&set, s);
  ::sigprocmask(SIG_BLOCK, &set, previous);
}

// Called with the stop signals blocked. A signal the caller ignores (as
// nohup does) stays ignored.
void CatchStopSignals() {
  struct sigaction action = {};
  action.sa_handler = RemovePartialOutput;
  sigemptyset(&action.sa_mask);
  for (int s : kStopSignals) sigaddset(&action.sa_mask, s);
  for (int k = 0; k < kStopSignalCount; ++k) {
    gHandled[k] =
        ::sigaction(kStopSignals[k], nullptr, &gSavedActions[k]) == 0 &&
        gSavedActions[k].sa_handler != SIG_IGN &&
        ::sigaction(kStopSignals[k], &action, nullptr) == 0;
  }
}

// Called with the stop signals blocked.
void ReleaseStopSignals() {
  gPartial = kNothing;
  gPartialDescriptor = -1;
  for (int k = 0; k < kStopSignalCount; ++k) {
    if (gHandled[k]) ::sigaction(kStopSignals[k], &gSavedActions[k], nullptr);
    gHandled[k] = false;
  }
}

// What the openers return, instead of a descriptor, for an output refused
// with its own diagnostic; -1 is any other failure.
constexpr int kRefused = -2;

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.known && b.known && a.device == b.device && a.inode == b.inode;
}

bool IsAnInput(const struct stat& info, const FileIdentity inputs[2]) {
  return SameFile(IdentityOf(info), inputs[0]) ||
         SameFile(IdentityOf(info), inputs[1]);
}

// The null device keeps nothing, so console text cannot spoil a WAV file
// there: `-o:/dev/null` with the standard output on /dev/null is allowed.
bool IsNullDevice(const struct stat& info) {
  struct stat null;
  return S_ISCHR(info.st_mode) && ::stat("/dev/null", &null) == 0 &&
         S_ISCHR(null.st_mode) && info.st_rdev == null.st_rdev;
}

bool IsConsole(const struct stat& info) {
  if (IsNullDevice(info)) return false;
  for (int fd : {STDOUT_FILENO, STDERR_FILENO}) {
    struct stat console;
    if (::fstat(fd, &console) == 0 &&
        SameFile(IdentityOf(info), IdentityOf(console))) {
      return true;
    }
  }
  return false;
}

// False after the diagnostic when `info` is a file the output may not be.
bool MayReplace(const std::string& path, const struct stat& info,
                const FileIdentity inputs[2]) {
  if (IsAnInput(info, inputs)) {
    std::cerr << "Output file '" << path << "' is one of the input files.\n";
    return false;
  }
  if (IsConsole(info)) {
    std::cerr << "Output file '" << path << "' is the console output.\n";
    return false;
  }
  return true;
}

// The file a path names once the links of its last component are followed,
// so that replacing it leaves a link a link, pointing where it did. A
// dangling link gives the missing file it names. False for a loop.
bool FollowLinks(const std::string& path, std::string& target) {
  target = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info;
    if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      return true;
    }
    char buffer[PATH_MAX];
    ssize_t length = ::readlink(target.c_str(), buffer, sizeof buffer);
    if (length <= 0 || static_cast<size_t>(length) == sizeof buffer) {
      return false;
    }
    std::string next(buffer, static_cast<size_t>(length));
    size_t slash = target.rfind('/');
    if (next[0] != '/' && slash != std::string::npos) {
      next = target.substr(0, slash + 1) + next;
    }
    target = next;
  }
  return false;
}

// In a directory with the sticky bit, such as /tmp, only the owner of a
// file (or of the directory) may rename another file over it, though anyone
// allowed to may write it.
bool MayRenameOver(const std::string& target, const struct stat& file) {
  size_t slash = target.rfind('/');
  std::string directory =
      slash == std::string::npos ? "." : target.substr(0, slash + 1);
  struct stat info;
  uid_t user = ::geteuid();
  return ::stat(directory.c_str(), &info) != 0 || !(info.st_mode & S_ISVTX) ||
         user == 0 || user == file.st_uid || user == info.st_uid;
}

// Creates a new file beside `target`, named after it and this process, with
// the permission bits (and, where allowed, the owner) of `existing` or else
// those a new file gets. Called with the stop signals blocked; the handler
// learns the name as soon as the file exists.
int CreateTemporaryFile(const std::string& target, const struct stat* existing,
                        std::string& temporaryPath) {
  size_t slash = target.rfind('/');
  std::string directory =
      slash == std::string::npos ? "" : target.substr(0, slash + 1);
  // Short enough for the longest name the file system allows. A path with
  // no last name ("" or "dir/") cannot name a file.
  std::string base = target.substr(directory.size()).substr(0, 200);
  if (base.empty()) return -1;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporaryPath = directory + "." + base + "." + std::to_string(::getpid()) +
                    "." + std::to_string(attempt) + ".tmp";
    if (temporaryPath.size() >= sizeof gPartialPath) return -1;
    int fd = ::open(temporaryPath.c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) continue;  // left by a killed run
    if (fd < 0) return -1;
    std::memcpy(gPartialPath, temporaryPath.c_str(), temporaryPath.size() + 1);
    gPartial = kTemporaryFile;
    if (existing != nullptr) {
      if (::fchown(fd, existing->st_uid, existing->st_gid) != 0 &&
          ::fchown(fd, static_cast<uid_t>(-1), existing->st_gid) != 0) {
        // Not allowed to give the file away: it stays this user's.
      }
      if (::fchmod(fd, existing->st_mode & 0777) != 0) {
        ::close(fd);
        ::unlink(temporaryPath.c_str());
        gPartial = kNothing;
        return -1;
      }
    }
    return fd;
  }
  return -1;
}

// Opens a regular output, or the place for a new one: a temporary file
// beside it, or failing that the existing file itself, emptied. The existing
// file is opened first, without truncating it, to check that it may be
// written at all and that it is still not an input.
int OpenRegular(OutputFile& output, const FileIdentity inputs[2]) {
  struct stat info;
  bool exists = ::stat(output.target.c_str(), &info) == 0;
  int existing = -1;
  if (exists) {
    // Without blocking, in case a pipe has taken the file's place.
    existing = ::open(output.target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (existing < 0 || ::fstat(existing, &info) != 0 ||
        !S_ISREG(info.st_mode)) {
      if (existing >= 0) ::close(existing);
      return -1;
    }
    if (!MayReplace(output.path, info, inputs)) {
      ::close(existing);
      return kRefused;
    }
  }
  int fd = exists && !MayRenameOver(output.target, info)
               ? -1
               : CreateTemporaryFile(output.target, exists ? &info : nullptr,
                                     output.temporaryPath);
  if (fd >= 0) {
    if (existing >= 0) ::close(existing);
    output.mode = OutputMode::kTemporary;
    return fd;
  }
  output.temporaryPath.clear();
  if (existing < 0 || ::ftruncate(existing, 0) != 0) {
    if (existing >= 0) ::close(existing);
    return -1;
  }
  gPartial = kFileInPlace;
  gPartialDescriptor = existing;
  output.mode = OutputMode::kInPlace;
  return existing;
}

// Opens a device or a pipe as it is. Opening does not block: a pipe with no
// reader fails at once instead of hanging.
int OpenDirect(OutputFile& output, const FileIdentity inputs[2]) {
  int fd = ::open(output.target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat info;
  if (fd < 0) return -1;
  if (::fstat(fd, &info) != 0 || !MayReplace(output.path, info, inputs)) {
    ::close(fd);
    return kRefused;
  }
  int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return -1;
  }
  output.mode = OutputMode::kDirect;
  return fd;
}

// Undoes what was written: the temporary file is removed, a file written in
// place is emptied. Called with the stop signals blocked.
void Discard(const OutputFile& output) {
  if (output.mode == OutputMode::kTemporary) {
    ::unlink(output.temporaryPath.c_str());
  }
  if (output.mode == OutputMode::kInPlace) {
    int ignored = ::truncate(output.target.c_str(), 0);
    (void)ignored;
  }
}

}  // namespace

FileIdentity IdentityOf(const struct stat& info) {
  return {info.st_dev, info.st_ino, true};
}

bool CheckOutputPath(const std::string& path, const FileIdentity inputs[2]) {
  struct stat info;
  return ::stat(path.c_str(), &info) != 0 || MayReplace(path, info, inputs);
}

bool OpenOutputFile(const std::string& path, const FileIdentity inputs[2],
                    OutputFile& output) {
  output = OutputFile{};
  output.path = path;
  struct stat info;
  int fd = -1;
  sigset_t previous;
  BlockStopSignals(&previous);
  CatchStopSignals();
  if (FollowLinks(path, output.target)) {
    bool regular =
        ::stat(output.target.c_str(), &info) != 0 || S_ISREG(info.st_mode);
    fd = regular ? OpenRegular(output, inputs) : OpenDirect(output, inputs);
  }
  if (fd >= 0) output.file = ::fdopen(fd, "wb");
  if (output.file == nullptr) {
    if (fd >= 0) {
      Discard(output);
      ::close(fd);
    }
    ReleaseStopSignals();
    if (fd != kRefused) {
      std::cerr << "Could not create output file '" << path << ".\n";
    }
  }
  ::sigprocmask(SIG_SETMASK, &previous, nullptr);
  return output.file != nullptr;
}

bool FinishOutputFile(OutputFile& output, bool written) {
  FILE* file = output.file;
  output.file = nullptr;
  // A device or a pipe cannot be synced; a file must be on the disk before
  // it takes the place of the previous one.
  bool ok =
      written && std::fflush(file) == 0 &&
      (output.mode == OutputMode::kDirect || ::fsync(::fileno(file)) == 0);
  sigset_t previous;
  BlockStopSignals(&previous);
  ok = std::fclose(file) == 0 && ok;
  if (ok && output.mode == OutputMode::kTemporary) {
    ok = ::rename(output.temporaryPath.c_str(), output.target.c_str()) == 0;
  }
  if (!ok) Discard(output);
  ReleaseStopSignals();
  ::sigprocmask(SIG_SETMASK, &previous, nullptr);
  if (!ok)
    std::cerr << "Could not write output file '" << output.path << "'.\n";
  return ok;
}

}  // namespace lumitone
