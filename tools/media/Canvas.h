// A floating-point RGBA picture the painters draw into before it becomes a QImage.
#pragma once

#include <QImage>
#include <algorithm>
#include <functional>
#include <vector>

#include "media/Noise.h"

namespace zelmar::media {

struct Color {
  float r = 0, g = 0, b = 0, a = 1;
};

inline Color Rgb(int r, int g, int b, float a = 1) {
  return {r / 255.0f, g / 255.0f, b / 255.0f, a};
}
inline float Clamp01(float v) {
  return std::clamp(v, 0.0f, 1.0f);
}
inline float Smoothstep(float e0, float e1, float x) {
  const float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}
inline Color Mix(Color a, Color b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
          a.a + (b.a - a.a) * t};
}
inline Color Scale(Color c, float s) {
  return {c.r * s, c.g * s, c.b * s, c.a};
}
inline Color Add(Color a, Color b) {
  return {a.r + b.r, a.g + b.g, a.b + b.b, a.a};
}

// Piecewise-linear colour ramp over stops sorted by position.
class Ramp {
 public:
  Ramp(std::initializer_list<std::pair<float, Color>> stops) : stops_(stops) {}
  Color operator()(float t) const;

 private:
  std::vector<std::pair<float, Color>> stops_;
};

class Canvas {
 public:
  Canvas(int width, int height) : w_(width), h_(height), px_(std::size_t(width) * height) {}
  int Width() const { return w_; }
  int Height() const { return h_; }
  Color& At(int x, int y) { return px_[std::size_t(y) * w_ + x]; }
  const Color& At(int x, int y) const { return px_[std::size_t(y) * w_ + x]; }

  // Calls f(x, y) for every pixel, row by row.
  void Fill(const std::function<Color(int x, int y)>& f);
  // Flat rendering: alpha is dropped (RGB32); with alpha: ARGB32 straight alpha.
  QImage ToImage(bool withAlpha) const;

 private:
  int w_, h_;
  std::vector<Color> px_;
};

// One texel of an equirectangular (longitude x colatitude) map: row 0 is the north pole, and
// the point's direction on the unit sphere makes every noise seamless across the wrap column
// and free of pinching at the poles.
struct SpherePoint {
  Vec3 p;     // unit vector, z toward the north pole
  float lat;  // radians, +pi/2 at the north pole
  float lon;  // radians, 0 .. 2 pi
};

void PaintSphere(Canvas& c, const std::function<Color(const SpherePoint&)>& f);

// Shades a height field (one value per texel of an equirectangular map) as relief lit from
// the upper left: returns the brightness factor per texel.
std::vector<float> ReliefShade(const std::vector<float>& height, int w, int h, float strength);

}  // namespace zelmar::media
