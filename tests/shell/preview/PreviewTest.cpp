// The program as the host runs it, in a real X server: the preview drawn into a host window,
// and the switches that end at once.
// gtest before Xlib: Xlib's macros (None, Bool) break gtest's headers.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/ZelmarProcess.h"

namespace {

constexpr std::uint32_t kHostGrey = 0x808080;  // the host's own background, before any frame

// AddressSanitizer reserves terabytes of address space for its shadow, so under it the child
// runs without an address limit (the peak resident size is still checked).
#if defined(__SANITIZE_ADDRESS__)
constexpr rlim_t kAddressLimit = 0;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr rlim_t kAddressLimit = 0;
#else
constexpr rlim_t kAddressLimit = rlim_t{2} << 30;
#endif
#else
constexpr rlim_t kAddressLimit = rlim_t{2} << 30;
#endif

class Preview : public ::testing::Test {
 protected:
  void SetUp() override {
    dpy_ = XOpenDisplay(nullptr);
    ASSERT_TRUE(dpy_) << "no X display";
  }
  void TearDown() override {
    if (dpy_) XCloseDisplay(dpy_);
  }

  Window MakeHost(bool map) {
    Window w =
        XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 10, 10, 152, 112, 0, 0, kHostGrey);
    XSelectInput(dpy_, w, StructureNotifyMask);
    if (map) {
      XMapWindow(dpy_, w);
      for (XEvent ev; XWindowEvent(dpy_, w, StructureNotifyMask, &ev), ev.type != MapNotify;) {
      }
    }
    XSync(dpy_, False);
    return w;
  }

  std::vector<std::uint32_t> Grab(Window w) {
    XImage* img = XGetImage(dpy_, w, 0, 0, 152, 112, AllPlanes, ZPixmap);
    std::vector<std::uint32_t> px(152 * 112);
    for (int y = 0; y < 112; ++y)
      for (int x = 0; x < 152; ++x) px[y * 152 + x] = XGetPixel(img, x, y) & 0xFFFFFF;
    XDestroyImage(img);
    return px;
  }

  Display* dpy_ = nullptr;
};

bool IsIconColour(std::uint32_t p) {
  return p != 0 && p != 0xFFFFFF && p != kHostGrey;
}

// True once the preview has covered the whole window with a frame showing the icon.
bool FrameWithIcon(const std::vector<std::uint32_t>& px);

int LeftmostIconColumn(const std::vector<std::uint32_t>& px) {
  if (px.size() < 152 * 112) return -1;
  for (int x = 0; x < 152; ++x)
    for (int y = 0; y < 112; ++y)
      if (IsIconColour(px[y * 152 + x])) return x;
  return -1;
}

bool FrameWithIcon(const std::vector<std::uint32_t>& px) {
  for (std::uint32_t p : px)
    if (p == kHostGrey) return false;
  return LeftmostIconColumn(px) >= 0;
}

}  // namespace

TEST_F(Preview, DrawsStarsAndTheGlidingIconThenEndsWhenTheHostHides) {
  Window host = MakeHost(true);
  ZelmarProcess zelmar;
  ASSERT_TRUE(zelmar.Start({ZELMAR_EXE, "/p", std::to_string(host)}));

  // Wait for the icon to come in from the left edge, however long a loaded machine takes.
  std::vector<std::uint32_t> first;
  while (!FrameWithIcon(first) && zelmar.Running()) {
    usleep(10000);
    first = Grab(host);
  }
  ASSERT_TRUE(FrameWithIcon(first)) << "the icon never appeared";

  int stars = 0;
  for (int y = 0; y < 112; ++y) {
    for (int x = 0; x < 152; ++x) {
      std::uint32_t p = first[y * 152 + x];
      if (IsIconColour(p)) {
        // IconTop = 113 div 2 - 16 = 40: the icon covers rows 40 to 71.
        EXPECT_GE(y, 40);
        EXPECT_LT(y, 72);
      } else if (p == 0xFFFFFF) {
        ++stars;
      }
    }
  }
  EXPECT_GT(stars, 0);
  EXPECT_LE(stars, 100);

  std::vector<std::uint32_t> later = first;
  while (LeftmostIconColumn(later) == LeftmostIconColumn(first) && zelmar.Running()) {
    usleep(10000);
    later = Grab(host);
  }
  EXPECT_NE(LeftmostIconColumn(later), LeftmostIconColumn(first)) << "the icon did not move";

  XUnmapWindow(dpy_, host);
  XSync(dpy_, False);
  EXPECT_EQ(zelmar.Wait(), 0) << zelmar.Stderr();
  XDestroyWindow(dpy_, host);
}

