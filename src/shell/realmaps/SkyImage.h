// The sky texture painted from a star catalogue, and optionally its constellation figures, as
// the sky sphere maps it: equirectangular in ecliptic longitude and latitude, the whole sky once.
#pragma once

#include <QImage>
#include <vector>

#include "shell/realmaps/StarCatalogue.h"

namespace zelmar::real_maps {

// The real sky's width at High; Medium halves it and Low quarters it. Finer than a planet's
// map: the sphere spreads it over the whole sky, of which the screen shows a 45 degree slice.
constexpr int kSkyWidth = 4096;

// Where a place on the ecliptic sphere falls in a sky texture of width w and height w / 2, in
// texels from the top left corner. The sky sphere runs its texture's u against the scene's
// turn (u = 1 - (longitude + 90) / 360) and its v from the ecliptic's south pole (v 0) to its
// north pole (v 1).
struct TTexel {
  double X = 0, Y = 0;
};
TTexel SkyTexel(const TEcliptic& place, int w);

// The stars on black, and over them the figures' lines, faint, with a gap at each star.
QImage PaintSky(const std::vector<TStar>& stars, const std::vector<TFigureLine>& figures, int w);

}  // namespace zelmar::real_maps
