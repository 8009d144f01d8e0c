#include "media/EffectImages.h"

#include <cmath>
#include <numbers>

#include "media/Noise.h"

namespace zelmar::media {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// Calls f(dx, dy, r) with the offset from the centre in half-side units (r = 1 at the middle of
// an edge), averaging n x n samples per pixel for smooth edges.
Canvas Radial(int size, int n, const std::function<Color(float dx, float dy, float r)>& f) {
  Canvas c(size, size);
  const float half = size / 2.0f;
  c.Fill([&](int x, int y) {
    Color sum{0, 0, 0, 0};
    for (int j = 0; j < n; ++j) {
      for (int i = 0; i < n; ++i) {
        const float dx = (x + (i + 0.5f) / n - half) / half;
        const float dy = (y + (j + 0.5f) / n - half) / half;
        const Color s = f(dx, dy, std::sqrt(dx * dx + dy * dy));
        // Average premultiplied, so transparent samples do not darken the edge colour.
        sum = {sum.r + s.r * s.a, sum.g + s.g * s.a, sum.b + s.b * s.a, sum.a + s.a};
      }
    }
    if (sum.a <= 0) return Color{0, 0, 0, 0};
    return Color{sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / (n * n)};
  });
  return c;
}

float Band(float r, float lo, float hi, float soft) {
  return Smoothstep(lo - soft, lo + soft, r) * (1.0f - Smoothstep(hi - soft, hi + soft, r));
}

// Saturn's ring seen from above: the faint inner ring, the bright broad ring, the dark
// division, the outer ring with its narrow gap and a thin outermost ringlet.
Canvas Ring(int size) {
  return Radial(size, 3, [](float, float, float r) -> Color {
    if (r < kRingInner || r > kRingOuter) return {0, 0, 0, 0};
    const float fine = Noise(Vec3{r * 180.0f, 0.5f, 0.5f}, 1501);
    const float finer = Noise(Vec3{r * 700.0f, 0.5f, 0.5f}, 1502);
    const float s = 0.002f;
    float alpha = 0.22f * Band(r, 0.555f, 0.665f, 0.008f) + 0.9f * Band(r, 0.665f, 0.815f, s) +
                  0.06f * Band(r, 0.815f, 0.848f, s) + 0.72f * Band(r, 0.848f, 0.972f, s) +
                  0.55f * Band(r, 0.987f, 0.994f, s);
    alpha -= 0.64f * Band(r, 0.951f, 0.956f, 0.0015f);  // the narrow gap in the outer ring
    alpha *= 0.82f + 0.12f * fine + 0.06f * finer;
    alpha += 0.1f * Smoothstep(0.74f, 0.81f, r) * Band(r, 0.665f, 0.815f, s);
    Color col = Mix(Rgb(150, 136, 118), Rgb(226, 208, 172), Smoothstep(0.64f, 0.7f, r));
    col = Mix(col, Rgb(204, 188, 158), Smoothstep(0.84f, 0.86f, r));
    col = Scale(col, 0.92f + 0.1f * fine);
    col.a = Clamp01(alpha);
    return col;
  });
}

// Dark and translucent, most opaque at the planet (v = 1) and fading to nothing at the far
// end of the cone (v = 0).
Canvas Shadow(int size) {
  Canvas c(size, size);
  c.Fill([&](int, int y) {
    const float v = (y + 0.5f) / size;
    return Color{0.02f, 0.02f, 0.05f, 0.72f * std::pow(v, 1.6f)};
  });
  return c;
}

// The corona square is twice the Sun's diameter wide (60 units against a radius of 27.8).
Canvas SunGlow(int size) {
  const float limb = 0.464f;
  return Radial(size, 2, [&](float dx, float dy, float r) -> Color {
    if (r >= 0.985f) return {0, 0, 0, 0};
    const float a = std::atan2(dy, dx);
    const float streams =
        0.5f + 0.5f * Fbm(Vec3{std::cos(a) * 2.5f, std::sin(a) * 2.5f, r}, 4, 1601);
    const float out = std::max(0.0f, r - limb);
    float i = 0.85f * std::exp(-out / 0.08f) +
              (0.4f + 0.45f * streams) * std::exp(-out / (0.16f + 0.14f * streams));
    if (r < limb) i = 1.0f;
    i *= 1.0f - Smoothstep(0.7f, 0.985f, r);
    Color col = Mix(Rgb(255, 246, 214), Rgb(255, 150, 50), Smoothstep(0.0f, 0.3f, out));
    col.a = Clamp01(i);
    return col;
  });
}

struct FlareLook {
  Color tint;
  float disc;      // opacity of a soft filled disc
  float discEdge;  // where the disc ends
  float ring;      // opacity of a ring
  float ringAt;
  float ringWidth;
  float halo;  // opacity of a glow falling from the centre
};

// Lens-flare elements: tinted discs, rings and halos. Their alpha is modest because the flare
// doubles it when it blends.
const FlareLook kFlares[9] = {
    {Rgb(150, 200, 255), 0.0f, 0.0f, 0.32f, 0.82f, 0.06f, 0.05f},  // 1: wide blue ring
    {Rgb(180, 255, 160), 0.16f, 0.85f, 0.1f, 0.8f, 0.05f, 0.06f},  // 2: green disc
    {Rgb(255, 170, 80), 0.4f, 0.7f, 0.0f, 0.0f, 0.1f, 0.2f},       // 3: small orange disc
    {Rgb(200, 140, 255), 0.14f, 0.9f, 0.22f, 0.86f, 0.04f, 0.0f},  // 4: violet disc, bright rim
    {Rgb(220, 240, 255), 0.45f, 0.5f, 0.0f, 0.0f, 0.1f, 0.35f},    // 5: small white spark
    {Rgb(255, 230, 190), 0.0f, 0.0f, 0.08f, 0.6f, 0.25f, 0.4f},    // 6: large warm halo
    {Rgb(255, 200, 110), 0.0f, 0.0f, 0.38f, 0.7f, 0.08f, 0.06f},   // 7: amber ring
    {Rgb(120, 170, 255), 0.2f, 0.8f, 0.08f, 0.75f, 0.08f, 0.1f},   // 8: blue disc
    {Rgb(255, 130, 150), 0.42f, 0.55f, 0.0f, 0.0f, 0.1f, 0.25f},   // 9: small pink dot
};

Canvas Flare(int index, int size) {
  const FlareLook& f = kFlares[index];
  return Radial(size, 2, [&](float, float, float r) -> Color {
    if (r >= 1.0f) return {0, 0, 0, 0};
    float a = 0;
    if (f.disc > 0) a += f.disc * Smoothstep(f.discEdge, f.discEdge - 0.12f, r);
    if (f.ring > 0) {
      const float d = (r - f.ringAt) / f.ringWidth;
      a += f.ring * std::exp(-d * d);
    }
    a += f.halo * std::pow(std::max(0.0f, 1.0f - r), 2.0f);
    a *= 1.0f - Smoothstep(0.9f, 1.0f, r);
    // A whiter core where the element is densest.
    Color col = Mix(f.tint, Rgb(255, 255, 255), Clamp01(a - 0.3f));
    col.a = Clamp01(a);
    return col;
  });
}

// The veil is plain white; its opacity comes from the colour it is drawn with.
Canvas Glare(int size) {
  Canvas c(size, size);
  c.Fill([](int, int) { return Color{1, 1, 1, 1}; });
  return c;
}

}  // namespace

std::optional<Canvas> PaintEffectImage(const std::string& file, int size) {
  if (file == "saturnRings.tga") return Ring(size);
  if (file == "shadow.tga") return Shadow(size);
  if (file == "sunglow.tga") return SunGlow(size);
  if (file == "Glare.tga") return Glare(size);
  for (int i = 1; i <= 9; ++i)
    if (file == "flare" + std::to_string(i) + ".tga") return Flare(i - 1, size);
  return std::nullopt;
}

}  // namespace zelmar::media
