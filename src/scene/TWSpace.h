// The scene's backdrop, drawn first in every frame: in the Brass display the room the model
// stands in (four walls, floor, ceiling and the three-cylinder pedestal under the Sun), in the
// Space display a star sphere that travels with the camera. Its shapes and textures are items
// of the pool, which builds and loads them through the device's phases; the backdrop itself
// holds no device object.
#pragma once

#include <array>
#include <cstdint>

#include "engine/TWObjects.h"
#include "engine/TWTextures.h"
#include "scene/TD3DMath.h"

class TW9DirectX;
class TWPool;

namespace zelmar {

class TWSpace {
 public:
  // Slots of RoomObjects and RoomTextures. The Space display uses slot 0 for the sphere.
  enum TRoomPart {
    rpWall1,
    rpWall2,
    rpWall3,
    rpWall4,
    rpFloor,
    rpCeiling,
    rpColumn,
    rpCap,
    rpBase,
    rpCount,
    rpStars = 0,
  };

  // Quality 0 (high), 1 (medium) or 2 (low) sets the pedestal's segment counts; any other
  // value leaves them as a new object has them. RealSky: the sky's texture holds the whole sky
  // once (u the ecliptic longitude, v the latitude) rather than a tile of generated stars.
  TWSpace(TWPool* Pool, bool Brass, std::uint8_t Quality, bool RealSky = false);

  // Draws the backdrop with the device's current view and projection. It leaves the world
  // transform, material and texture changed; the room leaves culling CCW and lighting on, the
  // sky leaves culling CCW, lighting off and the depth test on.
  void Render(TW9DirectX* DX, const TD3DVector& CameraPos);

  // The sky's coarse sphere keeps every face at least this far from the eye: what the scene
  // draws must stay nearer, as the sky is drawn without depth.
  static constexpr float kSkyNearest = 50000.0f;

  // Slots beyond those the display uses stay empty.
  std::array<TWObject*, rpCount> RoomObjects{};
  std::array<TWTexture*, rpCount> RoomTextures{};
  bool Brass = false;

 private:
  void CreateRoom(TWPool* Pool, std::uint8_t Quality);
  void CreateStars(TWPool* Pool, bool RealSky);
  void RenderRoom(IDirect3DDevice9* Device);
  void RenderStars(IDirect3DDevice9* Device, const TD3DVector& CameraPos);
  void RenderPart(IDirect3DDevice9* Device, TRoomPart Part);
};

}  // namespace zelmar
