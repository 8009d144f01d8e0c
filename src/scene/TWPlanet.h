// One textured sphere of the scene: the Sun, a planet or (through TWSattelite) a moon. It works
// out where it stands and how it is turned from the framework's AppTime, and draws itself with
// the extra geometry of its display: a translucent shadow cone in Space, a rod and an arm in
// Brass. Meshes and textures are items of the pool; the body only refers to them.
#pragma once

#include <array>
#include <cstdint>

#include "platform/render/d3d9.h"
#include "scene/TD3DMath.h"
#include "scene/TPlanetStats.h"
#include "scene/ViewAngles.h"

class TW9DirectX;
class TWObject;
class TWObjects;
class TWPool;
class TWTexture;

namespace zelmar {

class TWPlanet {
 public:
  // Values from a catalogue row; Speed is the settings' PlanetSpeed, Quality their
  // ObjectQuality (0 fine .. 2 coarse). Draws the orbit's start angle from the program's
  // random generator.
  TWPlanet(TWObjects* Objects, float Speed, std::uint8_t Quality, bool Lit, int Diameter,
           int DistanceValue, int ViewDistance, float OrbitalPeriod, float RotationPeriod,
           float Tilt, bool HasShadow);
  virtual ~TWPlanet() = default;
  TWPlanet(const TWPlanet&) = delete;
  TWPlanet& operator=(const TWPlanet&) = delete;

  // The orbital angle t * OrbitRate + Phase at the framework's AppTime.
  float OrbitAngle(TW9DirectX* DX) const;
  TD3DMatrix OrbitRotation(TW9DirectX* DX) const;
  // A moon replaces these three; virtual so that a moon held as a planet still draws as one.
  virtual TD3DMatrix WorldMatrix(TW9DirectX* DX) const;
  virtual void DrawMount(TW9DirectX* DX);
  virtual void MakeBrass(TWPool* Pool);
  TD3DMatrix ShadowMatrix(TW9DirectX* DX) const;
  // Centre of the orbit's place: (Distance cos a, 0, -Distance sin a).
  TD3DVector Position(TW9DirectX* DX) const;
  // Where the sphere is drawn: Position for the Sun and planets, the place beside its parent
  // for a moon.
  virtual TD3DVector Centre(TW9DirectX* DX) const;

  // Level of detail by the eye's distance from the centre: beyond 600 the coarse mesh, beyond
  // 300 the medium one, else the fine one.
  TWObject* SelectMesh(TW9DirectX* DX, const TD3DVector& Eye);
  TWObject* MeshForDistance(float d) const;
  // These draw with the world transform the caller has set, inside the scene. Draw leaves
  // lighting at Lit and stage 1 disabled; DrawShadow leaves the alpha-test states as it set
  // them, and a cone that does not show touches no state.
  void Draw(TW9DirectX* DX, const TD3DVector& Eye);
  // Whether a device blends a night map in the same draw: a second stage that adds the night
  // texels weighted by the complement of the lit colour.
  static bool CanDrawNightSide(const D3DCAPS9& Caps);
  void DrawShadow(TW9DirectX* DX, const TD3DVector& Eye);
  // The alpha of the shadow cone for an eye: fades with the body's distance and the eye's
  // distance from the Sun, at most 0.8.
  float ShadowAlpha(const TD3DVector& Eye) const;
  // Whether the cone can change a pixel for that eye: far out it is too faint for the alpha
  // test (when the device has it). DrawShadow draws only such a cone.
  bool ShadowShows(TW9DirectX* DX, const TD3DVector& Eye) const;

  // Whether Other's disc, seen from Eye, wholly covers this body's disc (which one is nearer is
  // not tested).
  bool IsHiddenBy(TWPlanet* Other, const TD3DVector& Eye, TW9DirectX* DX);

  std::array<TWObject*, 3> Meshes{};  // 0 coarse, 1 medium, 2 fine
  TWObject* ShadowMesh = nullptr;     // only with HasShadow
  TWObject* RodMesh = nullptr;        // Brass only
  TWObject* ArmMesh = nullptr;        // Brass only
  bool OnMount = false;
  TWTexture* Texture = nullptr;
  // Lights of the dark side (Earth's cities), where a night map is installed; drawn only when
  // lit and the device can.
  TWTexture* NightTexture = nullptr;
  TWTexture* ShadowTexture = nullptr;
  TWTexture* RodTexture = nullptr;
  TWTexture* ArmTexture = nullptr;
  std::int32_t ViewDistance = 0;
  float Radius = 0.0f;
  float Distance = 0.0f;
  bool Lit = false;
  float SpinRate = 0.0f;
  float Tilt = 0.0f;
  float OrbitRate = 0.0f;
  TPlanetStats Stats;
  bool HasShadow = false;
  float Phase = 0.0f;

 protected:
  // The spin about the pole and the lean of the axis, kept fixed in space while the body
  // orbits at angle Orbit.
  TD3DMatrix SpinAndAxis(float t, float Orbit) const;
  // Resizes the three spheres to Radius.
  void ResizeMeshes();
  // Sets the rod and arm material, the rod's texture, and renders the rod.
  void DrawRod(TW9DirectX* DX, const D3DCOLORVALUE& Specular, float Power);

 private:
  // The effects' alpha test (greater or equal) is there on this device.
  static bool AlphaTestAvailable(TW9DirectX* DX);
};

// The lean of a body's axis from the upright pole, Tilt - pi/2: RotationX by it stands the
// sphere's pole (local z) along +y, then leans it by Tilt.
float AxisAngle(float Tilt);

}  // namespace zelmar
