// No packages bring planet maps on Windows.
#include "shell/realmaps/InstalledMaps.h"

namespace zelmar {

std::string InstalledMapCredits() {
  return {};  // no packages bring planet maps on Windows
}

bool UseInstalledMaps(bool) {
  return false;  // nor a star catalogue
}

}  // namespace zelmar
