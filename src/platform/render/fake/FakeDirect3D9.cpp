#include "platform/render/fake/FakeDirect3D9.h"

#include <algorithm>
#include <cstring>

#include "platform/render/fake/FakeDevice9.h"
#include "platform/render/fake/FakeNames.h"

namespace {

template <typename T>
bool Has(const std::vector<T>& List, const T& Value) {
  return std::find(List.begin(), List.end(), Value) != List.end();
}

// Bits per colour channel, to keep full-screen back buffers in the adapter format's family
// (a 16-bit display cannot flip a 32-bit back buffer).
int ChannelBits(D3DFORMAT Format) {
  switch (Format) {
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8R8G8B8:
    case D3DFMT_R8G8B8:
      return 8;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
      return 5;
    case D3DFMT_A2R10G10B10:
    case D3DFMT_A2B10G10R10:
      return 10;
    default:
      return 0;
  }
}

std::string WindowedText(BOOL Windowed) {
  return Windowed ? "windowed" : "full screen";
}

void CopyText(char* Target, std::size_t Size, const std::string& Text) {
  std::strncpy(Target, Text.c_str(), Size - 1);
  Target[Size - 1] = '\0';
}

}  // namespace

FakeDirect3D9::FakeDirect3D9(FakeMachine Machine, std::shared_ptr<FakeRecorder> Recorder)
    : FMachine(std::move(Machine)),
      FRecorder(Recorder ? std::move(Recorder) : std::make_shared<FakeRecorder>()) {}

FakeDirect3D9::~FakeDirect3D9() = default;

const FakeAdapterDesc* FakeDirect3D9::FindAdapter(UINT Adapter) const {
  return Adapter < FMachine.Adapters.size() ? &FMachine.Adapters[Adapter] : nullptr;
}

const FakeDeviceDesc* FakeDirect3D9::FindDevice(UINT Adapter, D3DDEVTYPE Type) const {
  const FakeAdapterDesc* adapter = FindAdapter(Adapter);
  if (!adapter) return nullptr;
  for (const FakeDeviceDesc& device : adapter->Devices) {
    if (device.Type == Type) return &device;
  }
  return nullptr;
}

bool FakeDirect3D9::IsAdapterFormat(const FakeAdapterDesc& Adapter, D3DFORMAT Format) const {
  if (Adapter.DesktopMode.Format == Format) return true;
  return std::any_of(Adapter.Modes.begin(), Adapter.Modes.end(),
                     [&](const D3DDISPLAYMODE& m) { return m.Format == Format; });
}

void FakeDirect3D9::DeviceDestroyed(FakeDevice9* Device) {
  FDevices.erase(std::remove(FDevices.begin(), FDevices.end(), Device), FDevices.end());
}

UINT FakeDirect3D9::GetAdapterCount() {
  FRecorder->Enter("GetAdapterCount", "", true);
  return static_cast<UINT>(FMachine.Adapters.size());
}

HRESULT FakeDirect3D9::GetAdapterIdentifier(UINT Adapter, DWORD Flags,
                                            D3DADAPTER_IDENTIFIER9* pIdentifier) {
  auto call = FRecorder->Enter("GetAdapterIdentifier", FakeArgs(Adapter, Flags), true);
  if (call.Failed()) return call.Injected();
  const FakeAdapterDesc* adapter = FindAdapter(Adapter);
  if (!adapter || !pIdentifier) return call.Return(D3DERR_INVALIDCALL);
  *pIdentifier = D3DADAPTER_IDENTIFIER9{};
  CopyText(pIdentifier->Description, sizeof pIdentifier->Description, adapter->Description);
  CopyText(pIdentifier->Driver, sizeof pIdentifier->Driver, adapter->Driver);
  CopyText(pIdentifier->DeviceName, sizeof pIdentifier->DeviceName,
           "\\\\.\\DISPLAY" + std::to_string(Adapter + 1));
  pIdentifier->VendorId = 0xFA4E;
  pIdentifier->DeviceId = Adapter + 1;
  return call.Return(D3D_OK);
}

UINT FakeDirect3D9::GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) {
  FRecorder->Enter("GetAdapterModeCount", FakeArgs(Adapter, FakeFormatName(Format)), true);
  const FakeAdapterDesc* adapter = FindAdapter(Adapter);
  if (!adapter || FRecorder->IsRejected(Format)) return 0;
  return static_cast<UINT>(
      std::count_if(adapter->Modes.begin(), adapter->Modes.end(),
                    [&](const D3DDISPLAYMODE& m) { return m.Format == Format; }));
}

