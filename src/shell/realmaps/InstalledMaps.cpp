#include "shell/realmaps/InstalledMaps.h"

#include "shell/realmaps/RealMaps.h"

namespace zelmar {

std::vector<std::string> UseInstalledMaps() {
  std::vector<std::string> media;
  for (const TRealMapChoice& c :
       UseRealMaps(RealMapRoot(), MachineMapCacheDir(), RealMapCacheDir(), StartMapCacheBuild).Maps)
    media.push_back(c.Media);
  return media;
}

std::string InstalledMapCredits() {
  return RealMapCredits(RealMapRoot());
}

}  // namespace zelmar
