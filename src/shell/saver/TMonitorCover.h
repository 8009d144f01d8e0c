// The saver's monitor cover: black over every monitor but the one the saver's full-screen
// window shows the scene on, following the monitors as they come and go while it lives. Input
// there ends the saver as input on its window does. One implementation per toolkit
// (TMonitorCoverQt, TMonitorCoverWin32).
#pragma once

#include <memory>

#include "platform/window/winuser.h"

namespace zelmar {

class TMonitorCover {
 public:
  virtual ~TMonitorCover() = default;
  // Covers the monitors beside Saver's window (shown full screen already); null when Saver is
  // no window.
  static std::unique_ptr<TMonitorCover> Create(HWND Saver);
};

}  // namespace zelmar
