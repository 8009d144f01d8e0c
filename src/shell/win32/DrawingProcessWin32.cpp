// A drawing process on Windows: its desktop is always there, the real Direct3D 9 draws, and a
// screen saver ends with a message.
#include "shell/modes/DrawingProcess.h"
#include "shell/settings/SettingsOptions.h"

namespace zelmar {

void UseXDisplay(const TSettingsOptions&) {}

std::string DisplayProblem() {
  return {};  // Windows always has its desktop
}

bool PrepareDisplay(int) {
  return true;
}

// Windows ends a screen saver with a message, not a signal, and has no display to lose.
std::unique_ptr<TProcessEnd> WatchProcessEnd(TApplication&) {
  return nullptr;
}

void UseRenderPlatform() {}  // Direct3DCreate9 is Windows' own

}  // namespace zelmar
