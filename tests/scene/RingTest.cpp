// Saturn's ring against the fake device: its planes, its place in the parent's equator, its
// brass form and the states it draws with.
#include <algorithm>
#include <numbers>
#include <string>
#include <vector>

#include "scene/SceneFixture.h"
#include "scene/TWRing.h"

using namespace zelmar;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

class RingTest : public SceneFixture {
 protected:
  void MakeRing(float Speed = 0.1f) {
    Saturn = Planet(6, Speed);
    Ring = std::make_unique<TWRing>(&Pool.WObjects(), Speed, std::uint8_t{0}, kRingRow.Lit,
                                    kRingRow.Diameter, Saturn.get());
  }
  std::unique_ptr<TWPlanet> Saturn;
  std::unique_ptr<TWRing> Ring;
};

TEST_F(RingTest, ThreePlanesOfTheFinestQualityCentredOnTheParent) {
  MakeRing();
  EXPECT_EQ(Ring->Parent, Saturn.get());
  EXPECT_EQ(Ring->Radius, 60.0f);
  EXPECT_LT(Saturn->Radius, 24.2f);
  EXPECT_FALSE(Ring->Lit);
  EXPECT_EQ(Ring->Body->Distance, Saturn->Distance);
  EXPECT_EQ(Ring->Body->Tilt, Saturn->Tilt);
  EXPECT_EQ(Ring->Body->ViewDistance, Saturn->ViewDistance);
  EXPECT_EQ(Ring->Body->ShadowMesh, nullptr);
  const int Segments[] = {4, 8, 12};  // quality 2 whatever the ring was given
  for (int i = 0; i < 3; ++i) {
    const TWObject* Plane = Ring->Body->Meshes[i];
    EXPECT_EQ(Plane->ObjectType(), dxotPlaneXY);
    EXPECT_EQ(Plane->SegmentsX(), Segments[i]);
    EXPECT_EQ(Plane->SegmentsY(), Segments[i]);
    EXPECT_EQ(Plane->Position().z, 60.0f);
    EXPECT_EQ(Plane->Size().x, 60.0f);
  }

  BuildAll();
  // Built, a plane lies at z = 0 and covers -60..60 in x and y.
  const std::vector<TD3DVertex> Vertices = ReadVertices(*Ring->Body->Meshes[0]);
  ASSERT_FALSE(Vertices.empty());
  float MinX = 1e9f, MaxX = -1e9f, MinY = 1e9f, MaxY = -1e9f;
  for (const TD3DVertex& V : Vertices) {
    EXPECT_EQ(V.z, 0.0f);
    MinX = std::min(MinX, V.x), MaxX = std::max(MaxX, V.x);
    MinY = std::min(MinY, V.y), MaxY = std::max(MaxY, V.y);
  }
  EXPECT_EQ(MinX, -60.0f);
  EXPECT_EQ(MaxX, 60.0f);
  EXPECT_EQ(MinY, -60.0f);
  EXPECT_EQ(MaxY, 60.0f);
}

TEST_F(RingTest, BrassRingLiesLevelAroundTheBrassPlanet) {
  MakeRing(10.0f);
  Saturn->MakeBrass(&Pool);
  Ring->MakeBrass(&Pool);
  EXPECT_EQ(Ring->Radius, 35.0f);
  EXPECT_FLOAT_EQ(Saturn->Radius, 17.0536f);
  for (const TWObject* Plane : Ring->Body->Meshes) {
    EXPECT_EQ(Plane->Position().z, 35.0f);
    EXPECT_EQ(Plane->Size().z, 35.0f);
  }
  DX.SetAppTime(21.0f);
  const TD3DMatrix World = Ring->WorldMatrix(&DX);
  ExpectNear({0, 1, 0}, TransformDirection({0, 0, 1}, World), 1e-5f, "normal upright");
  ExpectNear(Saturn->Position(&DX), MatrixOrigin(World), 1e-3f, "around the brass planet");
}

