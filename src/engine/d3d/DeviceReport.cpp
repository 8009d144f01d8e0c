#include "engine/d3d/DeviceReport.h"

#include <cstdio>
#include <string>

#include "engine/TFrameBudget.h"
#include "engine/TW9DirectX.h"
#include "engine/d3d/FormatFunctions.h"

namespace {

std::string DeviceTypeName(D3DDEVTYPE Type) {
  switch (Type) {
    case D3DDEVTYPE_HAL:
      return "HAL (hardware)";
    case D3DDEVTYPE_REF:
      return "REF (reference rasterizer)";
    case D3DDEVTYPE_SW:
      return "SW (software)";
    default:
      return "type " + std::to_string(static_cast<unsigned>(Type));
  }
}

std::string ShortDeviceTypeName(D3DDEVTYPE Type) {
  switch (Type) {
    case D3DDEVTYPE_HAL:
      return "HAL";
    case D3DDEVTYPE_REF:
      return "REF";
    case D3DDEVTYPE_SW:
      return "SW";
    default:
      return std::to_string(static_cast<unsigned>(Type));
  }
}

std::string ModeText(const D3DDISPLAYMODE& Mode) {
  char text[96];
  std::snprintf(text, sizeof text, "%ux%u, %u Hz, %s", Mode.Width, Mode.Height, Mode.RefreshRate,
                FormatName(Mode.Format, false).c_str());
  return text;
}

std::string MultiSampleName(D3DMULTISAMPLE_TYPE Type, DWORD Qualities) {
  std::string name;
  if (Type == D3DMULTISAMPLE_NONE) {
    name = "none";
  } else if (Type == D3DMULTISAMPLE_NONMASKABLE) {
    name = "non-maskable";
  } else {
    name = std::to_string(static_cast<unsigned>(Type)) + "x";
  }
  if (Qualities > 1) name += " (" + std::to_string(Qualities) + " qualities)";
  return name;
}

std::string VertexProcessingName(TVertexProcessingType Type) {
  switch (Type) {
    case SOFTWARE_VP:
      return "software";
    case MIXED_VP:
      return "mixed";
    case HARDWARE_VP:
      return "hardware";
    case PURE_HARDWARE_VP:
      return "pure hardware";
  }
  return "?";
}

std::string PresentIntervalName(UINT Interval) {
  switch (Interval) {
    case D3DPRESENT_INTERVAL_IMMEDIATE:
      return "immediate";
    case D3DPRESENT_INTERVAL_DEFAULT:
      return "default";
    case D3DPRESENT_INTERVAL_ONE:
      return "one";
    case D3DPRESENT_INTERVAL_TWO:
      return "two";
    case D3DPRESENT_INTERVAL_THREE:
      return "three";
    case D3DPRESENT_INTERVAL_FOUR:
      return "four";
    default:
      return std::to_string(Interval);
  }
}

template <typename List, typename Namer>
std::string Joined(const List& Items, Namer Name) {
  std::string text;
  for (const auto& item : Items) {
    if (!text.empty()) text += ", ";
    text += Name(item);
  }
  return text.empty() ? "-" : text;
}

void PrintCombo(const Td3dDeviceCombo& Combo, std::ostream& Out) {
  Out << "      " << (Combo.Windowed ? "windowed   " : "full screen") << "  adapter "
      << FormatName(Combo.AdapterFormat, false) << ", back buffer "
      << FormatName(Combo.BackBufferFormat, false) << "\n";
  if (!Combo.DepthStencilFormats.empty()) {
    Out << "        depth/stencil: " << Joined(Combo.DepthStencilFormats, [](D3DFORMAT f) {
      return FormatName(f, false);
    }) << "\n";
  }
  std::string multiSample;
  for (std::size_t i = 0; i < Combo.MultiSampleTypes.size(); ++i) {
    if (!multiSample.empty()) multiSample += ", ";
    const DWORD qualities =
        i < Combo.MultiSampleQualities.size() ? Combo.MultiSampleQualities[i] : 0;
    multiSample += MultiSampleName(Combo.MultiSampleTypes[i], qualities);
  }
  Out << "        multisample: " << multiSample << "\n";
  if (!Combo.DSMSConflicts.empty()) {
    Out << "        not combinable: " << Joined(Combo.DSMSConflicts, [](const TDSMSConflict& c) {
      return FormatName(c.DSFormat, false) + " with " + MultiSampleName(c.MSType, 0);
    }) << "\n";
  }
  Out << "        vertex processing: " << Joined(Combo.VertexProcessingTypes, VertexProcessingName)
      << "\n";
  Out << "        present intervals: " << Joined(Combo.PresentIntervals, PresentIntervalName)
      << "\n";
}

void PrintChoice(const char* Label, const TD3DConfig& Config, bool UsesDepthBuffer,
                 std::ostream& Out) {
  const Td3dDeviceCombo& combo = Config.DeviceCombo;
  Out << "  " << Label << ": adapter " << combo.AdapterOrdinal << ", "
      << ShortDeviceTypeName(combo.DeviceType) << ", " << ModeText(Config.DisplayMode)
      << ", back buffer " << FormatName(combo.BackBufferFormat, false);
  if (UsesDepthBuffer) Out << ", depth " << FormatName(Config.DepthStencilFormat, false);
  Out << ", " << VertexProcessingName(Config.VertexProcessingType) << " vertex processing\n";
}

}  // namespace

