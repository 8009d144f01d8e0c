// zelmar-engine-demo: the engine and the scene's bodies together, before the full saver. A
// window with the device framework and a resource pool; the Sun in its corona (a billboard),
// Earth with its Moon, Mars and Saturn with its ring, lit by the Sun and drawn with their
// shadow cones, all on compact orbits so that they fit one view; a sprite in a corner and a
// line of text in each font mode. The camera rides along with Earth. It runs until the window is
// closed, or saves one frame with
// --snapshot.
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/FindMediaFile.h"
#include "engine/TForm.h"
#include "engine/TW9DirectX.h"
#include "engine/TWPool.h"
#include "platform/render/d3dx9.h"
#include "platform/render/gl/GLBackend.h"
#include "platform/window/TApplication.h"
#include "platform/window/winuser.h"
#include "scene/TWPlanet.h"
#include "scene/TWRing.h"
#include "scene/TWSattelite.h"

using zelmar::TWPlanet;
using zelmar::TWRing;
using zelmar::TWSattelite;

namespace {

struct Options {
  std::string Media = ZELMAR_DEMO_MEDIA;
  std::string Snapshot;
  int Frames = 30;
  int Width = 480;
  int Height = 360;
  // Draw every frame at this application time (negative: the running clock).
  float Time = -1.0f;
};

bool ParseSize(const std::string& Text, int& W, int& H) {
  return std::sscanf(Text.c_str(), "%dx%d", &W, &H) == 2 && W >= 64 && H >= 64 && W <= 4096 &&
         H <= 4096;
}

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--media" && i + 1 < argc) {
      o.Media = argv[++i];
    } else if (a == "--snapshot" && i + 1 < argc) {
      o.Snapshot = argv[++i];
    } else if (a == "--frames" && i + 1 < argc) {
      o.Frames = std::atoi(argv[++i]);
      if (o.Frames < 1) return false;
    } else if (a == "--size" && i + 1 < argc) {
      if (!ParseSize(argv[++i], o.Width, o.Height)) return false;
    } else if (a == "--time" && i + 1 < argc) {
      char* end = nullptr;
      o.Time = std::strtof(argv[++i], &end);
      if (*end != '\0' || o.Time < 0.0f) return false;
    } else {
      return false;
    }
  }
  return true;
}

// Compact orbits: the bodies' own classes with sizes and distances chosen to share one view.
// Periods and tilts are the catalogue's (Saturn's leans the other way).
constexpr float kSpeed = 0.5f;
constexpr std::uint8_t kQuality = 0;
// The data panel's cyan and a warm white.
constexpr D3DCOLOR kGlyphColor = 0xFF00FFFF;
constexpr D3DCOLOR kObjectColor = 0xFFFFE8B0;

class DemoForm : public TForm {
 public:
  explicit DemoForm(const Options& O) : Opts(O) {
    SetHandle(CreateWindowExA(0, "ZelmarEngineDemo", "Zelmar engine demo",
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, Opts.Width, Opts.Height, 0,
                              0, 0, nullptr));
    DX = new TW9DirectX(this);
    DX->Caption = "Zelmar engine demo";
    DX->d3dEnumeration().AppUsesDepthBuffer = true;
    Pool = new TWPool(this);
    Pool->SetDX(DX);
    Pool->PathTextures = Opts.Media;
    BuildBodies();

    Corona = Pool->WBillboards().Add();
    Corona->SetObjects(1);
    Corona->OnCalc = [this](TWBillboard*, int, D3DXVECTOR3& Position, int& TextureIndex,
                            D3DCOLOR& Color, float& Width, float& Height) {
      // Width and height are half sizes and Position the base point: a square centred on the
      // Sun, a little more than twice its diameter wide.
      const float Half = 2.16f * Planets[0]->Radius;
      Position = {0.0f, -Half, 0.0f};
      TextureIndex = Glow->Index();
      Color = 0xFFFFFFFF;
      Width = Half;
      Height = Half;
    };
    Sprite = Pool->WSprites().Add();
    // The overlay's two Arial fonts: glyph textures (bold) and the platform's font object.
    GlyphFont = AddFont("Arial", -29, fsBold, true);
    ObjectFont = AddFont("Arial", -24, 0, false);
    Thumbnail = Pool->WTextures().AddTexture("jupiter.jpg");

    Light = Pool->WLights().Add();
    Light->SetLightType(D3DLIGHT_POINT);
    Pool->SetActive(true);

    DX->OnRestoreDeviceObjects = [this](TW9DirectX*) { return Restore(); };
    DX->OnFrameMove = [this](TW9DirectX*) { return FrameMove(); };
    DX->OnRender = [this](TW9DirectX*, bool&) { return Render(); };
  }

