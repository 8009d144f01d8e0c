// zelmar-engine-demo: the engine on its own, without the scene. A window with the device
// framework and a resource pool holding a textured, lit sphere, a cube, a point light and text
// in both font modes; it turns until the window is closed, or saves one frame with --snapshot.
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/FindMediaFile.h"
#include "engine/TForm.h"
#include "engine/TW9DirectX.h"
#include "engine/TWPool.h"
#include "platform/render/d3dx9.h"
#include "platform/render/gl/glbackend.h"
#include "platform/window/TApplication.h"
#include "platform/window/winuser.h"

namespace {

struct Options {
  std::string Media = ZELMAR_DEMO_MEDIA;
  std::string Snapshot;
  int Frames = 30;
};

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
    } else {
      return false;
    }
  }
  return true;
}

class DemoForm : public TForm {
 public:
  explicit DemoForm(const Options& O) : Opts(O) {
    SetHandle(CreateWindowExA(0, "ZelmarEngineDemo", "Zelmar engine demo",
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 480, 360, 0, 0, 0,
                              nullptr));
    DX = new TW9DirectX(this);
    DX->Caption = "Zelmar engine demo";
    Pool = new TWPool(this);
    Pool->SetDX(DX);
    Pool->PathTextures = Opts.Media;

    Texture = Pool->WTextures().AddTexture("earth.jpg");
    Sphere = Pool->WObjects().Add();
    Sphere->SetObjectType(dxotEllipse);
    Sphere->SetSegmentsX(48);
    Sphere->SetSegmentsZ(32);
    Sphere->SetIndexed(true);
    Cube = Pool->WObjects().Add();
    Cube->SetObjectType(dxotCube);
    Cube->SetSize({0.3f, 0.3f, 0.3f});
    Light = Pool->WLights().Add();
    Light->SetLightType(D3DLIGHT_POINT);
    Light->SetAttenuation0(1.0f);
    Light->SetRange(100.0f);
    Light->SetPosition({-6, 3, -4});
    Light->SetLightOn(true);
    GlyphFont = Pool->WFonts().Add();
    GlyphFont->Font.SetName("Arial");
    GlyphFont->Font.SetHeight(-29);
    GlyphFont->Font.SetStyle(fsBold);
    ObjectFont = Pool->WFonts().Add();
    ObjectFont->Font.SetName("Arial");
    ObjectFont->Font.SetHeight(-24);
    ObjectFont->UseID3DXFont = false;  // the platform's font object
    Pool->SetActive(true);

    DX->OnRestoreDeviceObjects = [this](TW9DirectX*) { return Restore(); };
    DX->OnFrameMove = [this](TW9DirectX*) { return S_OK; };
    DX->OnRender = [this](TW9DirectX*, bool&) { return Render(); };
  }

  HRESULT Restore() {
    IDirect3DDevice9* d = DX->Device.Get();
    D3DXMATRIX projection;
    const float aspect = static_cast<float>(DX->PresentParams.BackBufferWidth) /
                         static_cast<float>(DX->PresentParams.BackBufferHeight);
    D3DXMatrixPerspectiveFovLH(&projection, 3.14159265f / 4, aspect, 0.5f, 50.0f);
    d->SetTransform(D3DTS_PROJECTION, &projection);
    const D3DXVECTOR3 eye(0, 0.8f, -4.2f), at(0, 0, 0), up(0, 1, 0);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    d->SetTransform(D3DTS_VIEW, &view);
    D3DMATERIAL9 material{};
    material.Diffuse = material.Ambient = {1, 1, 1, 1};
    material.Power = 40;
    d->SetMaterial(&material);
    d->SetRenderState(D3DRS_AMBIENT, 0xFF202020);
    return S_OK;
  }

  HRESULT Render() {
    IDirect3DDevice9* d = DX->Device.Get();
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000010, 1.0f, 0);
    if (FAILED(d->BeginScene())) return S_OK;
    // The generator's poles lie on z: turn them upright, then spin about y.
    D3DXMATRIX upright, spin, world;
    D3DXMatrixRotationX(&upright, -3.14159265f / 2);
    D3DXMatrixRotationY(&spin, DX->AppTime * 0.4f);
    D3DXMatrixMultiply(&world, &upright, &spin);
    d->SetTransform(D3DTS_WORLD, &world);
    d->SetTexture(0, Texture->Texture());
    Sphere->Render();
    D3DXMATRIX orbit, place;
    D3DXMatrixTranslation(&place, 1.6f, 0.6f, 0);
    D3DXMatrixRotationY(&orbit, DX->AppTime);
    D3DXMatrixMultiply(&world, &orbit, &place);
    d->SetTransform(D3DTS_WORLD, &world);
    d->SetTexture(0, nullptr);
    Cube->Render();
    GlyphFont->DrawText(10, 8, 0xFFFFFFFF, "Glyph texture text", 0);
    ObjectFont->DrawText(10, 44, 0xFFFFD020, "Font object text", 0);
    d->EndScene();

    if (!Opts.Snapshot.empty() && ++FramesDrawn == Opts.Frames) {
      const QImage image = GLGrabBackBuffer(d);
      if (image.isNull() || !image.save(QString::fromStdString(Opts.Snapshot))) {
        std::fprintf(stderr, "zelmar-engine-demo: cannot write %s\n", Opts.Snapshot.c_str());
        ExitCode = 1;
      }
      PostMessageA(Handle(), WM_CLOSE, 0, 0);
    }
    return S_OK;
  }

  const Options& Opts;
  TW9DirectX* DX = nullptr;
  TWPool* Pool = nullptr;
  TWTexture* Texture = nullptr;
  TWObject* Sphere = nullptr;
  TWObject* Cube = nullptr;
  TWLight* Light = nullptr;
  TWFont* GlyphFont = nullptr;
  TWFont* ObjectFont = nullptr;
  int FramesDrawn = 0;
  int ExitCode = 0;
};

}  // namespace

int main(int argc, char** argv) {
  Options opts;
  if (!ParseOptions(argc, argv, opts)) {
    std::fprintf(stderr,
                 "usage: zelmar-engine-demo [--media DIR] [--snapshot FILE.png [--frames N]]\n");
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
  auto previous = std::make_shared<WNDPROC>();
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
