#include "platform/render/d3dx/Image32.h"

#include <algorithm>
#include <cmath>

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

// The source pixels one destination pixel takes along an axis, with their weights.
struct Taps {
  std::uint32_t First = 0;
  std::vector<double> Weights;
};

// Shrinking: the overlap of each source pixel with the destination pixel's footprint.
// Growing: a linear blend between the centres around the destination pixel's centre.
std::vector<Taps> AxisTaps(std::uint32_t source, std::uint32_t target) {
  std::vector<Taps> taps(target);
  const double scale = static_cast<double>(source) / target;
  for (std::uint32_t i = 0; i < target; ++i) {
    Taps& t = taps[i];
    if (source > target) {
      const double from = i * scale, to = (i + 1) * scale;
      t.First = static_cast<std::uint32_t>(from);
      const auto last = std::min(source - 1, static_cast<std::uint32_t>(std::ceil(to)) - 1);
      for (std::uint32_t s = t.First; s <= last; ++s)
        t.Weights.push_back((std::min(to, s + 1.0) - std::max(from, static_cast<double>(s))) /
                            scale);
    } else {
      const double centre = std::clamp((i + 0.5) * scale - 0.5, 0.0, source - 1.0);
      t.First = static_cast<std::uint32_t>(centre);
      const double f = centre - t.First;
      t.Weights.push_back(1.0 - f);
      if (t.First + 1 < source) t.Weights.push_back(f);
    }
  }
  return taps;
}

}  // namespace

Image32 ResampleImage(const Image32& image, std::uint32_t width, std::uint32_t height,
                      bool nearest) {
  if (image.Width == width && image.Height == height) return image;
  if (image.Pixels.empty() || !width || !height) return Image32(width, height);
  Image32 out(width, height);
  const std::uint64_t sw = image.Width, sh = image.Height;
  if (nearest) {
    // Sample at the destination pixel's centre, mapped into the source.
    for (std::uint32_t y = 0; y < height; ++y)
      for (std::uint32_t x = 0; x < width; ++x)
        out.At(x, y) = image.At(static_cast<std::uint32_t>((x * 2ull + 1) * sw / (width * 2ull)),
                                static_cast<std::uint32_t>((y * 2ull + 1) * sh / (height * 2ull)));
    return out;
  }
  const std::vector<Taps> xs = AxisTaps(image.Width, width), ys = AxisTaps(image.Height, height);
  for (std::uint32_t y = 0; y < height; ++y) {
    const Taps& ty = ys[y];
    for (std::uint32_t x = 0; x < width; ++x) {
      const Taps& tx = xs[x];
      double sum[4] = {};
      for (std::size_t j = 0; j < ty.Weights.size(); ++j)
        for (std::size_t i = 0; i < tx.Weights.size(); ++i) {
          const std::uint32_t p = image.At(tx.First + static_cast<std::uint32_t>(i),
                                           ty.First + static_cast<std::uint32_t>(j));
          const double w = tx.Weights[i] * ty.Weights[j];
          for (int c = 0; c < 4; ++c) sum[c] += w * ((p >> (8 * c)) & 0xFF);
        }
      std::uint32_t r = 0;
      for (int c = 0; c < 4; ++c)
        r |= static_cast<std::uint32_t>(std::clamp(std::floor(sum[c] + 0.5), 0.0, 255.0))
             << (8 * c);
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

Image32 CropImage(const Image32& image, std::uint32_t left, std::uint32_t top, std::uint32_t right,
                  std::uint32_t bottom) {
  Image32 part(right - left, bottom - top);
  for (std::uint32_t y = 0; y < part.Height; ++y)
    std::copy_n(image.Row(top + y) + left, part.Width, &part.At(0, y));
  return part;
}
