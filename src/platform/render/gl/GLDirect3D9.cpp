#include "platform/render/gl/GLDirect3D9.h"

#include <QGuiApplication>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/render/gl/GLDevice9.h"
#include "platform/render/gl/GLFormats.h"
#include "platform/render/gl/GLProbe.h"

namespace {

bool Contains(const std::vector<D3DFORMAT>& list, D3DFORMAT f) {
  return std::find(list.begin(), list.end(), f) != list.end();
}

void Copy(char* dst, std::size_t size, const std::string& s) {
  std::snprintf(dst, size, "%s", s.c_str());
}

// Colour depth groups: a full-screen back buffer must match the display's depth.
int DepthGroup(D3DFORMAT f) {
  switch (f) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
      return 32;
    case D3DFMT_R5G6B5:
      return 16;
    case D3DFMT_A1R5G5B5:
    case D3DFMT_X1R5G5B5:
      return 15;
    case D3DFMT_A2R10G10B10:
      return 30;
    default:
      return 0;
  }
}

DWORD VendorIdOf(const std::string& vendor) {
  auto has = [&](const char* s) { return vendor.find(s) != std::string::npos; };
  if (has("Intel")) return 0x8086;
  if (has("NVIDIA")) return 0x10DE;
  if (has("AMD") || has("ATI")) return 0x1002;
  return 0;
}

}  // namespace

D3DFORMAT D3DFormatOfDepth(int depth) {
  switch (depth) {
    case 16:
      return D3DFMT_R5G6B5;
    case 15:
      return D3DFMT_X1R5G5B5;
    case 30:
      return D3DFMT_A2R10G10B10;
    default:
      return D3DFMT_X8R8G8B8;
  }
}

GLDirect3D9::GLDirect3D9() {
  if (!qGuiApp) return;
  const auto screens = QGuiApplication::screens();
  // The primary screen is adapter 0, as the default adapter is on Windows.
  if (QScreen* primary = QGuiApplication::primaryScreen()) screens_.emplace_back(primary);
  for (QScreen* s : screens)
    if (s != QGuiApplication::primaryScreen()) screens_.emplace_back(s);
}

D3DDEVTYPE GLDirect3D9::DeviceType() const {
  return ProbeGL().software ? D3DDEVTYPE_REF : D3DDEVTYPE_HAL;
}

bool GLDirect3D9::Valid(UINT adapter, D3DDEVTYPE type) const {
  return adapter < screens_.size() && screens_[adapter] && ProbeGL().ok && type == DeviceType();
}

UINT GLDirect3D9::GetAdapterCount() {
  return static_cast<UINT>(screens_.size());
}

HRESULT GLDirect3D9::GetAdapterIdentifier(UINT Adapter, DWORD, D3DADAPTER_IDENTIFIER9* p) {
  if (Adapter >= screens_.size() || !screens_[Adapter] || !p) return D3DERR_INVALIDCALL;
  const GLProbe& probe = ProbeGL();
  *p = D3DADAPTER_IDENTIFIER9();
  Copy(p->Driver, sizeof p->Driver, "OpenGL " + probe.version);
  Copy(p->Description, sizeof p->Description,
       probe.renderer.empty() ? std::string("OpenGL (no 3.3 core context)") : probe.renderer);
  Copy(p->DeviceName, sizeof p->DeviceName, screens_[Adapter]->name().toStdString());
  p->VendorId = VendorIdOf(probe.vendor);
  p->DeviceIdentifier.Data1 = 0x5A454C4D;  // stable per backend: "ZELM"
  p->DeviceIdentifier.Data4[7] = static_cast<BYTE>(Adapter);
  return D3D_OK;
}

HRESULT GLDirect3D9::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
  if (Adapter >= screens_.size() || !screens_[Adapter] || !pMode) return D3DERR_INVALIDCALL;
  QScreen* s = screens_[Adapter];
  const QSize size = s->size() * s->devicePixelRatio();
  pMode->Width = static_cast<UINT>(size.width());
  pMode->Height = static_cast<UINT>(size.height());
  pMode->RefreshRate = static_cast<UINT>(std::lround(s->refreshRate()));
  pMode->Format = D3DFormatOfDepth(s->depth());
  return D3D_OK;
}

// The screen's current mode is the only mode: Qt does not change display modes, and full
// screen covers the screen at its current size.
UINT GLDirect3D9::GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) {
  D3DDISPLAYMODE mode;
  if (FAILED(GetAdapterDisplayMode(Adapter, &mode))) return 0;
  return mode.Format == Format ? 1 : 0;
}

HRESULT GLDirect3D9::EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode,
                                      D3DDISPLAYMODE* pMode) {
  if (Mode >= GetAdapterModeCount(Adapter, Format) || !pMode) return D3DERR_INVALIDCALL;
  return GetAdapterDisplayMode(Adapter, pMode);
}

