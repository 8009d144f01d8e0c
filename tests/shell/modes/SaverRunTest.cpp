// The saver as the host runs it (zelmar /s) on a 1280 x 1024 X server, driven by real input
// through xdotool: it covers the screen with the scene, hides the cursor, lets small movements,
// clicks and Alt pass, ends with exit code 0 on a larger movement or a key, and leaves the
// settings file as it was.
// gtest before Xlib: Xlib's macros (None, Bool) break gtest's headers.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
// clang-format on
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/RunTool.h"
#include "support/SettingsFile.h"
#include "support/ZelmarProcess.h"

namespace {

namespace fs = std::filesystem;

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;
// The waits below wait for what they expect or for the saver's end, not for a time: a loaded
// machine may take long for either; a hang ends at the test's timeout.

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A settings file with every value; Move_Speed as given. Low textures load quickest.
std::string HiveText(int moveSpeed) {
  return QuickSettings().Set({{"Select_Planet", 0},
                              {"Planet_Speed", 5},
                              {"Move_Speed", moveSpeed},
                              {"Zelmar_Type", 0},
                              {"Planetary_Data", 1},
                              {"FPS", 0},
                              {"Glare", 0},
                              {"Lens_Flare", 1},
                              {"Corona", 1}});
}

class SaverRun : public ::testing::Test {
 protected:
  void SetUp() override {
    dpy_ = XOpenDisplay(nullptr);
    ASSERT_TRUE(dpy_) << "no X display";
    // A window the test looks at may be gone by the time it asks about it (the saver's own
    // short-lived windows, on a machine slow to run them): the call then fails and says so in
    // its result, which every caller checks, instead of Xlib's default ending the test.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    ASSERT_EQ(DisplayWidth(dpy_, 0), kScreenWidth);
    ASSERT_EQ(DisplayHeight(dpy_, 0), kScreenHeight);
    char tmpl[] = "/tmp/zelmar-saver-XXXXXX";
    dir_ = mkdtemp(tmpl);
    hive_ = dir_ / "zelmar.reg";
    // Every run starts with the pointer in the middle of the screen.
    XWarpPointer(dpy_, 0, DefaultRootWindow(dpy_), 0, 0, 0, 0, kScreenWidth / 2, kScreenHeight / 2);
    XSync(dpy_, False);
  }

  void TearDown() override {
    zelmar_.Kill();
    if (dpy_) XCloseDisplay(dpy_);
    fs::remove_all(dir_);
  }

  void Start(const std::vector<std::string>& args = {"/s"}) {
    zelmar_.Env("ZELMAR_HIVE", hive_).Env("ZELMAR_FRAME_COUNT", dir_ / "frames");
    std::vector<std::string> argv{ZELMAR_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    ASSERT_TRUE(zelmar_.Start(argv));
  }

  bool Alive() { return zelmar_.Running(); }
  // The exit code once the saver ends.
  int WaitForExit() { return zelmar_.Wait(); }
  std::string Stderr() { return zelmar_.Stderr(); }

  // The topmost mapped top-level window, and whether it belongs to the saver's process.
  Window TopWindow(bool* ours) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    Window top = 0;
    *ours = false;
    if (!XQueryTree(dpy_, DefaultRootWindow(dpy_), &root, &parent, &children, &count)) return 0;
    for (unsigned i = count; i-- > 0 && !top;) {
      XWindowAttributes a;
      if (XGetWindowAttributes(dpy_, children[i], &a) && a.map_state == IsViewable)
        top = children[i];
    }
    if (children) XFree(children);
    if (top) *ours = WindowPid(top) == zelmar_.Pid();
    return top;
  }

  long WindowPid(Window w) {
    const Atom pidAtom = XInternAtom(dpy_, "_NET_WM_PID", True);
    if (!pidAtom) return -1;
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(dpy_, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                           &after, &data) == Success &&
        data && items == 1 && format == 32)
      pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
    if (data) XFree(data);
    return pid;
  }

