// The fake backend's Direct3D object: answers adapter, mode, format and capability queries
// from a scripted FakeMachine, records every call in its FakeRecorder and creates
// FakeDevice9 devices. No GPU and no display are involved.
//
//   auto d3d = MakeRef<FakeDirect3D9>(FakeMachine::Typical());
//   d3d->Recorder().FailCall("CreateDevice", D3DERR_NOTAVAILABLE);
//   SetFakeDirect3DBackend(d3d);  // Direct3DCreate9 now hands out this object
#pragma once

#include <memory>
#include <vector>

#include "platform/render/fake/FakeInterfaces.h"
#include "platform/render/fake/FakeMachine.h"
#include "platform/render/fake/FakeRecorder.h"

class FakeDevice9;

class FakeDirect3D9 : public FakeDirect3D9Base {
 public:
  explicit FakeDirect3D9(FakeMachine Machine = FakeMachine::Typical(),
                         std::shared_ptr<FakeRecorder> Recorder = nullptr);
  ~FakeDirect3D9() override;

  // The scripted machine; changes take effect on the next query.
  FakeMachine& Machine() { return FMachine; }
  FakeRecorder& Recorder() { return *FRecorder; }
  const std::shared_ptr<FakeRecorder>& SharedRecorder() const { return FRecorder; }
  // The devices created and not yet destroyed, oldest first; the last one, or null.
  const std::vector<FakeDevice9*>& Devices() const { return FDevices; }
  FakeDevice9* LastDevice() const { return FDevices.empty() ? nullptr : FDevices.back(); }

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

  // Used by FakeDevice9.
  void DeviceDestroyed(FakeDevice9* Device);
  const FakeDeviceDesc* FindDevice(UINT Adapter, D3DDEVTYPE Type) const;
  // The size a zero back-buffer width or height takes (the fake has no window to measure).
  UINT WindowClientWidth = 640;
  UINT WindowClientHeight = 480;

 private:
  const FakeAdapterDesc* FindAdapter(UINT Adapter) const;
  bool IsAdapterFormat(const FakeAdapterDesc& Adapter, D3DFORMAT Format) const;

  FakeMachine FMachine;
  std::shared_ptr<FakeRecorder> FRecorder;
  std::vector<FakeDevice9*> FDevices;
};

// Makes Direct3DCreate9 hand out D3D (the same object on every call).
void SetFakeDirect3DBackend(const Ref<FakeDirect3D9>& D3D);
