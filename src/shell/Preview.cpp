#include "shell/Preview.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "scene/Random.h"
#include "shell/AppIcon.h"
#include "shell/RunMode.h"

namespace zelmar {

namespace {

constexpr int kIconSize = 32;

// X reports errors asynchronously; a window the host destroys under us must not end the
// process, so errors are only noted.
bool xError = false;
int NoteXError(Display*, XErrorEvent*) {
  xError = true;
  return 0;
}

bool GetAttributes(Display* dpy, Window w, XWindowAttributes& attr) {
  xError = false;
  Status ok = XGetWindowAttributes(dpy, w, &attr);
  return ok != 0 && !xError;
}

bool IsWindowVisible(Display* dpy, Window w) {
  XWindowAttributes attr;
  return GetAttributes(dpy, w, attr) && attr.map_state == IsViewable;
}

void SleepMs(int ms) {
  timespec ts{0, ms * 1000000L};
  while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
  }
}

// Waits up to timeoutMs for something from the X server, without spinning.
void WaitForEvents(Display* dpy, int timeoutMs) {
  if (XPending(dpy)) return;
  pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
  poll(&fd, 1, timeoutMs);
}

struct OwnWindow {
  Atom deleteWindow = 0;
};

// Handles pending events; closing our own window destroys it, which ends the preview.
void ProcessMessages(Display* dpy, Window host, const OwnWindow* own) {
  while (XPending(dpy)) {
    XEvent ev;
    XNextEvent(dpy, &ev);
    if (own && ev.type == ClientMessage && ev.xclient.window == host &&
        static_cast<Atom>(ev.xclient.data.l[0]) == own->deleteWindow) {
      XDestroyWindow(dpy, host);
      XSync(dpy, False);
    }
  }
}

// Turns 0xRRGGBB into a pixel of the window's visual.
struct PixelFormat {
  unsigned long masks[3];
  int shifts[3];
  int bits[3];
  explicit PixelFormat(const Visual* v) : masks{v->red_mask, v->green_mask, v->blue_mask} {
    for (int i = 0; i < 3; ++i) {
      shifts[i] = 0;
      bits[i] = 0;
      unsigned long m = masks[i];
      while (m && !(m & 1)) m >>= 1, ++shifts[i];
      while (m & 1) m >>= 1, ++bits[i];
    }
  }
  unsigned long Pixel(std::uint32_t rgb) const {
    unsigned long p = 0;
    for (int i = 0; i < 3; ++i) {
      unsigned long c = (rgb >> (16 - 8 * i)) & 0xFF;
      c = bits[i] >= 8 ? c << (bits[i] - 8) : c >> (8 - bits[i]);
      p |= (c << shifts[i]) & masks[i];
    }
    return p;
  }
};

void DrawIcon(std::vector<std::uint32_t>& frame, int w, int h,
              const std::vector<std::uint32_t>& icon, int left, int top) {
  for (int iy = 0; iy < kIconSize; ++iy) {
    int y = top + iy;
    if (y < 0 || y >= h) continue;
    for (int ix = 0; ix < kIconSize; ++ix) {
      int x = left + ix;
      if (x < 0 || x >= w) continue;
      std::uint32_t src = icon[iy * kIconSize + ix];
      std::uint32_t a = src >> 24;
      if (a == 0) continue;
      std::uint32_t& dst = frame[static_cast<std::size_t>(y) * w + x];
      std::uint32_t out = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        std::uint32_t s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
        out |= ((s * a + d * (255 - a) + 127) / 255) << shift;
      }
      dst = out;
    }
  }
}

