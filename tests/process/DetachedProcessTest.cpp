// A detached program, run as the shell: it reports where it runs into a file, written whole.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "platform/process/DetachedProcess.h"

namespace fs = std::filesystem;
using zelmar::StartDetachedProcess;
using zelmar::TDetachedProcess;

namespace {

// Writes "key=value" lines to $1 once everything in it is known.
constexpr const char* kReport =
    "p=$$; in=$(readlink /proc/$p/fd/0); out=$(readlink /proc/$p/fd/1);"
    " err=$(readlink /proc/$p/fd/2); sid=$(cut -d' ' -f6 /proc/$p/stat); n=$(nice);"
    " printf 'in=%s\\nout=%s\\nerr=%s\\nsid=%s\\nnice=%s\\nvalue=%s\\n'"
    " \"$in\" \"$out\" \"$err\" \"$sid\" \"$n\" \"$ZELMAR_DETACHED_TEST\" > \"$1.part\""
    " && mv \"$1.part\" \"$1\"";

class DetachedProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = fs::temp_directory_path() / ("zelmar-detached-" + std::to_string(getpid()));
    fs::remove_all(Dir);
    fs::create_directories(Dir);
  }
  void TearDown() override { fs::remove_all(Dir); }

  TDetachedProcess Reporter() const {
    return {{"/bin/sh", "-c", kReport, "sh", (Dir / "report").string()}, {}, false, 0};
  }

  // The report once the program has written it (a minute at most: the program is the shell).
  std::map<std::string, std::string> Report() const {
    const fs::path file = Dir / "report";
    for (int i = 0; i < 600 && !fs::exists(file); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::map<std::string, std::string> values;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
      values[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    return values;
  }

  fs::path Dir;
};

std::string OwnStandardError() {
  return fs::read_symlink("/proc/self/fd/2").string();
}

TEST_F(DetachedProcessTest, RunsInASessionOfItsOwnAtTheLowestPriorityWithNoInputOrOutput) {
  setenv("ZELMAR_DETACHED_TEST", "this process's", 1);
  TDetachedProcess process = Reporter();
  process.Environment = {"ZELMAR_DETACHED_TEST=its own"};
  ASSERT_TRUE(StartDetachedProcess(process));
  auto report = Report();
  unsetenv("ZELMAR_DETACHED_TEST");
  ASSERT_FALSE(report.empty()) << "the program did not run";
  EXPECT_EQ(report["in"], "/dev/null");
  EXPECT_EQ(report["out"], "/dev/null");
  EXPECT_EQ(report["err"], OwnStandardError());
  EXPECT_NE(report["sid"], std::to_string(getsid(0)));
  EXPECT_EQ(report["nice"], "19");
  EXPECT_EQ(report["value"], "its own");
}

TEST_F(DetachedProcessTest, AQuietOneSaysNothing) {
  TDetachedProcess process = Reporter();
  process.Quiet = true;
  ASSERT_TRUE(StartDetachedProcess(process));
  EXPECT_EQ(Report()["err"], "/dev/null");
}

TEST_F(DetachedProcessTest, ItWaitsForTheProcessThatStartedItToEnd) {
  // The starter, a child of the test, lives until the test lets it go. With a delay far longer
  // than the report is waited for, only the starter's end can let the program run.
  int started[2], release[2];
  ASSERT_EQ(pipe(started), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t starter = fork();
  ASSERT_GE(starter, 0);
  if (starter == 0) {
    close(started[0]);
    close(release[1]);
    TDetachedProcess process = Reporter();
    process.DelayMs = 10 * 60 * 1000;
    const char answer = StartDetachedProcess(process) ? 'y' : 'n';
    if (write(started[1], &answer, 1) != 1) _exit(1);
    char none;
    while (read(release[0], &none, 1) > 0) {
    }
    _exit(0);
  }
  close(started[1]);
  close(release[0]);
  char answer = 0;
  ASSERT_EQ(read(started[0], &answer, 1), 1);
  EXPECT_EQ(answer, 'y');
  // A program that did not wait would have reported within this second; one that waits cannot.
  std::this_thread::sleep_for(std::chrono::seconds(1));
  EXPECT_FALSE(fs::exists(Dir / "report")) << "the program ran while its starter lived";
  close(release[1]);
  int status = 0;
  ASSERT_EQ(waitpid(starter, &status, 0), starter);
  close(started[0]);
  EXPECT_FALSE(Report().empty()) << "the program did not run when its starter ended";
}

TEST_F(DetachedProcessTest, NothingStartsWithoutAProgram) {
  EXPECT_FALSE(StartDetachedProcess({}));
  EXPECT_FALSE(StartDetachedProcess({{""}, {}, false, 0}));
}

}  // namespace