HRESULT GLDirect3D9::CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat,
                                     D3DFORMAT BackBufferFormat, BOOL bWindowed) {
  if (!Valid(Adapter, DevType)) return D3DERR_NOTAVAILABLE;
  D3DDISPLAYMODE mode;
  GetAdapterDisplayMode(Adapter, &mode);
  if (AdapterFormat != mode.Format) return D3DERR_NOTAVAILABLE;
  if (!Contains(ProbeGL().colorFormats, BackBufferFormat)) return D3DERR_NOTAVAILABLE;
  // Full screen shows the back buffer as the display's format; a window converts, except to
  // and from ten-bit colour, which only full screen shows.
  if (!bWindowed && DepthGroup(BackBufferFormat) != DepthGroup(AdapterFormat))
    return D3DERR_NOTAVAILABLE;
  if (bWindowed && (DepthGroup(BackBufferFormat) == 30) != (DepthGroup(AdapterFormat) == 30))
    return D3DERR_NOTAVAILABLE;
  return D3D_OK;
}

HRESULT GLDirect3D9::CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                       DWORD Usage, D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) {
  if (!Valid(Adapter, DeviceType)) return D3DERR_NOTAVAILABLE;
  const GLProbe& probe = ProbeGL();
  if (Usage & D3DUSAGE_DEPTHSTENCIL)
    return RType == D3DRTYPE_SURFACE && Contains(probe.depthFormats, CheckFormat)
               ? D3D_OK
               : D3DERR_NOTAVAILABLE;
  if (Usage & D3DUSAGE_RENDERTARGET) {
    if (!Contains(probe.colorFormats, CheckFormat)) return D3DERR_NOTAVAILABLE;
    return D3D_OK;  // blending after the pixel stage works on every renderable format
  }
  (void)AdapterFormat;
  GLTextureFormat tf;
  if ((RType == D3DRTYPE_TEXTURE || RType == D3DRTYPE_SURFACE) &&
      GLTextureFormatOf(CheckFormat, &tf))
    return D3D_OK;
  return D3DERR_NOTAVAILABLE;
}

HRESULT GLDirect3D9::CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType,
                                                D3DFORMAT SurfaceFormat, BOOL,
                                                D3DMULTISAMPLE_TYPE MultiSampleType,
                                                DWORD* pQualityLevels) {
  if (pQualityLevels) *pQualityLevels = 0;
  if (!Valid(Adapter, DeviceType)) return D3DERR_NOTAVAILABLE;
  const GLProbe& probe = ProbeGL();
  if (!Contains(probe.colorFormats, SurfaceFormat) && !Contains(probe.depthFormats, SurfaceFormat))
    return D3DERR_NOTAVAILABLE;
  DWORD levels = 0;
  if (MultiSampleType == D3DMULTISAMPLE_NONE) {
    levels = 1;
  } else if (MultiSampleType == D3DMULTISAMPLE_NONMASKABLE) {
    // One quality level per sample count the driver offers.
    levels = static_cast<DWORD>(probe.sampleCounts.size());
  } else if (std::find(probe.sampleCounts.begin(), probe.sampleCounts.end(),
                       static_cast<int>(MultiSampleType)) != probe.sampleCounts.end()) {
    levels = 1;
  }
  if (levels == 0) return D3DERR_NOTAVAILABLE;
  if (pQualityLevels) *pQualityLevels = levels;
  return D3D_OK;
}

HRESULT GLDirect3D9::CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT,
                                            D3DFORMAT RenderTargetFormat,
                                            D3DFORMAT DepthStencilFormat) {
  if (!Valid(Adapter, DeviceType)) return D3DERR_NOTAVAILABLE;
  const GLProbe& probe = ProbeGL();
  return Contains(probe.colorFormats, RenderTargetFormat) &&
                 Contains(probe.depthFormats, DepthStencilFormat)
             ? D3D_OK
             : D3DERR_NOTAVAILABLE;
}

