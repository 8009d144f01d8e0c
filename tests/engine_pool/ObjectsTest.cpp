// Generated meshes: counts, the exact order of vertices and triangles, the two emission forms,
// the build's failure paths and drawing.
#include <climits>
#include <cmath>
#include <numbers>

#include "engine/TWPool.h"
#include "engine_pool/PoolFixture.h"

namespace {

class ObjectsTest : public PoolFixture {
 protected:
  TWObject* Build(TWDirectObjectType Type, int SX, int SY, int SZ, bool Indexed) {
    TWObject* Object = Pool.WObjects().Add();
    Object->SetObjectType(Type);
    Object->SetSegmentsX(SX);
    Object->SetSegmentsY(SY);
    Object->SetSegmentsZ(SZ);
    Object->SetIndexed(Indexed);
    Object->SetPosition({0.5f, -1.0f, 2.0f});
    Object->SetSize({2.0f, 3.0f, 4.0f});
    Object->SetTextureFactor(2.0f);
    return Object;
  }

  void SetUp() override {
    CreateDevice();
    Attach(Pool);
  }

  TWPool Pool;
};

D3DVECTOR Cross(const D3DVECTOR& A, const D3DVECTOR& B) {
  return {A.y * B.z - A.z * B.y, A.z * B.x - A.x * B.z, A.x * B.y - A.y * B.x};
}
D3DVECTOR Minus(const TD3DVertex& A, const TD3DVertex& B) {
  return {A.x - B.x, A.y - B.y, A.z - B.z};
}

const TWDirectObjectType kGenerated[] = {dxotCube,     dxotPlaneXY,  dxotPlaneXZ,
                                         dxotPlaneZY,  dxotPlaneXY2, dxotPlaneXZ2,
                                         dxotPlaneZY2, dxotEllipse,  dxotTube};

TEST_F(ObjectsTest, CountsFollowTheTableForEveryShape) {
  struct Row {
    TWDirectObjectType Type;
    int Triangles, IndexedVertices;
  };
  // Segments 2, 3, 4.
  const Row Rows[] = {
      {dxotCube, 4 * (6 + 8 + 12), 2 * (3 * 4 + 3 * 5 + 5 * 4)},
      {dxotPlaneXY, 12, 12},
      {dxotPlaneXY2, 12, 12},
      {dxotPlaneXZ, 16, 15},
      {dxotPlaneXZ2, 16, 15},
      {dxotPlaneZY, 24, 20},
      {dxotPlaneZY2, 24, 20},
      {dxotEllipse, 20, 17},
      {dxotTube, 20, 17},
  };
  TWPool Unbuilt;
  for (const Row& R : Rows) {
    TWObject* Object = Unbuilt.WObjects().Add();
    Object->SetObjectType(R.Type);
    Object->SetSegmentsX(2);
    Object->SetSegmentsY(3);
    Object->SetSegmentsZ(4);
    EXPECT_EQ(R.Triangles, Object->NumTriangles()) << int(R.Type);
    EXPECT_EQ(3 * R.Triangles, Object->NumVertices()) << int(R.Type);
    EXPECT_EQ(3 * R.Triangles, Object->NumIndices()) << int(R.Type);
    Object->SetIndexed(true);
    EXPECT_EQ(R.IndexedVertices, Object->NumVertices()) << int(R.Type);
    EXPECT_EQ(3 * R.Triangles, Object->NumIndices()) << int(R.Type);
  }
}

TEST_F(ObjectsTest, DefaultObjectIsAUnitCubeOfTwelveTriangles) {
  TWObject* Object = Pool.WObjects().Add();
  EXPECT_EQ("Object1", Object->Name());
  EXPECT_EQ(dxotCube, Object->ObjectType());
  EXPECT_EQ(12, Object->NumTriangles());
  EXPECT_EQ(36, Object->NumVertices());
  Object->SetIndexed(true);
  EXPECT_EQ(24, Object->NumVertices());
  EXPECT_EQ(36, Object->NumIndices());
  EXPECT_FALSE(Object->Built()) << "built only by the pool's init pass";
  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
  ASSERT_TRUE(Object->Built());
  // Six faces, four vertices each, all on the surface of the box.
  for (const TD3DVertex& V : ReadVertices(*Object)) {
    EXPECT_FLOAT_EQ(1.0f, std::max({std::fabs(V.x), std::fabs(V.y), std::fabs(V.z)}));
    EXPECT_FLOAT_EQ(1.0f, std::fabs(V.nx) + std::fabs(V.ny) + std::fabs(V.nz));
  }
}

TEST_F(ObjectsTest, IndexedAndPlainEmissionDrawTheSameTriangles) {
  for (TWDirectObjectType Type : kGenerated) {
    TWObject* Plain = Build(Type, 3, 2, 2, false);
    TWObject* Indexed = Build(Type, 3, 2, 2, true);
    ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
    const TTriangleVertices A = ReadTriangles(*Plain), B = ReadTriangles(*Indexed);
    ASSERT_EQ(static_cast<size_t>(3 * Plain->NumTriangles()), A.size()) << int(Type);
    EXPECT_EQ(A, B) << "shape " << int(Type);
  }
}

TEST_F(ObjectsTest, EveryTriangleIsClockwiseSeenFromItsNormalSide) {
  // Clockwise from the front in left-handed coordinates: the edge cross product points along
  // the normal, so the default culling of counter-clockwise faces keeps the outside.
  for (TWDirectObjectType Type : kGenerated) {
    TWObject* Object = Build(Type, 4, 3, 3, false);
    ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
    const TTriangleVertices T = ReadTriangles(*Object);
    for (size_t I = 0; I < T.size(); I += 3) {
      const D3DVECTOR C = Cross(Minus(T[I + 1], T[I]), Minus(T[I + 2], T[I]));
      const float Nx = T[I].nx + T[I + 1].nx + T[I + 2].nx;
      const float Ny = T[I].ny + T[I + 1].ny + T[I + 2].ny;
      const float Nz = T[I].nz + T[I + 1].nz + T[I + 2].nz;
      EXPECT_GT(C.x * Nx + C.y * Ny + C.z * Nz, 0.0f)
          << "shape " << int(Type) << " triangle " << I / 3;
    }
  }
}

TEST_F(ObjectsTest, PlaneXYCornersCarryTheirTextureCoordinates) {
  TWObject* Plane = Pool.WObjects().Add();
  Plane->SetObjectType(dxotPlaneXY);
  Plane->SetTextureFactor(3.0f);
  Plane->SetIndexed(true);
  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
  const std::vector<TD3DVertex> V = ReadVertices(*Plane);
  ASSERT_EQ(4u, V.size());
  // Grid number a + b * (nA + 1): a runs along x, b along y.
  EXPECT_EQ((TD3DVertex{-1, -1, -1, 0, 0, -1, 3, 0}), V[0]);
  EXPECT_EQ((TD3DVertex{1, -1, -1, 0, 0, -1, 0, 0}), V[1]);
  EXPECT_EQ((TD3DVertex{-1, 1, -1, 0, 0, -1, 3, 3}), V[2]);
  EXPECT_EQ((TD3DVertex{1, 1, -1, 0, 0, -1, 0, 3}), V[3]);
  // Cell triangles (V, Y, W), (V, X, Y).
  EXPECT_EQ((std::vector<WORD>{0, 3, 1, 0, 2, 3}), ReadIndices(*Plane));
}

TEST_F(ObjectsTest, PlanesSitOnTheirFacesWithTheirTextureDirection) {
  struct Row {
    TWDirectObjectType Type;
    D3DVECTOR FirstPosition, Normal;
    float FirstTu;
    std::vector<WORD> Indices;
  };
  // Position (0, 0, 0), size (1, 2, 3), segments 1, texture factor 1.
  const Row Rows[] = {
      {dxotPlaneXY2, {-1, -2, 3}, {0, 0, 1}, 1, {0, 1, 3, 0, 3, 2}},
      {dxotPlaneZY, {-1, -2, -3}, {-1, 0, 0}, 0, {0, 1, 3, 0, 3, 2}},
      {dxotPlaneZY2, {1, -2, -3}, {1, 0, 0}, 1, {0, 3, 1, 0, 2, 3}},
      {dxotPlaneXZ, {-1, -2, -3}, {0, -1, 0}, 0, {0, 1, 3, 0, 3, 2}},
      {dxotPlaneXZ2, {-1, 2, -3}, {0, 1, 0}, 1, {0, 3, 1, 0, 2, 3}},
  };
  for (const Row& R : Rows) {
    TWObject* Plane = Pool.WObjects().Add();
    Plane->SetObjectType(R.Type);
    Plane->SetSize({1, 2, 3});
    Plane->SetIndexed(true);
    ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
    const std::vector<TD3DVertex> V = ReadVertices(*Plane);
    ASSERT_EQ(4u, V.size());
    EXPECT_EQ(R.FirstPosition, (D3DVECTOR{V[0].x, V[0].y, V[0].z})) << int(R.Type);
    EXPECT_EQ(R.Normal, (D3DVECTOR{V[0].nx, V[0].ny, V[0].nz})) << int(R.Type);
    EXPECT_FLOAT_EQ(R.FirstTu, V[0].tu) << int(R.Type);
    EXPECT_FLOAT_EQ(0.0f, V[0].tv) << int(R.Type);
    EXPECT_EQ(R.Indices, ReadIndices(*Plane)) << int(R.Type);
  }
}

TEST_F(ObjectsTest, EllipseFourByFourPinsItsOrder) {
  TWObject* Sphere = Pool.WObjects().Add();
  Sphere->SetObjectType(dxotEllipse);
  Sphere->SetSegmentsX(4);
  Sphere->SetSegmentsZ(4);
  Sphere->SetIndexed(true);
  EXPECT_EQ(40, Sphere->NumTriangles());
  EXPECT_EQ(27, Sphere->NumVertices());
  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
  const std::vector<TD3DVertex> V = ReadVertices(*Sphere);
  const std::vector<WORD> I = ReadIndices(*Sphere);
  ASSERT_EQ(27u, V.size());
  ASSERT_EQ(120u, I.size());

  EXPECT_EQ((TD3DVertex{0, 0, 1, 0, 0, 1, 0, 0}), V[0]);
  EXPECT_EQ((TD3DVertex{0, 0, -1, 0, 0, -1, 0, 1}), V[26]);
  // Ring 0 sits at theta = pi / 6; its vertex 0 at phi = 0 points to -y.
  const float Pi = std::numbers::pi_v<float>;
  EXPECT_NEAR(0.0f, V[1].x, 1e-6f);
  EXPECT_NEAR(-0.5f, V[1].y, 1e-6f);
  EXPECT_NEAR(std::sqrt(3.0f) / 2, V[1].z, 1e-6f);
  EXPECT_FLOAT_EQ(1.0f, V[1].tu);
  EXPECT_NEAR(1.0f / 6, V[1].tv, 1e-6f);
  // Vertex 1 of the ring at phi = pi / 2 points to +x.
  EXPECT_NEAR(0.5f, V[2].x, 1e-6f);
  EXPECT_NEAR(0.0f, V[2].y, 1e-6f);
  EXPECT_FLOAT_EQ(0.75f, V[2].tu);
  // The seam vertex repeats vertex 0's position with tu 0.
  EXPECT_EQ(V[1].x, V[5].x);
  EXPECT_EQ(V[1].y, V[5].y);
  EXPECT_EQ(V[1].z, V[5].z);
  EXPECT_EQ(0.0f, V[5].tu);
  // Ring 4 is the last, at theta = 5 pi / 6.
  EXPECT_NEAR(std::cos(5 * Pi / 6), V[21].z, 1e-6f);

  // Top cap first: (top, R(0, j), R(0, j + 1)).
  EXPECT_EQ((std::vector<WORD>{0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 4, 5}),
            std::vector<WORD>(I.begin(), I.begin() + 12));
  // The first band's triangles join R(0, 0), R(1, 0), R(1, 1), then R(0, 0), R(1, 1), R(0, 1).
  EXPECT_EQ((std::vector<WORD>{1, 6, 7, 1, 7, 2}),
            std::vector<WORD>(I.begin() + 12, I.begin() + 18));
  // Bottom cap last: (bottom, R(4, 4 - w), R(4, 3 - w)).
  EXPECT_EQ((std::vector<WORD>{26, 25, 24, 26, 24, 23, 26, 23, 22, 26, 22, 21}),
            std::vector<WORD>(I.end() - 12, I.end()));
}

TEST_F(ObjectsTest, TubeRingsLieInThePlanesOfThePoles) {
  TWObject* Tube = Pool.WObjects().Add();
  Tube->SetObjectType(dxotTube);
  Tube->SetSegmentsX(4);
  Tube->SetSegmentsZ(1);
  Tube->SetPosition({0, 0, 1});
  Tube->SetSize({0.5f, 0.5f, 3});
  Tube->SetTextureFactor(3.0f);
  Tube->SetIndexed(true);
  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
  const std::vector<TD3DVertex> V = ReadVertices(*Tube);
  ASSERT_EQ(12u, V.size());
  EXPECT_FLOAT_EQ(4.0f, V[0].z);
  EXPECT_FLOAT_EQ(-2.0f, V[11].z);
  for (int j = 0; j <= 4; ++j) {
    EXPECT_FLOAT_EQ(4.0f, V[1 + j].z);
    EXPECT_FLOAT_EQ(1.0f, V[1 + j].nz);
    EXPECT_FLOAT_EQ(1.0f, V[1 + j].tv);  // TF / 3
    EXPECT_FLOAT_EQ(-2.0f, V[6 + j].z);
    EXPECT_FLOAT_EQ(-1.0f, V[6 + j].nz);
    EXPECT_FLOAT_EQ(2.0f, V[6 + j].tv);  // 2 TF / 3
  }
  // The side has radius 0.5 around the axis.
  EXPECT_NEAR(-0.5f, V[1].y, 1e-6f);
  EXPECT_NEAR(0.5f, V[2].x, 1e-6f);
}

TEST_F(ObjectsTest, SettersClampRecountAndRebuild) {
  TWObject* Object = Pool.WObjects().Add();
  Object->SetSegmentsX(-5);
  EXPECT_EQ(1, Object->SegmentsX());
  Object->SetSegmentsY(0);
  EXPECT_EQ(1, Object->SegmentsY());

  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
  const int Created = Log().Count("CreateVertexBuffer");
  Object->SetPosition(Object->Position());
  EXPECT_EQ(Created + 1, Log().Count("CreateVertexBuffer")) << "same position still rebuilds";
  Object->SetSegmentsX(1);
  EXPECT_EQ(Created + 1, Log().Count("CreateVertexBuffer")) << "same segments do not";
  Object->SetSegmentsZ(2);
  EXPECT_EQ(Created + 2, Log().Count("CreateVertexBuffer"));
  EXPECT_EQ(20, Object->NumTriangles());
  EXPECT_EQ(60, static_cast<int>(ReadVertices(*Object).size()));

  // An object that is not built only recounts.
  Pool.DeleteDeviceObjects();
  EXPECT_FALSE(Object->Built());
  Object->SetSegmentsZ(3);
  EXPECT_EQ(Created + 2, Log().Count("CreateVertexBuffer"));
  EXPECT_EQ(28, Object->NumTriangles());
}

TEST_F(ObjectsTest, UserDefinedCountsAreLimitedAndFilledByTheHandler) {
  TWObject* Object = Pool.WObjects().Add();
  Object->SetNumTriangles(5);
  EXPECT_EQ(12, Object->NumTriangles()) << "ignored for a generated shape";
  Object->SetObjectType(dxotUserDefined);
  Object->SetIndexed(true);
  Object->SetNumTriangles(21846);
  EXPECT_EQ(12, Object->NumTriangles());
  Object->SetNumTriangles(21845);
  EXPECT_EQ(21845, Object->NumTriangles());
  EXPECT_EQ(65535, Object->NumIndices());
  Object->SetNumVertices(65536);
  Object->SetNumVertices(0);
  EXPECT_EQ(36, Object->NumVertices()) << "kept from the cube's plain count";
  Object->SetNumTriangles(1);
  Object->SetNumVertices(3);
  EXPECT_EQ(3, Object->NumVertices());

  int Filled = 0;
  Object->OnSetData = [&](TWObject* Sender) {
    ++Filled;
    void* Data = nullptr;
    ASSERT_EQ(S_OK, Sender->VertexBuffer()->Lock(0, 0, &Data, 0));
    auto* V = static_cast<TD3DVertex*>(Data);
    V[0] = {0, 0, 0, 0, 0, -1, 0, 0};
    V[1] = {0, 1, 0, 0, 0, -1, 0, 1};
    V[2] = {1, 0, 0, 0, 0, -1, 1, 0};
    Sender->VertexBuffer()->Unlock();
    ASSERT_EQ(S_OK, Sender->IndexBuffer()->Lock(0, 0, &Data, 0));
    auto* I = static_cast<WORD*>(Data);
    I[0] = 0, I[1] = 1, I[2] = 2;
    Sender->IndexBuffer()->Unlock();
  };
  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
  EXPECT_EQ(1, Filled);
  const TTriangleVertices T = ReadTriangles(*Object);
  ASSERT_EQ(3u, T.size());
  EXPECT_FLOAT_EQ(1.0f, T[1].y);
}

TEST_F(ObjectsTest, BuildEventsAndVertexChangesRunInOrder) {
  TWObject* Object = Pool.WObjects().Add();
  Object->SetObjectType(dxotEllipse);
  Object->SetSegmentsX(3);
  Object->NegativeNormal = true;
  std::vector<std::string> Events;
  Object->OnBeforeConstruct = [&](TWObject*) { Events.push_back("before"); };
  Object->OnAfterConstruct = [&](TWObject*) { Events.push_back("after"); };
  int Points = 0;
  Object->OnCalcPoint = [&](TWObject*, TD3DVertex& V) {
    if (Points++ == 0) Events.push_back("point");
    V.tu += 10.0f;
  };
  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
  EXPECT_EQ((std::vector<std::string>{"before", "point", "after"}), Events);
  EXPECT_EQ(Object->NumVertices(), Points);
  // Plain emission: the first triangle starts at the top pole, whose normal is negated too.
  const std::vector<TD3DVertex> V = ReadVertices(*Object);
  EXPECT_EQ((TD3DVertex{0, 0, 1, 0, 0, -1, 10, 0}), V[0]);
  // Against a twin built without either change: every vertex of the buffer was changed.
  TWObject* Twin = Pool.WObjects().Add();
  Twin->SetObjectType(dxotEllipse);
  Twin->SetSegmentsX(3);
  ASSERT_EQ(S_OK, Twin->InitDeviceObjects());
  const std::vector<TD3DVertex> T = ReadVertices(*Twin);
  ASSERT_EQ(T.size(), V.size());
  for (size_t I = 0; I < V.size(); ++I) {
    EXPECT_EQ(
        (TD3DVertex{T[I].x, T[I].y, T[I].z, -T[I].nx, -T[I].ny, -T[I].nz, T[I].tu + 10, T[I].tv}),
        V[I])
        << I;
  }
}

TEST_F(ObjectsTest, AFailedBufferStopsTheCollectionButNotThePool) {
  TWObject* First = Pool.WObjects().Add();
  TWObject* Second = Pool.WObjects().Add();
  TWObject* Third = Pool.WObjects().Add();
  Pool.WLights().Add();
  Log().FailCall("CreateVertexBuffer", E_OUTOFMEMORY, 1, 1);
  EXPECT_EQ(E_OUTOFMEMORY, Pool.InitDeviceObjects());
  EXPECT_TRUE(First->Built());
  EXPECT_FALSE(Second->Built());
  EXPECT_FALSE(Third->Built()) << "later objects of the collection are not built";
  EXPECT_EQ(&DX, Pool.WLights().DX) << "later collections still take the phase";

  Log().ClearFailures();
  Second->SetIndexed(true);
  Log().FailCall("CreateIndexBuffer", D3DERR_OUTOFVIDEOMEMORY, 1);
  EXPECT_EQ(D3DERR_OUTOFVIDEOMEMORY, Second->InitDeviceObjects());
  EXPECT_EQ(nullptr, Second->VertexBuffer()) << "the vertex buffer goes again";
  EXPECT_EQ(nullptr, Second->IndexBuffer());
}

TEST_F(ObjectsTest, AFailedLockAfterGenerationKeepsTheBuffers) {
  TWObject* Object = Pool.WObjects().Add();
  Object->NegativeNormal = true;
  bool After = false;
  Object->OnAfterConstruct = [&](TWObject*) { After = true; };
  // The generator's six face locks succeed; the normal pass's lock fails.
  Log().FailCall("Lock", D3DERR_INVALIDCALL, 1, 6);
  EXPECT_EQ(D3DERR_INVALIDCALL, Pool.InitDeviceObjects());
  EXPECT_TRUE(Object->Built());
  EXPECT_FALSE(After);
}

TEST_F(ObjectsTest, AFailedLockInsideAGeneratorStillBuilds) {
  TWObject* Plane = Pool.WObjects().Add();
  Plane->SetObjectType(dxotPlaneXZ);
  bool After = false;
  Plane->OnAfterConstruct = [&](TWObject*) { After = true; };
  Log().FailCall("Lock", D3DERR_INVALIDCALL, 1);
  EXPECT_EQ(S_OK, Pool.InitDeviceObjects());
  EXPECT_TRUE(Plane->Built());
  EXPECT_TRUE(After);
  for (const TD3DVertex& V : ReadVertices(*Plane))
    EXPECT_EQ(TD3DVertex{}, V) << "the generator wrote nothing";
}

TEST_F(ObjectsTest, CountsTooLargeForTheBufferLengthFailInsteadOfWrapping) {
  // 50000 x 50000 cells: the byte length does not fit the platform's 32-bit length, and a
  // wrapped length would make a buffer far smaller than the generator's output.
  TWObject* Plane = Pool.WObjects().Add();
  Plane->SetObjectType(dxotPlaneXY);
  Plane->SetSegmentsX(50000);
  Plane->SetSegmentsY(50000);
  Plane->SetIndexed(true);
  EXPECT_EQ(INT_MAX, Plane->NumTriangles());
  EXPECT_EQ(E_OUTOFMEMORY, Pool.InitDeviceObjects());
  EXPECT_FALSE(Plane->Built());
  EXPECT_EQ(0, Log().Count("CreateVertexBuffer"));
}

TEST_F(ObjectsTest, BuffersAreManagedAndSurviveRestoreAndInvalidate) {
  TWObject* Object = Pool.WObjects().Add();
  Object->SetIndexed(true);
  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
  D3DVERTEXBUFFER_DESC VertexDesc;
  ASSERT_EQ(S_OK, Object->VertexBuffer()->GetDesc(&VertexDesc));
  EXPECT_EQ(D3DPOOL_MANAGED, VertexDesc.Pool);
  EXPECT_EQ(24u * 32u, VertexDesc.Size);
  D3DINDEXBUFFER_DESC IndexDesc;
  ASSERT_EQ(S_OK, Object->IndexBuffer()->GetDesc(&IndexDesc));
  EXPECT_EQ(D3DFMT_INDEX16, IndexDesc.Format);
  EXPECT_EQ(36u * 2u, IndexDesc.Size);

  IDirect3DVertexBuffer9* Before = Object->VertexBuffer();
  Pool.InvalidateDeviceObjects();
  Pool.RestoreDeviceObjects();
  EXPECT_EQ(Before, Object->VertexBuffer());
  Pool.DeleteDeviceObjects();
  EXPECT_EQ(nullptr, Object->VertexBuffer());
  EXPECT_EQ(nullptr, Object->IndexBuffer());
}

TEST_F(ObjectsTest, RenderDrawsOneCallAndNothingWhenNotBuilt) {
  TWObject* Object = Pool.WObjects().Add();
  Object->SetObjectType(dxotEllipse);
  Object->SetSegmentsX(8);
  Object->SetSegmentsZ(6);
  const size_t Before = Log().Calls().size();
  Object->Render();
  EXPECT_EQ(Before, Log().Calls().size()) << "an unbuilt object touches no device state";

  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
  ASSERT_EQ(S_OK, Device()->BeginScene());
  Object->Render();
  Object->SetIndexed(true);
  Object->Render();
  ASSERT_EQ(S_OK, Device()->EndScene());
  ASSERT_EQ(2u, Device()->Draws().size());
  const FakeDraw& Plain = Device()->Draws()[0];
  EXPECT_EQ("DrawPrimitive", Plain.Method);
  EXPECT_EQ(D3DPT_TRIANGLELIST, Plain.PrimitiveType);
  EXPECT_EQ(112u, Plain.PrimitiveCount);
  EXPECT_EQ(0x112u, Plain.FVF);
  EXPECT_EQ(32u, Plain.Stride);
  const FakeDraw& Indexed = Device()->Draws()[1];
  EXPECT_EQ("DrawIndexedPrimitive", Indexed.Method);
  EXPECT_EQ(112u, Indexed.PrimitiveCount);
  EXPECT_EQ(336u, Indexed.Indices.size());
}

}  // namespace
