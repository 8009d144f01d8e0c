#include "media/Craters.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "media/Noise.h"

namespace zelmar::media {

namespace {

// Height profile of a crater at distance t (in crater radii) from its centre: a bowl, a
// raised rim and ejecta fading outward.
float Profile(float t, float floorFlat) {
  float h;
  if (t < 1.0f) {
    h = std::max(t * t - 1.0f, -floorFlat);
  } else {
    h = 0;
  }
  const float rim = (t - 1.0f) / (t < 1.0f ? 0.12f : 0.3f);
  h += 0.35f * std::exp(-rim * rim);
  return h;
}

}  // namespace

void AddCraters(CraterField& f, const CraterSet& set) {
  const float pi = std::numbers::pi_v<float>;
  Rng rng(set.seed);
  const int w = f.w, hgt = f.h;
  std::vector<float> colatSin(hgt), colatCos(hgt), lonSin(w), lonCos(w);
  for (int y = 0; y < hgt; ++y) {
    const float c = pi * (y + 0.5f) / hgt;
    colatSin[y] = std::sin(c);
    colatCos[y] = std::cos(c);
  }
  for (int x = 0; x < w; ++x) {
    const float l = 2 * pi * (x + 0.5f) / w;
    lonSin[x] = std::sin(l);
    lonCos[x] = std::cos(l);
  }
  const float texel = pi / hgt;
  for (int i = 0; i < set.count; ++i) {
    // Sizes follow a power law between the limits; centres are uniform on the sphere.
    const float u = rng.Unit();
    const float a = std::pow(set.minRadius, 1 - set.sizePower);
    const float b = std::pow(set.maxRadius, 1 - set.sizePower);
    const float r = std::pow(a + (b - a) * u, 1.0f / (1 - set.sizePower));
    const float cz = rng.Range(-1, 1);
    const float clon = rng.Range(0, 2 * pi);
    const float cs = std::sqrt(std::max(0.0f, 1 - cz * cz));
    const float cosL = std::cos(clon), sinL = std::sin(clon);
    const float cx = cs * cosL, cy = cs * sinL;
    const bool fresh = rng.Unit() < set.freshFraction;
    const bool rays = fresh && rng.Unit() < set.rayFraction;
    const std::uint32_t raySeed = static_cast<std::uint32_t>(rng.Next());
    const float depth = 0.22f * r * (0.7f + 0.6f * rng.Unit());
    const float floorFlat = r > 0.03f ? 0.6f : 1.0f;
    if (r < texel * 0.5f) continue;  // smaller than a texel: nothing to see

    const float reach = rays ? r * 8.0f : r * 2.5f;
    const float ccolat = std::acos(cz);
    const int y0 = std::max(0, static_cast<int>((ccolat - reach) / pi * hgt) - 1);
    const int y1 = std::min(hgt - 1, static_cast<int>((ccolat + reach) / pi * hgt) + 1);
    const float cosReach = std::cos(std::min(reach, pi));
    for (int y = y0; y <= y1; ++y) {
      // Longitude span of the reach circle on this row (the whole row near a pole).
      const float s = colatSin[y];
      int xs = 0, xe = w - 1;
      const float den = s * cs;
      if (den > 1e-4f) {
        const float c = (cosReach - colatCos[y] * cz) / den;
        if (c > 1.0f) continue;
        if (c > -1.0f) {
          const float half = std::acos(c);
          const float cxp = clon / (2 * pi) * w;
          xs = static_cast<int>(std::floor(cxp - half / (2 * pi) * w)) - 1;
          xe = static_cast<int>(std::ceil(cxp + half / (2 * pi) * w)) + 1;
          if (xe - xs >= w) {
            xs = 0;
            xe = w - 1;
          }
        }
      }
      for (int xx = xs; xx <= xe; ++xx) {
        const int x = ((xx % w) + w) % w;
        const float dot = s * (lonCos[x] * cx + lonSin[x] * cy) + colatCos[y] * cz;
        const float d = std::acos(std::clamp(dot, -1.0f, 1.0f));
        if (d > reach) continue;
        const float t = d / r;
        const std::size_t k = std::size_t(y) * w + x;
        if (t < 2.5f) f.height[k] += depth * Profile(t, floorFlat);
        if (fresh) {
          float br = t < 1.0f ? 0.25f : 0.3f * std::exp(-(t - 1.0f) * 2.0f);
          if (rays && t > 1.0f) {
            // Rays: a few narrow bright streaks, chosen by the direction from the centre.
            const float ex = lonCos[x] * s - cx, ey = lonSin[x] * s - cy, ez = colatCos[y] - cz;
            const float east = -ex * sinL + ey * cosL;
            const float north = -(ex * cosL + ey * sinL) * cz + ez * cs;
            const float ang = std::atan2(north, east);
            const float n = Noise(Vec3{std::cos(ang) * 5, std::sin(ang) * 5, 0.5f}, raySeed);
            const float streak = std::pow(std::max(0.0f, n), 3.0f) * 6.0f;
            br += streak * std::exp(-(t - 1.0f) * 0.45f) * 0.35f;
          }
          f.bright[k] += br;
        }
      }
    }
  }
}

}  // namespace zelmar::media
