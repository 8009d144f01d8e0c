// The window functions of winuser.h over TWindow.
#include <QGuiApplication>
#include <QScreen>

#include "platform/text/Windows1252.h"
#include "platform/window/TApplication.h"
#include "platform/window/TWindow.h"
#include "platform/window/WindowSystem.h"

using window_system::TMessageQueue;

namespace {
constexpr int kUseDefault = static_cast<int>(0x80000000u);  // CW_USEDEFAULT

QString FromAnsi(const char* text) {
  if (!text) return {};
  const std::u32string wide = Windows1252ToUnicode(std::string_view(text));
  return QString::fromUcs4(wide.data(), static_cast<qsizetype>(wide.size()));
}
}  // namespace

HWND CreateWindowExA(DWORD exStyle, const char* /*className*/, const char* windowName, DWORD style,
                     int x, int y, int width, int height, HWND parent, HMENU menu,
                     HINSTANCE /*instance*/, void* /*param*/) {
  if (!qGuiApp) return 0;
  auto* window = new TWindow(style, exStyle, parent);
  window->SetOwnedByLayer(true);
  window->SetMenu(menu);
  if (windowName) window->setTitle(FromAnsi(windowName));
  if (width != kUseDefault && height != kUseDefault && width > 0 && height > 0) {
    const bool defaultPos = x == kUseDefault || y == kUseDefault;
    window->Place(HWND_TOP, defaultPos ? 0 : x, defaultPos ? 0 : y, width, height,
                  SWP_NOZORDER | SWP_NOACTIVATE | (defaultPos ? SWP_NOMOVE : 0));
  }
  if (style & WS_VISIBLE) window->ShowCmd(SW_SHOW);
  return window->Handle();
}

BOOL DestroyWindow(HWND hwnd) {
  TWindow* window = TWindow::FromHandle(hwnd);
  return window ? window->DestroyByRequest() : FALSE;
}

BOOL IsWindow(HWND hwnd) {
  return TWindow::FromHandle(hwnd) ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  TWindow* window = TWindow::FromHandle(hwnd);
  return window && window->isVisible() ? TRUE : FALSE;
}

BOOL ShowWindow(HWND hwnd, int cmdShow) {
  TWindow* window = TWindow::FromHandle(hwnd);
  return window ? window->ShowCmd(cmdShow) : FALSE;
}

BOOL SetWindowTextA(HWND hwnd, const char* text) {
  TWindow* window = TWindow::FromHandle(hwnd);
  if (!window) return FALSE;
  window->setTitle(FromAnsi(text));
  return TRUE;
}

HWND GetActiveWindow() {
  for (TWindow* window : TWindow::All())
    if (window->isActive()) return window->Handle();
  return 0;
}

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE:
          SendMessageA(hwnd, WM_CLOSE, 0, 0);
          break;
        case SC_MINIMIZE:
          ShowWindow(hwnd, SW_MINIMIZE);
          break;
        case SC_MAXIMIZE:
          ShowWindow(hwnd, SW_MAXIMIZE);
          break;
        case SC_RESTORE:
          ShowWindow(hwnd, SW_RESTORE);
          break;
        default:
          break;
      }
      return 0;
    case WM_NCHITTEST:
      return HTCLIENT;  // the window manager owns the frame; all we see is client area
    case WM_SETCURSOR:
      if (LOWORD(static_cast<std::uintptr_t>(lParam)) == HTCLIENT) {
        SetCursor(LoadCursorA(0, IDC_ARROW));
        return TRUE;
      }
      return FALSE;
    case WM_NCACTIVATE:
      return TRUE;
    default:
      return 0;
  }
}

LRESULT CallWindowProcA(const WindowProcedure& prev, HWND hwnd, UINT msg, WPARAM wParam,
                        LPARAM lParam) {
  return prev ? prev(hwnd, msg, wParam, lParam) : DefWindowProcA(hwnd, msg, wParam, lParam);
}

WindowProcedure SubclassWindow(HWND hwnd, WindowProcedure proc) {
  TWindow* window = TWindow::FromHandle(hwnd);
  return window ? window->Subclass(std::move(proc)) : WindowProcedure();
}

