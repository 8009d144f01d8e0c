// What the saver's window needs beyond the framework's full screen where the window system
// leaves it to the program (Windows). One implementation per toolkit (SaverWindowQt.cpp,
// SaverWindowWin32.cpp).
#pragma once

#include <functional>
#include <memory>

#include "platform/window/winuser.h"

namespace zelmar {

struct TSaverWindowEvents {
  // Nobody can see the screen (the display is off, the session locked), or they can again.
  std::function<void(bool Seen)> SeenChanged;
  // A change of activation reached the window without passing the application's message hook
  // (Windows sends these straight to the window procedure). True when the saver ends on it.
  std::function<bool()> ActivationChanged;
};
class TSaverWindow {
 public:
  virtual ~TSaverWindow() = default;
};
// Before the framework starts: gives the saver's window its final shape, so that nothing but
// the full-screen picture is ever seen (on Windows: no caption, the primary monitor's size,
// topmost, no taskbar or Alt+Tab entry). Nothing where the window layer does so itself.
void PrepareSaverWindow(HWND Window);
// Once the framework has started and the saver is shown: follows what the events above tell,
// and keeps the system's own screen saver from starting over ours. It must go before the
// framework stops. Null where the platform has nothing to add.
std::unique_ptr<TSaverWindow> WatchSaverWindow(HWND Window, TSaverWindowEvents Events);
// Hides the saver's window for good, before its device is released, so that the framework's
// return to windowed mode shows nothing. Nothing where that return shows nothing anyway.
void HideSaverWindow(HWND Window);

}  // namespace zelmar
