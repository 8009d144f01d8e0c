// The lens flare: nine translucent textured squares strung along a line through the centre of
// the view, placed and faded by the Sun's offset from the view axis. The squares and their
// textures are items of the pool; the flare itself holds no device objects.
#pragma once

#include <array>

#include "scene/TD3DMath.h"

class TW9DirectX;
class TWObject;
class TWPool;
class TWTexture;

namespace zelmar {

class TWLensFlare {
 public:
  static constexpr int ElementCount = 9;

  // Adds the nine textures ("flare1.tga" .. "flare9.tga") and squares to the pool.
  explicit TWLensFlare(TWPool* Pool);

  // Draws the flare for a camera at Eye looking at Target, the Sun at the origin. Leaves the
  // flare's view transform, culling off, lighting on, blending on and its material set; a
  // flare too faint to change a pixel is not drawn and changes no state.
  void Render(const TD3DVector& Eye, const TD3DVector& Target, TW9DirectX* DX);

  // Where the flare's elements sit and how opaque they are for one camera: the Sun's offset
  // (kx, ky) in the flare's view plane and the opacity. Not Defined when the view has no
  // horizontal axis (looking straight up or down) or the Sun's offset has no value.
  struct TLayout {
    float kx = 0.0f;
    float ky = 0.0f;
    float Opacity = 0.0f;
    bool Defined = false;
  };
  static TLayout Layout(const TD3DVector& Eye, const TD3DVector& Target);
  // True when no element of that opacity changes a pixel: its alpha (at most twice the
  // opacity) stays below the alpha test's reference of 8, or is 0 without the test.
  static bool Invisible(float Opacity, bool AlphaTest);
  // Element I's place in the flare's view for that layout.
  TD3DVector ElementPosition(const TLayout& L, int I) const;

  std::array<TWTexture*, ElementCount> FlareTextures{};
  std::array<TWObject*, ElementCount> FlareElements{};
  std::array<float, ElementCount> FlarePositions{};
  TWPool* Pool = nullptr;
};

}  // namespace zelmar
