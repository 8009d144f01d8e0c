// zelmar /s on two monitors side by side: the scene on the primary, black on the other, input
// on either ends it, and a monitor unplugged while it runs ends nothing. The monitors are
// RandR's on a 1280 x 480 Xvfb (its Xinerama puts every screen at the origin): the screen's
// output shows the left half, a second monitor the right.
// gtest before Xlib: Xlib's macros (None, Bool) break gtest's headers.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "support/RunTool.h"
#include "support/SettingsFile.h"
#include "support/ZelmarProcess.h"

namespace {

namespace fs = std::filesystem;

constexpr int kMonitorWidth = 640;
constexpr int kHeight = 480;

class SaverMonitors : public ::testing::Test {
 protected:
  void SetUp() override {
    dpy_ = XOpenDisplay(nullptr);
    ASSERT_TRUE(dpy_) << "no X display";
    ASSERT_EQ(DisplayWidth(dpy_, 0), 2 * kMonitorWidth) << "a screen for two monitors wanted";
    ASSERT_TRUE(RunTool({"xrandr", "--newmode", "zelmar-640x480", "25.175", "640", "656", "752",
                         "800", "480", "490", "492", "525"}));
    ASSERT_TRUE(RunTool({"xrandr", "--addmode", "screen", "zelmar-640x480"}));
    ASSERT_TRUE(RunTool({"xrandr", "--fb", "1280x480", "--output", "screen", "--mode",
                         "zelmar-640x480", "--pos", "0x0", "--primary"}));
    ASSERT_TRUE(RunTool({"xrandr", "--setmonitor", "right", "640/169x480/127+640+0", "none"}));
    char tmpl[] = "/tmp/zelmar-monitors-XXXXXX";
    dir_ = mkdtemp(tmpl);
    QuickSettings()
        .Set({{"Select_Planet", 0},
              {"Planet_Speed", 5},
              {"Move_Speed", 5},
              {"Zelmar_Type", 1},
              {"Planetary_Data", 1},
              {"FPS", 0},
              {"Glare", 0},
              {"Lens_Flare", 0},
              {"Corona", 0}})
        .Write(dir_ / "zelmar.reg");
    XWarpPointer(dpy_, 0, DefaultRootWindow(dpy_), 0, 0, 0, 0, kMonitorWidth / 2, kHeight / 2);
    XSync(dpy_, False);
  }

  void TearDown() override {
    RunTool({"xrandr", "--delmonitor", "right"});
    RunTool({"xrandr", "--output", "screen", "--auto"});
    RunTool({"xrandr", "--delmode", "screen", "zelmar-640x480"});
    RunTool({"xrandr", "--rmmode", "zelmar-640x480"});
    zelmar_.Kill();
    if (dpy_) XCloseDisplay(dpy_);
    fs::remove_all(dir_);
  }

  void Start() {
    ASSERT_TRUE(zelmar_.Env("ZELMAR_HIVE", dir_ / "zelmar.reg").Start({ZELMAR_EXE, "/s"}));
  }

  bool Alive() { return zelmar_.Running(); }
  int WaitForExit() { return zelmar_.WaitSteps(1000); }

  // Lit pixels and distinct colours of one monitor's part of the screen.
  void Look(int monitor, std::size_t* lit, std::size_t* colours) {
    *lit = 0;
    std::set<unsigned long> seen;
    XImage* img = XGetImage(dpy_, DefaultRootWindow(dpy_), monitor * kMonitorWidth, 0,
                            kMonitorWidth, kHeight, AllPlanes, ZPixmap);
    if (!img) return;
    for (int y = 0; y < kHeight; y += 3)
      for (int x = 0; x < kMonitorWidth; x += 3) {
        const unsigned long p = XGetPixel(img, x, y) & 0xFFFFFF;
        if (p) ++*lit;
        if (seen.size() < 1000) seen.insert(p);
      }
    XDestroyImage(img);
    *colours = seen.size();
  }

  // Waits until the primary monitor shows the scene and the other is black all over.
  void StartAndWaitForBoth() {
    Start();
    std::size_t lit0 = 0, colours0 = 0, lit1 = 1, colours1 = 0;
    for (int i = 0; i < 600 && Alive(); ++i) {
      Look(0, &lit0, &colours0);
      Look(1, &lit1, &colours1);
      if (colours0 >= 64 && lit1 == 0) break;
      usleep(100000);
    }
    ASSERT_TRUE(Alive()) << "the saver ended early with " << zelmar_.ExitCode() << ": "
                         << zelmar_.Stderr();
    EXPECT_GE(colours0, 64u) << "no scene on the primary monitor";
    EXPECT_EQ(lit1, 0u) << "the second monitor is not black";
    // Its first messages are ignored: five clicks (ten messages) use them up.
    ASSERT_TRUE(RunTool({"xdotool", "click", "--repeat", "5", "--delay", "20", "1"}));
    usleep(300000);
  }

  Display* dpy_ = nullptr;
  fs::path dir_;
  ZelmarProcess zelmar_;
};

TEST_F(SaverMonitors, SceneOnThePrimaryBlackOnTheOtherAndAKeyEndsIt) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForBoth());
  ASSERT_TRUE(Alive());
  ASSERT_TRUE(RunTool({"xdotool", "key", "q"}));
  EXPECT_EQ(WaitForExit(), 0);
}

TEST_F(SaverMonitors, AMonitorUnpluggedEndsNothing) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForBoth());
  ASSERT_TRUE(RunTool({"xrandr", "--delmonitor", "right"}));
  usleep(1000000);
  ASSERT_TRUE(Alive()) << "ended with " << zelmar_.ExitCode() << ": " << zelmar_.Stderr();
  // The scene is still on the primary monitor, not covered by the blank that was on the other.
  std::size_t lit = 0, colours = 0;
  Look(0, &lit, &colours);
  EXPECT_GE(colours, 64u);
  ASSERT_TRUE(RunTool({"xdotool", "key", "q"}));
  EXPECT_EQ(WaitForExit(), 0);
}

TEST_F(SaverMonitors, TheMouseMovedOverTheBlackMonitorEndsIt) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForBoth());
  ASSERT_TRUE(Alive());
  ASSERT_TRUE(RunTool({"xdotool", "mousemove", "--sync", std::to_string(kMonitorWidth + 300),
                       std::to_string(kHeight / 2)}));
  // A small move there: whatever the window under the pointer, movement counts from where the
  // saver started.
  ASSERT_TRUE(RunTool(
      {"xdotool", "mousemove", std::to_string(kMonitorWidth + 320), std::to_string(kHeight / 2)}));
  EXPECT_EQ(WaitForExit(), 0);
}

}  // namespace
