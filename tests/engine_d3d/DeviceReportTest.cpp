#include <gtest/gtest.h>

#include <sstream>

#include "engine/d3d/DeviceReport.h"
#include "platform/render/fake/FakeDirect3D9.h"

namespace {

TEST(DeviceReport, NamesAdaptersModesDevicesAndCombinations) {
  FakeMachine machine = FakeMachine::Typical();
  machine.Adapters[0].Devices.push_back(FakeMachine::SoftwareDevice(D3DDEVTYPE_REF));
  std::ostringstream out;
  EXPECT_EQ(PrintDeviceReport(MakeRef<FakeDirect3D9>(machine), out), S_OK);
  const std::string text = out.str();
  for (const char* expected : {
           "Adapter 0: Fake display adapter",
           "Desktop mode: 1024x768, 60 Hz, X8R8G8B8",
           "Display modes (16):",
           "    640x480, 60 Hz, X8R8G8B8",
           "Device HAL (hardware), 9 combinations:",
           "Device REF (reference rasterizer)",
           "hardware transform and lighting: yes, textures up to 4096x4096, 8 lights",
           "full screen  adapter X8R8G8B8, back buffer A8R8G8B8",
           "depth/stencil: D16, D24X8, D24S8, D32",
           "multisample: none, 4x",
           "vertex processing: pure hardware, hardware, mixed, software",
           "present intervals: immediate, default, one, two",
           "windowed: adapter 0, HAL, 1024x768, 60 Hz, X8R8G8B8, back buffer X8R8G8B8, depth D16",
           "full screen: adapter 0, HAL, 1024x768, 60 Hz, X8R8G8B8",
       }) {
    EXPECT_NE(text.find(expected), std::string::npos) << "missing: " << expected << "\n" << text;
  }
}

// The saver's frame budget follows the device it would choose: a hardware one when there is
// one, else the software rasterizer's cap and smaller scene.
TEST(DeviceReport, TellsTheFrameBudgetOfTheChosenDevice) {
  FakeMachine both = FakeMachine::Typical();
  both.Adapters[0].Devices.push_back(FakeMachine::SoftwareDevice(D3DDEVTYPE_REF));
  std::ostringstream hardware;
  EXPECT_EQ(PrintDeviceReport(MakeRef<FakeDirect3D9>(both), hardware), S_OK);
  EXPECT_NE(hardware.str().find("Frame budget of the saver: hardware renderer: frames at the "
                                "display's refresh rate, the scene drawn at the window's size\n"),
            std::string::npos)
      << hardware.str();

  FakeMachine software = FakeMachine::Typical();
  software.Adapters[0].Devices = {FakeMachine::SoftwareDevice(D3DDEVTYPE_REF)};
  std::ostringstream out;
  EXPECT_EQ(PrintDeviceReport(MakeRef<FakeDirect3D9>(software), out), S_OK);
  EXPECT_NE(out.str().find("Frame budget of the saver: software renderer: at most 30 frames a "
                           "second, the scene drawn at most 1280x720"),
            std::string::npos)
      << out.str();
}

TEST(DeviceReport, SaysWhenNothingIsUsable) {
  FakeMachine machine = FakeMachine::Typical();
  machine.Adapters[0].Modes = {{320, 200, 60, D3DFMT_X8R8G8B8}};
  std::ostringstream out;
  EXPECT_EQ(PrintDeviceReport(MakeRef<FakeDirect3D9>(machine), out), S_OK);
  EXPECT_NE(out.str().find("No usable display mode or device"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("No compatible device was found"), std::string::npos) << out.str();

  std::ostringstream none;
  EXPECT_EQ(PrintDeviceReport(nullptr, none), E_FAIL);
  EXPECT_EQ(none.str(), "No render platform is available.\n");
}

}  // namespace
