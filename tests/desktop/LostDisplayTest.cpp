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

#include "support/SettingsFile.h"
#include "support/XvfbServer.h"
#include "support/ZelmarProcess.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTrials = 20;
// Bounds of the waits, in 10 ms steps: generous for a loaded machine, yet a hang ends the test.
constexpr int kStartSteps = 6000;
constexpr int kEndSteps = 1000;

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
    QuickSettings().Write(dir_ / "zelmar.reg");
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
    ZelmarProcess zelmar;
    zelmar.Env("DISPLAY", x.Display())
        .Env("QT_QPA_PLATFORM", "xcb")
        .Env("LIBGL_ALWAYS_SOFTWARE", "1");
    zelmar.Env("ZELMAR_HIVE", dir_ / "zelmar.reg").Env("ZELMAR_FRAME_COUNT", count);
    zelmar.Env("ZELMAR_MAP_ROOT", dir_ / "maps").Env("XDG_CACHE_HOME", dir_ / "cache");
    zelmar.Env("TMPDIR", dir_ / "tmp").Unset("XDG_RUNTIME_DIR");
    ASSERT_TRUE(zelmar.Start(argv));
    bool ended = false;
    for (int i = 0; i < kStartSteps && !ended; ++i) {
      const std::string text = ReadFile(count);
      if (!text.empty() && std::stol(text) >= frames) break;
      ended = !zelmar.Running();
      usleep(10000);
    }
    ASSERT_FALSE(ended) << "ended before the server did: " << zelmar.ExitCode() << " "
                        << zelmar.Stderr();
    x.Kill(signal);
    const int status = zelmar.WaitSteps(kEndSteps);
    zelmar.Kill();
    const std::string err = zelmar.Stderr();
    EXPECT_NE(status, -1) << "still running after its X server died";
    EXPECT_EQ(status, 1) << "exit " << status << (status > 128 ? " (killed by a signal)" : "")
                         << ": " << err;
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