int PreviewLoop(Display* dpy, Window host, const OwnWindow* own) {
  XSelectInput(dpy, host, StructureNotifyMask);

  // A host that never shows its window must not keep a core busy: wait on its events, and
  // give up when the window is destroyed.
  while (!IsWindowVisible(dpy, host)) {
    XWindowAttributes attr;
    if (!GetAttributes(dpy, host, attr)) return 0;
    WaitForEvents(dpy, 500);
    ProcessMessages(dpy, host, own);
  }

  XWindowAttributes attr;
  if (!GetAttributes(dpy, host, attr)) return 0;
  const TPreviewGeometry geometry = PreviewGeometry(attr.width, attr.height);
  const int width = geometry.Width;
  const int height = geometry.Height;
  const int iconTop = geometry.IconTop;

  std::vector<std::uint32_t> stars(static_cast<std::size_t>(width) * height, 0);
  Randomize();
  for (int i = 0; i < 100; ++i) {
    int y = Random(height);
    int x = Random(width);
    stars[static_cast<std::size_t>(y) * width + x] = 0xFFFFFF;
  }
  const std::vector<std::uint32_t> icon = DrawAppIcon(kIconSize);

  XImage* image =
      XCreateImage(dpy, attr.visual, static_cast<unsigned>(attr.depth), ZPixmap, 0, nullptr,
                   static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
  if (!image) {
    std::fprintf(stderr, "zelmar: cannot create a %d x %d image for the preview\n", width, height);
    return 2;
  }
  image->data =
      static_cast<char*>(std::calloc(static_cast<std::size_t>(image->bytes_per_line), height));
  GC gc = XCreateGC(dpy, host, 0, nullptr);
  const PixelFormat format(attr.visual);
  const bool direct = image->bits_per_pixel == 32 && format.Pixel(0x123456) == 0x123456 &&
                      image->byte_order == (XImageByteOrder(dpy));

  std::vector<std::uint32_t> frame;
  int x = -33;
  while (IsWindowVisible(dpy, host)) {
    frame = stars;
    DrawIcon(frame, width, height, icon, x, iconTop);
    for (int y = 0; y < height; ++y) {
      const std::uint32_t* row = &frame[static_cast<std::size_t>(y) * width];
      if (direct) {
        std::memcpy(image->data + static_cast<std::size_t>(y) * image->bytes_per_line, row,
                    static_cast<std::size_t>(width) * 4);
      } else {
        for (int px = 0; px < width; ++px) XPutPixel(image, px, y, format.Pixel(row[px]));
      }
    }
    XPutImage(dpy, host, gc, image, 0, 0, 0, 0, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
    XFlush(dpy);
    SleepMs(10);
    ProcessMessages(dpy, host, own);
    x = NextIconColumn(x, width);
  }
  XFreeGC(dpy, gc);
  XDestroyImage(image);
  return 0;
}

Display* OpenDisplay() {
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) {
    const char* name = std::getenv("DISPLAY");
    std::fprintf(stderr, "zelmar: cannot open the X display '%s'; the preview needs one\n",
                 name ? name : "");
    return nullptr;
  }
  XSetErrorHandler(NoteXError);
  return dpy;
}

}  // namespace

TPreviewGeometry PreviewGeometry(int windowWidth, int windowHeight) {
  const int width = windowWidth + 1;
  const int height = windowHeight + 1;
  return {width, height, height / 2 - kIconSize / 2};
}

int NextIconColumn(int x, int previewWidth) {
  if (x > previewWidth + 16) x = -33;
  return x + 1;
}

int RunPreview(const std::string& handle) {
  unsigned long id = 0;
  if (!ParseWindowHandle(handle, id)) {
    if (handle.empty())
      std::fprintf(stderr, "zelmar: /p needs the host window's handle, as in: zelmar /p 12345\n");
    else
      std::fprintf(stderr,
                   "zelmar: /p: '%s' is not a window handle (decimal, or hexadecimal with 0x)\n",
                   handle.c_str());
    return 2;
  }
  Display* dpy = OpenDisplay();
  if (!dpy) return 2;
  XWindowAttributes attr;
  if (!GetAttributes(dpy, id, attr)) {
    std::fprintf(stderr, "zelmar: /p: there is no window %lu (0x%lx) on display '%s'\n", id, id,
                 DisplayString(dpy));
    XCloseDisplay(dpy);
    return 2;
  }
  int rc = PreviewLoop(dpy, id, nullptr);
  XCloseDisplay(dpy);
  return rc;
}

int RunPreviewInOwnWindow(int width, int height) {
  Display* dpy = OpenDisplay();
  if (!dpy) return 2;
  const int screen = DefaultScreen(dpy);
  Window w = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 0, 0, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 0, BlackPixel(dpy, screen),
                                 BlackPixel(dpy, screen));
  XStoreName(dpy, w, "Zelmar preview");
  OwnWindow own;
  own.deleteWindow = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(dpy, w, &own.deleteWindow, 1);
  XMapWindow(dpy, w);
  XFlush(dpy);
  int rc = PreviewLoop(dpy, w, &own);
  XCloseDisplay(dpy);
  return rc;
}

}  // namespace zelmar
