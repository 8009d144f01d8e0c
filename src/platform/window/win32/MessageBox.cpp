// Message boxes through the hook that tests install, else Windows' own box.
#include "platform/window/winuser.h"

namespace {

MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
  Hook() = std::move(hook);
}

// Where the window layer's header routes MessageBoxA on Windows.
int ZelmarMessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

#undef MessageBoxA

int ZelmarMessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  if (Hook()) return Hook()(owner, text ? text : "", caption ? caption : "", type);
  return ::MessageBoxA(owner, text, caption, type);
}
