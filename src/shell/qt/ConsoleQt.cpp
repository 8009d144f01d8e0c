// The console on Linux: the terminal's, as it is; the program's file from /proc.
#include <filesystem>

#include "shell/modes/Console.h"
#include "shell/settings/Settings.h"

namespace zelmar {

std::string ProgramPath() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.string();
}

void ConnectConsole() {}  // standard output and error are the terminal's already

std::string PlatformEnvironmentHelp() {
  return "Other packages' planet maps:\n"
         "  --build-map-cache DIR     convert other packages' installed planet maps into the\n"
         "                            cache folder DIR (the machine's, read before the user's,\n"
         "                            is " ZELMAR_MACHINE_MAP_CACHE
         ")\n"
         "Environment: ZELMAR_HIVE names the settings file to use instead of the machine-wide "
         "one;\nZELMAR_MAP_ROOT the folder to look for other packages' planet maps in (default\n"
         "/usr/share); ZELMAR_MACHINE_MAP_CACHE the machine's cache of them. The package converts\n"
         "the maps into the machine's cache; when that is missing or out of date, a start "
         "converts\n"
         "them in the background into $XDG_CACHE_HOME/zelmar/maps and draws its own maps until\n"
         "the next start.\n";
}

}  // namespace zelmar
