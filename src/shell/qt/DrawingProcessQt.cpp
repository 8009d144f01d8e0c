// A drawing process on Linux: X11 through the toolkit, the GL backend, and the process watch for
// signals and the loss of the X server.
#include <cstdlib>

#include "platform/render/gl/GLBackend.h"
#include "shell/modes/DrawingProcess.h"
#include "shell/qt/TProcessWatch.h"
#include "shell/qt/XDisplay.h"
#include "shell/settings/SettingsOptions.h"
// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>

namespace zelmar {

void UseXDisplay(const TSettingsOptions& O) {
  if (O.XDisplay) setenv("DISPLAY", O.XDisplay->c_str(), 1);
}

bool PrepareDisplay(int SignalExitCode) {
  TProcessWatch::Begin(SignalExitCode);
  return PrepareXDisplay();
}

namespace {

class TQtProcessEnd : public TProcessEnd {
 public:
  explicit TQtProcessEnd(TApplication& App) : Watch(App) {}
  TProcessWatch Watch;
};

}  // namespace

std::unique_ptr<TProcessEnd> WatchProcessEnd(TApplication& App) {
  return std::make_unique<TQtProcessEnd>(App);
}

std::string DisplayProblem() {
  const char* X = std::getenv("DISPLAY");
  if (!X && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
    return "DISPLAY is not set";
  if (X && !std::getenv("WAYLAND_DISPLAY")) {
    Display* Dpy = XOpenDisplay(nullptr);
    if (!Dpy) return std::string("cannot open the display '") + X + "'";
    XCloseDisplay(Dpy);
  }
  return {};
}

void UseRenderPlatform() {
  UseGLDirect3DBackend();
}

}  // namespace zelmar
