// Celestial bodies against the fake device: construction from the catalogue, where they stand
// and how they are turned at a given AppTime, level of detail, the drawn states of the sphere,
// the shadow cone and the brass mount, and the eclipse test.
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "engine/TWTextures.h"
#include "scene/SceneFixture.h"

using namespace zelmar;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

class PlanetTest : public SceneFixture {};

TEST_F(PlanetTest, ARowBecomesABodyInSceneUnits) {
  auto Earth = Planet(3, 0.1f);
  EXPECT_FLOAT_EQ(Earth->Radius, 2.5484f);
  EXPECT_FLOAT_EQ(Earth->Distance, 299.2f);
  EXPECT_FLOAT_EQ(Earth->SpinRate, 0.1f);
  EXPECT_FLOAT_EQ(Earth->OrbitRate, 0.1f / 365.25f);
  EXPECT_EQ(Earth->Phase, std::floor(Earth->Phase));
  EXPECT_GE(Earth->Phase, 0.0f);
  EXPECT_LE(Earth->Phase, 999.0f);
  EXPECT_EQ(Earth->Meshes[2]->ObjectType(), dxotEllipse);
  EXPECT_EQ(Earth->Meshes[2]->Size().z, Earth->Radius);
  ASSERT_NE(Earth->ShadowMesh, nullptr);
  EXPECT_EQ(Earth->ShadowMesh->ObjectType(), dxotTube);
  EXPECT_FLOAT_EQ(Earth->ShadowMesh->Size().z, 15.0f * Earth->Radius);
  EXPECT_EQ(Earth->ShadowMesh->Position().z, 0.0f);

  auto Sun = Planet(0, 0.1f);
  EXPECT_EQ(Sun->Distance, 0.0f);
  EXPECT_EQ(Sun->OrbitRate, 0.0f);
  EXPECT_FLOAT_EQ(Sun->SpinRate, 0.1f / 25.0f);
  EXPECT_EQ(Sun->ShadowMesh, nullptr);
  EXPECT_FALSE(Sun->Lit);
  // Three spheres for each body, one tube for each body with a shadow.
  EXPECT_EQ(Pool.WObjects().Count(), 3 + 1 + 3);
}

TEST_F(PlanetTest, SegmentCountsFollowTheQualityForEveryCatalogueBody) {
  const int Sphere[] = {8, 6, 4};
  const int Tube[] = {20, 15, 10};
  std::vector<TBodyRow> Rows(kPlanetRows.begin(), kPlanetRows.end());
  Rows.insert(Rows.end(), kMoonRows.begin(), kMoonRows.end());
  for (std::uint8_t Quality = 0; Quality < 3; ++Quality) {
    for (const TBodyRow& Row : Rows) {
      auto B = Body(Row, 0.1f, Quality);
      for (int i = 0; i < 3; ++i) {
        const int Expected = Sphere[Quality] * (i + 1);
        EXPECT_EQ(B->Meshes[i]->SegmentsX(), Expected) << Row.TextureName << " q" << +Quality;
        EXPECT_EQ(B->Meshes[i]->SegmentsY(), Expected);
        EXPECT_EQ(B->Meshes[i]->SegmentsZ(), Expected);
      }
      if (B->ShadowMesh) {
        EXPECT_EQ(B->ShadowMesh->SegmentsX(), Tube[Quality]) << Row.TextureName;
        EXPECT_EQ(B->ShadowMesh->SegmentsZ(), Tube[Quality]);
      }
    }
  }
  // An unknown quality leaves the meshes' defaults.
  auto Odd = Planet(3, 0.1f, 3);
  EXPECT_EQ(Odd->Meshes[2]->SegmentsX(), 1);
  EXPECT_EQ(Odd->ShadowMesh->SegmentsZ(), 1);
  // A body far larger than the catalogue's gets a larger segment base: radius 100 gives 2.
  auto Giant = std::make_unique<TWPlanet>(&Pool.WObjects(), 1.0f, 0, true, 500000, 0, 1, 0.0f, 0.0f,
                                          0.0f, true);
  EXPECT_EQ(Giant->Meshes[0]->SegmentsX(), 16);
  EXPECT_EQ(Giant->Meshes[2]->SegmentsX(), 48);
  EXPECT_EQ(Giant->ShadowMesh->SegmentsX(), 40);
}

