// The star field of the Space display's sky sphere, which repeats it 20 times around and 20
// times from pole to pole: it tiles in both directions, and is twice as wide as high so that a
// tile's stars stay round on the sphere's equator.
#pragma once

#include "media/Canvas.h"

namespace zelmar::media {

Canvas PaintNightSky(int width, int height);

}  // namespace zelmar::media
