// The backdrop on the recording backend: the room's shapes, textures and surfaces, the star
// sphere, and the calls and states of both displays' drawing.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine_pool/PoolFixture.h"
#include "platform/render/fake/FakeTexture9.h"
#include "scene/TWSpace.h"

namespace fs = std::filesystem;
using zelmar::TWSpace;

namespace {

const char* const kRoomFiles[] = {"wall1.jpg",   "wall2.jpg", "wall3.jpg", "wall4.jpg", "floor.jpg",
                                  "ceiling.jpg", "floor.jpg", "rod.jpg",   "floor.jpg"};

class SpaceTest : public PoolFixture {
 protected:
  void SetUp() override {
    Media = fs::temp_directory_path() /
            ("zelmar-space-" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(Media);
    for (const char* File : {"wall1.jpg", "wall2.jpg", "wall3.jpg", "wall4.jpg", "floor.jpg",
                             "ceiling.jpg", "rod.jpg", "nightsky.jpg"})
      std::ofstream(Media / File) << "image";
    Pool.PathTextures = Media.string();
    CreateDevice();
    Attach(Pool);
  }
  void TearDown() override {
    std::error_code Error;
    fs::remove_all(Media, Error);
  }

  // Builds and loads everything the backdrop put into the pool.
  void Build() {
    ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
    ASSERT_EQ(S_OK, Pool.RestoreDeviceObjects());
  }

  // Draws count only inside a scene, as the frame draws the backdrop.
  void Render(TWSpace& Space, const D3DXVECTOR3& Eye) {
    Device()->BeginScene();
    Space.Render(&DX, Eye);
    Device()->EndScene();
  }

  std::string LabelOf(TWTexture* Texture) {
    return static_cast<FakeTexture9*>(Texture->Texture())->Label();
  }

  fs::path Media;
  TWPool Pool;
};

D3DXVECTOR3 Transform(const TD3DVertex& V, const D3DMATRIX& M) {
  return {V.x * M._11 + V.y * M._21 + V.z * M._31 + M._41,
          V.x * M._12 + V.y * M._22 + V.z * M._32 + M._42,
          V.x * M._13 + V.y * M._23 + V.z * M._33 + M._43};
}

std::vector<TD3DVertex> VerticesOf(const FakeDraw& Draw) {
  std::vector<TD3DVertex> Result(Draw.Vertices.size() / sizeof(TD3DVertex));
  std::memcpy(Result.data(), Draw.Vertices.data(), Result.size() * sizeof(TD3DVertex));
  return Result;
}

struct TBounds {
  D3DXVECTOR3 Min{1e30f, 1e30f, 1e30f}, Max{-1e30f, -1e30f, -1e30f};
  void Add(const D3DXVECTOR3& P) {
    Min = {std::min(Min.x, P.x), std::min(Min.y, P.y), std::min(Min.z, P.z)};
    Max = {std::max(Max.x, P.x), std::max(Max.y, P.y), std::max(Max.z, P.z)};
  }
};

// Whether triangle (A, B, C) is wound clockwise seen from Eye: in left-handed coordinates the
// edges' cross product then points towards the eye. Clockwise is the front under CCW culling.
float Facing(const D3DXVECTOR3& A, const D3DXVECTOR3& B, const D3DXVECTOR3& C,
             const D3DXVECTOR3& Eye) {
  return VectorDot(VectorCross(B - A, C - A), Eye - A);
}

bool SameMaterial(const D3DMATERIAL9& A, const D3DMATERIAL9& B) {
  return A.Diffuse == B.Diffuse && A.Ambient == B.Ambient && A.Specular == B.Specular &&
         A.Emissive == B.Emissive && A.Power == B.Power;
}

bool SameMatrix(const D3DMATRIX& A, const D3DMATRIX& B) {
  return std::memcmp(&A, &B, sizeof(D3DMATRIX)) == 0;
}

// Every field is set: the material is a plain struct on Windows, where nothing zeroes it.
TEST(DefaultMaterial, HasNoHighlightOrGlowOfItsOwn) {
  const D3DMATERIAL9 M = DefaultMaterial(0.4f, 0.5f, 0.6f);
  EXPECT_EQ(M.Diffuse, (D3DCOLORVALUE{0.4f, 0.5f, 0.6f, 1.0f}));
  EXPECT_EQ(M.Ambient, M.Diffuse);
  EXPECT_EQ(M.Specular, D3DCOLORVALUE{});
  EXPECT_EQ(M.Emissive, D3DCOLORVALUE{});
  EXPECT_EQ(M.Power, 40.0f);
}

TEST_F(SpaceTest, TheRoomIsAClosedBoxWhoseSixSurfacesFaceInwards) {
  TWSpace Space(&Pool, true, 0);
  Build();
  struct Row {
    int Part;
    D3DXVECTOR3 Min, Max, Normal;
  };
  const Row Rows[] = {
      {TWSpace::rpWall1, {-2800, -160, 2800}, {2800, 960, 2800}, {0, 0, -1}},
      {TWSpace::rpWall2, {-2800, -160, -2800}, {2800, 960, -2800}, {0, 0, 1}},
      {TWSpace::rpWall3, {2800, -160, -2800}, {2800, 960, 2800}, {-1, 0, 0}},
      {TWSpace::rpWall4, {-2800, -160, -2800}, {-2800, 960, 2800}, {1, 0, 0}},
      {TWSpace::rpFloor, {-2800, -160, -2800}, {2800, -160, 2800}, {0, 1, 0}},
      {TWSpace::rpCeiling, {-2800, 888, -2800}, {2800, 888, 2800}, {0, -1, 0}},
  };
  // Points inside the room, high and low, where the camera goes.
  const D3DXVECTOR3 Inside[] = {{0, 210, -500}, {2000, -100, 2000}, {-2500, 800, 100}};
  for (const Row& R : Rows) {
    SCOPED_TRACE(R.Part);
    const TTriangleVertices Triangles = ReadTriangles(*Space.RoomObjects[R.Part]);
    ASSERT_EQ(6u, Triangles.size());
    TBounds Bounds;
    for (const TD3DVertex& V : Triangles) {
      Bounds.Add({V.x, V.y, V.z});
      EXPECT_EQ(R.Normal, D3DXVECTOR3(V.nx, V.ny, V.nz));
    }
    EXPECT_EQ(R.Min, Bounds.Min);
    EXPECT_EQ(R.Max, Bounds.Max);
    for (std::size_t I = 0; I < Triangles.size(); I += 3) {
      const D3DXVECTOR3 A(Triangles[I].x, Triangles[I].y, Triangles[I].z);
      const D3DXVECTOR3 B(Triangles[I + 1].x, Triangles[I + 1].y, Triangles[I + 1].z);
      const D3DXVECTOR3 C(Triangles[I + 2].x, Triangles[I + 2].y, Triangles[I + 2].z);
      for (const D3DXVECTOR3& Eye : Inside) EXPECT_GT(Facing(A, B, C, Eye), 0.0f);
    }
  }
  // The floor's texture repeats a hundred times across; the others once.
  const auto Floor = ReadVertices(*Space.RoomObjects[TWSpace::rpFloor]);
  EXPECT_EQ(100.0f, std::max_element(Floor.begin(), Floor.end(), [](auto& A, auto& B) {
                      return A.tu < B.tu;
                    })->tu);
}

TEST_F(SpaceTest, BrassShapesTexturesAndQuality) {
  TWSpace Space(&Pool, true, 1);
  EXPECT_TRUE(Space.Brass);
  ASSERT_EQ(9, Pool.WObjects().Count());
  ASSERT_EQ(9, Pool.WTextures().Count());
  for (int I = 0; I < TWSpace::rpCount; ++I) {
    EXPECT_EQ(Pool.WObjects().Items(I), Space.RoomObjects[I]) << "created in table order";
    EXPECT_EQ(Pool.WTextures().Items(I), Space.RoomTextures[I]);
    EXPECT_EQ(kRoomFiles[I], Space.RoomTextures[I]->FileName()) << I;
  }
  const TWObject* Column = Space.RoomObjects[TWSpace::rpColumn];
  const TWObject* Cap = Space.RoomObjects[TWSpace::rpCap];
  const TWObject* Base = Space.RoomObjects[TWSpace::rpBase];
  for (const TWObject* Tube : {Column, Cap, Base}) {
    EXPECT_EQ(dxotTube, Tube->ObjectType());
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(Tube->Position()));
    EXPECT_EQ(25, Tube->SegmentsX());
    EXPECT_EQ(25, Tube->SegmentsY());
    EXPECT_EQ(25, Tube->SegmentsZ());
    EXPECT_EQ(2 * 25 * 26, Tube->NumTriangles());
  }
  EXPECT_EQ(D3DXVECTOR3(10, 10, 35), D3DXVECTOR3(Column->Size()));
  EXPECT_EQ(D3DXVECTOR3(5, 5, 5), D3DXVECTOR3(Cap->Size()));
  EXPECT_EQ(D3DXVECTOR3(40, 40, 3), D3DXVECTOR3(Base->Size()));
  EXPECT_EQ(4.0f, Column->TextureFactor());
  EXPECT_EQ(1.0f, Cap->TextureFactor());
  EXPECT_EQ(2.0f, Base->TextureFactor());
  for (int I = TWSpace::rpWall1; I <= TWSpace::rpCeiling; ++I) {
    EXPECT_EQ(1, Space.RoomObjects[I]->SegmentsX());
    EXPECT_EQ(2, Space.RoomObjects[I]->NumTriangles()) << "planes stay one cell";
  }