TEST_F(PlanetTest, TheSunStaysAtTheOriginAndOnlySpins) {
  auto Sun = Planet(0, 10.0f);
  for (float t : {0.0f, 3.5f, 1234.5f}) {
    DX.SetAppTime(t);
    EXPECT_EQ(Sun->Position(&DX), TD3DVector(0, 0, 0)) << t;
    ExpectNear(MatrixRotationZ(t * Sun->SpinRate) * MatrixRotationX(-kPi / 2),
               Sun->WorldMatrix(&DX), 1e-5f);
  }
}

TEST_F(PlanetTest, EarthAtStartAndAQuarterTurnLater) {
  auto Earth = Planet(3, 0.1f);
  Earth->Phase = 0.0f;
  DX.SetAppTime(0.0f);
  EXPECT_EQ(Earth->Position(&DX), TD3DVector(299.2f, 0, 0));
  ExpectNear(MatrixRotationY(0.0f), Earth->OrbitRotation(&DX), 0.0f);

  DX.SetAppTime((kPi / 2) / Earth->OrbitRate);
  ExpectNear({0, 0, -299.2f}, Earth->Position(&DX), 1e-3f);
  // The sphere is drawn where the body stands.
  ExpectNear(Earth->Position(&DX), MatrixOrigin(Earth->WorldMatrix(&DX)), 1e-3f);
}

TEST_F(PlanetTest, ABodyWithoutTiltOrSpinStandsItsPoleAlongY) {
  auto Earth = Planet(3, 0.1f);
  Earth->Phase = 0.0f;
  Earth->Tilt = 0.0f;
  Earth->SpinRate = 0.0f;
  DX.SetAppTime(0.0f);
  const TD3DMatrix World = Earth->WorldMatrix(&DX);
  ExpectNear(MatrixRotationX(-kPi / 2) * MatrixTranslation(Earth->Distance, 0, 0), World, 1e-6f);
  ExpectNear({0, 1, 0}, TransformDirection({0, 0, 1}, World), 1e-6f, "pole");
}

TEST_F(PlanetTest, TheAxisKeepsItsDirectionInSpaceWhileTheBodyOrbits) {
  auto Mars = Planet(4, 10.0f);
  DX.SetAppTime(0.0f);
  const TD3DVector Pole = TransformDirection({0, 0, 1}, Mars->WorldMatrix(&DX));
  // Leaned by the tilt from +y towards +z (RotationX of the tilt).
  ExpectNear({0, std::cos(Mars->Tilt), std::sin(Mars->Tilt)},
             TransformDirection({0, 0, 1}, MatrixRotationX(-kPi / 2 + Mars->Tilt)), 1e-6f);
  for (float t : {17.0f, 100.0f, 333.3f}) {
    DX.SetAppTime(t);
    const TD3DMatrix World = Mars->WorldMatrix(&DX);
    ExpectNear(Pole, TransformDirection({0, 0, 1}, World), 1e-4f, "pole");
    ExpectNear(Mars->Position(&DX), MatrixOrigin(World), 1e-2f, "centre");
  }
}

TEST_F(PlanetTest, SelectMeshSwitchesJustAboveSixHundredAndThreeHundred) {
  auto Sun = Planet(0);
  EXPECT_EQ(Sun->SelectMesh(&DX, {600, 0, 0}), Sun->Meshes[1]);
  EXPECT_EQ(Sun->SelectMesh(&DX, {0, std::nextafter(600.0f, 1e9f), 0}), Sun->Meshes[0]);
  EXPECT_EQ(Sun->SelectMesh(&DX, {0, 0, -300}), Sun->Meshes[2]);
  EXPECT_EQ(Sun->SelectMesh(&DX, {std::nextafter(300.0f, 1e9f), 0, 0}), Sun->Meshes[1]);
  // Measured from the body's centre, not from the origin.
  auto Earth = Planet(3);
  Earth->Phase = 0.0f;
  EXPECT_EQ(Earth->SelectMesh(&DX, {0, 0, 0}), Earth->Meshes[2]);
  EXPECT_EQ(Earth->SelectMesh(&DX, {0, 0, -400}), Earth->Meshes[1]);
  EXPECT_EQ(Earth->SelectMesh(&DX, {299.2f, 0, 10}), Earth->Meshes[2]);
}

