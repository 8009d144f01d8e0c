#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/d3d/TD3DEnumeration.h"
#include "platform/render/fake/FakeDirect3D9.h"

namespace {

// The saver's minimums.
TD3DEnumeration SaverEnumeration(const Ref<FakeDirect3D9>& D3D) {
  TD3DEnumeration enumeration;
  enumeration.AppUsesDepthBuffer = true;
  enumeration.SetD3D(D3D);
  return enumeration;
}

std::vector<D3DFORMAT> Formats(std::initializer_list<D3DFORMAT> List) {
  return List;
}

const Td3dDeviceCombo* FindCombo(const Td3dDeviceInfo& Device, D3DFORMAT AdapterFormat,
                                 D3DFORMAT BackBufferFormat, bool Windowed) {
  for (const Td3dDeviceCombo& combo : Device.DeviceCombos) {
    if (combo.AdapterFormat == AdapterFormat && combo.BackBufferFormat == BackBufferFormat &&
        combo.Windowed == Windowed) {
      return &combo;
    }
  }
  return nullptr;
}

TEST(Enumeration, WithoutD3DFailsAndKeepsTheResult) {
  TD3DEnumeration enumeration;
  enumeration.AdapterInfos.resize(1);
  EXPECT_EQ(enumeration.Enumerate(), E_FAIL);
  EXPECT_EQ(enumeration.AdapterInfos.size(), 1u);
}

TEST(Enumeration, DefaultsAreTheDocumentedMinimums) {
  TD3DEnumeration enumeration;
  EXPECT_EQ(enumeration.AppMinFullscreenWidth, 640u);
  EXPECT_EQ(enumeration.AppMinFullscreenHeight, 480u);
  EXPECT_EQ(enumeration.AppMinColorChannelBits, 5u);
  EXPECT_EQ(enumeration.AppMinAlphaChannelBits, 0u);
  EXPECT_EQ(enumeration.AppMinDepthBits, 15u);
  EXPECT_EQ(enumeration.AppMinStencilBits, 0u);
  EXPECT_FALSE(enumeration.AppUsesDepthBuffer);
  EXPECT_FALSE(enumeration.AppRequiresWindowed);
  EXPECT_FALSE(enumeration.AppRequiresFullscreen);
}

TEST(Enumeration, ModesAreFilteredDeduplicatedAndSorted) {
  FakeMachine machine = FakeMachine::Typical();
  auto& modes = machine.Adapters[0].Modes;
  modes = {
      {1024, 768, 75, D3DFMT_X8R8G8B8}, {800, 600, 60, D3DFMT_R5G6B5},
      {640, 400, 60, D3DFMT_X8R8G8B8},                                      // too low
      {1024, 768, 60, D3DFMT_X8R8G8B8}, {1024, 768, 75, D3DFMT_X8R8G8B8},   // duplicate
      {800, 600, 60, D3DFMT_X8R8G8B8},  {2048, 1536, 60, D3DFMT_A8R8G8B8},  // not an adapter format
  };
  auto d3d = MakeRef<FakeDirect3D9>(machine);
  TD3DEnumeration enumeration = SaverEnumeration(d3d);
  ASSERT_EQ(enumeration.Enumerate(), S_OK);
  ASSERT_EQ(enumeration.AdapterInfos.size(), 1u);
  const TDisplayModeList expected = {
      {800, 600, 60, D3DFMT_X8R8G8B8},
      {800, 600, 60, D3DFMT_R5G6B5},  // same size: format value 22 before 23
      {1024, 768, 60, D3DFMT_X8R8G8B8},
      {1024, 768, 75, D3DFMT_X8R8G8B8},
  };
  EXPECT_EQ(enumeration.AdapterInfos[0].DisplayModes, expected);
  EXPECT_EQ(enumeration.AllowedAdapterFormats,
            Formats({D3DFMT_X8R8G8B8, D3DFMT_X1R5G5B5, D3DFMT_R5G6B5, D3DFMT_A2R10G10B10}));
}

TEST(Enumeration, SixteenBitOnlyMachineKeepsItsModes) {
  FakeMachine machine = FakeMachine::Typical();
  FakeAdapterDesc& adapter = machine.Adapters[0];
  adapter.DesktopMode = {800, 600, 60, D3DFMT_X1R5G5B5};
  adapter.Modes = {{640, 480, 60, D3DFMT_X1R5G5B5}, {800, 600, 60, D3DFMT_X1R5G5B5}};
  adapter.Devices[0].BackBufferFormats = {D3DFMT_X1R5G5B5};
  auto d3d = MakeRef<FakeDirect3D9>(machine);
  TD3DEnumeration enumeration = SaverEnumeration(d3d);
  ASSERT_EQ(enumeration.Enumerate(), S_OK);
  ASSERT_EQ(enumeration.AdapterInfos.size(), 1u);
  EXPECT_EQ(enumeration.AdapterInfos[0].DisplayModes.size(), 2u);
  const Td3dDeviceInfo& device = enumeration.AdapterInfos[0].DeviceInfos.at(0);
  EXPECT_NE(FindCombo(device, D3DFMT_X1R5G5B5, D3DFMT_X1R5G5B5, false), nullptr);
  EXPECT_NE(FindCombo(device, D3DFMT_X1R5G5B5, D3DFMT_X1R5G5B5, true), nullptr);
}

TEST(Enumeration, CombinationsFollowTheCandidateOrders) {
  auto d3d = MakeRef<FakeDirect3D9>(FakeMachine::Typical());
  TD3DEnumeration enumeration = SaverEnumeration(d3d);
  ASSERT_EQ(enumeration.Enumerate(), S_OK);
  const Td3dAdapterInfo& adapter = enumeration.AdapterInfos.at(0);
  ASSERT_EQ(adapter.DeviceInfos.size(), 1u);
  const Td3dDeviceInfo& device = adapter.DeviceInfos[0];
  EXPECT_EQ(device.DeviceType, D3DDEVTYPE_HAL);
  EXPECT_EQ(device.Caps.DeviceType, D3DDEVTYPE_HAL);

  // Adapter formats in order of first appearance (X8R8G8B8 modes come first), back-buffer
  // formats in candidate order, full screen before windowed. Full screen needs the adapter's
  // family; windowed takes any back buffer the device renders to.
  std::vector<std::tuple<D3DFORMAT, D3DFORMAT, bool>> order;
  for (const Td3dDeviceCombo& combo : device.DeviceCombos) {
    order.emplace_back(combo.AdapterFormat, combo.BackBufferFormat, combo.Windowed);
  }
  const std::vector<std::tuple<D3DFORMAT, D3DFORMAT, bool>> expected = {
      {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, false}, {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, true},
      {D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, false}, {D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, true},
      {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, true},    {D3DFMT_R5G6B5, D3DFMT_A8R8G8B8, true},
      {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8, true},    {D3DFMT_R5G6B5, D3DFMT_R5G6B5, false},
      {D3DFMT_R5G6B5, D3DFMT_R5G6B5, true},
  };
  EXPECT_EQ(order, expected);

  const Td3dDeviceCombo* combo = FindCombo(device, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, false);
  ASSERT_NE(combo, nullptr);
  // D16 first; D15S1 and D24X4S4 are not offered by the device.
  EXPECT_EQ(combo->DepthStencilFormats,
            Formats({D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D32}));
  EXPECT_EQ(combo->MultiSampleTypes,
            (TMultiSampleTypeList{D3DMULTISAMPLE_NONE, D3DMULTISAMPLE_4_SAMPLES}));
  EXPECT_EQ(combo->MultiSampleQualities, (TMultiSampleQualityList{1, 1}));
  EXPECT_TRUE(combo->DSMSConflicts.empty());
  EXPECT_EQ(combo->VertexProcessingTypes,
            (TVertexProcessingTypeList{PURE_HARDWARE_VP, HARDWARE_VP, MIXED_VP, SOFTWARE_VP}));
  // The caps offer IMMEDIATE, ONE and TWO; DEFAULT is always there.
  EXPECT_EQ(combo->PresentIntervals,
            (TPresentIntervalList{D3DPRESENT_INTERVAL_IMMEDIATE, D3DPRESENT_INTERVAL_DEFAULT,
                                  D3DPRESENT_INTERVAL_ONE, D3DPRESENT_INTERVAL_TWO}));
  const Td3dDeviceCombo* windowed = FindCombo(device, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, true);
  ASSERT_NE(windowed, nullptr);
  // A window never waits for more than one retrace.
  EXPECT_EQ(windowed->PresentIntervals,
            (TPresentIntervalList{D3DPRESENT_INTERVAL_IMMEDIATE, D3DPRESENT_INTERVAL_DEFAULT,
                                  D3DPRESENT_INTERVAL_ONE}));
}

TEST(Enumeration, WindowedCombinationsNeverOfferTwoThreeOrFour) {
  FakeMachine machine = FakeMachine::Typical();
  machine.Adapters[0].Devices[0].Caps.PresentationIntervals = 0x8000000F;
  auto d3d = MakeRef<FakeDirect3D9>(machine);
  TD3DEnumeration enumeration = SaverEnumeration(d3d);
  ASSERT_EQ(enumeration.Enumerate(), S_OK);
  for (const Td3dDeviceCombo& combo : enumeration.AdapterInfos[0].DeviceInfos[0].DeviceCombos) {
    const TPresentIntervalList expected = combo.Windowed
                                              ? TPresentIntervalList{0x80000000, 0, 1}
                                              : TPresentIntervalList{0x80000000, 0, 1, 2, 4, 8};
    EXPECT_EQ(combo.PresentIntervals, expected) << (combo.Windowed ? "windowed" : "full screen");
  }
}

TEST(Enumeration, DepthBufferRulesAndConflicts) {
  FakeMachine machine = FakeMachine::Typical();
  FakeDeviceDesc& device = machine.Adapters[0].Devices[0];
  device.DepthStencilFormats = {D3DFMT_D15S1, D3DFMT_D16, D3DFMT_D24S8};
  device.DepthStencilMismatches = {{D3DFMT_A8R8G8B8, D3DFMT_D16}};
  device.DepthStencilMultiSampleConflicts = {{D3DFMT_D24S8, D3DMULTISAMPLE_4_SAMPLES}};
  auto d3d = MakeRef<FakeDirect3D9>(machine);

  TD3DEnumeration enumeration = SaverEnumeration(d3d);
  enumeration.AppMinStencilBits = 1;
  ASSERT_EQ(enumeration.Enumerate(), S_OK);
  const Td3dDeviceInfo& info = enumeration.AdapterInfos.at(0).DeviceInfos.at(0);
  const Td3dDeviceCombo* combo = FindCombo(info, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, false);
  ASSERT_NE(combo, nullptr);
  // D16 has no stencil bit; candidate order puts D15S1 before D24S8.
  EXPECT_EQ(combo->DepthStencilFormats, Formats({D3DFMT_D15S1, D3DFMT_D24S8}));
  EXPECT_EQ(combo->DSMSConflicts, (TDSMSConflictList{{D3DFMT_D24S8, D3DMULTISAMPLE_4_SAMPLES}}));

  enumeration.AppMinStencilBits = 0;
  enumeration.AppMinDepthBits = 16;
  ASSERT_EQ(enumeration.Enumerate(), S_OK);
  const Td3dDeviceInfo& again = enumeration.AdapterInfos.at(0).DeviceInfos.at(0);
  // D16 does not match an A8R8G8B8 back buffer here; D15S1 has too few depth bits.
  const Td3dDeviceCombo* alpha = FindCombo(again, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, false);
  ASSERT_NE(alpha, nullptr);
  EXPECT_EQ(alpha->DepthStencilFormats, Formats({D3DFMT_D24S8}));

  // Without a depth buffer nothing is asked about depth, and nothing is dropped for it.
  device.DepthStencilFormats.clear();
  TD3DEnumeration noDepth;
  noDepth.SetD3D(MakeRef<FakeDirect3D9>(machine));
  ASSERT_EQ(noDepth.Enumerate(), S_OK);
  const Td3dDeviceInfo& plain = noDepth.AdapterInfos.at(0).DeviceInfos.at(0);
  EXPECT_EQ(plain.DeviceCombos.size(), 9u);
  for (const Td3dDeviceCombo& c : plain.DeviceCombos) {
    EXPECT_TRUE(c.DepthStencilFormats.empty());
    EXPECT_TRUE(c.DSMSConflicts.empty());
  }
  // With one, a device without depth formats has no combination and the adapter drops out.
  TD3DEnumeration needsDepth = SaverEnumeration(MakeRef<FakeDirect3D9>(machine));
  ASSERT_EQ(needsDepth.Enumerate(), S_OK);
  EXPECT_TRUE(needsDepth.AdapterInfos.empty());
}

TEST(Enumeration, RequiredWindowedOrFullscreenUse) {
  auto d3d = MakeRef<FakeDirect3D9>(FakeMachine::Typical());
  TD3DEnumeration windowedOnly = SaverEnumeration(d3d);
  windowedOnly.AppRequiresWindowed = true;
  ASSERT_EQ(windowedOnly.Enumerate(), S_OK);
  for (const Td3dDeviceCombo& combo : windowedOnly.AdapterInfos[0].DeviceInfos[0].DeviceCombos) {
    EXPECT_TRUE(combo.Windowed);
  }
  TD3DEnumeration fullscreenOnly = SaverEnumeration(d3d);
  fullscreenOnly.AppRequiresFullscreen = true;
  ASSERT_EQ(fullscreenOnly.Enumerate(), S_OK);
  for (const Td3dDeviceCombo& combo : fullscreenOnly.AdapterInfos[0].DeviceInfos[0].DeviceCombos) {
    EXPECT_FALSE(combo.Windowed);
  }
}

TEST(Enumeration, AlphaMinimumSkipsBackBuffersWithoutAlpha) {
  auto d3d = MakeRef<FakeDirect3D9>(FakeMachine::Typical());
  TD3DEnumeration enumeration = SaverEnumeration(d3d);
  enumeration.AppMinAlphaChannelBits = 8;
  ASSERT_EQ(enumeration.Enumerate(), S_OK);
  for (const Td3dDeviceCombo& combo : enumeration.AdapterInfos[0].DeviceInfos[0].DeviceCombos) {
    EXPECT_EQ(combo.BackBufferFormat, D3DFMT_A8R8G8B8);
  }
}

TEST(Enumeration, VertexProcessingFollowsCapsAndCallback) {
  FakeMachine machine = FakeMachine::Typical();
  machine.Adapters[0].Devices.push_back(FakeMachine::SoftwareDevice(D3DDEVTYPE_REF));
  machine.Adapters[0].Devices[0].Caps.DevCaps &= ~D3DDEVCAPS_PUREDEVICE;
  auto d3d = MakeRef<FakeDirect3D9>(machine);

  struct Seen {
    TVertexProcessingType Type;
    D3DFORMAT AdapterFormat;
    D3DFORMAT BackBufferFormat;
    D3DDEVTYPE Device;
  };
  std::vector<Seen> seen;
  TD3DEnumeration enumeration = SaverEnumeration(d3d);
  enumeration.ConfirmDeviceCallback = [&](const D3DCAPS9& Caps, TVertexProcessingType Type,
                                          D3DFORMAT Adapter, D3DFORMAT BackBuffer) {
    seen.push_back({Type, Adapter, BackBuffer, Caps.DeviceType});
    return Type != HARDWARE_VP;  // refuse plain hardware processing
  };
  ASSERT_EQ(enumeration.Enumerate(), S_OK);
  const auto& devices = enumeration.AdapterInfos.at(0).DeviceInfos;
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].DeviceCombos[0].VertexProcessingTypes,
            (TVertexProcessingTypeList{MIXED_VP, SOFTWARE_VP}));
  // Without hardware transform and lighting only software processing is offered or asked.
  EXPECT_EQ(devices[1].DeviceType, D3DDEVTYPE_REF);
  EXPECT_EQ(devices[1].DeviceCombos[0].VertexProcessingTypes,
            (TVertexProcessingTypeList{SOFTWARE_VP}));
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen[0].Type, HARDWARE_VP);
  EXPECT_EQ(seen[0].AdapterFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(seen[0].BackBufferFormat, D3DFMT_A8R8G8B8);
  EXPECT_EQ(seen[0].Device, D3DDEVTYPE_HAL);
  EXPECT_EQ(seen[1].Type, MIXED_VP);
  EXPECT_EQ(seen[2].Type, SOFTWARE_VP);
  EXPECT_TRUE(std::none_of(seen.begin(), seen.end(), [](const Seen& s) {
    return s.Device == D3DDEVTYPE_REF && s.Type != SOFTWARE_VP;
  }));

  // A callback that refuses everything leaves no device and so no adapter.
  TD3DEnumeration refused = SaverEnumeration(d3d);
  refused.ConfirmDeviceCallback = [](const D3DCAPS9&, TVertexProcessingType, D3DFORMAT, D3DFORMAT) {
    return false;
  };
  ASSERT_EQ(refused.Enumerate(), S_OK);
  EXPECT_TRUE(refused.AdapterInfos.empty());
}

