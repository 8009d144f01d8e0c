#include "shell/realmaps/InstalledMaps.h"

#include <algorithm>

#include "scene/TZelmarScene.h"
#include "shell/realmaps/RealMapSources.h"
#include "shell/realmaps/RealMaps.h"

namespace zelmar {

TInstalledLayers UseInstalledMaps(bool constellations) {
  const TRealMapSet set = UseRealMaps(RealMapRoot(), MachineMapCacheDir(), RealMapCacheDir(),
                                      StartMapCacheBuild, constellations);
  auto inUse = [&set](const char* media) {
    return std::any_of(set.Maps.begin(), set.Maps.end(),
                       [media](const TRealMapChoice& c) { return c.Media == media; });
  };
  TInstalledLayers layers;
  layers.RealSky = inUse(real_maps::kSkyMedia);
  layers.EarthNight = inUse(TZelmarScene::kEarthNightFile);
  layers.EarthClouds = inUse(TZelmarScene::kEarthCloudsFile);
  return layers;
}

std::string InstalledMapCredits() {
  return RealMapCredits(RealMapRoot());
}

}  // namespace zelmar
