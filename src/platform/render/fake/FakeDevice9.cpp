#include "platform/render/fake/FakeDevice9.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "platform/render/D3D9Defaults.h"
#include "platform/render/d3dx9.h"
#include "platform/render/fake/FakeDirect3D9.h"
#include "platform/render/fake/FakeIndexBuffer9.h"
#include "platform/render/fake/FakeNames.h"
#include "platform/render/fake/FakeStateBlock9.h"
#include "platform/render/fake/FakeSurface9.h"
#include "platform/render/fake/FakeTexture9.h"
#include "platform/render/fake/FakeVertexBuffer9.h"

namespace {

std::string ColorText(const D3DCOLORVALUE& c) {
  std::ostringstream out;
  out << "(" << c.r << "," << c.g << "," << c.b << "," << c.a << ")";
  return out.str();
}

std::string VectorText(const D3DVECTOR& v) {
  std::ostringstream out;
  out << "(" << v.x << "," << v.y << "," << v.z << ")";
  return out.str();
}

std::string MatrixText(const D3DMATRIX& m) {
  std::ostringstream out;
  out << "[";
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) out << (row + col > 0 ? " " : "") << m.m[row][col];
  }
  out << "]";
  return out.str();
}

UINT VertexCount(D3DPRIMITIVETYPE Type, UINT PrimitiveCount) {
  switch (Type) {
    case D3DPT_POINTLIST:
      return PrimitiveCount;
    case D3DPT_LINELIST:
      return PrimitiveCount * 2;
    case D3DPT_LINESTRIP:
      return PrimitiveCount + 1;
    case D3DPT_TRIANGLELIST:
      return PrimitiveCount * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
      return PrimitiveCount + 2;
    default:  // Windows' enumeration has a FORCE_DWORD member
      return 0;
  }
}

template <typename T>
bool Has(const std::vector<T>& List, const T& Value) {
  return std::find(List.begin(), List.end(), Value) != List.end();
}

}  // namespace

const FakeMachine& FakeDevice9::Machine() const {
  return FD3D->Machine();
}

D3DMATRIX FakeDeviceState::Transform(DWORD State) const {
  auto it = Transforms.find(State);
  return it != Transforms.end() ? it->second : D3DIdentityMatrix();
}

std::string FakePresentParametersText(const D3DPRESENT_PARAMETERS& p) {
  std::ostringstream out;
  out << "{" << p.BackBufferWidth << "x" << p.BackBufferHeight << " "
      << FakeFormatName(p.BackBufferFormat) << " x" << p.BackBufferCount << ", "
      << FakeMultiSampleName(p.MultiSampleType) << " q" << p.MultiSampleQuality << ", swap "
      << static_cast<DWORD>(p.SwapEffect) << ", window " << FakeHandleHex(p.hDeviceWindow) << ", "
      << (p.Windowed ? "windowed" : "full screen") << ", depth "
      << (p.EnableAutoDepthStencil ? FakeFormatName(p.AutoDepthStencilFormat) : "none")
      << ", flags " << p.Flags << ", " << p.FullScreen_RefreshRateInHz << " Hz, interval "
      << FakeHex(p.PresentationInterval) << "}";
  return out.str();
}

FakeDevice9::FakeDevice9(Ref<FakeDirect3D9> D3D, std::shared_ptr<FakeRecorder> Recorder,
                         const D3DCAPS9& Caps, DWORD BehaviorFlags,
                         const D3DPRESENT_PARAMETERS& Params)
    : FD3D(std::move(D3D)),
      FRecorder(std::move(Recorder)),
      FLink(std::make_shared<FakeDeviceLink>()),
      FLabel("dev#" + std::to_string(FRecorder->NextObjectId())),
      FCaps(Caps),
      FBehaviorFlags(BehaviorFlags),
      FParams(Params) {
  FLink->Device = this;
  SetDefaultState();
}

FakeDevice9::~FakeDevice9() {
  FRecording = nullptr;
  FState = FakeDeviceState{};
  FLink->Device = nullptr;
  FD3D->DeviceDestroyed(this);
}

void FakeDevice9::SetDefaultState() {
  FakeDeviceState state;
  for (DWORD rs = 0; rs < D3DRS_COUNT; ++rs) {
    state.RenderStates[rs] =
        D3DDefaultRenderState(static_cast<D3DRENDERSTATETYPE>(rs), FParams.EnableAutoDepthStencil);
  }
  for (DWORD stage = 0; stage < kFakeStages; ++stage) {
    for (DWORD type = 0; type < D3DTSS_COUNT; ++type) {
      state.TextureStageStates[stage][type] =
          D3DDefaultTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(type));
    }
  }
  for (DWORD sampler = 0; sampler < kFakeSamplers; ++sampler) {
    for (DWORD type = 0; type < D3DSAMP_COUNT; ++type) {
      state.SamplerStates[sampler][type] =
          D3DDefaultSamplerState(static_cast<D3DSAMPLERSTATETYPE>(type));
    }
  }
  state.Viewport = {0, 0, FParams.BackBufferWidth, FParams.BackBufferHeight, 0.0f, 1.0f};
  FState = std::move(state);
}

