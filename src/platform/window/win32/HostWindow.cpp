// Another program's window on Windows: the screen-saver host there (the settings page) owns the
// preview's window and ends the preview itself, so nothing watches it; a run is taken as seen.
#include "platform/window/HostWindow.h"

struct THostWindow::Private {};

THostWindow::THostWindow() = default;
THostWindow::~THostWindow() = default;

std::unique_ptr<THostWindow> THostWindow::Open(HWND, std::string& problem) {
  problem = "other programs' windows are not watched on Windows";
  return nullptr;
}

HWND THostWindow::Handle() const {
  return nullptr;
}
int THostWindow::Width() const {
  return 0;
}
int THostWindow::Height() const {
  return 0;
}
bool THostWindow::Seen() const {
  return true;
}
bool THostWindow::Destroyed() const {
  return false;
}