TEST_F(PlanetTest, MoonsStartOnTheSunPlanetLineWhateverTheirPhase) {
  auto Jupiter = Planet(5, 10.0f);
  std::vector<std::unique_ptr<TWSattelite>> Moons;
  for (int i = 1; i <= 4; ++i) Moons.push_back(Moon(i, Jupiter.get(), 10.0f));
  DX.SetAppTime(0.0f);
  const TD3DVector Parent = Jupiter->Position(&DX);
  const TD3DVector Outward = Parent / VectorLength(Parent);
  for (auto& M : Moons) {
    const TD3DVector Centre = M->Centre(&DX);
    ExpectNear(Parent + Outward * M->Distance, Centre, 1e-2f, "on the line");
    ExpectNear(Centre, MatrixOrigin(M->WorldMatrix(&DX)), 1e-2f, "drawn there");
  }
  // Later each circles its parent at its own distance, still drawn at its centre.
  DX.SetAppTime(37.0f);
  for (auto& M : Moons) {
    const TD3DVector Centre = M->Centre(&DX);
    EXPECT_NEAR(VectorLength(Centre - Jupiter->Position(&DX)), M->Distance, 1e-2f);
    ExpectNear(Centre, MatrixOrigin(M->WorldMatrix(&DX)), 1e-2f);
    // Level of detail follows the moon, not the orbit its own numbers would give alone.
    EXPECT_EQ(M->SelectMesh(&DX, Centre + TD3DVector(1, 0, 0)), M->Meshes[2]);
  }
  // Triton runs the other way round Neptune.
  auto Neptune = Planet(8, 10.0f);
  auto Triton = Moon(10, Neptune.get(), 10.0f);
  EXPECT_LT(Triton->OrbitRate, 0.0f);
}

TEST_F(PlanetTest, ShadowAlphaFallsOffWithTheBodysAndTheEyesDistance) {
  // Near the Sun every inner planet's cone is at its strongest.
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(Planet(i)->ShadowAlpha({0, 0, -10}), 0.8f) << i;
  auto Saturn = Planet(6);
  const float Near = Saturn->ShadowAlpha({0, 0, -1000});
  EXPECT_FLOAT_EQ(Near, 100000.0f / Saturn->Distance / 1000.0f);
  EXPECT_FLOAT_EQ(Saturn->ShadowAlpha({0, 2000, 0}), Near / 2);
  auto Pluto = Planet(9);
  EXPECT_FLOAT_EQ(Pluto->ShadowAlpha({0, 0, -1000}), 100000.0f / Pluto->Distance / 1000.0f);
  EXPECT_LT(Pluto->ShadowAlpha({0, 0, -1000}), Near);
  // An eye exactly at the Sun does not divide by zero.
  EXPECT_EQ(Saturn->ShadowAlpha({0, 0, 0}), 0.8f);
}

