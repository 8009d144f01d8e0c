// A planet's ring: a flat textured square with transparency, centred on the planet in its
// equatorial plane, turning once in that plane per orbit. Drawn translucent, unlit and from both
// sides, after the bodies. It borrows the level-of-detail spheres of an inner body, flattened
// into planes.
#pragma once

#include <cstdint>
#include <memory>

#include "scene/TWPlanet.h"

namespace zelmar {

class TWRing {
 public:
  // The inner body is always built at the finest quality, whatever Quality says.
  TWRing(TWObjects* Objects, float Speed, std::uint8_t Quality, bool Lit, int Diameter,
         TWPlanet* Parent);

  // The ring's texture, also the inner body's.
  void SetTexture(TWTexture* Value);
  // The brass form: after the parent's own MakeBrass, so that the ring follows its level orbit.
  void MakeBrass(TWPool* Pool);
  TD3DMatrix WorldMatrix(TW9DirectX* DX) const;
  // Draws with the world transform the caller has set. Leaves blending off, culling CCW,
  // lighting at Lit and the alpha-test states as set.
  void Draw(TW9DirectX* DX, const TD3DVector& Eye);

  std::unique_ptr<TWPlanet> Body;  // only its Meshes (the planes) and Radius are used
  TWPlanet* Parent = nullptr;
  TWTexture* Texture = nullptr;
  float Radius = 0.0f;  // half the side of the square
  bool Lit = false;

 private:
  // Each plane lies at its centre's z minus its z size: centred at z = Radius it lies at z = 0.
  void PlacePlanes();
};

}  // namespace zelmar
