// Cost of a frame on the GL backend: textured, lit spheres of the pool drawn through the
// framework's device into a 640 x 480 back buffer, with a Present per frame.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QWindow>
#include <cstdio>
#include <memory>

#include "engine/TW9DirectX.h"
#include "engine/TWPool.h"
#include "platform/render/d3dx9.h"
#include "platform/render/gl/GLBackend.h"

namespace {

struct Scene {
  std::unique_ptr<QWindow> Window;
  TW9DirectX DX;
  TWPool Pool;
  TWTexture* Texture = nullptr;
  TWObject* Sphere = nullptr;
};

Scene* MakeScene(int segments) {
  auto* s = new Scene;
  s->Window = std::make_unique<QWindow>();
  s->Window->setSurfaceType(QSurface::OpenGLSurface);
  s->Window->resize(640, 480);
  s->Window->show();
  while (!s->Window->isExposed()) QGuiApplication::processEvents(QEventLoop::WaitForMoreEvents);
  UseGLDirect3DBackend();
  s->DX.D3D.Attach(Direct3DCreate9(D3D_SDK_VERSION));
  D3DPRESENT_PARAMETERS pp;
  pp.BackBufferWidth = 640;
  pp.BackBufferHeight = 480;
  pp.BackBufferFormat = D3DFMT_X8R8G8B8;
  pp.BackBufferCount = 1;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D24S8;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  if (!s->DX.D3D ||
      FAILED(s->DX.D3D->CreateDevice(0, D3DDEVTYPE_REF, static_cast<HWND>(s->Window->winId()),
                                     D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &s->DX.Device))) {
    std::fprintf(stderr, "bench: no GL device\n");
    std::exit(1);
  }
  s->DX.Started = true;
  s->Pool.SetDX(&s->DX);
  s->Pool.PathTextures = ZELMAR_BENCH_MEDIA;
  s->Texture = s->Pool.WTextures().AddTexture("jupiter.jpg");
  s->Sphere = s->Pool.WObjects().Add();
  s->Sphere->SetObjectType(dxotEllipse);
  s->Sphere->SetSegmentsX(segments);
  s->Sphere->SetSegmentsZ(segments);
  s->Sphere->SetIndexed(true);
  TWLight* light = s->Pool.WLights().Add();
  light->SetLightType(D3DLIGHT_POINT);
  light->SetAttenuation0(1.0f);
  light->SetRange(1000.0f);
  light->SetPosition({-20, 10, -20});
  light->SetLightOn(true);
  s->Pool.SetActive(true);
  s->Pool.InitDeviceObjects();
  s->Pool.RestoreDeviceObjects();
  return s;
}

void BM_Frame(benchmark::State& state) {
  const int bodies = static_cast<int>(state.range(0));
  std::unique_ptr<Scene> s(MakeScene(static_cast<int>(state.range(1))));
  IDirect3DDevice9* d = s->DX.Device.Get();
  D3DXMATRIX projection, view;
  D3DXMatrixPerspectiveFovLH(&projection, 3.14159265f / 4, 640.0f / 480.0f, 0.5f, 200.0f);
  const D3DXVECTOR3 eye(0, 0, -30), at(0, 0, 0), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  d->SetTransform(D3DTS_PROJECTION, &projection);
  d->SetTransform(D3DTS_VIEW, &view);
  D3DMATERIAL9 material{};
  material.Diffuse = material.Ambient = {1, 1, 1, 1};
  material.Power = 40;
  d->SetMaterial(&material);
  for (auto _ : state) {
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    d->BeginScene();
    d->SetTexture(0, s->Texture->Texture());
    for (int i = 0; i < bodies; ++i) {
      D3DXMATRIX world;
      D3DXMatrixTranslation(&world, static_cast<float>(i % 8) * 3 - 10.5f,
                            static_cast<float>(i / 8) * 3 - 6, 0);
      d->SetTransform(D3DTS_WORLD, &world);
      s->Sphere->Render();
    }
    d->EndScene();
    d->Present(nullptr, nullptr, 0, nullptr);
  }
  state.SetItemsProcessed(state.iterations());
}
// bodies per frame, segments of each sphere (the saver draws 23 bodies of 8 to 64 segments)
BENCHMARK(BM_Frame)->Args({1, 32})->Args({23, 32})->Args({23, 64})->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