TEST_F(PlanetTest, DrawSetsTextureMaterialAndLightingThenDrawsTheChosenSphere) {
  auto Earth = Planet(3);
  auto Sun = Planet(0);
  Earth->Phase = 0.0f;
  BuildAll();
  Earth->Draw(&DX, {299.2f, 0, -1000});
  Sun->Draw(&DX, {0, 0, -100});
  ASSERT_EQ(Device()->Draws().size(), 2u);
  const FakeDraw& E = Device()->Draws()[0];
  EXPECT_EQ(E.PrimitiveCount, static_cast<UINT>(Earth->Meshes[0]->NumTriangles()));
  EXPECT_EQ(E.RenderStates[D3DRS_LIGHTING], TRUE);
  EXPECT_EQ(E.Material.Diffuse, (D3DCOLORVALUE{1, 1, 1, 1}));
  EXPECT_EQ(E.Material.Ambient, (D3DCOLORVALUE{1, 1, 1, 1}));
  EXPECT_EQ(E.Material.Specular, (D3DCOLORVALUE{0.8f, 0.8f, 0.8f, 0}));
  EXPECT_EQ(E.Material.Emissive, (D3DCOLORVALUE{0, 0, 0, 0}));
  EXPECT_EQ(E.Material.Power, 25.0f);
  EXPECT_EQ(E.Texture0, "null");  // no texture item: drawn untextured
  const FakeDraw& S = Device()->Draws()[1];
  EXPECT_EQ(S.PrimitiveCount, static_cast<UINT>(Sun->Meshes[2]->NumTriangles()));
  EXPECT_EQ(S.RenderStates[D3DRS_LIGHTING], FALSE) << "the Sun shines by itself";
  EXPECT_EQ(Log().Lines()[0], "SetTexture(0, null)");
}

TEST_F(PlanetTest, DrawShadowBlendsTheConeAndRestoresCullingAndBlending) {
  auto Saturn = Planet(6);
  BuildAll();
  Saturn->DrawShadow(&DX, {0, 0, -1000});
  const std::vector<std::string> Expected = {
      "SetTexture(0, null)",
      "SetRenderState(D3DRS_CULLMODE, 1)",
      "SetRenderState(D3DRS_ALPHABLENDENABLE, 1)",
      "SetRenderState(D3DRS_SRCBLEND, 5)",
      "SetRenderState(D3DRS_DESTBLEND, 6)",
      "SetRenderState(D3DRS_LIGHTING, 1)",
      "SetRenderState(D3DRS_ALPHATESTENABLE, 1)",
      "SetRenderState(D3DRS_ALPHAREF, 8)",
      "SetRenderState(D3DRS_ALPHAFUNC, 7)",
  };
  const std::vector<std::string> Lines = Log().Lines();
  ASSERT_GE(Lines.size(), Expected.size());
  EXPECT_EQ(std::vector<std::string>(Lines.begin(), Lines.begin() + Expected.size()), Expected);
  ASSERT_EQ(Device()->Draws().size(), 1u);
  const FakeDraw& Cone = Device()->Draws()[0];
  EXPECT_EQ(Cone.PrimitiveCount, static_cast<UINT>(Saturn->ShadowMesh->NumTriangles()));
  const float Alpha = 100000.0f / Saturn->Distance / 1000.0f;
  EXPECT_EQ(Cone.Material.Diffuse, (D3DCOLORVALUE{1, 1, 1, Alpha}));
  EXPECT_EQ(Cone.Material.Ambient, (D3DCOLORVALUE{1, 1, 1, Alpha}));
  EXPECT_EQ(Cone.Material.Specular, (D3DCOLORVALUE{0, 0, 0, 0}));
  EXPECT_EQ(Cone.Material.Power, 40.0f);
  EXPECT_EQ(Cone.RenderStates[D3DRS_ALPHABLENDENABLE], TRUE);
  EXPECT_EQ(Cone.RenderStates[D3DRS_CULLMODE], static_cast<DWORD>(D3DCULL_NONE));
  const auto& After = Device()->State().RenderStates;
  EXPECT_EQ(After[D3DRS_ALPHABLENDENABLE], FALSE);
  EXPECT_EQ(After[D3DRS_CULLMODE], static_cast<DWORD>(D3DCULL_CCW));
  EXPECT_EQ(After[D3DRS_ALPHATESTENABLE], TRUE) << "the alpha test stays as set";

  // A device that cannot compare greater-or-equal keeps its alpha test; an eye at the Sun gets
  // the strongest cone.
  D3DCAPS9 Limited = DX.Caps();
  Limited.AlphaCmpCaps = D3DPCMPCAPS_LESS | D3DPCMPCAPS_EQUAL;
  Reattach(DX.PresentParams(), Limited);
  Log().Clear();
  Device()->ClearDraws();
  Saturn->DrawShadow(&DX, {0, 0, 0});
  for (const char* State : {"ALPHATESTENABLE", "ALPHAREF", "ALPHAFUNC"})
    EXPECT_EQ(Log().Find(std::string("SetRenderState(D3DRS_") + State), std::string::npos);
  ASSERT_EQ(Device()->Draws().size(), 1u);
  EXPECT_EQ(Device()->Draws()[0].Material.Diffuse.a, 0.8f);
}

