#include "cli/output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/jpeg_fixture.h"
#include "tests/temp_files.h"

namespace lumitone {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

const std::vector<uint8_t> kOld = {'o', 'l', 'd'};
const std::vector<uint8_t> kNew(100000, 'n');
const FileIdentity kNoInputs[2] = {};

struct Outcome {
  bool opened = false;
  bool finished = false;
  OutputMode mode = OutputMode::kDirect;
  std::string err;
};

// Opens `path`, writes kNew and finishes, as the driver does; `fail` makes
// the writes report a failure, as a full disk would.
Outcome WriteOutput(const std::string& path, bool fail = false,
                    const FileIdentity inputs[2] = kNoInputs) {
  Outcome outcome;
  OutputFile output;
  ::testing::internal::CaptureStderr();
  outcome.opened = OpenOutputFile(path, inputs, output);
  if (outcome.opened) {
    outcome.mode = output.mode;
    bool written =
        std::fwrite(kNew.data(), 1, kNew.size(), output.file) == kNew.size();
    outcome.finished = FinishOutputFile(output, written && !fail);
  }
  outcome.err = ::testing::internal::GetCapturedStderr();
  return outcome;
}

FileIdentity IdentityOfPath(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 ? IdentityOf(info) : FileIdentity{};
}

// Runs `body` in a child process and returns its wait status.
int InChild(const std::function<int()>& body) {
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

class OutputFileTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.Path(name); }
  // The names in a directory: a temporary file left behind shows here.
  std::vector<std::string> Names(const std::string& sub = "") const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Path(sub))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  TempDir dir_;
};