TEST_F(Preview, AHugeHostWindowKeepsTheMemoryBounded) {
  // 16000 x 16000 pixels: whole frames of it would take about 1 GB each. The X server keeps no
  // pixels for the parts off its screen, so the window costs the test nothing.
  constexpr unsigned kSide = 16000;
  Window host =
      XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 0, 0, kSide, kSide, 0, 0, kHostGrey);
  XSelectInput(dpy_, host, StructureNotifyMask);
  XMapWindow(dpy_, host);
  for (XEvent ev; XWindowEvent(dpy_, host, StructureNotifyMask, &ev), ev.type != MapNotify;) {
  }
  XSync(dpy_, False);
  ZelmarProcess zelmar;
  ASSERT_TRUE(
      zelmar.LimitAddressSpace(kAddressLimit).Start({ZELMAR_EXE, "/p", std::to_string(host)}));

  // Wait until the preview has painted the corner the test looks at, or has ended.
  auto painted = [&] {
    std::vector<std::uint32_t> px = Grab(host);
    for (std::uint32_t p : px)
      if (p != 0 && p != 0xFFFFFF) return false;
    return true;
  };
  bool seen = false;
  while (!(seen = painted()) && zelmar.Running()) usleep(10000);
  EXPECT_TRUE(seen) << "the preview never painted the window";

  XUnmapWindow(dpy_, host);
  XSync(dpy_, False);
  EXPECT_EQ(zelmar.Wait(), 0) << zelmar.Stderr();
  EXPECT_LT(zelmar.Usage().ru_maxrss, 200 * 1024) << "peak resident kB";
  XDestroyWindow(dpy_, host);
}

TEST_F(Preview, AHostThatNeverShowsItsWindowEndsTheWaitByDestroyingIt) {
  Window host = MakeHost(false);
  ZelmarProcess zelmar;
  ASSERT_TRUE(zelmar.Start({ZELMAR_EXE, "/P", "0x" + [&] {
                              char buf[16];
                              snprintf(buf, sizeof buf, "%lx", host);
                              return std::string(buf);
                            }()}));
  usleep(200000);  // let it reach the wait; the result does not depend on this
  XDestroyWindow(dpy_, host);
  XSync(dpy_, False);
  EXPECT_EQ(zelmar.Wait(), 0) << zelmar.Stderr();
}

TEST_F(Preview, BadHandlesExitWithAMessage) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{ZELMAR_EXE, "/p"},
                                               {ZELMAR_EXE, "/p", "banana"},
                                               {ZELMAR_EXE, "-p", "12345"},
                                               {ZELMAR_EXE, "/p", "99999999999"}}) {
    Result r = RunZelmar(args);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_NE(r.err.find("zelmar: "), std::string::npos) << args.back();
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
  }
}

TEST_F(Preview, SwitchesThatDoNothingEndAtOnceWithoutAWindow) {
  for (const char* arg : {"/a", "/A", "/x", "help"}) {
    Result r = RunZelmar({ZELMAR_EXE, arg, "1234"});
    EXPECT_EQ(r.status, 0) << arg;
    EXPECT_EQ(r.err, "") << arg;
  }
}