TEST_F(PlanetTest, AConeTooFaintForTheAlphaTestIsNotDrawn) {
  auto Saturn = Planet(6);
  auto Mercury = Planet(1);
  BuildAll();
  // The test keeps 8-bit alpha of 8 and more: 7.5 of 255 and above may pass, so only a cone
  // below 7 of 255 is left out.
  auto EyeFor = [&](float Alpha) {
    return TD3DVector(0, 0, -100000.0f / Saturn->Distance / Alpha);
  };
  EXPECT_TRUE(Saturn->ShadowShows(&DX, EyeFor(7.2f / 255.0f)));
  EXPECT_FALSE(Saturn->ShadowShows(&DX, EyeFor(6.8f / 255.0f)));
  // Farther out (4.5 of 255): nothing drawn, no state touched.
  Log().Clear();
  Saturn->DrawShadow(&DX, {0, 0, -2000});
  EXPECT_TRUE(Log().Calls().empty()) << Log().Text();
  EXPECT_TRUE(Device()->Draws().empty());
  // An inner planet's cone is at its strongest there; a body without one never shows one.
  EXPECT_TRUE(Mercury->ShadowShows(&DX, {0, 0, -1000}));
  EXPECT_FALSE(Planet(0)->ShadowShows(&DX, {0, 0, -10}));

  // Without the alpha test every pixel of a faint cone blends in a little: it is drawn.
  D3DCAPS9 Limited = DX.Caps();
  Limited.AlphaCmpCaps = D3DPCMPCAPS_LESS;
  Reattach(DX.PresentParams(), Limited);
  Device()->ClearDraws();
  Saturn->DrawShadow(&DX, {0, 0, -2000});
  EXPECT_EQ(Device()->Draws().size(), 1u);
}

TEST_F(PlanetTest, BrassFormMountsEachBodyOnARodAndAnArm) {
  auto Sun = Planet(0, 10.0f);
  auto Mercury = Planet(1, 10.0f);
  auto Pluto = Planet(9, 10.0f);
  const float MercuryRadius = Mercury->Radius;
  const float MercuryDistance = Mercury->Distance;
  for (auto* B : {Sun.get(), Mercury.get(), Pluto.get()}) B->MakeBrass(&Pool);

  EXPECT_TRUE(Mercury->OnMount);
  EXPECT_EQ(Mercury->Tilt, 0.0f);
  EXPECT_FLOAT_EQ(Mercury->Radius, MercuryRadius / 2 + 5);
  EXPECT_EQ(Mercury->Meshes[1]->Size().y, Mercury->Radius);
  EXPECT_FLOAT_EQ(Mercury->Distance, 9 + MercuryDistance / 5);
  // The rod runs from half the old radius below the centre down to a - 40, the arm's height.
  const float a = (12000 - MercuryDistance) / 600;
  const TWObject* Rod = Mercury->RodMesh;
  ASSERT_NE(Rod, nullptr);
  EXPECT_EQ(Rod->ObjectType(), dxotTube);
  EXPECT_EQ(Rod->SegmentsX(), 4);
  EXPECT_FLOAT_EQ(Rod->Size().x, 0.4f);
  EXPECT_NEAR(Rod->Position().z + Rod->Size().z, -MercuryRadius / 2, 1e-5f);
  EXPECT_NEAR(Rod->Position().z - Rod->Size().z, a - 40, 1e-5f);
  const TWObject* Arm = Mercury->ArmMesh;
  ASSERT_NE(Arm, nullptr);
  EXPECT_EQ(Arm->ObjectType(), dxotCube);
  EXPECT_NEAR(Arm->Position().y, -20.19f, 0.01f);
  EXPECT_FLOAT_EQ(Arm->Position().x, Mercury->Distance / 2);
  EXPECT_FLOAT_EQ(Arm->Size().x, Mercury->Distance / 2);
  EXPECT_FLOAT_EQ(Arm->Size().y, 0.1f);
  EXPECT_FLOAT_EQ(Arm->Size().z, 0.6f);
  ASSERT_NE(Mercury->RodTexture, nullptr);
  ASSERT_NE(Mercury->ArmTexture, nullptr);
  EXPECT_NE(Mercury->RodTexture, Mercury->ArmTexture);
  EXPECT_EQ(Mercury->RodTexture->FileName(), "Rod.jpg");
  EXPECT_EQ(Mercury->ArmTexture->FileName(), "Rod.jpg");

  EXPECT_EQ(Sun->Distance, 0.0f);
  EXPECT_FLOAT_EQ(Sun->RodMesh->Position().z - Sun->RodMesh->Size().z, -40.0f);
  EXPECT_TRUE(Sun->Lit) << "lit in the room";
  EXPECT_NEAR(Pluto->ArmMesh->Position().y, -39.71f, 0.01f);

  auto Moon = this->Moon(0, Mercury.get(), 10.0f);
  const float MoonRadius = Moon->Radius;
  Moon->MakeBrass(&Pool);
  EXPECT_FLOAT_EQ(Moon->Radius, (MoonRadius / 2 + 5) / 6);
  EXPECT_FLOAT_EQ(Moon->Meshes[0]->Size().x, Moon->Radius);
}

