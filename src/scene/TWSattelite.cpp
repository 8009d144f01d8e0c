#include "scene/TWSattelite.h"

#include "engine/TW9DirectX.h"
#include "engine/TWObjects.h"
#include "engine/TWTextures.h"

namespace zelmar {

namespace {

// A moon not yet given its parent circles the origin.
float ParentDistance(const TWPlanet* Parent) {
  return Parent ? Parent->Distance : 0.0f;
}
TD3DMatrix ParentOrbit(const TWPlanet* Parent, TW9DirectX* DX) {
  return Parent ? Parent->OrbitRotation(DX) : MatrixIdentity();
}

}  // namespace

float TWSattelite::MoonAngle(TW9DirectX* DX) const {
  return DX->AppTime * OrbitRate + StartAngle;
}

TD3DMatrix TWSattelite::MoonOrbit(TW9DirectX* DX) const {
  return MatrixTranslation(Distance, 0.0f, 0.0f) * MatrixRotationY(MoonAngle(DX)) *
         MatrixTranslation(ParentDistance(Parent), 0.0f, 0.0f);
}

TD3DMatrix TWSattelite::WorldMatrix(TW9DirectX* DX) const {
  return SpinAndAxis(DX->AppTime, OrbitAngle(DX)) * MoonOrbit(DX) * ParentOrbit(Parent, DX);
}

TD3DVector TWSattelite::Centre(TW9DirectX* DX) const {
  return MatrixOrigin(MoonOrbit(DX) * ParentOrbit(Parent, DX));
}

void TWSattelite::DrawMount(TW9DirectX* DX) {
  if (!OnMount || !DX->Device) return;
  DrawRod(DX, {0, 0, 0, 0}, 40.0f);
  const TD3DMatrix Arm = MatrixRotationY(MoonAngle(DX)) *
                         MatrixTranslation(ParentDistance(Parent), 0.0f, 0.0f) *
                         ParentOrbit(Parent, DX);
  DX->Device->SetTransform(D3DTS_WORLD, &Arm);
  DX->Device->SetTexture(0, ArmTexture ? ArmTexture->Texture() : nullptr);
  if (ArmMesh) ArmMesh->Render();
}

void TWSattelite::MakeBrass(TWPool* Pool) {
  TWPlanet::MakeBrass(Pool);
  Radius = Radius / 6.0f;
  ResizeMeshes();
}

}  // namespace zelmar