TEST(Enumeration, DeviceTypesWalkInHalSwRefOrderAndSkipUnreadableCaps) {
  FakeMachine machine = FakeMachine::Typical();
  machine.Adapters[0].Devices.push_back(FakeMachine::SoftwareDevice(D3DDEVTYPE_REF));
  machine.Adapters[0].Devices.push_back(FakeMachine::SoftwareDevice(D3DDEVTYPE_SW));
  auto d3d = MakeRef<FakeDirect3D9>(machine);
  TD3DEnumeration enumeration = SaverEnumeration(d3d);
  ASSERT_EQ(enumeration.Enumerate(), S_OK);
  const auto& devices = enumeration.AdapterInfos.at(0).DeviceInfos;
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(devices[0].DeviceType, D3DDEVTYPE_HAL);
  EXPECT_EQ(devices[1].DeviceType, D3DDEVTYPE_SW);
  EXPECT_EQ(devices[2].DeviceType, D3DDEVTYPE_REF);

  // The HAL's caps cannot be read: it is left out, the others stay.
  d3d->Recorder().FailCall("GetDeviceCaps", D3DERR_NOTAVAILABLE, 1);
  ASSERT_EQ(enumeration.Enumerate(), S_OK);
  ASSERT_EQ(enumeration.AdapterInfos.at(0).DeviceInfos.size(), 2u);
  EXPECT_EQ(enumeration.AdapterInfos[0].DeviceInfos[0].DeviceType, D3DDEVTYPE_SW);
}

