// The output is replaced whole or not at all, whatever happens to the run:
// write failures through links, stop signals at any moment, two runs
// writing one path at once, and an output that is the console itself.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/jpeg_fixture.h"
#include "tests/program_run.h"
#include "tests/temp_files.h"

namespace lumitone {
namespace {

using testing::ProgramResult;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;
using testing::WriteJpeg;

const std::vector<uint8_t> kOld = {'o', 'l', 'd'};

// Starts the converter without waiting for it, its console sent nowhere.
pid_t StartLumitone(const std::vector<std::string>& words) {
  std::vector<std::string> all = {testing::LumitoneBinary()};
  all.insert(all.end(), words.begin(), words.end());
  pid_t pid = ::fork();
  if (pid == 0) {
    int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    std::vector<char*> argv;
    for (std::string& word : all) argv.push_back(word.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

class OutputReplaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<uint8_t> pixels(64 * 48 * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
      pixels[i] = static_cast<uint8_t>(i * 7);
    WriteJpeg(Path("a.jpg"), 64, 48, 3, pixels);
    std::reverse(pixels.begin(), pixels.end());
    WriteJpeg(Path("b.jpg"), 64, 48, 3, pixels);
  }
  std::string Path(const std::string& name) const { return dir_.Path(name); }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  // What a run with `picture` writes, made by a run of its own.
  std::vector<uint8_t> Expected(const std::string& picture,
                                const std::string& duration) {
    std::string path = Path("expected.wav");
    EXPECT_EQ(testing::RunLumitone(
                  {"-i1:" + Path(picture), "-o:" + path, "-d:" + duration})
                  .status,
              0);
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    std::filesystem::remove(path);
    return bytes;
  }
  TempDir dir_;
};

TEST_F(OutputReplaceTest, AFailedWriteThroughALinkLosesNothing) {
  std::string target = Path("target.wav");
  WriteFileBytes(target, kOld);
  ASSERT_EQ(::symlink("target.wav", Path("soft.wav").c_str()), 0);
  ASSERT_EQ(::link(target.c_str(), Path("hard.wav").c_str()), 0);
  // `ulimit -f 8`: the file system fills up in the middle of the samples.
  for (const char* name : {"target.wav", "soft.wav", "hard.wav"}) {
    ProgramResult r = testing::RunLumitone(
        {"-i1:" + Path("a.jpg"), "-o:" + Path(name), "-d:1"},
        {.fileSizeBytes = 8192});
    EXPECT_EQ(r.err, "Could not write output file '" + Path(name) + "'.\n");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(ReadFileBytes(target), kOld) << name;
    EXPECT_EQ(ReadFileBytes(Path("hard.wav")), kOld) << name;
    EXPECT_TRUE(std::filesystem::is_symlink(Path("soft.wav"))) << name;
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "b.jpg", "hard.wav",
                                                 "soft.wav", "target.wav"}))
        << name;
  }
}

TEST_F(OutputReplaceTest, TheConsoleIsNotAnOutput) {
  for (const char* path : {"/dev/stdout", "/dev/stderr", "/proc/self/fd/1"}) {
    ProgramResult r = testing::RunLumitone(
        {"-i1:" + Path("a.jpg"), "-o:" + std::string(path), "-d:1"});
    EXPECT_EQ(r.out, "Loading JPEG file.\n") << path;
    EXPECT_EQ(r.err, "Output file '" + std::string(path) +
                         "' is the console output.\n");
    EXPECT_EQ(r.status, 255) << path;
  }
}

TEST_F(OutputReplaceTest, TwoRunsWritingOnePathLeaveOneWholeOutput) {
  std::vector<uint8_t> a = Expected("a.jpg", "0.5"),
                       b = Expected("b.jpg", "0.5");
  ASSERT_NE(a, b);
  std::string out = Path("out.wav");
  for (int round = 0; round < 5; ++round) {
    pid_t first =
        StartLumitone({"-i1:" + Path("a.jpg"), "-o:" + out, "-d:0.5"});
    pid_t second =
        StartLumitone({"-i1:" + Path("b.jpg"), "-o:" + out, "-d:0.5"});
    EXPECT_EQ(Wait(first), 0);
    EXPECT_EQ(Wait(second), 0);
    std::vector<uint8_t> written = ReadFileBytes(out);
    EXPECT_TRUE(written == a || written == b) << "round " << round;
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "b.jpg", "out.wav"}));
  }
}

// Signals sent at moments spread over the whole run: the run ends by the
// signal or completes, and the output is either the previous file or the
// whole new one, never a part, with no temporary file left behind.
TEST_F(OutputReplaceTest, AStopSignalAtAnyMomentLeavesAWholeFile) {
  std::vector<uint8_t> whole = Expected("a.jpg", "10");
  std::string out = Path("out.wav");
  int signals[] = {SIGINT, SIGTERM, SIGHUP};
  for (int step = 0; step < 16; ++step) {
    WriteFileBytes(out, kOld);
    pid_t pid = StartLumitone({"-i1:" + Path("a.jpg"), "-o:" + out, "-d:10"});
    std::this_thread::sleep_for(std::chrono::milliseconds(step * 10));
    ::kill(pid, signals[step % 3]);
    int status = Wait(pid);
    std::vector<uint8_t> written = ReadFileBytes(out);
    EXPECT_TRUE(WIFSIGNALED(status) ||
                (WIFEXITED(status) && WEXITSTATUS(status) == 0));
    EXPECT_TRUE(written == kOld || written == whole)
        << "after " << step * 10 << " ms";
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "b.jpg", "out.wav"}));
  }
}

}  // namespace
}  // namespace lumitone
