#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/window/TApplication.h"
#include "shell/modes/ConfigMode.h"
#include "shell/modes/ListDevices.h"
#include "shell/modes/RunMode.h"
#include "shell/qt/TCfgFrmQt.h"

// Last: Xlib's macros (Bool, Status, Button1) break the toolkit's headers.
// clang-format off
#include <X11/Xlib.h>
// clang-format on

namespace zelmar {

namespace {

bool xError = false;
int NoteXError(Display*, XErrorEvent*) {
  xError = true;
  return 0;
}

bool UsesX11() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform && *platform) return std::string(platform).rfind("xcb", 0) == 0;
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return !(wayland && *wayland);
}

// Asks the X server itself, since the toolkit aborts the process on a display it cannot reach.
// Fills owner with 0 unless ownerText names a window on that display.
bool ReachXDisplay(const std::string& ownerText, unsigned long& owner) {
  owner = 0;
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) return false;
  unsigned long id = 0;
  if (ParseWindowHandle(ownerText, id)) {
    // A bad handle would end the process in Xlib's default error handler.
    XErrorHandler previous = XSetErrorHandler(NoteXError);
    xError = false;
    XWindowAttributes attr;
    if (XGetWindowAttributes(dpy, id, &attr) != 0 && !xError) owner = id;
    XSync(dpy, False);
    XSetErrorHandler(previous);
  }
  XCloseDisplay(dpy);
  return true;
}

}  // namespace

int RunConfigMode(int& argc, char** argv, const std::string& firstArgument) {
  unsigned long owner = 0;
  if (!HaveDisplay() || (UsesX11() && !ReachXDisplay(ConfigOwner(firstArgument), owner))) {
    const char* name = std::getenv("DISPLAY");
    std::fprintf(stderr,
                 "zelmar: the configuration dialog needs a display, and '%s' cannot be reached; "
                 "run it on the desktop (or set DISPLAY)\n",
                 name ? name : "");
    return 2;
  }
  TApplication app(argc, argv);
  std::unique_ptr<QWindow> host;
  TCfgFrmQt dialog;
  if (owner) {
    // The host's settings page owns the dialog, so the dialog stays above it.
    host.reset(QWindow::fromWinId(static_cast<WId>(owner)));
    dialog.winId();
    dialog.windowHandle()->setTransientParent(host.get());
  }
  dialog.Open();
  app.SetMainWindow(static_cast<HWND>(dialog.winId()));
  return app.Run();
}

}  // namespace zelmar
