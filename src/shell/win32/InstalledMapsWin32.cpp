// No packages bring planet maps on Windows.
#include "shell/realmaps/InstalledMaps.h"

namespace zelmar {

std::string InstalledMapCredits() {
  return {};  // no packages bring planet maps on Windows
}

std::vector<std::string> UseInstalledMaps() {
  return {};  // no packages bring planet maps on Windows
}

}  // namespace zelmar