LONG GetWindowLongA(HWND hwnd, int index) {
  TWindow* window = TWindow::FromHandle(hwnd);
  if (!window) return 0;
  switch (index) {
    case GWL_STYLE:
      return static_cast<LONG>(window->Style());
    case GWL_EXSTYLE:
      return static_cast<LONG>(window->ExStyle());
    case GWLP_USERDATA:
      return static_cast<LONG>(window->UserData());
    default:
      return 0;
  }
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
  TWindow* window = TWindow::FromHandle(hwnd);
  if (!window) return 0;
  const LONG previous = GetWindowLongA(hwnd, index);
  switch (index) {
    case GWL_STYLE:
      window->SetStyle(static_cast<DWORD>(value));
      break;
    case GWL_EXSTYLE:
      window->SetExStyle(static_cast<DWORD>(value));
      break;
    case GWLP_USERDATA:
      window->SetUserData(value);
      break;
    default:
      return 0;
  }
  return previous;
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
  TWindow* window = TWindow::FromHandle(hwnd);
  if (!window) return 0;
  if (index == GWLP_USERDATA) return window->UserData();
  return static_cast<LONG_PTR>(static_cast<DWORD>(GetWindowLongA(hwnd, index)));
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
  TWindow* window = TWindow::FromHandle(hwnd);
  if (!window) return 0;
  if (index == GWLP_USERDATA) {
    const LONG_PTR previous = window->UserData();
    window->SetUserData(value);
    return previous;
  }
  return static_cast<LONG_PTR>(
      static_cast<DWORD>(SetWindowLongA(hwnd, index, static_cast<LONG>(value))));
}

HMENU GetMenu(HWND hwnd) {
  TWindow* window = TWindow::FromHandle(hwnd);
  return window ? window->Menu() : 0;
}

BOOL SetMenu(HWND hwnd, HMENU menu) {
  TWindow* window = TWindow::FromHandle(hwnd);
  if (!window) return FALSE;
  window->SetMenu(menu);
  return TRUE;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  TWindow* window = TWindow::FromHandle(hwnd);
  if (!window || !rect) return FALSE;
  *rect = window->WindowRect();
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  TWindow* window = TWindow::FromHandle(hwnd);
  if (!window || !rect) return FALSE;
  *rect = window->ClientRect();
  return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  TWindow* window = TWindow::FromHandle(hwnd);
  return window ? window->Place(insertAfter, x, y, cx, cy, flags) : FALSE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* /*rect*/, BOOL /*erase*/) {
  if (hwnd == 0) {  // every window, as Windows does for a null handle
    for (TWindow* window : TWindow::All()) window->requestUpdate();
    return TRUE;
  }
  TWindow* window = TWindow::FromHandle(hwnd);
  if (!window) return FALSE;
  window->requestUpdate();
  return TRUE;
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWindow* window = TWindow::FromHandle(hwnd);
  return window ? window->Send(msg, wParam, lParam) : 0;
}

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!QCoreApplication::instance()) return FALSE;
  if (hwnd != 0 && !TWindow::FromHandle(hwnd)) return FALSE;
  MSG m;
  m.hwnd = hwnd;
  m.message = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  const QPoint pos = window_system::LastCursorPos();
  m.pt = {pos.x(), pos.y()};
  TMessageQueue::Instance().Post(m);
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  if (TApplication* app = TApplication::Instance()) app->Terminate(exitCode);
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TimerProcedure proc) {
  if (!QCoreApplication::instance()) return 0;
  return TMessageQueue::Instance().SetTimer(hwnd, id, elapseMs, std::move(proc));
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  TMessageQueue* queue = TMessageQueue::Existing();
  return queue && queue->KillTimer(hwnd, id) ? TRUE : FALSE;
}

int GetSystemMetrics(int index) {
  QScreen* screen = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
  if (!screen) return 0;
  switch (index) {
    case SM_CXSCREEN:
      return screen->geometry().width();
    case SM_CYSCREEN:
      return screen->geometry().height();
    default:
      return 0;
  }
}