D3DCAPS9 GLDirect3D9::Caps(UINT adapter, D3DDEVTYPE type) {
  const GLProbe& probe = ProbeGL();
  D3DCAPS9 c;
  c.DeviceType = type;
  c.AdapterOrdinal = adapter;
  c.Caps2 = D3DCAPS2_DYNAMICTEXTURES;
  c.Caps3 = D3DCAPS3_ALPHA_FULLSCREEN_FLIP_OR_DISCARD;
  c.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
  c.CursorCaps = D3DCURSORCAPS_COLOR;
  c.DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
              D3DDEVCAPS_TEXTURESYSTEMMEMORY | D3DDEVCAPS_TEXTUREVIDEOMEMORY |
              D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP |
              D3DDEVCAPS_DRAWPRIMITIVES2 | D3DDEVCAPS_DRAWPRIMITIVES2EX |
              D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION;
  if (type == D3DDEVTYPE_HAL) c.DevCaps |= D3DDEVCAPS_PUREDEVICE;
  c.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW |
                        D3DPMISCCAPS_CULLCCW | D3DPMISCCAPS_COLORWRITEENABLE |
                        D3DPMISCCAPS_BLENDOP | D3DPMISCCAPS_TSSARGTEMP;
  c.RasterCaps = D3DPRASTERCAPS_ZTEST;
  c.ZCmpCaps = c.AlphaCmpCaps = 0xFF;  // every comparison
  c.SrcBlendCaps = c.DestBlendCaps = 0x7FF;
  c.ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB |
                D3DPSHADECAPS_ALPHAGOURAUDBLEND;
  c.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
  c.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                        D3DPTFILTERCAPS_MIPFPOINT | D3DPTFILTERCAPS_MIPFLINEAR |
                        D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
  c.StretchRectFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MAGFPOINT |
                            D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MAGFLINEAR;
  c.TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP;
  c.MaxTextureWidth = c.MaxTextureHeight = static_cast<DWORD>(probe.maxTextureSize);
  c.MaxTextureRepeat = 8192;
  c.MaxTextureAspectRatio = static_cast<DWORD>(probe.maxTextureSize);
  c.MaxAnisotropy = 1;
  c.MaxVertexW = 1e10f;
  c.GuardBandLeft = c.GuardBandTop = -32768.0f;
  c.GuardBandRight = c.GuardBandBottom = 32767.0f;
  c.FVFCaps = 8;
  // The operations the fixed-function emulation computes as documented, over two stages.
  c.TextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 |
                    D3DTEXOPCAPS_MODULATE | D3DTEXOPCAPS_MODULATE2X | D3DTEXOPCAPS_MODULATE4X |
                    D3DTEXOPCAPS_ADD | D3DTEXOPCAPS_ADDSIGNED | D3DTEXOPCAPS_ADDSIGNED2X |
                    D3DTEXOPCAPS_SUBTRACT | D3DTEXOPCAPS_ADDSMOOTH |
                    D3DTEXOPCAPS_BLENDDIFFUSEALPHA | D3DTEXOPCAPS_BLENDTEXTUREALPHA |
                    D3DTEXOPCAPS_BLENDFACTORALPHA | D3DTEXOPCAPS_BLENDCURRENTALPHA |
                    D3DTEXOPCAPS_MULTIPLYADD | D3DTEXOPCAPS_LERP;
  c.MaxTextureBlendStages = kFFStages;
  c.MaxSimultaneousTextures = kFFStages;
  c.VertexProcessingCaps = D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_DIRECTIONALLIGHTS |
                           D3DVTXPCAPS_POSITIONALLIGHTS | D3DVTXPCAPS_LOCALVIEWER;
  c.MaxActiveLights = 8;
  c.MaxPointSize = 1.0f;
  c.MaxPrimitiveCount = 0xFFFFF;
  c.MaxVertexIndex = 0xFFFFFF;
  c.MaxStreams = 1;
  c.MaxStreamStride = 255;
  c.MasterAdapterOrdinal = adapter;
  c.NumberOfAdaptersInGroup = 1;
  c.NumSimultaneousRTs = 1;
  return c;
}

HRESULT GLDirect3D9::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) {
  if (!pCaps) return D3DERR_INVALIDCALL;
  if (!Valid(Adapter, DeviceType)) return D3DERR_NOTAVAILABLE;
  *pCaps = Caps(Adapter, DeviceType);
  return D3D_OK;
}

HMONITOR GLDirect3D9::GetAdapterMonitor(UINT Adapter) {
  return Adapter < screens_.size() ? static_cast<HMONITOR>(Adapter + 1) : 0;
}

HRESULT GLDirect3D9::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                                  DWORD BehaviorFlags, D3DPRESENT_PARAMETERS* pp,
                                  IDirect3DDevice9** ppDevice) {
  if (!ppDevice) return D3DERR_INVALIDCALL;
  *ppDevice = nullptr;
  if (!pp) return D3DERR_INVALIDCALL;
  if (!Valid(Adapter, DeviceType)) return D3DERR_NOTAVAILABLE;
  Ref<GLDevice9> device(new GLDevice9(Ref<IDirect3D9>(this), Adapter, DeviceType, BehaviorFlags));
  const HWND window = pp->hDeviceWindow ? pp->hDeviceWindow : hFocusWindow;
  if (HRESULT hr = device->Create(window, pp); FAILED(hr)) return hr;
  *ppDevice = device.Share();
  return D3D_OK;
}
