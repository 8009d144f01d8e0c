// The saver's scene on the recording fake backend: what it builds, how it sets up each device,
// what a frame draws in which order and with which states, and what the overlay writes. The
// glyph fonts are painted by the window system's GDI over Qt, so a GUI application runs on the
// offscreen platform.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/FindMediaFile.h"
#include "engine/TW9DirectX.h"
#include "engine/TWPool.h"
#include "engine_d3d/FakeTimeSource.h"
#include "platform/render/fake/FakeDevice9.h"
#include "platform/render/fake/FakeDirect3D9.h"
#include "platform/render/fake/FakeTexture9.h"
#include "scene/Ephemeris.h"
#include "scene/Random.h"
#include "scene/TWClock.h"
#include "scene/TWCloudLayer.h"
#include "scene/TWGlare.h"
#include "scene/TWLensFlare.h"
#include "scene/TWPlanet.h"
#include "scene/TWRing.h"
#include "scene/TWSattelite.h"
#include "scene/TWSpace.h"
#include "scene/TZelmarScene.h"
#include "support/GdiForTests.h"

using namespace zelmar;

namespace {

TSettings Everything(bool Brass) {
  TSettings S;
  S.BrassModel = Brass;
  S.ObjectQuality = 1;
  S.PlanetSpeed = Brass ? 10.0f : 0.1f;
  S.MoveSpeed = 15.0f;
  S.ShowPlanetData = S.ShowFPS = S.ShowGlare = S.ShowLensFlare = S.ShowCorona = true;
  return S;
}

std::string Label(IDirect3DBaseTexture9* Texture) {
  return Texture ? static_cast<FakeTexture9*>(Texture)->Label() : "null";
}

class SceneTest : public ::testing::Test {
 protected:
  SceneTest() : D3D(MakeRef<FakeDirect3D9>(FakeMachine::Typical())) {
    EnsureGdiForTests("scene_zelmar_tests");
  }
  void SetUp() override {
    // The media come from the native build's generator (the Windows build has no generator of
    // its own, and is pointed at a native build's output instead).
    std::error_code Error;
    if (!std::filesystem::is_directory(std::string(ZELMAR_TEST_MEDIA) + "/textures/Medium", Error))
      GTEST_SKIP() << "No generated media in " << ZELMAR_TEST_MEDIA
                   << ": build the native configuration's zelmar-media-tree first (scripts/test), "
                      "or set ZELMAR_MEDIA_DIR to its media folder";
  }

  // The window's creation with these settings, then a device, the pool's and the scene's
  // device phases and the window being shown.
  // Textures come from Media's folder of the display; a folder that lacks some lets the device
  // phases go on without them. Width and Height are the window's (the back buffer's).
  void Build(const TSettings& S, std::uint32_t Seed = 7,
             const std::string& Media = ZELMAR_TEST_MEDIA, UINT Width = 1024, UINT Height = 768) {
    RandSeed(Seed);
    Pool.PathTextures = Media + (S.BrassModel ? "/tabletextures/Medium/" : "/textures/Medium/");
    DX.d3dEnumeration().AppUsesDepthBuffer = true;
    DX.d3dSettings().Windowed = true;
    DX.d3dSettings().WindowedConfig.DisplayMode = {1024, 768, 60, D3DFMT_X8R8G8B8};
    Scene = std::make_unique<TZelmarScene>(&DX, &Pool, S);

    D3DPRESENT_PARAMETERS Params{};
    Params.Windowed = TRUE;
    Params.BackBufferWidth = Width;
    Params.BackBufferHeight = Height;
    Params.BackBufferFormat = D3DFMT_X8R8G8B8;
    Params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    Params.EnableAutoDepthStencil = TRUE;
    Params.AutoDepthStencilFormat = D3DFMT_D24S8;
    Ref<IDirect3DDevice9> Created;
    ASSERT_EQ(S_OK, D3D->CreateDevice(0, D3DDEVTYPE_HAL, FakeHandle<HWND>(1),
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &Params, &Created));
    D3DCAPS9 Caps{};
    Created->GetDeviceCaps(&Caps);
    DX.AttachDevice(Created, Params, Caps);
    const HRESULT Loaded = Pool.InitDeviceObjects();
    if (Media == ZELMAR_TEST_MEDIA) {
      ASSERT_EQ(S_OK, Loaded);
    }
    ASSERT_EQ(S_OK, Pool.RestoreDeviceObjects());
    ASSERT_EQ(S_OK, Scene->WDirectXRestoreDeviceObjects(&DX));
    Scene->FormShow();
  }

  // The camera settled at Eye looking just beside the Sun (dead on, the lens flare fades out
  // and is not drawn).
  void LookAtTheSun(const TD3DVector& Eye) {
    Scene->Camera.StartDelay = 0;
    Scene->Camera.DriftTicks = 0;
    Scene->Camera.BodyIndex = 0;
    Scene->Camera.CameraPos = Eye;
    Scene->Camera.CameraTarget = {150, 0, 0};
  }

  // The framework's frame statistics after a second of Rate frames a second.
  void CountFrames(int Rate) {
    DX.Timer(tcInit);
    DX.Timer(tcReset);
    for (int I = 0; I <= Rate; ++I) {
      Clock->Advance(1.0 / Rate);
      DX.UpdateStats();
    }
    ASSERT_EQ(TZelmarScene::FrameRateText(DX.FrameStats()), std::to_string(Rate) + ".00 fps ");
  }

  // One frame: move and render, with the device's draw record cleared first.
  void Frame() {
    Device()->ClearDraws();
    Log().Clear();
    ASSERT_EQ(S_OK, Scene->WDirectXFrameMove(&DX));
    bool Present = true;
    ASSERT_EQ(S_OK, Scene->WDirectXRender(&DX, Present));
  }

  // The name of what each draw of the last frame drew: its texture item's name, "text N" for
  // glyph text of font N.
  std::vector<std::string> DrawnNames() {
    std::map<std::string, std::string> Names;
    for (int I = 0; I < Pool.WTextures().Count(); ++I) {
      TWTexture* T = Pool.WTextures().Items(I);
      if (T->Texture()) Names[Label(T->Texture())] = T->Name();
    }
    for (int I = 0; I < Pool.WFonts().Count(); ++I)
      if (Pool.WFonts().Items(I)->Texture())
        Names[Label(Pool.WFonts().Items(I)->Texture())] = "text " + std::to_string(I);
    std::vector<std::string> Result;
    for (const FakeDraw& D : Device()->Draws())
      Result.push_back(Names.count(D.Texture0) ? Names[D.Texture0] : D.Texture0);
    return Result;
  }

  // The draws of one name, in order.
  std::vector<FakeDraw> DrawsOf(const std::string& Name) {
    const std::vector<std::string> Names = DrawnNames();
    std::vector<FakeDraw> Result;
    for (std::size_t I = 0; I < Names.size(); ++I)
      if (Names[I] == Name) Result.push_back(Device()->Draws()[I]);
    return Result;
  }

  // The texts the font-object fonts drew in the last frame.
  std::vector<std::string> FontTexts() {
    std::vector<std::string> Result;
    for (const FakeCall& C : Log().CallsTo("DrawTextA")) {
      const std::size_t Open = C.Args.find('"'), Close = C.Args.rfind('"');
      Result.push_back(C.Args.substr(Open + 1, Close - Open - 1));
    }
    return Result;
  }

