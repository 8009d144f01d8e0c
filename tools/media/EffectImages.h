// Images with an alpha channel for the Space display's effects: Saturn's ring, the shadow
// cone, the corona, the nine lens-flare elements and the glare veil.
#pragma once

#include <optional>
#include <string>

#include "media/Canvas.h"

namespace zelmar::media {

// Paints `file` ("saturnRings.tga", "flare3.tga", ...) at size x size; nothing for another name.
std::optional<Canvas> PaintEffectImage(const std::string& file, int size);

// Radii of the ring's annulus as fractions of the image's half side; outside them alpha is 0.
inline constexpr float kRingInner = 0.55f;
inline constexpr float kRingOuter = 1.0f;

}  // namespace zelmar::media
