// The program's one random generator: a 32-bit linear congruential generator, so that a run
// with a given seed (--seed) repeats exactly.
#pragma once

#include <cstdint>

namespace zelmar {

void Randomize();  // seeds from the clock
void RandSeed(std::uint32_t seed);
std::uint32_t RandSeed();
int Random(int n);  // 0 .. n - 1 (0 when n <= 0)

}  // namespace zelmar
