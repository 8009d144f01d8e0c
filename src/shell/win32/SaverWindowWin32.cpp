// The saver's window on Windows, beyond the framework's full screen. Windows sends activation
// changes straight to the window procedure, where the application's message hook never sees
// them; it tells of the display powering off and of the session locking only to windows that
// ask; and the framework's own procedure refuses the monitor's power-off in full screen, which
// a saver must let through. So a procedure of ours goes ahead of the framework's while the saver
// is shown.
#include <windows.h>
#include <wtsapi32.h>

#include <utility>

#include "platform/window/winuser.h"
#include "shell/saver/SaverWindow.h"
#include "shell/win32/FormWindowWin32.h"

namespace zelmar {

namespace {

// GUID_CONSOLE_DISPLAY_STATE: the display of the console is off (0), on (1) or dimmed (2).
constexpr GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

class TSaverWindowWin32 : public TSaverWindow {
 public:
  TSaverWindowWin32(HWND Window, TSaverWindowEvents Events)
      : FWindow(Window), FEvents(std::move(Events)) {
    FPrevious = SubclassWindow(FWindow, [this](HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
      return WindowProc(hwnd, Msg, wParam, lParam);
    });
    // Windows tells the display's state at once on registering; the session is unlocked, or
    // the saver would not have been started.
    FPower = RegisterPowerSettingNotification(FWindow, &kConsoleDisplayState,
                                              DEVICE_NOTIFY_WINDOW_HANDLE);
    FSession = WTSRegisterSessionNotification(FWindow, NOTIFY_FOR_THIS_SESSION) != FALSE;
  }

  ~TSaverWindowWin32() override {
    if (FPower) UnregisterPowerSettingNotification(FPower);
    if (FSession && IsWindow(FWindow)) WTSUnRegisterSessionNotification(FWindow);
    if (IsWindow(FWindow)) SubclassWindow(FWindow, std::move(FPrevious));
  }

 private:
  LRESULT WindowProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    switch (Msg) {
      case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
          case SC_SCREENSAVE:
            // The idle timeout passing while a saver started by hand runs: this one is it.
            return 0;
          case SC_MONITORPOWER:
            // The framework keeps a full-screen game's display on; a saver lets the power
            // plan turn it off.
            return DefWindowProcA(hwnd, Msg, wParam, lParam);
          default:
            break;
        }
        break;
      case WM_ACTIVATE:
      case WM_NCACTIVATE:
        if (FEvents.ActivationChanged) FEvents.ActivationChanged();
        break;
      case WM_ACTIVATEAPP:
        // Direct3D answers the loss of the focus in exclusive full screen by minimising the
        // window, which would show as a small window for the moment before the saver closes.
        // A saver that ends on it keeps that from the device: it releases the device anyway.
        if (FEvents.ActivationChanged && FEvents.ActivationChanged() && !wParam) return 0;
        break;
      case WM_POWERBROADCAST:
        if (wParam == PBT_POWERSETTINGCHANGE && lParam) {
          const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
          if (IsEqualGUID(setting->PowerSetting, kConsoleDisplayState) &&
              setting->DataLength >= sizeof(DWORD)) {
            DWORD state = 0;
            CopyMemory(&state, setting->Data, sizeof state);
            FDisplayOff = state == 0;
            Update();
          }
          return TRUE;
        }
        break;
      case WM_WTSSESSION_CHANGE:
        switch (wParam) {
          case WTS_SESSION_LOCK:
          case WTS_CONSOLE_DISCONNECT:
            FLocked = true;
            Update();
            break;
          case WTS_SESSION_UNLOCK:
          case WTS_CONSOLE_CONNECT:
            FLocked = false;
            Update();
            break;
          default:
            break;
        }
        return 0;
      default:
        break;
    }
    return CallWindowProcA(FPrevious, hwnd, Msg, wParam, lParam);
  }

  void Update() {
    const bool Seen = !FDisplayOff && !FLocked;
    if (Seen == FSeen) return;
    FSeen = Seen;
    if (FEvents.SeenChanged) FEvents.SeenChanged(Seen);
  }

  HWND FWindow;
  TSaverWindowEvents FEvents;
  WindowProcedure FPrevious;
  HPOWERNOTIFY FPower = nullptr;
  bool FSession = false;
  bool FDisplayOff = false;
  bool FLocked = false;
  bool FSeen = true;
};

}  // namespace

void PrepareSaverWindow(HWND Window) {
  if (!IsWindow(Window)) return;
  // The framework keeps this style for its windowed mode: the return to it at the end covers
  // the same monitor, without a frame.
  SetWindowLongA(Window, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_SYSMENU | WS_CLIPCHILDREN));
  SetWindowLongA(Window, GWL_EXSTYLE, static_cast<LONG>(WS_EX_TOOLWINDOW | WS_EX_TOPMOST));
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor))
    r = monitor.rcMonitor;
  SetWindowPos(Window, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

std::unique_ptr<TSaverWindow> WatchSaverWindow(HWND Window, TSaverWindowEvents Events) {
  if (!IsWindow(Window)) return nullptr;
  return std::make_unique<TSaverWindowWin32>(Window, std::move(Events));
}

// The form window's procedure (FormWindowWin32.cpp) keeps it hidden from then on.
void HideSaverWindow(HWND Window) {
  if (!IsWindow(Window)) return;
  SetPropA(Window, kKeepHiddenProperty, reinterpret_cast<HANDLE>(1));
  ShowWindow(Window, SW_HIDE);
}

}  // namespace zelmar
