// Mode changes that rebuild the device, starting full screen, presenting into another window,
// the saver's way of stopping from its close request, and the device cursor.
#include <unistd.h>

#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "engine_framework/FrameworkFixture.h"

namespace {

// Adapter 0 renders only in a window; adapter 1 only full screen.
FakeMachine SplitAdapters() {
  FakeMachine Machine = FakeMachine::Typical();
  Machine.Adapters.push_back(Machine.Adapters[0]);
  Machine.Adapters[0].Devices[0].CanRenderFullscreen = false;
  Machine.Adapters[1].Devices[0].CanRenderWindowed = false;
  Machine.Adapters[1].Description = "Second adapter";
  return Machine;
}

TEST_F(FrameworkTest, ToggleToAnotherAdapterRebuildsTheDevice) {
  LoadAndStart(SplitAdapters());
  ASSERT_EQ(0u, DX->d3dSettings().AdapterOrdinal());
  ASSERT_EQ(S_OK, DX->ToggleFullscreen());
  EXPECT_EQ((TJournal{"pool1 invalidate", "pool2 invalidate", "form invalidate", "pool1 delete",
                      "pool2 delete", "form delete", "pool1 init", "pool2 init", "form init",
                      "pool1 restore", "pool2 restore", "form restore", "switched full screen"}),
            Journal);
  EXPECT_EQ(0, Log().Count("Reset"));
  EXPECT_EQ(2, Log().Count("CreateDevice"));
  EXPECT_EQ(1u, D3D->Devices().size());
  EXPECT_EQ(0, Log().CallsTo("CreateDevice")[1].Args.find("1, HAL,"));
  EXPECT_NE(std::string::npos, DX->DeviceStats().find("Second adapter")) << DX->DeviceStats();
  EXPECT_TRUE(DX->Active());

  Journal.clear();
  ASSERT_EQ(S_OK, DX->ToggleFullscreen());
  EXPECT_EQ("switched windowed", Journal.back());
  EXPECT_EQ(0u, DX->d3dSettings().AdapterOrdinal());
  EXPECT_EQ(0, Log().CallsTo("CreateDevice")[2].Args.find("0, HAL,"));
}

TEST_F(FrameworkTest, ToggleThereAndBackWithTheWindowsOwnEvents) {
  // The fake display has the size of the test's screen, so full screen covers it exactly.
  FakeMachine Machine = FakeMachine::Typical();
  Machine.Adapters[0].DesktopMode = {1280, 1024, 60, D3DFMT_X8R8G8B8};
  Machine.Adapters[0].Modes.push_back({1280, 1024, 60, D3DFMT_X8R8G8B8});
  LoadAndStart(Machine);
  RECT Before{};
  GetWindowRect(Window(), &Before);

  int SizeMessages = Seen(WM_SIZE);
  ASSERT_EQ(S_OK, DX->ToggleFullscreen());
  EXPECT_TRUE(QTest::qWaitFor([&] { return Seen(WM_SIZE) > SizeMessages; }));
  RECT Full{};
  GetWindowRect(Window(), &Full);
  EXPECT_EQ(0, Full.left);
  EXPECT_EQ(0, Full.top);
  EXPECT_EQ(1280, Full.right);
  EXPECT_EQ(1024, Full.bottom);
  EXPECT_TRUE(DX->Active());

  SizeMessages = Seen(WM_SIZE);
  ASSERT_EQ(S_OK, DX->ToggleFullscreen());
  EXPECT_TRUE(QTest::qWaitFor([&] { return Seen(WM_SIZE) > SizeMessages; }));
  App().ProcessMessages();
  RECT After{};
  GetWindowRect(Window(), &After);
  EXPECT_EQ(Before.left, After.left);
  EXPECT_EQ(Before.top, After.top);
  EXPECT_EQ(Before.right, After.right);
  EXPECT_EQ(Before.bottom, After.bottom);
  EXPECT_TRUE(DX->Active());
  // The size messages the window sent on its way did not reset the device again.
  EXPECT_EQ(2, Log().Count("Reset"));
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(FrameworkTest, FailedRebuildInAToggleLeavesAWindowWithoutDevice) {
  LoadAndStart(SplitAdapters());
  Log().FailCall("CreateDevice", D3DERR_NOTAVAILABLE);
  EXPECT_EQ(D3DAPPERR_RESETFAILED, DX->ToggleFullscreen());
  EXPECT_TRUE(DX->Windowed());
  EXPECT_FALSE(DX->Device());
  ASSERT_EQ(1u, Boxes.size());
  EXPECT_EQ("Could not reset the Direct3D device.", Boxes[0].Text);
  // Whatever comes next finds no device and neither crashes nor shows more.
  EXPECT_EQ(S_OK, DX->HandleSizeChange());
  SendMessageA(Window(), WM_SIZE, SIZE_MAXIMIZED, 0);
  EXPECT_EQ(E_FAIL, DX->RenderEnvironment());
  DX->Stop();
  EXPECT_EQ(1u, Boxes.size());
  EXPECT_FALSE(DX->Started());
}

TEST_F(FrameworkTest, StartFullscreenCreatesAFullScreenDevice) {
  DX->StartFullscreen = true;
  LoadAndStart();
  EXPECT_FALSE(DX->Windowed());
  EXPECT_EQ(FALSE, Device()->PresentParameters().Windowed);
  EXPECT_EQ(768u, Device()->PresentParameters().BackBufferHeight);
  EXPECT_EQ(60u, Device()->PresentParameters().FullScreen_RefreshRateInHz);
  DX->Stop();
  EXPECT_TRUE(DX->Windowed());
  EXPECT_EQ(
      (TJournal{"pool1 invalidate", "pool2 invalidate", "form invalidate", "pool1 delete",
                "pool2 delete", "form delete", "final cleanup", "switched windowed", "after stop"}),
      Journal);
}

TEST_F(FrameworkTest, OutputControlGetsTheBackBufferSizeAndThePresents) {
  TWindow OutputWindow(WS_OVERLAPPEDWINDOW);
  SetWindowPos(OutputWindow.Handle(), HWND_TOP, 500, 100, 200, 100, SWP_SHOWWINDOW);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&OutputWindow));
  auto* Output = new TWinControl(Form.get());
  Output->SetHandle(OutputWindow.Handle());

