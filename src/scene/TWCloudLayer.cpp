#include "scene/TWCloudLayer.h"

#include "engine/TW9DirectX.h"
#include "engine/TWObjects.h"
#include "engine/TWTextures.h"
#include "scene/TWPlanet.h"

namespace zelmar {

TWCloudLayer::TWCloudLayer(TWObjects* Objects, TWPlanet* AGround) : Ground(AGround) {
  Radius = Ground->Radius * (1.0f + kHeight);
  for (std::size_t i = 0; i < Meshes.size(); ++i) {
    TWObject* Mesh = Objects->Add();
    const TWObject* Like = Ground->Meshes[i];
    Mesh->SetObjectType(dxotEllipse);
    Mesh->SetSegmentsX(Like->SegmentsX());
    Mesh->SetSegmentsY(Like->SegmentsY());
    Mesh->SetSegmentsZ(Like->SegmentsZ());
    Mesh->SetSize({Radius, Radius, Radius});
    Mesh->SetPosition({0.0f, 0.0f, 0.0f});
    Meshes[i] = Mesh;
  }
}

TD3DMatrix TWCloudLayer::WorldMatrix(TW9DirectX* DX) const {
  return MatrixRotationZ(DX->AppTime() * Ground->SpinRate * kDrift) * Ground->WorldMatrix(DX);
}

TWObject* TWCloudLayer::SelectMesh(TW9DirectX* DX, const TD3DVector& Eye) const {
  const TWObject* GroundMesh = Ground->SelectMesh(DX, Eye);
  for (std::size_t i = 0; i < Meshes.size(); ++i)
    if (Ground->Meshes[i] == GroundMesh) return Meshes[i];
  return nullptr;
}

void TWCloudLayer::Draw(TW9DirectX* DX, const TD3DVector& Eye) {
  IDirect3DDevice9* Device = DX->Device();
  if (!Device || !Texture || !Texture->Texture()) return;
  Device->SetTexture(0, Texture->Texture());
  // White clouds lit by the Sun as the ground is, without its sheen.
  D3DMATERIAL9 m{};
  m.Diffuse = m.Ambient = {1, 1, 1, 1};
  Device->SetMaterial(&m);
  Device->SetRenderState(D3DRS_LIGHTING, TRUE);
  Device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  Device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  Device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  Device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  if (TWObject* Mesh = SelectMesh(DX, Eye)) Mesh->Render();
  Device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  Device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

}  // namespace zelmar