void FakeDevice9::LoseDevice(int LostTests) {
  FCondition = FakeDeviceCondition::Lost;
  FLostTestsLeft = LostTests;
}

void FakeDevice9::ReturnDevice() {
  if (FCondition == FakeDeviceCondition::Lost) FCondition = FakeDeviceCondition::NotReset;
}

// ---- Device life ------------------------------------------------------------------------

HRESULT FakeDevice9::TestCooperativeLevel() {
  auto call = FRecorder->Enter("TestCooperativeLevel", "");
  if (call.Failed()) return call.Injected();
  if (FCondition == FakeDeviceCondition::Lost) {
    if (FLostTestsLeft != 0) {
      if (FLostTestsLeft > 0) --FLostTestsLeft;
      return call.Return(D3DERR_DEVICELOST);
    }
    FCondition = FakeDeviceCondition::NotReset;
  }
  if (FCondition == FakeDeviceCondition::NotReset) return call.Return(D3DERR_DEVICENOTRESET);
  return call.Return(D3D_OK);
}

UINT FakeDevice9::GetAvailableTextureMem() {
  FRecorder->Enter("GetAvailableTextureMem", "", true);
  return 256u * 1024u * 1024u;
}

HRESULT FakeDevice9::GetDirect3D(IDirect3D9** ppD3D9) {
  auto call = FRecorder->Enter("GetDirect3D", "", true);
  if (call.Failed()) return call.Injected();
  if (!ppD3D9) return call.Return(D3DERR_INVALIDCALL);
  *ppD3D9 = FD3D.Share();
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::GetDeviceCaps(D3DCAPS9* pCaps) {
  auto call = FRecorder->Enter("GetDeviceCaps", "", true);
  if (call.Failed()) return call.Injected();
  if (!pCaps) return call.Return(D3DERR_INVALIDCALL);
  *pCaps = FCaps;
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) {
  auto call = FRecorder->Enter("GetDisplayMode", FakeArgs(iSwapChain), true);
  if (call.Failed()) return call.Injected();
  if (!pMode || iSwapChain != 0) return call.Return(D3DERR_INVALIDCALL);
  if (FParams.Windowed) {
    FD3D->GetAdapterDisplayMode(FCaps.AdapterOrdinal, pMode);
  } else {
    *pMode = {FParams.BackBufferWidth, FParams.BackBufferHeight, FParams.FullScreen_RefreshRateInHz,
              FParams.BackBufferFormat};
  }
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) {
  auto call = FRecorder->Enter("Reset", pPresentationParameters
                                            ? FakePresentParametersText(*pPresentationParameters)
                                            : std::string("null"));
  if (call.Failed()) return call.Injected();
  if (FCondition == FakeDeviceCondition::Lost) return call.Return(D3DERR_DEVICELOST);
  FRenderTarget = nullptr;  // the device's own binding goes with the reset
  if (!pPresentationParameters || FLink->DefaultPoolObjects > 0 || FLink->D3DXObjects > 0) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  D3DPRESENT_PARAMETERS params = *pPresentationParameters;
  const FakeDeviceDesc* desc = FD3D->FindDevice(FCaps.AdapterOrdinal, FCaps.DeviceType);
  if (params.Windowed && params.BackBufferFormat == D3DFMT_UNKNOWN && desc) {
    D3DDISPLAYMODE mode{};
    FD3D->GetAdapterDisplayMode(FCaps.AdapterOrdinal, &mode);
    params.BackBufferFormat = mode.Format;
  }
  if (FRecorder->IsRejected(params.BackBufferFormat) ||
      (desc && !Has(desc->BackBufferFormats, params.BackBufferFormat)) ||
      (params.EnableAutoDepthStencil && desc &&
       !Has(desc->DepthStencilFormats, params.AutoDepthStencilFormat))) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  if (params.BackBufferWidth == 0) params.BackBufferWidth = FD3D->WindowClientWidth;
  if (params.BackBufferHeight == 0) params.BackBufferHeight = FD3D->WindowClientHeight;
  if (params.BackBufferCount == 0) params.BackBufferCount = 1;
  *pPresentationParameters = params;
  FParams = params;
  FRecording = nullptr;
  FRenderTarget = nullptr;
  FInScene = false;
  SetDefaultState();
  FCondition = FakeDeviceCondition::Operational;
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::Present(const RECT* pSourceRect, const RECT* pDestRect,
                             HWND hDestWindowOverride, const FakeRegionData* pDirtyRegion) {
  auto call = FRecorder->Enter(
      "Present", FakeArgs(pSourceRect ? "rect" : "null", pDestRect ? "rect" : "null",
                          FakeHandleHex(hDestWindowOverride), pDirtyRegion ? "region" : "null"));
  if (call.Failed()) return call.Injected();
  if (FCondition != FakeDeviceCondition::Operational) return call.Return(D3DERR_DEVICELOST);
  if (FInScene) return call.Return(D3DERR_INVALIDCALL);
  ++FPresentCount;
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                                   IDirect3DSurface9** ppBackBuffer) {
  auto call = FRecorder->Enter("GetBackBuffer",
                               FakeArgs(iSwapChain, iBackBuffer, static_cast<DWORD>(Type)));
  if (ppBackBuffer) *ppBackBuffer = nullptr;
  if (call.Failed()) return call.Injected();
  if (!ppBackBuffer || iSwapChain != 0 || iBackBuffer >= FParams.BackBufferCount) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  Ref<FakeSurface9> surface = MakeRef<FakeSurface9>(FLink, FRecorder, D3DBackBufferDesc(FParams));
  surface->BackBuffer = true;
  *ppBackBuffer = surface.Detach();
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) {
  if (RenderTargetIndex != 0) {
    if (ppRenderTarget) *ppRenderTarget = nullptr;
    return FRecorder->Enter("GetRenderTarget", FakeArgs(RenderTargetIndex)).Return(D3DERR_NOTFOUND);
  }
  if (FRenderTarget && ppRenderTarget) {
    auto call = FRecorder->Enter("GetRenderTarget", FakeArgs(RenderTargetIndex));
    if (call.Failed()) return call.Injected();
    *ppRenderTarget = FRenderTarget.Share();
    return call.Return(D3D_OK);
  }
  return GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, ppRenderTarget);
}

std::string FakeDevice9::TargetLabel() const {
  return FRenderTarget ? FakeLabel(FRenderTarget.Get()) : std::string("backbuffer");
}

HRESULT FakeDevice9::SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) {
  auto* surface = dynamic_cast<FakeSurface9*>(pRenderTarget);
  auto call = FRecorder->Enter(
      "SetRenderTarget",
      FakeArgs(RenderTargetIndex, surface && surface->BackBuffer ? std::string("backbuffer")
                                                                 : FakeLabel(pRenderTarget)));
  if (call.Failed()) return call.Injected();
  D3DSURFACE_DESC desc{};
  if (RenderTargetIndex != 0 || !surface || FAILED(surface->GetDesc(&desc)) ||
      !(desc.Usage & D3DUSAGE_RENDERTARGET))
    return call.Return(D3DERR_INVALIDCALL);
  FRenderTarget = surface->BackBuffer ? nullptr : Ref<IDirect3DSurface9>(surface);
  FState.Viewport = {0, 0, desc.Width, desc.Height, 0.0f, 1.0f};
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                                 IDirect3DSurface9* pDestSurface, const RECT* pDestRect,
                                 D3DTEXTUREFILTERTYPE Filter) {
  auto name = [](IDirect3DSurface9* s) {
    auto* fake = dynamic_cast<FakeSurface9*>(s);
    return fake && fake->BackBuffer ? std::string("backbuffer") : FakeLabel(s);
  };
  auto rect = [](const RECT* r) {
    return r ? FakeArgs(r->left, r->top, r->right, r->bottom) : std::string("null");
  };
  auto call = FRecorder->Enter("StretchRect",
                               FakeArgs(name(pSourceSurface), rect(pSourceRect), name(pDestSurface),
                                        rect(pDestRect), static_cast<DWORD>(Filter)));
  if (call.Failed()) return call.Injected();
  D3DSURFACE_DESC from{}, to{};
  auto* source = dynamic_cast<FakeSurface9*>(pSourceSurface);
  auto* dest = dynamic_cast<FakeSurface9*>(pDestSurface);
  if (!source || !dest || source == dest || FAILED(source->GetDesc(&from)) ||
      FAILED(dest->GetDesc(&to)) || !(from.Usage & D3DUSAGE_RENDERTARGET) ||
      !(to.Usage & D3DUSAGE_RENDERTARGET) || Filter > D3DTEXF_LINEAR)
    return call.Return(D3DERR_INVALIDCALL);
  return call.Return(D3D_OK);
}

