#include "engine/TWObjects.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/TW9DirectX.h"

namespace {

int Saturate(long long Value) {
  return static_cast<int>(std::min<long long>(Value, INT_MAX));
}

// Buffers come from the framework; counts large enough to overflow the platform's 32-bit
// length cannot be allocated.
HRESULT CreateVertexBuffer(TW9DirectX* DX, unsigned long long Length, DWORD Usage,
                           IDirect3DVertexBuffer9** Buffer, D3DPOOL Pool, DWORD FVF) {
  *Buffer = nullptr;
  if (!DX) return E_FAIL;
  if (Length > UINT_MAX) return E_OUTOFMEMORY;
  return DX->CreateVertexBuffer(static_cast<UINT>(Length), Usage, Buffer, Pool, FVF);
}

HRESULT CreateIndexBuffer(TW9DirectX* DX, unsigned long long Length, DWORD Usage,
                          IDirect3DIndexBuffer9** Buffer, D3DPOOL Pool, D3DFORMAT Format) {
  *Buffer = nullptr;
  if (!DX) return E_FAIL;
  if (Length > UINT_MAX) return E_OUTOFMEMORY;
  return DX->CreateIndexBuffer(static_cast<UINT>(Length), Usage, Buffer, Pool, Format);
}

struct TTriangle {
  unsigned A, B, C;
};

// How one plane kind lays its grid: outer axis A, inner axis B, fixed axis F (0 x, 1 y, 2 z).
struct TPlaneLayout {
  int A, B, F;
  float Side;      // -1: the fixed coordinate is P - S and the normal points down the axis
  bool TuFlipped;  // tu = TF - a * duA instead of a * duA
  bool FirstVYW;   // cell triangles (V, Y, W), (V, X, Y); else (V, W, Y), (V, Y, X)
};

TPlaneLayout LayoutOf(TWDirectObjectType Type) {
  switch (Type) {
    case dxotPlaneXY:
      return {0, 1, 2, -1.0f, true, true};
    case dxotPlaneXY2:
      return {0, 1, 2, 1.0f, true, false};
    case dxotPlaneZY:
      return {2, 1, 0, -1.0f, false, false};
    case dxotPlaneZY2:
      return {2, 1, 0, 1.0f, true, true};
    case dxotPlaneXZ:
      return {0, 2, 1, -1.0f, false, false};
    default:
      return {0, 2, 1, 1.0f, true, true};  // dxotPlaneXZ2
  }
}

float& Axis(D3DVECTOR& V, int Index) {
  return Index == 0 ? V.x : Index == 1 ? V.y : V.z;
}

}  // namespace

// The write position in the two buffers; it carries over between the generators of one build
// (the cube's six faces share the buffers). Writes past a buffer's end are dropped, so counts
// that disagree with a generator can never reach outside the buffer.
struct TWObject::TEmitter {
  IDirect3DVertexBuffer9* VertexBuffer = nullptr;
  IDirect3DIndexBuffer9* IndexBuffer = nullptr;
  unsigned VertexCapacity = 0;
  unsigned IndexCapacity = 0;
  unsigned VertexCursor = 0;
  unsigned IndexCursor = 0;

