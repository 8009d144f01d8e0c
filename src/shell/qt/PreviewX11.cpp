#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "shell/preview/AppIcon.h"
#include "shell/preview/Preview.h"

namespace zelmar {

namespace {

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

// The preview's picture is composed and sent band by band, and only where the window lies on
// its screen, so memory stays bounded (about kBandBytes) however large the host's window is.
constexpr std::size_t kBandBytes = std::size_t{4} << 20;

struct Rect {
  int left, top, right, bottom;  // right and bottom exclusive
};

// The part of the W x H frame that can show: the frame clipped to the root window, which every
// window's visible part lies within.
Rect VisiblePart(Display* dpy, Window host, const XWindowAttributes& attr, int width, int height) {
  int rootX = 0, rootY = 0;
  Window child = 0;
  if (!XTranslateCoordinates(dpy, host, attr.root, 0, 0, &rootX, &rootY, &child))
    return {0, 0, 0, 0};
  XWindowAttributes root;
  if (!GetAttributes(dpy, attr.root, root)) return {0, 0, 0, 0};
  return {std::max(0, -rootX), std::max(0, -rootY), std::min(width, root.width - rootX),
          std::min(height, root.height - rootY)};
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

  const std::vector<TPreviewStar> stars = PreviewStars(width, height);
  const std::vector<std::uint32_t> icon = DrawAppIcon(kPreviewIconSize);

  // A band is as wide as the screen can show and as tall as kBandBytes allows.
  XWindowAttributes root;
  if (!GetAttributes(dpy, attr.root, root)) return 0;
  const int bandColumns = std::max(1, std::min(width, root.width));
  const int bandRows = static_cast<int>(
      std::clamp<std::size_t>(kBandBytes / (static_cast<std::size_t>(bandColumns) * 4), 1,
                              static_cast<std::size_t>(height)));
  XImage* image =
      XCreateImage(dpy, attr.visual, static_cast<unsigned>(attr.depth), ZPixmap, 0, nullptr,
                   static_cast<unsigned>(bandColumns), static_cast<unsigned>(bandRows), 32, 0);
  if (!image) {
    std::fprintf(stderr, "zelmar: cannot create a %d x %d image for the preview\n", bandColumns,
                 bandRows);
    return 2;
  }
  image->data = static_cast<char*>(std::calloc(static_cast<std::size_t>(image->bytes_per_line),
                                               static_cast<std::size_t>(bandRows)));
  if (!image->data) {
    XDestroyImage(image);
    std::fprintf(stderr, "zelmar: out of memory for the preview's %d x %d image\n", bandColumns,
                 bandRows);
    return 2;
  }
  GC gc = XCreateGC(dpy, host, 0, nullptr);
  const PixelFormat format(attr.visual);
  const bool direct = image->bits_per_pixel == 32 && format.Pixel(0x123456) == 0x123456 &&
                      image->byte_order == (XImageByteOrder(dpy));

  std::vector<std::uint32_t> band(static_cast<std::size_t>(bandColumns) * bandRows);
  int x = -33;
  while (IsWindowVisible(dpy, host)) {
    // The window may have moved since the last pass.
    const Rect visible = VisiblePart(dpy, host, attr, width, height);
    for (int left = visible.left; left < visible.right; left += bandColumns) {
      const int columns = std::min(bandColumns, visible.right - left);
      for (int top = visible.top; top < visible.bottom; top += bandRows) {
        const int rows = std::min(bandRows, visible.bottom - top);
        ComposePreview(band.data(), left, top, columns, rows, stars, icon, x, iconTop);
        for (int y = 0; y < rows; ++y) {
          const std::uint32_t* row = &band[static_cast<std::size_t>(y) * columns];
          if (direct) {
            std::memcpy(image->data + static_cast<std::size_t>(y) * image->bytes_per_line, row,
                        static_cast<std::size_t>(columns) * 4);
          } else {
            for (int px = 0; px < columns; ++px) XPutPixel(image, px, y, format.Pixel(row[px]));
          }
        }
        XPutImage(dpy, host, gc, image, 0, 0, left, top, static_cast<unsigned>(columns),
                  static_cast<unsigned>(rows));
      }
    }
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

int RunPreview(const std::string& handle) {
  unsigned long id = 0;
  if (!ParsePreviewHandle(handle, id)) return 2;
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
