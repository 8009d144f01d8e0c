#include "shell/modes/BareFrame.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/render/d3dx9.h"
#include "platform/window/TApplication.h"
#include "shell/modes/ProcessFigures.h"
#include "shell/saver/FormWindow.h"

namespace zelmar {

namespace {

struct TQuadVertex {
  float x, y, z, rhw;
  D3DCOLOR Color;
  float tu, tv;
};
constexpr DWORD kQuadFVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct TMeshVertex {
  float x, y, z, nx, ny, nz, tu, tv;
};
constexpr DWORD kMeshFVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

// A unit sphere of Columns x Rows quads, indexed.
struct TSphere {
  std::vector<TMeshVertex> Vertices;
  std::vector<WORD> Indices;
};

TSphere MakeSphere(int Columns, int Rows) {
  TSphere S;
  for (int R = 0; R <= Rows; ++R) {
    const float Theta = static_cast<float>(M_PI) * R / Rows;
    for (int C = 0; C <= Columns; ++C) {
      const float Phi = 2.0f * static_cast<float>(M_PI) * C / Columns;
      const float X = std::sin(Theta) * std::cos(Phi), Y = std::cos(Theta),
                  Z = std::sin(Theta) * std::sin(Phi);
      S.Vertices.push_back(
          {X, Y, Z, X, Y, Z, static_cast<float>(C) / Columns, static_cast<float>(R) / Rows});
    }
  }
  for (int R = 0; R < Rows; ++R)
    for (int C = 0; C < Columns; ++C) {
      const WORD A = static_cast<WORD>(R * (Columns + 1) + C),
                 B = static_cast<WORD>(A + Columns + 1);
      S.Indices.insert(S.Indices.end(), {A, static_cast<WORD>(A + 1), B, static_cast<WORD>(A + 1),
                                         static_cast<WORD>(B + 1), B});
    }
  return S;
}

}  // namespace

TRunFigures RunBareFrame(int Width, int Height, int Triangles, double Seconds,
                         const std::string& Texture) {
  TRunFigures Figures;
  // The window goes with this run, whichever way it ends (after the device, made below).
  struct TOwnedWindow {
    HWND Handle;
    ~TOwnedWindow() { DestroyFormWindow(Handle); }
  } Window{CreateFormWindow("Zelmar bare frame", Width, Height, true)};
  const HWND Handle = Window.Handle;
  if (Handle) ShowWindow(Handle, SW_SHOW);
  if (!Handle || !WaitUntilShown(Handle, 5000, false, {})) {
    Figures.Problem = "the bare frame's window did not appear";
    return Figures;
  }

  Ref<IDirect3D9> D3D = AdoptRef(Direct3DCreate9(D3D_SDK_VERSION));
  D3DPRESENT_PARAMETERS Params{};
  Params.BackBufferWidth = static_cast<UINT>(Width);
  Params.BackBufferHeight = static_cast<UINT>(Height);
  Params.BackBufferFormat = D3DFMT_X8R8G8B8;
  Params.BackBufferCount = 1;
  Params.SwapEffect = D3DSWAPEFFECT_DISCARD;
  Params.hDeviceWindow = Handle;
  Params.Windowed = TRUE;
  Params.EnableAutoDepthStencil = TRUE;
  Params.AutoDepthStencilFormat = D3DFMT_D24S8;
  Params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  Ref<IDirect3DDevice9> Device;
  for (D3DDEVTYPE Type : {D3DDEVTYPE_HAL, D3DDEVTYPE_REF})
    if (D3D && !Device)
      D3D->CreateDevice(0, Type, Handle, D3DCREATE_HARDWARE_VERTEXPROCESSING, &Params, &Device);
  if (!Device) {
    Figures.Problem = "no render device for the bare frame";
    return Figures;
  }

  Ref<IDirect3DTexture9> Picture;
  D3DXCreateTextureFromFileExA(Device.Get(), Texture.c_str(), 0, 0, 0, 0, D3DFMT_UNKNOWN,
                               D3DPOOL_MANAGED, D3DX_FILTER_POINT, D3DX_FILTER_POINT, 0, nullptr,
                               nullptr, &Picture);

  // Columns x Rows quads of two triangles each, as close to the scene's count as the grid allows.
  const int Rows =
      std::max(2, static_cast<int>(std::lround(std::sqrt(std::max(Triangles, 8) / 4.0))));
  const int Columns = std::max(3, (std::max(Triangles, 8) + Rows) / (2 * Rows));
  const TSphere Sphere = MakeSphere(Columns, Rows);
  Ref<IDirect3DVertexBuffer9> Vertices;
  Ref<IDirect3DIndexBuffer9> Indices;
  const UINT VertexBytes = static_cast<UINT>(Sphere.Vertices.size() * sizeof(TMeshVertex));
  const UINT IndexBytes = static_cast<UINT>(Sphere.Indices.size() * sizeof(WORD));
  void* Data = nullptr;
  if (FAILED(Device->CreateVertexBuffer(VertexBytes, D3DUSAGE_WRITEONLY, kMeshFVF, D3DPOOL_MANAGED,
                                        &Vertices, nullptr)) ||
      FAILED(Device->CreateIndexBuffer(IndexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                       D3DPOOL_MANAGED, &Indices, nullptr))) {
    Figures.Problem = "no buffers for the bare frame's sphere";
    return Figures;
  }
  if (SUCCEEDED(Vertices->Lock(0, 0, &Data, 0))) {
    std::memcpy(Data, Sphere.Vertices.data(), VertexBytes);
    Vertices->Unlock();
  }
  if (SUCCEEDED(Indices->Lock(0, 0, &Data, 0))) {
    std::memcpy(Data, Sphere.Indices.data(), IndexBytes);
    Indices->Unlock();
  }
  const UINT SphereTriangles = static_cast<UINT>(Sphere.Indices.size() / 3);

  // Pixel centres sit on integers: the quad's edges lie half a pixel off them.
  const float W = static_cast<float>(Width) - 0.5f, H = static_cast<float>(Height) - 0.5f;
  const TQuadVertex Quad[4] = {{-0.5f, -0.5f, 1, 1, 0xFFFFFFFF, 0, 0},
                               {W, -0.5f, 1, 1, 0xFFFFFFFF, 1, 0},
                               {-0.5f, H, 1, 1, 0xFFFFFFFF, 0, 1},
                               {W, H, 1, 1, 0xFFFFFFFF, 1, 1}};

  D3DXMATRIX World, View, Projection;
  D3DXMatrixScaling(&World, 60, 60, 60);
  const D3DXVECTOR3 Eye(0, 0, -250), At(0, 0, 0), Up(0, 1, 0);
  D3DXMatrixLookAtLH(&View, &Eye, &At, &Up);
  D3DXMatrixPerspectiveFovLH(&Projection, static_cast<float>(M_PI) / 4,
                             static_cast<float>(Width) / static_cast<float>(Height), 1.0f,
                             10000000.0f);
  D3DLIGHT9 Light{};
  Light.Type = D3DLIGHT_POINT;
  Light.Diffuse = {1, 1, 1, 1};
  Light.Position = {-300, 200, -300};
  Light.Range = 1.0e6f;
  Light.Attenuation0 = 1.0f;
  D3DMATERIAL9 Material{};
  Material.Diffuse = Material.Ambient = {1, 1, 1, 1};
  Material.Power = 40;

  auto Frame = [&]() {
    Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000032, 1.0f, 0);
    if (FAILED(Device->BeginScene())) return;
    Device->SetTexture(0, Picture.Get());
    Device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    Device->SetFVF(kQuadFVF);
    Device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, Quad, sizeof(TQuadVertex));
    Device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    Device->SetRenderState(D3DRS_LIGHTING, TRUE);
    Device->SetLight(0, &Light);
    Device->LightEnable(0, TRUE);
    Device->SetMaterial(&Material);
    Device->SetTransform(D3DTS_WORLD, &World);
    Device->SetTransform(D3DTS_VIEW, &View);
    Device->SetTransform(D3DTS_PROJECTION, &Projection);
    Device->SetFVF(kMeshFVF);
    Device->SetStreamSource(0, Vertices.Get(), 0, sizeof(TMeshVertex));
    Device->SetIndices(Indices.Get());
    Device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0,
                                 static_cast<UINT>(Sphere.Vertices.size()), 0, SphereTriangles);
    Device->EndScene();
    Device->Present(nullptr, nullptr, 0, nullptr);
  };

  Frame();  // the first frame compiles the programs; it is not counted
  const double Cpu0 = ProcessCpuSeconds();
  const auto Start = std::chrono::steady_clock::now();
  double Elapsed = 0.0;
  while (Elapsed < Seconds) {
    Frame();
    ++Figures.Frames;
    if (TApplication* App = TApplication::Instance()) App->ProcessMessages();
    Elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
  }
  Figures.Seconds = Elapsed;
  Figures.FramesPerSecond = Figures.Frames / Elapsed;
  Figures.CpuMsPerFrame = (ProcessCpuSeconds() - Cpu0) * 1000.0 / std::max(1, Figures.Frames);
  Figures.PeakMB = PeakResidentMB();
  Figures.Ok = true;
  return Figures;
}

}  // namespace zelmar
