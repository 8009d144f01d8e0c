// Only Xlib here: its macros clash with Qt's headers.
#include "platform_window/X11Support.h"

#include <X11/Xlib.h>

RECT ServerRect(HWND hwnd) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return {};
  XWindowAttributes attributes;
  RECT rect{};
  if (XGetWindowAttributes(display, static_cast<::Window>(hwnd), &attributes)) {
    int x = 0, y = 0;
    ::Window child;
    XTranslateCoordinates(display, static_cast<::Window>(hwnd), DefaultRootWindow(display), 0, 0,
                          &x, &y, &child);
    rect = {x, y, x + attributes.width, y + attributes.height};
  }
  XCloseDisplay(display);
  return rect;
}
