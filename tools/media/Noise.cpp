#include "media/Noise.h"

#include <cmath>

namespace zelmar::media {

namespace {

float Fade(float t) {
  return t * t * t * (t * (t * 6 - 15) + 10);
}
float Lerp(float a, float b, float t) {
  return a + (b - a) * t;
}

// The twelve edge directions of a cube, as in classic gradient noise.
float Grad(std::uint32_t h, float x, float y, float z) {
  switch (h % 12) {
    case 0:
      return x + y;
    case 1:
      return -x + y;
    case 2:
      return x - y;
    case 3:
      return -x - y;
    case 4:
      return x + z;
    case 5:
      return -x + z;
    case 6:
      return x - z;
    case 7:
      return -x - z;
    case 8:
      return y + z;
    case 9:
      return -y + z;
    case 10:
      return y - z;
    default:
      return -y - z;
  }
}

int Wrap(int i, int period) {
  int r = i % period;
  return r < 0 ? r + period : r;
}

// Gradient noise on a lattice whose x and y indices are taken modulo the periods (0: none).
float LatticeNoise(float x, float y, float z, int px, int py, std::uint32_t seed) {
  const float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy), iz = static_cast<int>(fz);
  const float dx = x - fx, dy = y - fy, dz = z - fz;
  const float u = Fade(dx), v = Fade(dy), w = Fade(dz);
  auto corner = [&](int cx, int cy, int cz) {
    int gx = ix + cx, gy = iy + cy;
    if (px > 0) gx = Wrap(gx, px);
    if (py > 0) gy = Wrap(gy, py);
    return Grad(Hash(gx, gy, iz + cz, seed), dx - cx, dy - cy, dz - cz);
  };
  const float x00 = Lerp(corner(0, 0, 0), corner(1, 0, 0), u);
  const float x10 = Lerp(corner(0, 1, 0), corner(1, 1, 0), u);
  const float x01 = Lerp(corner(0, 0, 1), corner(1, 0, 1), u);
  const float x11 = Lerp(corner(0, 1, 1), corner(1, 1, 1), u);
  return Lerp(Lerp(x00, x10, v), Lerp(x01, x11, v), w);
}

}  // namespace

std::uint32_t Hash(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

std::uint32_t Hash(int x, int y, int z, std::uint32_t seed) {
  // One mixing round over a linear combination is enough for lattice noise and four times
  // cheaper than hashing each coordinate in turn.
  return Hash(seed * 0x9e3779b9U + static_cast<std::uint32_t>(x) * 0x85ebca6bU +
              static_cast<std::uint32_t>(y) * 0xc2b2ae35U +
              static_cast<std::uint32_t>(z) * 0x27d4eb2fU);
}

float HashUnit(int x, int y, int z, std::uint32_t seed) {
  return static_cast<float>(Hash(x, y, z, seed) >> 8) * (1.0f / 16777216.0f);
}

float Noise(Vec3 p, std::uint32_t seed) {
  return LatticeNoise(p.x, p.y, p.z, 0, 0, seed);
}

float Fbm(Vec3 p, int octaves, std::uint32_t seed, float gain) {
  float sum = 0, amp = 1, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * Noise(p, seed + static_cast<std::uint32_t>(i) * 1013U);
    norm += amp;
    amp *= gain;
    // A slight turn per octave keeps the lattice axes from lining up.
    p = Vec3{p.x * 1.6f + p.z * 1.2f, p.y * 2.0f, p.z * 1.6f - p.x * 1.2f};
  }
  return sum / norm * 1.6f;
}

float Ridged(Vec3 p, int octaves, std::uint32_t seed) {
  float sum = 0, amp = 1, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    float n = 1.0f - std::abs(Noise(p, seed + static_cast<std::uint32_t>(i) * 7919U));
    sum += amp * n * n;
    norm += amp;
    amp *= 0.5f;
    p = Vec3{p.x * 1.6f + p.z * 1.2f, p.y * 2.0f, p.z * 1.6f - p.x * 1.2f};
  }
  return sum / norm;
}

Cells Worley(Vec3 p, std::uint32_t seed) {
  const int ix = static_cast<int>(std::floor(p.x));
  const int iy = static_cast<int>(std::floor(p.y));
  const int iz = static_cast<int>(std::floor(p.z));
  Cells c;
  float d1 = 1e9f, d2 = 1e9f;
  for (int k = -1; k <= 1; ++k) {
    for (int j = -1; j <= 1; ++j) {
      for (int i = -1; i <= 1; ++i) {
        const std::uint32_t h = Hash(ix + i, iy + j, iz + k, seed);
        const Vec3 q{ix + i + static_cast<float>(h & 0x3ff) / 1024.0f,
                     iy + j + static_cast<float>((h >> 10) & 0x3ff) / 1024.0f,
                     iz + k + static_cast<float>((h >> 20) & 0x3ff) / 1024.0f};
        const Vec3 d = q - p;
        const float dd = Dot(d, d);
        if (dd < d1) {
          d2 = d1;
          d1 = dd;
          c.id = h;
        } else if (dd < d2) {
          d2 = dd;
        }
      }
    }
  }
  c.f1 = std::sqrt(d1);
  c.f2 = std::sqrt(d2);
  return c;
}

float TileNoise(float x, float y, int periodX, int periodY, std::uint32_t seed) {
  return LatticeNoise(x, y, 0.5f, periodX, periodY, seed);
}

float TileFbm(float u, float v, int period, int octaves, std::uint32_t seed, float gain) {
  float sum = 0, amp = 1, norm = 0;
  int p = period;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * TileNoise(u * p, v * p, p, p, seed + static_cast<std::uint32_t>(i) * 1013U);
    norm += amp;
    amp *= gain;
    p *= 2;
  }
  return sum / norm * 1.6f;
}

std::uint64_t Rng::Next() {
  // splitmix64
  std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

float Rng::Unit() {
  return static_cast<float>(Next() >> 40) * (1.0f / 16777216.0f);
}

}  // namespace zelmar::media
