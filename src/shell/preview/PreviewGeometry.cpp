// The preview's geometry, picture and the icon's glide, the same on every platform.
#include <algorithm>
#include <cstdio>

#include "scene/Random.h"
#include "shell/modes/RunMode.h"
#include "shell/preview/Preview.h"
#include "shell/settings/SettingsOptions.h"

namespace zelmar {

TPreviewGeometry PreviewGeometry(int windowWidth, int windowHeight) {
  const int width = windowWidth + 1;
  const int height = windowHeight + 1;
  return {width, height, height / 2 - kPreviewIconSize / 2};
}

int NextIconColumn(int x, int previewWidth) {
  if (x > previewWidth + 16) x = -33;
  return x + 1;
}

bool ParsePreviewHandle(const std::string& handle, unsigned long& id) {
  if (ParseWindowHandle(handle, id)) return true;
  if (handle.empty())
    std::fprintf(stderr, "zelmar: /p needs the host window's handle, as in: zelmar /p 12345\n");
  else
    std::fprintf(stderr,
                 "zelmar: /p: %s is not a window handle (decimal, or hexadecimal with 0x)\n",
                 QuoteArgument(handle).c_str());
  return false;
}

std::vector<TPreviewStar> PreviewStars(int width, int height) {
  std::vector<TPreviewStar> stars;
  Randomize();
  for (int i = 0; i < 100; ++i) {
    const int y = Random(height);
    const int x = Random(width);
    stars.push_back({x, y});
  }
  return stars;
}

void ComposePreview(std::uint32_t* pixels, int left, int top, int columns, int rows,
                    const std::vector<TPreviewStar>& stars, const std::vector<std::uint32_t>& icon,
                    int iconLeft, int iconTop) {
  std::fill(pixels, pixels + static_cast<std::ptrdiff_t>(columns) * rows, 0u);
  for (const TPreviewStar& s : stars)
    if (s.X >= left && s.X < left + columns && s.Y >= top && s.Y < top + rows)
      pixels[static_cast<std::size_t>(s.Y - top) * columns + (s.X - left)] = 0xFFFFFF;
  for (int iy = 0; iy < kPreviewIconSize; ++iy) {
    const int y = iconTop + iy - top;
    if (y < 0 || y >= rows) continue;
    for (int ix = 0; ix < kPreviewIconSize; ++ix) {
      const int x = iconLeft + ix - left;
      if (x < 0 || x >= columns) continue;
      const std::uint32_t src = icon[static_cast<std::size_t>(iy) * kPreviewIconSize + ix];
      const std::uint32_t a = src >> 24;
      if (a == 0) continue;
      std::uint32_t& dst = pixels[static_cast<std::size_t>(y) * columns + x];
      std::uint32_t out = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        const std::uint32_t sc = (src >> shift) & 0xFF, dc = (dst >> shift) & 0xFF;
        out |= ((sc * a + dc * (255 - a) + 127) / 255) << shift;
      }
      dst = out;
    }
  }
}

}  // namespace zelmar