  void Emit(const std::vector<TD3DVertex>& Grid, const std::vector<TTriangle>& Triangles) {
    void* VertexData = nullptr;
    void* IndexData = nullptr;
    if (FAILED(VertexBuffer->Lock(0, 0, &VertexData, 0))) return;
    if (IndexBuffer && FAILED(IndexBuffer->Lock(0, 0, &IndexData, 0))) {
      VertexBuffer->Unlock();
      return;
    }
    auto* Vertices = static_cast<TD3DVertex*>(VertexData);
    auto Put = [&](const TD3DVertex& V) {
      if (VertexCursor < VertexCapacity) Vertices[VertexCursor] = V;
      ++VertexCursor;
    };
    if (IndexBuffer) {
      auto* Indices = static_cast<WORD*>(IndexData);
      const unsigned Base = VertexCursor;
      for (const TD3DVertex& V : Grid) Put(V);
      // Index values are 16-bit: larger grids wrap, as the platform's index format does.
      auto PutIndex = [&](unsigned GridNumber) {
        if (IndexCursor < IndexCapacity)
          Indices[IndexCursor] = static_cast<WORD>(GridNumber + Base);
        ++IndexCursor;
      };
      for (const TTriangle& T : Triangles) {
        PutIndex(T.A);
        PutIndex(T.B);
        PutIndex(T.C);
      }
      IndexBuffer->Unlock();
    } else {
      for (const TTriangle& T : Triangles) {
        Put(Grid[T.A]);
        Put(Grid[T.B]);
        Put(Grid[T.C]);
      }
    }
    VertexBuffer->Unlock();
  }
};

TWObject::TWObject(TWObjects* Collection) : TWNamedItem(Collection) {
  SetName(Collection->NextFreeName());
  CalcCounts();
}

TWObject::~TWObject() {
  ReleaseBuffers();
}

TWObjects* TWObject::Objects() const {
  return static_cast<TWObjects*>(Collection());
}

void TWObject::SetPosition(const D3DVECTOR& Value) {
  FPosition = Value;
  Rebuild();
}

void TWObject::SetSize(const D3DVECTOR& Value) {
  FSize = Value;
  Rebuild();
}

void TWObject::SetObjectType(TWDirectObjectType Value) {
  if (Value == FObjectType) return;
  FObjectType = Value;
  Rebuild();
}

void TWObject::SetSegmentsX(int Value) {
  Value = std::max(Value, 1);
  if (Value == FSegmentsX) return;
  FSegmentsX = Value;
  Rebuild();
}

void TWObject::SetSegmentsY(int Value) {
  Value = std::max(Value, 1);
  if (Value == FSegmentsY) return;
  FSegmentsY = Value;
  Rebuild();
}

void TWObject::SetSegmentsZ(int Value) {
  Value = std::max(Value, 1);
  if (Value == FSegmentsZ) return;
  FSegmentsZ = Value;
  Rebuild();
}

void TWObject::SetTextureFactor(float Value) {
  if (Value == FTextureFactor) return;
  FTextureFactor = Value;
  Rebuild();
}

void TWObject::SetIndexed(bool Value) {
  if (Value == FIndexed) return;
  FIndexed = Value;
  Rebuild();
}

void TWObject::SetNumTriangles(int Value) {
  if (FObjectType != dxotUserDefined || Value < 1 || 3LL * Value > 65535 || Value == FNumTriangles)
    return;
  FNumTriangles = Value;
  FNumIndices = 3 * Value;
  Rebuild();
}

void TWObject::SetNumVertices(int Value) {
  if (FObjectType != dxotUserDefined || Value < 1 || Value > 65535 || Value == FNumVertices) return;
  FNumVertices = Value;
  Rebuild();
}

int TWObject::TriangleCount(TWDirectObjectType Type) const {
  const long long SX = FSegmentsX, SY = FSegmentsY, SZ = FSegmentsZ;
  switch (Type) {
    case dxotCube:
      return Saturate(4 * (SX * SY + SX * SZ + SY * SZ));
    case dxotPlaneXY:
    case dxotPlaneXY2:
      return Saturate(2 * SX * SY);
    case dxotPlaneXZ:
    case dxotPlaneXZ2:
      return Saturate(2 * SX * SZ);
    case dxotPlaneZY:
    case dxotPlaneZY2:
      return Saturate(2 * SZ * SY);
    case dxotEllipse:
    case dxotTube:
      return Saturate(2 * SX * (SZ + 1));
    case dxotUserDefined:
      return FNumTriangles;
  }
  return 0;
}