TEST_F(PlanetTest, DrawMountDrawsTheRodUnderTheBodyAndTheArmOnItsOrbit) {
  auto Earth = Planet(3, 10.0f);
  auto Moon = this->Moon(0, Earth.get(), 10.0f);
  Earth->DrawMount(&DX);  // no device, not mounted: nothing
  Earth->MakeBrass(&Pool);
  Moon->MakeBrass(&Pool);
  BuildAll();
  DX.SetAppTime(12.5f);

  auto Unmounted = Planet(2);
  Unmounted->DrawMount(&DX);
  EXPECT_TRUE(Log().Lines().empty());

  const TD3DMatrix World = Earth->WorldMatrix(&DX);
  Device()->SetTransform(D3DTS_WORLD, &World);
  Earth->DrawMount(&DX);
  ASSERT_EQ(Device()->Draws().size(), 2u);
  const FakeDraw& Rod = Device()->Draws()[0];
  const FakeDraw& Arm = Device()->Draws()[1];
  EXPECT_EQ(Rod.PrimitiveCount, static_cast<UINT>(Earth->RodMesh->NumTriangles()));
  ExpectNear(World, Rod.World, 0.0f);
  EXPECT_EQ(Rod.RenderStates[D3DRS_LIGHTING], TRUE);
  EXPECT_EQ(Rod.Material.Specular, (D3DCOLORVALUE{0.8f, 0.8f, 0.8f, 0}));
  EXPECT_EQ(Rod.Material.Power, 25.0f);
  EXPECT_EQ(Arm.PrimitiveCount, 12u);
  ExpectNear(Earth->OrbitRotation(&DX), Arm.World, 0.0f);

  Device()->ClearDraws();
  Moon->DrawMount(&DX);
  ASSERT_EQ(Device()->Draws().size(), 2u);
  const FakeDraw& MoonArm = Device()->Draws()[1];
  EXPECT_EQ(MoonArm.Material.Specular, (D3DCOLORVALUE{0, 0, 0, 0}));
  EXPECT_EQ(MoonArm.Material.Power, 40.0f);
  ExpectNear(MatrixRotationY(Moon->MoonAngle(&DX)) * MatrixTranslation(Earth->Distance, 0, 0) *
                 Earth->OrbitRotation(&DX),
             MoonArm.World, 1e-6f);
  // The arm reaches from the parent's rod out to the moon.
  ExpectNear(Moon->Centre(&DX), TransformPoint({Moon->Distance, 0, 0}, MoonArm.World), 1e-3f);
}