TEST_F(RingTest, WorldMatrixLaysThePlaneIntoTheParentsEquator) {
  MakeRing(10.0f);
  Saturn->Phase = 0.0f;
  Saturn->Tilt = 0.0f;
  DX.SetAppTime(0.0f);
  // Local x and y go to the scene's x and -z around the parent's centre.
  const TD3DMatrix Level = Ring->WorldMatrix(&DX);
  ExpectNear({Saturn->Distance + 10, 0, 0}, TransformPoint({10, 0, 0}, Level), 1e-3f);
  ExpectNear({Saturn->Distance, 0, -10}, TransformPoint({0, 10, 0}, Level), 1e-3f);

  // With tilt and at any time the ring's normal is the parent's pole and its centre the
  // parent's; it turns once in its plane per orbit.
  Saturn->Tilt = kPlanetRows[6].Tilt;
  for (float t : {0.0f, 55.0f, 310.0f}) {
    DX.SetAppTime(t);
    const TD3DMatrix World = Ring->WorldMatrix(&DX);
    ExpectNear(TransformDirection({0, 0, 1}, Saturn->WorldMatrix(&DX)),
               TransformDirection({0, 0, 1}, World), 1e-4f, "normal");
    ExpectNear(Saturn->Position(&DX), MatrixOrigin(World), 1e-2f, "centre");
  }
}

TEST_F(RingTest, DrawsTranslucentUnlitFromBothSidesAndRestores) {
  MakeRing();
  Saturn->Phase = 0.0f;
  BuildAll();
  const TD3DVector Centre = Saturn->Position(&DX);
  Ring->Draw(&DX, Centre + TD3DVector(0, 700, 0));
  const std::vector<std::string> Expected = {
      "SetTexture(0, null)",
      "SetRenderState(D3DRS_CULLMODE, 1)",
      "SetRenderState(D3DRS_ALPHABLENDENABLE, 1)",
      "SetRenderState(D3DRS_SRCBLEND, 5)",
      "SetRenderState(D3DRS_DESTBLEND, 6)",
      "SetRenderState(D3DRS_LIGHTING, 0)",
      "SetRenderState(D3DRS_ALPHATESTENABLE, 1)",
      "SetRenderState(D3DRS_ALPHAREF, 8)",
      "SetRenderState(D3DRS_ALPHAFUNC, 7)",
      "SetRenderState(D3DRS_LIGHTING, 0)",
  };
  const std::vector<std::string> Lines = Log().Lines();
  ASSERT_GE(Lines.size(), Expected.size());
  EXPECT_EQ(std::vector<std::string>(Lines.begin(), Lines.begin() + Expected.size()), Expected);
  const std::vector<std::string> Tail = {"SetRenderState(D3DRS_ALPHABLENDENABLE, 0)",
                                         "SetRenderState(D3DRS_CULLMODE, 3)"};
  EXPECT_EQ(std::vector<std::string>(Lines.end() - 2, Lines.end()), Tail);
  const auto& After = Device()->State().RenderStates;
  EXPECT_EQ(After[D3DRS_ALPHATESTENABLE], TRUE) << "the alpha test stays as set";

  // The plane follows the eye's distance from the parent: 32, 128 and 288 triangles.
  Ring->Draw(&DX, Centre + TD3DVector(0, 0, -400));
  Ring->Draw(&DX, Centre + TD3DVector(250, 0, 0));
  ASSERT_EQ(Device()->Draws().size(), 3u);
  EXPECT_EQ(Device()->Draws()[0].PrimitiveCount, 32u);
  EXPECT_EQ(Device()->Draws()[1].PrimitiveCount, 128u);
  EXPECT_EQ(Device()->Draws()[2].PrimitiveCount, 288u);

  // A lit ring draws lit; a device without the comparison keeps its alpha test untouched.
  Ring->Lit = true;
  D3DCAPS9 Limited = DX.Caps();
  Limited.AlphaCmpCaps = D3DPCMPCAPS_ALWAYS;
  Reattach(DX.PresentParams(), Limited);
  Log().Clear();
  Device()->ClearDraws();
  Ring->Draw(&DX, Centre);
  EXPECT_EQ(Log().Find("SetRenderState(D3DRS_ALPHATESTENABLE"), std::string::npos);
  ASSERT_EQ(Device()->Draws().size(), 1u);
  EXPECT_EQ(Device()->Draws()[0].RenderStates[D3DRS_LIGHTING], TRUE);
}

}  // namespace
