// A moon: a body that circles its parent planet. It starts on the line from the Sun through the
// parent whatever its Phase, and its brass arm turns about the parent's rod.
#pragma once

#include "scene/TWPlanet.h"

namespace zelmar {

class TWSattelite : public TWPlanet {
 public:
  using TWPlanet::TWPlanet;

  // The angle of the moon about its parent, t * OrbitRate + StartAngle, measured from the
  // Sun-parent line.
  float MoonAngle(TW9DirectX* DX) const;
  // Translation(Distance) . RotationY(MoonAngle) . Translation(Parent's Distance).
  TD3DMatrix MoonOrbit(TW9DirectX* DX) const;

  TD3DMatrix WorldMatrix(TW9DirectX* DX) const override;
  TD3DVector Centre(TW9DirectX* DX) const override;
  void DrawMount(TW9DirectX* DX) override;
  // The planet's brass form, then a sixth of its size.
  void MakeBrass(TWPool* Pool) override;

  // Set by scene assembly right after construction.
  TWPlanet* Parent = nullptr;
  // 0: every moon starts on the line from the Sun through its parent (beyond the parent, as a
  // full Moon); the sky of a day sets the Moon's from its elongation.
  float StartAngle = 0.0f;
};

}  // namespace zelmar
