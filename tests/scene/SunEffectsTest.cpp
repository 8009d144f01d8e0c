// The Sun's lens flare and glare on the fake backend: the flare's parts, its geometry and
// opacity with the draw states, and the glare's veil.
#include <cmath>
#include <cstring>

#include "engine/TWPool.h"
#include "engine_pool/PoolFixture.h"
#include "platform/render/d3dx9.h"
#include "platform/render/fake/FakeSprite.h"
#include "scene/TWGlare.h"
#include "scene/TWLensFlare.h"

using zelmar::TWGlare;
using zelmar::TWLensFlare;

namespace {

class SunEffectsTest : public PoolFixture {
 protected:
  // The effects' pictures as program resources: 32 x 32 stand-ins on the fake backend.
  static constexpr const char* kPictures[] = {"flare1", "flare2", "flare3", "flare4", "flare5",
                                              "flare6", "flare7", "flare8", "flare9", "Glare"};
  void SetUp() override {
    for (const char* Name : kPictures) D3DXRegisterResource(Name, std::vector<BYTE>(4, 0));
  }
  void TearDown() override {
    for (const char* Name : kPictures) D3DXUnregisterResource(Name);
  }
  void Start() {
    CreateDevice();
    DX.d3dSettings().Windowed = true;
    DX.d3dSettings().WindowedConfig.DisplayMode = {1280, 720, 60, D3DFMT_X8R8G8B8};
    // A window the size of the screen: its back buffer is what the glare covers.
    D3DPRESENT_PARAMETERS Screen = DX.PresentParams();
    Screen.BackBufferWidth = 1280;
    Screen.BackBufferHeight = 720;
    Reattach(Screen, DX.Caps());
    Attach(Pool);
    ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
    ASSERT_EQ(S_OK, Pool.RestoreDeviceObjects());
    Log().Clear();
    Device()->ClearDraws();
    Device()->BeginScene();
  }
  // Draws the flare and returns its nine draws.
  std::vector<FakeDraw> Flare(TWLensFlare& LensFlare, const TD3DVector& Eye,
                              const TD3DVector& Target) {
    Device()->ClearDraws();
    LensFlare.Render(Eye, Target, &DX);
    return Device()->Draws();
  }
  static TD3DVector Place(const FakeDraw& Draw) {
    return {Draw.World._41, Draw.World._42, Draw.World._43};
  }

