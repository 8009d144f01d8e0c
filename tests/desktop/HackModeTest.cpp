// zelmar as a screen-saver daemon runs it, on a 1280 x 1024 X server: into a host window this
// test makes (named by --window-id, or by $XSCREENSAVER_WINDOW with --root). It draws the scene
// there and nowhere else, lets input be, follows the host's size, stops drawing (and nearly
// stops using the CPU) while the host is unmapped, ends with 0 on SIGTERM and when the host is
// destroyed, and leaves the settings file and the temporary folders as they were.
// gtest before Xlib: Xlib's macros (None, Bool) break gtest's headers.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/RunTool.h"
#include "support/SettingsFile.h"
#include "support/ZelmarProcess.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Bounds of the waits, in 10 ms steps: generous for a loaded machine, yet a hang ends the test.
constexpr int kStartSteps = 6000;
constexpr int kEndSteps = 1000;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Overlay texts on (planet data and frame rate), low textures for a quick start.
SettingsFile Settings(const std::string& media = ZELMAR_MEDIA, int moveSpeed = 5) {
  return QuickSettings(media).Set({{"Select_Planet", 0},
                                   {"Planet_Speed", 5},
                                   {"Move_Speed", moveSpeed},
                                   {"Zelmar_Type", 0},
                                   {"Planetary_Data", 1},
                                   {"FPS", 1},
                                   {"Glare", 0},
                                   {"Lens_Flare", 1},
                                   {"Corona", 1}});
}

// CPU time of a process, in clock ticks (user + system), from /proc.
long CpuTicks(pid_t pid) {
  const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream in(stat.substr(close + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && in >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return utime + stime;
}

class HackMode : public ::testing::Test {
 protected:
  void SetUp() override {
    dpy_ = XOpenDisplay(nullptr);
    ASSERT_TRUE(dpy_) << "no X display";
    // A window of the saver's may go between listing the windows and asking about one (it
    // makes and drops windows while it starts): that is no failure of the test.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    char tmpl[] = "/tmp/zelmar-hack-XXXXXX";
    dir_ = mkdtemp(tmpl);
    fs::create_directories(dir_ / "tmp");
    hive_ = dir_ / "zelmar.reg";
    Settings().Write(hive_);
    frames_ = dir_ / "frames";
    XWarpPointer(dpy_, 0, DefaultRootWindow(dpy_), 0, 0, 0, 0, 5, 5);
    host_ = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 100, 100, 640, 400, 0,
                                BlackPixel(dpy_, 0), BlackPixel(dpy_, 0));
    XSelectInput(dpy_, host_, KeyPressMask | ButtonPressMask | PointerMotionMask);
    XMapWindow(dpy_, host_);
    XSync(dpy_, False);
    topLevelsBefore_ = ViewableTopLevels();
    sigemptyset(&blockedAtStart_);
  }

  void TearDown() override {
    zelmar_.Kill();
    if (dpy_) XCloseDisplay(dpy_);
    fs::remove_all(dir_);
  }

  std::string HostId() const {
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", host_);
    return id;
  }

  void Start(const std::vector<std::string>& args, bool viaVariable = false) {
    zelmar_.Env("ZELMAR_HIVE", hive_).Env("ZELMAR_FRAME_COUNT", frames_);
    // Nothing may be left in the temporary folder, even without a session's runtime folder.
    zelmar_.Env("TMPDIR", dir_ / "tmp").Unset("XDG_RUNTIME_DIR");
    if (viaVariable)
      zelmar_.Env("XSCREENSAVER_WINDOW", HostId());
    else
      zelmar_.Unset("XSCREENSAVER_WINDOW");
    std::vector<std::string> argv{ZELMAR_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    ASSERT_TRUE(zelmar_.Block(blockedAtStart_).Start(argv));
  }

  // Waits until zelmar watches the window (it asks for its structure events): its first look.
  bool WaitUntilWatched(Window w) {
    for (int i = 0; i < kStartSteps * 10 && Alive(); ++i) {
      XWindowAttributes a;
      if (XGetWindowAttributes(dpy_, w, &a) && (a.all_event_masks & VisibilityChangeMask))
        return true;
      usleep(1000);
    }
    return false;
  }

  // What a run left in the temporary folder, for messages (empty when nothing), cleared so
  // that the next run is judged on its own.
  std::string LeftInTmp() {
    std::string left;
    for (const auto& e : fs::directory_iterator(dir_ / "tmp")) left += e.path().string() + " ";
    for (const auto& e : fs::directory_iterator(dir_ / "tmp")) fs::remove_all(e.path());
    return left;
  }

  bool Alive() { return zelmar_.Running(); }
  void Signal(int sig) { zelmar_.Signal(sig); }
  int WaitForExit() { return zelmar_.WaitSteps(kEndSteps); }
  std::string Stderr() { return zelmar_.Stderr(); }

  long Frames() {
    const std::string text = ReadFile(frames_);
    return text.empty() ? 0 : std::stol(text);
  }

  // Waits until `more` frames beyond the count now have been shown; false if none came.
  bool WaitForFrames(long more) {
    const long start = Frames();
    for (int i = 0; i < kStartSteps && Alive(); ++i) {
      if (Frames() >= start + more) return true;
      usleep(10000);
    }
    return false;
  }

  std::set<Window> ViewableTopLevels() {
    std::set<Window> out;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(dpy_, DefaultRootWindow(dpy_), &root, &parent, &children, &count)) return out;
    for (unsigned i = 0; i < count; ++i) {
      XWindowAttributes a;
      if (XGetWindowAttributes(dpy_, children[i], &a) && a.map_state == IsViewable)
        out.insert(children[i]);
    }
    if (children) XFree(children);
    return out;
  }

  // The host's children: what zelmar made in it.
  std::vector<Window> HostChildren() {
    std::vector<Window> out;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(dpy_, host_, &root, &parent, &children, &count))
      out.assign(children, children + count);
    if (children) XFree(children);
    return out;
  }

  // The host's pixels as the screen shows them: not black ones, and those near the colour of
  // the overlay's title, credit and frame-rate texts (0x3D7CA3) in the given part of it.
  struct Picture {
    long lit = 0;
    long text = 0;
  };
  Picture Look(int left, int top, int width, int height) {
    Picture p;
    XWindowAttributes a;
    XGetWindowAttributes(dpy_, host_, &a);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(dpy_, host_, DefaultRootWindow(dpy_), left, top, &x, &y, &child);
    XImage* img = XGetImage(dpy_, DefaultRootWindow(dpy_), x, y, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!img) return p;
    for (int j = 0; j < height; ++j)
      for (int i = 0; i < width; ++i) {
        const unsigned long px = XGetPixel(img, i, j);
        const int r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
        if (r + g + b > 30) ++p.lit;
        if (std::abs(r - 0x3D) < 40 && std::abs(g - 0x7C) < 40 && std::abs(b - 0xA3) < 40) ++p.text;
      }
    XDestroyImage(img);
    return p;
  }

  Display* dpy_ = nullptr;
  Window host_ = 0;
  fs::path dir_, hive_, frames_;
  std::set<Window> topLevelsBefore_;
  ZelmarProcess zelmar_;
  sigset_t blockedAtStart_ = {};
};

