// No packages bring planet maps on Windows.
#include "shell/realmaps/InstalledMaps.h"

namespace zelmar {

std::string InstalledMapCredits() {
  return {};  // no packages bring planet maps on Windows
}

TInstalledLayers UseInstalledMaps(bool) {
  return {};  // nor a star catalogue, nor Earth's night and cloud maps
}

}  // namespace zelmar
