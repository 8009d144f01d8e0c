#include <gtest/gtest.h>

#include "engine/TW9DirectX.h"
#include "platform/render/fake/FakeDirect3D9.h"

namespace {

class TestableFramework : public TW9DirectX {
 public:
  using TW9DirectX::hDeviceWindow;
  using TW9DirectX::OutputClient;
};

// A framework as the saver sets it up: depth buffer wanted, enumeration run, window 800 x 600.
class ConfigurationChoice : public ::testing::Test {
 protected:
  void Start(const FakeMachine& Machine) {
    D3D = MakeRef<FakeDirect3D9>(Machine);
    Framework.SetD3D(D3D);
    Framework.OutputClient = {0, 0, 800, 600};
    Framework.hDeviceWindow = FakeHandle<HWND>(0x1234);
    TD3DEnumeration& enumeration = Framework.d3dEnumeration();
    enumeration.AppUsesDepthBuffer = true;
    enumeration.SetD3D(D3D);
    enumeration.ConfirmDeviceCallback = [this](const D3DCAPS9& Caps, TVertexProcessingType Type,
                                               D3DFORMAT Adapter, D3DFORMAT BackBuffer) {
      return Framework.ConfirmDeviceFilter(Caps, Type, Adapter, BackBuffer);
    };
    ASSERT_EQ(enumeration.Enumerate(), S_OK);
  }
  const TD3DSettings& Settings() { return Framework.d3dSettings(); }