  FakeDevice9* Device() const { return D3D->LastDevice(); }
  FakeRecorder& Log() { return D3D->Recorder(); }

  Ref<FakeDirect3D9> D3D;
  std::shared_ptr<FakeTimeSource> Clock = std::make_shared<FakeTimeSource>();
  TW9DirectX DX{Clock};
  TWPool Pool;
  std::unique_ptr<TZelmarScene> Scene;
};

const std::vector<std::string> kPlanetNames = {"Sun",     "Mercury", "Venus",  "Earth",   "Mars",
                                               "Jupiter", "Saturn",  "Uranus", "Neptune", "Pluto"};
const std::vector<std::string> kMoonNames = {"Moon",     "Io",     "Europa",   "Ganymede",
                                             "Callisto", "Titan",  "Hyperion", "Iapetus",
                                             "Titania",  "Oberon", "Triton",   "Charon"};

}  // namespace

TEST_F(SceneTest, SpaceBuildsTheDesignTimePoolTheBodiesAndTheSunEffects) {
  Build(Everything(false));
  // Fonts: name, height, bold, character set, mode.
  TWFonts& Fonts = Pool.WFonts();
  ASSERT_EQ(Fonts.Count(), 4);
  EXPECT_EQ(Fonts.Items(0)->Font.Name(), "Arial");
  EXPECT_EQ(Fonts.Items(0)->Font.Height(), -24);
  EXPECT_FALSE(Fonts.Items(0)->UseID3DXFont);
  EXPECT_EQ(Fonts.Items(1)->Font.Height(), -29);
  EXPECT_EQ(Fonts.Items(1)->Font.Style(), static_cast<TFontStyles>(fsBold));
  EXPECT_TRUE(Fonts.Items(1)->UseID3DXFont);
  EXPECT_EQ(Fonts.Items(2)->Font.Name(), "MS Sans Serif");
  EXPECT_EQ(Fonts.Items(2)->Font.Height(), -11);
  EXPECT_EQ(Fonts.Items(3)->Font.Height(), -13);
  EXPECT_EQ(Fonts.Items(3)->Font.Charset(), 1);
  for (int I = 0; I < 4; ++I) {
    EXPECT_FALSE(Fonts.Items(I)->ZEnabled);
    EXPECT_EQ(Fonts.Items(I)->HighestCharacter, 127);
  }
  ASSERT_EQ(Pool.WLights().Count(), 2);
  for (int I = 0; I < 2; ++I) {
    EXPECT_EQ(Pool.WLights().Items(I)->LightIndex(), I);
    EXPECT_EQ(Pool.WLights().Items(I)->LightType(), 1u);
    EXPECT_EQ(Pool.WLights().Items(I)->Range(), 1.84390889988791e18f);
  }
  ASSERT_EQ(Pool.WBillboards().Count(), 1);
  EXPECT_EQ(Pool.WBillboards().Items(0)->Objects(), 1);

  EXPECT_EQ(Scene->BodyCount, 10);
  EXPECT_EQ(Scene->MoonCount, 12);
  EXPECT_EQ(Scene->RingCount, 1);
  EXPECT_EQ(Scene->Camera.BodyCount, 10);
  EXPECT_EQ(Pool.WTextures().Items(Scene->SunGlowIndex)->FileName(), "sunglow.tga");
  TWTexture* Shadow = Pool.WTextures().FindByName("shadow.tga");
  ASSERT_NE(Shadow, nullptr);
  EXPECT_EQ(Scene->Planets[0]->ShadowTexture, nullptr);
  for (int I = 0; I < 10; ++I) {
    EXPECT_EQ(Scene->Planets[I]->Texture->Name(), kPlanetNames[I]);
    if (I > 0) {
      EXPECT_EQ(Scene->Planets[I]->ShadowTexture, Shadow);
    }
  }
  EXPECT_EQ(Scene->Planets[0]->Stats.Count, 4);
  EXPECT_EQ(Scene->Planets[3]->Stats.Lines[1], "Earth");
  // Moons: own texture items even when they share a file, and their parents.
  for (int I = 0; I < 12; ++I) {
    EXPECT_EQ(Scene->Moons[I]->Texture->Name(), kMoonNames[I]);
    EXPECT_EQ(Scene->Moons[I]->ShadowTexture, Shadow);
  }
  EXPECT_NE(Scene->Moons[3]->Texture, Scene->Moons[4]->Texture);
  EXPECT_EQ(Scene->Moons[0]->Parent, Scene->Planets[3].get());
  EXPECT_EQ(Scene->Moons[11]->Parent, Scene->Planets[9].get());
  EXPECT_EQ(Scene->Rings[0]->Parent, Scene->Planets[6].get());
  EXPECT_EQ(Scene->Rings[0]->Texture->FileName(), "saturnRings.tga");
  EXPECT_EQ(Scene->Rings[0]->Radius, 60.0f);
  ASSERT_NE(Scene->LensFlare, nullptr);
  ASSERT_NE(Scene->Glare, nullptr);
  EXPECT_FALSE(Scene->Planets[1]->OnMount);
}

TEST_F(SceneTest, BrassMountsEveryBodyAndHasNoSunEffects) {
  Build(Everything(true));
  EXPECT_EQ(Pool.WTextures().FindByName("sunglow.tga"), nullptr);
  EXPECT_EQ(Pool.WTextures().FindByName("shadow.tga"), nullptr);
  EXPECT_EQ(Scene->SunGlowIndex, -1);
  EXPECT_EQ(Scene->LensFlare, nullptr);
  EXPECT_EQ(Scene->Glare, nullptr);
  EXPECT_EQ(Pool.WSprites().Count(), 0);
  for (int I = 0; I < 10; ++I) EXPECT_TRUE(Scene->Planets[I]->OnMount);
  for (int I = 0; I < 12; ++I) EXPECT_TRUE(Scene->Moons[I]->OnMount);
  EXPECT_EQ(Scene->Rings[0]->Radius, 35.0f);
  EXPECT_EQ(Scene->Planets[3]->ShadowTexture, nullptr);
  EXPECT_TRUE(Scene->Camera.BrassModel);
}

TEST_F(SceneTest, EveryBodyDrawsItsPhaseInCatalogueOrderFromTheSeed) {
  RandSeed(99);
  std::vector<float> Expected;
  for (int I = 0; I < 22; ++I) Expected.push_back(static_cast<float>(Random(1000)));
  Build(Everything(false), 99);
  for (int I = 0; I < 10; ++I) EXPECT_EQ(Scene->Planets[I]->Phase, Expected[I]) << I;
  for (int I = 0; I < 12; ++I) EXPECT_EQ(Scene->Moons[I]->Phase, Expected[10 + I]) << I;
}

