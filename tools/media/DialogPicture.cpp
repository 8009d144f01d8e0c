#include "media/DialogPicture.h"

#include <QPainter>
#include <cmath>
#include <numbers>

#include "media/Canvas.h"
#include "media/Noise.h"

namespace zelmar::media {

namespace {

constexpr int kSuper = 3;  // drawn at three times the size, then scaled down smoothly
constexpr float kPi = std::numbers::pi_v<float>;

struct Body {
  const char* map;
  float x, y, r;  // in dialog pixels
  QRgb plain;
};

QRgb Sample(const QImage* map, float lat, float lon, QRgb plain) {
  if (!map || map->isNull()) return plain;
  float u = lon / (2 * kPi);
  u -= std::floor(u);
  const float v = 0.5f - lat / kPi;
  const int x = std::clamp(static_cast<int>(u * map->width()), 0, map->width() - 1);
  const int y = std::clamp(static_cast<int>(v * map->height()), 0, map->height() - 1);
  return map->pixel(x, y);
}

void Blend(QImage& img, int x, int y, QRgb c, float a) {
  if (x < 0 || y < 0 || x >= img.width() || y >= img.height() || a <= 0) return;
  const QRgb d = img.pixel(x, y);
  auto mix = [a](int s, int t) { return static_cast<int>(std::lround(t + (s - t) * a)); };
  img.setPixel(x, y,
               qRgb(mix(qRed(c), qRed(d)), mix(qGreen(c), qGreen(d)), mix(qBlue(c), qBlue(d))));
}

// A lit sphere with its pole tilted toward the viewer a little; `sun` is where the light
// comes from, in picture coordinates.
void DrawSphere(QImage& img, const QImage* map, const Body& b, QPointF sun, bool lit) {
  const float cx = b.x * kSuper, cy = b.y * kSuper, r = b.r * kSuper;
  float lx = sun.x() * kSuper - cx, ly = sun.y() * kSuper - cy, lz = r * 1.5f;
  const float ll = std::sqrt(lx * lx + ly * ly + lz * lz);
  lx /= ll, ly /= ll, lz /= ll;
  const float tilt = 0.35f;
  for (int y = static_cast<int>(cy - r) - 1; y <= static_cast<int>(cy + r) + 1; ++y) {
    for (int x = static_cast<int>(cx - r) - 1; x <= static_cast<int>(cx + r) + 1; ++x) {
      const float nx = (x + 0.5f - cx) / r, ny = (y + 0.5f - cy) / r;
      const float d2 = nx * nx + ny * ny;
      if (d2 > 1.0f) continue;
      const float nz = std::sqrt(1.0f - d2);
      // Turn the view normal into the body's frame (pole tilted toward the viewer).
      const float py = -ny * std::cos(tilt) + nz * std::sin(tilt);
      const float pz = ny * std::sin(tilt) + nz * std::cos(tilt);
      const float lat = std::asin(std::clamp(py, -1.0f, 1.0f));
      const float lon = std::atan2(nx, pz) + 2.0f;
      const QRgb c = Sample(map, lat, lon, b.plain);
      float shade = 1.0f;
      if (lit) shade = std::clamp(0.04f + 1.1f * (nx * lx + ny * ly + nz * lz), 0.0f, 1.0f);
      const QRgb s = qRgb(std::min(255, static_cast<int>(qRed(c) * shade)),
                          std::min(255, static_cast<int>(qGreen(c) * shade)),
                          std::min(255, static_cast<int>(qBlue(c) * shade)));
      Blend(img, x, y, s, 1.0f);
    }
  }
}

// Saturn's ring as an ellipse: `front` draws the near half, otherwise the far half.
void DrawRing(QImage& img, const QImage* ring, const Body& b, bool front) {
  if (!ring || ring->isNull()) return;
  const float cx = b.x * kSuper, cy = b.y * kSuper, R = b.r * kSuper * 2.4f;
  const float squash = 0.32f, slant = -0.25f;
  for (int y = static_cast<int>(cy - R) - 1; y <= static_cast<int>(cy + R) + 1; ++y) {
    for (int x = static_cast<int>(cx - R) - 1; x <= static_cast<int>(cx + R) + 1; ++x) {
      const float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
      // Undo the slant, then the squash, to find the point in the ring's own plane.
      const float rx = dx * std::cos(slant) + dy * std::sin(slant);
      const float ry = (-dx * std::sin(slant) + dy * std::cos(slant)) / squash;
      if ((ry > 0) != front) continue;
      const int u = static_cast<int>((rx / R * 0.5f + 0.5f) * ring->width());
      const int v = static_cast<int>((ry / R * 0.5f + 0.5f) * ring->height());
      if (u < 0 || v < 0 || u >= ring->width() || v >= ring->height()) continue;
      const QRgb c = ring->pixel(u, v);
      Blend(img, x, y, c, qAlpha(c) / 255.0f);
    }
  }
}

}  // namespace

QImage PaintDialogPicture(const std::map<std::string, QImage>& maps) {
  const int w = kDialogWidth * kSuper, h = kDialogHeight * kSuper;
  auto find = [&](const char* name) -> const QImage* {
    const auto it = maps.find(name);
    return it == maps.end() ? nullptr : &it->second;
  };
  const QPointF sun(-8, 70);
  const float sunR = 46;

  // Sky and the Sun's glow.
  Canvas sky(w, h);
  sky.Fill([&](int x, int y) {
    const float dx = (x + 0.5f) / kSuper - sun.x(), dy = (y + 0.5f) / kSuper - sun.y();
    const float d = std::sqrt(dx * dx + dy * dy) / sunR;
    const float glow = std::exp(-(d - 1.0f) * 2.2f) * 0.75f;
    return Mix(Rgb(3, 4, 12), Rgb(255, 170, 70), Clamp01(glow));
  });
  QImage img = sky.ToImage(false);
  Rng rng(3001);
  for (int i = 0; i < 260; ++i) {
    const int x = rng.Below(w), y = rng.Below(h);
    const float b = 0.3f + 0.7f * std::pow(rng.Unit(), 3.0f);
    const int v = static_cast<int>(b * 255);
    for (int dy = 0; dy < 2; ++dy)
      for (int dx = 0; dx < 2; ++dx) Blend(img, x + dx, y + dy, qRgb(v, v, v), 0.9f);
  }

  const Body bodies[] = {{"mercury.jpg", 58, 86, 2.6f, qRgb(150, 140, 130)},
                         {"venus.jpg", 74, 52, 4.2f, qRgb(230, 210, 160)},
                         {"earth.jpg", 94, 108, 5.0f, qRgb(60, 110, 190)},
                         {"mars.jpg", 111, 40, 3.6f, qRgb(190, 100, 60)},
                         {"jupiter.jpg", 142, 130, 15.0f, qRgb(210, 180, 140)},
                         {"saturn.jpg", 175, 42, 11.0f, qRgb(220, 200, 150)},
                         {"neptune.jpg", 198, 160, 5.0f, qRgb(60, 90, 200)}};

  // Orbits: ellipses round the Sun, seen from a little above.
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(140, 160, 210, 90), 0.8 * kSuper));
    for (const Body& b : bodies) {
      const double dx = b.x - sun.x(), dy = (b.y - sun.y()) / 0.55;
      const double rr = std::sqrt(dx * dx + dy * dy);
      p.drawEllipse(QPointF(sun.x() * kSuper, sun.y() * kSuper), rr * kSuper, rr * 0.55 * kSuper);
    }
  }

  DrawSphere(img, find("sun.jpg"),
             Body{"sun.jpg", float(sun.x()), float(sun.y()), sunR, qRgb(255, 200, 80)}, sun, false);
  for (const Body& b : bodies) {
    const bool ringed = std::string(b.map) == "saturn.jpg";
    if (ringed) DrawRing(img, find("saturnRings.tga"), b, false);
    DrawSphere(img, find(b.map), b, sun, true);
    if (ringed) DrawRing(img, find("saturnRings.tga"), b, true);
  }
  return img.scaled(kDialogWidth, kDialogHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace zelmar::media
