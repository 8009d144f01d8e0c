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
const char* const kHive =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar]\r\n"
    "\"Install_Dir\"=\"" ZELMAR_MEDIA
    "\"\r\n"
    "\"Texture_Quality\"=dword:00000002\r\n"
    "\"Object_Quality\"=dword:00000002\r\n"
    "\"Select_Planet\"=dword:00000000\r\n"
    "\"Planet_Speed\"=dword:00000005\r\n"
    "\"Move_Speed\"=dword:00000005\r\n"
    "\"Zelmar_Type\"=dword:00000000\r\n"
    "\"Planetary_Data\"=dword:00000001\r\n"
    "\"FPS\"=dword:00000001\r\n"
    "\"Glare\"=dword:00000000\r\n"
    "\"Lens_Flare\"=dword:00000001\r\n"
    "\"Corona\"=dword:00000001\r\n";

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
    std::ofstream(hive_, std::ios::binary) << kHive;
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
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (errFd_ >= 0) close(errFd_);
    if (dpy_) XCloseDisplay(dpy_);
    fs::remove_all(dir_);
  }

  std::string HostId() const {
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", host_);
    return id;
  }

  void Start(const std::vector<std::string>& args, bool viaVariable = false) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    // A starter may hand its blocked signals down; blocked before the fork, so that a signal
    // sent at once waits for the program.
    sigset_t old;
    sigprocmask(SIG_BLOCK, &blockedAtStart_, &old);
    pid_ = fork();
    if (pid_ != 0) sigprocmask(SIG_SETMASK, &old, nullptr);
    if (pid_ == 0) {
      dup2(fds[1], 2);
      close(fds[0]);
      setenv("ZELMAR_HIVE", hive_.c_str(), 1);
      setenv("ZELMAR_FRAME_COUNT", frames_.c_str(), 1);
      // Nothing may be left in the temporary folder, even without a session's runtime folder.
      setenv("TMPDIR", (dir_ / "tmp").c_str(), 1);
      unsetenv("XDG_RUNTIME_DIR");
      if (viaVariable)
        setenv("XSCREENSAVER_WINDOW", HostId().c_str(), 1);
      else
        unsetenv("XSCREENSAVER_WINDOW");
      std::vector<char*> argv{const_cast<char*>(ZELMAR_EXE)};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(fds[1]);
    errFd_ = fds[0];
    fcntl(errFd_, F_SETFL, O_NONBLOCK);
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

  bool Alive() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == 0) return true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    pid_ = -1;
    return false;
  }

  // Signals the program while it runs; nothing once it has ended (its pid is then forgotten, and
  // kill() with -1 would signal every process of the user).
  void Signal(int sig) {
    if (pid_ > 0) kill(pid_, sig);
  }

  int WaitForExit() {
    for (int i = 0; i < kEndSteps && Alive(); ++i) usleep(10000);
    return Alive() ? -1 : exitCode_;
  }

  std::string Stderr() {
    std::string text;
    char buf[512];
    ssize_t n;
    while ((n = read(errFd_, buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
    return text;
  }

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
  pid_t pid_ = -1;
  int errFd_ = -1;
  int exitCode_ = -1;
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
  const long cpuHidden = CpuTicks(pid_);
  const auto startHidden = Clock::now();
  sleep(3);
  const double seconds = std::chrono::duration<double>(Clock::now() - startHidden).count();
  EXPECT_EQ(Frames(), framesHidden);
  const double share = (CpuTicks(pid_) - cpuHidden) / (seconds * sysconf(_SC_CLK_TCK));
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
  std::vector<pid_t> pids;
  std::vector<fs::path> counts;
  for (int i = 0; i < kCount; ++i) {
    const Window w = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 10 + 330 * i, 600, 320, 200,
                                         0, BlackPixel(dpy_, 0), BlackPixel(dpy_, 0));
    XMapWindow(dpy_, w);
    XSync(dpy_, False);
    counts.push_back(dir_ / ("frames" + std::to_string(i)));
    char id[32];
    std::snprintf(id, sizeof id, "%lu", w);
    const pid_t pid = fork();
    if (pid == 0) {
      setenv("ZELMAR_HIVE", hive_.c_str(), 1);
      setenv("ZELMAR_FRAME_COUNT", counts.back().c_str(), 1);
      setenv("TMPDIR", (dir_ / "tmp").c_str(), 1);
      unsetenv("XDG_RUNTIME_DIR");
      execl(ZELMAR_EXE, ZELMAR_EXE, "-window-id", id, static_cast<char*>(nullptr));
      _exit(127);
    }
    pids.push_back(pid);
  }
  for (const fs::path& count : counts) {
    int i = 0;
    while (i++ < kStartSteps && ReadFile(count).empty()) usleep(10000);
    EXPECT_FALSE(ReadFile(count).empty()) << count << " shows no frame";
  }
  for (pid_t pid : pids)
    if (pid > 0) kill(pid, SIGTERM);
  for (pid_t pid : pids) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
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
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
    EXPECT_EQ(LeftInTmp(), "");
    close(errFd_);
    errFd_ = -1;
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
  std::string hive = ReadFile(hive_);
  const std::string media = ZELMAR_MEDIA;
  hive.replace(hive.find(media), media.size(), (dir_ / "moved").string());
  for (const bool badSpeed : {false, true}) {
    if (badSpeed)
      hive.replace(hive.find("\"Move_Speed\"=dword:00000005"), 27, "\"Move_Speed\"=dword:00000063");
    std::ofstream(hive_, std::ios::binary) << hive;
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