  void BuildBodies() {
    TWObjects* Objects = &Pool->WObjects();
    TWTexture* Shadow = Pool->WTextures().AddTexture("shadow.tga");
    Glow = Pool->WTextures().AddTexture("sunglow.tga");
    auto Body = [&](const char* File, bool Lit, int Diameter, int DistanceValue,
                    float OrbitalPeriod, float RotationPeriod, float Tilt, float Phase) {
      auto B = std::make_unique<TWPlanet>(Objects, kSpeed, kQuality, Lit, Diameter, DistanceValue,
                                          10, OrbitalPeriod, RotationPeriod, Tilt, Lit);
      B->Texture = Pool->WTextures().AddTexture(File);
      B->ShadowTexture = Shadow;
      B->Phase = Phase;
      Planets.push_back(std::move(B));
      return Planets.back().get();
    };
    Body("sun.jpg", false, 50000, 0, 0.0f, 25.0f, 0.0f, 0.0f);
    Earth = Body("earth.jpg", true, 25000, 11000, 365.25f, 1.0f, 0.410152376f, 0.0f);
    Body("mars.jpg", true, 12500, 17000, 686.98f, 1.02f, 0.439648449f, 0.5f);
    // Saturn's axis leans towards the camera, so that its ring is seen open.
    TWPlanet* Saturn =
        Body("saturn.jpg", true, 35000, 30000, 10792.0f, 0.42f, -0.442091912f, -0.7f);

    Moon = std::make_unique<TWSattelite>(Objects, kSpeed, kQuality, true, 6500, 4000, 50, 27.0f,
                                         27.0f, 0.0268780701f, true);
    Moon->Parent = Earth;
    Moon->Texture = Pool->WTextures().AddTexture("moon.jpg");

    Ring = std::make_unique<TWRing>(Objects, kSpeed, kQuality, false, 87500, Saturn);
    Ring->SetTexture(Pool->WTextures().AddTexture("saturnRings.tga"));
  }

  // The fixed states and the Sun's light, as the saver's Space display sets them.
  HRESULT Restore() {
    IDirect3DDevice9* d = DX->Device.Get();
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d->SetRenderState(D3DRS_DITHERENABLE, TRUE);
    d->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d->SetRenderState(D3DRS_AMBIENT, 0x40404040);
    Light->SetPosition({0, 0, 0});
    Light->SetAttenuation0(0.05f);
    Light->SetAttenuation1(0.0f);
    Light->SetAttenuation2(0.0f);
    Light->SetDiffuse({0.1f, 0.1f, 0.1f, 1});
    Light->SetAmbient({0, 0, 0, 0});
    Light->SetSpecular({0, 0, 0, 1});
    Light->SetLightOn(true);
    Light->Apply();
    return S_OK;
  }

  HRESULT FrameMove() {
    if (Opts.Time >= 0.0f) DX->AppTime = Opts.Time;
    IDirect3DDevice9* d = DX->Device.Get();
    D3DXMATRIX Projection;
    const float Aspect = static_cast<float>(DX->PresentParams.BackBufferWidth) /
                         static_cast<float>(DX->PresentParams.BackBufferHeight);
    D3DXMatrixPerspectiveFovLH(&Projection, 3.14159265f / 4, Aspect, 1.0f, 10000.0f);
    d->SetTransform(D3DTS_PROJECTION, &Projection);
    // Above Earth and a little towards the Sun, which stands at the left: Earth shows more
    // day than night.
    const TD3DMatrix Orbit = Earth->OrbitRotation(DX);
    const TD3DVector Offset{Earth->Distance - 8.0f, 18.0f, -32.0f};
    Eye = {Offset.x * Orbit._11 + Offset.z * Orbit._31, Offset.y,
           Offset.x * Orbit._13 + Offset.z * Orbit._33};
    const TD3DVector At = Earth->Position(DX), Up{0, 1, 0};
    D3DXMatrixLookAtLH(&View, &Eye, &At, &Up);
    Corona->FaceCamera({0, 0, 0}, Eye);
    return S_OK;
  }

  HRESULT Render() {
    IDirect3DDevice9* d = DX->Device.Get();
    if (FAILED(d->BeginScene())) return S_OK;
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000032, 1.0f, 0);
    const TD3DMatrix Identity = MatrixIdentity();
    d->SetTransform(D3DTS_WORLD, &Identity);
    d->SetTransform(D3DTS_VIEW, &View);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

    // The corona first, blended and unlit; the bodies then cover what lies behind them.
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    Corona->Render();
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    for (auto& P : Planets) {
      const TD3DMatrix World = P->WorldMatrix(DX);
      d->SetTransform(D3DTS_WORLD, &World);
      P->Draw(DX, Eye);
    }
    const TD3DMatrix MoonWorld = Moon->WorldMatrix(DX);
    d->SetTransform(D3DTS_WORLD, &MoonWorld);
    Moon->Draw(DX, Eye);
    const TD3DMatrix RingWorld = Ring->WorldMatrix(DX);
    d->SetTransform(D3DTS_WORLD, &RingWorld);
    Ring->Draw(DX, Eye);
    for (auto& P : Planets) {
      if (!P->HasShadow) continue;
      const TD3DMatrix Shadow = P->ShadowMatrix(DX);
      d->SetTransform(D3DTS_WORLD, &Shadow);
      P->DrawShadow(DX, Eye);
    }
    DrawThumbnail();
    DrawLines();
    d->EndScene();