// Today's sky: the planets stand at their longitudes of the day (longitude 0 along +x), the Moon
// at its elongation from the Sun as seen from Earth; every random draw is made as before, so the
// Sun, the other moons and the effects are what the seed gives.
TEST_F(SceneTest, TheSkyOfADayPlacesThePlanetsAtTheirLongitudesAndTheMoonAtItsPhase) {
  RandSeed(99);
  std::vector<float> Drawn;
  for (int I = 0; I < 22; ++I) Drawn.push_back(static_cast<float>(Random(1000)));
  TSettings S = Everything(false);
  S.PositionsToday = true;
  S.PositionsJulianDay = JulianDay({2026, 12, 7});
  Build(S, 99);
  DX.SetAppTime(0.0f);
  EXPECT_EQ(Scene->Planets[0]->Phase, Drawn[0]);
  for (int I = 1; I < 10; ++I) {
    const double Longitude = HeliocentricLongitude(I, S.PositionsJulianDay);
    const TD3DVector P = Scene->Planets[I]->Position(&DX);
    double Seen = std::atan2(-P.z, P.x) * 180.0 / 3.14159265358979323846;
    if (Seen < 0) Seen += 360.0;
    EXPECT_NEAR(Seen, Longitude, 0.01) << kPlanetNames[static_cast<std::size_t>(I)];
  }
  for (int I = 1; I < 12; ++I) {
    EXPECT_EQ(Scene->Moons[I]->StartAngle, 0.0f) << kMoonNames[static_cast<std::size_t>(I)];
    EXPECT_EQ(Scene->Moons[I]->Phase, Drawn[10 + static_cast<std::size_t>(I)]);
  }
  // A waning crescent that morning (elongation 337 degrees): the Moon stands 23 degrees short of
  // the Sun's direction seen from Earth, going the way the orbits turn.
  const TD3DVector Earth = Scene->Planets[3]->Position(&DX);
  const TD3DVector Moon = Scene->Moons[0]->Centre(&DX);
  auto Angle = [](double X, double Z) {
    return std::atan2(-Z, X) * 180.0 / 3.14159265358979323846;
  };
  double Elongation = Angle(Moon.x - Earth.x, Moon.z - Earth.z) - Angle(-Earth.x, -Earth.z);
  Elongation = std::fmod(Elongation + 720.0, 360.0);
  EXPECT_NEAR(Elongation, MoonElongation(S.PositionsJulianDay), 0.01);
  EXPECT_NEAR(Elongation, 337.4, 0.5);
}

TEST_F(SceneTest, ThePureDeviceIsRefusedAndAlphaTexturesAreRequired) {
  D3DCAPS9 Caps{};
  Caps.TextureCaps = D3DPTEXTURECAPS_ALPHA;
  const D3DFORMAT F = D3DFMT_X8R8G8B8;
  EXPECT_EQ(TZelmarScene::WDirectXConfirmDevice(Caps, D3DCREATE_HARDWARE_VERTEXPROCESSING, F, F),
            S_OK);
  EXPECT_EQ(TZelmarScene::WDirectXConfirmDevice(
                Caps, D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE, F, F),
            E_FAIL);
  Caps.TextureCaps = D3DPTEXTURECAPS_ALPHAPALETTE;
  EXPECT_EQ(TZelmarScene::WDirectXConfirmDevice(Caps, D3DCREATE_SOFTWARE_VERTEXPROCESSING, F, F),
            S_OK);
  Caps.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE;
  EXPECT_EQ(TZelmarScene::WDirectXConfirmDevice(Caps, D3DCREATE_SOFTWARE_VERTEXPROCESSING, F, F),
            E_FAIL);
}

TEST_F(SceneTest, RestoreSetsTheStatesAndTheLightsOfEachDisplayAndRepeatsExactly) {
  for (bool Brass : {false, true}) {
    SCOPED_TRACE(Brass ? "Brass" : "Space");
    D3D = MakeRef<FakeDirect3D9>(FakeMachine::Typical());
    Scene.reset();
    Pool.WFonts().Clear();
    Pool.WLights().Clear();
    Pool.WBillboards().Clear();
    Build(Everything(Brass));
    const FakeDeviceState& S = Device()->State();
    EXPECT_EQ(S.TextureStageStates[0][D3DTSS_COLOROP], DWORD(D3DTOP_MODULATE));
    EXPECT_EQ(S.TextureStageStates[0][D3DTSS_ALPHAOP], DWORD(D3DTOP_MODULATE));
    EXPECT_EQ(S.TextureStageStates[0][D3DTSS_COLORARG1], D3DTA_TEXTURE);
    EXPECT_EQ(S.TextureStageStates[0][D3DTSS_ALPHAARG2], D3DTA_DIFFUSE);
    EXPECT_EQ(S.TextureStageStates[1][D3DTSS_COLOROP], DWORD(D3DTOP_DISABLE));
    EXPECT_EQ(S.TextureStageStates[1][D3DTSS_ALPHAOP], DWORD(D3DTOP_DISABLE));
    EXPECT_EQ(S.SamplerStates[0][D3DSAMP_MINFILTER], DWORD(D3DTEXF_LINEAR));
    EXPECT_EQ(S.SamplerStates[0][D3DSAMP_MAGFILTER], DWORD(D3DTEXF_LINEAR));
    EXPECT_EQ(S.RenderStates[D3DRS_ZENABLE], DWORD(D3DZB_TRUE));
    EXPECT_EQ(S.RenderStates[D3DRS_DITHERENABLE], 1u);
    EXPECT_EQ(S.RenderStates[D3DRS_SPECULARENABLE], 1u);
    EXPECT_EQ(S.RenderStates[D3DRS_LIGHTING], 1u);
    EXPECT_EQ(S.RenderStates[D3DRS_AMBIENT], 0x40404040u);

    ASSERT_TRUE(S.Lights.count(0));
    const D3DLIGHT9& Sun = S.Lights.at(Brass ? 1 : 0);
    EXPECT_EQ(Sun.Type, D3DLIGHT_POINT);
    EXPECT_EQ(Sun.Position.x, 0.0f);
    EXPECT_EQ(Sun.Position.y, 0.0f);
    EXPECT_EQ(Sun.Attenuation0, Brass ? 0.5f : 0.05f);
    EXPECT_EQ(Sun.Attenuation1, 0.0f);
    EXPECT_EQ(Sun.Attenuation2, 0.0f);
    EXPECT_EQ(Sun.Diffuse.r, 0.1f);
    EXPECT_EQ(Sun.Specular.a, 1.0f);
    EXPECT_EQ(Sun.Range, 1.84390889988791e18f);
    EXPECT_TRUE(S.LightEnabled.at(Brass ? 1 : 0));
    if (Brass) {
      const D3DLIGHT9& Lamp = S.Lights.at(0);
      EXPECT_EQ(Lamp.Position.y, 1000.0f);
      EXPECT_EQ(Lamp.Attenuation0, 0.04f);
      EXPECT_EQ(Lamp.Diffuse.g, 0.01f);
      EXPECT_EQ(Lamp.Ambient.b, 0.002f);
      EXPECT_EQ(Lamp.Ambient.a, 0.0f);
      EXPECT_TRUE(S.LightEnabled.at(0));
    } else {
      EXPECT_FALSE(S.LightEnabled.count(1) && S.LightEnabled.at(1));
    }

    // A second restore (after a device reset) leaves exactly the same.
    const FakeDeviceState Once = S;
    ASSERT_EQ(S_OK, Pool.InvalidateDeviceObjects());
    ASSERT_EQ(S_OK, Pool.RestoreDeviceObjects());
    ASSERT_EQ(S_OK, Scene->WDirectXRestoreDeviceObjects(&DX));
    EXPECT_EQ(Once.RenderStates, S.RenderStates);
    EXPECT_EQ(Once.TextureStageStates, S.TextureStageStates);
    EXPECT_EQ(Once.SamplerStates, S.SamplerStates);
    EXPECT_EQ(Once.LightEnabled, S.LightEnabled);
    ASSERT_EQ(Once.Lights.size(), S.Lights.size());
    for (const auto& [Index, Light] : Once.Lights)
      EXPECT_EQ(0, std::memcmp(&Light, &S.Lights.at(Index), sizeof Light)) << Index;
  }
}

