// Deterministic noise for the media generator: every value depends only on its inputs and a
// seed, so the same command always writes the same bytes.
#pragma once

#include <cstdint>

namespace zelmar::media {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, float s) {
  return {a.x * s, a.y * s, a.z * s};
}
inline float Dot(Vec3 a, Vec3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

std::uint32_t Hash(std::uint32_t x);
std::uint32_t Hash(int x, int y, int z, std::uint32_t seed);
// Uniform in [0, 1).
float HashUnit(int x, int y, int z, std::uint32_t seed);

// Gradient noise in about [-1, 1].
float Noise(Vec3 p, std::uint32_t seed);
// Fractal sum of Noise, normalised to about [-1, 1].
float Fbm(Vec3 p, int octaves, std::uint32_t seed, float gain = 0.5f);
// 1 - |noise| summed: sharp crests, in about [0, 1].
float Ridged(Vec3 p, int octaves, std::uint32_t seed);

struct Cells {
  float f1 = 0;          // distance to the nearest feature point
  float f2 = 0;          // distance to the second nearest
  std::uint32_t id = 0;  // hash of the nearest point's cell
};
Cells Worley(Vec3 p, std::uint32_t seed);

// Noise that repeats every `periodX` lattice units in x and `periodY` in y, for images that
// must tile.
float TileNoise(float x, float y, int periodX, int periodY, std::uint32_t seed);
// Fractal tiling noise of a point in the unit square; `period` lattice cells on the first
// octave, doubled each octave, so every octave tiles the square.
float TileFbm(float u, float v, int period, int octaves, std::uint32_t seed, float gain = 0.5f);

// Small deterministic generator for placing things (stars, craters, planks).
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next();
  float Unit();  // [0, 1)
  float Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }

 private:
  std::uint64_t state_;
};

}  // namespace zelmar::media