HRESULT PrintDeviceReport(const Ref<IDirect3D9>& D3D, std::ostream& Out,
                          const TD3DEnumeration* Minimums) {
  if (!D3D) {
    Out << "No render platform is available.\n";
    return E_FAIL;
  }

  TW9DirectX framework;
  TD3DEnumeration& enumeration = framework.d3dEnumeration();
  if (Minimums) {
    enumeration.AssignSettings(*Minimums);
  } else {
    // The saver's own minimums.
    enumeration.AppUsesDepthBuffer = true;
  }
  framework.SetD3D(D3D);
  enumeration.SetD3D(D3D);
  const HRESULT hr = enumeration.Enumerate();
  if (FAILED(hr)) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    Out << "Device enumeration failed with " << code << ".\n";
    return hr;
  }

  const UINT adapterCount = D3D->GetAdapterCount();
  Out << "Adapters: " << adapterCount << "\n";
  for (UINT ordinal = 0; ordinal < adapterCount; ++ordinal) {
    D3DADAPTER_IDENTIFIER9 id{};
    D3D->GetAdapterIdentifier(ordinal, 0, &id);
    Out << "\nAdapter " << ordinal << ": " << id.Description << "\n";
    if (id.Driver[0] != '\0') Out << "  Driver: " << id.Driver << "\n";
    char ids[64];
    std::snprintf(ids, sizeof ids, "  Vendor 0x%04X, device 0x%04X\n",
                  static_cast<unsigned>(id.VendorId), static_cast<unsigned>(id.DeviceId));
    Out << ids;
    D3DDISPLAYMODE desktop{};
    if (SUCCEEDED(D3D->GetAdapterDisplayMode(ordinal, &desktop))) {
      Out << "  Desktop mode: " << ModeText(desktop) << "\n";
    }

    const Td3dAdapterInfo* info = nullptr;
    for (const Td3dAdapterInfo& candidate : enumeration.AdapterInfos) {
      if (candidate.AdapterOrdinal == ordinal) info = &candidate;
    }
    if (!info) {
      Out << "  No usable display mode or device (at least " << enumeration.AppMinFullscreenWidth
          << "x" << enumeration.AppMinFullscreenHeight << " with "
          << enumeration.AppMinColorChannelBits << " bits per colour channel).\n";
      continue;
    }
    Out << "  Display modes (" << info->DisplayModes.size() << "):\n";
    for (const D3DDISPLAYMODE& mode : info->DisplayModes) Out << "    " << ModeText(mode) << "\n";
    for (const Td3dDeviceInfo& device : info->DeviceInfos) {
      Out << "  Device " << DeviceTypeName(device.DeviceType) << ", " << device.DeviceCombos.size()
          << " combination" << (device.DeviceCombos.size() == 1 ? "" : "s") << ":\n";
      const D3DCAPS9& caps = device.Caps;
      Out << "    hardware transform and lighting: "
          << ((caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) ? "yes" : "no") << ", textures up to "
          << caps.MaxTextureWidth << "x" << caps.MaxTextureHeight << ", " << caps.MaxActiveLights
          << " lights\n";
      for (const Td3dDeviceCombo& combo : device.DeviceCombos) PrintCombo(combo, Out);
    }
  }

  Out << "\nChosen configuration:\n";
  const bool foundFullscreen = framework.FindFullscreenConfig(false, false);
  const bool foundWindowed = framework.FindWindowedConfig(false, false);
  const TD3DSettings& settings = framework.d3dSettings();
  if (foundWindowed) {
    PrintChoice("windowed", settings.WindowedConfig, enumeration.AppUsesDepthBuffer, Out);
  } else {
    Out << "  windowed: none\n";
  }
  if (foundFullscreen) {
    PrintChoice("full screen", settings.FullscreenConfig, enumeration.AppUsesDepthBuffer, Out);
  } else {
    Out << "  full screen: none\n";
  }
  if (!foundFullscreen && !foundWindowed) {
    Out << "No compatible device was found: the saver cannot run on this display.\n";
  } else {
    const D3DDEVTYPE type = (foundFullscreen ? settings.FullscreenConfig : settings.WindowedConfig)
                                .DeviceCombo.DeviceType;
    Out << "Frame budget of the saver: " << TFrameBudget::ForDevice(type).Describe() << "\n";
  }
  return S_OK;
}