TEST(Enumeration, TwoAdaptersEnumerateIndependently) {
  FakeMachine machine = FakeMachine::Typical();
  FakeAdapterDesc second;
  second.Description = "Second adapter";
  second.DesktopMode = {1280, 1024, 75, D3DFMT_R5G6B5};
  second.Modes = {{1280, 1024, 75, D3DFMT_R5G6B5}};
  second.Devices.push_back(FakeMachine::SoftwareDevice(D3DDEVTYPE_REF));
  machine.Adapters.push_back(second);
  auto d3d = MakeRef<FakeDirect3D9>(machine);
  TD3DEnumeration enumeration = SaverEnumeration(d3d);
  ASSERT_EQ(enumeration.Enumerate(), S_OK);
  ASSERT_EQ(enumeration.AdapterInfos.size(), 2u);
  const Td3dAdapterInfo& adapter = enumeration.AdapterInfos[1];
  EXPECT_EQ(adapter.AdapterOrdinal, 1u);
  EXPECT_STREQ(adapter.AdapterIdentifier.Description, "Second adapter");
  EXPECT_EQ(adapter.DisplayModes, (TDisplayModeList{{1280, 1024, 75, D3DFMT_R5G6B5}}));
  ASSERT_EQ(adapter.DeviceInfos.size(), 1u);
  EXPECT_EQ(adapter.DeviceInfos[0].DeviceType, D3DDEVTYPE_REF);
  for (const Td3dDeviceCombo& combo : adapter.DeviceInfos[0].DeviceCombos) {
    EXPECT_EQ(combo.AdapterOrdinal, 1u);
    EXPECT_EQ(combo.AdapterFormat, D3DFMT_R5G6B5);
  }
  EXPECT_EQ(enumeration.AdapterInfos[0].DisplayModes.size(), 16u);
}