int TWObject::VertexCount(TWDirectObjectType Type, bool AIndexed) const {
  if (!AIndexed) return Saturate(3LL * TriangleCount(Type));
  const long long SX = FSegmentsX, SY = FSegmentsY, SZ = FSegmentsZ;
  switch (Type) {
    case dxotCube:
      return Saturate(2 * ((SX + 1) * (SY + 1) + (SX + 1) * (SZ + 1) + (SZ + 1) * (SY + 1)));
    case dxotPlaneXY:
    case dxotPlaneXY2:
      return Saturate((SX + 1) * (SY + 1));
    case dxotPlaneXZ:
    case dxotPlaneXZ2:
      return Saturate((SX + 1) * (SZ + 1));
    case dxotPlaneZY:
    case dxotPlaneZY2:
      return Saturate((SZ + 1) * (SY + 1));
    case dxotEllipse:
    case dxotTube:
      return Saturate((SX + 1) * (SZ + 1) + 2);
    case dxotUserDefined:
      return FNumVertices;
  }
  return 0;
}

int TWObject::IndexCount(TWDirectObjectType Type) const {
  return Saturate(3LL * TriangleCount(Type));
}

void TWObject::CalcCounts() {
  FNumTriangles = TriangleCount(FObjectType);
  FNumVertices = VertexCount(FObjectType, FIndexed);
  FNumIndices = IndexCount(FObjectType);
}

void TWObject::Rebuild() {
  CalcCounts();
  if (FVertexBuffer) {
    ReleaseBuffers();
    InitDeviceObjects();
  }
}

void TWObject::ReleaseBuffers() {
  FIndexBuffer = nullptr;
  FVertexBuffer = nullptr;
}

HRESULT TWObject::InitDeviceObjects() {
  FDX = Objects()->DX;
  if (OnBeforeConstruct) OnBeforeConstruct(this);

  FVertexBuffer = nullptr;
  FIndexBuffer = nullptr;
  const unsigned long long Vertices = static_cast<unsigned long long>(std::max(FNumVertices, 0));
  const unsigned long long Indices = static_cast<unsigned long long>(std::max(FNumIndices, 0));
  HRESULT Result =
      CreateVertexBuffer(FDX, sizeof(TD3DVertex) * Vertices, 0, &FVertexBuffer, D3DPOOL_MANAGED, 0);
  if (FAILED(Result)) {
    FVertexBuffer = nullptr;
    return Result;
  }
  if (FIndexed) {
    Result = CreateIndexBuffer(FDX, sizeof(WORD) * Indices, 0, &FIndexBuffer, D3DPOOL_MANAGED,
                               D3DFMT_INDEX16);
    if (FAILED(Result)) {
      ReleaseBuffers();
      return Result;
    }
  }

  if (FObjectType == dxotUserDefined) {
    if (OnSetData) OnSetData(this);
  } else {
    TEmitter Emit;
    Emit.VertexBuffer = FVertexBuffer.Get();
    Emit.IndexBuffer = FIndexBuffer.Get();
    Emit.VertexCapacity = static_cast<unsigned>(Vertices);
    Emit.IndexCapacity = static_cast<unsigned>(Indices);
    Generate(Emit, FObjectType);
  }

  if (NegativeNormal) {
    Result = ForEachVertex([](TD3DVertex& V) {
      V.nx = -V.nx;
      V.ny = -V.ny;
      V.nz = -V.nz;
    });
    if (FAILED(Result)) return Result;
  }
  if (OnCalcPoint) {
    Result = ForEachVertex([this](TD3DVertex& V) {
      TD3DVertex Copy = V;
      OnCalcPoint(this, Copy);
      V = Copy;
    });
    if (FAILED(Result)) return Result;
  }
  if (OnAfterConstruct) OnAfterConstruct(this);
  return S_OK;
}

