// What a run that draws asks of its platform before and while it draws: a display, a process
// that ends cleanly, and the render platform. One implementation per toolkit
// (DrawingProcessQt.cpp, DrawingProcessWin32.cpp), which also gives UseXDisplay
// (settings/SettingsOptions.h).
#pragma once

#include <memory>
#include <string>

class TApplication;

namespace zelmar {

// Why no window can be shown here (no display to draw on), or empty when one can.
std::string DisplayProblem();
// Readies the process for drawing before the application object exists (on Linux: the signals
// that end it end it with SignalExitCode and nothing left behind, and a runtime folder of its
// own for the toolkit); false, with a message on stderr naming the display and what to do, when
// there is nothing to draw on.
bool PrepareDisplay(int SignalExitCode = 0);
// While it lives, once the application object exists: a signal ends the application's loop,
// and the loss of the display ends the process with exit code 1 and one line on stderr. Null
// where the platform needs nothing of the kind.
class TProcessEnd {
 public:
  virtual ~TProcessEnd() = default;
};
std::unique_ptr<TProcessEnd> WatchProcessEnd(TApplication& App);
// Chooses the render platform that Direct3DCreate9 yields; once, after the application object.
void UseRenderPlatform();

}  // namespace zelmar
