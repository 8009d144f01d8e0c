// The cursor functions of winuser.h: display counter, shape, clip, position and capture.
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <optional>

#include "platform/window/TWindow.h"
#include "platform/window/WindowSystem.h"

namespace {

struct CursorState {
  int showCount = 0;  // Windows starts at 0 with a mouse present
  HCURSOR current = IDC_ARROW;
  std::optional<RECT> clip;
  HWND clipWindow = 0;  // the window the X pointer grab confines to
  HWND capture = 0;
};

CursorState& State() {
  static CursorState state;
  return state;
}

Qt::CursorShape ShapeOf(HCURSOR cursor) {
  switch (cursor) {
    case IDC_IBEAM:
      return Qt::IBeamCursor;
    case IDC_WAIT:
      return Qt::WaitCursor;
    case IDC_CROSS:
      return Qt::CrossCursor;
    case IDC_HAND:
      return Qt::PointingHandCursor;
    default:
      return Qt::ArrowCursor;
  }
}

void Ungrab() {
  CursorState& s = State();
  if (s.clipWindow != 0) window_system::UngrabPointer();
  s.clipWindow = 0;
  s.clip.reset();
}

bool SameRect(const RECT& a, const RECT& b) {
  return a == b;
}

}  // namespace

namespace window_system {

void ApplyCursor(TWindow* window) {
  const CursorState& s = State();
  const bool visible = s.showCount >= 0 && s.current != 0;
  window->setCursor(visible ? QCursor(ShapeOf(s.current)) : QCursor(Qt::BlankCursor));
}

void ApplyCursorToAll() {
  for (TWindow* window : TWindow::All()) ApplyCursor(window);
}

void ForgetWindowInput(HWND hwnd) {
  CursorState& s = State();
  if (s.clipWindow == hwnd && hwnd != 0) Ungrab();
  if (s.capture == hwnd) s.capture = 0;
}

}  // namespace window_system

int ShowCursor(BOOL show) {
  CursorState& s = State();
  s.showCount += show ? 1 : -1;
  window_system::ApplyCursorToAll();
  return s.showCount;
}

HCURSOR SetCursor(HCURSOR cursor) {
  CursorState& s = State();
  const HCURSOR previous = s.current;
  if (cursor != previous) {
    s.current = cursor;
    window_system::ApplyCursorToAll();
  }
  return previous;
}

HCURSOR LoadCursorA(HINSTANCE /*instance*/, UINT_PTR id) {
  switch (id) {
    case IDC_ARROW:
    case IDC_IBEAM:
    case IDC_WAIT:
    case IDC_CROSS:
    case IDC_HAND:
      return id;
    default:
      return 0;
  }
}

// X confines the pointer to a window, not to a rectangle: the rectangle must be that of one
// of our visible windows (the framework clips to its full-screen window).
BOOL ClipCursor(const RECT* rect) {
  Ungrab();
  if (!rect) return TRUE;
  TWindow* target = nullptr;
  for (TWindow* window : TWindow::All())
    if (window->isVisible() && SameRect(window->WindowRect(), *rect)) target = window;
  if (!target || !window_system::ConfinePointerTo(target->Handle())) return FALSE;
  State().clipWindow = target->Handle();
  State().clip = *rect;
  return TRUE;
}

BOOL GetClipCursor(RECT* rect) {
  if (!rect) return FALSE;
  if (State().clip) {
    *rect = *State().clip;
    return TRUE;
  }
  QScreen* screen = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
  if (!screen) return FALSE;
  const QRect all = screen->virtualGeometry();
  *rect = {all.left(), all.top(), all.left() + all.width(), all.top() + all.height()};
  return TRUE;
}

BOOL GetCursorPos(POINT* point) {
  if (!point || !qGuiApp) return FALSE;
  const QPoint pos = QCursor::pos();
  *point = {pos.x(), pos.y()};
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  if (!qGuiApp) return FALSE;
  QCursor::setPos(x, y);
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
  TWindow* window = TWindow::FromHandle(hwnd);
  if (!window || !point) return FALSE;
  const QPoint p = window->mapFromGlobal(QPoint(point->x, point->y));
  *point = {p.x(), p.y()};
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
  TWindow* window = TWindow::FromHandle(hwnd);
  if (!window || !point) return FALSE;
  const QPoint p = window->mapToGlobal(QPoint(point->x, point->y));
  *point = {p.x(), p.y()};
  return TRUE;
}

HWND SetCapture(HWND hwnd) {
  CursorState& s = State();
  const HWND previous = s.capture;
  TWindow* window = TWindow::FromHandle(hwnd);
  if (!window) return previous;
  window->setMouseGrabEnabled(true);
  s.capture = hwnd;
  return previous;
}

BOOL ReleaseCapture() {
  CursorState& s = State();
  if (TWindow* window = TWindow::FromHandle(s.capture)) window->setMouseGrabEnabled(false);
  s.capture = 0;
  return TRUE;
}
