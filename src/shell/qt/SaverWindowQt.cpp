// The saver's window on Linux: the window layer makes it full screen with nothing else shown,
// queues activation changes through the message hook, and the shell watches the window's
// visibility itself (THostWindow): nothing to add.
#include "shell/saver/SaverWindow.h"

namespace zelmar {

void PrepareSaverWindow(HWND) {}

std::unique_ptr<TSaverWindow> WatchSaverWindow(HWND, TSaverWindowEvents) {
  return nullptr;
}

void HideSaverWindow(HWND) {}

}  // namespace zelmar
