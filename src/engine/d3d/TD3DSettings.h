// The chosen device configurations, one for windowed and one for full-screen use. The records
// are copies of the enumeration's, so they stay valid when the enumeration runs again. The
// framework writes the two records directly; the accessors read the current half.
#pragma once

#include "engine/d3d/D3DEnumerationTypes.h"

struct TD3DConfig {
  Td3dAdapterInfo AdapterInfo;
  Td3dDeviceInfo DeviceInfo;
  Td3dDeviceCombo DeviceCombo;
  D3DDISPLAYMODE DisplayMode{};
  D3DFORMAT DepthStencilFormat = D3DFMT_UNKNOWN;
  D3DMULTISAMPLE_TYPE MultiSampleType = D3DMULTISAMPLE_NONE;
  DWORD MultiSampleQuality = 0;
  TVertexProcessingType VertexProcessingType = SOFTWARE_VP;
  UINT PresentInterval = 0;
};

struct TD3DWindowedConfig : TD3DConfig {
  INT WindowWidth = 0;  // client size of the output window
  INT WindowHeight = 0;
};

class TD3DSettings {
 public:
  bool Windowed = false;
  TD3DWindowedConfig WindowedConfig;
  TD3DConfig FullscreenConfig;

  const TD3DConfig& Current() const {
    return Windowed ? static_cast<const TD3DConfig&>(WindowedConfig) : FullscreenConfig;
  }

  const Td3dAdapterInfo& AdapterInfo() const { return Current().AdapterInfo; }
  const Td3dDeviceInfo& DeviceInfo() const { return Current().DeviceInfo; }
  const Td3dDeviceCombo& DeviceCombo() const { return Current().DeviceCombo; }
  UINT AdapterOrdinal() const { return Current().DeviceCombo.AdapterOrdinal; }
  D3DDEVTYPE DeviceType() const { return Current().DeviceCombo.DeviceType; }
  const D3DDISPLAYMODE& DisplayMode() const { return Current().DisplayMode; }
  D3DFORMAT DepthStencilFormat() const { return Current().DepthStencilFormat; }
  D3DMULTISAMPLE_TYPE MultiSampleType() const { return Current().MultiSampleType; }
  DWORD MultiSampleQuality() const { return Current().MultiSampleQuality; }
  TVertexProcessingType VertexProcessingType() const { return Current().VertexProcessingType; }
  UINT PresentInterval() const { return Current().PresentInterval; }
};