  TWPool Pool;
};

TEST_F(SunEffectsTest, TheFlareIsNineTexturedSquaresOfThePool) {
  TWLensFlare LensFlare(&Pool);
  EXPECT_EQ(&Pool, LensFlare.Pool);
  const float Sizes[] = {0.5f, 0.3f, 0.1f, 0.2f, 0.05f, 0.6f, 0.15f, 0.25f, 0.05f};
  const float Positions[] = {1.5f, 0.4f, 0.5f, 0.3f, 0.35f, -0.5f, 1.2f, 1.0f, 0.8f};
  Start();
  for (int I = 0; I < 9; ++I) {
    EXPECT_EQ("flare" + std::to_string(I + 1) + ".tga", LensFlare.FlareTextures[I]->FileName());
    EXPECT_EQ(Positions[I], LensFlare.FlarePositions[I]);
    TWObject* Square = LensFlare.FlareElements[I];
    EXPECT_EQ(dxotPlaneXY2, Square->ObjectType());
    EXPECT_EQ(2, Square->NumTriangles());
    // A square from (-s, -s) to (s, s) in the plane z = 0.
    for (const TD3DVertex& V : ReadVertices(*Square)) {
      EXPECT_FLOAT_EQ(Sizes[I], std::fabs(V.x)) << I;
      EXPECT_FLOAT_EQ(Sizes[I], std::fabs(V.y)) << I;
      EXPECT_FLOAT_EQ(0.0f, V.z) << I;
    }
  }
  EXPECT_EQ(9, Pool.WObjects().Count());
  EXPECT_EQ(9, Pool.WTextures().Count());
}

TEST_F(SunEffectsTest, FlarePlacesAndFadesItsElementsByTheSunsOffset) {
  TWLensFlare LensFlare(&Pool);
  Start();

  // Sun on the view axis: no offset, every element would sit at the centre, fully
  // transparent: nothing is drawn and no state touched.
  EXPECT_EQ(0.0f, TWLensFlare::Layout({0, 0, -1000}, {0, 0, 0}).Opacity);
  Log().Clear();
  auto Draws = Flare(LensFlare, {0, 0, -1000}, {0, 0, 0});
  EXPECT_TRUE(Draws.empty());
  EXPECT_EQ(Log().Count("SetRenderState"), 0) << Log().Text();

  // Looking 45 degrees away from the Sun, level: P is the eye itself, kx = sin 45, ky = 0,
  // full opacity. The element at 1.0 sits at the centre, the one at -0.5 half as far again
  // beyond the Sun's flare point (5 kx, 0).
  Draws = Flare(LensFlare, {0, 0, -1000}, {1000, 0, 0});
  ASSERT_EQ(9u, Draws.size());
  const float Kx = std::sqrt(0.5f);
  for (int I = 0; I < 9; ++I) {
    const float P = LensFlare.FlarePositions[I];
    EXPECT_NEAR(5.0f * (1.0f - P) * Kx, Draws[I].World._41, 1e-5f) << I;
    EXPECT_NEAR(0.0f, Draws[I].World._42, 1e-5f) << I;
    EXPECT_EQ(0.0f, Draws[I].World._43);
    EXPECT_EQ(1.0f, Draws[I].Material.Diffuse.a);
    EXPECT_EQ(1.0f, Draws[I].Material.Ambient.a);
    ASSERT_TRUE(LensFlare.FlareTextures[I]->Texture());
    EXPECT_EQ(FakeLabel(LensFlare.FlareTextures[I]->Texture()), Draws[I].Texture0);
  }
  EXPECT_TRUE(Place(Draws[7]) == TD3DVector(0, 0, 0));
  EXPECT_NEAR(1.5f * Draws[7].World._41 + 7.5f * Kx, Draws[5].World._41, 1e-5f);

  // A small offset gives a faint flare: 40 (|kx| + |ky|).
  const auto Small = TWLensFlare::Layout({0, 0, -1000}, {0, 10, 0});
  EXPECT_NEAR(0.0f, Small.kx, 1e-7f);
  EXPECT_NEAR(40.0f * std::fabs(Small.ky), Small.Opacity, 1e-6f);
  EXPECT_GT(Small.Opacity, 0.0f);
  EXPECT_LT(Small.Opacity, 0.05f);

  // Within 300 units it fades linearly and vanishes at 200, where it is no longer drawn.
  EXPECT_NEAR(0.5f, TWLensFlare::Layout({0, 0, -250}, {250, 0, 0}).Opacity, 1e-6f);
  EXPECT_EQ(9u, Flare(LensFlare, {0, 0, -250}, {250, 0, 0}).size());
  EXPECT_TRUE(Flare(LensFlare, {0, 0, -200}, {200, 0, 0}).empty());
  EXPECT_EQ(0.0f, TWLensFlare::Layout({0, 0, -150}, {150, 0, 0}).Opacity);

  // Too faint to pass the alpha test (2 x opacity x 255 below 8) is left out; without the test
  // only a flare of opacity 0 is.
  EXPECT_TRUE(TWLensFlare::Invisible(0.0f, true));
  EXPECT_TRUE(TWLensFlare::Invisible(6.9f / 510.0f, true));
  EXPECT_FALSE(TWLensFlare::Invisible(8.0f / 510.0f, true));
  EXPECT_TRUE(TWLensFlare::Invisible(0.0f, false));
  EXPECT_FALSE(TWLensFlare::Invisible(0.001f, false));

  // Straight down the vertical axis there is no flare line: nothing drawn, no state touched.
  Log().Clear();
  EXPECT_TRUE(Flare(LensFlare, {0, 1000, 0}, {0, 0, 0}).empty());
  EXPECT_TRUE(Log().Calls().empty());
}

TEST_F(SunEffectsTest, FlareDrawsInItsOwnViewBetweenItsStates) {
  TWLensFlare LensFlare(&Pool);
  Start();
  Device()->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  const auto Draws = Flare(LensFlare, {0, 0, -1000}, {1000, 0, 0});
  ASSERT_EQ(9u, Draws.size());
  D3DXMATRIX View;
  const D3DXVECTOR3 Eye(0, 0, -5), At(0, 0, 0), Up(0, 1, 0);
  D3DXMatrixLookAtLH(&View, &Eye, &At, &Up);
  for (const FakeDraw& Draw : Draws) {
    EXPECT_EQ(0, std::memcmp(&View, &Draw.View, sizeof View));
    EXPECT_EQ(FALSE, Draw.RenderStates[D3DRS_ZWRITEENABLE]);
    EXPECT_EQ(TRUE, Draw.RenderStates[D3DRS_ALPHABLENDENABLE]);
    EXPECT_EQ(D3DCULL_NONE, Draw.RenderStates[D3DRS_CULLMODE]);
    EXPECT_EQ(TRUE, Draw.RenderStates[D3DRS_LIGHTING]);
    EXPECT_EQ(D3DBLEND_SRCALPHA, Draw.RenderStates[D3DRS_SRCBLEND]);
    EXPECT_EQ(D3DBLEND_INVSRCALPHA, Draw.RenderStates[D3DRS_DESTBLEND]);
    for (auto Source : {D3DRS_AMBIENTMATERIALSOURCE, D3DRS_DIFFUSEMATERIALSOURCE,
                        D3DRS_SPECULARMATERIALSOURCE, D3DRS_EMISSIVEMATERIALSOURCE})
      EXPECT_EQ(D3DMCS_MATERIAL, Draw.RenderStates[Source]);
    EXPECT_EQ(D3DTOP_MODULATE2X, Draw.Stage0[D3DTSS_ALPHAOP]);
    EXPECT_EQ(TRUE, Draw.RenderStates[D3DRS_ALPHATESTENABLE]);
    EXPECT_EQ(8u, Draw.RenderStates[D3DRS_ALPHAREF]);
    EXPECT_EQ(D3DCMP_GREATEREQUAL, Draw.RenderStates[D3DRS_ALPHAFUNC]);
    EXPECT_EQ(40.0f, Draw.Material.Power);
    EXPECT_TRUE(Draw.Material.Specular == D3DCOLORVALUE{} &&
                Draw.Material.Emissive == D3DCOLORVALUE{});
  }
  // Afterwards: alpha test off, depth writes on, the plain alpha operation; the rest stays.
  const FakeDeviceState& State = Device()->State();
  EXPECT_EQ(FALSE, State.RenderStates[D3DRS_ALPHATESTENABLE]);
  EXPECT_EQ(TRUE, State.RenderStates[D3DRS_ZWRITEENABLE]);
  EXPECT_EQ(D3DTOP_MODULATE, State.TextureStageStates[0][D3DTSS_ALPHAOP]);
  EXPECT_EQ(D3DCULL_NONE, State.RenderStates[D3DRS_CULLMODE]);
  EXPECT_EQ(TRUE, State.RenderStates[D3DRS_ALPHABLENDENABLE]);
}

TEST_F(SunEffectsTest, FlareSkipsTheAlphaTestOnADeviceThatCannotCompareThatWay) {
  FakeMachine Machine = FakeMachine::Typical();
  for (FakeDeviceDesc& Desc : Machine.Adapters[0].Devices)
    Desc.Caps.AlphaCmpCaps &= ~D3DPCMPCAPS_GREATEREQUAL;
  D3D = MakeRef<FakeDirect3D9>(Machine);
  TWLensFlare LensFlare(&Pool);
  Start();
  Flare(LensFlare, {0, 0, -1000}, {1000, 0, 0});
  EXPECT_FALSE(Log().Contains("SetRenderState(D3DRS_ALPHATESTENABLE, 1)"));
  EXPECT_EQ(std::string::npos, Log().Find("SetRenderState(D3DRS_ALPHAREF"));
  EXPECT_TRUE(Log().Contains("SetRenderState(D3DRS_ALPHATESTENABLE, 0)"));
}

TEST_F(SunEffectsTest, GlareVeilsTheScreenMoreTheNearerTheSun) {
  TWGlare* Glare = new TWGlare(&Pool);
  EXPECT_EQ(Glare, Pool.WSprites().Items(0));
  EXPECT_EQ("Glare.tga", Glare->GlareTexture->FileName());
  EXPECT_EQ(Glare->GlareTexture, Pool.WTextures().FindByName("glare.tga"));

  // 10000 / distance, halves to even, limited to 255.
  EXPECT_EQ(100, TWGlare::Alpha({0, 0, -100}));
  EXPECT_EQ(10, TWGlare::Alpha({0, 600, -800}));
  EXPECT_EQ(250, TWGlare::Alpha({40, 0, 0}));
  EXPECT_EQ(255, TWGlare::Alpha({0, 39, 0}));
  EXPECT_EQ(255, TWGlare::Alpha({0, 0, 0}));
  EXPECT_EQ(0, TWGlare::Alpha({0, 0, 20000}));
  EXPECT_EQ(2, TWGlare::Alpha({4000, 0, 0}));

  Start();
  ASSERT_TRUE(Glare->Sprite);
  Device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  Device()->SetRenderState(D3DRS_LIGHTING, TRUE);
  Log().Clear();
  Glare->Render({0, 0, -100}, &DX);
  const auto Lines = Log().Lines();
  ASSERT_EQ(4u, Lines.size());
  EXPECT_EQ("SetRenderState(D3DRS_ALPHABLENDENABLE, 0)", Lines[0]);
  EXPECT_EQ("SetRenderState(D3DRS_LIGHTING, 0)", Lines[1]);
  EXPECT_EQ("Draw(" + FakeLabel(Glare->Sprite.Get()) + ", " +
                FakeLabel(Glare->GlareTexture->Texture()) +
                ", null, (1280,720), null, 0, (0,0), 0x64FFFFFF)",
            Lines[2]);
  EXPECT_EQ("SetRenderState(D3DRS_ALPHABLENDENABLE, 1)", Lines[3]);

  // The veil starts at the top-left corner and, at least a pixel per texel, covers the screen.
  ASSERT_EQ(1u, Device()->Draws().size());
  const auto& Bytes = Device()->Draws()[0].Vertices;
  FakeSpriteVertex Corner[4];
  ASSERT_EQ(sizeof Corner, Bytes.size());
  std::memcpy(Corner, Bytes.data(), sizeof Corner);
  EXPECT_EQ(0.0f, Corner[0].x);
  EXPECT_EQ(0.0f, Corner[0].y);
  EXPECT_GE(Corner[3].x, 1280.0f);
  EXPECT_GE(Corner[3].y, 720.0f);

  // Far away the veil would be fully transparent: nothing is drawn, no state touched.
  Log().Clear();
  Device()->ClearDraws();
  Glare->Render({0, 0, 20000}, &DX);
  EXPECT_TRUE(Log().Calls().empty()) << Log().Text();
  EXPECT_TRUE(Device()->Draws().empty());
  // At the faintest it is drawn.
  Glare->Render({0, 0, 19000}, &DX);
  EXPECT_NE(std::string::npos, Log().Text().find("0x01FFFFFF"));
}

TEST_F(SunEffectsTest, APlainWhiteVeilIsDrawnAsItsColourAloneOverTheSameScreen) {
  TWGlare* Glare = new TWGlare(&Pool);
  Start();
  IDirect3DTexture9* Picture = Glare->GlareTexture->Texture();
  ASSERT_TRUE(Picture);
  EXPECT_FALSE(Glare->Plain) << "the stand-in picture is not white";
  D3DSURFACE_DESC Desc{};
  ASSERT_EQ(S_OK, Picture->GetLevelDesc(0, &Desc));
  ASSERT_TRUE(Desc.Format == D3DFMT_X8R8G8B8 || Desc.Format == D3DFMT_A8R8G8B8);
  const bool HasAlpha = Desc.Format == D3DFMT_A8R8G8B8;
  auto Paint = [&](DWORD Colour, DWORD Last) {
    D3DLOCKED_RECT Locked{};
    ASSERT_EQ(S_OK, Picture->LockRect(0, &Locked, nullptr, 0));
    for (UINT Y = 0; Y < Desc.Height; ++Y)
      for (UINT X = 0; X < Desc.Width; ++X)
        reinterpret_cast<DWORD*>(static_cast<BYTE*>(Locked.pBits) + Y * Locked.Pitch)[X] = Colour;
    reinterpret_cast<DWORD*>(static_cast<BYTE*>(Locked.pBits) +
                             (Desc.Height - 1) * Locked.Pitch)[Desc.Width - 1] = Last;
    Picture->UnlockRect(0);
  };
  auto VeilAfterRestore = [&]() {
    EXPECT_EQ(S_OK, Glare->RestoreDeviceObjects());
    Log().Clear();
    Device()->ClearDraws();
    Glare->Render({0, 0, -100}, &DX);
    return Log().Text();
  };

  // White throughout (the unused byte of X8R8G8B8 is no alpha): no texture, the one pixel of
  // colour scaled to the whole screen.
  Paint(0xFFFFFFFF, HasAlpha ? 0xFFFFFFFF : 0x00FFFFFF);
  EXPECT_TRUE(TWGlare::PlainWhite(Picture));
  std::string Text = VeilAfterRestore();
  EXPECT_TRUE(Glare->Plain);
  EXPECT_NE(std::string::npos, Text.find("Draw(" + FakeLabel(Glare->Sprite.Get()) +
                                         ", null, null, (1280,720), null, 0, (0,0), 0x64FFFFFF)"))
      << Text;
  ASSERT_EQ(1u, Device()->Draws().size());
  const auto& Bytes = Device()->Draws()[0].Vertices;
  FakeSpriteVertex Corner[4];
  ASSERT_EQ(sizeof Corner, Bytes.size());
  std::memcpy(Corner, Bytes.data(), sizeof Corner);
  EXPECT_EQ(0.0f, Corner[0].x);
  EXPECT_EQ(0.0f, Corner[0].y);
  EXPECT_EQ(1280.0f, Corner[3].x);
  EXPECT_EQ(720.0f, Corner[3].y);

  // One texel less than opaque, or not white, and the picture is drawn as before.
  for (DWORD Last : {HasAlpha ? 0xFEFFFFFFu : 0xFFFEFFFFu, 0xFFFFFFFEu}) {
    Paint(0xFFFFFFFF, Last);
    EXPECT_FALSE(TWGlare::PlainWhite(Picture));
    Text = VeilAfterRestore();
    EXPECT_FALSE(Glare->Plain);
    EXPECT_NE(std::string::npos, Text.find(FakeLabel(Picture))) << Text;
  }
  EXPECT_FALSE(TWGlare::PlainWhite(nullptr));
}

}  // namespace
