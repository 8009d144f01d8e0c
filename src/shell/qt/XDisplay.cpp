#include "shell/qt/XDisplay.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// Last: Xlib's macros (None, Bool, Status) would break other headers.
#include <X11/Xlib.h>

namespace zelmar {

bool PrepareXDisplay() {
  // Another platform given on purpose (offscreen, for tools) is kept; Wayland is not.
  const char* Platform = std::getenv("QT_QPA_PLATFORM");
  if (!Platform || !*Platform || std::strncmp(Platform, "wayland", 7) == 0)
    setenv("QT_QPA_PLATFORM", "xcb", 1);
  unsetenv("QT_SCALE_FACTOR");
  unsetenv("QT_SCREEN_SCALE_FACTORS");
  setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
  if (std::strcmp(std::getenv("QT_QPA_PLATFORM"), "xcb") != 0) return true;

  const char* Name = std::getenv("DISPLAY");
  if (!Name || !*Name) {
    std::fprintf(
        stderr,
        "zelmar: no X display to draw on (DISPLAY is not set)%s; run it on a "
        "desktop, or under Xvfb: xvfb-run -a zelmar ...\n",
        std::getenv("WAYLAND_DISPLAY") ? ", and this Wayland session has no XWayland" : "");
    return false;
  }
  Display* Dpy = XOpenDisplay(nullptr);
  if (!Dpy) {
    std::fprintf(stderr,
                 "zelmar: cannot open the X display '%s'; is an X server (or XWayland) running "
                 "there, and may this user connect to it?\n",
                 Name);
    return false;
  }
  XCloseDisplay(Dpy);
  return true;
}

}  // namespace zelmar
