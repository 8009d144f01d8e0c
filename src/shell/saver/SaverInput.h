// Which input ends the running saver: a key, a change of activation, or the mouse moved more
// than a few pixels from where it was when the saver was shown. Clicks, Alt and other system
// keys, and small jitters of the mouse do not.
#pragma once

#include "platform/window/winuser.h"

namespace zelmar {

// Movement tolerated on each axis, in pixels.
constexpr int kMouseTolerance = 5;
// Messages ignored after the saver is shown: those its own showing and activation cause.
constexpr int kSkippedMessages = 10;

// True when Msg ends the saver. Mouse positions are read as signed halves of lParam: screens
// left of or above the primary one have negative coordinates.
bool EndsScrnSaver(const MSG& Msg, const POINT& StartCursorPos);

}  // namespace zelmar