TEST_F(OutputFileTest, ReplacesAnExistingFileWholeAndKeepsItsPermissions) {
  std::string out = Path("out.wav");
  WriteFileBytes(out, kOld);
  ASSERT_EQ(::chmod(out.c_str(), 0604), 0);
  Outcome o = WriteOutput(out);
  EXPECT_TRUE(o.finished);
  EXPECT_EQ(o.mode, OutputMode::kTemporary);
  EXPECT_EQ(ReadFileBytes(out), kNew);
  struct stat info;
  ASSERT_EQ(::stat(out.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0604u);
  EXPECT_EQ(Names(), std::vector<std::string>{"out.wav"});

  // A new file gets what the umask allows, as any created file does.
  mode_t mask = ::umask(027);
  o = WriteOutput(Path("new.wav"));
  ::umask(mask);
  ASSERT_EQ(::stat(Path("new.wav").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(OutputFileTest, AFailedWriteLeavesThePreviousFileAndNoTemporaryFile) {
  std::string out = Path("out.wav");
  WriteFileBytes(out, kOld);
  Outcome o = WriteOutput(out, /*fail=*/true);
  EXPECT_TRUE(o.opened);
  EXPECT_FALSE(o.finished);
  EXPECT_EQ(o.err, "Could not write output file '" + out + "'.\n");
  EXPECT_EQ(ReadFileBytes(out), kOld);
  EXPECT_EQ(Names(), std::vector<std::string>{"out.wav"});

  // And no file at all where there was none.
  o = WriteOutput(Path("new.wav"), true);
  EXPECT_FALSE(o.finished);
  EXPECT_EQ(Names(), std::vector<std::string>{"out.wav"});
}

TEST_F(OutputFileTest, LinksStayLinksAndOtherNamesKeepTheirContent) {
  ASSERT_EQ(::mkdir(Path("sub").c_str(), 0700), 0);
  std::string target = Path("sub/target.wav");
  WriteFileBytes(target, kOld);
  ASSERT_EQ(::link(target.c_str(), Path("hard.wav").c_str()), 0);
  ASSERT_EQ(::symlink("sub/target.wav", Path("soft.wav").c_str()), 0);
  ASSERT_EQ(::symlink("soft.wav", Path("soft2.wav").c_str()), 0);

  // A failure through either kind of link changes nothing.
  for (const char* name : {"hard.wav", "soft.wav", "soft2.wav"}) {
    EXPECT_FALSE(WriteOutput(Path(name), true).finished) << name;
    EXPECT_EQ(ReadFileBytes(target), kOld) << name;
    EXPECT_EQ(ReadFileBytes(Path("hard.wav")), kOld) << name;
  }
  // Through a chain of symbolic links the file they name is replaced and
  // the links are left as they were.
  EXPECT_TRUE(WriteOutput(Path("soft2.wav")).finished);
  EXPECT_EQ(ReadFileBytes(target), kNew);
  EXPECT_EQ(std::filesystem::read_symlink(Path("soft2.wav")), "soft.wav");
  EXPECT_EQ(std::filesystem::read_symlink(Path("soft.wav")), "sub/target.wav");
  EXPECT_EQ(Names("sub"), std::vector<std::string>{"target.wav"});
  // A hard link is a name of its own: the name written gets the new file,
  // the other name keeps the old one whole.
  EXPECT_EQ(ReadFileBytes(Path("hard.wav")), kOld);
  EXPECT_TRUE(WriteOutput(Path("hard.wav")).finished);
  EXPECT_EQ(ReadFileBytes(Path("hard.wav")), kNew);
}

TEST_F(OutputFileTest, ADanglingLinkGetsItsFile) {
  ASSERT_EQ(::symlink("missing.wav", Path("link.wav").c_str()), 0);
  EXPECT_FALSE(WriteOutput(Path("link.wav"), true).finished);
  EXPECT_EQ(Names(), std::vector<std::string>{"link.wav"});
  EXPECT_TRUE(WriteOutput(Path("link.wav")).finished);
  EXPECT_EQ(ReadFileBytes(Path("missing.wav")), kNew);
  EXPECT_TRUE(std::filesystem::is_symlink(Path("link.wav")));

  ASSERT_EQ(::symlink("loop.wav", Path("loop.wav").c_str()), 0);
  Outcome o = WriteOutput(Path("loop.wav"));
  EXPECT_FALSE(o.opened);
  EXPECT_EQ(o.err, "Could not create output file '" + Path("loop.wav") + ".\n");
}

TEST_F(OutputFileTest, AnInputIsNeverReplaced) {
  std::string input = Path("a.jpg");
  WriteFileBytes(input, kOld);
  ASSERT_EQ(::link(input.c_str(), Path("hard.jpg").c_str()), 0);
  ASSERT_EQ(::symlink("a.jpg", Path("soft.jpg").c_str()), 0);
  FileIdentity inputs[2] = {{}, IdentityOfPath(input)};
  for (const char* name : {"a.jpg", "hard.jpg", "soft.jpg"}) {
    std::string path = Path(name);
    std::string refusal =
        "Output file '" + path + "' is one of the input files.\n";
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(CheckOutputPath(path, inputs)) << name;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), refusal);
    Outcome o = WriteOutput(path, false, inputs);
    EXPECT_FALSE(o.opened) << name;
    EXPECT_EQ(o.err, refusal);
    EXPECT_EQ(ReadFileBytes(input), kOld) << name;
  }
  EXPECT_TRUE(CheckOutputPath(Path("other.wav"), inputs));
}

TEST_F(OutputFileTest, DevicesAndPipesAreWrittenAsTheyAre) {
  ASSERT_EQ(::mkdir(Path("dir.wav").c_str(), 0700), 0);
  ASSERT_EQ(::mkfifo(Path("fifo.wav").c_str(), 0600), 0);
  struct Case {
    std::string path;
    bool opened, finished;
    std::string err;
  } cases[] = {
      {"/dev/null", true, true, ""},
      {"/dev/full", true, false, "Could not write output file '/dev/full'.\n"},
      {Path("dir.wav"), false, false,
       "Could not create output file '" + Path("dir.wav") + ".\n"},
      // Nobody reads the pipe: refused at once rather than waited on.
      {Path("fifo.wav"), false, false,
       "Could not create output file '" + Path("fifo.wav") + ".\n"},
      {Path("missing/out.wav"), false, false,
       "Could not create output file '" + Path("missing/out.wav") + ".\n"},
      {"", false, false, "Could not create output file '.\n"},
      {Path("new/"), false, false,
       "Could not create output file '" + Path("new/") + ".\n"},
  };
  for (const Case& c : cases) {
    Outcome o = WriteOutput(c.path);
    EXPECT_EQ(o.opened, c.opened) << c.path;
    EXPECT_EQ(o.finished, c.finished) << c.path;
    EXPECT_EQ(o.err, c.err) << c.path;
    EXPECT_EQ(o.mode, OutputMode::kDirect) << c.path;
  }
  EXPECT_TRUE(std::filesystem::is_directory(Path("dir.wav")));

  // A pipe with a reader gets the bytes directly.
  int reader = ::open(Path("fifo.wav").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ASSERT_EQ(::fcntl(reader, F_SETPIPE_SZ, 1 << 20), 1 << 20);
  Outcome o = WriteOutput(Path("fifo.wav"));
  EXPECT_TRUE(o.finished);
  std::vector<uint8_t> received(kNew.size() + 1);
  EXPECT_EQ(::read(reader, received.data(), received.size()),
            static_cast<ssize_t>(kNew.size()));
  ::close(reader);
  EXPECT_TRUE(std::filesystem::is_fifo(Path("fifo.wav")));
}

// Where no file can be created beside the output, or renamed over it, the
// existing file is written in place; a failure then empties that file, and
// only that file.
TEST_F(OutputFileTest, WritesInPlaceWhereTheFileCannotBeReplaced) {
  ASSERT_EQ(::chmod(dir_.path().c_str(), 0755), 0);
  std::string locked = Path("locked");
  ASSERT_EQ(::mkdir(locked.c_str(), 0755), 0);
  std::string target = locked + "/out.wav", link = locked + "/link.wav";
  WriteFileBytes(target, kOld);
  ASSERT_EQ(::chmod(target.c_str(), 0666), 0);
  ASSERT_EQ(::symlink("out.wav", link.c_str()), 0);
  ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
  // As root, a user for whom the directory is closed.
  auto asOtherUser = [](const std::function<int()>& body) {
    return InChild([&] {
      if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
        return 99;
      }
      return body();
    });
  };
  int status = asOtherUser([&] {
    Outcome o = WriteOutput(link, true);
    return o.opened && o.mode == OutputMode::kInPlace && !o.finished ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFileBytes(target), std::vector<uint8_t>{});

  status = asOtherUser([&] { return WriteOutput(link).finished ? 0 : 1; });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadFileBytes(target), kNew);
  // A new file cannot be created there at all.
  status = asOtherUser([&] {
    Outcome o = WriteOutput(locked + "/new.wav");
    return !o.opened ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  ASSERT_EQ(::chmod(locked.c_str(), 0755), 0);

  // In a sticky directory such as /tmp another user's file may be written
  // but not renamed over.
  if (::geteuid() != 0) return;
  std::string sticky = Path("sticky");
  ASSERT_EQ(::mkdir(sticky.c_str(), 0777), 0);
  ASSERT_EQ(::chmod(sticky.c_str(), 01777), 0);
  WriteFileBytes(sticky + "/out.wav", kOld);
  ASSERT_EQ(::chmod((sticky + "/out.wav").c_str(), 0666), 0);
  status = asOtherUser([&] {
    Outcome o = WriteOutput(sticky + "/out.wav");
    return o.finished && o.mode == OutputMode::kInPlace ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadFileBytes(sticky + "/out.wav"), kNew);
}

// A stop signal that arrives once the samples are written but before the
// file is renamed ends the process as usual and leaves the previous file;
// a signal the caller ignores stays ignored.
TEST_F(OutputFileTest, AStopSignalBeforeTheRenameLeavesThePreviousFile) {
  std::string out = Path("out.wav");
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    WriteFileBytes(out, kOld);
    int status = InChild([&] {
      ::signal(SIGQUIT, SIG_DFL);
      struct rlimit noCore = {0, 0};
      ::setrlimit(RLIMIT_CORE, &noCore);
      OutputFile output;
      if (!OpenOutputFile(out, kNoInputs, output)) return 1;
      std::fwrite(kNew.data(), 1, kNew.size(), output.file);
      std::fflush(output.file);
      ::raise(signal);
      return 2;
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
    EXPECT_EQ(ReadFileBytes(out), kOld) << signal;
    EXPECT_EQ(Names(), std::vector<std::string>{"out.wav"}) << signal;
  }
  int status = InChild([&] {
    ::signal(SIGHUP, SIG_IGN);
    OutputFile output;
    if (!OpenOutputFile(out, kNoInputs, output)) return 1;
    std::fwrite(kNew.data(), 1, kNew.size(), output.file);
    ::raise(SIGHUP);
    return FinishOutputFile(output, true) ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadFileBytes(out), kNew);
}

}  // namespace
}  // namespace lumitone
