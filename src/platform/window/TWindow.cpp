#include "platform/window/TWindow.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QSurfaceFormat>
#include <QWheelEvent>
#include <algorithm>
#include <unordered_map>

#include "platform/window/MessageTranslation.h"
#include "platform/window/TApplication.h"
#include "platform/window/WindowSystem.h"

using namespace window_system;

namespace {

constexpr DWORD kLiveStyleBits = WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE;

std::unordered_map<HWND, TWindow*>& Registry() {
  static std::unordered_map<HWND, TWindow*> windows;
  return windows;
}

LPARAM PackPoint(QPoint p) {
  return MAKELPARAM(p.x(), p.y());
}

}  // namespace

TWindow::TWindow(DWORD style, DWORD exStyle, HWND parent)
    : style_(style & ~kLiveStyleBits), exStyle_(exStyle), proc_(DefWindowProcA) {
  if ((style & WS_CHILD) && parent) {
    if (TWindow* own = FromHandle(parent)) {
      setParent(own);
    } else {
      foreignParent_ = QWindow::fromWinId(static_cast<WId>(parent));
      setParent(foreignParent_);
    }
  }
  // The surface must suit a GL device from the start: on X11 the visual (and the swap
  // interval Qt takes from it) is fixed when the native window is made, and remaking it would
  // change the handle. A program that wants another format sets the default format first.
  QSurfaceFormat format = QSurfaceFormat::defaultFormat();
  if (format.majorVersion() < 3 || (format.majorVersion() == 3 && format.minorVersion() < 3)) {
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
  }
  setFormat(format);
  setSurfaceType(QSurface::OpenGLSurface);
  ApplyFlags();
  create();
  if (!handle()) {  // no GL on this display: a plain window still takes input and messages
    setSurfaceType(QSurface::RasterSurface);
    create();
  }
  handle_ = static_cast<HWND>(winId());
  // Inside another program's window, black shows from the moment the window is mapped, long
  // before the first frame is drawn.
  if (IsChild()) SetBlackBackground(handle_);
  Registry()[handle_] = this;
  TMessageQueue::Instance();
  ApplyCursor(this);
  if (TApplication* app = TApplication::Instance()) app->WindowCreated(handle_);
}

TWindow::~TWindow() {
  if (foreignParent_) {
    // The stand-in would delete its children with it: this window leaves it first, without
    // ever becoming a top-level window on the way.
    destroy();
    setParent(nullptr);
    delete foreignParent_;
    foreignParent_ = nullptr;
  }
  if (destroyed_) return;
  destroyed_ = true;
  Registry().erase(handle_);
  if (TMessageQueue* queue = TMessageQueue::Existing()) queue->KillTimers(handle_);
  ForgetWindowInput(handle_);
  if (TApplication* app = TApplication::Instance()) app->WindowDestroyed(handle_);
}

TWindow* TWindow::FromHandle(HWND hwnd) {
  auto it = Registry().find(hwnd);
  return it == Registry().end() ? nullptr : it->second;
}

std::vector<TWindow*> TWindow::All() {
  std::vector<TWindow*> all;
  all.reserve(Registry().size());
  for (auto& [handle, window] : Registry()) all.push_back(window);
  return all;
}

DWORD TWindow::Style() const {
  DWORD style = style_;
  if (isVisible()) style |= WS_VISIBLE;
  if (windowStates() & Qt::WindowMinimized) style |= WS_MINIMIZE;
  if (windowStates() & Qt::WindowMaximized) style |= WS_MAXIMIZE;
  return style;
}

// Visibility and minimised/maximised state change through ShowWindow and SetWindowPos, as in
// Windows, where writing those bits does not show or hide the window.
void TWindow::SetStyle(DWORD style) {
  style_ = style & ~kLiveStyleBits;
  ApplyFlags();
}

DWORD TWindow::ExStyle() const {
  return exStyle_;
}

void TWindow::SetExStyle(DWORD exStyle) {
  exStyle_ = exStyle;
  ApplyFlags();
}

bool TWindow::IsFrameless() const {
  if (IsChild()) return true;
  return (style_ & WS_POPUP) && (style_ & WS_CAPTION) != WS_CAPTION;
}

