#include "shell/preview/AppIcon.h"

#include <algorithm>
#include <cmath>

namespace zelmar {

namespace {

struct Rgba {
  float r = 0, g = 0, b = 0, a = 0;
};

// Paints b over a (straight alpha).
Rgba Over(Rgba a, Rgba b) {
  float out = b.a + a.a * (1 - b.a);
  if (out <= 0) return {};
  auto mix = [&](float ca, float cb) { return (cb * b.a + ca * a.a * (1 - b.a)) / out; };
  return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b), out};
}

// One sample of the icon in unit coordinates (0..1, y down): a sun with a tilted orbit and a
// small blue planet riding it.
Rgba Sample(float x, float y) {
  Rgba c;
  const float sx = 0.5f, sy = 0.5f;
  const float dx = x - sx, dy = y - sy;
  const float d = std::sqrt(dx * dx + dy * dy);

  // Orbit: an ellipse seen from slightly above; the part behind the sun is drawn first.
  const float ox = dx / 0.46f, oy = dy / 0.17f;
  const float e = std::sqrt(ox * ox + oy * oy);
  const float ringWidth = 0.045f / 0.17f * 0.5f;
  const float ringA = std::clamp(1.0f - std::abs(e - 1.0f) / ringWidth, 0.0f, 1.0f);
  const Rgba ring{0.62f, 0.72f, 0.95f, 0.85f * ringA};
  const bool behind = dy < 0;
  if (behind) c = Over(c, ring);

  // Sun: a soft corona around a hot disc.
  const float sunR = 0.25f;
  if (d < 0.48f) {
    float glow = std::clamp(1.0f - (d - sunR) / (0.48f - sunR), 0.0f, 1.0f);
    c = Over(c, Rgba{1.0f, 0.62f, 0.12f, 0.55f * glow * glow});
  }
  if (d < sunR + 0.02f) {
    float edge = std::clamp((sunR + 0.02f - d) / 0.04f, 0.0f, 1.0f);
    float t = d / sunR;
    Rgba disc{1.0f, 0.98f - 0.35f * t * t, 0.72f - 0.6f * t, edge};
    c = Over(c, disc);
  }
  if (!behind) c = Over(c, ring);

  // Planet at the front right of the orbit.
  const float px = sx + 0.46f * std::cos(0.55f), py = sy + 0.17f * std::sin(0.55f);
  const float pr = 0.105f;
  const float pd = std::hypot(x - px, y - py);
  if (pd < pr + 0.02f) {
    float edge = std::clamp((pr + 0.02f - pd) / 0.04f, 0.0f, 1.0f);
    // Lit from the sun: brighter on the side facing it.
    float lx = (sx - px), ly = (sy - py);
    float ll = std::hypot(lx, ly);
    float shade =
        0.35f + 0.65f * std::clamp(0.5f + ((x - px) * lx + (y - py) * ly) / (pr * ll), 0.0f, 1.0f);
    c = Over(c, Rgba{0.18f * shade, 0.45f * shade, 0.95f * shade, edge});
  }
  return c;
}

}  // namespace

std::vector<std::uint32_t> DrawAppIcon(int size) {
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(std::max(size, 0)) *
                                    std::max(size, 0));
  constexpr int kSub = 4;  // 4 x 4 samples per pixel for smooth edges
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      float r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          Rgba s = Sample((px + (sx + 0.5f) / kSub) / size, (py + (sy + 0.5f) / kSub) / size);
          r += s.r * s.a;
          g += s.g * s.a;
          b += s.b * s.a;
          a += s.a;
        }
      }
      std::uint32_t out = 0;
      if (a > 0) {
        auto byte = [](float v) {
          return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
        };
        out = byte(a / (kSub * kSub)) << 24 | byte(r / a) << 16 | byte(g / a) << 8 | byte(b / a);
      }
      pixels[static_cast<std::size_t>(py) * size + px] = out;
    }
  }
  return pixels;
}

}  // namespace zelmar
