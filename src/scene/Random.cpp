#include "scene/Random.h"

#include <chrono>

namespace zelmar {

namespace {
std::uint32_t seed = 0;
}

void Randomize() {
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  seed =
      static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() ^
                                 std::chrono::system_clock::now().time_since_epoch().count());
}

void RandSeed(std::uint32_t s) {
  seed = s;
}
std::uint32_t RandSeed() {
  return seed;
}

int Random(int n) {
  seed = seed * 0x08088405u + 1u;
  if (n <= 0) return 0;
  return static_cast<int>((static_cast<std::uint64_t>(seed) * static_cast<std::uint32_t>(n)) >> 32);
}

}  // namespace zelmar