TEST_F(SceneTest, ASpaceFrameDrawsSkyCoronaBodiesRingConesFlareAndGlareInThatOrder) {
  Build(Everything(false));
  LookAtTheSun({0, 60, -500});
  Frame();
  ASSERT_TRUE(Scene->SunOnScreen());
  std::vector<std::string> Expected = {"nightsky.jpg", "sunglow.tga"};
  Expected.insert(Expected.end(), kPlanetNames.begin(), kPlanetNames.end());
  Expected.insert(Expected.end(), kMoonNames.begin(), kMoonNames.end());
  Expected.push_back("Saturns Rings");
  // Neptune's and Pluto's cones are too faint for the alpha test 500 units from the Sun: left
  // out, with no pixel lost.
  Expected.insert(Expected.end(), 7, "shadow.tga");
  for (int I = 1; I <= 9; ++I) Expected.push_back("flare" + std::to_string(I) + ".tga");
  Expected.push_back("Glare.tga");
  std::vector<std::string> Drawn = DrawnNames();
  // The overlay's glyph text comes last.
  while (!Drawn.empty() && Drawn.back().rfind("text ", 0) == 0) Drawn.pop_back();
  EXPECT_EQ(Drawn, Expected);

  // Dead on the Sun the flare has faded out: its squares are left out, the rest is the same.
  Scene->Camera.CameraTarget = {0, 0, 0};
  Frame();
  std::vector<std::string> Dead = DrawnNames();
  while (!Dead.empty() && Dead.back().rfind("text ", 0) == 0) Dead.pop_back();
  std::vector<std::string> NoFlare;
  for (const std::string& Name : Expected)
    if (Name.rfind("flare", 0) != 0) NoFlare.push_back(Name);
  EXPECT_EQ(Dead, NoFlare);
  // The cones left the alpha test on, no flare turned it off: the next sky is drawn without it.
  ASSERT_EQ(Device()->State().RenderStates[D3DRS_ALPHATESTENABLE], DWORD(TRUE));
  Frame();
  EXPECT_EQ(DrawsOf("nightsky.jpg").at(0).RenderStates[D3DRS_ALPHATESTENABLE], 0u);
  Scene->Camera.CameraTarget = {150, 0, 0};
  Frame();

  // Cleared once, to dark blue, with the depth buffer.
  ASSERT_EQ(Log().Count("Clear"), 1);
  EXPECT_NE(Log().Find("Clear(0, null, 0x00000003, 0xFF000032, 1, 0)"), std::string::npos)
      << Log().Text();

  const FakeDraw Sky = DrawsOf("nightsky.jpg").at(0);
  EXPECT_EQ(Sky.RenderStates[D3DRS_LIGHTING], 0u);
  EXPECT_EQ(Sky.RenderStates[D3DRS_ALPHABLENDENABLE], 0u);
  EXPECT_EQ(Sky.RenderStates[D3DRS_CULLMODE], DWORD(D3DCULL_CW));
  EXPECT_EQ(0, std::memcmp(&Sky.View, &Scene->Camera.ViewMatrix, sizeof Sky.View));

  const FakeDraw Corona = DrawsOf("sunglow.tga").at(0);
  EXPECT_EQ(Corona.FVF, 0x142u);
  EXPECT_EQ(Corona.RenderStates[D3DRS_ALPHABLENDENABLE], 1u);
  EXPECT_EQ(Corona.RenderStates[D3DRS_SRCBLEND], DWORD(D3DBLEND_SRCALPHA));
  EXPECT_EQ(Corona.RenderStates[D3DRS_DESTBLEND], DWORD(D3DBLEND_INVSRCALPHA));
  EXPECT_EQ(Corona.RenderStates[D3DRS_LIGHTING], 0u);
  EXPECT_EQ(Corona.RenderStates[D3DRS_ALPHATESTENABLE], 0u);
  EXPECT_EQ(Corona.RenderStates[D3DRS_ALPHAREF], 8u);
  EXPECT_EQ(Corona.RenderStates[D3DRS_ALPHAFUNC], DWORD(D3DCMP_GREATEREQUAL));
  EXPECT_EQ(Corona.Stage0[D3DTSS_ALPHAOP], DWORD(D3DTOP_MODULATE));

  const FakeDraw Earth = DrawsOf("Earth").at(0);
  EXPECT_EQ(Earth.RenderStates[D3DRS_ALPHABLENDENABLE], 0u);
  EXPECT_EQ(Earth.RenderStates[D3DRS_FILLMODE], DWORD(D3DFILL_SOLID));
  EXPECT_EQ(Earth.RenderStates[D3DRS_CULLMODE], DWORD(D3DCULL_CCW));
  EXPECT_EQ(Earth.RenderStates[D3DRS_LIGHTING], 1u);
  const TD3DMatrix EarthWorld = Scene->Planets[3]->WorldMatrix(&DX);
  EXPECT_EQ(0, std::memcmp(&Earth.World, &EarthWorld, sizeof Earth.World));
  const FakeDraw Sun = DrawsOf("Sun").at(0);
  EXPECT_EQ(Sun.RenderStates[D3DRS_LIGHTING], 0u);

  const FakeDraw Cone = DrawsOf("shadow.tga").at(2);  // Earth's: the Sun has none
  const TD3DMatrix EarthShadow = Scene->Planets[3]->ShadowMatrix(&DX);
  EXPECT_EQ(0, std::memcmp(&Cone.World, &EarthShadow, sizeof Cone.World));
  EXPECT_EQ(Cone.RenderStates[D3DRS_ALPHABLENDENABLE], 1u);
}

// Installed maps bring Earth's night lights and clouds: the media search finds them by names the
// generated media lack (here standing for two of the generated pictures).
class EarthLayersTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    // Asked by the path in the texture folder, in the platform's spelling: the file beside it.
    SetMediaSubstitute([](const std::string& Found, const std::string&) -> std::string {
      const std::string Name = ExtractFileName(Found);
      const std::string Folder = Found.substr(0, Found.size() - Name.size());
      if (Name == TZelmarScene::kEarthNightFile) return Folder + "moon.jpg";
      if (Name == TZelmarScene::kEarthCloudsFile) return Folder + "saturnRings.tga";
      return {};
    });
  }
  void TearDown() override { SetMediaSubstitute(nullptr); }
  static TSettings WithLayers() {
    TSettings S = Everything(false);
    S.EarthNightLights = S.EarthClouds = true;
    return S;
  }
};

