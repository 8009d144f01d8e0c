#include "engine/TWBillboards.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "engine/TW9DirectX.h"
#include "engine/TWPool.h"
#include "engine/TWTextures.h"

namespace {

constexpr UINT kObjectBytes = 4 * sizeof(TBillboardVertex);

// The sorting key; a key that is not a number sorts last, so a broken eye cannot upset the
// sort's ordering contract.
float SortKey(const TBillboardObject& Object, const D3DXVECTOR3& Direction) {
  const float Key = Object.Position.x * Direction.x + Object.Position.z * Direction.z;
  return std::isnan(Key) ? -INFINITY : Key;
}

}  // namespace

TWBillboard::TWBillboard(TWBillboards* Collection) : TWCollectionItem(Collection) {
  D3DXMatrixIdentity(&World);
}

TWBillboard::~TWBillboard() = default;

TWBillboards* TWBillboard::Billboards() const {
  return static_cast<TWBillboards*>(Collection());
}

void TWBillboard::SetObjects(int Value) {
  Value = std::max(Value, 0);
  if (Value == FObjects) return;
  FObjects = Value;
  Refresh();
}

void TWBillboard::Refresh() {
  if (!FRestored) return;
  InvalidateDeviceObjects();
  DeleteDeviceObjects();
  InitDeviceObjects();
  RestoreDeviceObjects();
}

HRESULT TWBillboard::InitDeviceObjects() {
  ObjectData.assign(static_cast<std::size_t>(FObjects), TBillboardObject{});
  for (int I = 0; I < FObjects; ++I) {
    D3DXVECTOR3 Position(0.0f, 0.0f, 0.0f);
    int TextureIndex = 0;
    D3DCOLOR Color = 0xFFFFFFFF;
    float Width = 1.0f;
    float Height = 1.0f;
    if (OnCalc) OnCalc(this, I, Position, TextureIndex, Color, Width, Height);
    TBillboardObject& Object = ObjectData[static_cast<std::size_t>(I)];
    Object.Position = Position;
    Object.TextureIndex = TextureIndex;
    Object.Color = Color;
    Object.Vertices[0] = {-Width, 0.0f, 0.0f, Color, 0.0f, 1.0f};
    Object.Vertices[1] = {-Width, 2.0f * Height, 0.0f, Color, 0.0f, 0.0f};
    Object.Vertices[2] = {Width, 0.0f, 0.0f, Color, 1.0f, 1.0f};
    Object.Vertices[3] = {Width, 2.0f * Height, 0.0f, Color, 1.0f, 0.0f};
  }
  return S_OK;
}

HRESULT TWBillboard::RestoreDeviceObjects() {
  VertexBuffer = nullptr;
  FRestored = false;
  // The buffer holds the records as they are; their count only differs from Objects when the
  // count changed between init and restore, and then the records decide.
  const std::size_t Count = ObjectData.size();
  if (Count == 0) {
    FRestored = true;
    return S_OK;
  }
  TW9DirectX* DX = Billboards()->DX;
  if (!DX) return E_FAIL;
  if (Count > UINT_MAX / kObjectBytes) return E_OUTOFMEMORY;
  const HRESULT Created =
      DX->CreateVertexBuffer(static_cast<UINT>(Count * kObjectBytes), D3DUSAGE_WRITEONLY,
                             &VertexBuffer, D3DPOOL_MANAGED, D3DFVF_TBILLBOARDVERTEX);
  if (FAILED(Created)) {
    VertexBuffer = nullptr;
    return Created;
  }
  void* Data = nullptr;
  const HRESULT Locked = VertexBuffer->Lock(0, 0, &Data, 0);
  if (FAILED(Locked)) {
    VertexBuffer = nullptr;
    return Locked;
  }
  auto* Bytes = static_cast<BYTE*>(Data);
  for (std::size_t I = 0; I < Count; ++I) {
    std::memcpy(Bytes + I * kObjectBytes, ObjectData[I].Vertices, kObjectBytes);
    ObjectData[I].StartVertex = static_cast<int>(4 * I);
  }
  VertexBuffer->Unlock();
  FRestored = true;
  return S_OK;
}

HRESULT TWBillboard::InvalidateDeviceObjects() {
  VertexBuffer = nullptr;
  FRestored = false;
  return S_OK;
}

HRESULT TWBillboard::DeleteDeviceObjects() {
  VertexBuffer = nullptr;
  FRestored = false;
  return S_OK;
}

void TWBillboard::FaceCamera(const D3DXVECTOR3& Target, const D3DXVECTOR3& Eye) {
  const D3DXVECTOR3 D(Target.x - Eye.x, Target.y - Eye.y, Target.z - Eye.z);
  constexpr float Pi = 3.1415927f;
  // At d.x = 0 the quotient is an infinity signed by d.z over the sign of d.x; only a
  // direction with no horizontal part (0 / 0) has no angle, and then it counts as 0.
  float Quotient = D.z / D.x;
  if (std::isnan(Quotient) && D.x == 0.0f && D.z == 0.0f) Quotient = 0.0f;
  const float Angle =
      D.x > 0.0f ? Pi / 2.0f - std::atan(Quotient) : -std::atan(Quotient) - Pi / 2.0f;
  D3DXMatrixRotationY(&World, Angle);
  ViewDir = D;
  std::sort(ObjectData.begin(), ObjectData.end(),
            [&D](const TBillboardObject& A, const TBillboardObject& B) {
              return SortKey(A, D) > SortKey(B, D);
            });
}

void TWBillboard::Render() {
  TW9DirectX* DX = Billboards()->DX;
  IDirect3DDevice9* Device = DX ? DX->Device() : nullptr;
  if (!VertexBuffer || !Device) return;
  Device->SetStreamSource(0, VertexBuffer.Get(), 0, sizeof(TBillboardVertex));
  Device->SetFVF(D3DFVF_TBILLBOARDVERTEX);
  Device->SetPixelShader(nullptr);
  const TWPool* Pool = Billboards()->Pool;
  for (const TBillboardObject& Object : ObjectData) {
    // An index outside the pool's textures draws the quad untextured.
    IDirect3DTexture9* Texture = nullptr;
    if (Pool && Object.TextureIndex >= 0 && Object.TextureIndex < Pool->WTextures().Count())
      Texture = Pool->WTextures().Items(Object.TextureIndex)->Texture();
    Device->SetTexture(0, Texture);
    World._41 = Object.Position.x;
    World._42 = Object.Position.y;
    World._43 = Object.Position.z;
    Device->SetTransform(D3DTS_WORLD, &World);
    Device->DrawPrimitive(D3DPT_TRIANGLESTRIP, static_cast<UINT>(Object.StartVertex), 2);
  }
  D3DXMATRIX Identity;
  D3DXMatrixIdentity(&Identity);
  Device->SetTransform(D3DTS_WORLD, &Identity);
}

HRESULT TWBillboards::InitDeviceObjects(TW9DirectX* ADX, TWPool* APool) {
  Pool = APool;
  return TWCollection::InitDeviceObjects(ADX);
}
