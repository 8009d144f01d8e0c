// The body maps: equirectangular (2:1) surface pictures of the Sun, the planets and the moons,
// seamless across the wrap column because every feature is computed on the unit sphere.
#pragma once

#include <optional>
#include <string>

#include "media/Canvas.h"

namespace zelmar::media {

// Paints the map stored as `file` ("earth.jpg", "red.jpg", ...) at width x width/2 texels.
// Returns nothing for a name that is not a body map.
std::optional<Canvas> PaintBodyMap(const std::string& file, int width);

}  // namespace zelmar::media