HRESULT FakeDirect3D9::EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode,
                                        D3DDISPLAYMODE* pMode) {
  auto call =
      FRecorder->Enter("EnumAdapterModes", FakeArgs(Adapter, FakeFormatName(Format), Mode), true);
  if (call.Failed()) return call.Injected();
  const FakeAdapterDesc* adapter = FindAdapter(Adapter);
  if (!adapter || !pMode) return call.Return(D3DERR_INVALIDCALL);
  if (FRecorder->IsRejected(Format)) return call.Return(D3DERR_NOTAVAILABLE);
  UINT index = 0;
  for (const D3DDISPLAYMODE& mode : adapter->Modes) {
    if (mode.Format != Format) continue;
    if (index++ == Mode) {
      *pMode = mode;
      return call.Return(D3D_OK);
    }
  }
  return call.Return(D3DERR_INVALIDCALL);
}

HRESULT FakeDirect3D9::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
  auto call = FRecorder->Enter("GetAdapterDisplayMode", FakeArgs(Adapter), true);
  if (call.Failed()) return call.Injected();
  const FakeAdapterDesc* adapter = FindAdapter(Adapter);
  if (!adapter || !pMode) return call.Return(D3DERR_INVALIDCALL);
  *pMode = adapter->DesktopMode;
  return call.Return(D3D_OK);
}

HRESULT FakeDirect3D9::CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat,
                                       D3DFORMAT BackBufferFormat, BOOL bWindowed) {
  auto call =
      FRecorder->Enter("CheckDeviceType",
                       FakeArgs(Adapter, FakeDeviceTypeName(DevType), FakeFormatName(AdapterFormat),
                                FakeFormatName(BackBufferFormat), WindowedText(bWindowed)),
                       true);
  if (call.Failed()) return call.Injected();
  const FakeAdapterDesc* adapter = FindAdapter(Adapter);
  if (!adapter) return call.Return(D3DERR_INVALIDCALL);
  const FakeDeviceDesc* device = FindDevice(Adapter, DevType);
  if (!device || FRecorder->IsRejected(AdapterFormat) || FRecorder->IsRejected(BackBufferFormat) ||
      !IsAdapterFormat(*adapter, AdapterFormat) ||
      !Has(device->BackBufferFormats, BackBufferFormat) ||
      (bWindowed ? !device->CanRenderWindowed : !device->CanRenderFullscreen) ||
      (!bWindowed && ChannelBits(AdapterFormat) != ChannelBits(BackBufferFormat))) {
    return call.Return(D3DERR_NOTAVAILABLE);
  }
  return call.Return(D3D_OK);
}

HRESULT FakeDirect3D9::CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType,
                                         D3DFORMAT AdapterFormat, DWORD Usage,
                                         D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) {
  auto call = FRecorder->Enter(
      "CheckDeviceFormat",
      FakeArgs(Adapter, FakeDeviceTypeName(DeviceType), FakeFormatName(AdapterFormat),
               FakeHex(Usage), static_cast<DWORD>(RType), FakeFormatName(CheckFormat)),
      true);
  if (call.Failed()) return call.Injected();
  const FakeAdapterDesc* adapter = FindAdapter(Adapter);
  if (!adapter) return call.Return(D3DERR_INVALIDCALL);
  const FakeDeviceDesc* device = FindDevice(Adapter, DeviceType);
  if (!device || FRecorder->IsRejected(AdapterFormat) || FRecorder->IsRejected(CheckFormat)) {
    return call.Return(D3DERR_NOTAVAILABLE);
  }
  const auto& formats =
      (Usage & D3DUSAGE_DEPTHSTENCIL) ? device->DepthStencilFormats : device->TextureFormats;
  return call.Return(Has(formats, CheckFormat) ? D3D_OK : D3DERR_NOTAVAILABLE);
}

HRESULT FakeDirect3D9::CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType,
                                                  D3DFORMAT SurfaceFormat, BOOL Windowed,
                                                  D3DMULTISAMPLE_TYPE MultiSampleType,
                                                  DWORD* pQualityLevels) {
  auto call = FRecorder->Enter(
      "CheckDeviceMultiSampleType",
      FakeArgs(Adapter, FakeDeviceTypeName(DeviceType), FakeFormatName(SurfaceFormat),
               WindowedText(Windowed), FakeMultiSampleName(MultiSampleType)),
      true);
  if (pQualityLevels) *pQualityLevels = 0;
  if (call.Failed()) return call.Injected();
  if (!FindAdapter(Adapter)) return call.Return(D3DERR_INVALIDCALL);
  const FakeDeviceDesc* device = FindDevice(Adapter, DeviceType);
  if (!device || FRecorder->IsRejected(SurfaceFormat)) return call.Return(D3DERR_NOTAVAILABLE);
  const bool isDepth = Has(device->DepthStencilFormats, SurfaceFormat);
  if (!isDepth && !Has(device->BackBufferFormats, SurfaceFormat)) {
    return call.Return(D3DERR_NOTAVAILABLE);
  }
  if (isDepth && Has(device->DepthStencilMultiSampleConflicts,
                     std::make_pair(SurfaceFormat, MultiSampleType))) {
    return call.Return(D3DERR_NOTAVAILABLE);
  }
  for (const FakeMultiSample& sample : device->MultiSampleTypes) {
    if (sample.Type == MultiSampleType) {
      if (pQualityLevels) *pQualityLevels = sample.QualityLevels;
      return call.Return(D3D_OK);
    }
  }
  return call.Return(D3DERR_NOTAVAILABLE);
}

