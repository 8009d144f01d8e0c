#include "platform/window/MonitorPower.h"

// clang-format off
#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
// clang-format on

bool HasMonitorPower(Display* display) {
  int event = 0, error = 0;
  return display && DPMSQueryExtension(display, &event, &error) && DPMSCapable(display);
}

bool MonitorOn(Display* display) {
  CARD16 level = 0;
  BOOL enabled = False;
  if (!DPMSInfo(display, &level, &enabled)) return true;
  return !enabled || level == DPMSModeOn;
}
