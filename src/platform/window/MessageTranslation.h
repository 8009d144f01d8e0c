// Qt input to Windows message parameters: virtual-key codes, key lParam bits, mouse key flags.
#pragma once

#include <Qt>

#include "platform/window/winuser.h"

namespace window_system {

// The virtual-key code of a Qt key (0 for keys Windows has no code for).
WPARAM VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers);
// WM_KEYDOWN and WM_SYSKEYDOWN lParam: repeat count 1, scan code, extended-key, context (Alt),
// previous-state and transition bits.
LPARAM KeyLParam(WPARAM vk, unsigned nativeScanCode, bool altDown, bool autoRepeat, bool release);
// Alt held (without Ctrl, which makes AltGr), Alt itself or F10 give the WM_SYS* key messages.
bool IsSystemKey(WPARAM vk, Qt::KeyboardModifiers modifiers);
// MK_* flags of the buttons and modifiers held.
WPARAM MouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

}  // namespace window_system