TEST_F(HackMode, DrawsIntoTheHostFollowsItsSizeIgnoresInputAndStopsWhileUnseen) {
  const std::string hiveBefore = ReadFile(hive_);
  Start({"--window-id", HostId(), "--max-fps", "20"});
  ASSERT_TRUE(WaitForFrames(10)) << Stderr();

  // Into the host, through one child of its size; no window of its own on the screen.
  const std::vector<Window> children = HostChildren();
  ASSERT_EQ(children.size(), 1u);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(dpy_, children[0], &a));
  EXPECT_EQ(a.width, 640);
  EXPECT_EQ(a.height, 400);
  EXPECT_GT(Look(0, 0, 640, 400).lit, 640 * 400 / 20);
  EXPECT_EQ(ViewableTopLevels(), topLevelsBefore_);

  // Input goes to the host (the daemon's business), and does not end the saver.
  ASSERT_TRUE(RunTool({"xdotool", "mousemove", "300", "300"}));
  ASSERT_TRUE(RunTool({"xdotool", "click", "1"}));
  ASSERT_TRUE(RunTool({"xdotool", "mousemove", "500", "350"}));
  ASSERT_TRUE(RunTool({"xdotool", "key", "a"}));
  XSync(dpy_, False);
  bool hostSawClick = false;
  while (XPending(dpy_)) {
    XEvent ev;
    XNextEvent(dpy_, &ev);
    if (ev.type == ButtonPress) hostSawClick = true;
  }
  EXPECT_TRUE(hostSawClick);
  ASSERT_TRUE(WaitForFrames(10)) << "input ended or froze it: " << Stderr();

  // Down to a small settings preview's size, the overlay's texts with it.
  XResizeWindow(dpy_, host_, 320, 200);
  XSync(dpy_, False);
  for (int i = 0; i < kStartSteps; ++i) {
    if (XGetWindowAttributes(dpy_, children[0], &a) && a.width == 320 && a.height == 200) break;
    usleep(10000);
  }
  EXPECT_EQ(a.width, 320);
  EXPECT_EQ(a.height, 200);
  ASSERT_TRUE(WaitForFrames(10));
  EXPECT_GT(Look(0, 0, 320, 200).lit, 320 * 200 / 20);

  // Unmapped: no frames at all, next to no CPU; mapped again: frames at once.
  XUnmapWindow(dpy_, host_);
  XSync(dpy_, False);
  usleep(300000);  // a frame under way when the unmap came may still finish
  const long framesHidden = Frames();
  const long cpuHidden = CpuTicks(zelmar_.Pid());
  const auto startHidden = Clock::now();
  sleep(3);
  const double seconds = std::chrono::duration<double>(Clock::now() - startHidden).count();
  EXPECT_EQ(Frames(), framesHidden);
  const double share = (CpuTicks(zelmar_.Pid()) - cpuHidden) / (seconds * sysconf(_SC_CLK_TCK));
  EXPECT_LT(share, 0.02);
  XMapWindow(dpy_, host_);
  XSync(dpy_, False);
  ASSERT_TRUE(WaitForFrames(5)) << Stderr();

  // SIGTERM: exit 0, at once.
  const auto termAt = Clock::now();
  Signal(SIGTERM);
  EXPECT_EQ(WaitForExit(), 0);
  const double toEnd = std::chrono::duration<double>(Clock::now() - termAt).count();
  RecordProperty("seconds_from_sigterm_to_exit", std::to_string(toEnd));
  const std::string err = Stderr();
  EXPECT_LE(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_EQ(ReadFile(hive_), hiveBefore);
  EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));
}