TEST_F(EarthLayersTest, TheNightSideBlendsInASecondStageAndTheCloudsComeAfterTheMoons) {
  Build(WithLayers());
  LookAtTheSun({0, 60, -500});
  Frame();
  std::vector<std::string> Expected = {"nightsky.jpg", "sunglow.tga"};
  Expected.insert(Expected.end(), kPlanetNames.begin(), kPlanetNames.end());
  Expected.insert(Expected.end(), kMoonNames.begin(), kMoonNames.end());
  Expected.push_back("Earth clouds");
  Expected.push_back("Saturns Rings");
  std::vector<std::string> Drawn = DrawnNames();
  Drawn.resize(Expected.size());
  EXPECT_EQ(Drawn, Expected);

  TWTexture* Night = Scene->Planets[kEarthSlot]->NightTexture;
  ASSERT_TRUE(Night && Night->Texture());
  const FakeDraw Earth = DrawsOf("Earth").at(0);
  EXPECT_EQ(Earth.Texture1, Label(Night->Texture()));
  EXPECT_EQ(Earth.Stage0[D3DTSS_COLOROP], DWORD(D3DTOP_MODULATE));
  EXPECT_EQ(Earth.Stage1[D3DTSS_COLOROP], DWORD(D3DTOP_MULTIPLYADD));
  EXPECT_EQ(Earth.Stage1[D3DTSS_COLORARG0], DWORD(D3DTA_CURRENT));
  EXPECT_EQ(Earth.Stage1[D3DTSS_COLORARG1], DWORD(D3DTA_TEXTURE));
  EXPECT_EQ(Earth.Stage1[D3DTSS_COLORARG2], DWORD(D3DTA_DIFFUSE | D3DTA_COMPLEMENT));
  EXPECT_EQ(Earth.Stage1[D3DTSS_ALPHAOP], DWORD(D3DTOP_SELECTARG1));
  EXPECT_EQ(Earth.Stage1[D3DTSS_ALPHAARG1], DWORD(D3DTA_CURRENT));
  EXPECT_EQ(Earth.Stage1[D3DTSS_TEXCOORDINDEX], 0u) << "the sphere has one coordinate set";
  EXPECT_EQ(Earth.Sampler1[D3DSAMP_MAGFILTER], DWORD(D3DTEXF_LINEAR));
  EXPECT_EQ(Earth.RenderStates[D3DRS_LIGHTING], 1u);
  // Every other draw has the second stage off and nothing bound to it.
  for (const FakeDraw& D : Device()->Draws())
    if (D.Texture0 != Earth.Texture0) {
      EXPECT_EQ(D.Stage1[D3DTSS_COLOROP], DWORD(D3DTOP_DISABLE)) << D.Texture0;
      EXPECT_EQ(D.Texture1, "null") << D.Texture0;
    }

  const FakeDraw Clouds = DrawsOf("Earth clouds").at(0);
  const TD3DMatrix CloudWorld = Scene->Clouds->WorldMatrix(&DX);
  EXPECT_EQ(0, std::memcmp(&Clouds.World, &CloudWorld, sizeof Clouds.World));
  EXPECT_EQ(Clouds.RenderStates[D3DRS_ALPHABLENDENABLE], 1u);
  EXPECT_EQ(Clouds.RenderStates[D3DRS_SRCBLEND], DWORD(D3DBLEND_SRCALPHA));
  EXPECT_EQ(Clouds.RenderStates[D3DRS_DESTBLEND], DWORD(D3DBLEND_INVSRCALPHA));
  EXPECT_EQ(Clouds.RenderStates[D3DRS_ZWRITEENABLE], 0u) << "the bodies behind its edge show";
  EXPECT_EQ(Clouds.RenderStates[D3DRS_LIGHTING], 1u);
  EXPECT_EQ(Clouds.Stage0[D3DTSS_ALPHAOP], DWORD(D3DTOP_MODULATE));
  EXPECT_EQ(Clouds.Material.Specular.r, 0.0f);
  EXPECT_EQ(DrawsOf("Saturns Rings").at(0).RenderStates[D3DRS_ZWRITEENABLE], 1u);
  // Just above the ground, on its level of detail.
  EXPECT_NEAR(Scene->Clouds->Radius, Scene->Planets[kEarthSlot]->Radius * 1.01f, 1e-4f);
  EXPECT_EQ(Clouds.PrimitiveCount, Earth.PrimitiveCount);
}

TEST_F(EarthLayersTest, TheCloudsTurnSlowlyAgainstTheGround) {
  Build(WithLayers());
  const TWPlanet& Ground = *Scene->Planets[kEarthSlot];
  ASSERT_GT(Ground.SpinRate, 0.0f);
  // The layer's transform is the ground's after a turn about the pole that grows with time.
  for (double T : {0.0, 100.0, 2000.0}) {
    DX.SetAppTime(static_cast<float>(T));
    const TD3DMatrix Expected =
        MatrixRotationZ(DX.AppTime() * Ground.SpinRate * TWCloudLayer::kDrift) *
        Ground.WorldMatrix(&DX);
    const TD3DMatrix Actual = Scene->Clouds->WorldMatrix(&DX);
    for (int R = 0; R < 4; ++R)
      for (int C = 0; C < 4; ++C) EXPECT_NEAR(Expected.m[R][C], Actual.m[R][C], 1e-4f) << T;
  }
}

TEST_F(EarthLayersTest, WithoutTheMapsOrTheStagesEarthIsDrawnAsBefore) {
  // A device without multiply-add keeps Earth's one-stage draw, clouds and all.
  FakeMachine Machine = FakeMachine::Typical();
  for (FakeAdapterDesc& Adapter : Machine.Adapters)
    for (FakeDeviceDesc& Desc : Adapter.Devices)
      Desc.Caps.TextureOpCaps &= ~D3DTEXOPCAPS_MULTIPLYADD;
  D3D = MakeRef<FakeDirect3D9>(Machine);
  Build(WithLayers());
  LookAtTheSun({0, 60, -500});
  Frame();
  const FakeDraw Earth = DrawsOf("Earth").at(0);
  EXPECT_EQ(Earth.Stage1[D3DTSS_COLOROP], DWORD(D3DTOP_DISABLE));
  EXPECT_EQ(Earth.Texture1, "null");
  EXPECT_EQ(DrawsOf("Earth clouds").size(), 1u);
  EXPECT_FALSE(TWPlanet::CanDrawNightSide(DX.Caps()));

  // Without the maps: no layer texture is named at all, and no cloud layer is built.
  Scene.reset();
  TWPool Fresh;
  Fresh.PathTextures = Pool.PathTextures;
  TZelmarScene Plain(&DX, &Fresh, Everything(false));
  EXPECT_EQ(Plain.Clouds, nullptr);
  EXPECT_EQ(Plain.Planets[kEarthSlot]->NightTexture, nullptr);
  for (int I = 0; I < Fresh.WTextures().Count(); ++I)
    EXPECT_EQ(Fresh.WTextures().Items(I)->Name().find("Earth "), std::string::npos);
}

TEST_F(SceneTest, ConesFlareAndGlareNeedTheSunOnScreenAndTheirSwitches) {
  Build(Everything(false));
  // Looking away from the Sun.
  LookAtTheSun({0, 60, -500});
  Scene->Camera.CameraTarget = {0, 60, -1500};
  Frame();
  EXPECT_FALSE(Scene->SunOnScreen());
  EXPECT_TRUE(DrawsOf("shadow.tga").empty());
  EXPECT_TRUE(DrawsOf("flare1.tga").empty());
  EXPECT_TRUE(DrawsOf("Glare.tga").empty());
  EXPECT_EQ(DrawsOf("sunglow.tga").size(), 1u);

  // The Sun in view, each switch on its own.
  TSettings Only = Everything(false);
  Only.ShowGlare = Only.ShowCorona = false;
  Scene->Settings = Only;
  LookAtTheSun({0, 60, -500});
  Frame();
  EXPECT_TRUE(DrawsOf("shadow.tga").empty());
  EXPECT_TRUE(DrawsOf("Glare.tga").empty());
  EXPECT_TRUE(DrawsOf("sunglow.tga").empty());
  EXPECT_EQ(DrawsOf("flare9.tga").size(), 1u);
  Only.ShowLensFlare = false;
  Only.ShowGlare = true;
  Scene->Settings = Only;
  Frame();
  EXPECT_EQ(DrawsOf("shadow.tga").size(), 7u);
  EXPECT_EQ(DrawsOf("Glare.tga").size(), 1u);
  EXPECT_TRUE(DrawsOf("flare9.tga").empty());
}