HRESULT TWObject::ForEachVertex(const std::function<void(TD3DVertex&)>& Change) {
  if (!FVertexBuffer) return E_FAIL;
  // A handler may have rebuilt the object meanwhile; hold on to the buffer being changed.
  Ref<IDirect3DVertexBuffer9> Buffer = FVertexBuffer;
  D3DVERTEXBUFFER_DESC Desc;
  UINT Count = static_cast<UINT>(std::max(FNumVertices, 0));
  if (SUCCEEDED(Buffer->GetDesc(&Desc)))
    Count = std::min<UINT>(Count, Desc.Size / sizeof(TD3DVertex));
  void* Data = nullptr;
  const HRESULT Result = Buffer->Lock(0, 0, &Data, 0);
  if (FAILED(Result)) return Result;
  auto* Vertices = static_cast<TD3DVertex*>(Data);
  for (UINT I = 0; I < Count; ++I) Change(Vertices[I]);
  Buffer->Unlock();
  return S_OK;
}

HRESULT TWObject::DeleteDeviceObjects() {
  ReleaseBuffers();
  return S_OK;
}

void TWObject::Generate(TEmitter& Emit, TWDirectObjectType Type) {
  switch (Type) {
    case dxotCube:
      for (TWDirectObjectType Face :
           {dxotPlaneXY, dxotPlaneXY2, dxotPlaneZY, dxotPlaneZY2, dxotPlaneXZ, dxotPlaneXZ2})
        GeneratePlane(Emit, Face);
      break;
    case dxotEllipse:
      GenerateEllipse(Emit, false);
      break;
    case dxotTube:
      GenerateEllipse(Emit, true);
      break;
    case dxotUserDefined:
      break;
    default:
      GeneratePlane(Emit, Type);
      break;
  }
}

void TWObject::GeneratePlane(TEmitter& Emit, TWDirectObjectType Type) {
  const TPlaneLayout L = LayoutOf(Type);
  const int Segments[3] = {FSegmentsX, FSegmentsY, FSegmentsZ};
  const unsigned nA = static_cast<unsigned>(Segments[L.A]);
  const unsigned nB = static_cast<unsigned>(Segments[L.B]);
  const float TF = FTextureFactor;
  const float StepA = 2.0f * Axis(FSize, L.A) / static_cast<float>(nA);
  const float StepB = 2.0f * Axis(FSize, L.B) / static_cast<float>(nB);
  const float DuA = TF / static_cast<float>(nA);
  const float DvB = TF / static_cast<float>(nB);
  const float Fixed = Axis(FPosition, L.F) + L.Side * Axis(FSize, L.F);

  std::vector<TD3DVertex> Grid(static_cast<std::size_t>(nA + 1) * (nB + 1));
  for (unsigned a = 0; a <= nA; ++a) {
    for (unsigned b = 0; b <= nB; ++b) {
      D3DVECTOR P{}, N{};
      Axis(P, L.A) = (Axis(FPosition, L.A) - Axis(FSize, L.A)) + static_cast<float>(a) * StepA;
      Axis(P, L.B) = (Axis(FPosition, L.B) - Axis(FSize, L.B)) + static_cast<float>(b) * StepB;
      Axis(P, L.F) = Fixed;
      Axis(N, L.F) = L.Side;
      const float tu = L.TuFlipped ? TF - static_cast<float>(a) * DuA : static_cast<float>(a) * DuA;
      const float tv = static_cast<float>(b) * DvB;
      Grid[a + b * (nA + 1)] = {P.x, P.y, P.z, N.x, N.y, N.z, tu, tv};
    }
  }

  std::vector<TTriangle> Triangles;
  Triangles.reserve(2 * static_cast<std::size_t>(nA) * nB);
  for (unsigned a = 0; a < nA; ++a) {
    for (unsigned b = 0; b < nB; ++b) {
      const unsigned V = a + b * (nA + 1), W = V + 1, X = V + nA + 1, Y = X + 1;
      if (L.FirstVYW) {
        Triangles.push_back({V, Y, W});
        Triangles.push_back({V, X, Y});
      } else {
        Triangles.push_back({V, W, Y});
        Triangles.push_back({V, Y, X});
      }
    }
  }
  Emit.Emit(Grid, Triangles);
}

