// The monitor cover on Win32: black windows over every monitor but the one the saver's
// full-screen window covers, kept in
// step with the monitors as they come and go. They never take the activation, so keys reach the
// saver's window; the saver's window holds the mouse capture, so moves over them reach it too,
// in its coordinates, which are the screen's (it sits at the primary monitor's origin). Input
// there thus ends the saver as input on its own window does.
#pragma once

#include <vector>

#include "shell/saver/TMonitorCover.h"

namespace zelmar {

class TMonitorCoverWin32 : public TMonitorCover {
 public:
  explicit TMonitorCoverWin32(HWND Saver);
  ~TMonitorCoverWin32() override;
  TMonitorCoverWin32(const TMonitorCoverWin32&) = delete;
  TMonitorCoverWin32& operator=(const TMonitorCoverWin32&) = delete;

  // The monitors to cover: every one the saver's window does not overlap.
  static std::vector<RECT> Uncovered(const std::vector<RECT>& Monitors, const RECT& Saver);

  // The black windows, one a monitor covered.
  const std::vector<HWND>& Blanks() const { return FBlanks; }
  // Covers the monitors as they are now (on a change of the display's layout).
  void Update();

 private:
  HWND FSaver;
  // Hidden; told of changes of the display's layout even while no monitor is covered.
  HWND FWatch = nullptr;
  std::vector<HWND> FBlanks;
};

}  // namespace zelmar