// The sky is drawn without depth: nothing the camera can see from anywhere on its rounds may lie
// as far as the sky's nearest face. The camera stays within its body's view distance of the
// body; a body's farthest part is its shadow cone, 30 radii long; a moon circles its parent.
TEST_F(SceneTest, EverythingTheCameraSeesLiesWellInsideTheSky) {
  Build(Everything(false));
  float Reach = 0.0f;
  for (int I = 0; I < Scene->BodyCount; ++I) {
    const TWPlanet& P = *Scene->Planets[I];
    Reach = std::max(Reach, P.Distance + std::max(30.0f, float(P.ViewDistance)) * P.Radius);
  }
  for (int I = 0; I < Scene->MoonCount; ++I) {
    const TWSattelite& M = *Scene->Moons[I];
    Reach = std::max(
        Reach, M.Parent->Distance + M.Distance + std::max(30.0f, float(M.ViewDistance)) * M.Radius);
  }
  // From one edge of the system to the other, twice over for margin.
  EXPECT_LT(4.0f * Reach, TWSpace::kSkyNearest) << Reach;
}

TEST_F(SceneTest, APlanetCoveringTheSunTakesItOffScreen) {
  Build(Everything(false));
  // Jupiter between the eye and the Sun, close to the eye: its disc covers the Sun's.
  const TD3DVector Jupiter = Scene->Planets[5]->Position(&DX);
  const TD3DVector Eye = Jupiter * 1.02f;
  LookAtTheSun(Eye);
  EXPECT_NEAR(AngleBetween(TD3DVector{0, 0, 0} - Eye, Jupiter - Eye), 0.0f, 1e-3f);
  EXPECT_FALSE(Scene->SunOnScreen());
  Frame();
  EXPECT_TRUE(DrawsOf("shadow.tga").empty());
  EXPECT_TRUE(DrawsOf("Glare.tga").empty());
  // Above Jupiter it no longer covers the Sun.
  LookAtTheSun(Jupiter * 1.02f + TD3DVector{0, 200, 0});
  EXPECT_TRUE(Scene->SunOnScreen());
}

TEST_F(SceneTest, ABrassFrameDrawsTheRoomBodiesMountsAndRingWhateverTheSwitchesSay) {
  Build(Everything(true));
  LookAtTheSun({0, 60, -300});
  Frame();
  const std::vector<std::string> Drawn = DrawnNames();
  std::vector<std::string> Expected = {"wall1.jpg", "wall2.jpg", "wall3.jpg",
                                       "wall4.jpg", "floor.jpg", "ceiling.jpg"};
  ASSERT_GE(Drawn.size(), 9u);
  EXPECT_EQ(std::vector<std::string>(Drawn.begin(), Drawn.begin() + 6), Expected);
  // Each body, then its rod and its arm.
  const auto Sun = std::find(Drawn.begin(), Drawn.end(), "Sun");
  ASSERT_NE(Sun, Drawn.end());
  EXPECT_EQ(Sun - Drawn.begin(), 9);
  std::size_t At = 9;
  auto Mount = [&](TWPlanet& Body) {
    EXPECT_EQ(Device()->Draws().at(At + 1).Texture0, Label(Body.RodTexture->Texture()));
    EXPECT_EQ(Device()->Draws().at(At + 2).Texture0, Label(Body.ArmTexture->Texture()));
    // The arm turns with the orbit only.
    const TD3DMatrix Orbit = Body.OrbitRotation(&DX);
    if (&Body == Scene->Planets[3].get()) {
      EXPECT_EQ(0, std::memcmp(&Device()->Draws().at(At + 2).World, &Orbit, sizeof Orbit));
    }
    At += 3;
  };
  for (int I = 0; I < 10; ++I) {
    EXPECT_EQ(Drawn.at(At), kPlanetNames[I]);
    Mount(*Scene->Planets[I]);
  }
  for (int I = 0; I < 12; ++I) {
    EXPECT_EQ(Drawn.at(At), kMoonNames[I]);
    Mount(*Scene->Moons[I]);
  }
  EXPECT_EQ(Drawn.at(At), "Saturns Rings");
  for (std::size_t I = At + 1; I < Drawn.size(); ++I)
    EXPECT_EQ(Drawn[I].rfind("text ", 0), 0u) << Drawn[I];
  EXPECT_EQ(Log().Count("Clear"), 1);
}

TEST_F(SceneTest, TheDataPanelRevealsALineAtEachSliceOfTheStay) {
  EXPECT_EQ(TZelmarScene::PanelLinesShown(7, 668, 15.0f), 0);
  EXPECT_EQ(TZelmarScene::PanelLinesShown(7, 588, 15.0f), 0);
  EXPECT_EQ(TZelmarScene::PanelLinesShown(7, 587, 15.0f), 1);
  EXPECT_EQ(TZelmarScene::PanelLinesShown(7, 84, 15.0f), 6);
  EXPECT_EQ(TZelmarScene::PanelLinesShown(7, 83, 15.0f), 7);
  EXPECT_EQ(TZelmarScene::PanelLinesShown(4, 536, 15.0f), 0);
  EXPECT_EQ(TZelmarScene::PanelLinesShown(4, 535, 15.0f), 1);
  EXPECT_EQ(TZelmarScene::PanelLinesShown(4, 134, 15.0f), 3);
  EXPECT_EQ(TZelmarScene::PanelLinesShown(4, 133, 15.0f), 4);
  // A full stay shows nothing for every speed the dialog allows.
  for (int Move = 1; Move <= 10; ++Move)
    for (int Count : {4, 7})
      EXPECT_EQ(
          TZelmarScene::PanelLinesShown(Count, TWCamera::StayTicksFor(3.0f * Move), 3.0f * Move),
          0);

  Build(Everything(false));
  LookAtTheSun({0, 60, -500});
  Scene->Camera.BodyIndex = 3;
  Scene->Camera.StayTicks = 587;
  Frame();
  EXPECT_EQ(FontTexts(), std::vector<std::string>{"Earth"});
  EXPECT_NE(Log().Find("DrawTextA(font#"), std::string::npos);
  const std::string First = Log().CallsTo("DrawTextA").at(0).Args;
  EXPECT_NE(First.find("(2,0,"), std::string::npos) << First;
  EXPECT_NE(First.find("0xFF00FFFF"), std::string::npos) << First;
  Scene->Camera.StayTicks = 83;
  Frame();
  const std::vector<std::string> Lines = FontTexts();
  ASSERT_EQ(Lines.size(), 7u);
  EXPECT_EQ(Lines[1], "Mass = 5.976e24 kg");
  EXPECT_EQ(Lines[6],
            "Avg Surface Temperature = 15\xB0"
            "C");
  EXPECT_NE(Log().CallsTo("DrawTextA").at(6).Args.find("(2,120,"), std::string::npos);

  Scene->Settings.ShowPlanetData = false;
  Frame();
  EXPECT_TRUE(FontTexts().empty());
}

