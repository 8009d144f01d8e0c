// The console on Windows: the one the program was started from, if any; the settings' place in
// the registry for --help.
#include <windows.h>

#include <cstdio>

#include "shell/modes/Console.h"
#include "shell/settings/Settings.h"

namespace zelmar {

std::string ProgramPath() {
  char path[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  return n > 0 && n < sizeof path ? std::string(path, n) : std::string();
}

void ConnectConsole() {
  // Started from a console with nowhere for the output to go: take the console's.
  if (GetStdHandle(STD_ERROR_HANDLE) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
  std::freopen("CONOUT$", "w", stdout);
  std::freopen("CONOUT$", "w", stderr);
}

std::string PlatformEnvironmentHelp() {
  return "Stored settings: each value from HKEY_CURRENT_USER\\Software\\Zelmar, else from\n"
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar, else its default.\n";
}

}  // namespace zelmar
