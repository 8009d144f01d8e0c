// The form windows on Windows: a window class of ours.
#include "shell/win32/FormWindowWin32.h"

#include <windows.h>

#include "platform/window/TApplication.h"
#include "shell/saver/FormWindow.h"

namespace zelmar {

namespace {

constexpr const char* kFormClass = "ZelmarForm";

// A form may be smaller than Windows' least size of a captioned window (the saver window's
// client area is 104 pixels wide). A form hidden for good refuses to be shown again, whether
// by SetWindowPos or by its style.
LRESULT CALLBACK FormProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_GETMINMAXINFO:
      reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {1, 1};
      return 0;
    case WM_WINDOWPOSCHANGING:
      if (GetPropA(window, kKeepHiddenProperty))
        reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
      break;
    case WM_STYLECHANGING:
      if (wParam == static_cast<WPARAM>(GWL_STYLE) && GetPropA(window, kKeepHiddenProperty))
        reinterpret_cast<STYLESTRUCT*>(lParam)->styleNew &= ~static_cast<DWORD>(WS_VISIBLE);
      break;
    case WM_NCDESTROY:
      RemovePropA(window, kKeepHiddenProperty);
      break;
    default:
      break;
  }
  return DefWindowProcA(window, msg, wParam, lParam);
}

bool RegisterFormClass() {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = FormProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = LoadIconA(wc.hInstance, MAKEINTRESOURCEA(1));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kFormClass;
    return RegisterClassA(&wc) != 0;
  }();
  return registered;
}

}  // namespace

HWND CreateFormWindow(const char* Caption, int Width, int Height, bool AtOrigin, HWND Host) {
  if (!RegisterFormClass()) return 0;
  if (Host) {
    HWND child = CreateWindowExA(0, kFormClass, Caption, WS_CHILD | WS_DISABLED | WS_VISIBLE, 0, 0,
                                 Width, Height, Host, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (child)
      if (TApplication* app = TApplication::Instance()) app->WindowCreated(child);
    return child;
  }
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  RECT frame{0, 0, Width, Height};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  int x = 0, y = 0;
  if (!AtOrigin) {
    x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  }
  HWND window = CreateWindowExA(0, kFormClass, Caption, style, x, y, w, h, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  if (window)
    if (TApplication* app = TApplication::Instance()) app->WindowCreated(window);
  return window;
}

double DisplayRefreshRate(HWND Window) {
  MONITORINFOEXA monitor{};
  monitor.cbSize = sizeof monitor;
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  if (!GetMonitorInfoA(MonitorFromWindow(Window, MONITOR_DEFAULTTOPRIMARY), &monitor) ||
      !EnumDisplaySettingsA(monitor.szDevice, ENUM_CURRENT_SETTINGS, &mode))
    return 0.0;
  // 0 and 1 stand for the hardware's default rate, which Windows does not tell.
  return mode.dmDisplayFrequency > 1 ? static_cast<double>(mode.dmDisplayFrequency) : 0.0;
}

void DestroyFormWindow(HWND Window) {
  if (Window && IsWindow(Window)) DestroyWindow(Window);
}

bool WaitUntilShown(HWND Window, int TimeoutMs, bool Active, const std::function<bool()>& Stop) {
  auto Shown = [&] {
    return IsWindowVisible(Window) && (!Active || GetForegroundWindow() == Window);
  };
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(TimeoutMs);
  while (!(Stop && Stop()) && !Shown() && GetTickCount64() < deadline) {
    if (TApplication* app = TApplication::Instance()) app->ProcessMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return Shown();
}

}  // namespace zelmar
