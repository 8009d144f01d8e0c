#include "engine/d3d/TD3DEnumeration.h"

#include <algorithm>
#include <tuple>

#include "engine/d3d/FormatFunctions.h"

namespace {

// Candidate lists, walked in this order; the first entry of each resulting list is the
// framework's default choice, so the order is a preference.
constexpr D3DDEVTYPE kDeviceTypes[] = {D3DDEVTYPE_HAL, D3DDEVTYPE_SW, D3DDEVTYPE_REF};

constexpr D3DFORMAT kAllowedAdapterFormats[] = {D3DFMT_X8R8G8B8, D3DFMT_X1R5G5B5, D3DFMT_R5G6B5,
                                                D3DFMT_A2R10G10B10};

constexpr D3DFORMAT kBackBufferFormats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A2R10G10B10,
                                            D3DFMT_R5G6B5,   D3DFMT_A1R5G5B5, D3DFMT_X1R5G5B5};

constexpr bool kWindowedFlags[] = {false, true};

constexpr D3DFORMAT kDepthStencilFormats[] = {D3DFMT_D16,   D3DFMT_D15S1,   D3DFMT_D24X8,
                                              D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D32};

constexpr UINT kPresentIntervals[] = {D3DPRESENT_INTERVAL_IMMEDIATE, D3DPRESENT_INTERVAL_DEFAULT,
                                      D3DPRESENT_INTERVAL_ONE,       D3DPRESENT_INTERVAL_TWO,
                                      D3DPRESENT_INTERVAL_THREE,     D3DPRESENT_INTERVAL_FOUR};

// None, non-maskable, then 2 to 16 samples.
constexpr int kMaxSamples = 16;

bool SameMode(const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) {
  return a.Width == b.Width && a.Height == b.Height && a.RefreshRate == b.RefreshRate &&
         a.Format == b.Format;
}

bool ModeLess(const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) {
  return std::make_tuple(a.Width, a.Height, static_cast<DWORD>(a.Format), a.RefreshRate) <
         std::make_tuple(b.Width, b.Height, static_cast<DWORD>(b.Format), b.RefreshRate);
}

template <typename T>
void AddOnce(std::vector<T>& list, const T& value) {
  if (std::find(list.begin(), list.end(), value) == list.end()) list.push_back(value);
}

}  // namespace

TD3DEnumeration::TD3DEnumeration() = default;

void TD3DEnumeration::SetD3D(Ref<IDirect3D9> D3D) {
  FD3D = std::move(D3D);
}

void TD3DEnumeration::AssignSettings(const TD3DEnumeration& Source) {
  AppMinFullscreenWidth = Source.AppMinFullscreenWidth;
  AppMinFullscreenHeight = Source.AppMinFullscreenHeight;
  AppMinColorChannelBits = Source.AppMinColorChannelBits;
  AppMinAlphaChannelBits = Source.AppMinAlphaChannelBits;
  AppMinDepthBits = Source.AppMinDepthBits;
  AppMinStencilBits = Source.AppMinStencilBits;
  AppUsesDepthBuffer = Source.AppUsesDepthBuffer;
  AppUsesMixedVP = Source.AppUsesMixedVP;
  AppRequiresWindowed = Source.AppRequiresWindowed;
  AppRequiresFullscreen = Source.AppRequiresFullscreen;
}

