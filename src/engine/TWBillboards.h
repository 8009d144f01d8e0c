// Billboard sets of the pool. An item holds a fixed number of textured, coloured quads that
// stand upright on a base point in world space and turn together about the vertical axis
// towards the viewer. The application lays each quad out through OnCalc when the item builds
// its records (once per device creation); the quads live in one managed vertex buffer that is
// rebuilt at every restore. Turning and sorting happen on request (FaceCamera), drawing too
// (Render), which sets no render state: blending, alpha test, lighting and culling are the
// caller's.
#pragma once

#include <functional>
#include <vector>

#include "engine/TWCollection.h"
#include "platform/render/d3dx9.h"

class TWBillboard;
class TWBillboards;
class TWPool;

// One corner of a quad: position, ARGB colour, one texture pair (vertex format 0x142).
struct TBillboardVertex {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  D3DCOLOR Color = 0;
  float tu = 0.0f;
  float tv = 0.0f;
  friend bool operator==(const TBillboardVertex&, const TBillboardVertex&) = default;
};
static_assert(sizeof(TBillboardVertex) == 24);

constexpr DWORD D3DFVF_TBILLBOARDVERTEX = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// One quad: its corners in its own frame (base point at the origin, strip order), where it
// stands, its texture, where its corners sit in the vertex buffer, its colour.
struct TBillboardObject {
  TBillboardVertex Vertices[4];
  D3DXVECTOR3 Position{0.0f, 0.0f, 0.0f};
  int TextureIndex = 0;
  int StartVertex = 0;
  D3DCOLOR Color = 0xFFFFFFFF;
};

// Lays out quad ObjectIndex: base point, index into the pool's textures, colour, and half the
// width and height. The values arrive as (0, 0, 0), 0, 0xFFFFFFFF, 1, 1.
using TCalcBillboardObjectEvent =
    std::function<void(TWBillboard* Sender, int ObjectIndex, D3DXVECTOR3& Position,
                       int& TextureIndex, D3DCOLOR& Color, float& Width, float& Height)>;

class TWBillboard : public TWCollectionItem {
 public:
  explicit TWBillboard(TWBillboards* Collection);
  ~TWBillboard() override;

  TWBillboards* Billboards() const;

  int Objects() const { return FObjects; }
  // A new count rebuilds a restored item at once (records and buffer, OnCalc included);
  // otherwise it waits for the next device phases. Negative counts are taken as 0.
  void SetObjects(int Value);
  TCalcBillboardObjectEvent OnCalc;

  // Runs the four device phases again when the item is restored.
  void Refresh();

  // Lays out the records (OnCalc per quad).
  HRESULT InitDeviceObjects() override;
  // Writes the records into a new vertex buffer; the platform's failure code, if any.
  HRESULT RestoreDeviceObjects() override;
  HRESULT InvalidateDeviceObjects() override;
  HRESULT DeleteDeviceObjects() override;

  // Turns the set about Y so that each quad faces a viewer at Eye looking at Target, and sorts
  // the records far to near along that direction (drawing order).
  void FaceCamera(const D3DXVECTOR3& Target, const D3DXVECTOR3& Eye);
  // Draws every quad in record order with the turn of the last FaceCamera; the world transform
  // is identity afterwards. Nothing happens without a vertex buffer.
  void Render();

  // Empty between invalidate and restore, and while the set has no quads.
  Ref<IDirect3DVertexBuffer9> VertexBuffer;
  // The quads in drawing order.
  std::vector<TBillboardObject> ObjectData;
  // The shared turn about Y; its translation row is each quad's base point while drawing.
  D3DXMATRIX World;
  // The direction of the last FaceCamera call.
  D3DXVECTOR3 ViewDir{0.0f, 0.0f, 0.0f};

 private:
  int FObjects = 500;
  // Set by a successful restore, cleared by invalidate and delete: a set without quads is
  // restored without having a buffer.
  bool FRestored = false;
};

class TWBillboards : public TWCollectionOf<TWBillboard, TWBillboards> {
 public:
  using TWCollectionOf::TWCollectionOf;

  // The pool whose textures the quads use; handed over with the framework at init.
  TWPool* Pool = nullptr;

  HRESULT InitDeviceObjects(TW9DirectX* ADX, TWPool* APool);
  // The pool's phases give only the framework: the textures are then the owner's.
  HRESULT InitDeviceObjects(TW9DirectX* ADX) override { return InitDeviceObjects(ADX, Owner()); }
};
