// What the X server itself says about a window, free of Qt's view of it.
#pragma once

#include "platform/wintypes.h"

// The window's rectangle in root coordinates, as the X server has it; empty on failure.
RECT ServerRect(HWND hwnd);
