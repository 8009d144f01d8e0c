// The records the device enumeration produces and the settings record copies. Records hold
// their lists by value, so a copy of a record is independent of the enumeration it came from.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/render/d3d9.h"

enum TVertexProcessingType : std::uint8_t {
  SOFTWARE_VP = 0,
  MIXED_VP = 1,
  HARDWARE_VP = 2,
  PURE_HARDWARE_VP = 3,
};

// A depth/stencil format that cannot be combined with a multisample type.
struct TDSMSConflict {
  D3DFORMAT DSFormat = D3DFMT_UNKNOWN;
  D3DMULTISAMPLE_TYPE MSType = D3DMULTISAMPLE_NONE;
  friend bool operator==(const TDSMSConflict&, const TDSMSConflict&) = default;
};

using TDisplayModeList = std::vector<D3DDISPLAYMODE>;
using TFormatList = std::vector<D3DFORMAT>;
using TMultiSampleTypeList = std::vector<D3DMULTISAMPLE_TYPE>;
using TMultiSampleQualityList = std::vector<DWORD>;
using TPresentIntervalList = std::vector<UINT>;
using TVertexProcessingTypeList = std::vector<TVertexProcessingType>;
using TDSMSConflictList = std::vector<TDSMSConflict>;

// One usable pairing of adapter format, back-buffer format and windowed or full-screen use
// on one device, with what that pairing allows.
struct Td3dDeviceCombo {
  UINT AdapterOrdinal = 0;
  D3DDEVTYPE DeviceType = static_cast<D3DDEVTYPE>(0);
  D3DFORMAT AdapterFormat = D3DFMT_UNKNOWN;
  D3DFORMAT BackBufferFormat = D3DFMT_UNKNOWN;
  bool Windowed = false;
  TFormatList DepthStencilFormats;
  TMultiSampleTypeList MultiSampleTypes;
  TMultiSampleQualityList MultiSampleQualities;  // one per entry of MultiSampleTypes
  TDSMSConflictList DSMSConflicts;
  TVertexProcessingTypeList VertexProcessingTypes;
  TPresentIntervalList PresentIntervals;
};
using TDeviceComboList = std::vector<Td3dDeviceCombo>;

struct Td3dDeviceInfo {
  UINT AdapterOrdinal = 0;
  D3DDEVTYPE DeviceType = static_cast<D3DDEVTYPE>(0);
  D3DCAPS9 Caps{};
  TDeviceComboList DeviceCombos;
};
using TDeviceInfoList = std::vector<Td3dDeviceInfo>;

struct Td3dAdapterInfo {
  UINT AdapterOrdinal = 0;
  D3DADAPTER_IDENTIFIER9 AdapterIdentifier{};
  TDisplayModeList DisplayModes;
  TDeviceInfoList DeviceInfos;
};
using TAdapterInfoList = std::vector<Td3dAdapterInfo>;
