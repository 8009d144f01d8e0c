#include "media/NightSky.h"

#include <cmath>

#include "media/Noise.h"

namespace zelmar::media {

Canvas PaintNightSky(int w, int h) {
  Canvas c(w, h);
  // A faint veil of nebulosity under the stars, tiling like the stars do.
  c.Fill([&](int x, int y) {
    const float u = (x + 0.5f) / w, v = (y + 0.5f) / h;
    const float n = Smoothstep(0.1f, 0.8f, TileFbm(u, v, 4, 5, 2101));
    const float tint = TileFbm(u, v, 2, 3, 2102);
    Color col = Mix(Rgb(2, 3, 9), Rgb(14, 12, 28), n * 0.7f);
    return Mix(col, Rgb(8, 16, 30), Clamp01(tint) * 0.4f);
  });
  // Stars are placed in tile units, so every size of the picture shows the same sky.
  const float texel = 1024.0f / w;  // this picture's texels per texel of the largest one
  Rng rng(2103);
  const Color tints[5] = {Rgb(190, 208, 255), Rgb(225, 232, 255), Rgb(255, 255, 255),
                          Rgb(255, 240, 214), Rgb(255, 206, 160)};
  for (int i = 0; i < 2400; ++i) {
    const float u = rng.Unit(), v = rng.Unit();
    const float lum = std::pow(rng.Unit(), 9.0f);
    const Color tint = tints[rng.Below(5)];
    float peak = 0.16f + 0.84f * lum;
    // Sizes in texels of the largest picture; small pictures keep stars at least a texel wide.
    const float sigmaHigh = 0.5f + 1.3f * lum;
    const float sigma = std::max(0.55f, sigmaHigh / texel);
    // Spread the same light over a wider spot when the spot had to grow.
    peak *= std::min(1.0f, (sigmaHigh / texel) * (sigmaHigh / texel) / (sigma * sigma) * 2.0f);
    const float cx = u * w, cy = v * h;
    const int reach = static_cast<int>(std::ceil(sigma * 3));
    for (int dy = -reach; dy <= reach; ++dy) {
      for (int dx = -reach; dx <= reach; ++dx) {
        const int px = static_cast<int>(std::floor(cx)) + dx;
        const int py = static_cast<int>(std::floor(cy)) + dy;
        const float ox = px + 0.5f - cx, oy = py + 0.5f - cy;
        const float g = peak * std::exp(-(ox * ox + oy * oy) / (2 * sigma * sigma));
        if (g < 0.002f) continue;
        Color& p = c.At(((px % w) + w) % w, ((py % h) + h) % h);  // wrap: the tile repeats
        p = Color{std::min(1.0f, p.r + g * tint.r), std::min(1.0f, p.g + g * tint.g),
                  std::min(1.0f, p.b + g * tint.b), 1};
      }
    }
  }
  return c;
}

}  // namespace zelmar::media