// ---- Cursor -------------------------------------------------------------------------------

HRESULT FakeDevice9::SetCursorProperties(UINT XHotSpot, UINT YHotSpot,
                                         IDirect3DSurface9* pCursorBitmap) {
  auto call = FRecorder->Enter("SetCursorProperties",
                               FakeArgs(XHotSpot, YHotSpot, FakeLabel(pCursorBitmap)));
  if (call.Failed()) return call.Injected();
  if (!pCursorBitmap) return call.Return(D3DERR_INVALIDCALL);
  FCursorHotSpot = {static_cast<LONG>(XHotSpot), static_cast<LONG>(YHotSpot)};
  return call.Return(D3D_OK);
}

void FakeDevice9::SetCursorPosition(int X, int Y, DWORD Flags) {
  FRecorder->Enter("SetCursorPosition", FakeArgs(X, Y, Flags));
  FCursorPosition = {X, Y};
}

BOOL FakeDevice9::ShowCursor(BOOL bShow) {
  FRecorder->Enter("ShowCursor", FakeArgs(bShow ? "TRUE" : "FALSE"));
  const BOOL previous = FCursorVisible ? TRUE : FALSE;
  FCursorVisible = bShow != FALSE;
  return previous;
}

// ---- Resources ------------------------------------------------------------------------------