TEST_F(PlanetTest, ShadowMatrixRunsTheConeStraightAwayFromTheSun) {
  auto Venus = Planet(2, 10.0f);
  DX.SetAppTime(40.0f);
  const TD3DMatrix Shadow = Venus->ShadowMatrix(&DX);
  const TD3DVector Centre = Venus->Position(&DX);
  const TD3DVector Away = Centre / VectorLength(Centre);
  // The tube's ends at local z = -15R and +15R.
  ExpectNear(Centre, TransformPoint({0, 0, -15 * Venus->Radius}, Shadow), 1e-3f, "near end");
  ExpectNear(Centre + Away * (30 * Venus->Radius),
             TransformPoint({0, 0, 15 * Venus->Radius}, Shadow), 1e-3f, "far end");
}

TEST(ViewAngles, AngleBetweenByTheLawOfCosines) {
  EXPECT_FLOAT_EQ(AngleBetween({1, 0, 0}, {0, 5, 0}), kPi / 2);
  EXPECT_FLOAT_EQ(AngleBetween({1, 0, 0}, {-3, 0, 0}), kPi);
  EXPECT_EQ(AngleBetween({0, 0, 0}, {1, 2, 3}), 0.0f);
  EXPECT_EQ(AngleBetween({1, 2, 3}, {0, 0, 0}), 0.0f);
  // Parallel and nearly parallel vectors carry the quotient past 1 in single precision; the
  // angle stays a number near zero.
  EXPECT_LT(AngleBetween({302.2f, 0, 0}, {3, 0, 0}), 0.01f);
  for (float Scale : {1.0f, 299.2f, 1556.66f, 11827.04f, 1e6f}) {
    for (float Skew : {0.0f, 1e-7f, 1e-5f}) {
      const float Angle =
          AngleBetween({Scale, Scale * Skew, 0.3f * Scale}, {2 * Scale, 0, 0.6f * Scale});
      EXPECT_FALSE(std::isnan(Angle)) << Scale << " " << Skew;
      EXPECT_LT(Angle, 0.01f);
    }
  }
}

TEST(ViewAngles, IsInViewWithinPointSixFiveRadians) {
  const TD3DVector Eye{0, 0, -100}, Target{0, 0, 0};
  EXPECT_TRUE(IsInView({0, 0, 0}, Target, Eye));
  EXPECT_TRUE(IsInView({100 * std::tan(0.64f), 0, 0}, Target, Eye));
  EXPECT_FALSE(IsInView({100 * std::tan(0.66f), 0, 0}, Target, Eye));
  EXPECT_FALSE(IsInView({0, 0, -200}, Target, Eye)) << "behind the eye";
}

TEST_F(PlanetTest, TheSunIsHiddenOnlyByADiscThatWhollyCoversIt) {
  auto Sun = Planet(0);
  auto Earth = Planet(3);
  Earth->Phase = 0.0f;
  // Just behind Earth on the Sun-Earth line, Earth's disc covers the Sun's.
  EXPECT_TRUE(Sun->IsHiddenBy(Earth.get(), {302.2f, 0, 0}, &DX));
  // Further out the Sun's disc is wider than Earth's.
  EXPECT_FALSE(Sun->IsHiddenBy(Earth.get(), {400, 0, 0}, &DX));
  // Off the line the discs no longer overlap.
  EXPECT_FALSE(Sun->IsHiddenBy(Earth.get(), {302.2f, 0, 5}, &DX));
  // Seen from beyond the Sun, Earth hides behind it.
  EXPECT_TRUE(Earth->IsHiddenBy(Sun.get(), {-500, 0, 0}, &DX));
  // An eye at the Sun's centre sees the Sun everywhere and does not divide by zero.
  EXPECT_FALSE(Sun->IsHiddenBy(Earth.get(), {0, 0, 0}, &DX));
}

}  // namespace