void TWObject::GenerateEllipse(TEmitter& Emit, bool Tube) {
  // The ring and segment counts are taken as 16-bit values.
  const unsigned Nx = static_cast<std::uint16_t>(FSegmentsX);
  const unsigned Nz = static_cast<std::uint16_t>(FSegmentsZ);
  const unsigned Ring = Nx + 1;
  const unsigned N = Ring * (Nz + 1) + 2;
  const float TF = FTextureFactor;
  const D3DVECTOR P = FPosition, S = FSize;
  auto R = [Ring](unsigned r, unsigned j) { return 1 + r * Ring + j; };

  std::vector<TD3DVertex> Grid(N);
  Grid[0] = {P.x, P.y, P.z + S.z, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
  Grid[N - 1] = {P.x, P.y, P.z - S.z, 0.0f, 0.0f, -1.0f, 0.0f, TF};

  const float DTheta = static_cast<float>(std::numbers::pi / (Nz + 2));
  const float DPhi = static_cast<float>(2.0 * std::numbers::pi / Nx);
  float Theta = DTheta;
  for (unsigned r = 0; r <= Nz; ++r) {
    const float tv = static_cast<float>(TF * static_cast<double>(Theta) / std::numbers::pi);
    float Rho, H;
    if (Tube) {
      Rho = 1.0f;
      H = static_cast<float>(2.0 * (1.0 - static_cast<double>(r) / Nz) - 1.0);
    } else {
      Rho = static_cast<float>(std::sin(static_cast<double>(Theta)));
      H = static_cast<float>(std::cos(static_cast<double>(Theta)));
    }
    float Phi = 0.0f;
    for (unsigned j = 0; j <= Nx; ++j) {
      const float nx = Rho * static_cast<float>(std::sin(static_cast<double>(Phi)));
      const float ny = -Rho * static_cast<float>(std::cos(static_cast<double>(Phi)));
      const float tu = static_cast<float>((1.0 - static_cast<double>(j) / Nx) * TF);
      Grid[R(r, j)] = {P.x + S.x * nx, P.y + S.y * ny, P.z + S.z * H, nx, ny, H, tu, tv};
      Phi += DPhi;
    }
    // The last vertex closes the ring on the first one's position, with tu 0 for the seam.
    if (Nx > 0) {
      Grid[R(r, Nx)] = Grid[R(r, 0)];
      Grid[R(r, Nx)].tu = 0.0f;
    }
    Theta += DTheta;
  }

  std::vector<TTriangle> Triangles;
  Triangles.reserve(2 * static_cast<std::size_t>(Nx) * (Nz + 1));
  for (unsigned j = 0; j < Nx; ++j) Triangles.push_back({0, R(0, j), R(0, j + 1)});
  for (unsigned r = 0; r < Nz; ++r) {
    for (unsigned j = 0; j < Nx; ++j) {
      Triangles.push_back({R(r, j), R(r + 1, j), R(r + 1, j + 1)});
      Triangles.push_back({R(r, j), R(r + 1, j + 1), R(r, j + 1)});
    }
  }
  for (unsigned w = 0; w < Nx; ++w) Triangles.push_back({N - 1, R(Nz, Nx - w), R(Nz, Nx - w - 1)});
  Emit.Emit(Grid, Triangles);
}

void TWObject::Render() {
  if (!FVertexBuffer) return;
  IDirect3DDevice9* Device = FDX ? FDX->Device() : nullptr;
  if (!Device) return;
  Device->SetStreamSource(0, FVertexBuffer.Get(), 0, sizeof(TD3DVertex));
  Device->SetFVF(D3DFVF_TD3DVERTEX);
  Device->SetPixelShader(nullptr);
  if (FIndexed) {
    Device->SetIndices(FIndexBuffer.Get());
    Device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, static_cast<UINT>(FNumVertices), 0,
                                 static_cast<UINT>(FNumTriangles));
  } else {
    Device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(FNumTriangles));
  }
}
