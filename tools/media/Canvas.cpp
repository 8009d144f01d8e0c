#include "media/Canvas.h"

#include <cmath>
#include <numbers>

namespace zelmar::media {

Color Ramp::operator()(float t) const {
  if (t <= stops_.front().first) return stops_.front().second;
  for (std::size_t i = 1; i < stops_.size(); ++i) {
    if (t <= stops_[i].first) {
      const auto& [p0, c0] = stops_[i - 1];
      const auto& [p1, c1] = stops_[i];
      return Mix(c0, c1, (t - p0) / (p1 - p0));
    }
  }
  return stops_.back().second;
}

void Canvas::Fill(const std::function<Color(int x, int y)>& f) {
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) At(x, y) = f(x, y);
}

QImage Canvas::ToImage(bool withAlpha) const {
  QImage img(w_, h_, withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  auto to8 = [](float v) { return static_cast<int>(std::lround(Clamp01(v) * 255.0f)); };
  for (int y = 0; y < h_; ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < w_; ++x) {
      const Color& c = At(x, y);
      line[x] = qRgba(to8(c.r), to8(c.g), to8(c.b), withAlpha ? to8(c.a) : 255);
    }
  }
  return img;
}

void PaintSphere(Canvas& c, const std::function<Color(const SpherePoint&)>& f) {
  const int w = c.Width(), h = c.Height();
  const float pi = std::numbers::pi_v<float>;
  std::vector<float> cosLon(w), sinLon(w);
  for (int x = 0; x < w; ++x) {
    const float lon = 2 * pi * (x + 0.5f) / w;
    cosLon[x] = std::cos(lon);
    sinLon[x] = std::sin(lon);
  }
  for (int y = 0; y < h; ++y) {
    const float colat = pi * (y + 0.5f) / h;
    const float s = std::sin(colat), z = std::cos(colat);
    SpherePoint sp;
    sp.lat = pi / 2 - colat;
    for (int x = 0; x < w; ++x) {
      sp.p = Vec3{s * cosLon[x], s * sinLon[x], z};
      sp.lon = 2 * pi * (x + 0.5f) / w;
      c.At(x, y) = f(sp);
    }
  }
}

std::vector<float> ReliefShade(const std::vector<float>& height, int w, int h, float strength) {
  std::vector<float> shade(height.size());
  const float pi = std::numbers::pi_v<float>;
  const float step = pi / h;  // radians per texel, both ways at the equator
  for (int y = 0; y < h; ++y) {
    const float s = std::max(std::sin(pi * (y + 0.5f) / h), 0.05f);
    const int yu = std::max(y - 1, 0), yd = std::min(y + 1, h - 1);
    for (int x = 0; x < w; ++x) {
      const int xl = (x + w - 1) % w, xr = (x + 1) % w;
      const float hx =
          (height[std::size_t(y) * w + xr] - height[std::size_t(y) * w + xl]) / (2 * step * s);
      const float hy =
          (height[std::size_t(yd) * w + x] - height[std::size_t(yu) * w + x]) / ((yd - yu) * step);
      shade[std::size_t(y) * w + x] = std::max(0.2f, 1.0f + strength * (hx + hy));
    }
  }
  return shade;
}

}  // namespace zelmar::media
