// The scene's blended effects (flare, shadow cones) draw with the alpha test at reference 8,
// greater or equal: one whose strongest alpha cannot reach it leaves every pixel as it was, and
// is left out rather than paid for over its whole area.
#pragma once

namespace zelmar {

constexpr unsigned char kEffectAlphaRef = 8;

// True when no pixel of alpha at most MaxAlpha (0..1) passes the test: the test compares
// 8-bit values, and below 7.5 of 255 rounds to at most 7 (7 leaves room for rounding). Without
// the test (a device that cannot compare that way) only alpha 0 leaves the picture unchanged.
constexpr bool NoPixelPasses(float MaxAlpha, bool AlphaTest) {
  return AlphaTest ? MaxAlpha * 255.0f < 7.0f : MaxAlpha <= 0.0f;
}

}  // namespace zelmar
