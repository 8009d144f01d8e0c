// The machine the fake backend pretends to be: its adapters, their display modes and the
// device types each offers with their capabilities and formats. Tests build one (often from
// Typical()) and change what they need before creating the Direct3D object.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/render/d3d9types.h"

struct FakeMultiSample {
  D3DMULTISAMPLE_TYPE Type = D3DMULTISAMPLE_NONE;
  DWORD QualityLevels = 1;
};

struct FakeDeviceDesc {
  D3DDEVTYPE Type = D3DDEVTYPE_HAL;
  // DeviceType and AdapterOrdinal are filled in when the caps are read.
  D3DCAPS9 Caps{};
  // Back-buffer formats the device renders to (with any adapter format of the adapter).
  std::vector<D3DFORMAT> BackBufferFormats;
  bool CanRenderWindowed = true;
  bool CanRenderFullscreen = true;
  std::vector<D3DFORMAT> DepthStencilFormats;
  // Depth/stencil formats that cannot go with a back-buffer format.
  std::vector<std::pair<D3DFORMAT, D3DFORMAT>> DepthStencilMismatches;  // (back buffer, depth)
  // Multisample types any render target or depth format of the device supports.
  std::vector<FakeMultiSample> MultiSampleTypes;
  // (depth/stencil format, multisample type) pairs that cannot be combined.
  std::vector<std::pair<D3DFORMAT, D3DMULTISAMPLE_TYPE>> DepthStencilMultiSampleConflicts;
  // Formats CheckDeviceFormat accepts for textures and other non-depth uses.
  std::vector<D3DFORMAT> TextureFormats;
};

struct FakeAdapterDesc {
  std::string Description = "Fake display adapter";
  std::string Driver = "fake.drv";
  D3DDISPLAYMODE DesktopMode{1024, 768, 60, D3DFMT_X8R8G8B8};
  std::vector<D3DDISPLAYMODE> Modes;
  std::vector<FakeDeviceDesc> Devices;
};

// What the D3DX loaders report for an image (the fake decodes nothing).
struct FakeImage {
  UINT Width = 64;
  UINT Height = 64;
  bool HasAlpha = false;
  bool Unreadable = false;  // the loaders fail with D3DXERR_INVALIDDATA
};

struct FakeMachine {
  std::vector<FakeAdapterDesc> Adapters;
  // Images by file path or resource name (matched ignoring case). A file that is not listed
  // loads as a 64 x 64 opaque image when it exists on disk and fails as missing otherwise; a
  // resource that is not listed loads when it is registered (D3DXRegisterResource).
  std::map<std::string, FakeImage> Images;

  // A hardware device with transform and lighting (pure device), on one adapter showing
  // 1024 x 768 at 60 Hz in X8R8G8B8; modes 640 x 480 to 1280 x 1024 in X8R8G8B8 and R5G6B5.
  static FakeMachine Typical();
  // The capabilities of Typical()'s hardware device.
  static D3DCAPS9 HardwareCaps();
  // A device without hardware transform and lighting (a software rasterizer).
  static FakeDeviceDesc SoftwareDevice(D3DDEVTYPE Type);
};
