#include "scene/TZelmarScene.h"

#include "engine/TFont.h"
#include "engine/TW9DirectX.h"
#include "engine/TWPool.h"
#include "scene/Ephemeris.h"
#include "scene/TWClock.h"
#include "scene/TWCloudLayer.h"
#include "scene/TWGlare.h"
#include "scene/TWLensFlare.h"
#include "scene/TWPlanet.h"
#include "scene/TWRing.h"
#include "scene/TWSattelite.h"
#include "scene/TWSpace.h"
#include "scene/ViewAngles.h"

namespace zelmar {

namespace {

// Windows' character sets as the font items store them.
constexpr BYTE kAnsiCharset = 0;
constexpr BYTE kDefaultCharset = 1;

struct TFontRow {
  const char* Name;
  int Height;
  TFontStyles Style;
  BYTE Charset;
  bool UseID3DXFont;
};

// The overlay's fonts: 0 data panel and first credit, 1 title, 2 frame rate, 3 second credit.
constexpr TFontRow kFontRows[] = {
    {"Arial", -24, 0, kAnsiCharset, false},
    {"Arial", -29, fsBold, kAnsiCharset, true},
    {"MS Sans Serif", -11, 0, kDefaultCharset, true},
    {"MS Sans Serif", -13, 0, kDefaultCharset, true},
};

// The lights' reach: the single nearest 1.84390889988791e18.
constexpr float kLightRange = 1.84390889988791e18f;

struct TLightRow {
  int Index;
  D3DVECTOR Position;
  float Attenuation0;
  D3DCOLORVALUE Diffuse, Ambient, Specular;
};

// The Sun's light at the origin, and in the Brass display a dim lamp high above the model.
constexpr TLightRow kBrassLights[] = {
    {0,
     {0, 1000, 0},
     0.04f,
     {0.01f, 0.01f, 0.01f, 1},
     {0.002f, 0.002f, 0.002f, 0},
     {0.01f, 0.01f, 0.01f, 1}},
    {1, {0, 0, 0}, 0.5f, {0.1f, 0.1f, 0.1f, 1}, {0, 0, 0, 0}, {0, 0, 0, 1}},
};
constexpr TLightRow kSpaceLights[] = {
    {0, {0, 0, 0}, 0.05f, {0.1f, 0.1f, 0.1f, 1}, {0, 0, 0, 0}, {0, 0, 0, 1}},
};

}  // namespace

TZelmarScene::TZelmarScene(TW9DirectX* ADX, TWPool* APool, const TSettings& ASettings)
    : LocalTime([] {
        const std::time_t Now = std::time(nullptr);
        return *std::localtime(&Now);
      }),
      DX(ADX),
      Pool(APool),
      Settings(ASettings) {
  AddDesignTimeContent();

  Camera.MoveSpeed = Settings.MoveSpeed;
  Camera.RandomSelect = Settings.RandomSelect;
  Camera.BrassModel = Settings.BrassModel;

  Space = std::make_unique<TWSpace>(Pool, Settings.BrassModel, Settings.ObjectQuality,
                                    Settings.RealSky);
  CreateBodies();
  if (Settings.BrassModel) {
    for (int I = 0; I < BodyCount; ++I) Planets[I]->MakeBrass(Pool);
    for (int I = 0; I < MoonCount; ++I) Moons[I]->MakeBrass(Pool);
    for (int I = 0; I < RingCount; ++I) Rings[I]->MakeBrass(Pool);
  } else {
    LensFlare = std::make_unique<TWLensFlare>(Pool);
    Glare = new TWGlare(Pool);
  }
  // On the ground's final shape; no random draw, so the rest of the scene is as without it.
  if (Settings.EarthClouds) {
    Clouds = std::make_unique<TWCloudLayer>(&Pool->WObjects(), Planets[kEarthSlot].get());
    Clouds->Texture = Pool->WTextures().Add();
    Clouds->Texture->SetName("Earth clouds");
    Clouds->Texture->SetFileName(kEarthCloudsFile);
  }
  Camera.BodyCount = BodyCount;
}

TZelmarScene::~TZelmarScene() = default;

void TZelmarScene::AddDesignTimeContent() {
  for (const TFontRow& Row : kFontRows) {
    TWFont* Font = Pool->WFonts().Add();
    TFont Face;
    Face.SetName(Row.Name);
    Face.SetHeight(Row.Height);
    Face.SetStyle(Row.Style);
    Face.SetCharset(Row.Charset);
    Font->Font = Face;
    Font->UseID3DXFont = Row.UseID3DXFont;
    Font->ZEnabled = false;
    Font->HighestCharacter = 127;
  }
  for (int I = 0; I < 2; ++I) {
    TWLight* Light = Pool->WLights().Add();
    Light->SetLightIndex(I);
    Light->SetLightType(D3DLIGHT_POINT);
    Light->SetLightOn(false);
    Light->SetRange(kLightRange);
  }
  TWBillboard* Billboard = Pool->WBillboards().Add();
  Billboard->SetObjects(1);
  Billboard->OnCalc = [this](TWBillboard* Sender, int ObjectIndex, D3DXVECTOR3& Position,
                             int& TextureIndex, D3DCOLOR& Color, float& Width, float& Height) {
    WPoolWBillboards0Calc(Sender, ObjectIndex, Position, TextureIndex, Color, Width, Height);
  };
  Pool->SetDX(DX);
  Pool->SetActive(true);
}

void TZelmarScene::CreateBodies() {
  TWObjects* Objects = &Pool->WObjects();
  TWTextures& Textures = Pool->WTextures();
  TWTexture* Shadow = nullptr;
  if (!Settings.BrassModel) {
    SunGlowIndex = Textures.AddTexture(kCoronaTextureFile)->Index();
    Shadow = Textures.AddTexture(kShadowTextureFile);
  }
  auto NewTexture = [&Textures](const char* Name, const char* File) {
    TWTexture* Texture = Textures.Add();
    Texture->SetName(Name);
    Texture->SetFileName(File);
    return Texture;
  };

  for (int I = 0; I < kBodyCount; ++I) {
    const TBodyRow& Row = kPlanetRows[I];
    Planets[I] =
        std::make_unique<TWPlanet>(Objects, Settings.PlanetSpeed, Settings.ObjectQuality, Row.Lit,
                                   Row.Diameter, Row.DistanceValue, Row.ViewDistance,
                                   Row.OrbitalPeriod, Row.RotationPeriod, Row.Tilt, Row.HasShadow);
    Planets[I]->Stats = MakeStats(Row);
    Planets[I]->Texture = NewTexture(Row.TextureName, Row.TextureFile);
    if (I > 0) Planets[I]->ShadowTexture = Shadow;
  }
  if (Settings.EarthNightLights)
    Planets[kEarthSlot]->NightTexture = NewTexture("Earth night", kEarthNightFile);
  BodyCount = kBodyCount;

  for (int I = 0; I < kMoonCount; ++I) {
    const TBodyRow& Row = kMoonRows[I];
    Moons[I] = std::make_unique<TWSattelite>(Objects, Settings.PlanetSpeed, Settings.ObjectQuality,
                                             Row.Lit, Row.Diameter, Row.DistanceValue,
                                             Row.ViewDistance, Row.OrbitalPeriod,
                                             Row.RotationPeriod, Row.Tilt, Row.HasShadow);
    Moons[I]->Parent = Planets[Row.Parent].get();
    Moons[I]->Texture = NewTexture(Row.TextureName, Row.TextureFile);
    Moons[I]->ShadowTexture = Shadow;
  }
  MoonCount = kMoonCount;

  Rings[0] =
      std::make_unique<TWRing>(Objects, Settings.PlanetSpeed, Settings.ObjectQuality, kRingRow.Lit,
                               kRingRow.Diameter, Planets[kRingRow.Parent].get());
  Rings[0]->SetTexture(NewTexture(kRingRow.TextureName, kRingRow.TextureFile));
  RingCount = kRingCount;
  // After every random draw, so that the rest of the scene draws as it always does.
  if (Settings.PositionsToday) StartAtTheSkyOf(Settings.PositionsJulianDay);
}

void TZelmarScene::StartAtTheSkyOf(double JulianDay) {
  constexpr double kRadians = 3.14159265358979323846 / 180.0;
  for (int I = 1; I < kBodyCount; ++I)
    Planets[I]->Phase = static_cast<float>(HeliocentricLongitude(I, JulianDay) * kRadians);
  // A moon's angle is measured from beyond its parent, where a full Moon (elongation 180) stands.
  for (int I = 0; I < kMoonCount; ++I)
    if (kMoonRows[I].Parent == kEarthSlot)
      Moons[I]->StartAngle = static_cast<float>((MoonElongation(JulianDay) - 180.0) * kRadians);
}

void TZelmarScene::ConnectEvents() {
  DX->OnConfirmDevice = [this](const D3DCAPS9& Caps, DWORD Behavior, D3DFORMAT Adapter,
                               D3DFORMAT BackBuffer) {
    return WDirectXConfirmDevice(Caps, Behavior, Adapter, BackBuffer);
  };
  DX->OnInitDeviceObjects = [this](TW9DirectX* Sender) {
    return WDirectXInitDeviceObjects(Sender);
  };
  DX->OnRestoreDeviceObjects = [this](TW9DirectX* Sender) {
    return WDirectXRestoreDeviceObjects(Sender);
  };
  DX->OnFrameMove = [this](TW9DirectX* Sender) { return WDirectXFrameMove(Sender); };
  DX->OnRender = [this](TW9DirectX* Sender, bool& DefaultPresent) {
    return WDirectXRender(Sender, DefaultPresent);
  };
}

void TZelmarScene::FormShow() {
  Camera.Start();
}

void TZelmarScene::MoveTimerTimer() {
  Camera.MoveTimerTimer();
}

HRESULT TZelmarScene::WDirectXConfirmDevice(const D3DCAPS9& Caps, DWORD Behavior, D3DFORMAT,
                                            D3DFORMAT) {
  if (Behavior & D3DCREATE_PUREDEVICE) return E_FAIL;
  if (Caps.TextureCaps & (D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_ALPHAPALETTE)) return S_OK;
  return E_FAIL;
}

HRESULT TZelmarScene::WDirectXInitDeviceObjects(TW9DirectX*) {
  return S_OK;
}

HRESULT TZelmarScene::WDirectXRestoreDeviceObjects(TW9DirectX*) {
  IDirect3DDevice9* Device = DX->Device();
  if (!Device) return S_OK;
  Device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  Device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  Device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  Device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  Device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  Device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  Device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  Device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  Device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  Device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  Device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  Device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
  Device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  Device->SetRenderState(D3DRS_LIGHTING, TRUE);
  Device->SetRenderState(D3DRS_AMBIENT, 0x40404040);

  auto Place = [this](const TLightRow& Row) {
    TWLight* Light = Pool->WLights().Items(Row.Index);
    Light->SetPosition(Row.Position);
    Light->SetAttenuation0(Row.Attenuation0);
    Light->SetAttenuation1(0.0f);
    Light->SetAttenuation2(0.0f);
    Light->SetDiffuse(Row.Diffuse);
    Light->SetAmbient(Row.Ambient);
    Light->SetSpecular(Row.Specular);
    Light->SetLightOn(true);
    Light->Apply();
  };
  if (Settings.BrassModel) {
    for (const TLightRow& Row : kBrassLights) Place(Row);
  } else {
    // Light 1 keeps its design-time state: off.
    for (const TLightRow& Row : kSpaceLights) Place(Row);
  }
  return S_OK;
}

HRESULT TZelmarScene::WDirectXFrameMove(TW9DirectX*) {
  const TWPlanet& Body = *Planets[Camera.BodyIndex];
  Camera.FrameMove(DX, Body.OrbitRotation(DX), Body.Distance,
                   static_cast<float>(Body.ViewDistance) * Body.Radius);
  if (TWBillboard* Billboard = Corona())
    Billboard->FaceCamera(TD3DVector{0.0f, 0.0f, 0.0f}, Camera.CameraPos);
  return S_OK;
}

bool TZelmarScene::Loaded(std::int32_t TextureIndex) const {
  const TWTextures& Textures = Pool->WTextures();
  return TextureIndex >= 0 && TextureIndex < Textures.Count() &&
         Textures.Items(TextureIndex)->Texture() != nullptr;
}

TWBillboard* TZelmarScene::Corona() const {
  return Pool->WBillboards().Count() > 0 ? Pool->WBillboards().Items(0) : nullptr;
}

void TZelmarScene::WPoolWBillboards0Calc(TWBillboard*, int, D3DXVECTOR3& Position,
                                         int& TextureIndex, D3DCOLOR& Color, float& Width,
                                         float& Height) {
  Position = {0.0f, -60.0f, 0.0f};
  TextureIndex = SunGlowIndex;
  Color = 0xFFFFFFFF;
  Width = 60.0f;
  Height = 60.0f;
}

bool TZelmarScene::SunOnScreen() {
  bool Visible = IsInView(TD3DVector{0.0f, 0.0f, 0.0f}, Camera.CameraTarget, Camera.CameraPos);
  for (int I = 1; I < BodyCount; ++I)
    if (Planets[0]->IsHiddenBy(Planets[I].get(), Camera.CameraPos, DX)) Visible = false;
  return Visible;
}

HRESULT TZelmarScene::WDirectXRender(TW9DirectX*, bool&) {
  IDirect3DDevice9* Device = DX->Device();
  if (!Device) return S_OK;
  // Under a frame budget the world goes to a smaller target that is then stretched onto the
  // back buffer; the texts come after, at the back buffer's own resolution.
  const bool Reduced = DX->BeginSceneTarget();
  if (FAILED(Device->BeginScene())) {
    DX->EndSceneTarget();
    return S_OK;
  }
  const TD3DVector& Eye = Camera.CameraPos;
  const bool Brass = Settings.BrassModel;

  DWORD ClearFlags = D3DCLEAR_TARGET;
  if (DX->d3dEnumeration().AppUsesDepthBuffer) ClearFlags |= D3DCLEAR_ZBUFFER;
  Device->Clear(0, nullptr, ClearFlags, kClearColor, 1.0f, 0);

  const TD3DMatrix Identity = MatrixIdentity();
  Device->SetTransform(D3DTS_WORLD, &Identity);
  Device->SetTransform(D3DTS_VIEW, &Camera.ViewMatrix);
  Device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  // The shadow cones leave the alpha test on, and the flare turns it off only when it is drawn:
  // a sky drawn with it would lose early depth testing over the whole screen, and the black sky
  // (alpha 0) of a missing picture would not be drawn at all.
  Device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  Device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  Device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  const D3DMATERIAL9 Material = DefaultMaterial(1.0f, 1.0f, 1.0f);
  Device->SetMaterial(&Material);

  Space->Render(DX, Eye);

  if (Settings.ShowCorona && !Brass && Loaded(SunGlowIndex)) {
    Device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    Device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    Device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    Device->SetRenderState(D3DRS_LIGHTING, FALSE);
    if (DX->Caps().AlphaCmpCaps & D3DPCMPCAPS_GREATEREQUAL) {
      Device->SetRenderState(D3DRS_ALPHAREF, 8);
      Device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    }
    Device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    if (TWBillboard* Billboard = Corona()) Billboard->Render();
    Device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  }

  for (int I = 0; I < BodyCount; ++I) {
    const TD3DMatrix World = Planets[I]->WorldMatrix(DX);
    Device->SetTransform(D3DTS_WORLD, &World);
    Planets[I]->Draw(DX, Eye);
    Planets[I]->DrawMount(DX);
  }
  for (int I = 0; I < MoonCount; ++I) {
    const TD3DMatrix World = Moons[I]->WorldMatrix(DX);
    Device->SetTransform(D3DTS_WORLD, &World);
    Moons[I]->Draw(DX, Eye);
    Moons[I]->DrawMount(DX);
  }
  // Translucent, after every opaque body and before the ring.
  if (Clouds) {
    const TD3DMatrix World = Clouds->WorldMatrix(DX);
    Device->SetTransform(D3DTS_WORLD, &World);
    Clouds->Draw(DX, Eye);
  }
  for (int I = 0; I < RingCount; ++I) {
    const TD3DMatrix World = Rings[I]->WorldMatrix(DX);
    Device->SetTransform(D3DTS_WORLD, &World);
    Rings[I]->Draw(DX, Eye);
  }

  // Nothing SunOnScreen reads changes during the frame: one test serves cones and effects.
  const bool SunVisible = !Brass && SunOnScreen();
  if (Settings.ShowGlare && SunVisible) {
    for (int I = 0; I < BodyCount; ++I) {
      if (!Planets[I]->ShadowTexture || !Planets[I]->ShadowTexture->Texture() ||
          !Planets[I]->ShadowShows(DX, Eye))
        continue;
      const TD3DMatrix World = Planets[I]->ShadowMatrix(DX);
      Device->SetTransform(D3DTS_WORLD, &World);
      Planets[I]->DrawShadow(DX, Eye);
    }
  }
  if (SunVisible) {
    if (Settings.ShowLensFlare && LensFlare) LensFlare->Render(Eye, Camera.CameraTarget, DX);
    if (Settings.ShowGlare && Glare) Glare->Render(Eye, DX);
  }

  if (Reduced) {
    Device->EndScene();
    DX->EndSceneTarget();
    if (FAILED(Device->BeginScene())) return S_OK;
  }
  DrawDataPanel();
  DrawTitleOrFrameRate();
  // Not over the opening titles, which stand where it drifts.
  if (Settings.ShowClock && Camera.StartDelay == 0)
    TWClock::Draw(Pool->WFonts(), DX->GetBackBufferRect(), DX->AppTime(), LocalTime(), kPanelColor);
  Device->EndScene();
  return S_OK;
}

int TZelmarScene::PanelLinesShown(int Count, int Remaining, float MoveSpeed) {
  const int T = TWCamera::StayTicksFor(MoveSpeed);
  const int K = Nearest(static_cast<double>(T) / (Count + 1));
  int Shown = 0;
  for (int I = 1; I <= Count; ++I)
    if (Remaining < (Count - I + 1) * K) Shown = I;
  return Shown;
}

void TZelmarScene::DrawDataPanel() {
  const TPlanetStats& Stats = Planets[Camera.BodyIndex]->Stats;
  if (Stats.Count == 0 || !Settings.ShowPlanetData || Pool->WFonts().Count() < 1) return;
  const int Shown = PanelLinesShown(Stats.Count, Camera.StayTicks, Settings.MoveSpeed);
  TWFont* Font = Pool->WFonts().Items(0);
  for (int I = 1; I <= Shown; ++I) Font->DrawText(2, (I - 1) * 20, kPanelColor, Stats.Lines[I], 0);
}

std::string TZelmarScene::FrameRateText(const std::string& FrameStats) {
  const std::size_t P = FrameStats.find(" (");
  return P == std::string::npos ? std::string() : FrameStats.substr(0, P + 1);
}

void TZelmarScene::DrawTitleOrFrameRate() {
  TWFonts& Fonts = Pool->WFonts();
  if (Fonts.Count() < 4) return;
  // The window's client area (the back buffer): full screen that is the screen, and a window
  // smaller than the screen keeps its texts inside.
  const RECT Screen = DX->GetBackBufferRect();
  if (Camera.StartDelay > 0) {
    Fonts.Items(1)->DrawText(200, 100, kTitleColor, kTitle, 0);
    Fonts.Items(0)->DrawText(200, 140, kTitleColor, kCredit1, 0);
    Fonts.Items(3)->DrawText(Screen.right - 180, Screen.bottom - 20, kTitleColor, kCredit2, 0);
  } else if (Settings.ShowFPS) {
    const std::string Text = FrameRateText(DX->FrameStats());
    Fonts.Items(2)->DrawText(Screen.right - 5 * static_cast<int>(Text.size()), Screen.bottom - 20,
                             kTitleColor, Text, 0);
  }
}

int TZelmarScene::FrameTriangles() {
  const TD3DVector& Eye = Camera.CameraPos;
  int Triangles = 0;
  for (TWObject* Part : Space->RoomObjects)
    if (Part) Triangles += Part->NumTriangles();
  for (int I = 0; I < BodyCount; ++I) {
    if (TWObject* Mesh = Planets[I]->SelectMesh(DX, Eye)) Triangles += Mesh->NumTriangles();
    if (Planets[I]->RodMesh) Triangles += Planets[I]->RodMesh->NumTriangles();
    if (Planets[I]->ArmMesh) Triangles += Planets[I]->ArmMesh->NumTriangles();
  }
  for (int I = 0; I < MoonCount; ++I) {
    if (TWObject* Mesh = Moons[I]->SelectMesh(DX, Eye)) Triangles += Mesh->NumTriangles();
    if (Moons[I]->RodMesh) Triangles += Moons[I]->RodMesh->NumTriangles();
    if (Moons[I]->ArmMesh) Triangles += Moons[I]->ArmMesh->NumTriangles();
  }
  if (Clouds)
    if (TWObject* Mesh = Clouds->SelectMesh(DX, Eye)) Triangles += Mesh->NumTriangles();
  Triangles += 2 * RingCount;
  if (!Settings.BrassModel) Triangles += 2 + 9 * 2 + 2;  // corona, flare, glare
  return Triangles;
}

}  // namespace zelmar