  LoadAndStart();
  // Setting the output of a started framework starts it again.
  DX->SetOutputControl(Output);
  EXPECT_EQ(2, Log().Count("CreateDevice"));
  EXPECT_EQ(200u, DX->PresentParams().BackBufferWidth);
  EXPECT_EQ(100u, DX->PresentParams().BackBufferHeight);
  EXPECT_EQ(Window(), Device()->PresentParameters().hDeviceWindow) << "the form stays the device";
  EXPECT_EQ(S_OK, Frame());
  EXPECT_TRUE(Log().Contains("Present(null, null, " +
                             FakeHex(static_cast<DWORD>(OutputWindow.Handle())) + ", null)"))
      << Log().Text();

  // When the control goes away the framework forgets it.
  delete Output;
  EXPECT_EQ(nullptr, DX->OutputControl());
}

TEST_F(FrameworkTest, CloseRequestThatStopsTheFrameworkDuringASizeChange) {
  LoadAndStart();
  StopOnClose = true;
  Log().FailCall("Reset", D3DERR_INVALIDCALL);
  SendMessageA(Window(), WM_ENTERSIZEMOVE, 0, 0);
  PlaceWindow(100, 80, 400, 300);
  SendMessageA(Window(), WM_EXITSIZEMOVE, 0, 0);
  EXPECT_FALSE(DX->Started());
  EXPECT_FALSE(DX->Device());
  EXPECT_EQ(1u, Boxes.size());
  EXPECT_EQ(1, Seen(WM_CLOSE));
  // The window's messages go past the stopped framework.
  SendMessageA(Window(), WM_ENTERSIZEMOVE, 0, 0);
  EXPECT_EQ(2, Seen(WM_ENTERSIZEMOVE));
}

TEST_F(FrameworkTest, FailedFrameWhoseCloseRequestStopsTheFramework) {
  LoadAndStart();
  StopOnClose = true;
  RenderResult = E_FAIL;
  Clock->Advance(0.1);
  App().HandleMessage();
  EXPECT_EQ(1, Seen(WM_CLOSE));
  EXPECT_FALSE(DX->Started());
  EXPECT_FALSE(App().HasOnIdle());
}