HRESULT TD3DEnumeration::Enumerate() {
  if (!FD3D) return E_FAIL;

  AdapterInfos.clear();
  AllowedAdapterFormats.assign(std::begin(kAllowedAdapterFormats),
                               std::end(kAllowedAdapterFormats));

  const UINT adapterCount = FD3D->GetAdapterCount();
  for (UINT ordinal = 0; ordinal < adapterCount; ++ordinal) {
    Td3dAdapterInfo adapterInfo;
    adapterInfo.AdapterOrdinal = ordinal;
    FD3D->GetAdapterIdentifier(ordinal, 0, &adapterInfo.AdapterIdentifier);

    TFormatList adapterFormats;
    for (D3DFORMAT format : AllowedAdapterFormats) {
      const UINT modeCount = FD3D->GetAdapterModeCount(ordinal, format);
      for (UINT mode = 0; mode < modeCount; ++mode) {
        D3DDISPLAYMODE displayMode{};
        // A mode the platform cannot describe is not offered.
        if (FAILED(FD3D->EnumAdapterModes(ordinal, format, mode, &displayMode))) continue;
        if (displayMode.Width < AppMinFullscreenWidth ||
            displayMode.Height < AppMinFullscreenHeight ||
            ColorChannelBits(displayMode.Format) < AppMinColorChannelBits) {
          continue;
        }
        const bool known =
            std::any_of(adapterInfo.DisplayModes.begin(), adapterInfo.DisplayModes.end(),
                        [&](const D3DDISPLAYMODE& m) { return SameMode(m, displayMode); });
        if (!known) adapterInfo.DisplayModes.push_back(displayMode);
        AddOnce(adapterFormats, displayMode.Format);
      }
    }
    // Modes are unique, so the order is total and any sort gives the same result.
    std::sort(adapterInfo.DisplayModes.begin(), adapterInfo.DisplayModes.end(), ModeLess);

    const HRESULT hr = EnumerateDevices(adapterInfo, adapterFormats);
    if (FAILED(hr)) return hr;
    if (!adapterInfo.DeviceInfos.empty()) AdapterInfos.push_back(std::move(adapterInfo));
  }
  return S_OK;
}

HRESULT TD3DEnumeration::EnumerateDevices(Td3dAdapterInfo& AdapterInfo,
                                          const TFormatList& AdapterFormats) {
  for (D3DDEVTYPE deviceType : kDeviceTypes) {
    Td3dDeviceInfo deviceInfo;
    deviceInfo.AdapterOrdinal = AdapterInfo.AdapterOrdinal;
    deviceInfo.DeviceType = deviceType;
    if (FAILED(FD3D->GetDeviceCaps(AdapterInfo.AdapterOrdinal, deviceType, &deviceInfo.Caps))) {
      continue;
    }
    const HRESULT hr = EnumerateDeviceCombos(deviceInfo, AdapterFormats);
    if (FAILED(hr)) return hr;
    if (!deviceInfo.DeviceCombos.empty()) AdapterInfo.DeviceInfos.push_back(std::move(deviceInfo));
  }
  return S_OK;
}

HRESULT TD3DEnumeration::EnumerateDeviceCombos(Td3dDeviceInfo& DeviceInfo,
                                               const TFormatList& AdapterFormats) {
  for (D3DFORMAT adapterFormat : AdapterFormats) {
    for (D3DFORMAT backBufferFormat : kBackBufferFormats) {
      if (AlphaChannelBits(backBufferFormat) < AppMinAlphaChannelBits) continue;
      for (bool windowed : kWindowedFlags) {
        if (!windowed && AppRequiresWindowed) continue;
        if (windowed && AppRequiresFullscreen) continue;
        if (FAILED(FD3D->CheckDeviceType(DeviceInfo.AdapterOrdinal, DeviceInfo.DeviceType,
                                         adapterFormat, backBufferFormat, windowed))) {
          continue;
        }

        Td3dDeviceCombo combo;
        combo.AdapterOrdinal = DeviceInfo.AdapterOrdinal;
        combo.DeviceType = DeviceInfo.DeviceType;
        combo.AdapterFormat = adapterFormat;
        combo.BackBufferFormat = backBufferFormat;
        combo.Windowed = windowed;

        if (AppUsesDepthBuffer) {
          BuildDepthStencilFormatList(combo);
          if (combo.DepthStencilFormats.empty()) continue;
        }
        BuildMultiSampleTypeList(combo);
        if (combo.MultiSampleTypes.empty()) continue;
        BuildDSMSConflictList(combo);
        BuildVertexProcessingTypeList(DeviceInfo, combo);
        if (combo.VertexProcessingTypes.empty()) continue;
        BuildPresentIntervalList(DeviceInfo, combo);
        DeviceInfo.DeviceCombos.push_back(std::move(combo));
      }
    }
  }
  return S_OK;
}

