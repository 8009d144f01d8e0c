#include "scene/TWRing.h"

#include <cmath>

#include "engine/TW9DirectX.h"
#include "engine/TWObjects.h"
#include "engine/TWTextures.h"

namespace zelmar {

TWRing::TWRing(TWObjects* Objects, float Speed, std::uint8_t /*Quality*/, bool ALit, int Diameter,
               TWPlanet* AParent)
    : Parent(AParent) {
  // Only the planes and the radius of the inner body count; its motion values are never used.
  Body = std::make_unique<TWPlanet>(
      Objects, Speed, std::uint8_t{2}, ALit, Diameter,
      static_cast<int>(std::nearbyint(static_cast<double>(Parent->Distance) * 500.0)),
      Parent->ViewDistance, 0.0f, 0.0f, Parent->Tilt, false);
  Radius = Body->Radius;
  for (TWObject* Plane : Body->Meshes) Plane->SetObjectType(dxotPlaneXY);
  PlacePlanes();
  Lit = ALit;
}

void TWRing::PlacePlanes() {
  for (TWObject* Plane : Body->Meshes) Plane->SetPosition({0.0f, 0.0f, Radius});
}

void TWRing::SetTexture(TWTexture* Value) {
  Texture = Value;
  Body->Texture = Value;
}

void TWRing::MakeBrass(TWPool* Pool) {
  Body->MakeBrass(Pool);
  Radius = Body->Radius;
  PlacePlanes();
}

TD3DMatrix TWRing::WorldMatrix(TW9DirectX* DX) const {
  // The parent's world transform with its spin replaced by a turn of the orbital angle about
  // the ring's axis.
  const float Theta = Parent->OrbitAngle(DX);
  return MatrixRotationZ(Theta) * MatrixRotationX(AxisAngle(Parent->Tilt)) *
         MatrixRotationY(-Theta) * MatrixTranslation(Parent->Distance, 0.0f, 0.0f) *
         MatrixRotationY(Theta);
}

void TWRing::Draw(TW9DirectX* DX, const TD3DVector& Eye) {
  IDirect3DDevice9* Device = DX->Device();
  if (!Device) return;
  Device->SetTexture(0, Texture ? Texture->Texture() : nullptr);
  Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  Device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  Device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  Device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  Device->SetRenderState(D3DRS_LIGHTING, FALSE);
  // Nearly transparent texels are not drawn at all where the device can test alpha.
  if (DX->Caps().AlphaCmpCaps & D3DPCMPCAPS_GREATEREQUAL) {
    Device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    Device->SetRenderState(D3DRS_ALPHAREF, 8);
    Device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  }
  Device->SetRenderState(D3DRS_LIGHTING, Lit);
  // The planes' level of detail follows the distance to the planet they circle.
  Body->MeshForDistance(VectorLength(Parent->Position(DX) - Eye))->Render();
  Device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

}  // namespace zelmar
