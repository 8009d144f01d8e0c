// The pointer clip and window backgrounds need Xlib; kept apart because Xlib's macros clash
// with Qt's names.
// clang-format off
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include "platform/window/WindowSystem.h"

#include <X11/Xlib.h>  // last: its macros (Bool, Status, None...) break Qt headers after it
// clang-format on

namespace window_system {

namespace {
Display* X11Display() {
  if (!qGuiApp) return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->display() : nullptr;
}
}  // namespace

bool ConfinePointerTo(HWND hwnd) {
  Display* display = X11Display();
  if (!display) return false;
  const ::Window window = static_cast<::Window>(hwnd);
  // Owner events: our own windows keep getting their pointer events as usual.
  const int status = XGrabPointer(
      display, window, True,
      PointerMotionMask | ButtonPressMask | ButtonReleaseMask | EnterWindowMask | LeaveWindowMask,
      GrabModeAsync, GrabModeAsync, window, 0L, CurrentTime);
  XFlush(display);
  return status == GrabSuccess;
}

void SetBlackBackground(HWND hwnd) {
  Display* display = X11Display();
  if (!display) return;
  XSetWindowBackground(display, static_cast<::Window>(hwnd),
                       BlackPixel(display, DefaultScreen(display)));
  XClearWindow(display, static_cast<::Window>(hwnd));
  XFlush(display);
}

void UngrabPointer() {
  if (Display* display = X11Display()) {
    XUngrabPointer(display, CurrentTime);
    XFlush(display);
  }
}

}  // namespace window_system