  // The floor's file is three separate items, each loaded on its own.
  Build();
  const std::string FloorPath = (Media / "floor.jpg").string();
  int FloorLoads = 0;
  for (const FakeCall& Call : Log().CallsTo("D3DXCreateTextureFromFileEx"))
    FloorLoads += Call.Args.find(FloorPath) != std::string::npos && SUCCEEDED(Call.Result);
  EXPECT_EQ(3, FloorLoads);
  TWTexture* Floors[] = {Space.RoomTextures[TWSpace::rpFloor],
                         Space.RoomTextures[TWSpace::rpColumn],
                         Space.RoomTextures[TWSpace::rpBase]};
  EXPECT_NE(Floors[0], Floors[1]);
  EXPECT_NE(Floors[1], Floors[2]);
  for (TWTexture* Texture : Floors) {
    ASSERT_NE(nullptr, Texture->Texture());
    EXPECT_EQ(FloorPath, static_cast<FakeTexture9*>(Texture->Texture())->LoadedFrom);
  }
  EXPECT_NE(Floors[0]->Texture(), Floors[1]->Texture());

  // Segments by quality; anything past low leaves the tubes as new objects are.
  const int Expected[][2] = {{0, 40}, {1, 25}, {2, 10}, {3, 1}, {255, 1}};
  for (const auto& [Quality, Segments] : Expected) {
    TWPool Other;
    TWSpace Room(&Other, true, static_cast<std::uint8_t>(Quality));
    for (int I = TWSpace::rpColumn; I <= TWSpace::rpBase; ++I) {
      EXPECT_EQ(Segments, Room.RoomObjects[I]->SegmentsX()) << Quality;
      EXPECT_EQ(Segments, Room.RoomObjects[I]->SegmentsZ()) << Quality;
    }
    EXPECT_EQ(1, Room.RoomObjects[TWSpace::rpWall1]->SegmentsY()) << Quality;
  }
}

TEST_F(SpaceTest, BrassRenderDrawsTheRoomThenStandsThePedestalUnderTheSun) {
  TWSpace Space(&Pool, true, 2);
  Build();
  // States a previous frame may have left.
  Device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  Device()->SetRenderState(D3DRS_LIGHTING, FALSE);
  Device()->ClearDraws();
  Log().Clear();
  Render(Space, {0, 210, -500});

  const D3DMATERIAL9 White = DefaultMaterial(1, 1, 1);
  const D3DMATERIAL9 Dim = DefaultMaterial(0.4f, 0.4f, 0.4f);
  const D3DMATERIAL9 Bright = DefaultMaterial(0.8f, 0.8f, 0.8f);
  D3DMATERIAL9 Cap = Bright;
  Cap.Specular = {0.8f - 0.8f, 0.8f - 0.8f, 0.8f - 0.8f, 0};
  Cap.Power = 25;
  const std::vector<FakeCall> Materials = Log().CallsTo("SetMaterial");
  ASSERT_EQ(5u, Materials.size());
  EXPECT_LT(Log().Find("SetMaterial"), Log().Find("SetRenderState(D3DRS_CULLMODE"))
      << "full white comes first";
  D3DMATERIAL9 Last;
  Device()->GetMaterial(&Last);
  EXPECT_TRUE(SameMaterial(Dim, Last)) << "the base's material is the last";

  const TD3DMatrix Up = MatrixRotationX(-1.5707964f);
  const TD3DMatrix Identity = MatrixIdentity();
  struct Row {
    int Part;
    D3DMATERIAL9 Material;
    TD3DMatrix World;
  };
  const Row Rows[] = {
      {TWSpace::rpWall1, Dim, Identity},
      {TWSpace::rpWall2, Dim, Identity},
      {TWSpace::rpWall3, Dim, Identity},
      {TWSpace::rpWall4, Dim, Identity},
      {TWSpace::rpFloor, Dim, Identity},
      {TWSpace::rpCeiling, Dim, Identity},
      {TWSpace::rpColumn, Bright, Up * MatrixTranslation(0, -85, 0)},
      {TWSpace::rpCap, Cap, Up * MatrixTranslation(0, -45, 0)},
      {TWSpace::rpBase, Dim, Up * MatrixTranslation(0, -125, 0)},
  };
  const std::vector<FakeDraw>& Draws = Device()->Draws();
  ASSERT_EQ(9u, Draws.size());
  for (std::size_t I = 0; I < Draws.size(); ++I) {
    SCOPED_TRACE(I);
    const FakeDraw& Draw = Draws[I];
    const TWObject* Object = Space.RoomObjects[Rows[I].Part];
    EXPECT_EQ(LabelOf(Space.RoomTextures[Rows[I].Part]), Draw.Texture0);
    EXPECT_EQ(static_cast<UINT>(Object->NumTriangles()), Draw.PrimitiveCount);
    EXPECT_TRUE(SameMaterial(Rows[I].Material, Draw.Material));
    EXPECT_TRUE(SameMatrix(Rows[I].World, Draw.World));
    EXPECT_EQ(static_cast<DWORD>(D3DCULL_CCW), Draw.RenderStates[D3DRS_CULLMODE]);
    EXPECT_EQ(static_cast<DWORD>(TRUE), Draw.RenderStates[D3DRS_LIGHTING]);
  }
  EXPECT_FALSE(SameMaterial(White, Draws[0].Material));

  // Where the pedestal's parts land: stacked on the axis below the Sun.
  struct Extent {
    float Radius, Bottom, Top;
  };
  const Extent Extents[] = {{10, -120, -50}, {5, -50, -40}, {40, -128, -122}};
  for (int I = 0; I < 3; ++I) {
    SCOPED_TRACE(I);
    TBounds Bounds;
    for (const TD3DVertex& V : VerticesOf(Draws[6 + I]))
      Bounds.Add(Transform(V, Draws[6 + I].World));
    EXPECT_NEAR(Extents[I].Bottom, Bounds.Min.y, 1e-3f);
    EXPECT_NEAR(Extents[I].Top, Bounds.Max.y, 1e-3f);
    EXPECT_NEAR(-Extents[I].Radius, Bounds.Min.z, 1e-3f);
    EXPECT_NEAR(Extents[I].Radius, Bounds.Max.z, 1e-3f);
    // Ten segments make a decagon with corners at the front and back, not at the sides.
    EXPECT_NEAR(-Extents[I].Radius * 0.95105652f, Bounds.Min.x, 1e-3f);
    EXPECT_NEAR(Extents[I].Radius * 0.95105652f, Bounds.Max.x, 1e-3f);
  }
  // Left for the frame: the base's world transform, culling and lighting.
  EXPECT_TRUE(SameMatrix(Rows[8].World, Device()->State().Transform(D3DTS_WORLD)));
  EXPECT_EQ(static_cast<DWORD>(D3DCULL_CCW), Device()->State().RenderStates[D3DRS_CULLMODE]);
  EXPECT_EQ(static_cast<DWORD>(TRUE), Device()->State().RenderStates[D3DRS_LIGHTING]);
}

TEST_F(SpaceTest, SpaceDrawsTheStarSphereRoundTheCameraFromInside) {
  TWSpace Space(&Pool, false, 0);
  EXPECT_FALSE(Space.Brass);
  ASSERT_EQ(1, Pool.WObjects().Count());
  ASSERT_EQ(1, Pool.WTextures().Count());
  TWObject* Sphere = Space.RoomObjects[TWSpace::rpStars];
  ASSERT_EQ(Pool.WObjects().Items(0), Sphere);
  EXPECT_EQ(nullptr, Space.RoomObjects[1]);
  EXPECT_EQ(dxotEllipse, Sphere->ObjectType());
  EXPECT_EQ(D3DXVECTOR3(100000, 100000, 100000), D3DXVECTOR3(Sphere->Size()));
  EXPECT_EQ(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(Sphere->Position()));
  EXPECT_EQ(5, Sphere->SegmentsX());
  EXPECT_EQ(5, Sphere->SegmentsY());
  EXPECT_EQ(5, Sphere->SegmentsZ());
  EXPECT_EQ(20.0f, Sphere->TextureFactor());
  EXPECT_EQ("nightsky.jpg", Space.RoomTextures[TWSpace::rpStars]->FileName());
  Build();

  for (const D3DXVECTOR3& Eye : {D3DXVECTOR3(0, 210, -500), D3DXVECTOR3(-11827, 40, 3.5f)}) {
    Device()->ClearDraws();
    Log().Clear();
    Render(Space, Eye);
    const auto At = [&](const std::string& Prefix) { return Log().Find(Prefix); };
    // Culling flips for the inside and is put back after the draw.
    const std::size_t Cw = At("SetRenderState(D3DRS_CULLMODE, 2)");
    const std::size_t Draw = At("DrawPrimitive(");
    ASSERT_NE(std::string::npos, Draw);
    EXPECT_LT(At("SetMaterial"), Cw);
    EXPECT_LT(Cw, Draw);
    EXPECT_LT(Draw, Log().Find("SetRenderState(D3DRS_CULLMODE, 3)", Draw));
    EXPECT_EQ(1, Log().Count("SetMaterial"));

    ASSERT_EQ(1u, Device()->Draws().size());
    const FakeDraw& Stars = Device()->Draws()[0];
    EXPECT_EQ(LabelOf(Space.RoomTextures[TWSpace::rpStars]), Stars.Texture0);
    EXPECT_TRUE(SameMaterial(DefaultMaterial(1, 1, 1), Stars.Material));
    EXPECT_EQ(static_cast<DWORD>(D3DCULL_CW), Stars.RenderStates[D3DRS_CULLMODE]);
    EXPECT_EQ(static_cast<DWORD>(FALSE), Stars.RenderStates[D3DRS_LIGHTING]);
    EXPECT_EQ(static_cast<DWORD>(D3DZB_FALSE), Stars.RenderStates[D3DRS_ZENABLE]);
    EXPECT_TRUE(SameMatrix(MatrixRotationX(-1.5707964f) * MatrixTranslation(Eye.x, Eye.y, Eye.z),
                           Stars.World));
    EXPECT_EQ(60u, Stars.PrimitiveCount);

    // Every star lies 100000 from the eye, the poles straight above and below it, and every
    // triangle shows its front to the eye when clockwise ones are culled.
    const std::vector<TD3DVertex> Vertices = VerticesOf(Stars);
    ASSERT_EQ(180u, Vertices.size());
    float Highest = -1e30f;
    for (std::size_t I = 0; I < Vertices.size(); I += 3) {
      D3DXVECTOR3 P[3];
      for (int K = 0; K < 3; ++K) {
        P[K] = Transform(Vertices[I + K], Stars.World);
        EXPECT_NEAR(100000.0f, VectorLength(P[K] - Eye), 5.0f);
        Highest = std::max(Highest, P[K].y);
      }
      EXPECT_LT(Facing(P[0], P[1], P[2], Eye), 0.0f) << I / 3;
      // The face's plane, the nearest any of its pixels comes to the eye.
      const D3DXVECTOR3 Normal = VectorNormalize(VectorCross(P[1] - P[0], P[2] - P[0]));
      EXPECT_GE(std::fabs(VectorDot(Normal, P[0] - Eye)), TWSpace::kSkyNearest) << I / 3;
    }
    EXPECT_NEAR(Eye.y + 100000.0f, Highest, 1.0f);
  }
  EXPECT_EQ(static_cast<DWORD>(D3DCULL_CCW), Device()->State().RenderStates[D3DRS_CULLMODE]);
  EXPECT_EQ(static_cast<DWORD>(FALSE), Device()->State().RenderStates[D3DRS_LIGHTING]);
  EXPECT_EQ(static_cast<DWORD>(D3DZB_TRUE), Device()->State().RenderStates[D3DRS_ZENABLE]);

  // Without a device there is nothing to draw on.
  TW9DirectX NoDevice;
  Log().Clear();
  Space.Render(&NoDevice, {0, 0, 0});
  Space.Render(nullptr, {0, 0, 0});
  EXPECT_TRUE(Log().Calls().empty());
}

// The real sky's texture holds the whole sky once: u runs against the planets' turn from
// u 0.75 at longitude 0 (the planets stand at (cos L, 0, -sin L)), v from the ecliptic's south
// pole (v 0, scene +y) to its north pole (v 1, scene -y). The sky's painter lays the stars out so.
TEST_F(SpaceTest, TheRealSkyWrapsItsTextureOnceRoundTheEcliptic) {
  TWSpace Space(&Pool, false, 0, true);
  TWObject* Sphere = Space.RoomObjects[TWSpace::rpStars];
  EXPECT_EQ(1.0f, Sphere->TextureFactor());
  EXPECT_EQ(64, Sphere->SegmentsX());
  EXPECT_EQ("nightsky.jpg", Space.RoomTextures[TWSpace::rpStars]->FileName());
  Build();
  Device()->BeginScene();
  Space.Render(&DX, {0, 0, 0});
  Device()->EndScene();
  ASSERT_EQ(1u, Device()->Draws().size());
  const FakeDraw& Stars = Device()->Draws()[0];
  const std::vector<TD3DVertex> Vertices = VerticesOf(Stars);
  ASSERT_GT(Vertices.size(), 3u * 64 * 30);
  constexpr double kDeg = 180.0 / 3.14159265358979323846;
  int Checked = 0;
  for (const TD3DVertex& V : Vertices) {
    const D3DXVECTOR3 P = Transform(V, Stars.World) * (1.0f / 100000.0f);
    const double Lat = std::asin(std::clamp(-static_cast<double>(P.y), -1.0, 1.0)) * kDeg;
    EXPECT_NEAR(V.tv, (90.0 + Lat) / 180.0, 1e-3);
    if (std::abs(Lat) > 85) continue;  // the poles' fans have no longitude of their own
    const double Lon = std::atan2(-static_cast<double>(P.z), static_cast<double>(P.x)) * kDeg;
    double U = 1.0 - (Lon + 90.0) / 360.0;
    U -= std::floor(U);
    // The seam's vertices may carry either end of the wrap.
    const double Off = std::abs(V.tu - U);
    EXPECT_LT(std::min(Off, std::abs(Off - 1.0)), 1e-3) << Lon << " " << Lat;
    ++Checked;
  }
  EXPECT_GT(Checked, 64 * 30 * 3);
}

}  // namespace