void TWindow::ApplyFlags() {
  Qt::WindowFlags flags = Qt::Window;
  if (IsChild()) {
    // Override-redirect matters only for a child of the root window: the window manager must
    // not frame or raise what stands in for the root's own picture.
    flags = Qt::Widget | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
            Qt::BypassWindowManagerHint;
    if (style_ & WS_DISABLED) flags |= Qt::WindowTransparentForInput;
  } else if (IsFrameless()) {
    flags |= Qt::FramelessWindowHint;
  } else {
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (style_ & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (style_ & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
    if (style_ & WS_MAXIMIZEBOX) flags |= Qt::WindowMaximizeButtonHint;
  }
  if (exStyle_ & WS_EX_TOPMOST) flags |= Qt::WindowStaysOnTopHint;
  if (flags != this->flags()) setFlags(flags);
}

WindowProcedure TWindow::Subclass(WindowProcedure proc) {
  WindowProcedure previous = std::move(proc_);
  proc_ = proc ? std::move(proc) : WindowProcedure(DefWindowProcA);
  return previous;
}

LRESULT TWindow::Send(UINT msg, WPARAM wParam, LPARAM lParam) {
  // A copy, so that a procedure may replace itself while it runs.
  WindowProcedure proc = proc_;
  return proc(handle_, msg, wParam, lParam);
}

void TWindow::Deliver(UINT msg, WPARAM wParam, LPARAM lParam, QPoint screenPos) {
  MSG m;
  m.hwnd = handle_;
  m.message = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  m.pt = {screenPos.x(), screenPos.y()};
  DeliverQueued(m);
}

RECT TWindow::WindowRect() const {
  const QRect g = geometry();
  const QMargins m = IsFrameless() ? QMargins() : frameMargins();
  return {g.x() - m.left(), g.y() - m.top(), g.x() + g.width() + m.right(),
          g.y() + g.height() + m.bottom()};
}

RECT TWindow::ClientRect() const {
  return {0, 0, width(), height()};
}

BOOL TWindow::Place(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  if (!(flags & SWP_NOZORDER)) {
    if (insertAfter == HWND_TOPMOST) {
      exStyle_ |= WS_EX_TOPMOST;
      ApplyFlags();
      raise();
    } else if (insertAfter == HWND_NOTOPMOST) {
      exStyle_ &= ~WS_EX_TOPMOST;
      ApplyFlags();
    } else if (insertAfter == HWND_TOP) {
      raise();
    } else if (insertAfter == HWND_BOTTOM) {
      lower();
    }
  }
  bool fullScreen = false;
  if ((flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
    const RECT current = WindowRect();
    const int left = (flags & SWP_NOMOVE) ? current.left : x;
    const int top = (flags & SWP_NOMOVE) ? current.top : y;
    const int w = (flags & SWP_NOSIZE) ? current.right - current.left : cx;
    const int h = (flags & SWP_NOSIZE) ? current.bottom - current.top : cy;
    const QRect frame(left, top, w, h);
    QScreen* target = QGuiApplication::screenAt(frame.center());
    if (!target) target = screen();
    fullScreen = IsFrameless() && target && frame == target->geometry();
    // Leave a window manager's full-screen state first, or it would put back its own geometry.
    if (!fullScreen && (windowStates() & Qt::WindowFullScreen))
      setWindowStates(windowStates() & ~Qt::WindowFullScreen);
    const QMargins m = IsFrameless() ? QMargins() : frameMargins();
    setGeometry(left + m.left(), top + m.top(), std::max(1, w - m.left() - m.right()),
                std::max(1, h - m.top() - m.bottom()));
  }
  if (flags & SWP_HIDEWINDOW)
    setVisible(false);
  else if ((flags & SWP_SHOWWINDOW) && !isVisible())
    setVisible(true);
  if (fullScreen && isVisible() && !(windowStates() & Qt::WindowFullScreen))
    setWindowStates((windowStates() & ~(Qt::WindowMaximized | Qt::WindowMinimized)) |
                    Qt::WindowFullScreen);
  // Windows never activates a child window.
  if (!(flags & SWP_NOACTIVATE) && !IsChild() && isVisible() && !isActive()) requestActivate();
  return TRUE;
}

BOOL TWindow::ShowCmd(int cmdShow) {
  const bool wasVisible = isVisible();
  if (IsChild()) {
    // A child is shown or hidden in its parent; it takes no focus and has no window states.
    setVisible(cmdShow != SW_HIDE);
    return wasVisible ? TRUE : FALSE;
  }
  switch (cmdShow) {
    case SW_HIDE:
      setVisible(false);
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
      setWindowStates(Qt::WindowNoState);
      setVisible(true);
      requestActivate();
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      showMinimized();
      break;
    case SW_SHOWMAXIMIZED:
      showMaximized();
      requestActivate();
      break;
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE:
      setVisible(true);
      break;
    default:  // SW_SHOW and anything unknown
      setVisible(true);
      requestActivate();
      break;
  }
  return wasVisible ? TRUE : FALSE;
}

BOOL TWindow::DestroyByRequest() {
  if (destroyed_) return FALSE;
  Send(WM_DESTROY, 0, 0);
  if (destroyed_) return TRUE;  // the procedure destroyed it meanwhile
  destroyed_ = true;
  const HWND hwnd = handle_;
  Registry().erase(hwnd);
  TMessageQueue::Instance().KillTimers(hwnd);
  ForgetWindowInput(hwnd);
  setVisible(false);
  if (TApplication* app = TApplication::Instance()) app->WindowDestroyed(hwnd);
  if (ownedByLayer_) deleteLater();
  return TRUE;
}

void TWindow::MouseMessage(UINT msg, WPARAM wParam, QPoint global) {
  SetLastCursorPos(global);
  // Windows asks where the pointer is and lets the window choose the cursor before every
  // mouse message; both are sent, so the message hook does not see them.
  const LRESULT hit = Send(WM_NCHITTEST, 0, PackPoint(global));
  if (destroyed_) return;
  Send(WM_SETCURSOR, handle_, MAKELPARAM(static_cast<int>(hit), static_cast<int>(msg)));
  if (destroyed_) return;
  Deliver(msg, wParam, PackPoint(global), global);
}

void TWindow::SizeMessage() {
  WPARAM kind = SIZE_RESTORED;
  if (windowStates() & Qt::WindowMinimized)
    kind = SIZE_MINIMIZED;
  else if (windowStates() & Qt::WindowMaximized)
    kind = SIZE_MAXIMIZED;
  const QSize s = size();
  if (kind == lastSizeKind_ && s == lastSize_) return;
  lastSizeKind_ = kind;
  lastSize_ = s;
  Send(WM_SIZE, kind, MAKELPARAM(s.width(), s.height()));
}

void TWindow::Activation(bool active, bool byMouse) {
  if (active == active_) return;
  active_ = active;
  const QPoint pos = LastCursorPos();
  Deliver(WM_NCACTIVATE, active ? TRUE : FALSE, 0, pos);
  if (destroyed_) return;
  Deliver(WM_ACTIVATE, active ? (byMouse ? WA_CLICKACTIVE : WA_ACTIVE) : WA_INACTIVE, 0, pos);
}

bool TWindow::event(QEvent* event) {
  if (destroyed_) return QWindow::event(event);
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* key = static_cast<QKeyEvent*>(event);
      const bool release = event->type() == QEvent::KeyRelease;
      // X reports a held key as release/press pairs; Windows as repeated key-downs only.
      if (release && key->isAutoRepeat()) return true;
      const WPARAM vk = VirtualKeyFromQt(key->key(), key->modifiers());
      const bool system = IsSystemKey(vk, key->modifiers());
      const bool altDown = key->modifiers().testFlag(Qt::AltModifier) || vk == VK_MENU;
      const UINT msg =
          release ? (system ? WM_SYSKEYUP : WM_KEYUP) : (system ? WM_SYSKEYDOWN : WM_KEYDOWN);
      Deliver(msg, vk, KeyLParam(vk, key->nativeScanCode(), altDown, key->isAutoRepeat(), release),
              LastCursorPos());
      return true;
    }
    case QEvent::MouseMove: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      MouseMessage(WM_MOUSEMOVE, MouseKeyFlags(mouse->buttons(), mouse->modifiers()),
                   mouse->globalPosition().toPoint());
      return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      const bool press = event->type() == QEvent::MouseButtonPress;
      UINT msg = 0;
      switch (mouse->button()) {
        case Qt::LeftButton:
          msg = press ? WM_LBUTTONDOWN : WM_LBUTTONUP;
          break;
        case Qt::RightButton:
          msg = press ? WM_RBUTTONDOWN : WM_RBUTTONUP;
          break;
        case Qt::MiddleButton:
          msg = press ? WM_MBUTTONDOWN : WM_MBUTTONUP;
          break;
        default:
          return true;
      }
      MouseMessage(msg, MouseKeyFlags(mouse->buttons(), mouse->modifiers()),
                   mouse->globalPosition().toPoint());
      return true;
    }
    case QEvent::MouseButtonDblClick:
      return true;  // Qt sent the press already; a window without double clicks sees only that
    case QEvent::Wheel: {
      auto* wheel = static_cast<QWheelEvent*>(event);
      const QPoint global = wheel->globalPosition().toPoint();
      const int flags = static_cast<int>(MouseKeyFlags(wheel->buttons(), wheel->modifiers()));
      Deliver(WM_MOUSEWHEEL, MAKEWPARAM(flags, wheel->angleDelta().y()), PackPoint(global), global);
      return true;
    }
    case QEvent::Resize:
    case QEvent::WindowStateChange:
      SizeMessage();
      break;
    case QEvent::Expose:
      if (isExposed()) Deliver(WM_PAINT, 0, 0, LastCursorPos());
      break;
    case QEvent::UpdateRequest:
      Deliver(WM_PAINT, 0, 0, LastCursorPos());
      return true;
    case QEvent::FocusIn:
      Activation(true, static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason);
      break;
    case QEvent::FocusOut:
      Activation(false, false);
      break;
    case QEvent::Show:
      Send(WM_SHOWWINDOW, TRUE, 0);
      break;
    case QEvent::Hide:
      Send(WM_SHOWWINDOW, FALSE, 0);
      break;
    case QEvent::Close:
      // The window manager's close button: Windows turns it into SC_CLOSE, whose default is
      // WM_CLOSE, whose default is DestroyWindow. A procedure may refuse on the way.
      event->ignore();
      Send(WM_SYSCOMMAND, SC_CLOSE, PackPoint(LastCursorPos()));
      return true;
    default:
      break;
  }
  return QWindow::event(event);
}