TEST(Enumeration, AdapterWithoutQualifyingModesIsLeftOut) {
  FakeMachine machine = FakeMachine::Typical();
  machine.Adapters[0].Modes = {{320, 240, 60, D3DFMT_X8R8G8B8}};
  auto d3d = MakeRef<FakeDirect3D9>(machine);
  TD3DEnumeration enumeration = SaverEnumeration(d3d);
  ASSERT_EQ(enumeration.Enumerate(), S_OK);
  EXPECT_TRUE(enumeration.AdapterInfos.empty());
}

TEST(Enumeration, RejectedFormatDropsItsCombinations) {
  auto d3d = MakeRef<FakeDirect3D9>(FakeMachine::Typical());
  d3d->Recorder().RejectFormat(D3DFMT_A8R8G8B8);
  TD3DEnumeration enumeration = SaverEnumeration(d3d);
  ASSERT_EQ(enumeration.Enumerate(), S_OK);
  for (const Td3dDeviceCombo& combo : enumeration.AdapterInfos[0].DeviceInfos[0].DeviceCombos) {
    EXPECT_NE(combo.BackBufferFormat, D3DFMT_A8R8G8B8);
  }
}

TEST(Enumeration, RunningAgainReplacesTheResultAndCopiesStayValid) {
  auto d3d = MakeRef<FakeDirect3D9>(FakeMachine::Typical());
  TD3DEnumeration enumeration = SaverEnumeration(d3d);
  ASSERT_EQ(enumeration.Enumerate(), S_OK);
  const Td3dAdapterInfo copy = enumeration.AdapterInfos[0];
  d3d->Machine().Adapters[0].Modes.resize(2);
  ASSERT_EQ(enumeration.Enumerate(), S_OK);
  ASSERT_EQ(enumeration.AdapterInfos.size(), 1u);
  EXPECT_EQ(enumeration.AdapterInfos[0].DisplayModes.size(), 2u);
  EXPECT_EQ(copy.DisplayModes.size(), 16u);
}

}  // namespace