void TD3DEnumeration::BuildDepthStencilFormatList(Td3dDeviceCombo& DeviceCombo) {
  for (D3DFORMAT format : kDepthStencilFormats) {
    if (DepthBits(format) < AppMinDepthBits || StencilBits(format) < AppMinStencilBits) continue;
    if (SUCCEEDED(FD3D->CheckDeviceFormat(DeviceCombo.AdapterOrdinal, DeviceCombo.DeviceType,
                                          DeviceCombo.AdapterFormat, D3DUSAGE_DEPTHSTENCIL,
                                          D3DRTYPE_SURFACE, format)) &&
        SUCCEEDED(FD3D->CheckDepthStencilMatch(DeviceCombo.AdapterOrdinal, DeviceCombo.DeviceType,
                                               DeviceCombo.AdapterFormat,
                                               DeviceCombo.BackBufferFormat, format))) {
      AddOnce(DeviceCombo.DepthStencilFormats, format);
    }
  }
}

void TD3DEnumeration::BuildMultiSampleTypeList(Td3dDeviceCombo& DeviceCombo) {
  for (int samples = 0; samples <= kMaxSamples; ++samples) {
    const auto type = static_cast<D3DMULTISAMPLE_TYPE>(samples);
    DWORD qualityLevels = 0;
    if (SUCCEEDED(FD3D->CheckDeviceMultiSampleType(
            DeviceCombo.AdapterOrdinal, DeviceCombo.DeviceType, DeviceCombo.BackBufferFormat,
            DeviceCombo.Windowed, type, &qualityLevels))) {
      DeviceCombo.MultiSampleTypes.push_back(type);
      DeviceCombo.MultiSampleQualities.push_back(qualityLevels);
    }
  }
}

void TD3DEnumeration::BuildDSMSConflictList(Td3dDeviceCombo& DeviceCombo) {
  for (D3DFORMAT format : DeviceCombo.DepthStencilFormats) {
    for (D3DMULTISAMPLE_TYPE type : DeviceCombo.MultiSampleTypes) {
      if (FAILED(FD3D->CheckDeviceMultiSampleType(DeviceCombo.AdapterOrdinal,
                                                  DeviceCombo.DeviceType, format,
                                                  DeviceCombo.Windowed, type, nullptr))) {
        DeviceCombo.DSMSConflicts.push_back({format, type});
      }
    }
  }
}

bool TD3DEnumeration::Accepted(const D3DCAPS9& Caps, TVertexProcessingType Type,
                               const Td3dDeviceCombo& DeviceCombo) const {
  return !ConfirmDeviceCallback ||
         ConfirmDeviceCallback(Caps, Type, DeviceCombo.AdapterFormat, DeviceCombo.BackBufferFormat);
}

void TD3DEnumeration::BuildVertexProcessingTypeList(const Td3dDeviceInfo& DeviceInfo,
                                                    Td3dDeviceCombo& DeviceCombo) {
  const D3DCAPS9& caps = DeviceInfo.Caps;
  TVertexProcessingTypeList& types = DeviceCombo.VertexProcessingTypes;
  if ((caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0) {
    if ((caps.DevCaps & D3DDEVCAPS_PUREDEVICE) != 0 &&
        Accepted(caps, PURE_HARDWARE_VP, DeviceCombo)) {
      types.push_back(PURE_HARDWARE_VP);
    }
    if (Accepted(caps, HARDWARE_VP, DeviceCombo)) types.push_back(HARDWARE_VP);
    if (Accepted(caps, MIXED_VP, DeviceCombo)) types.push_back(MIXED_VP);
  }
  if (Accepted(caps, SOFTWARE_VP, DeviceCombo)) types.push_back(SOFTWARE_VP);
}

void TD3DEnumeration::BuildPresentIntervalList(const Td3dDeviceInfo& DeviceInfo,
                                               Td3dDeviceCombo& DeviceCombo) {
  for (UINT interval : kPresentIntervals) {
    // A window cannot wait for more than one vertical retrace per frame.
    if (DeviceCombo.Windowed &&
        (interval == D3DPRESENT_INTERVAL_TWO || interval == D3DPRESENT_INTERVAL_THREE ||
         interval == D3DPRESENT_INTERVAL_FOUR)) {
      continue;
    }
    if (interval == D3DPRESENT_INTERVAL_DEFAULT ||
        (interval & DeviceInfo.Caps.PresentationIntervals) != 0) {
      DeviceCombo.PresentIntervals.push_back(interval);
    }
  }
}