TEST(SceneClock, ReadsAsATimeAndADate) {
  std::tm T{};
  T.tm_hour = 9;
  T.tm_min = 5;
  T.tm_wday = 2;
  T.tm_mday = 8;
  T.tm_mon = 11;
  T.tm_year = 126;
  EXPECT_EQ(TWClock::Texts(T).Time, "09:05");
  EXPECT_EQ(TWClock::Texts(T).Date, "Tuesday 8 December 2026");
}

// Over two hours the clock wanders over most of the free band, a few pixels a second, and never
// onto the data panel's lines, the bottom line of texts or off the screen.
TEST(SceneClock, DriftsSlowlyOverTheScreenClearOfTheOtherTexts) {
  for (const RECT Screen : {RECT{0, 0, 1920, 1080}, RECT{0, 0, 1280, 720}, RECT{0, 0, 640, 400}}) {
    POINT Last{}, Low{Screen.right, Screen.bottom}, High{0, 0};
    for (int Second = 0; Second <= 7200; ++Second) {
      POINT At{};
      ASSERT_TRUE(TWClock::Place(Screen, static_cast<float>(Second), At));
      EXPECT_GE(At.x, 0);
      EXPECT_LE(At.x + TWClock::kWidth, Screen.right);
      EXPECT_GE(At.y, TWClock::kPanelBottom);
      EXPECT_LE(At.y + TWClock::kHeight, Screen.bottom - TWClock::kBottomLine);
      if (Second > 0) {
        EXPECT_LE(std::abs(At.x - Last.x), 12) << Second;
        EXPECT_LE(std::abs(At.y - Last.y), 12) << Second;
      }
      Low = {std::min(Low.x, At.x), std::min(Low.y, At.y)};
      High = {std::max(High.x, At.x), std::max(High.y, At.y)};
      Last = At;
    }
    EXPECT_GT(High.x - Low.x, (Screen.right - TWClock::kWidth) * 9 / 10);
    EXPECT_GT(
        High.y - Low.y,
        (Screen.bottom - TWClock::kBottomLine - TWClock::kHeight - TWClock::kPanelBottom) * 9 / 10);
  }
  POINT At{};
  EXPECT_FALSE(TWClock::Place(RECT{0, 0, 152, 112}, 0.0f, At));  // a settings page's preview
}

TEST_F(SceneTest, TheClockShowsTheLocalTimeOnlyWhenAskedAndNotOverTheTitles) {
  TSettings S = Everything(false);
  S.ShowPlanetData = S.ShowFPS = false;
  S.ShowClock = true;
  Build(S);
  Scene->LocalTime = [] {
    std::tm T{};
    T.tm_hour = 23;
    T.tm_min = 59;
    T.tm_mday = 31;
    T.tm_mon = 11;
    T.tm_year = 126;
    T.tm_wday = 4;
    return T;
  };
  Frame();
  ASSERT_GT(Scene->Camera.StartDelay, 0);
  EXPECT_EQ(FontTexts(), std::vector<std::string>{TZelmarScene::kCredit1});
  LookAtTheSun({0, 60, -500});
  Frame();
  // The time in the data panel's font; the date small, in the second credit's.
  EXPECT_EQ(FontTexts(), std::vector<std::string>{"23:59"});
  EXPECT_FALSE(DrawsOf("text 3").empty());
  Scene->Settings.ShowClock = false;
  Frame();
  EXPECT_TRUE(FontTexts().empty());
  EXPECT_TRUE(DrawsOf("text 3").empty());
}

TEST_F(SceneTest, TheOpeningDriftShowsTheTitleAndCreditsButNoPanelOrFrameRate) {
  Build(Everything(false));
  CountFrames(60);
  Frame();
  ASSERT_GT(Scene->Camera.StartDelay, 0);
  // Font 0 draws only the first credit line; fonts 1 and 3 the title and the second credit.
  EXPECT_EQ(FontTexts(), std::vector<std::string>{TZelmarScene::kCredit1});
  EXPECT_FALSE(DrawsOf("text 1").empty());
  EXPECT_FALSE(DrawsOf("text 3").empty());
  EXPECT_TRUE(DrawsOf("text 2").empty());
  const FakeDraw Title = DrawsOf("text 1").at(0);
  // 4 vertices (two triangles) a glyph: "The Zelmar" has 10 characters.
  EXPECT_GE(Title.PrimitiveCount, 2u * 9u);

  for (int Tick = 0; Tick < 150; ++Tick) Scene->MoveTimerTimer();
  Frame();
  EXPECT_TRUE(DrawsOf("text 1").empty());
  EXPECT_TRUE(DrawsOf("text 3").empty());
  const std::vector<FakeDraw> Rate = DrawsOf("text 2");
  ASSERT_FALSE(Rate.empty());
  // "60.00 fps " is 10 characters: 50 pixels left of the screen's right edge, 20 above its
  // bottom.
  float Left = 1e9f, Top = 1e9f;
  for (const FakeDraw& D : Rate)
    for (std::size_t At = 0; At + 28 <= D.Vertices.size(); At += 28) {
      float XY[2];
      std::memcpy(XY, D.Vertices.data() + At, sizeof XY);
      Left = std::min(Left, XY[0]);
      Top = std::min(Top, XY[1]);
    }
  // (The glyph cells carry a few pixels of margin.)
  EXPECT_NEAR(Left, 1024 - 50, 6.0f);
  EXPECT_NEAR(Top, 768 - 20, 6.0f);

  Scene->Settings.ShowFPS = false;
  Frame();
  EXPECT_TRUE(DrawsOf("text 2").empty());
}

TEST(SceneText, TheFrameRateIsCutAtTheBlankBeforeTheParenthesis) {
  EXPECT_EQ(TZelmarScene::FrameRateText("60.00 fps (1024x768), X8R8G8B8 (D24S8)"), "60.00 fps ");
  EXPECT_EQ(TZelmarScene::FrameRateText("7.25 fps"), "");
  EXPECT_EQ(TZelmarScene::FrameRateText(""), "");
}

TEST_F(SceneTest, TheCoronaStandsCentredOnTheSunInSunglow) {
  Build(Everything(false));
  D3DXVECTOR3 Position{1, 2, 3};
  int Texture = -5;
  D3DCOLOR Color = 0;
  float Width = 0, Height = 0;
  Scene->WPoolWBillboards0Calc(nullptr, 3, Position, Texture, Color, Width, Height);
  EXPECT_TRUE(Position == D3DXVECTOR3(0, -60, 0));
  EXPECT_EQ(Texture, Scene->SunGlowIndex);
  EXPECT_EQ(Color, 0xFFFFFFFFu);
  EXPECT_EQ(Width, 60.0f);
  EXPECT_EQ(Height, 60.0f);
  // The frame move turns it towards the camera.
  LookAtTheSun({300, 0, 0});
  ASSERT_EQ(S_OK, Scene->WDirectXFrameMove(&DX));
  const D3DXVECTOR3 View = Pool.WBillboards().Items(0)->ViewDir;
  EXPECT_LT(View.x, 0.0f);
}