  bool CoversScreen(Window w) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(dpy_, w, &a)) return false;
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(dpy_, w, DefaultRootWindow(dpy_), 0, 0, &x, &y, &child);
    return x == 0 && y == 0 && a.width == kScreenWidth && a.height == kScreenHeight;
  }

  std::vector<std::uint32_t> GrabScreen() {
    XImage* img = XGetImage(dpy_, DefaultRootWindow(dpy_), 0, 0, kScreenWidth, kScreenHeight,
                            AllPlanes, ZPixmap);
    std::vector<std::uint32_t> px;
    if (!img) return px;
    px.resize(static_cast<std::size_t>(kScreenWidth) * kScreenHeight);
    for (int y = 0; y < kScreenHeight; ++y)
      for (int x = 0; x < kScreenWidth; ++x)
        px[static_cast<std::size_t>(y) * kScreenWidth + x] = XGetPixel(img, x, y) & 0xFFFFFF;
    XDestroyImage(img);
    return px;
  }

  // A drawn scene, not an empty or cleared screen: a fair part of the pixels lit, in many
  // colours, over the whole screen.
  static bool ShowsScene(const std::vector<std::uint32_t>& px) {
    if (px.empty()) return false;
    std::size_t lit = 0;
    std::set<std::uint32_t> colours;
    bool top = false, bottom = false;
    for (std::size_t i = 0; i < px.size(); ++i) {
      if (px[i] == 0) continue;
      ++lit;
      if (colours.size() < 1000) colours.insert(px[i]);
      const std::size_t row = i / kScreenWidth;
      top = top || row < kScreenHeight / 4;
      bottom = bottom || row >= kScreenHeight * 3 / 4;
    }
    return lit > px.size() / 200 && colours.size() >= 64 && top && bottom;
  }

  // The X cursor shows no pixel.
  bool CursorHidden() {
    XFixesCursorImage* c = XFixesGetCursorImage(dpy_);
    if (!c) return false;
    bool blank = true;
    for (int i = 0; i < c->width * c->height; ++i)
      if ((c->pixels[i] >> 24) & 0xFF) blank = false;
    XFree(c);
    return blank;
  }

  // Starts the saver and waits until its window is on top, covers the screen, shows the scene
  // and hides the cursor. Fails the test when it does not come.
  void StartAndWaitForScene(const std::vector<std::string>& args = {"/s"}) {
    Start(args);
    bool ours = false, covers = false, scene = false, hidden = false;
    while (Alive()) {
      const Window top = TopWindow(&ours);
      covers = ours && CoversScreen(top);
      if (covers) {
        scene = ShowsScene(GrabScreen());
        hidden = CursorHidden();
        if (scene && hidden) break;
      }
      usleep(10000);
    }
    ASSERT_TRUE(Alive()) << "the saver ended early with " << zelmar_.ExitCode() << ": " << Stderr();
    ASSERT_TRUE(ours) << "no window of the saver on top";
    ASSERT_TRUE(covers) << "the saver's window does not cover the screen";
    EXPECT_TRUE(scene) << "no scene on the screen";
    EXPECT_TRUE(hidden) << "the cursor shows";
  }

  // Waits until the screen has changed a few times: the saver has drawn frames since, so it
  // has also taken the input sent before (its loop handles every pending event between two
  // frames).
  void WaitForFrames(int frames = 3) {
    std::vector<std::uint32_t> last = GrabScreen();
    while (frames > 0 && Alive()) {
      usleep(10000);
      std::vector<std::uint32_t> now = GrabScreen();
      if (now != last) {
        --frames;
        last = std::move(now);
      }
    }
  }

  void PointerAt(int* x, int* y) {
    Window root = 0, child = 0;
    int wx = 0, wy = 0;
    unsigned mask = 0;
    XQueryPointer(dpy_, DefaultRootWindow(dpy_), &root, &child, x, y, &wx, &wy, &mask);
  }

  bool MoveTo(int x, int y) {
    return RunTool({"xdotool", "mousemove", "--sync", std::to_string(x), std::to_string(y)});
  }

  // The first messages after the saver shows are ignored whatever they are; clicks end
  // nothing, so five (ten messages) use that allowance up before the input that counts.
  void UseUpIgnoredMessages() {
    ASSERT_TRUE(RunTool({"xdotool", "click", "--repeat", "5", "--delay", "20", "1"}));
    WaitForFrames();
  }

  // Buffer swaps the saver has made so far.
  long Frames() { return std::atol(ReadFile(dir_ / "frames").c_str()); }

  Display* dpy_ = nullptr;
  fs::path dir_;
  fs::path hive_;
  ZelmarProcess zelmar_;
};

TEST_F(SaverRun, CoversTheScreenKeepsRunningOnSmallInputAndEndsOnASixPixelMove) {
  const std::string settings = HiveText(5);
  std::ofstream(hive_, std::ios::binary) << settings;
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForScene());
  ASSERT_NO_FATAL_FAILURE(UseUpIgnoredMessages());

  int x0 = 0, y0 = 0;
  PointerAt(&x0, &y0);
  // Exactly five pixels on both axes, a click and Alt: none of them ends the saver.
  ASSERT_TRUE(MoveTo(x0 + 5, y0 + 5));
  ASSERT_TRUE(RunTool({"xdotool", "click", "1"}));
  ASSERT_TRUE(RunTool({"xdotool", "key", "alt"}));
  ASSERT_TRUE(MoveTo(x0 - 5, y0 - 5));
  WaitForFrames();
  ASSERT_TRUE(Alive()) << "ended with " << zelmar_.ExitCode()
                       << " on input it should let pass: " << Stderr();
  bool ours = false;
  TopWindow(&ours);
  EXPECT_TRUE(ours) << "the saver's window left the top";
  EXPECT_TRUE(CursorHidden());

  // Six pixels on one axis from where it was shown.
  ASSERT_TRUE(MoveTo(x0 + 6, y0));
  EXPECT_EQ(WaitForExit(), 0) << Stderr();
  EXPECT_EQ(ReadFile(hive_), settings) << "the run changed the settings file";
}

