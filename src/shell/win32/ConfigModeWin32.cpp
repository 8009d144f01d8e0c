// The configuration run mode on Windows: the Win32 dialog as the program's main window.
#include <cstdint>
#include <string>

#include "shell/modes/ConfigMode.h"
#include "shell/modes/RunMode.h"
#include "shell/win32/TCfgFrmWin32.h"

namespace zelmar {

int RunConfigMode(int&, char**, const std::string& firstArgument) {
  // "/c:HANDLE": the settings page that asked; the dialog stays above it. A handle that names
  // no window is ignored, as is a missing one.
  HWND owner = nullptr;
  unsigned long handle = 0;
  if (ParseWindowHandle(ConfigOwner(firstArgument), handle)) {
    owner = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle));
    if (!IsWindow(owner)) owner = nullptr;
  }
  TCfgFrmWin32 dialog(owner);
  if (!dialog.Handle()) {
    MessageBoxA(owner, "The configuration dialog could not be created.", "Zelmar",
                MB_OK | MB_ICONERROR);
    return 1;
  }
  dialog.Open();
  MSG msg;
  // The dialog ends the loop by closing; Tab, Enter and Escape go through the dialog manager.
  while (!dialog.Closed()) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    if (IsDialogMessageA(dialog.Handle(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

}  // namespace zelmar