    if (!Opts.Snapshot.empty() && ++FramesDrawn == Opts.Frames) {
      // The back buffer's alpha is what blending left there, not part of the picture.
      const QImage image = GLGrabBackBuffer(d).convertToFormat(QImage::Format_RGB32);
      if (image.isNull() || !image.save(QString::fromStdString(Opts.Snapshot))) {
        std::fprintf(stderr, "zelmar-engine-demo: cannot write %s\n", Opts.Snapshot.c_str());
        ExitCode = 1;
      }
      PostMessageA(Handle(), WM_CLOSE, 0, 0);
    }
    return S_OK;
  }

  TWFont* AddFont(const char* Name, int Height, TFontStyles Style, bool Glyphs) {
    TWFont* Font = Pool->WFonts().Add();
    Font->Font.SetName(Name);
    Font->Font.SetHeight(Height);
    Font->Font.SetStyle(Style);
    Font->UseID3DXFont = Glyphs;
    return Font;
  }

  // Both lines start right of the Sun, below Earth.
  void DrawLines() {
    const float X = 0.3f * DX->PresentParams.BackBufferWidth;
    const float Bottom = static_cast<float>(DX->PresentParams.BackBufferHeight);
    GlyphFont->DrawText(X, Bottom - 84.0f, kGlyphColor, "Glyph texture text", 0);
    ObjectFont->DrawText(X, Bottom - 44.0f, kObjectColor, "Font object text", 0);
  }

  // A sprite: a small picture of Jupiter's map in the upper right corner.
  void DrawThumbnail() {
    IDirect3DTexture9* Texture = Thumbnail->Texture();
    D3DSURFACE_DESC Desc{};
    if (!Texture || FAILED(Texture->GetLevelDesc(0, &Desc)) || Desc.Width == 0) return;
    const float Width = 96.0f;
    const D3DXVECTOR2 Scaling{Width / Desc.Width, Width / Desc.Width};
    const D3DXVECTOR2 Place{DX->PresentParams.BackBufferWidth - Width - 8.0f, 8.0f};
    Sprite->Draw(Thumbnail, nullptr, &Scaling, nullptr, 0.0f, &Place, 0xFFFFFFFF);
  }

  const Options& Opts;
  TW9DirectX* DX = nullptr;
  TWPool* Pool = nullptr;
  std::vector<std::unique_ptr<TWPlanet>> Planets;  // the Sun first
  TWPlanet* Earth = nullptr;
  std::unique_ptr<TWSattelite> Moon;
  std::unique_ptr<TWRing> Ring;
  TWTexture* Glow = nullptr;
  TWBillboard* Corona = nullptr;
  TWSprite* Sprite = nullptr;
  TWTexture* Thumbnail = nullptr;
  TWFont* GlyphFont = nullptr;
  TWFont* ObjectFont = nullptr;
  TWLight* Light = nullptr;
  TD3DVector Eye{0, 0, 0};
  TD3DMatrix View = MatrixIdentity();
  int FramesDrawn = 0;
  int ExitCode = 0;
};

}  // namespace

int main(int argc, char** argv) {
  Options opts;
  if (!ParseOptions(argc, argv, opts)) {
    std::fprintf(stderr,
                 "usage: zelmar-engine-demo [--media DIR] [--size WxH] [--time SECONDS]\n"
                 "                          [--snapshot FILE.png [--frames N]]\n");
    return 2;
  }
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
      !std::getenv("QT_QPA_PLATFORM")) {
    std::fprintf(stderr, "zelmar-engine-demo: no display (DISPLAY is not set)\n");
    return 2;
  }
  TApplication app(argc, argv);
  UseGLDirect3DBackend();

  DemoForm* form = new DemoForm(opts);
  if (!form->Handle()) {
    std::fprintf(stderr, "zelmar-engine-demo: cannot create a window\n");
    return 1;
  }
  app.SetMainWindow(form->Handle());
  for (int i = 0; i < 200 && !IsWindowVisible(form->Handle()); ++i) app.ProcessMessages();
  form->Loaded();
  // Closing the window stops the framework first, which releases every device object.
  auto previous = std::make_shared<WindowProcedure>();
  *previous = SubclassWindow(form->Handle(), [form, previous](HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_CLOSE) form->DX->Stop();
    return CallWindowProcA(*previous, h, m, w, l);
  });
  int code = 1;
  if (SUCCEEDED(form->DX->Start())) code = app.Run();
  const int result = form->ExitCode ? form->ExitCode : code;
  delete form;
  return result;
}
