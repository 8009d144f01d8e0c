#include "media/BodyMaps.h"

#include <cmath>
#include <map>
#include <numbers>

#include "media/Craters.h"
#include "media/Noise.h"

namespace zelmar::media {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kDeg = kPi / 180.0f;

Vec3 Stretch(Vec3 p, float sx, float sy, float sz) {
  return {p.x * sx, p.y * sy, p.z * sz};
}

Vec3 Warp(Vec3 p, float freq, float amount, std::uint32_t seed) {
  const Vec3 q = p * freq;
  return p + Vec3{Fbm(q, 3, seed), Fbm(q, 3, seed + 17), Fbm(q, 3, seed + 31)} * amount;
}

// Angular distance between a point and a place given by latitude and longitude.
float AngleTo(const SpherePoint& sp, float lat, float lon) {
  const Vec3 c{std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
  return std::acos(std::clamp(Dot(sp.p, c), -1.0f, 1.0f));
}

// Offsets of a point from an oval's centre, in degrees east and north.
void OvalOffset(const SpherePoint& sp, float lat, float lon, float& east, float& north) {
  float dl = sp.lon - lon;
  while (dl > kPi) dl -= 2 * kPi;
  while (dl < -kPi) dl += 2 * kPi;
  east = dl * std::cos(lat) / kDeg;
  north = (sp.lat - lat) / kDeg;
}

Canvas Cratered(int w, const CraterSet& set, float reliefStrength,
                const std::function<Color(const SpherePoint&, float bright, float relief)>& base) {
  const int h = w / 2;
  CraterField field(w, h);
  AddCraters(field, set);
  const std::vector<float> shade = ReliefShade(field.height, w, h, reliefStrength);
  Canvas c(w, h);
  int i = 0;
  PaintSphere(c, [&](const SpherePoint& sp) {
    const std::size_t k = std::size_t(i++);
    return base(sp, field.bright[k], shade[k]);
  });
  return c;
}

// --- The Sun: granulation, a few spot groups, bright faculae --------------------------------

Canvas Sun(int w) {
  Canvas c(w, w / 2);
  struct Spot {
    float lat, lon, r;
  };
  std::vector<Spot> spots;
  Rng rng(11);
  for (int g = 0; g < 7; ++g) {
    const float lat = (rng.Unit() < 0.5f ? -1 : 1) * rng.Range(8, 30) * kDeg;
    const float lon = rng.Range(0, 2 * kPi);
    const int n = 1 + rng.Below(4);
    for (int i = 0; i < n; ++i)
      spots.push_back({lat + rng.Range(-3, 3) * kDeg, lon + rng.Range(-6, 6) * kDeg,
                       rng.Range(0.5f, 1.6f) * kDeg});
  }
  // The granules are many and small and differ little in brightness, so that from afar the
  // disc reads as an even glow with a fine grain.
  const Ramp ramp{{0.0f, Rgb(196, 92, 18)},
                  {0.35f, Rgb(236, 140, 34)},
                  {0.7f, Rgb(255, 196, 70)},
                  {1.0f, Rgb(255, 238, 160)}};
  PaintSphere(c, [&](const SpherePoint& sp) {
    // Granules: cells of a jittered lattice, their outlines rounded by a little warping.
    const Vec3 gp = sp.p * 96.0f;
    const Vec3 jitter{Noise(gp * 0.9f, 105), Noise(gp * 0.9f, 106), Noise(gp * 0.9f, 107)};
    const Cells g = Worley(gp + jitter * 0.35f, 101);
    const float gran = Smoothstep(0.0f, 0.5f, g.f2 - g.f1) * (1.0f - 0.3f * g.f1);
    const Cells sg = Worley(sp.p * 14.0f, 102);
    const float super = Smoothstep(0.0f, 0.3f, sg.f2 - sg.f1);
    const float large = Fbm(sp.p * 3.0f, 5, 103);
    float v = 0.5f + 0.26f * gran + 0.06f * super + 0.08f * large;
    float spot = 0, facula = 0;
    const float ragged = 1.0f + 0.3f * Fbm(sp.p * 40.0f, 3, 108);
    for (const Spot& s : spots) {
      const float d = AngleTo(sp, s.lat, s.lon) / s.r * ragged;
      spot = std::max(spot,
                      1.0f - Smoothstep(0.4f, 1.0f, d) * 0.45f - Smoothstep(1.0f, 1.5f, d) * 0.55f);
      facula = std::max(facula, Smoothstep(5.0f, 1.8f, d));
    }
    v += 0.12f * facula * (0.5f + 0.5f * Fbm(sp.p * 20.0f, 3, 104));
    Color col = ramp(Clamp01(v));
    // Umbra and penumbra darken the photosphere instead of replacing it.
    const float umbra = Smoothstep(0.5f, 0.9f, spot);
    col = Mix(col, Rgb(160, 70, 14), Smoothstep(0.0f, 0.5f, spot) * 0.7f);
    col = Mix(col, Rgb(70, 24, 6), umbra);
    return col;
  });
  return c;
}

// --- Rocky, cratered bodies -------------------------------------------------------------------

Canvas Mercury(int w) {
  CraterSet set;
  set.count = 5200;
  set.minRadius = 0.003f;
  set.maxRadius = 0.16f;
  set.freshFraction = 0.12f;
  set.rayFraction = 0.35f;
  set.seed = 21;
  return Cratered(w, set, 0.5f, [](const SpherePoint& sp, float bright, float relief) {
    const float n = Fbm(sp.p * 2.5f, 6, 201);
    const float plains = Smoothstep(0.15f, 0.4f, Fbm(sp.p * 1.3f, 4, 202));
    Color col = Mix(Rgb(150, 140, 128), Rgb(122, 116, 108), plains);
    col = Scale(col, 0.9f + 0.18f * n);
    col = Add(col, Scale(Rgb(255, 250, 240), 0.45f * bright));
    return Scale(col, relief);
  });
}

Canvas Moon(int w) {
  CraterSet set;
  set.count = 4200;
  set.minRadius = 0.003f;
  set.maxRadius = 0.14f;
  set.freshFraction = 0.08f;
  set.rayFraction = 0.3f;
  set.seed = 31;
  // The maria fill old impact basins, nearly all on the face the Moon turns to its planet,
  // which lies at the middle of the map: round plains joined into one dark northern arc, and
  // the broad, ragged ocean to its west. Latitude, longitude and radius in degrees.
  struct Basin {
    float lat, lon, r, dark;
  };
  static const Basin kBasins[] = {{33, -17, 17, 1.0f},  {28, 17, 10, 1.05f},  {8, 31, 11, 0.95f},
                                  {17, 59, 7, 1.1f},    {-7, 51, 8, 0.9f},    {-21, -16, 9, 0.85f},
                                  {-24, -39, 5, 0.95f}, {-3, -4, 6, 0.8f},    {15, -58, 18, 0.9f},
                                  {-5, -40, 14, 0.85f}, {34, -55, 10, 0.85f}, {56, 0, 6, 0.8f},
                                  {56, 20, 5, 0.8f},    {54, -28, 6, 0.8f},   {-12, 35, 6, 0.85f},
                                  {20, 88, 4, 0.9f},    {-20, 160, 4, 0.8f},  {-57, -160, 3, 0.8f}};
  return Cratered(w, set, 0.3f, [](const SpherePoint& sp, float bright, float relief) {
    const Vec3 q = Warp(sp.p, 2.0f, 0.05f, 301);
    const SpherePoint wq{q, sp.lat, sp.lon};
    // Shores wander, as lava that overflowed the rims would leave them.
    const float shore = 0.12f * Fbm(sp.p * 5.0f, 4, 302);
    float mare = 0, shade = 1;
    for (const Basin& b : kBasins) {
      const float d = AngleTo(wq, b.lat * kDeg, (180 + b.lon) * kDeg) / (b.r * kDeg);
      const float inside = Smoothstep(1.2f, 0.85f, d + shore);
      if (inside > mare) shade = b.dark;
      mare = std::max(mare, inside);
    }
    mare *= 0.85f + 0.15f * Fbm(sp.p * 9.0f, 4, 304);
    const float n = Fbm(sp.p * 6.0f, 5, 303);
    Color high = Scale(Rgb(184, 180, 172), 0.94f + 0.1f * n);
    Color low = Scale(Rgb(92, 92, 96), (0.92f + 0.14f * n) / shade);
    Color col = Mix(high, low, mare);
    col = Add(col, Scale(Rgb(255, 255, 250), 0.35f * bright));
    // Lava has flooded the old relief of the maria.
    const float r = 1.0f + (relief - 1.0f) * (1.0f - 0.7f * mare);
    return Scale(col, r);
  });
}

Canvas Grey(int w) {
  CraterSet set;
  set.count = 6500;
  set.minRadius = 0.003f;
  set.maxRadius = 0.1f;
  set.freshFraction = 0.3f;
  set.rayFraction = 0.05f;
  set.seed = 41;
  return Cratered(w, set, 0.45f, [](const SpherePoint& sp, float bright, float relief) {
    const float n = Fbm(sp.p * 3.0f, 6, 401);
    const float dark = Smoothstep(-0.2f, 0.4f, Fbm(sp.p * 1.2f, 4, 402));
    Color col = Mix(Rgb(112, 108, 102), Rgb(72, 70, 68), dark);
    col = Scale(col, 0.9f + 0.16f * n);
    col = Add(col, Scale(Rgb(230, 228, 222), 0.35f * bright));
    return Scale(col, relief);
  });
}

// --- Venus: creamy cloud deck --------------------------------------------------------------------

Canvas Venus(int w) {
  Canvas c(w, w / 2);
  const Ramp ramp{{0.0f, Rgb(176, 136, 86)},
                  {0.4f, Rgb(214, 184, 130)},
                  {0.7f, Rgb(236, 218, 172)},
                  {1.0f, Rgb(250, 240, 210)}};
  PaintSphere(c, [&](const SpherePoint& sp) {
    const Vec3 q = Warp(Stretch(sp.p, 1.0f, 1.0f, 2.5f), 1.2f, 0.6f, 501);
    const float band = Fbm(Stretch(q, 1.5f, 1.5f, 6.0f), 6, 502);
    const float soft = Fbm(q * 3.0f, 5, 503);
    // Chevron-shaped dark streaks toward the equator, as the upper winds shear the clouds.
    const float chevron = std::sin((sp.lon + 2.2f * std::abs(sp.lat)) * 2.0f + band * 2.0f);
    float v = 0.58f + 0.25f * band + 0.12f * soft - 0.08f * chevron * std::cos(sp.lat);
    v += 0.12f * Smoothstep(50 * kDeg, 80 * kDeg, std::abs(sp.lat));
    return ramp(Clamp01(v));
  });
  return c;
}

// --- Earth ---------------------------------------------------------------------------------------

Canvas Earth(int w) {
  Canvas c(w, w / 2);
  PaintSphere(c, [&](const SpherePoint& sp) {
    const Vec3 q = Warp(sp.p, 1.4f, 0.45f, 601);
    const float cont = Fbm(q * 1.7f, 8, 602) + 0.1f * Fbm(sp.p * 9.0f, 4, 603);
    const float sea = 0.14f;
    const float alat = std::abs(sp.lat) / kDeg;
    Color col;
    if (cont < sea) {
      const float depth = Clamp01((sea - cont) / 0.35f);
      col = Mix(Rgb(40, 110, 156), Rgb(14, 46, 112), Smoothstep(0.0f, 0.3f, depth));
      col = Mix(col, Rgb(10, 32, 86), Smoothstep(0.4f, 1.0f, depth));
    } else {
      const float elev = cont - sea;
      const float moist = Fbm(sp.p * 2.2f, 6, 604) + 0.25f * std::cos(sp.lat * 3.0f) -
                          0.35f * Smoothstep(14, 28, alat) * Smoothstep(40, 28, alat);
      const float cold = alat + 6 * Fbm(sp.p * 4.0f, 3, 605) + elev * 60;
      Color forest = Mix(Rgb(28, 66, 24), Rgb(60, 92, 40), Clamp01(0.5f + moist));
      Color dry = Mix(Rgb(206, 178, 124), Rgb(164, 130, 84), Clamp01(0.5f + moist * 2));
      col = Mix(dry, forest, Smoothstep(-0.4f, -0.1f, moist));
      col = Mix(col, Rgb(104, 96, 74), Smoothstep(48, 62, cold));  // tundra
      const float mount = Ridged(sp.p * 5.0f, 5, 606) * Smoothstep(0.05f, 0.3f, elev);
      col = Mix(col, Rgb(120, 104, 86), 0.6f * mount);
      col = Mix(col, Rgb(236, 238, 240), Smoothstep(0.72f, 0.85f, mount) * 0.7f);
      col = Scale(col, 0.9f + 0.15f * Fbm(sp.p * 16.0f, 3, 607));
    }
    // Ice caps: the whole far south, and the northern sea ice.
    const float iceEdge = alat < 55 ? 99.0f : 72 + 5 * Fbm(sp.p * 3.0f, 5, 608);
    const float ice = sp.lat < 0 ? Smoothstep(iceEdge - 3, iceEdge - 1, alat)
                                 : Smoothstep(iceEdge + 4, iceEdge + 6, alat);
    col = Mix(col, Rgb(238, 242, 248), ice);
    // Clouds: swirling fields, thicker where the storm tracks and the tropics lie.
    const Vec3 cq = Warp(sp.p, 1.5f, 0.2f, 609);
    const float cl = Fbm(Stretch(cq, 3.0f, 3.0f, 4.5f), 7, 610, 0.6f);
    const float belt = 0.18f * std::exp(-alat * alat / 60.0f) +
                       0.16f * std::exp(-(alat - 55) * (alat - 55) / 120.0f) -
                       0.12f * Smoothstep(12, 25, alat) * Smoothstep(38, 25, alat);
    const float cloud = Smoothstep(0.02f, 0.6f, cl + belt) * 0.9f;
    return Mix(col, Rgb(246, 248, 250), cloud);
  });
  return c;
}

// --- Mars
// -----------------------------------------------------------------------------------------

Canvas Mars(int w) {
  CraterSet set;
  set.count = 1100;
  set.minRadius = 0.004f;
  set.maxRadius = 0.09f;
  set.freshFraction = 0.0f;
  set.seed = 71;
  return Cratered(w, set, 0.35f, [](const SpherePoint& sp, float, float relief) {
    const Vec3 q = Warp(sp.p, 1.6f, 0.4f, 701);
    const float dark = Smoothstep(0.0f, 0.45f, Fbm(q * 1.6f, 7, 702) - 0.15f * sp.p.z);
    const float n = Fbm(sp.p * 5.0f, 5, 703);
    Color col = Mix(Rgb(198, 110, 62), Rgb(178, 88, 48), Clamp01(0.5f + n));
    col = Mix(col, Rgb(110, 66, 48), dark * 0.75f);
    // A long canyon just south of the equator.
    float east, north;
    OvalOffset(sp, -8 * kDeg, 1.4f, east, north);
    const float wob = north + 1.5f * Fbm(sp.p * 12.0f, 3, 704);
    const float canyon = Smoothstep(2.6f, 0.4f, std::abs(wob)) * Smoothstep(38, 26, std::abs(east));
    col = Mix(col, Rgb(104, 60, 42), canyon * 0.6f);
    col = Scale(col, relief);
    const float alat = std::abs(sp.lat) / kDeg;
    const float edge = (sp.lat > 0 ? 80.0f : 83.0f) + 3 * Fbm(sp.p * 5.0f, 5, 705);
    return Mix(col, Rgb(244, 242, 236), Smoothstep(edge - 1.5f, edge + 1.5f, alat));
  });
}

// --- Gas and ice giants --------------------------------------------------------------------------

// Bands by latitude in degrees, with turbulence that shifts the latitude locally.
Color Banded(const SpherePoint& sp, const Ramp& bands, float turbulence, float streaks,
             std::uint32_t seed) {
  const Vec3 q = Warp(Stretch(sp.p, 1.0f, 1.0f, 3.0f), 2.0f, 0.25f, seed);
  const float shift = turbulence * (Fbm(Stretch(q, 3.0f, 3.0f, 14.0f), 6, seed + 1) +
                                    0.45f * Fbm(Stretch(q, 12.0f, 12.0f, 30.0f), 4, seed + 3));
  const float lat = sp.lat / kDeg + shift;
  Color col = bands(lat);
  const float fine = Fbm(Stretch(sp.p, 6.0f, 6.0f, 60.0f), 4, seed + 2);
  return Scale(col, 1.0f + streaks * fine);
}

Canvas Jupiter(int w) {
  Canvas c(w, w / 2);
  // Zones cream, belts khaki to brown, the two equatorial belts the broadest and darkest;
  // paired stops give the belts their sharp edges.
  const Ramp bands{{-90, Rgb(128, 122, 114)}, {-62, Rgb(148, 138, 124)}, {-55, Rgb(184, 170, 148)},
                   {-49, Rgb(160, 142, 118)}, {-44, Rgb(200, 188, 166)}, {-38, Rgb(226, 218, 200)},
                   {-31, Rgb(222, 212, 192)}, {-29, Rgb(172, 150, 124)}, {-26, Rgb(178, 156, 130)},
                   {-24, Rgb(230, 222, 204)}, {-21, Rgb(226, 216, 196)}, {-19, Rgb(156, 124, 96)},
                   {-14, Rgb(176, 148, 116)}, {-9, Rgb(150, 118, 90)},   {-7, Rgb(232, 224, 206)},
                   {0, Rgb(238, 228, 206)},   {6, Rgb(230, 220, 198)},   {8, Rgb(136, 106, 80)},
                   {13, Rgb(156, 124, 94)},   {18, Rgb(144, 112, 86)},   {20, Rgb(226, 216, 196)},
                   {23, Rgb(224, 214, 192)},  {25, Rgb(166, 140, 112)},  {30, Rgb(176, 150, 122)},
                   {32, Rgb(220, 208, 186)},  {37, Rgb(214, 202, 180)},  {39, Rgb(172, 152, 126)},
                   {43, Rgb(204, 190, 168)},  {50, Rgb(168, 152, 132)},  {56, Rgb(190, 178, 158)},
                   {64, Rgb(150, 140, 126)},  {90, Rgb(128, 122, 114)}};
  const float redLat = -22 * kDeg, redLon = 1.3f;
  PaintSphere(c, [&](const SpherePoint& sp) {
    Color col = Banded(sp, bands, 2.4f, 0.16f, 801);
    // The great red oval, with a pale collar and a swirl inside.
    float e, n;
    OvalOffset(sp, redLat, redLon, e, n);
    const float d = std::sqrt((e / 12.0f) * (e / 12.0f) + (n / 6.5f) * (n / 6.5f));
    const float ang = std::atan2(n / 6.5f, e / 12.0f) + 3.0f * d;
    const float swirl = 0.5f + 0.5f * std::sin(ang * 3.0f + Fbm(sp.p * 20.0f, 3, 802) * 2.0f);
    const float collar = Smoothstep(0.9f, 1.15f, d) * Smoothstep(1.5f, 1.15f, d);
    col = Mix(col, Rgb(236, 224, 204), collar * 0.7f);
    Color red = Mix(Rgb(180, 110, 80), Rgb(212, 156, 122), swirl * 0.6f + 0.4f * d);
    col = Mix(col, red, Smoothstep(1.0f, 0.8f, d));
    // A string of small white ovals in the southern temperate belt.
    for (int i = 0; i < 6; ++i) {
      float oe, on;
      const float size = 0.6f + 0.3f * ((i * 7) % 5);
      OvalOffset(sp, (-40 + 1.5f * ((i * 3) % 4)) * kDeg, 0.4f + 1.05f * i + 0.2f * (i % 2), oe,
                 on);
      const float od =
          std::sqrt((oe / (3.4f * size)) * (oe / (3.4f * size)) + (on / 2.2f) * (on / 2.2f));
      col = Mix(col, Rgb(242, 236, 222), Smoothstep(1.0f, 0.6f, od) * 0.85f);
    }
    return col;
  });
  return c;
}

Canvas Saturn(int w) {
  Canvas c(w, w / 2);
  // Pale and soft: butterscotch belts hardly darker than the cream zones, greying toward the
  // poles.
  const Ramp bands{{-90, Rgb(150, 154, 150)}, {-72, Rgb(178, 170, 142)}, {-60, Rgb(208, 190, 150)},
                   {-52, Rgb(198, 176, 136)}, {-42, Rgb(222, 204, 162)}, {-32, Rgb(206, 184, 142)},
                   {-24, Rgb(228, 212, 172)}, {-16, Rgb(214, 192, 148)}, {-7, Rgb(236, 224, 186)},
                   {7, Rgb(238, 226, 188)},   {14, Rgb(212, 188, 144)},  {22, Rgb(230, 214, 174)},
                   {32, Rgb(208, 186, 144)},  {42, Rgb(224, 206, 166)},  {54, Rgb(200, 180, 140)},
                   {64, Rgb(214, 198, 160)},  {76, Rgb(170, 168, 150)},  {90, Rgb(140, 148, 150)}};
  PaintSphere(c, [&](const SpherePoint& sp) { return Banded(sp, bands, 0.8f, 0.07f, 901); });
  return c;
}

Canvas Uranus(int w) {
  Canvas c(w, w / 2);
  const Ramp bands{{-90, Rgb(196, 236, 238)}, {-40, Rgb(170, 222, 228)}, {-20, Rgb(160, 214, 222)},
                   {0, Rgb(156, 210, 220)},   {20, Rgb(162, 216, 224)},  {45, Rgb(174, 224, 230)},
                   {90, Rgb(190, 232, 236)}};
  PaintSphere(c, [&](const SpherePoint& sp) { return Banded(sp, bands, 1.0f, 0.015f, 1001); });
  return c;
}

Canvas Neptune(int w) {
  Canvas c(w, w / 2);
  const Ramp bands{{-90, Rgb(70, 100, 200)}, {-60, Rgb(56, 86, 196)}, {-45, Rgb(42, 68, 176)},
                   {-30, Rgb(52, 84, 194)},  {-12, Rgb(46, 74, 184)}, {0, Rgb(58, 92, 204)},
                   {20, Rgb(48, 78, 188)},   {40, Rgb(58, 90, 200)},  {90, Rgb(72, 104, 206)}};
  const float spotLat = -22 * kDeg, spotLon = 2.2f;
  PaintSphere(c, [&](const SpherePoint& sp) {
    Color col = Banded(sp, bands, 2.0f, 0.05f, 1101);
    float e, n;
    OvalOffset(sp, spotLat, spotLon, e, n);
    const float d = std::sqrt((e / 13.0f) * (e / 13.0f) + (n / 6.0f) * (n / 6.0f));
    col = Mix(col, Rgb(22, 32, 104), Smoothstep(1.0f, 0.7f, d));
    // High white clouds: streaks beside the spot and along two southern and northern belts.
    const float streak = Fbm(Stretch(sp.p, 4.0f, 4.0f, 40.0f), 5, 1102);
    const float alat = sp.lat / kDeg;
    float white = Smoothstep(0.3f, 0.6f, streak) *
                  (std::exp(-(alat + 28) * (alat + 28) / 10.0f) * Smoothstep(40, 10, std::abs(e)) +
                   0.7f * std::exp(-(alat - 28) * (alat - 28) / 12.0f) +
                   0.6f * std::exp(-(alat + 68) * (alat + 68) / 8.0f));
    const float companion = std::sqrt((e + 4) * (e + 4) / 120.0f + (n + 8) * (n + 8) / 5.0f);
    white += 0.9f * Smoothstep(1.2f, 0.4f, companion) * Smoothstep(0.2f, 0.5f, streak + 0.3f);
    return Mix(col, Rgb(236, 242, 252), Clamp01(white));
  });
  return c;
}

// --- Pluto
// ----------------------------------------------------------------------------------------

Canvas Pluto(int w) {
  CraterSet set;
  set.count = 400;
  set.minRadius = 0.005f;
  set.maxRadius = 0.06f;
  set.freshFraction = 0.0f;
  set.seed = 121;
  return Cratered(w, set, 0.25f, [](const SpherePoint& sp, float, float relief) {
    const float n = Fbm(sp.p * 3.0f, 6, 1201);
    Color col = Mix(Rgb(196, 164, 124), Rgb(176, 140, 102), Clamp01(0.5f + n));
    // A dark reddish-brown belt along the equator, broken up by noise.
    const float belt = std::exp(-std::pow((sp.lat / kDeg + 8) / 16.0f, 2.0f));
    const float patches = Smoothstep(-0.1f, 0.2f, Fbm(sp.p * 2.5f, 6, 1202) + belt * 0.5f - 0.2f);
    col = Mix(col, Rgb(104, 58, 40), patches * belt);
    // A bright heart-shaped plain of nitrogen ice.
    const Vec3 q = Warp(sp.p, 3.0f, 0.08f, 1203);
    const SpherePoint wq{q, sp.lat, sp.lon};
    const float h1 = AngleTo(wq, 22 * kDeg, 3.0f) / (24 * kDeg);
    const float h2 = AngleTo(wq, 4 * kDeg, 3.55f) / (15 * kDeg);
    const float heart = Smoothstep(1.05f, 0.7f, std::min(h1, h2));
    col = Mix(col, Rgb(232, 216, 190), heart * 0.9f);
    col = Mix(col, Rgb(214, 200, 180), Smoothstep(55, 75, sp.lat / kDeg) * 0.6f);
    return Scale(col, 1.0f + (relief - 1.0f) * (1.0f - heart));
  });
}

// --- Io ("red.jpg"): sulphur plains and volcanoes
// -------------------------------------------------

Canvas Io(int w) {
  Canvas c(w, w / 2);
  PaintSphere(c, [&](const SpherePoint& sp) {
    const Vec3 q = Warp(sp.p, 2.0f, 0.3f, 1301);
    const float n = Fbm(q * 2.5f, 6, 1302);
    const float m = Fbm(sp.p * 6.0f, 5, 1303);
    const Ramp plain{{-1.0f, Rgb(186, 110, 44)},
                     {-0.35f, Rgb(214, 162, 64)},
                     {0.15f, Rgb(228, 206, 92)},
                     {0.6f, Rgb(234, 226, 160)},
                     {1.0f, Rgb(244, 240, 206)}};
    Color col = plain(n + 0.25f * m);
    const float alat = std::abs(sp.lat) / kDeg;
    col = Mix(col, Rgb(150, 96, 60), Smoothstep(45, 80, alat + 10 * m) * 0.7f);
    // Volcanic centres: dark calderas, some wrapped in red or orange deposit rings.
    const Cells v = Worley(sp.p * 6.0f, 1304);
    const std::uint32_t id = v.id;
    if (id % 5 < 3) {
      const float r = 0.035f + 0.05f * static_cast<float>((id >> 8) & 255) / 255.0f;
      const float d = v.f1 / r;
      if ((id >> 16) % 4 == 0) {
        const float ring = std::exp(-std::pow((d - 2.4f) / 0.5f, 2.0f));
        col = Mix(col, Rgb(196, 76, 36), ring * 0.8f);
      } else {
        col = Mix(col, Rgb(208, 110, 40), Smoothstep(2.5f, 1.0f, d) * 0.6f);
      }
      col = Mix(col, Rgb(44, 32, 22), Smoothstep(1.0f, 0.6f, d));
    }
    return col;
  });
  return c;
}

// --- Europa ("bluegreen.jpg"): cracked ice
// ------------------------------------------------------------

Canvas Europa(int w) {
  Canvas c(w, w / 2);
  std::vector<Vec3> arcs;
  Rng rng(14);
  for (int i = 0; i < 18; ++i) {
    const float z = rng.Range(-1, 1), a = rng.Range(0, 2 * kPi);
    const float s = std::sqrt(1 - z * z);
    arcs.push_back({s * std::cos(a), s * std::sin(a), z});
  }
  PaintSphere(c, [&](const SpherePoint& sp) {
    const float n = Fbm(sp.p * 2.0f, 6, 1401);
    Color col = Mix(Rgb(198, 224, 234), Rgb(236, 246, 250), Clamp01(0.5f + n));
    // Mottled chaos terrain.
    const float chaos = Smoothstep(0.25f, 0.5f, Fbm(sp.p * 3.0f, 6, 1402));
    col = Mix(col, Rgb(176, 160, 140), chaos * 0.5f);
    // Cracks at three scales, each a cell edge of a jittered lattice.
    float crack = 0;
    const float scales[3] = {3.0f, 7.0f, 16.0f};
    const Vec3 q = Warp(sp.p, 4.0f, 0.05f, 1410);
    for (int i = 0; i < 3; ++i) {
      const Cells cl = Worley(q * scales[i], 1420 + i);
      const float width = 0.03f + 0.015f * i;
      crack = std::max(crack, Smoothstep(width, 0.0f, cl.f2 - cl.f1) * (0.6f - 0.15f * i));
    }
    // Long double ridges along great circles.
    const float wob = 0.004f * Noise(sp.p * 30.0f, 1430);
    for (std::size_t i = 0; i < arcs.size(); ++i) {
      const float d = std::abs(Dot(sp.p, arcs[i]) + wob);
      const float gap = 0.0035f;
      if (d > 0.009f) continue;
      const float line =
          Smoothstep(0.0035f, 0.0f, std::abs(d - gap)) + 0.6f * Smoothstep(0.009f, 0.0f, d);
      // Each ridge runs only part of the way round.
      const float reach = Smoothstep(0.0f, 0.3f, Noise(sp.p * 1.5f, 1440 + i) + 0.1f);
      crack = std::max(crack, Clamp01(line) * reach * 0.85f);
    }
    return Mix(col, Rgb(150, 112, 90), crack * 0.65f);
  });
  return c;
}

}  // namespace

std::optional<Canvas> PaintBodyMap(const std::string& file, int width) {
  static const std::map<std::string, Canvas (*)(int)> painters{
      {"sun.jpg", Sun},          {"mercury.jpg", Mercury}, {"venus.jpg", Venus},
      {"earth.jpg", Earth},      {"mars.jpg", Mars},       {"jupiter.jpg", Jupiter},
      {"saturn.jpg", Saturn},    {"uranus.jpg", Uranus},   {"neptune.jpg", Neptune},
      {"pluto.jpg", Pluto},      {"moon.jpg", Moon},       {"red.jpg", Io},
      {"bluegreen.jpg", Europa}, {"grey.jpg", Grey}};
  const auto it = painters.find(file);
  if (it == painters.end()) return std::nullopt;
  return it->second(width);
}

}  // namespace zelmar::media