HRESULT FakeDevice9::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage,
                                   D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9** ppTexture,
                                   HANDLE* pSharedHandle) {
  auto call = FRecorder->Enter(
      "CreateTexture",
      FakeArgs(Width, Height, Levels, FakeHex(Usage), FakeFormatName(Format), FakePoolName(Pool)));
  if (ppTexture) *ppTexture = nullptr;
  if (call.Failed()) return call.Injected();
  const FakeDeviceDesc* desc = FD3D->FindDevice(FCaps.AdapterOrdinal, FCaps.DeviceType);
  if (!ppTexture || pSharedHandle || Width == 0 || Height == 0 || FRecorder->IsRejected(Format) ||
      (desc && !Has(desc->TextureFormats, Format)) ||
      (FCaps.MaxTextureWidth &&
       (Width > FCaps.MaxTextureWidth || Height > FCaps.MaxTextureHeight))) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  *ppTexture =
      MakeRef<FakeTexture9>(FLink, FRecorder, Width, Height, Levels, Usage, Format, Pool).Detach();
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                        IDirect3DVertexBuffer9** ppVertexBuffer,
                                        HANDLE* pSharedHandle) {
  auto call = FRecorder->Enter("CreateVertexBuffer",
                               FakeArgs(Length, FakeHex(Usage), FakeHex(FVF), FakePoolName(Pool)));
  if (ppVertexBuffer) *ppVertexBuffer = nullptr;
  if (call.Failed()) return call.Injected();
  if (!ppVertexBuffer || pSharedHandle || Length == 0) return call.Return(D3DERR_INVALIDCALL);
  *ppVertexBuffer = MakeRef<FakeVertexBuffer9>(FLink, FRecorder, Length, Usage, FVF, Pool).Detach();
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                       IDirect3DIndexBuffer9** ppIndexBuffer,
                                       HANDLE* pSharedHandle) {
  auto call = FRecorder->Enter(
      "CreateIndexBuffer",
      FakeArgs(Length, FakeHex(Usage), FakeFormatName(Format), FakePoolName(Pool)));
  if (ppIndexBuffer) *ppIndexBuffer = nullptr;
  if (call.Failed()) return call.Injected();
  if (!ppIndexBuffer || pSharedHandle || Length == 0 ||
      (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32)) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  *ppIndexBuffer =
      MakeRef<FakeIndexBuffer9>(FLink, FRecorder, Length, Usage, Format, Pool).Detach();
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                                 D3DPOOL Pool, IDirect3DSurface9** ppSurface,
                                                 HANDLE* pSharedHandle) {
  auto call = FRecorder->Enter("CreateOffscreenPlainSurface",
                               FakeArgs(Width, Height, FakeFormatName(Format), FakePoolName(Pool)));
  if (ppSurface) *ppSurface = nullptr;
  if (call.Failed()) return call.Injected();
  if (!ppSurface || pSharedHandle || Width == 0 || Height == 0 || FRecorder->IsRejected(Format) ||
      Pool == D3DPOOL_MANAGED) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  D3DSURFACE_DESC desc{};
  desc.Format = Format;
  desc.Type = D3DRTYPE_SURFACE;
  desc.Pool = Pool;
  desc.Width = Width;
  desc.Height = Height;
  *ppSurface = MakeRef<FakeSurface9>(FLink, FRecorder, desc).Detach();
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format,
                                        D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality,
                                        BOOL Lockable, IDirect3DSurface9** ppSurface,
                                        HANDLE* pSharedHandle) {
  auto call = FRecorder->Enter(
      "CreateRenderTarget",
      FakeArgs(Width, Height, FakeFormatName(Format), static_cast<DWORD>(MultiSample),
               MultisampleQuality, Lockable ? "TRUE" : "FALSE"));
  if (ppSurface) *ppSurface = nullptr;
  if (call.Failed()) return call.Injected();
  if (!ppSurface || pSharedHandle || Width == 0 || Height == 0 || FRecorder->IsRejected(Format))
    return call.Return(D3DERR_INVALIDCALL);
  D3DSURFACE_DESC desc{};
  desc.Format = Format;
  desc.Type = D3DRTYPE_SURFACE;
  desc.Usage = D3DUSAGE_RENDERTARGET;
  desc.Pool = D3DPOOL_DEFAULT;
  desc.MultiSampleType = MultiSample;
  desc.MultiSampleQuality = MultisampleQuality;
  desc.Width = Width;
  desc.Height = Height;
  *ppSurface = MakeRef<FakeSurface9>(FLink, FRecorder, desc).Detach();
  return call.Return(D3D_OK);
}

// ---- Frame ----------------------------------------------------------------------------------

