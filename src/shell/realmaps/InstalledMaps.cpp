#include "shell/realmaps/InstalledMaps.h"

#include "shell/realmaps/RealMaps.h"

namespace zelmar {

void UseInstalledMaps() {
  UseRealMaps(RealMapRoot(), MachineMapCacheDir(), RealMapCacheDir(), StartMapCacheBuild);
}

std::string InstalledMapCredits() {
  return RealMapCredits(RealMapRoot());
}

}  // namespace zelmar
