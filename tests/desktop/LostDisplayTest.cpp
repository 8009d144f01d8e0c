// zelmar when its X server dies under it, in every mode that draws: the hack mode (into a host
// window), the saver (/s) and the scene's window (--window). Each trial starts an Xvfb of its
// own, lets zelmar show a few frames (a different number each time, so that the end falls at
// different points of a frame) and kills the server, by SIGTERM or SIGKILL in turn. Every time
// the program must exit 1 (not die of a signal), say one line, and leave nothing in the
// temporary folder (its runtime folder included).
// gtest before Xlib: Xlib's macros (None, Bool) break gtest's headers.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
// clang-format on
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/XvfbServer.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTrials = 20;
// Bounds of the waits, in 10 ms steps: generous for a loaded machine, yet a hang ends the test.
constexpr int kStartSteps = 6000;
constexpr int kEndSteps = 1000;

const char* const kHive =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar]\r\n"
    "\"Install_Dir\"=\"" ZELMAR_MEDIA
    "\"\r\n"
    "\"Texture_Quality\"=dword:00000002\r\n"
    "\"Object_Quality\"=dword:00000002\r\n";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class LostDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/zelmar-lost-XXXXXX";
    dir_ = mkdtemp(tmpl);
    fs::create_directories(dir_ / "tmp");
    fs::create_directories(dir_ / "maps");
    std::ofstream(dir_ / "zelmar.reg", std::ios::binary) << kHive;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A host window that outlives the test's connection, as a daemon's window would.
  static std::string HostWindow(const std::string& display) {
    Display* dpy = XOpenDisplay(display.c_str());
    if (!dpy) return {};
    const Window w = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 320, 200, 0,
                                         BlackPixel(dpy, 0), BlackPixel(dpy, 0));
    XMapWindow(dpy, w);
    XSetCloseDownMode(dpy, RetainPermanent);
    XCloseDisplay(dpy);
    return std::to_string(w);
  }

  // Runs zelmar with args on the server, kills the server after `frames` frames, and checks
  // how zelmar ends.
  void Trial(const std::vector<std::string>& args, bool hostWindow, int frames, int signal) {
    XvfbServer x;
    ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
    std::vector<std::string> argv{ZELMAR_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    if (hostWindow) {
      const std::string id = HostWindow(x.Display());
      ASSERT_FALSE(id.empty());
      argv.push_back("--window-id");
      argv.push_back(id);
    }
    const fs::path count = dir_ / "frames";
    fs::remove(count);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      dup2(fds[1], 2);
      close(fds[0]);
      setenv("DISPLAY", x.Display().c_str(), 1);
      setenv("QT_QPA_PLATFORM", "xcb", 1);
      setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
      setenv("ZELMAR_HIVE", (dir_ / "zelmar.reg").c_str(), 1);
      setenv("ZELMAR_FRAME_COUNT", count.c_str(), 1);
      setenv("ZELMAR_MAP_ROOT", (dir_ / "maps").c_str(), 1);
      setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);
      setenv("TMPDIR", (dir_ / "tmp").c_str(), 1);
      unsetenv("XDG_RUNTIME_DIR");
      std::vector<char*> v;
      for (const auto& a : argv) v.push_back(const_cast<char*>(a.c_str()));
      v.push_back(nullptr);
      execv(v[0], v.data());
      _exit(127);
    }
    close(fds[1]);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    std::string err;
    auto Drain = [&] {
      char buf[512];
      ssize_t n;
      while ((n = read(fds[0], buf, sizeof buf)) > 0) err.append(buf, static_cast<std::size_t>(n));
    };
    int status = 0;
    bool ended = false;
    for (int i = 0; i < kStartSteps && !ended; ++i) {
      const std::string text = ReadFile(count);
      if (!text.empty() && std::stol(text) >= frames) break;
      ended = waitpid(pid, &status, WNOHANG) == pid;
      usleep(10000);
    }
    ASSERT_FALSE(ended) << "ended before the server did: " << status << " " << err;
    x.Kill(signal);
    for (int i = 0; i < kEndSteps && !ended; ++i) {
      Drain();
      ended = waitpid(pid, &status, WNOHANG) == pid;
      if (!ended) usleep(10000);
    }
    if (!ended) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
    }
    Drain();
    close(fds[0]);
    EXPECT_TRUE(ended) << "still running after its X server died";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1)
        << "status " << status << (WIFSIGNALED(status) ? " (killed by a signal)" : "") << ": "
        << err;
    // One line for the trouble; the saver's frame budget, said at its start, is no trouble.
    const std::size_t budget = err.rfind("zelmar: frame budget: ", 0) == 0 ? err.find('\n') : 0;
    const std::string trouble = budget ? err.substr(budget + 1) : err;
    EXPECT_EQ(std::count(trouble.begin(), trouble.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("X server"), std::string::npos) << err;
    std::string left;
    for (const auto& e : fs::directory_iterator(dir_ / "tmp")) left += e.path().string() + " ";
    EXPECT_TRUE(left.empty()) << "left behind: " << left;
    for (const auto& e : fs::directory_iterator(dir_ / "tmp")) fs::remove_all(e.path());
  }

  void Trials(const std::vector<std::string>& args, bool hostWindow) {
    for (int i = 0; i < kTrials; ++i) {
      SCOPED_TRACE("trial " + std::to_string(i));
      Trial(args, hostWindow, 1 + (i * 7) % 20, i % 2 ? SIGKILL : SIGTERM);
      if (HasFatalFailure()) return;
    }
  }

  fs::path dir_;
};

TEST_F(LostDisplay, HackMode) {
  Trials({"--max-fps", "60"}, true);
}

TEST_F(LostDisplay, Saver) {
  Trials({"/s"}, false);
}

TEST_F(LostDisplay, SceneWindow) {
  Trials({"--window", "--size", "320x200"}, false);
}

}  // namespace