  Ref<FakeDirect3D9> D3D;
  TestableFramework Framework;
};

FakeAdapterDesc Adapter(const char* Description, D3DFORMAT DesktopFormat,
                        std::vector<FakeDeviceDesc> Devices) {
  FakeAdapterDesc adapter;
  adapter.Description = Description;
  adapter.DesktopMode = {1024, 768, 60, DesktopFormat};
  adapter.Modes = {{1024, 768, 60, D3DFMT_X8R8G8B8}, {1024, 768, 60, D3DFMT_R5G6B5}};
  adapter.Devices = std::move(Devices);
  return adapter;
}

FakeDeviceDesc Hal() {
  return FakeMachine::Typical().Adapters[0].Devices[0];
}

TEST_F(ConfigurationChoice, TypicalMachineChoosesHalInTheDesktopFormat) {
  Start(FakeMachine::Typical());
  ASSERT_EQ(Framework.ChooseInitialSettings(), S_OK);
  EXPECT_TRUE(Settings().Windowed);

  const TD3DWindowedConfig& windowed = Settings().WindowedConfig;
  EXPECT_EQ(windowed.DeviceCombo.DeviceType, D3DDEVTYPE_HAL);
  EXPECT_TRUE(windowed.DeviceCombo.Windowed);
  EXPECT_EQ(windowed.DeviceCombo.AdapterFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(windowed.DeviceCombo.BackBufferFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(windowed.DisplayMode, (D3DDISPLAYMODE{1024, 768, 60, D3DFMT_X8R8G8B8}));
  EXPECT_EQ(windowed.WindowWidth, 800);
  EXPECT_EQ(windowed.WindowHeight, 600);
  EXPECT_EQ(windowed.DepthStencilFormat, D3DFMT_D16);
  EXPECT_EQ(windowed.MultiSampleType, D3DMULTISAMPLE_NONE);
  EXPECT_EQ(windowed.VertexProcessingType, PURE_HARDWARE_VP);
  EXPECT_EQ(windowed.PresentInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
  EXPECT_STREQ(windowed.AdapterInfo.AdapterIdentifier.Description, "Fake display adapter");

  const TD3DConfig& fullscreen = Settings().FullscreenConfig;
  EXPECT_FALSE(fullscreen.DeviceCombo.Windowed);
  EXPECT_EQ(fullscreen.DeviceCombo.AdapterFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(fullscreen.DeviceCombo.BackBufferFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(fullscreen.DisplayMode, (D3DDISPLAYMODE{1024, 768, 60, D3DFMT_X8R8G8B8}));
  EXPECT_EQ(fullscreen.PresentInterval, D3DPRESENT_INTERVAL_DEFAULT);
}

TEST_F(ConfigurationChoice, StartFullscreenAndFullscreenOnlyClearTheWindowedFlag) {
  Start(FakeMachine::Typical());
  Framework.StartFullscreen = true;
  ASSERT_EQ(Framework.ChooseInitialSettings(), S_OK);
  EXPECT_FALSE(Settings().Windowed);
  EXPECT_EQ(Settings().DeviceCombo().Windowed, false);

  FakeMachine machine = FakeMachine::Typical();
  machine.Adapters[0].Devices[0].CanRenderWindowed = false;
  Start(machine);
  Framework.StartFullscreen = false;
  ASSERT_EQ(Framework.ChooseInitialSettings(), S_OK);
  EXPECT_FALSE(Settings().Windowed);
}

TEST_F(ConfigurationChoice, NoConfigurationFailsWithNoCompatibleDevices) {
  FakeMachine machine = FakeMachine::Typical();
  // The saver needs a depth buffer and the only device offers none.
  machine.Adapters[0].Devices[0].DepthStencilFormats.clear();
  Start(machine);
  EXPECT_TRUE(Framework.d3dEnumeration().AdapterInfos.empty());
  EXPECT_EQ(Framework.ChooseInitialSettings(), static_cast<HRESULT>(0x82000003u));
  EXPECT_EQ(Framework.ChooseInitialSettings(), D3DAPPERR_NOCOMPATIBLEDEVICES);
}

TEST_F(ConfigurationChoice, WindowedReferenceFoundFirstGivesWayToLaterHal) {
  FakeMachine machine;
  machine.Adapters.push_back(
      Adapter("reference only", D3DFMT_X8R8G8B8, {FakeMachine::SoftwareDevice(D3DDEVTYPE_REF)}));
  machine.Adapters.push_back(Adapter("hardware", D3DFMT_X8R8G8B8, {Hal()}));
  Start(machine);
  ASSERT_TRUE(Framework.FindWindowedConfig(false, false));
  const Td3dDeviceCombo& combo = Settings().WindowedConfig.DeviceCombo;
  EXPECT_EQ(combo.DeviceType, D3DDEVTYPE_HAL);
  EXPECT_EQ(combo.AdapterOrdinal, 1u);
  EXPECT_EQ(combo.BackBufferFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(Settings().WindowedConfig.AdapterInfo.AdapterOrdinal, 1u);
  EXPECT_EQ(Settings().WindowedConfig.DeviceInfo.DeviceType, D3DDEVTYPE_HAL);
}

TEST_F(ConfigurationChoice, FirstHalMatchingItsAdapterFormatEndsTheWindowedSearch) {
  FakeMachine machine;
  FakeDeviceDesc first = Hal();
  first.MultiSampleTypes = {{D3DMULTISAMPLE_NONE, 1}};
  machine.Adapters.push_back(Adapter("first", D3DFMT_X8R8G8B8, {first}));
  FakeDeviceDesc second = Hal();
  second.DepthStencilFormats = {D3DFMT_D24S8};
  machine.Adapters.push_back(Adapter("second", D3DFMT_X8R8G8B8, {second}));
  Start(machine);
  ASSERT_TRUE(Framework.FindWindowedConfig(false, false));
  const TD3DWindowedConfig& config = Settings().WindowedConfig;
  // The A8R8G8B8 combination came first but is only a stand-in; X8R8G8B8 on X8R8G8B8 on the
  // first adapter ends the search although the second adapter has one as good.
  EXPECT_EQ(config.DeviceCombo.AdapterOrdinal, 0u);
  EXPECT_EQ(config.DeviceCombo.BackBufferFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(config.DepthStencilFormat, D3DFMT_D16);
}

TEST_F(ConfigurationChoice, WindowedSearchKeepsToTheDesktopFormatAndRequiredType) {
  FakeMachine machine = FakeMachine::Typical();
  machine.Adapters[0].Devices.push_back(FakeMachine::SoftwareDevice(D3DDEVTYPE_REF));
  machine.Adapters[0].DesktopMode.Format = D3DFMT_R5G6B5;
  Start(machine);
  ASSERT_TRUE(Framework.FindWindowedConfig(false, false));
  EXPECT_EQ(Settings().WindowedConfig.DeviceCombo.AdapterFormat, D3DFMT_R5G6B5);
  EXPECT_EQ(Settings().WindowedConfig.DeviceCombo.BackBufferFormat, D3DFMT_R5G6B5);
  EXPECT_EQ(Settings().WindowedConfig.DisplayMode.Format, D3DFMT_R5G6B5);

  ASSERT_TRUE(Framework.FindWindowedConfig(false, true));
  EXPECT_EQ(Settings().WindowedConfig.DeviceCombo.DeviceType, D3DDEVTYPE_REF);
  EXPECT_EQ(Settings().WindowedConfig.VertexProcessingType, SOFTWARE_VP);

  ASSERT_TRUE(Framework.FindWindowedConfig(true, false));
  EXPECT_EQ(Settings().WindowedConfig.DeviceCombo.DeviceType, D3DDEVTYPE_HAL);

  // A desktop in a format no device renders windowed to: nothing.
  D3D->Machine().Adapters[0].DesktopMode.Format = D3DFMT_A2R10G10B10;
  EXPECT_FALSE(Framework.FindWindowedConfig(false, false));
  EXPECT_FALSE(Framework.FindWindowedConfig(true, true));
}

TEST_F(ConfigurationChoice, FullscreenPrefersHalInTheDesktopFormat) {
  FakeMachine machine;
  machine.Adapters.push_back(
      Adapter("reference", D3DFMT_X8R8G8B8, {FakeMachine::SoftwareDevice(D3DDEVTYPE_REF)}));
  FakeDeviceDesc hal = Hal();
  hal.BackBufferFormats = {D3DFMT_A8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X8R8G8B8};
  machine.Adapters.push_back(Adapter("hardware", D3DFMT_X8R8G8B8, {hal}));
  Start(machine);
  ASSERT_TRUE(Framework.FindFullscreenConfig(false, false));
  const TD3DConfig& config = Settings().FullscreenConfig;
  EXPECT_FALSE(Settings().Windowed);
  EXPECT_EQ(config.DeviceCombo.DeviceType, D3DDEVTYPE_HAL);
  EXPECT_EQ(config.DeviceCombo.AdapterOrdinal, 1u);
  EXPECT_EQ(config.DeviceCombo.AdapterFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(config.DeviceCombo.BackBufferFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(config.PresentInterval, D3DPRESENT_INTERVAL_DEFAULT);
  EXPECT_EQ(config.MultiSampleQuality, 0u);

  ASSERT_TRUE(Framework.FindFullscreenConfig(false, true));
  EXPECT_EQ(Settings().FullscreenConfig.DeviceCombo.DeviceType, D3DDEVTYPE_REF);
}

TEST_F(ConfigurationChoice, FullscreenHalInAnotherFormatGivesWayToTheDesktopFormat) {
  FakeMachine machine = FakeMachine::Typical();
  machine.Adapters[0].DesktopMode.Format = D3DFMT_R5G6B5;
  // Only A8R8G8B8 and R5G6B5 back buffers: the first HAL full-screen combination is
  // X8R8G8B8 / A8R8G8B8, then R5G6B5 / R5G6B5 matches the desktop.
  machine.Adapters[0].Devices[0].BackBufferFormats = {D3DFMT_A8R8G8B8, D3DFMT_R5G6B5};
  Start(machine);
  ASSERT_TRUE(Framework.FindFullscreenConfig(false, false));
  EXPECT_EQ(Settings().FullscreenConfig.DeviceCombo.AdapterFormat, D3DFMT_R5G6B5);
  EXPECT_EQ(Settings().FullscreenConfig.DisplayMode.Format, D3DFMT_R5G6B5);
}

TEST_F(ConfigurationChoice, FullscreenSearchEndsAtTheFirstHalInTheDesktopFormats) {
  // Each adapter is compared with its own desktop: the reference device on adapter 0 gives
  // way to the HAL on adapter 1, whose desktop format matches adapter and back buffer, and
  // that ends the search although adapter 2 is as good.
  FakeMachine machine;
  machine.Adapters.push_back(
      Adapter("reference", D3DFMT_X8R8G8B8, {FakeMachine::SoftwareDevice(D3DDEVTYPE_REF)}));
  FakeAdapterDesc hardware = Adapter("hardware", D3DFMT_X8R8G8B8, {Hal()});
  hardware.DesktopMode = {1280, 1024, 75, D3DFMT_X8R8G8B8};
  hardware.Modes = {{1024, 768, 60, D3DFMT_X8R8G8B8},
                    {1280, 1024, 60, D3DFMT_X8R8G8B8},
                    {1280, 1024, 75, D3DFMT_X8R8G8B8}};
  machine.Adapters.push_back(hardware);
  machine.Adapters.push_back(Adapter("second hardware", D3DFMT_X8R8G8B8, {Hal()}));
  Start(machine);
  ASSERT_TRUE(Framework.FindFullscreenConfig(false, false));
  const TD3DConfig& config = Settings().FullscreenConfig;
  EXPECT_EQ(config.DeviceCombo.AdapterOrdinal, 1u);
  EXPECT_EQ(config.DeviceCombo.DeviceType, D3DDEVTYPE_HAL);
  EXPECT_EQ(config.DeviceCombo.BackBufferFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(config.AdapterInfo.AdapterOrdinal, 1u);
  // The mode comes from the chosen adapter's desktop, not from adapter 0's.
  EXPECT_EQ(config.DisplayMode, (D3DDISPLAYMODE{1280, 1024, 75, D3DFMT_X8R8G8B8}));

  // Only the reference device when a HAL is required on a machine without one.
  FakeMachine reference;
  reference.Adapters.push_back(
      Adapter("reference", D3DFMT_X8R8G8B8, {FakeMachine::SoftwareDevice(D3DDEVTYPE_REF)}));
  Start(reference);
  EXPECT_FALSE(Framework.FindFullscreenConfig(true, false));
  EXPECT_TRUE(Framework.FindFullscreenConfig(false, true));
}

struct ModeCase {
  const char* Name;
  std::vector<D3DDISPLAYMODE> Modes;
  D3DDISPLAYMODE Expected;
};

class FullscreenDisplayMode : public ConfigurationChoice,
                              public ::testing::WithParamInterface<ModeCase> {};

TEST_P(FullscreenDisplayMode, ChoosesFromTheDesktopMode) {
  FakeMachine machine = FakeMachine::Typical();
  machine.Adapters[0].DesktopMode = {1024, 768, 75, D3DFMT_X8R8G8B8};
  machine.Adapters[0].Modes = GetParam().Modes;
  Start(machine);
  ASSERT_TRUE(Framework.FindFullscreenConfig(false, false));
  EXPECT_EQ(Settings().FullscreenConfig.DisplayMode, GetParam().Expected);
}

constexpr D3DFORMAT X8 = D3DFMT_X8R8G8B8;
constexpr D3DFORMAT R5 = D3DFMT_R5G6B5;

INSTANTIATE_TEST_SUITE_P(
    At75Hz, FullscreenDisplayMode,
    ::testing::Values(ModeCase{"SameRefreshWins",
                               {{1024, 768, 60, X8}, {1024, 768, 75, X8}, {1280, 1024, 60, X8}},
                               {1024, 768, 75, X8}},
                      ModeCase{"LaterOfTheSameWidth",
                               {{800, 600, 60, X8}, {1024, 768, 60, X8}, {1024, 768, 85, X8}},
                               {1024, 768, 85, X8}},
                      ModeCase{"FirstOfTheFormatWithoutTheWidth",
                               {{640, 480, 60, R5}, {800, 600, 60, X8}, {1280, 1024, 60, X8}},
                               {800, 600, 60, X8}},
                      ModeCase{"OtherFormatsDoNotCount",
                               {{1024, 768, 75, R5}, {1024, 768, 60, X8}},
                               {1024, 768, 60, X8}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ConfigurationChoice, DepthFormatIsOnlyChosenWithADepthBuffer) {
  Start(FakeMachine::Typical());
  Framework.d3dEnumeration().AppUsesDepthBuffer = false;
  ASSERT_TRUE(Framework.FindWindowedConfig(false, false));
  ASSERT_TRUE(Framework.FindFullscreenConfig(false, false));
  EXPECT_EQ(Settings().WindowedConfig.DepthStencilFormat, D3DFMT_UNKNOWN);
  EXPECT_EQ(Settings().FullscreenConfig.DepthStencilFormat, D3DFMT_UNKNOWN);
}

TEST_F(ConfigurationChoice, ConfirmDeviceFilterPassesCreationFlags) {
  Start(FakeMachine::Typical());
  std::vector<DWORD> behaviors;
  Framework.OnConfirmDevice = [&](const D3DCAPS9&, DWORD Behavior, D3DFORMAT, D3DFORMAT) {
    behaviors.push_back(Behavior);
    return Behavior == 0x40 ? E_FAIL : S_OK;
  };
  const D3DCAPS9 caps{};
  EXPECT_TRUE(Framework.ConfirmDeviceFilter(caps, SOFTWARE_VP, X8, X8));
  EXPECT_TRUE(Framework.ConfirmDeviceFilter(caps, MIXED_VP, X8, X8));
  EXPECT_FALSE(Framework.ConfirmDeviceFilter(caps, HARDWARE_VP, X8, X8));
  EXPECT_TRUE(Framework.ConfirmDeviceFilter(caps, PURE_HARDWARE_VP, X8, X8));
  EXPECT_TRUE(Framework.ConfirmDeviceFilter(caps, static_cast<TVertexProcessingType>(7), X8, X8));
  EXPECT_EQ(behaviors, (std::vector<DWORD>{0x20, 0x80, 0x40, 0x50, 0}));

  // Through the enumeration: hardware processing refused, so pure hardware leads, then mixed.
  ASSERT_EQ(Framework.d3dEnumeration().Enumerate(), S_OK);
  EXPECT_EQ(Framework.d3dEnumeration()
                .AdapterInfos[0]
                .DeviceInfos[0]
                .DeviceCombos[0]
                .VertexProcessingTypes,
            (TVertexProcessingTypeList{PURE_HARDWARE_VP, MIXED_VP, SOFTWARE_VP}));

  Framework.OnConfirmDevice = nullptr;
  EXPECT_TRUE(Framework.ConfirmDeviceFilter(caps, HARDWARE_VP, X8, X8));
}

TEST_F(ConfigurationChoice, PresentParamsForWindowAndFullScreen) {
  Start(FakeMachine::Typical());
  ASSERT_EQ(Framework.ChooseInitialSettings(), S_OK);

  Framework.d3dSettings().Windowed = true;
  Framework.BuildPresentParams();
  const D3DPRESENT_PARAMETERS& pp = Framework.PresentParams();
  EXPECT_EQ(pp.BackBufferWidth, 800u);
  EXPECT_EQ(pp.BackBufferHeight, 600u);
  EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(pp.BackBufferCount, 1u);
  EXPECT_EQ(pp.MultiSampleType, D3DMULTISAMPLE_NONE);
  EXPECT_EQ(pp.SwapEffect, D3DSWAPEFFECT_DISCARD);
  EXPECT_EQ(pp.hDeviceWindow, FakeHandle<HWND>(0x1234));
  EXPECT_EQ(pp.Windowed, TRUE);
  EXPECT_EQ(pp.EnableAutoDepthStencil, TRUE);
  EXPECT_EQ(pp.AutoDepthStencilFormat, D3DFMT_D16);
  EXPECT_EQ(pp.Flags, D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL);
  EXPECT_EQ(pp.FullScreen_RefreshRateInHz, 0u);
  EXPECT_EQ(pp.PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);

  Framework.d3dSettings().Windowed = false;
  Framework.d3dSettings().FullscreenConfig.DisplayMode = {1280, 1024, 75, D3DFMT_X8R8G8B8};
  Framework.d3dSettings().FullscreenConfig.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
  Framework.d3dSettings().FullscreenConfig.MultiSampleQuality = 0;
  Framework.BuildPresentParams();
  EXPECT_EQ(pp.BackBufferWidth, 1280u);
  EXPECT_EQ(pp.BackBufferHeight, 1024u);
  EXPECT_EQ(pp.Windowed, FALSE);
  EXPECT_EQ(pp.MultiSampleType, D3DMULTISAMPLE_4_SAMPLES);
  EXPECT_EQ(pp.FullScreen_RefreshRateInHz, 75u);
  EXPECT_EQ(pp.PresentationInterval, D3DPRESENT_INTERVAL_DEFAULT);

  // Without a depth buffer: no automatic depth buffer and no discard flag.
  Framework.d3dEnumeration().AppUsesDepthBuffer = false;
  Framework.BuildPresentParams();
  EXPECT_EQ(pp.EnableAutoDepthStencil, FALSE);
  EXPECT_EQ(pp.Flags, 0u);
}

TEST_F(ConfigurationChoice, ChosenParametersCreateADevice) {
  Start(FakeMachine::Typical());
  ASSERT_EQ(Framework.ChooseInitialSettings(), S_OK);
  Framework.BuildPresentParams();
  D3DPRESENT_PARAMETERS Params = Framework.PresentParams();
  Ref<IDirect3DDevice9> device;
  ASSERT_EQ(D3D->CreateDevice(
                Settings().AdapterOrdinal(), Settings().DeviceType(), FakeHandle<HWND>(0x1234),
                D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE, &Params, &device),
            S_OK);
  EXPECT_TRUE(D3D->Recorder().Contains(
      "CreateDevice(0, HAL, 0x00001234, 0x00000050, {800x600 X8R8G8B8 x1, NONE q0, swap 1, "
      "window 0x00001234, windowed, depth D16, flags 2, 0 Hz, interval 0x80000000})"))
      << D3D->Recorder().Text();
}

}  // namespace