HRESULT FakeDevice9::BeginScene() {
  auto call = FRecorder->Enter("BeginScene", "");
  if (call.Failed()) return call.Injected();
  if (FInScene) return call.Return(D3DERR_INVALIDCALL);
  FInScene = true;
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::EndScene() {
  auto call = FRecorder->Enter("EndScene", "");
  if (call.Failed()) return call.Injected();
  if (!FInScene) return call.Return(D3DERR_INVALIDCALL);
  FInScene = false;
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                           DWORD Stencil) {
  auto call = FRecorder->Enter("Clear", FakeArgs(Count, pRects ? "rects" : "null", FakeHex(Flags),
                                                 FakeHex(Color), Z, Stencil));
  if (call.Failed()) return call.Injected();
  // Direct3D refuses to clear a depth or stencil buffer the device does not have.
  if ((Flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !FParams.EnableAutoDepthStencil) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  return call.Return(D3D_OK);
}

// ---- States ---------------------------------------------------------------------------------

void FakeDevice9::StoreRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
  if (FRecording)
    FRecording->RenderStates[State] = Value;
  else
    FState.RenderStates[State] = Value;
}

void FakeDevice9::StoreTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
  if (FRecording)
    FRecording->TextureStageStates[{Stage, static_cast<DWORD>(Type)}] = Value;
  else
    FState.TextureStageStates[Stage][Type] = Value;
}

void FakeDevice9::StoreSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) {
  if (FRecording)
    FRecording->SamplerStates[{Sampler, static_cast<DWORD>(Type)}] = Value;
  else
    FState.SamplerStates[Sampler][Type] = Value;
}

void FakeDevice9::StoreTransform(DWORD State, const D3DMATRIX& Matrix) {
  if (FRecording)
    FRecording->Transforms[State] = Matrix;
  else
    FState.Transforms[State] = Matrix;
}

void FakeDevice9::StoreTexture(DWORD Stage, IDirect3DBaseTexture9* Texture) {
  if (FRecording)
    FRecording->Textures[Stage] = Ref<IDirect3DBaseTexture9>(Texture);
  else
    FState.Textures[Stage] = Ref<IDirect3DBaseTexture9>(Texture);
}

