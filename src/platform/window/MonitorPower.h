// Whether the X server's power saving (DPMS) has switched the monitor off. Apart from the rest
// of the layer because the extension's header defines BOOL as the Windows types do not.
#pragma once

struct _XDisplay;

// True when the server has DPMS; only then does MonitorOn say anything.
bool HasMonitorPower(_XDisplay* display);
// False while power saving has the monitor in standby, suspend or off.
bool MonitorOn(_XDisplay* display);
