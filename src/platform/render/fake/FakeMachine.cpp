#include "platform/render/fake/FakeMachine.h"

D3DCAPS9 FakeMachine::HardwareCaps() {
  D3DCAPS9 caps{};
  caps.DeviceType = D3DDEVTYPE_HAL;
  caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE |
                 D3DDEVCAPS_HWRASTERIZATION | D3DDEVCAPS_DRAWPRIMITIVES2EX;
  caps.PresentationIntervals =
      D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_TWO;
  caps.PrimitiveMiscCaps = D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                           D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_COLORWRITEENABLE;
  caps.RasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_DITHER;
  caps.ZCmpCaps = 0xFF;
  caps.AlphaCmpCaps = 0xFF;
  caps.SrcBlendCaps = 0x7FF;
  caps.DestBlendCaps = 0x7FF;
  caps.ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB |
                   D3DPSHADECAPS_ALPHAGOURAUDBLEND;
  caps.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP |
                     D3DPTEXTURECAPS_NONPOW2CONDITIONAL;
  caps.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                           D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR |
                           D3DPTFILTERCAPS_MIPFPOINT | D3DPTFILTERCAPS_MIPFLINEAR;
  caps.StretchRectFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MAGFPOINT |
                               D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MAGFLINEAR;
  caps.TextureAddressCaps = D3DPTADDRESSCAPS_WRAP;
  caps.MaxTextureWidth = 4096;
  caps.MaxTextureHeight = 4096;
  caps.MaxTextureAspectRatio = 4096;
  // A typical fixed-function device's stage operations.
  caps.TextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 |
                       D3DTEXOPCAPS_MODULATE | D3DTEXOPCAPS_MODULATE2X | D3DTEXOPCAPS_ADD |
                       D3DTEXOPCAPS_BLENDTEXTUREALPHA | D3DTEXOPCAPS_MULTIPLYADD |
                       D3DTEXOPCAPS_LERP;
  caps.MaxTextureBlendStages = 8;
  caps.MaxSimultaneousTextures = 8;
  caps.MaxActiveLights = 8;
  caps.MaxPrimitiveCount = 0xFFFFF;
  caps.MaxVertexIndex = 0xFFFFF;
  caps.MaxStreams = 16;
  caps.MaxStreamStride = 255;
  caps.FVFCaps = 8;
  caps.VertexProcessingCaps = D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_DIRECTIONALLIGHTS |
                              D3DVTXPCAPS_POSITIONALLIGHTS | D3DVTXPCAPS_LOCALVIEWER;
  caps.CursorCaps = D3DCURSORCAPS_COLOR;
  caps.NumSimultaneousRTs = 1;
  return caps;
}

namespace {

FakeDeviceDesc HardwareDevice() {
  FakeDeviceDesc device;
  device.Type = D3DDEVTYPE_HAL;
  device.Caps = FakeMachine::HardwareCaps();
  device.BackBufferFormats = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5};
  device.DepthStencilFormats = {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D32};
  device.MultiSampleTypes = {{D3DMULTISAMPLE_NONE, 1}, {D3DMULTISAMPLE_4_SAMPLES, 1}};
  device.TextureFormats = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,
                           D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5, D3DFMT_X1R5G5B5};
  return device;
}

}  // namespace

FakeDeviceDesc FakeMachine::SoftwareDevice(D3DDEVTYPE Type) {
  FakeDeviceDesc device = HardwareDevice();
  device.Type = Type;
  device.Caps.DeviceType = Type;
  device.Caps.DevCaps = D3DDEVCAPS_DRAWPRIMITIVES2EX;
  device.MultiSampleTypes = {{D3DMULTISAMPLE_NONE, 1}};
  return device;
}

FakeMachine FakeMachine::Typical() {
  FakeAdapterDesc adapter;
  const UINT sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}};
  for (D3DFORMAT format : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5}) {
    for (const auto& size : sizes) {
      for (UINT refresh : {60u, 75u}) adapter.Modes.push_back({size[0], size[1], refresh, format});
    }
  }
  adapter.Devices.push_back(HardwareDevice());
  FakeMachine machine;
  machine.Adapters.push_back(adapter);
  return machine;
}
