// The Direct3D object of the OpenGL backend: one adapter per screen Qt reports, each
// offering one device type (HAL, or REF when the driver rasterises in software), the screen's
// current display mode, and the formats and multisample types the driver can render.
#pragma once

#include <QPointer>
#include <QScreen>
#include <vector>

#include "platform/render/d3d9.h"

class GLDirect3D9 final : public IDirect3D9 {
 public:
  GLDirect3D9();

  UINT GetAdapterCount() override;
  HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags,
                               D3DADAPTER_IDENTIFIER9* pIdentifier) override;
  UINT GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) override;
  HRESULT EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode,
                           D3DDISPLAYMODE* pMode) override;
  HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
  HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat,
                          D3DFORMAT BackBufferFormat, BOOL bWindowed) override;
  HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                            DWORD Usage, D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) override;
  HRESULT CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat,
                                     BOOL Windowed, D3DMULTISAMPLE_TYPE MultiSampleType,
                                     DWORD* pQualityLevels) override;
  HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                 D3DFORMAT RenderTargetFormat,
                                 D3DFORMAT DepthStencilFormat) override;
  HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) override;
  HMONITOR GetAdapterMonitor(UINT Adapter) override;
  HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                       D3DPRESENT_PARAMETERS* pPresentationParameters,
                       IDirect3DDevice9** ppReturnedDeviceInterface) override;

  // The device type every adapter offers.
  D3DDEVTYPE DeviceType() const;
  // The caps of a device of this backend (the same for every adapter but the ordinal).
  static D3DCAPS9 Caps(UINT adapter, D3DDEVTYPE type);

 private:
  bool Valid(UINT adapter, D3DDEVTYPE type) const;
  std::vector<QPointer<QScreen>> screens_;
};

// The display format of a screen of the given colour depth.
D3DFORMAT D3DFormatOfDepth(int depth);
