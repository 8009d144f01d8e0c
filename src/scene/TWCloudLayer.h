// A planet's cloud layer: a sphere just above its surface wearing a map whose alpha is the
// cloud cover, lit like the ground and drawn translucent after the bodies, turning slowly
// about the planet's pole against the ground. Built only where a cloud map is installed.
#pragma once

#include <array>
#include <cstdint>

#include "scene/TD3DMath.h"

class TW9DirectX;
class TWObject;
class TWObjects;
class TWTexture;

namespace zelmar {

class TWPlanet;

class TWCloudLayer {
 public:
  // After the ground's own shape is final (its brass form included): the layer takes its
  // radius and its meshes' segments.
  TWCloudLayer(TWObjects* Objects, TWPlanet* Ground);

  // The ground's world transform with the layer's own slow turn about the pole first.
  TD3DMatrix WorldMatrix(TW9DirectX* DX) const;
  // The mesh of the ground's level of detail for that eye.
  TWObject* SelectMesh(TW9DirectX* DX, const TD3DVector& Eye) const;
  // Draws with the world transform the caller has set, inside the scene: blended over what is
  // drawn, without writing depth (the bodies and moons behind the thin edge still show).
  // Leaves blending off, depth writes on and lighting on.
  void Draw(TW9DirectX* DX, const TD3DVector& Eye);

  // How far above the ground the layer floats, as a share of its radius.
  static constexpr float kHeight = 0.01f;
  // The layer turns about the pole this share of the ground's spin faster than the ground.
  static constexpr float kDrift = 1.0f / 30.0f;

  TWPlanet* Ground = nullptr;
  std::array<TWObject*, 3> Meshes{};  // 0 coarse, 1 medium, 2 fine, as the ground's
  TWTexture* Texture = nullptr;
  float Radius = 0.0f;
};

}  // namespace zelmar