TEST_F(SaverRun, EndsOnAKey) {
  const std::string settings = HiveText(5);
  std::ofstream(hive_, std::ios::binary) << settings;
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForScene());
  ASSERT_NO_FATAL_FAILURE(UseUpIgnoredMessages());
  ASSERT_TRUE(Alive());
  ASSERT_TRUE(RunTool({"xdotool", "key", "q"}));
  EXPECT_EQ(WaitForExit(), 0) << Stderr();
  EXPECT_EQ(ReadFile(hive_), settings);
}

// Frames are paced by the program itself (Xvfb has no vsync): over three seconds no more than
// the cap allows, give or take the frames at either end; and yet it draws.
TEST_F(SaverRun, PresentsNoMoreFramesThanTheCap) {
  std::ofstream(hive_, std::ios::binary) << HiveText(5);
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForScene({"/s", "--max-fps", "10", "--no-corona"}));
  const long before = Frames();
  usleep(3000000);
  const long drawn = Frames() - before;
  EXPECT_LE(drawn, 10 * 3 + 2);
  EXPECT_GE(drawn, 3);
  ASSERT_NO_FATAL_FAILURE(UseUpIgnoredMessages());
  ASSERT_TRUE(RunTool({"xdotool", "key", "q"}));
  EXPECT_EQ(WaitForExit(), 0) << Stderr();
}

// A desktop scaled by 2 (as a monitor at 200% would be): the window keeps its size in the
// screen's pixels, so the scene is drawn at the physical resolution, the overlay at its sizes in
// pixels.
TEST_F(SaverRun, AScaledDesktopGetsTheSceneAtItsPhysicalSize) {
  std::ofstream(hive_, std::ios::binary) << HiveText(5);
  zelmar_.Env("QT_SCALE_FACTOR", "2").Env("QT_SCREEN_SCALE_FACTORS", "2");
  Start({"--window", "--size", "320x240", "--max-fps", "10"});
  XWindowAttributes a{};
  bool found = false;
  while (Alive() && !found) {
    bool ours = false;
    const Window top = TopWindow(&ours);
    found = ours && XGetWindowAttributes(dpy_, top, &a) && Frames() > 0;
    if (!found) usleep(10000);
  }
  ASSERT_TRUE(found) << "no window drawn: " << Stderr();
  EXPECT_EQ(a.width, 320);
  EXPECT_EQ(a.height, 240);
}

// Without a settings file the saver runs on the installed defaults, with nothing to complain
// about, and writes no file. It says its frame budget, once: Xvfb's renderer is llvmpipe, a
// software rasterizer, which gets the cap and the smaller scene.
TEST_F(SaverRun, RunsWithoutASettingsFile) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForScene());
  ASSERT_NO_FATAL_FAILURE(UseUpIgnoredMessages());
  ASSERT_TRUE(RunTool({"xdotool", "key", "Escape"}));
  EXPECT_EQ(WaitForExit(), 0);
  const std::string Said = Stderr();
  EXPECT_EQ(Said.rfind("zelmar: frame budget: software renderer: at most 30 frames a second", 0),
            0u)
      << Said;
  EXPECT_NE(Said.find("the scene 900x720 of 1280x1024"), std::string::npos) << Said;
  EXPECT_EQ(std::count(Said.begin(), Said.end(), '\n'), 1) << Said;
  EXPECT_FALSE(fs::exists(hive_));
}

// A speed of 0 cannot come from the dialog; the saver takes the default and says so.
TEST_F(SaverRun, RunsWithAMoveSpeedOfZero) {
  std::ofstream(hive_, std::ios::binary) << HiveText(0);
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForScene());
  ASSERT_NO_FATAL_FAILURE(UseUpIgnoredMessages());
  int x = 0, y = 0;
  PointerAt(&x, &y);
  ASSERT_TRUE(MoveTo(x, y + 40));
  EXPECT_EQ(WaitForExit(), 0);
  EXPECT_NE(Stderr().find("Move_Speed"), std::string::npos);
}

}  // namespace