TEST_F(HackMode, RootTakesTheDaemonsWindowAndEndsWithIt) {
  Start({"-root", "-visual", "default", "-mono", "-install", "-fps"}, true);
  ASSERT_TRUE(WaitForFrames(5)) << Stderr();
  EXPECT_EQ(HostChildren().size(), 1u);
  EXPECT_GT(Look(0, 0, 640, 400).lit, 640 * 400 / 20);
  EXPECT_EQ(ViewableTopLevels(), topLevelsBefore_);
  XDestroyWindow(dpy_, host_);
  XSync(dpy_, False);
  EXPECT_EQ(WaitForExit(), 0) << Stderr();
}

// A daemon runs one a monitor and starts them anew every cycle: several at once, each in its
// own window, and nothing of any left behind.
TEST_F(HackMode, SeveralSideBySide) {
  constexpr int kCount = 3;
  ZelmarProcess runs[kCount];
  std::vector<fs::path> counts;
  for (int i = 0; i < kCount; ++i) {
    const Window w = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 10 + 330 * i, 600, 320, 200,
                                         0, BlackPixel(dpy_, 0), BlackPixel(dpy_, 0));
    XMapWindow(dpy_, w);
    XSync(dpy_, False);
    counts.push_back(dir_ / ("frames" + std::to_string(i)));
    char id[32];
    std::snprintf(id, sizeof id, "%lu", w);
    runs[i].Env("ZELMAR_HIVE", hive_).Env("ZELMAR_FRAME_COUNT", counts.back());
    runs[i].Env("TMPDIR", dir_ / "tmp").Unset("XDG_RUNTIME_DIR");
    ASSERT_TRUE(runs[i].Start({ZELMAR_EXE, "-window-id", id}));
  }
  for (const fs::path& count : counts) {
    int i = 0;
    while (i++ < kStartSteps && ReadFile(count).empty()) usleep(10000);
    EXPECT_FALSE(ReadFile(count).empty()) << count << " shows no frame";
  }
  for (ZelmarProcess& run : runs) run.Signal(SIGTERM);
  for (ZelmarProcess& run : runs) EXPECT_EQ(run.Wait(), 0) << run.Stderr();
  EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));
}

