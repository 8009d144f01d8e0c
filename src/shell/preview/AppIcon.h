// The program's icon, drawn from code at any size: the preview glides it across the host
// window, and the media tool writes the desktop icons from it.
#pragma once

#include <cstdint>
#include <vector>

namespace zelmar {

// size x size pixels, row-major, 0xAARRGGBB with straight (not premultiplied) alpha.
std::vector<std::uint32_t> DrawAppIcon(int size);

}  // namespace zelmar
