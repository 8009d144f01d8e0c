// Walks the adapters, display modes, device types and device combinations the render
// platform offers and keeps those that meet the application's minimums (the AppMin...
// properties) and that the confirm-device callback accepts.
#pragma once

#include <functional>

#include "engine/d3d/D3DEnumerationTypes.h"

// Accepts (true) or rejects a vertex processing type for a device and format pair.
using TConfirmDeviceCallbackEvent =
    std::function<bool(const D3DCAPS9& Caps, TVertexProcessingType vertexProcessingType,
                       D3DFORMAT adapterFormat, D3DFORMAT backBufferFormat)>;

class TD3DEnumeration {
 public:
  TD3DEnumeration();

  // Keeps a counted reference to the platform object the walk queries.
  void SetD3D(Ref<IDirect3D9> D3D);
  const Ref<IDirect3D9>& D3D() const { return FD3D; }

  // Rebuilds AdapterInfos. E_FAIL (lists untouched) without a D3D object; otherwise S_OK or
  // the first failure of the device walk. The callback is only called from here.
  HRESULT Enumerate();

  // Copies the settings (not the result or the D3D object) of another enumeration.
  void AssignSettings(const TD3DEnumeration& Source);

  TConfirmDeviceCallbackEvent ConfirmDeviceCallback;
  UINT AppMinFullscreenWidth = 640;
  UINT AppMinFullscreenHeight = 480;
  UINT AppMinColorChannelBits = 5;
  UINT AppMinAlphaChannelBits = 0;
  UINT AppMinDepthBits = 15;
  UINT AppMinStencilBits = 0;
  bool AppUsesDepthBuffer = false;
  bool AppUsesMixedVP = false;  // kept with the other settings; the walk does not read it
  bool AppRequiresWindowed = false;
  bool AppRequiresFullscreen = false;

  TFormatList AllowedAdapterFormats;
  TAdapterInfoList AdapterInfos;

 private:
  HRESULT EnumerateDevices(Td3dAdapterInfo& AdapterInfo, const TFormatList& AdapterFormats);
  HRESULT EnumerateDeviceCombos(Td3dDeviceInfo& DeviceInfo, const TFormatList& AdapterFormats);
  void BuildDepthStencilFormatList(Td3dDeviceCombo& DeviceCombo);
  void BuildMultiSampleTypeList(Td3dDeviceCombo& DeviceCombo);
  void BuildDSMSConflictList(Td3dDeviceCombo& DeviceCombo);
  void BuildVertexProcessingTypeList(const Td3dDeviceInfo& DeviceInfo,
                                     Td3dDeviceCombo& DeviceCombo);
  void BuildPresentIntervalList(const Td3dDeviceInfo& DeviceInfo, Td3dDeviceCombo& DeviceCombo);
  bool Accepted(const D3DCAPS9& Caps, TVertexProcessingType Type,
                const Td3dDeviceCombo& DeviceCombo) const;

  Ref<IDirect3D9> FD3D;
};
