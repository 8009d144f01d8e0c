#include "platform/render/win32/Image32.h"

#include <algorithm>

bool Image32::HasTranslucency() const {
  return std::any_of(Pixels.begin(), Pixels.end(),
                     [](std::uint32_t p) { return (p >> 24) != 0xFF; });
}

void ApplyColorKey(Image32& image, std::uint32_t key) {
  if (key == 0) return;
  for (std::uint32_t& p : image.Pixels)
    if (p == key) p = 0;
}

namespace {

std::uint32_t Average(const std::uint32_t* p, std::uint32_t n) {
  std::uint32_t sum[4] = {};
  for (std::uint32_t i = 0; i < n; ++i)
    for (int c = 0; c < 4; ++c) sum[c] += (p[i] >> (8 * c)) & 0xFF;
  std::uint32_t r = 0;
  for (int c = 0; c < 4; ++c) r |= ((sum[c] + n / 2) / n) << (8 * c);
  return r;
}

}  // namespace

Image32 ResampleImage(const Image32& image, std::uint32_t width, std::uint32_t height,
                      bool nearest) {
  if (image.Width == width && image.Height == height) return image;
  if (image.Pixels.empty() || !width || !height) return Image32(width, height);
  Image32 out(width, height);
  const std::uint64_t sw = image.Width, sh = image.Height;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      if (nearest) {
        // Sample at the destination pixel's centre, mapped into the source.
        out.At(x, y) = image.At(static_cast<std::uint32_t>((x * 2ull + 1) * sw / (width * 2ull)),
                                static_cast<std::uint32_t>((y * 2ull + 1) * sh / (height * 2ull)));
        continue;
      }
      // The source pixels this one covers (at least the one under its centre).
      std::uint32_t x0 = static_cast<std::uint32_t>(x * sw / width);
      std::uint32_t x1 = static_cast<std::uint32_t>(((x + 1ull) * sw + width - 1) / width);
      std::uint32_t y0 = static_cast<std::uint32_t>(y * sh / height);
      std::uint32_t y1 = static_cast<std::uint32_t>(((y + 1ull) * sh + height - 1) / height);
      x1 = std::max(x1, x0 + 1), y1 = std::max(y1, y0 + 1);
      std::uint64_t sum[4] = {};
      for (std::uint32_t sy = y0; sy < y1; ++sy)
        for (std::uint32_t sx = x0; sx < x1; ++sx) {
          const std::uint32_t p = image.At(sx, sy);
          for (int c = 0; c < 4; ++c) sum[c] += (p >> (8 * c)) & 0xFF;
        }
      const std::uint64_t n = std::uint64_t{x1 - x0} * (y1 - y0);
      std::uint32_t r = 0;
      for (int c = 0; c < 4; ++c) r |= static_cast<std::uint32_t>((sum[c] + n / 2) / n) << (8 * c);
      out.At(x, y) = r;
    }
  }
  return out;
}

Image32 NextMipLevel(const Image32& image, bool nearest) {
  const std::uint32_t w = std::max(1u, image.Width / 2), h = std::max(1u, image.Height / 2);
  Image32 out(w, h);
  for (std::uint32_t y = 0; y < h; ++y) {
    const std::uint32_t y0 = std::min(2 * y, image.Height - 1),
                        y1 = std::min(2 * y + 1, image.Height - 1);
    for (std::uint32_t x = 0; x < w; ++x) {
      const std::uint32_t x0 = std::min(2 * x, image.Width - 1),
                          x1 = std::min(2 * x + 1, image.Width - 1);
      if (nearest) {
        out.At(x, y) = image.At(x0, y0);
      } else {
        const std::uint32_t quad[4] = {image.At(x0, y0), image.At(x1, y0), image.At(x0, y1),
                                       image.At(x1, y1)};
        out.At(x, y) = Average(quad, 4);
      }
    }
  }
  return out;
}

std::uint32_t FullMipCount(std::uint32_t width, std::uint32_t height) {
  std::uint32_t levels = 1;
  for (std::uint32_t s = std::max(width, height); s > 1; s /= 2) ++levels;
  return levels;
}
