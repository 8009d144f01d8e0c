// Impact craters stamped into the height and brightness fields of an equirectangular map.
#pragma once

#include <cstdint>
#include <vector>

namespace zelmar::media {

struct CraterField {
  CraterField(int width, int height)
      : w(width),
        h(height),
        height(std::size_t(width) * height, 0.0f),
        bright(std::size_t(width) * height, 0.0f) {}
  int w, h;
  std::vector<float> height;  // relief in radians of the unit sphere
  std::vector<float> bright;  // extra albedo of fresh craters and their rays
};

struct CraterSet {
  int count = 0;
  float minRadius = 0.004f;  // angular radius, radians
  float maxRadius = 0.12f;
  float sizePower = 2.2f;      // larger: more small craters
  float freshFraction = 0.1f;  // share of craters with bright ejecta
  float rayFraction = 0.0f;    // share of the fresh ones that throw long rays
  std::uint64_t seed = 1;
};

void AddCraters(CraterField& field, const CraterSet& set);

}  // namespace zelmar::media
