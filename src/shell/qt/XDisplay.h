// The X display a drawing mode needs, checked before the toolkit starts.
#pragma once

namespace zelmar {

// Readies the process for drawing on X: the toolkit's xcb platform (under a Wayland session
// that is XWayland; the saver's full-screen window, its input and the host windows it draws
// into are X windows), and no scaling of its own, so that a scaled desktop (QT_SCALE_FACTOR, a
// monitor at 200%) still gets the scene at its physical resolution with the overlay at its
// sizes in pixels. Then opens the display once to see that it is there. False, with a message
// on stderr naming the display and what to do, when it is not; the caller exits 1 (the toolkit
// would abort instead).
bool PrepareXDisplay();

}  // namespace zelmar
