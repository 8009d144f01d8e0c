#include "scene/TWSpace.h"

#include <numbers>

#include "engine/TW9DirectX.h"
#include "engine/TWPool.h"

namespace zelmar {

namespace {

struct TShape {
  TWDirectObjectType Type;
  D3DVECTOR Size;
  D3DVECTOR Position;
  float TextureFactor;
  const char* Texture;
};

// A plane lies on the face of the box Position +- Size that its kind names, so each plane's
// box sits just outside the room with that face on the room's side: walls at +-2800 and
// y -160 .. 960, floor at y -160, ceiling at y 888 (72 below the walls' top edge). Every
// plane kind faces the way that puts its front towards the room's middle.
constexpr TShape kRoom[TWSpace::rpCount] = {
    {dxotPlaneXY, {2800, 560, 2800}, {0, 400, 5600}, 1, "wall1.jpg"},
    {dxotPlaneXY2, {2800, 560, 2800}, {0, 400, -5600}, 1, "wall2.jpg"},
    {dxotPlaneZY, {2800, 560, 2800}, {5600, 400, 0}, 1, "wall3.jpg"},
    {dxotPlaneZY2, {2800, 560, 2800}, {-5600, 400, 0}, 1, "wall4.jpg"},
    {dxotPlaneXZ2, {2800, 2800, 2800}, {0, -2960, 0}, 100, "floor.jpg"},
    {dxotPlaneXZ, {2800, 2800, 2800}, {0, 3688, 0}, 1, "ceiling.jpg"},
    // The pedestal's cylinders lie along z here; Render stands them up.
    {dxotTube, {10, 10, 35}, {0, 0, 0}, 4, "floor.jpg"},
    {dxotTube, {5, 5, 5}, {0, 0, 0}, 1, "rod.jpg"},
    {dxotTube, {40, 40, 3}, {0, 0, 0}, 2, "floor.jpg"},
};

constexpr TShape kStars = {dxotEllipse, {100000, 100000, 100000}, {0, 0, 0}, 20, "nightsky.jpg"};
// The real sky is mapped once over the sphere; the faces are small enough that a star's place
// on a flat face is within a fraction of a texel of its place on the sphere.
constexpr TShape kRealStars = {dxotEllipse, {100000, 100000, 100000}, {0, 0, 0}, 1, "nightsky.jpg"};
constexpr int kRealSkySegments = 64;

// Segments round and along the pedestal's cylinders for object quality 0, 1 and 2.
constexpr int kPedestalSegments[] = {40, 25, 10};

// Turns a shape's z axis (the cylinders' and the sphere's poles) up: (x, y, z) -> (x, z, -y).
TD3DMatrix StandUp() {
  return MatrixRotationX(-std::numbers::pi_v<float> / 2);
}

TWObject* MakeObject(TWPool* Pool, const TShape& Shape, int Segments) {
  TWObject* Object = Pool->WObjects().Add();
  Object->SetObjectType(Shape.Type);
  Object->SetSize(Shape.Size);
  Object->SetPosition(Shape.Position);
  Object->SetSegmentsX(Segments);
  Object->SetSegmentsY(Segments);
  Object->SetSegmentsZ(Segments);
  Object->SetTextureFactor(Shape.TextureFactor);
  return Object;
}

// A texture item of its own even when another item already names the file: the floor's file
// is loaded once for the floor and once for each of two pedestal parts.
TWTexture* MakeTexture(TWPool* Pool, const char* FileName) {
  TWTexture* Texture = Pool->WTextures().Add();
  Texture->SetFileName(FileName);
  return Texture;
}

}  // namespace

TWSpace::TWSpace(TWPool* Pool, bool ABrass, std::uint8_t Quality, bool RealSky) : Brass(ABrass) {
  if (Brass)
    CreateRoom(Pool, Quality);
  else
    CreateStars(Pool, RealSky);
}

void TWSpace::CreateRoom(TWPool* Pool, std::uint8_t Quality) {
  for (int Part = rpWall1; Part < rpCount; ++Part) {
    int Segments = 1;
    if (Part >= rpColumn) Segments = Quality <= 2 ? kPedestalSegments[Quality] : 1;
    RoomObjects[Part] = MakeObject(Pool, kRoom[Part], Segments);
  }
  for (int Part = rpWall1; Part < rpCount; ++Part)
    RoomTextures[Part] = MakeTexture(Pool, kRoom[Part].Texture);
}

void TWSpace::CreateStars(TWPool* Pool, bool RealSky) {
  RoomObjects[rpStars] =
      RealSky ? MakeObject(Pool, kRealStars, kRealSkySegments) : MakeObject(Pool, kStars, 5);
  RoomTextures[rpStars] = MakeTexture(Pool, kStars.Texture);
}

void TWSpace::Render(TW9DirectX* DX, const TD3DVector& CameraPos) {
  IDirect3DDevice9* Device = DX ? DX->Device() : nullptr;
  if (!Device) return;
  const D3DMATERIAL9 White = DefaultMaterial(1, 1, 1);
  Device->SetMaterial(&White);
  if (Brass)
    RenderRoom(Device);
  else
    RenderStars(Device, CameraPos);
}

void TWSpace::RenderPart(IDirect3DDevice9* Device, TRoomPart Part) {
  TWTexture* Texture = RoomTextures[Part];
  Device->SetTexture(0, Texture ? Texture->Texture() : nullptr);
  if (RoomObjects[Part]) RoomObjects[Part]->Render();
}

void TWSpace::RenderRoom(IDirect3DDevice9* Device) {
  const D3DMATERIAL9 Dim = DefaultMaterial(0.4f, 0.4f, 0.4f);
  const D3DMATERIAL9 Bright = DefaultMaterial(0.8f, 0.8f, 0.8f);
  // The cap keeps the grey but takes the rods' tighter highlight; its specular colour is the
  // diffuse colour less 0.8, which is black for this grey.
  D3DMATERIAL9 Cap = Bright;
  Cap.Specular = {Cap.Diffuse.r - 0.8f, Cap.Diffuse.g - 0.8f, Cap.Diffuse.b - 0.8f, 0};
  Cap.Power = 25;

  Device->SetMaterial(&Dim);
  Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  const TD3DMatrix Identity = MatrixIdentity();
  Device->SetTransform(D3DTS_WORLD, &Identity);
  Device->SetRenderState(D3DRS_LIGHTING, TRUE);
  for (TRoomPart Part : {rpWall1, rpWall2, rpWall3, rpWall4, rpFloor, rpCeiling})
    RenderPart(Device, Part);

  // The pedestal stands under the Sun: column y -120 .. -50, cap -50 .. -40, base -128 .. -122.
  const TD3DMatrix Up = StandUp();
  const TD3DMatrix Column = Up * MatrixTranslation(0, -85, 0);
  const TD3DMatrix Top = Up * MatrixTranslation(0, -45, 0);
  const TD3DMatrix Foot = Up * MatrixTranslation(0, -125, 0);
  Device->SetMaterial(&Bright);
  Device->SetTransform(D3DTS_WORLD, &Column);
  RenderPart(Device, rpColumn);
  Device->SetMaterial(&Cap);
  Device->SetTransform(D3DTS_WORLD, &Top);
  RenderPart(Device, rpCap);
  Device->SetMaterial(&Dim);
  Device->SetTransform(D3DTS_WORLD, &Foot);
  RenderPart(Device, rpBase);
}

void TWSpace::RenderStars(IDirect3DDevice9* Device, const TD3DVector& CameraPos) {
  // The camera sits inside the sphere, whose triangles face outwards: draw their backs.
  Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  // Centred on the camera, the stars keep their place on screen as it travels: they are at
  // infinity.
  const TD3DMatrix World = StandUp() * MatrixTranslation(CameraPos.x, CameraPos.y, CameraPos.z);
  Device->SetTransform(D3DTS_WORLD, &World);
  // Everything else the scene draws lies far inside the sphere's faces, so nothing ever meets
  // the sky's depth: it is drawn without depth test or write, which spares both over the whole
  // screen and leaves the same depth buffer to the bodies (cleared, they test against 1).
  Device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  const TWTexture* Stars = RoomTextures[rpStars];
  if (Stars && Stars->Texture()) {
    Device->SetRenderState(D3DRS_LIGHTING, FALSE);
    RenderPart(Device, rpStars);
  } else {
    // Without its picture the sphere would be a white sky: it is drawn black instead, lit with
    // a material that gives back no light, so that it still hides what lies beyond it.
    const D3DMATERIAL9 Black{};
    Device->SetMaterial(&Black);
    Device->SetRenderState(D3DRS_LIGHTING, TRUE);
    RenderPart(Device, rpStars);
    Device->SetRenderState(D3DRS_LIGHTING, FALSE);
  }
  Device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

}  // namespace zelmar
