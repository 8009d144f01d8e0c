// The Brass display's room: wood-panelled walls, a parquet floor that tiles, a plastered
// ceiling and brushed brass for the rods, arms and the pedestal's cap.
#pragma once

#include <optional>
#include <string>

#include "media/Canvas.h"

namespace zelmar::media {

// Paints `file` ("wall1.jpg" .. "wall4.jpg", "floor.jpg", "ceiling.jpg", "rod.jpg",
// "Rod.jpg") at width x height; nothing for another name.
std::optional<Canvas> PaintRoomImage(const std::string& file, int width, int height);

}  // namespace zelmar::media
