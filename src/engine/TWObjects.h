// Generated meshes of the pool: a box, six axis-aligned planes, an ellipsoid, a closed tube or a
// mesh the program fills itself, built into a managed vertex buffer (and optionally a 16-bit
// index buffer) whenever the device exists. Position and size are baked into the vertices.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/TWCollection.h"
#include "platform/render/d3d9.h"

// The engine's mesh vertex: position, normal, one texture pair (vertex format 0x112).
struct TD3DVertex {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float nx = 0.0f;
  float ny = 0.0f;
  float nz = 0.0f;
  float tu = 0.0f;
  float tv = 0.0f;
  friend bool operator==(const TD3DVertex&, const TD3DVertex&) = default;
};
static_assert(sizeof(TD3DVertex) == 32);

constexpr DWORD D3DFVF_TD3DVERTEX = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

enum TWDirectObjectType : std::uint8_t {
  dxotCube = 0,
  dxotPlaneXY = 1,
  dxotPlaneXZ = 2,
  dxotPlaneZY = 3,
  dxotPlaneXY2 = 4,
  dxotPlaneXZ2 = 5,
  dxotPlaneZY2 = 6,
  dxotEllipse = 7,
  dxotTube = 8,
  dxotUserDefined = 9,
};

class TWObject;
class TWObjects;
class TW9DirectX;

using TWObjectEvent = std::function<void(TWObject* Sender)>;
using TWCalcPointEvent = std::function<void(TWObject* Sender, TD3DVertex& V)>;

class TWObject : public TWNamedItem {
 public:
  explicit TWObject(TWObjects* Collection);
  ~TWObject() override;

  TWObjects* Objects() const;
  // The framework of the last build.
  TW9DirectX* DX() const { return FDX; }

  // Every setter below rebuilds a built object at once and only recounts an unbuilt one.
  const D3DVECTOR& Position() const { return FPosition; }
  void SetPosition(const D3DVECTOR& Value);
  const D3DVECTOR& Size() const { return FSize; }
  void SetSize(const D3DVECTOR& Value);
  TWDirectObjectType ObjectType() const { return FObjectType; }
  void SetObjectType(TWDirectObjectType Value);
  // Values below 1 become 1.
  int SegmentsX() const { return FSegmentsX; }
  void SetSegmentsX(int Value);
  int SegmentsY() const { return FSegmentsY; }
  void SetSegmentsY(int Value);
  int SegmentsZ() const { return FSegmentsZ; }
  void SetSegmentsZ(int Value);
  float TextureFactor() const { return FTextureFactor; }
  void SetTextureFactor(float Value);
  bool Indexed() const { return FIndexed; }
  void SetIndexed(bool Value);

  int NumTriangles() const { return FNumTriangles; }
  int NumVertices() const { return FNumVertices; }
  int NumIndices() const { return FNumIndices; }
  // Only a user-defined mesh takes these (up to 21845 triangles, 65535 vertices).
  void SetNumTriangles(int Value);
  void SetNumVertices(int Value);

  // Takes effect at the next build.
  bool NegativeNormal = false;

  TWCalcPointEvent OnCalcPoint;
  TWObjectEvent OnBeforeConstruct;
  // Fills the locked buffers of a user-defined mesh.
  TWObjectEvent OnSetData;
  TWObjectEvent OnAfterConstruct;

  IDirect3DVertexBuffer9* VertexBuffer() const { return FVertexBuffer.Get(); }
  IDirect3DIndexBuffer9* IndexBuffer() const { return FIndexBuffer.Get(); }
  bool Built() const { return static_cast<bool>(FVertexBuffer); }

  // The counts of a shape with this object's segments and the current user-defined counts.
  int TriangleCount(TWDirectObjectType Type) const;
  int VertexCount(TWDirectObjectType Type, bool AIndexed) const;
  int IndexCount(TWDirectObjectType Type) const;
  void CalcCounts();
  // Recounts and, when built, builds again (the result is not reported).
  void Rebuild();

  // Builds the buffers; the platform's code of the first failure.
  HRESULT InitDeviceObjects() override;
  HRESULT DeleteDeviceObjects() override;

  // Draws with whatever transform, material, texture and states the caller has set; an
  // object that is not built draws nothing.
  void Render();

 private:
  struct TEmitter;
  void ReleaseBuffers();
  void Generate(TEmitter& Emit, TWDirectObjectType Type);
  void GeneratePlane(TEmitter& Emit, TWDirectObjectType Type);
  void GenerateEllipse(TEmitter& Emit, bool Tube);
  // Applies Change to every vertex of the buffer; the lock's code.
  HRESULT ForEachVertex(const std::function<void(TD3DVertex&)>& Change);

  TW9DirectX* FDX = nullptr;
  D3DVECTOR FPosition{0.0f, 0.0f, 0.0f};
  D3DVECTOR FSize{1.0f, 1.0f, 1.0f};
  TWDirectObjectType FObjectType = dxotCube;
  Ref<IDirect3DVertexBuffer9> FVertexBuffer;
  Ref<IDirect3DIndexBuffer9> FIndexBuffer;
  int FNumTriangles = 0;
  int FNumVertices = 0;
  int FNumIndices = 0;
  int FSegmentsX = 1;
  int FSegmentsY = 1;
  int FSegmentsZ = 1;
  float FTextureFactor = 1.0f;
  bool FIndexed = false;
};

class TWObjects : public TWCollectionOf<TWObject, TWObjects> {
 public:
  using TWCollectionOf::TWCollectionOf;
  std::string NamePattern() const override { return "Object%d"; }
};