class CursorTest : public FrameworkTest {
 protected:
  CursorTest() { DX->ShowCursorWhenWindow = true; }
};

TEST_F(CursorTest, CursorFromTheProgramsResourcesFollowsItsProperties) {
  FakeMachine Machine = FakeMachine::Typical();
  Machine.Images["cursor"] = FakeImage{32, 16};
  LoadAndStart(Machine);
  EXPECT_TRUE(Log().Contains("CreateOffscreenPlainSurface(1, 1, A8R8G8B8, DEFAULT)"))
      << Log().Text();
  EXPECT_TRUE(Log().Contains("CreateOffscreenPlainSurface(32, 16, A8R8G8B8, DEFAULT)"))
      << Log().Text();
  EXPECT_EQ(1, Log().Count("SetCursorProperties"));
  EXPECT_TRUE(Device()->CursorVisible());
  EXPECT_EQ(0, Device()->DefaultPoolObjects()) << "the cursor's surfaces are released";

  DX->WCursor().SetHotSpotX(4);
  DX->WCursor().SetHotSpotY(6);
  EXPECT_EQ(3, Log().Count("SetCursorProperties"));
  EXPECT_EQ(4, Device()->CursorHotSpot().x);
  EXPECT_EQ(6, Device()->CursorHotSpot().y);
  DX->WCursor().SetHotSpotY(6);
  EXPECT_EQ(3, Log().Count("SetCursorProperties")) << "the same value loads nothing";

  // The colour key goes to the loader as given, with full alpha.
  Log().Clear();
  DX->WCursor().SetColorKey(0x0000FF);
  ASSERT_EQ(2, Log().Count("D3DXLoadSurfaceFromResource"));
  EXPECT_NE(std::string::npos,
            Log().CallsTo("D3DXLoadSurfaceFromResource")[0].Args.find("0xFF0000FF"));

  // Each reset loads it again; resets still succeed with the cursor's surfaces gone.
  PlaceWindow(100, 80, 400, 300);
  EXPECT_EQ(S_OK, DX->HandleSizeChange());
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(CursorTest, CursorFromAFileWhenNoResourceHasItsName) {
  const std::filesystem::path Dir =
      std::filesystem::temp_directory_path() / ("zelmar-cursor-" + std::to_string(::getpid()));
  std::filesystem::create_directories(Dir);
  const std::string Path = (Dir / "arrow.bmp").string();
  std::ofstream(Path) << "BM";
  FakeMachine Machine = FakeMachine::Typical();
  Machine.Images[Path] = FakeImage{24, 24};
  DX->WCursor().SetFilename(Path);  // not started: nothing is loaded yet
  LoadAndStart(Machine);
  EXPECT_TRUE(Log().Contains("CreateOffscreenPlainSurface(24, 24, A8R8G8B8, DEFAULT)"))
      << Log().Text();
  EXPECT_EQ(2, Log().Count("D3DXLoadSurfaceFromFile"));
  EXPECT_TRUE(Device()->CursorVisible());
  std::filesystem::remove_all(Dir);
}

TEST_F(CursorTest, MissingCursorImageEndsTheStartWithItsFailure) {
  Load();
  DX->WCursor().SetFilename("no-such-cursor.bmp");
  EXPECT_EQ(E_FAIL, DX->Start());
  EXPECT_TRUE(Boxes.empty());
  EXPECT_EQ(0, Log().Count("SetCursorProperties"));
}

TEST_F(CursorTest, CursorOnlyInTheModeThatAsksForIt) {
  DX->StartFullscreen = true;
  FakeMachine Machine = FakeMachine::Typical();
  Machine.Images["cursor"] = FakeImage{32, 32};
  LoadAndStart(Machine);
  EXPECT_EQ(0, Log().Count("CreateOffscreenPlainSurface")) << "full screen shows no cursor";
  EXPECT_FALSE(Device()->CursorVisible());
  EXPECT_EQ(S_OK, DX->ToggleFullscreen());
  EXPECT_EQ(1, Log().Count("SetCursorProperties"));
  EXPECT_TRUE(Device()->CursorVisible());
}

}  // namespace