// A media folder that lacks files: the sky is drawn black (lit, with a material that gives back
// no light), the effects whose pictures are missing are left out, the other textures still
// load, and each missing file is named once, also when the device loads everything again.
TEST_F(SceneTest, MissingPicturesLeaveTheSkyBlackAndTheirEffectsOutAndAreNamedOnce) {
  const std::string Media =
      (std::filesystem::temp_directory_path() /
       ("zelmar-media-" + std::to_string(std::random_device{}()) + std::to_string(std::rand())))
          .generic_string();
  const std::string Folder = Media + "/textures/Medium";
  std::filesystem::create_directories(Folder);
  const std::set<std::string> Missing = {"nightsky.jpg", "sunglow.tga", "flare2.tga", "Glare.tga",
                                         "shadow.tga"};
  for (const auto& E :
       std::filesystem::directory_iterator(std::string(ZELMAR_TEST_MEDIA) + "/textures/Medium"))
    if (!Missing.count(E.path().filename().string()))
      // Copies, not links (Windows may not allow those); skipping the second of two names
      // that differ in case only where file names ignore case.
      std::filesystem::copy_file(E.path(), Folder + "/" + E.path().filename().string(),
                                 std::filesystem::copy_options::skip_existing);
  std::vector<std::string> Named;
  SetMediaProblemHook([&](const std::string& Path, const std::string&) { Named.push_back(Path); });

  Build(Everything(false), 7, Media);
  LookAtTheSun({0, 60, -500});
  // As a frame's shadow cones leave it when no flare follows them.
  Device()->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  Frame();
  ASSERT_TRUE(Scene->SunOnScreen());
  std::vector<std::string> Expected = {"null"};  // the sky
  Expected.insert(Expected.end(), kPlanetNames.begin(), kPlanetNames.end());
  Expected.insert(Expected.end(), kMoonNames.begin(), kMoonNames.end());
  Expected.push_back("Saturns Rings");
  for (int I = 1; I <= 9; ++I)
    if (I != 2) Expected.push_back("flare" + std::to_string(I) + ".tga");
  std::vector<std::string> Drawn = DrawnNames();
  while (!Drawn.empty() && Drawn.back().rfind("text ", 0) == 0) Drawn.pop_back();
  EXPECT_EQ(Drawn, Expected);

  const FakeDraw Sky = Device()->Draws().at(0);
  EXPECT_EQ(Sky.RenderStates[D3DRS_LIGHTING], 1u);
  const D3DMATERIAL9 Black{};
  EXPECT_EQ(0, std::memcmp(&Sky.Material, &Black, sizeof Black));
  EXPECT_EQ(Sky.RenderStates[D3DRS_ALPHATESTENABLE], 0u) << "its alpha 0 would fail the test";
  // The bodies are lit as before: the sky's material does not reach them.
  EXPECT_EQ(DrawsOf("Earth").at(0).Material.Diffuse.r, 1.0f);

  ASSERT_EQ(Named.size(), Missing.size());
  for (const std::string& File : Missing) {
    const std::string Path = NativePath(Folder + "/" + File);
    EXPECT_EQ(
        std::count_if(Named.begin(), Named.end(),
                      [&](const std::string& M) { return M.find(Path) != std::string::npos; }),
        1)
        << File;
  }
  Pool.DeleteDeviceObjects();
  Pool.InitDeviceObjects();
  Frame();
  EXPECT_EQ(Named.size(), Missing.size());

  SetMediaProblemHook(nullptr);
  std::filesystem::remove_all(Media);
}

// A window smaller than the screen (the display mode stays 1024 x 768): the frame rate sits at
// the window's corner and the glare covers the window, not the screen.
TEST_F(SceneTest, TheOverlayAndTheGlareFollowTheWindowNotTheScreen) {
  Build(Everything(false), 7, ZELMAR_TEST_MEDIA, 320, 200);
  CountFrames(60);
  LookAtTheSun({0, 60, -500});
  Frame();
  ASSERT_TRUE(Scene->SunOnScreen());
  // Corners of what each draw put on the screen (transformed vertices: x and y first).
  auto Extent = [](const std::vector<FakeDraw>& Draws, float& Left, float& Top, float& Right,
                   float& Bottom) {
    Left = Top = 1e9f;
    Right = Bottom = -1e9f;
    for (const FakeDraw& D : Draws)
      for (std::size_t At = 0; D.Stride && At + D.Stride <= D.Vertices.size(); At += D.Stride) {
        float XY[2];
        std::memcpy(XY, D.Vertices.data() + At, sizeof XY);
        Left = std::min(Left, XY[0]);
        Top = std::min(Top, XY[1]);
        Right = std::max(Right, XY[0]);
        Bottom = std::max(Bottom, XY[1]);
      }
  };
  float Left, Top, Right, Bottom;
  Extent(DrawsOf("text 2"), Left, Top, Right, Bottom);
  ASSERT_LT(Left, Right) << "no frame rate drawn";
  EXPECT_NEAR(Left, 320 - 50, 6.0f);
  EXPECT_NEAR(Top, 200 - 20, 6.0f);
  EXPECT_LE(Right, 320.0f);
  // The sprite's quad is its texture's, scaled by the window's size: 320 : 200, where the
  // screen's would be 1024 : 768.
  Extent(DrawsOf("Glare.tga"), Left, Top, Right, Bottom);
  ASSERT_LT(Left, Right) << "no glare drawn";
  EXPECT_NEAR(Right / Bottom, 320.0f / 200.0f, 0.01f);
}

// Under a software renderer's budget the world (glare included, sized to the smaller target)
// goes to the scene target, and the data panel and the frame rate to the full-size back buffer.
TEST_F(SceneTest, UnderABudgetTheWorldIsDrawnSmallerAndTheTextsAtFullSize) {
  Build(Everything(false), 7, ZELMAR_TEST_MEDIA, 1920, 1080);
  CountFrames(30);
  DX.SetSceneBudget(TFrameBudget::ForDevice(D3DDEVTYPE_REF));
  LookAtTheSun({0, 60, -500});
  Frame();
  ASSERT_TRUE(Scene->SunOnScreen());
  ASSERT_EQ(1, Log().Count("CreateRenderTarget"));
  EXPECT_EQ(0u, Log().CallsTo("CreateRenderTarget").at(0).Args.rfind("1280, 720, ", 0));
  const std::vector<std::string> Names = DrawnNames();
  ASSERT_EQ(Names.size(), Device()->Draws().size());
  int World = 0, Texts = 0;
  for (std::size_t I = 0; I < Names.size(); ++I) {
    const bool Text = Names[I].rfind("text ", 0) == 0;
    (Text ? Texts : World) += 1;
    EXPECT_EQ(Text, Device()->Draws()[I].Target == "backbuffer") << Names[I];
  }
  EXPECT_GT(World, 20);
  EXPECT_GT(Texts, 0);
  // Stretched between two scenes: never inside BeginScene/EndScene.
  const std::vector<std::string> Lines = Log().Lines();
  int Open = 0;
  for (const std::string& Line : Lines) {
    if (Line.rfind("BeginScene", 0) == 0) ++Open;
    if (Line.rfind("EndScene", 0) == 0) --Open;
    if (Line.rfind("StretchRect", 0) == 0) {
      EXPECT_EQ(Open, 0) << Log().Text();
    }
  }
  EXPECT_EQ(Log().Count("StretchRect"), 1);
  // The veil is scaled to the target's size, not the window's.
  EXPECT_EQ(DrawsOf("Glare.tga").size(), 1u);
  EXPECT_NE(Log().Text().find(", (1280,720), null, 0, (0,0), "), std::string::npos) << Log().Text();
}