HRESULT FakeDevice9::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
  auto call = FRecorder->Enter("SetTransform", FakeArgs(FakeTransformStateName(State),
                                                        pMatrix ? MatrixText(*pMatrix) : "null"));
  if (call.Failed()) return call.Injected();
  if (!pMatrix) return call.Return(D3DERR_INVALIDCALL);
  StoreTransform(State, *pMatrix);
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
  auto call = FRecorder->Enter("GetTransform", FakeArgs(FakeTransformStateName(State)), true);
  if (call.Failed()) return call.Injected();
  if (!pMatrix) return call.Return(D3DERR_INVALIDCALL);
  *pMatrix = FState.Transform(State);
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::SetViewport(const D3DVIEWPORT9* pViewport) {
  auto call = FRecorder->Enter(
      "SetViewport", pViewport ? FakeArgs(pViewport->X, pViewport->Y, pViewport->Width,
                                          pViewport->Height, pViewport->MinZ, pViewport->MaxZ)
                               : std::string("null"));
  if (call.Failed()) return call.Injected();
  D3DSURFACE_DESC target{};
  target.Width = FParams.BackBufferWidth;
  target.Height = FParams.BackBufferHeight;
  if (FRenderTarget) FRenderTarget->GetDesc(&target);
  if (!pViewport || pViewport->X + pViewport->Width > target.Width ||
      pViewport->Y + pViewport->Height > target.Height) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  if (FRecording)
    FRecording->Viewport = *pViewport;
  else
    FState.Viewport = *pViewport;
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::GetViewport(D3DVIEWPORT9* pViewport) {
  auto call = FRecorder->Enter("GetViewport", "", true);
  if (call.Failed()) return call.Injected();
  if (!pViewport) return call.Return(D3DERR_INVALIDCALL);
  *pViewport = FState.Viewport;
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::SetMaterial(const D3DMATERIAL9* pMaterial) {
  auto call = FRecorder->Enter(
      "SetMaterial", pMaterial
                         ? FakeArgs("diffuse " + ColorText(pMaterial->Diffuse),
                                    "ambient " + ColorText(pMaterial->Ambient),
                                    "specular " + ColorText(pMaterial->Specular),
                                    "emissive " + ColorText(pMaterial->Emissive), pMaterial->Power)
                         : std::string("null"));
  if (call.Failed()) return call.Injected();
  if (!pMaterial) return call.Return(D3DERR_INVALIDCALL);
  if (FRecording)
    FRecording->Material = *pMaterial;
  else
    FState.Material = *pMaterial;
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::GetMaterial(D3DMATERIAL9* pMaterial) {
  auto call = FRecorder->Enter("GetMaterial", "", true);
  if (call.Failed()) return call.Injected();
  if (!pMaterial) return call.Return(D3DERR_INVALIDCALL);
  *pMaterial = FState.Material;
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::SetLight(DWORD Index, const D3DLIGHT9* pLight) {
  std::string args = FakeArgs(Index, "null");
  if (pLight) {
    std::ostringstream light;
    light << Index << ", type " << static_cast<DWORD>(pLight->Type) << ", diffuse "
          << ColorText(pLight->Diffuse) << ", position " << VectorText(pLight->Position)
          << ", range " << pLight->Range << ", attenuation (" << pLight->Attenuation0 << ","
          << pLight->Attenuation1 << "," << pLight->Attenuation2 << ")";
    args = light.str();
  }
  auto call = FRecorder->Enter("SetLight", args);
  if (call.Failed()) return call.Injected();
  if (!pLight || pLight->Type < D3DLIGHT_POINT || pLight->Type > D3DLIGHT_DIRECTIONAL) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  if (FRecording)
    FRecording->Lights[Index] = *pLight;
  else
    FState.Lights[Index] = *pLight;
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::GetLight(DWORD Index, D3DLIGHT9* pLight) {
  auto call = FRecorder->Enter("GetLight", FakeArgs(Index), true);
  if (call.Failed()) return call.Injected();
  auto it = FState.Lights.find(Index);
  if (!pLight || it == FState.Lights.end()) return call.Return(D3DERR_INVALIDCALL);
  *pLight = it->second;
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::LightEnable(DWORD Index, BOOL Enable) {
  auto call = FRecorder->Enter("LightEnable", FakeArgs(Index, Enable ? "TRUE" : "FALSE"));
  if (call.Failed()) return call.Injected();
  if (Enable) {
    const auto enabled = std::count_if(FState.LightEnabled.begin(), FState.LightEnabled.end(),
                                       [&](const auto& e) { return e.second && e.first != Index; });
    if (FCaps.MaxActiveLights && static_cast<DWORD>(enabled) >= FCaps.MaxActiveLights) {
      return call.Return(D3DERR_INVALIDCALL);
    }
  }
  if (FRecording) {
    FRecording->LightEnabled[Index] = Enable ? TRUE : FALSE;
    return call.Return(D3D_OK);
  }
  if (FState.Lights.count(Index) == 0) FState.Lights[Index] = D3DDefaultLight();
  FState.LightEnabled[Index] = Enable ? TRUE : FALSE;
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::GetLightEnable(DWORD Index, BOOL* pEnable) {
  auto call = FRecorder->Enter("GetLightEnable", FakeArgs(Index), true);
  if (call.Failed()) return call.Injected();
  auto it = FState.LightEnabled.find(Index);
  if (!pEnable || FState.Lights.count(Index) == 0) return call.Return(D3DERR_INVALIDCALL);
  *pEnable = it != FState.LightEnabled.end() ? it->second : FALSE;
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
  auto call = FRecorder->Enter("SetRenderState", FakeArgs(FakeRenderStateName(State), Value));
  if (call.Failed()) return call.Injected();
  if (State >= D3DRS_COUNT) return call.Return(D3DERR_INVALIDCALL);
  StoreRenderState(State, Value);
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
  auto call = FRecorder->Enter("GetRenderState", FakeArgs(FakeRenderStateName(State)), true);
  if (call.Failed()) return call.Injected();
  if (!pValue || State >= D3DRS_COUNT) return call.Return(D3DERR_INVALIDCALL);
  *pValue = FState.RenderStates[State];
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) {
  auto call = FRecorder->Enter("SetTexture", FakeArgs(Stage, FakeLabel(pTexture)));
  if (call.Failed()) return call.Injected();
  if (Stage >= kFakeStages) return call.Return(D3DERR_INVALIDCALL);
  StoreTexture(Stage, pTexture);
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) {
  auto call = FRecorder->Enter("GetTexture", FakeArgs(Stage), true);
  if (call.Failed()) return call.Injected();
  if (!ppTexture || Stage >= kFakeStages) return call.Return(D3DERR_INVALIDCALL);
  *ppTexture = FState.Textures[Stage].Share();
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
  auto call = FRecorder->Enter("SetTextureStageState",
                               FakeArgs(Stage, FakeTextureStageStateName(Type), Value));
  if (call.Failed()) return call.Injected();
  if (Stage >= kFakeStages || Type >= D3DTSS_COUNT) return call.Return(D3DERR_INVALIDCALL);
  StoreTextureStageState(Stage, Type, Value);
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                          DWORD* pValue) {
  auto call = FRecorder->Enter("GetTextureStageState",
                               FakeArgs(Stage, FakeTextureStageStateName(Type)), true);
  if (call.Failed()) return call.Injected();
  if (!pValue || Stage >= kFakeStages || Type >= D3DTSS_COUNT) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  *pValue = FState.TextureStageStates[Stage][Type];
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) {
  auto call =
      FRecorder->Enter("SetSamplerState", FakeArgs(Sampler, FakeSamplerStateName(Type), Value));
  if (call.Failed()) return call.Injected();
  if (Sampler >= kFakeSamplers || Type >= D3DSAMP_COUNT) return call.Return(D3DERR_INVALIDCALL);
  StoreSamplerState(Sampler, Type, Value);
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) {
  auto call =
      FRecorder->Enter("GetSamplerState", FakeArgs(Sampler, FakeSamplerStateName(Type)), true);
  if (call.Failed()) return call.Injected();
  if (!pValue || Sampler >= kFakeSamplers || Type >= D3DSAMP_COUNT) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  *pValue = FState.SamplerStates[Sampler][Type];
  return call.Return(D3D_OK);
}

// ---- State blocks -----------------------------------------------------------------------------

HRESULT FakeDevice9::CreateStateBlock(D3DSTATEBLOCKTYPE Type, IDirect3DStateBlock9** ppSB) {
  auto call = FRecorder->Enter("CreateStateBlock", FakeArgs(static_cast<DWORD>(Type)));
  if (ppSB) *ppSB = nullptr;
  if (call.Failed()) return call.Injected();
  if (!ppSB || Type < D3DSBT_ALL || Type > D3DSBT_VERTEXSTATE || FRecording) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  // Made while our D3DX serves a call: a font's or sprite's own block.
  auto block = MakeRef<FakeStateBlock9>(FLink, FRecorder, FRecorder->IsQuiet());
  block->HoldAll(FState);
  *ppSB = block.Share();
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::BeginStateBlock() {
  auto call = FRecorder->Enter("BeginStateBlock", "");
  if (call.Failed()) return call.Injected();
  if (FRecording) return call.Return(D3DERR_INVALIDCALL);
  FRecording = MakeRef<FakeStateBlock9>(FLink, FRecorder);
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::EndStateBlock(IDirect3DStateBlock9** ppSB) {
  auto call = FRecorder->Enter("EndStateBlock", FRecording ? FRecording->Label() : "none");
  if (ppSB) *ppSB = nullptr;
  if (call.Failed()) return call.Injected();
  if (!ppSB || !FRecording) return call.Return(D3DERR_INVALIDCALL);
  *ppSB = FRecording.Detach();
  FRecording = nullptr;
  return call.Return(D3D_OK);
}

// ---- Vertex input and drawing -------------------------------------------------------------------

HRESULT FakeDevice9::SetFVF(DWORD FVF) {
  auto call = FRecorder->Enter("SetFVF", FakeArgs(FakeHex(FVF)));
  if (call.Failed()) return call.Injected();
  if (FRecording)
    FRecording->FVF = FVF;
  else
    FState.FVF = FVF;
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::GetFVF(DWORD* pFVF) {
  auto call = FRecorder->Enter("GetFVF", "", true);
  if (call.Failed()) return call.Injected();
  if (!pFVF) return call.Return(D3DERR_INVALIDCALL);
  *pFVF = FState.FVF;
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData,
                                     UINT OffsetInBytes, UINT Stride) {
  auto call = FRecorder->Enter(
      "SetStreamSource", FakeArgs(StreamNumber, FakeLabel(pStreamData), OffsetInBytes, Stride));
  if (call.Failed()) return call.Injected();
  if (StreamNumber != 0) return call.Return(D3DERR_INVALIDCALL);
  FState.StreamSource = Ref<IDirect3DVertexBuffer9>(pStreamData);
  FState.StreamOffset = OffsetInBytes;
  FState.StreamStride = Stride;
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::SetIndices(IDirect3DIndexBuffer9* pIndexData) {
  auto call = FRecorder->Enter("SetIndices", FakeArgs(FakeLabel(pIndexData)));
  if (call.Failed()) return call.Injected();
  FState.Indices = Ref<IDirect3DIndexBuffer9>(pIndexData);
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::SetPixelShader(IDirect3DPixelShader9* pShader) {
  auto call = FRecorder->Enter("SetPixelShader", FakeArgs(pShader ? "shader" : "null"));
  if (call.Failed()) return call.Injected();
  return call.Return(pShader ? D3DERR_INVALIDCALL : D3D_OK);
}

HRESULT FakeDevice9::SetVertexShader(IDirect3DVertexShader9* pShader) {
  auto call = FRecorder->Enter("SetVertexShader", FakeArgs(pShader ? "shader" : "null"));
  if (call.Failed()) return call.Injected();
  return call.Return(pShader ? D3DERR_INVALIDCALL : D3D_OK);
}

void FakeDevice9::RecordDraw(FakeDraw Draw) {
  if (FRecorder->IsQuiet()) return;  // our D3DX's own draws: its call says what it drew
  Draw.FVF = FState.FVF;
  Draw.Texture0 = FakeLabel(FState.Textures[0].Get());
  Draw.RenderStates = FState.RenderStates;
  Draw.Stage0 = FState.TextureStageStates[0];
  Draw.Texture1 = FakeLabel(FState.Textures[1].Get());
  Draw.Stage1 = FState.TextureStageStates[1];
  Draw.Sampler1 = FState.SamplerStates[1];
  Draw.World = FState.Transform(D3DTS_WORLD);
  Draw.View = FState.Transform(D3DTS_VIEW);
  Draw.Projection = FState.Transform(D3DTS_PROJECTION);
  Draw.Material = FState.Material;
  Draw.Target = TargetLabel();
  FDraws.push_back(std::move(Draw));
}

void FakeDevice9::RecordDraw(FakeDraw Draw, IDirect3DBaseTexture9* Texture, DWORD FVF) {
  if (FRecorder->IsQuiet()) return;
  RecordDraw(std::move(Draw));
  FDraws.back().Texture0 = FakeLabel(Texture);
  FDraws.back().FVF = FVF;
}

HRESULT FakeDevice9::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                   UINT PrimitiveCount) {
  auto call = FRecorder->Enter(
      "DrawPrimitive", FakeArgs(FakePrimitiveTypeName(PrimitiveType), StartVertex, PrimitiveCount));
  if (call.Failed()) return call.Injected();
  auto* buffer = static_cast<FakeVertexBuffer9*>(FState.StreamSource.Get());
  const UINT stride = FState.StreamStride;
  const std::size_t first = FState.StreamOffset + static_cast<std::size_t>(StartVertex) * stride;
  const std::size_t bytes =
      static_cast<std::size_t>(VertexCount(PrimitiveType, PrimitiveCount)) * stride;
  if (!FInScene || FState.FVF == 0 || !buffer || buffer->Locked() || PrimitiveCount == 0 ||
      first + bytes > buffer->Bytes().size()) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  FakeDraw draw;
  draw.Method = "DrawPrimitive";
  draw.PrimitiveType = PrimitiveType;
  draw.Start = StartVertex;
  draw.PrimitiveCount = PrimitiveCount;
  draw.Stride = stride;
  draw.Vertices.assign(buffer->Bytes().begin() + first, buffer->Bytes().begin() + first + bytes);
  RecordDraw(std::move(draw));
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex,
                                          UINT MinVertexIndex, UINT NumVertices, UINT StartIndex,
                                          UINT PrimitiveCount) {
  auto call = FRecorder->Enter("DrawIndexedPrimitive",
                               FakeArgs(FakePrimitiveTypeName(PrimitiveType), BaseVertexIndex,
                                        MinVertexIndex, NumVertices, StartIndex, PrimitiveCount));
  if (call.Failed()) return call.Injected();
  auto* vertices = static_cast<FakeVertexBuffer9*>(FState.StreamSource.Get());
  auto* indices = static_cast<FakeIndexBuffer9*>(FState.Indices.Get());
  const UINT stride = FState.StreamStride;
  const UINT indexCount = VertexCount(PrimitiveType, PrimitiveCount);
  if (!FInScene || FState.FVF == 0 || !vertices || !indices || vertices->Locked() ||
      indices->Locked() || PrimitiveCount == 0 || BaseVertexIndex < 0 ||
      (static_cast<std::size_t>(StartIndex) + indexCount) * 2 > indices->Bytes().size()) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  FakeDraw draw;
  draw.Method = "DrawIndexedPrimitive";
  draw.PrimitiveType = PrimitiveType;
  draw.Start = StartIndex;
  draw.PrimitiveCount = PrimitiveCount;
  draw.Stride = stride;
  draw.Indices.resize(indexCount);
  std::memcpy(draw.Indices.data(), indices->Bytes().data() + StartIndex * 2u, indexCount * 2u);
  const std::size_t first =
      FState.StreamOffset + static_cast<std::size_t>(BaseVertexIndex) * stride;
  for (WORD index : draw.Indices) {
    if (first + (static_cast<std::size_t>(index) + 1) * stride > vertices->Bytes().size()) {
      return call.Return(D3DERR_INVALIDCALL);
    }
  }
  const std::size_t end =
      std::min(vertices->Bytes().size(),
               first + static_cast<std::size_t>(MinVertexIndex + NumVertices) * stride);
  draw.Vertices.assign(vertices->Bytes().begin() + first, vertices->Bytes().begin() + end);
  RecordDraw(std::move(draw));
  return call.Return(D3D_OK);
}

HRESULT FakeDevice9::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                     const void* pVertexStreamZeroData,
                                     UINT VertexStreamZeroStride) {
  auto call = FRecorder->Enter("DrawPrimitiveUP", FakeArgs(FakePrimitiveTypeName(PrimitiveType),
                                                           PrimitiveCount, VertexStreamZeroStride));
  if (call.Failed()) return call.Injected();
  if (!FInScene || FState.FVF == 0 || !pVertexStreamZeroData || PrimitiveCount == 0) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  FState.StreamSource = nullptr;
  FState.StreamOffset = 0;
  FState.StreamStride = 0;
  FakeDraw draw;
  draw.Method = "DrawPrimitiveUP";
  draw.PrimitiveType = PrimitiveType;
  draw.PrimitiveCount = PrimitiveCount;
  draw.Stride = VertexStreamZeroStride;
  const auto* bytes = static_cast<const BYTE*>(pVertexStreamZeroData);
  draw.Vertices.assign(
      bytes, bytes + static_cast<std::size_t>(VertexCount(PrimitiveType, PrimitiveCount)) *
                         VertexStreamZeroStride);
  RecordDraw(std::move(draw));
  return call.Return(D3D_OK);
}
