#include "shell/realmaps/SkyImage.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zelmar::real_maps {

namespace {

constexpr double kRadians = std::numbers::pi / 180.0;

// The figures' lines: a dim blue that never outshines a faint star, thin, and stopping short
// of the stars they join so that each star stands clear.
constexpr float kLine[3] = {0.15f, 0.23f, 0.40f};
constexpr double kLineSpread = 0.02;  // degrees
constexpr double kLineGap = 0.45;     // degrees
// No spot is narrower than this many texels: a thinner one would flicker as the sky turns.
constexpr double kMinSpread = 0.5;

struct TVector {
  double X, Y, Z;
};

TVector Unit(const TEquatorial& p) {
  const double a = p.Ra * kRadians, d = p.Dec * kRadians;
  return {std::cos(d) * std::cos(a), std::cos(d) * std::sin(a), std::sin(d)};
}

TEquatorial PlaceOf(const TVector& v) {
  double ra = std::atan2(v.Y, v.X) / kRadians;
  if (ra < 0) ra += 360;
  return {ra, std::asin(std::clamp(v.Z, -1.0, 1.0)) / kRadians};
}

// A round spot of light on the sphere, sigma texels across its latitude: wider in the texture
// towards the poles, where a texel covers less sky. Added to the picture, or only brightening
// it (lines that cross or overlap do not add up).
void Spot(QImage& img, const TEcliptic& place, double sigma, float peak, const float rgb[3],
          bool add) {
  const int w = img.width(), h = img.height();
  const TTexel c = SkyTexel(place, w);
  const double sy = sigma;
  const double sx = std::min(sigma / std::max(std::cos(place.Lat * kRadians), 1e-6), w / 8.0);
  const int x0 = static_cast<int>(std::floor(c.X - 3 * sx)),
            x1 = static_cast<int>(std::ceil(c.X + 3 * sx));
  const int y0 = std::max(0, static_cast<int>(std::floor(c.Y - 3 * sy))),
            y1 = std::min(h - 1, static_cast<int>(std::ceil(c.Y + 3 * sy)));
  for (int y = y0; y <= y1; ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    const double dy = (y + 0.5 - c.Y) / sy;
    for (int x = x0; x <= x1; ++x) {
      const double dx = (x + 0.5 - c.X) / sx;
      const float weight = static_cast<float>(std::exp(-0.5 * (dx * dx + dy * dy))) * peak;
      if (weight < 1.0f / 512) continue;
      QRgb& texel = row[((x % w) + w) % w];
      int channel[3] = {qRed(texel), qGreen(texel), qBlue(texel)};
      for (int i = 0; i < 3; ++i) {
        const int v = static_cast<int>(std::lround(weight * rgb[i] * 255));
        channel[i] = add ? std::min(255, channel[i] + v) : std::max(channel[i], v);
      }
      texel = qRgb(channel[0], channel[1], channel[2]);
    }
  }
}

// The great circle between the two stars, dotted finer than a texel.
void PaintLine(QImage& img, const TFigureLine& line) {
  const TVector a = Unit(line.From), b = Unit(line.To);
  const double cosine = std::clamp(a.X * b.X + a.Y * b.Y + a.Z * b.Z, -1.0, 1.0);
  const double angle = std::acos(cosine) / kRadians;
  const double gap = kLineGap;
  if (angle <= 2 * gap) return;
  const double texel = 360.0 / img.width();
  const double sigma = std::max(kMinSpread, kLineSpread / texel);
  const double sine = std::sin(angle * kRadians);
  const int steps = static_cast<int>(std::ceil(angle / (0.4 * texel)));
  for (int i = 0; i <= steps; ++i) {
    const double along = angle * i / steps;
    if (along < gap || angle - along < gap) continue;
    const double fa = std::sin((angle - along) * kRadians) / sine,
                 fb = std::sin(along * kRadians) / sine;
    const TVector p{fa * a.X + fb * b.X, fa * a.Y + fb * b.Y, fa * a.Z + fb * b.Z};
    Spot(img, ToEcliptic(PlaceOf(p)), sigma, 1.0f, kLine, false);
  }
}

}  // namespace

TTexel SkyTexel(const TEcliptic& place, int w) {
  double u = 1.0 - (place.Lon + 90.0) / 360.0;
  u -= std::floor(u);
  return {u * w, (90.0 + place.Lat) / 180.0 * (w / 2)};
}

QImage PaintSky(const std::vector<TStar>& stars, const std::vector<TFigureLine>& figures, int w) {
  QImage img(w, std::max(1, w / 2), QImage::Format_RGB32);
  img.fill(Qt::black);
  for (const TFigureLine& line : figures) PaintLine(img, line);
  const double texel = 360.0 / w;
  for (const TStar& star : stars) {
    const TStarLook look = StarLook(star.Magnitude);
    const TStarColour c = StarColour(star.ColourIndex);
    const float rgb[3] = {c.R, c.G, c.B};
    Spot(img, ToEcliptic(star.Place), std::max(kMinSpread, look.Spread / texel), look.Peak, rgb,
         true);
  }
  return img;
}

}  // namespace zelmar::real_maps