// The daemon may destroy its window at any moment: before the renderer has started as well as
// after. From the moment zelmar first looks at the window, its end is zelmar's end (exit 0),
// with nothing left behind.
TEST_F(HackMode, EndsWithTheHostWhenEverItGoes) {
  const int delaysMs[] = {0,   2,   5,   10,  15,  20,  30,  45,  60,  80,
                          100, 125, 150, 200, 250, 300, 400, 500, 700, 1000};
  for (int delay : delaysMs) {
    SCOPED_TRACE("destroyed " + std::to_string(delay) + " ms after the first look");
    const Window host = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 0, 0, 320, 200, 0,
                                            BlackPixel(dpy_, 0), BlackPixel(dpy_, 0));
    XMapWindow(dpy_, host);
    XSync(dpy_, False);
    Start({"--window-id", std::to_string(host)});
    ASSERT_TRUE(WaitUntilWatched(host)) << Stderr();
    usleep(static_cast<useconds_t>(delay) * 1000);
    XDestroyWindow(dpy_, host);
    XSync(dpy_, False);
    EXPECT_EQ(WaitForExit(), 0) << Stderr();
    zelmar_.Kill();
    EXPECT_EQ(LeftInTmp(), "");
  }
}

// What a daemon, a shell or a session's end sends: exit 0 and nothing left behind, while it
// starts as well as while it draws. SIGPIPE (a reader of a pipe went away) ends nothing.
TEST_F(HackMode, SignalsEndItEvenWhileStarting) {
  for (int sig : {SIGINT, SIGHUP, SIGTERM, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM}) {
    Start({"--window-id", HostId()});
    usleep(200000);
    Signal(sig);
    EXPECT_EQ(WaitForExit(), 0) << "signal " << sig << " while starting: " << Stderr();
    EXPECT_EQ(LeftInTmp(), "") << "signal " << sig;
    Start({"--window-id", HostId()});
    ASSERT_TRUE(WaitForFrames(2)) << Stderr();
    Signal(sig);
    EXPECT_EQ(WaitForExit(), 0) << "signal " << sig << " while drawing: " << Stderr();
    EXPECT_EQ(LeftInTmp(), "") << "signal " << sig;
  }
  Start({"--window-id", HostId()});
  ASSERT_TRUE(WaitForFrames(2)) << Stderr();
  Signal(SIGPIPE);
  EXPECT_TRUE(WaitForFrames(3)) << "SIGPIPE ended it: " << Stderr();
  Signal(SIGTERM);
  EXPECT_EQ(WaitForExit(), 0);
  EXPECT_EQ(LeftInTmp(), "");
}

// A signal sent before the program could catch it (here: blocked by its starter, so that it
// waits) still ends it cleanly, as one sent in its first milliseconds must.
TEST_F(HackMode, SignalsSentBeforeItCouldCatchThem) {
  for (int sig : {SIGTERM, SIGUSR1}) {
    sigemptyset(&blockedAtStart_);
    sigaddset(&blockedAtStart_, sig);
    Start({"--window-id", HostId()});
    Signal(sig);
    EXPECT_EQ(WaitForExit(), 0) << "signal " << sig << ": " << Stderr();
    EXPECT_EQ(LeftInTmp(), "") << "signal " << sig;
  }
}

// The daemon logs the saver's stderr: at most one line a run however many things go wrong,
// and one line for all the textures that are missing (here: the media folder is gone).
TEST_F(HackMode, SaysAtMostOneLine) {
  for (const bool badSpeed : {false, true}) {
    Settings((dir_ / "moved").string(), badSpeed ? 99 : 5).Write(hive_);
    Start({"--window-id", HostId()});
    ASSERT_TRUE(WaitForFrames(3)) << Stderr();
    Signal(SIGTERM);
    EXPECT_EQ(WaitForExit(), 0);
    const std::string err = Stderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    if (!badSpeed) {
      EXPECT_NE(err.find("textures missing under " + (dir_ / "moved").string()), std::string::npos)
          << err;
    }
  }
}

TEST_F(HackMode, RefusesWhatItCannotUse) {
  Start({"--window-id", "0x7fffff0"});
  EXPECT_EQ(WaitForExit(), 2);
  EXPECT_NE(Stderr().find("no window"), std::string::npos);
  Start({"--root", "--planet-speed", "11"}, true);
  EXPECT_EQ(WaitForExit(), 2);
  EXPECT_NE(Stderr().find("--planet-speed"), std::string::npos);
  Start({"--window-id", "12abc"});
  EXPECT_EQ(WaitForExit(), 2);
}

}  // namespace
