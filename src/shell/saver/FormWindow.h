// The plain windows the scene is drawn in: the saver's, the scene's runs' and the bare frame's.
// One implementation per toolkit (FormWindowQt.cpp, FormWindowWin32.cpp).
#pragma once

#include <functional>

#include "platform/window/winuser.h"

namespace zelmar {

// A window with a dialog frame and a system menu whose client area is Width x Height, centred on
// the primary screen (at the screen's origin with AtOrigin), not yet shown. With a Host, a child
// of that window at its origin instead, taking no input, shown black at once. 0 on failure.
HWND CreateFormWindow(const char* Caption, int Width, int Height, bool AtOrigin = false,
                      HWND Host = 0);
// Destroys a window made by CreateFormWindow (nothing when it is gone already).
void DestroyFormWindow(HWND Window);
// Waits, up to TimeoutMs, until the window system has shown the window (and activated it, with
// Active): Windows has done so when ShowWindow returns, an X server a little later. Stop ends
// the wait early. True when it was shown.
bool WaitUntilShown(HWND Window, int TimeoutMs, bool Active, const std::function<bool()>& Stop);
// Frames a second of the display the window is on (RandR's through the toolkit on Linux), or 0
// when the system does not say.
double DisplayRefreshRate(HWND Window);

}  // namespace zelmar