HRESULT FakeDirect3D9::CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType,
                                              D3DFORMAT AdapterFormat, D3DFORMAT RenderTargetFormat,
                                              D3DFORMAT DepthStencilFormat) {
  auto call = FRecorder->Enter(
      "CheckDepthStencilMatch",
      FakeArgs(Adapter, FakeDeviceTypeName(DeviceType), FakeFormatName(AdapterFormat),
               FakeFormatName(RenderTargetFormat), FakeFormatName(DepthStencilFormat)),
      true);
  if (call.Failed()) return call.Injected();
  if (!FindAdapter(Adapter)) return call.Return(D3DERR_INVALIDCALL);
  const FakeDeviceDesc* device = FindDevice(Adapter, DeviceType);
  if (!device || FRecorder->IsRejected(RenderTargetFormat) ||
      FRecorder->IsRejected(DepthStencilFormat) ||
      !Has(device->DepthStencilFormats, DepthStencilFormat) ||
      Has(device->DepthStencilMismatches, std::make_pair(RenderTargetFormat, DepthStencilFormat))) {
    return call.Return(D3DERR_NOTAVAILABLE);
  }
  return call.Return(D3D_OK);
}

HRESULT FakeDirect3D9::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) {
  auto call =
      FRecorder->Enter("GetDeviceCaps", FakeArgs(Adapter, FakeDeviceTypeName(DeviceType)), true);
  if (call.Failed()) return call.Injected();
  if (!FindAdapter(Adapter) || !pCaps) return call.Return(D3DERR_INVALIDCALL);
  const FakeDeviceDesc* device = FindDevice(Adapter, DeviceType);
  if (!device) return call.Return(D3DERR_NOTAVAILABLE);
  *pCaps = device->Caps;
  pCaps->DeviceType = DeviceType;
  pCaps->AdapterOrdinal = Adapter;
  return call.Return(D3D_OK);
}

HMONITOR FakeDirect3D9::GetAdapterMonitor(UINT Adapter) {
  FRecorder->Enter("GetAdapterMonitor", FakeArgs(Adapter), true);
  return FindAdapter(Adapter) ? reinterpret_cast<HMONITOR>(std::uintptr_t{Adapter} + 1)
                              : HMONITOR{};
}

HRESULT FakeDirect3D9::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                                    DWORD BehaviorFlags,
                                    D3DPRESENT_PARAMETERS* pPresentationParameters,
                                    IDirect3DDevice9** ppReturnedDeviceInterface) {
  const D3DPRESENT_PARAMETERS* pp = pPresentationParameters;
  auto call = FRecorder->Enter(
      "CreateDevice",
      FakeArgs(Adapter, FakeDeviceTypeName(DeviceType), FakeHandleHex(hFocusWindow),
               FakeHex(BehaviorFlags), pp ? FakePresentParametersText(*pp) : std::string("null")));
  if (ppReturnedDeviceInterface) *ppReturnedDeviceInterface = nullptr;
  if (call.Failed()) return call.Injected();
  if (!FindAdapter(Adapter) || !pPresentationParameters || !ppReturnedDeviceInterface) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  const FakeDeviceDesc* device = FindDevice(Adapter, DeviceType);
  if (!device) return call.Return(D3DERR_NOTAVAILABLE);
  D3DPRESENT_PARAMETERS& params = *pPresentationParameters;
  if (params.Windowed && params.BackBufferFormat == D3DFMT_UNKNOWN) {
    params.BackBufferFormat = FMachine.Adapters[Adapter].DesktopMode.Format;
  }
  if (FRecorder->IsRejected(params.BackBufferFormat) ||
      (params.EnableAutoDepthStencil && FRecorder->IsRejected(params.AutoDepthStencilFormat)) ||
      !Has(device->BackBufferFormats, params.BackBufferFormat) ||
      (params.EnableAutoDepthStencil &&
       !Has(device->DepthStencilFormats, params.AutoDepthStencilFormat))) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  if (params.BackBufferWidth == 0) params.BackBufferWidth = WindowClientWidth;
  if (params.BackBufferHeight == 0) params.BackBufferHeight = WindowClientHeight;
  if (params.BackBufferCount == 0) params.BackBufferCount = 1;

  D3DCAPS9 caps = device->Caps;
  caps.DeviceType = DeviceType;
  caps.AdapterOrdinal = Adapter;
  auto* created = new FakeDevice9(Ref<FakeDirect3D9>(this), FRecorder, caps, BehaviorFlags, params);
  FDevices.push_back(created);
  *ppReturnedDeviceInterface = Ref<IDirect3DDevice9>(created).Detach();
  return call.Return(D3D_OK);
}

void SetFakeDirect3DBackend(const Ref<FakeDirect3D9>& D3D) {
  SetDirect3DBackend([D3D]() { return Ref<IDirect3D9>(D3D); });
}
