#include "shell/realmaps/InstalledMaps.h"

#include <algorithm>

#include "shell/realmaps/RealMapSources.h"
#include "shell/realmaps/RealMaps.h"

namespace zelmar {

bool UseInstalledMaps(bool constellations) {
  const TRealMapSet set = UseRealMaps(RealMapRoot(), MachineMapCacheDir(), RealMapCacheDir(),
                                      StartMapCacheBuild, constellations);
  return std::any_of(set.Maps.begin(), set.Maps.end(),
                     [](const TRealMapChoice& c) { return c.Media == real_maps::kSkyMedia; });
}

std::string InstalledMapCredits() {
  return RealMapCredits(RealMapRoot());
}

}  // namespace zelmar
