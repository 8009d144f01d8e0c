// The framework's device life on the fake backend: the order in which the pools and the form
// see the device phases, resets on size changes, a lost device, the frame loop's rules.
#include "engine_framework/FrameworkFixture.h"

namespace {

const TJournal kInvalidate = {"pool1 invalidate", "pool2 invalidate", "form invalidate"};
const TJournal kRestore = {"pool1 restore", "pool2 restore", "form restore"};

TJournal Concat(std::initializer_list<TJournal> Parts) {
  TJournal Result;
  for (const TJournal& Part : Parts) Result.insert(Result.end(), Part.begin(), Part.end());
  return Result;
}

TEST_F(FrameworkTest, PhasesRunPoolsFirstThroughStartResetsAndStop) {
  Load();
  ASSERT_TRUE(DX->D3D());
  EXPECT_TRUE(Journal.empty()) << "loading creates no device";
  ASSERT_EQ(S_OK, DX->Start());
  EXPECT_EQ(Concat({{"one-time init", "pool1 init", "pool2 init", "form init"},
                    kRestore,
                    {"switched windowed", "after start", "frame move"}}),
            Journal);
  EXPECT_TRUE(DX->Started());
  EXPECT_TRUE(DX->Active());
  EXPECT_TRUE(DX->Windowed());
  EXPECT_EQ(1, Log().Count("CreateDevice"));
  EXPECT_EQ(Window(), Device()->PresentParameters().hDeviceWindow);
  // The back buffer takes the output window's client size.
  EXPECT_EQ(320u, DX->PresentParams().BackBufferWidth);
  EXPECT_EQ(240u, DX->PresentParams().BackBufferHeight);
  EXPECT_EQ(320u, DX->BackBufferDesc().Width);
  EXPECT_EQ(0, DX->DeviceStats().rfind("HAL (pure hw vp): Fake display adapter", 0))
      << DX->DeviceStats();

  // Two size changes: each is one reset with invalidate before and restore after.
  for (int Width : {400, 320}) {
    Journal.clear();
    PlaceWindow(100, 80, Width, 240);
    EXPECT_EQ(S_OK, DX->HandleSizeChange());
    EXPECT_EQ(Concat({kInvalidate, kRestore, {"switched windowed"}}), Journal);
    EXPECT_EQ(static_cast<UINT>(Width), Device()->PresentParameters().BackBufferWidth);
    EXPECT_TRUE(DX->Active()) << "the size change's pause is released";
  }
  EXPECT_EQ(2, Log().Count("Reset"));
  EXPECT_EQ(1, Log().Count("CreateDevice"));

  Journal.clear();
  DX->Stop();
  EXPECT_EQ(Concat({kInvalidate,
                    {"pool1 delete", "pool2 delete", "form delete", "final cleanup",
                     "switched windowed", "after stop"}}),
            Journal);
  EXPECT_FALSE(DX->Started());
  EXPECT_FALSE(DX->Device());
  EXPECT_TRUE(D3D->Devices().empty()) << "the device is released";
  EXPECT_TRUE(Boxes.empty());
  EXPECT_EQ(0, Seen(WM_CLOSE));
}

TEST_F(FrameworkTest, StartAgainAfterStopBuildsEverythingAnew) {
  LoadAndStart();
  DX->Stop();
  Journal.clear();
  ASSERT_EQ(S_OK, DX->Start());
  EXPECT_EQ(Concat({{"one-time init", "pool1 init", "pool2 init", "form init"},
                    kRestore,
                    {"switched windowed", "after start", "frame move"}}),
            Journal);
  EXPECT_EQ(2, Log().Count("CreateDevice"));
  EXPECT_EQ(S_OK, Frame());
  EXPECT_EQ(1, Device()->PresentCount());
}

TEST_F(FrameworkTest, StartTwiceAndStopTwiceChangeNothing) {
  LoadAndStart();
  EXPECT_EQ(S_OK, DX->Start());
  EXPECT_TRUE(Journal.empty());
  EXPECT_EQ(1, Log().Count("CreateDevice"));

  DX->Stop();
  Journal.clear();
  Log().Clear();
  DX->Stop();
  EXPECT_TRUE(Journal.empty());
  EXPECT_TRUE(Log().Calls().empty());
}

TEST_F(FrameworkTest, FramesMoveRenderAndPresentIntoTheOutputWindow) {
  LoadAndStart();
  EXPECT_EQ(S_OK, Frame());
  EXPECT_EQ((TJournal{"frame move", "render"}), Journal);
  EXPECT_EQ(1, Device()->PresentCount());
  EXPECT_TRUE(
      Log().Contains("Present(null, null, " + FakeHex(static_cast<DWORD>(Window())) + ", null)"))
      << Log().Text();
  EXPECT_FLOAT_EQ(0.1f, DX->ElapsedTime());

  // No time has passed: the frame is skipped while frame moving.
  Journal.clear();
  EXPECT_EQ(S_OK, DX->RenderEnvironment());
  EXPECT_TRUE(Journal.empty());
  EXPECT_EQ(1, Device()->PresentCount());
}

TEST_F(FrameworkTest, ALongStopMovesTheSceneOnByOneLongFrameOnly) {
  LoadAndStart();
  EXPECT_EQ(S_OK, Frame());
  const float Before = DX->AppTime();
  // Ten minutes stopped (SIGSTOP, a suspended machine), then the next frame.
  Clock->Advance(600.0);
  EXPECT_EQ(S_OK, DX->RenderEnvironment());
  EXPECT_NEAR(Before + TW9DirectX::kMaxFrameStep, DX->AppTime(), 1e-4);
  EXPECT_NEAR(TW9DirectX::kMaxFrameStep, DX->ElapsedTime(), 1e-6);
  // The time goes on from there at its own pace, and frames below the bound keep theirs.
  EXPECT_EQ(S_OK, Frame());
  EXPECT_NEAR(Before + TW9DirectX::kMaxFrameStep + 0.1, DX->AppTime(), 1e-4);
  EXPECT_NEAR(Before + TW9DirectX::kMaxFrameStep + 0.1, DX->Timer(tcGetAppTime), 1e-4);
}

TEST_F(FrameworkTest, RenderFailureIsTheFrameResultWithoutPresenting) {
  LoadAndStart();
  RenderResult = E_FAIL;
  EXPECT_EQ(E_FAIL, Frame());
  EXPECT_EQ(0, Device()->PresentCount());
  EXPECT_TRUE(Boxes.empty()) << "a failed frame shows no message";
}

TEST_F(FrameworkTest, LostDeviceWaitsThenResetsWithoutDrawingThenDraws) {
  LoadAndStart();
  Device()->LoseDevice();
  // The frame that finds the loss was drawn; its Present reports the loss.
  EXPECT_EQ(S_OK, Frame());
  EXPECT_EQ(1, Renders);
  EXPECT_EQ(0, Device()->PresentCount());

  // While lost: nothing is moved, drawn or presented, and nothing is reset.
  Journal.clear();
  for (int I = 0; I < 3; ++I) EXPECT_EQ(S_OK, Frame());
  EXPECT_TRUE(Journal.empty());
  EXPECT_EQ(0, Log().Count("Reset"));

  // Back: one pass resets the device and draws nothing.
  Device()->ReturnDevice();
  EXPECT_EQ(S_OK, Frame());
  EXPECT_EQ(Concat({kInvalidate, kRestore, {"switched windowed"}}), Journal);
  EXPECT_EQ(1, Log().Count("Reset"));
  EXPECT_EQ(0, Device()->PresentCount());
  EXPECT_EQ(1, Renders);

  // The next pass finds the device usable and draws.
  Journal.clear();
  EXPECT_EQ(S_OK, Frame());
  EXPECT_EQ((TJournal{"frame move", "render"}), Journal);
  EXPECT_EQ(1, Device()->PresentCount());
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(FrameworkTest, IdlePassesWhileLostDrawNothingAndKeepTheWindow) {
  LoadAndStart();
  Device()->LoseDevice();
  bool Done = true;
  Clock->Advance(0.1);
  DX->IdleHandler(Done);  // draws, and learns of the loss
  Done = true;
  Clock->Advance(0.1);
  DX->IdleHandler(Done);  // waits
  EXPECT_FALSE(Done) << "the hook keeps being called while lost";
  EXPECT_EQ(1, Renders);
  EXPECT_EQ(0, Seen(WM_CLOSE));
}

TEST_F(FrameworkTest, DeviceLostAgainDuringItsResetKeepsWaiting) {
  LoadAndStart();
  Device()->LoseDevice();
  EXPECT_EQ(S_OK, Frame());
  Device()->ReturnDevice();
  // The display is taken away once more between the test of the device and its reset.
  DX->OnInvalidateDeviceObjects = [this](TW9DirectX*) {
    Journal.push_back("form invalidate");
    Device()->LoseDevice();
    return S_OK;
  };
  Journal.clear();
  bool Done = true;
  Clock->Advance(0.1);
  DX->IdleHandler(Done);
  EXPECT_EQ(0, Seen(WM_CLOSE)) << "a lost device is waited for, not a reason to close";
  EXPECT_EQ(kInvalidate, Journal);

  DX->OnInvalidateDeviceObjects = nullptr;
  Device()->ReturnDevice();
  Journal.clear();
  EXPECT_EQ(S_OK, Frame());
  // Nothing was restored since the last invalidate, so nothing is invalidated again.
  EXPECT_EQ(Concat({kRestore, {"switched windowed"}}), Journal);
  EXPECT_EQ(S_OK, Frame());
  EXPECT_EQ(1, Device()->PresentCount());
}

TEST_F(FrameworkTest, StoppedFrameMovingRendersWithoutMovingAndStepsOnceAfterReset) {
  LoadAndStart();
  EXPECT_EQ(S_OK, Frame());
  const float Frozen = DX->AppTime();
  DX->SetFrameMoving(false);
  Journal.clear();
  for (int I = 0; I < 3; ++I) EXPECT_EQ(S_OK, Frame());
  EXPECT_EQ((TJournal{"render", "render", "render"}), Journal);
  EXPECT_EQ(Frozen, DX->AppTime());
  // Even without time passing every pass renders.
  EXPECT_EQ(S_OK, DX->RenderEnvironment());
  EXPECT_EQ(5, Renders);

  PlaceWindow(100, 80, 400, 300);
  ASSERT_EQ(S_OK, DX->HandleSizeChange());
  FrameMoves = 0;
  for (int I = 0; I < 3; ++I) EXPECT_EQ(S_OK, Frame());
  EXPECT_EQ(1, FrameMoves) << "exactly one frame move after the reset";
  // The single step does not let the paused time into the animation.
  EXPECT_NEAR(Frozen, DX->AppTime(), 1e-4);
}

TEST_F(FrameworkTest, RenderWithoutDefaultPresentCountsForTheStatistics) {
  LoadAndStart();
  RenderPresents = false;
  for (int I = 0; I < 12; ++I) EXPECT_EQ(S_OK, Frame());
  EXPECT_EQ(12, Renders);
  EXPECT_EQ(0, Device()->PresentCount());
  EXPECT_EQ(0, Log().Count("Present"));
  // Rebuilt once, after the tenth frame ended the first second.
  EXPECT_NEAR(10.0, DX->FPS(), 0.01);
  EXPECT_EQ(0, DX->FrameStats().rfind("10.00 fps (320x240), X8R8G8B8", 0)) << DX->FrameStats();
}

TEST_F(FrameworkTest, SizeChangeToTheSameSizeDoesNotReset) {
  LoadAndStart();
  PlaceWindow(150, 120, 320, 240);  // moved, same size
  EXPECT_EQ(S_OK, DX->HandleSizeChange());
  EXPECT_EQ(0, Log().Count("Reset"));
  EXPECT_TRUE(Journal.empty());
}

TEST_F(FrameworkTest, ToggleBeforeStartOnlyFlipsTheSettings) {
  Load();
  ASSERT_TRUE(DX->d3dSettings().Windowed);
  Log().Clear();
  EXPECT_EQ(S_OK, DX->ToggleFullscreen());
  EXPECT_FALSE(DX->d3dSettings().Windowed);
  EXPECT_TRUE(DX->Windowed());
  EXPECT_TRUE(Log().Calls().empty());
  EXPECT_TRUE(Journal.empty());
  EXPECT_EQ(S_OK, DX->ToggleFullscreen());
  EXPECT_TRUE(DX->d3dSettings().Windowed);
}

TEST_F(FrameworkTest, ToggleResetsIntoFullScreenAndStopReturnsToWindowed) {
  LoadAndStart();
  EXPECT_EQ(S_OK, DX->ToggleFullscreen());
  EXPECT_EQ(Concat({kInvalidate, kRestore, {"switched full screen"}}), Journal);
  EXPECT_FALSE(DX->Windowed());
  EXPECT_FALSE(DX->d3dSettings().Windowed);
  EXPECT_EQ(FALSE, Device()->PresentParameters().Windowed);
  EXPECT_EQ(1024u, Device()->PresentParameters().BackBufferWidth);
  EXPECT_EQ(768u, Device()->PresentParameters().BackBufferHeight);
  EXPECT_EQ(static_cast<LONG>(WS_POPUP | WS_VISIBLE | WS_SYSMENU),
            GetWindowLongA(Window(), GWL_STYLE) & ~static_cast<LONG>(WS_MAXIMIZE));
  EXPECT_TRUE(DX->Active());
  EXPECT_EQ(1, Log().Count("CreateDevice")) << "same adapter and device: a reset";

  // A size change while full screen is ignored.
  Journal.clear();
  EXPECT_EQ(S_OK, DX->HandleSizeChange());
  EXPECT_TRUE(Journal.empty());

  DX->Stop();
  EXPECT_TRUE(DX->Windowed());
  EXPECT_TRUE(DX->d3dSettings().Windowed);
  EXPECT_EQ("switched windowed", Journal.at(Journal.size() - 2));
  EXPECT_NE(0, GetWindowLongA(Window(), GWL_STYLE) & static_cast<LONG>(WS_CAPTION))
      << "the windowed style is back";
}

// The state others read follows the device through its life: made and restored by Start, lost
// at a Present, back to its managed objects when a reset is lost again, restored by the next
// reset and usable once tested, released by Stop.
TEST_F(FrameworkTest, TheDeviceStateFollowsTheDevicesLife) {
  Load();
  EXPECT_EQ(TDeviceStage::None, DX->DeviceState().Stage);
  EXPECT_FALSE(DX->Active()) << "paused until started";
  ASSERT_EQ(S_OK, DX->Start());
  EXPECT_EQ(TDeviceStage::Restored, DX->DeviceState().Stage);
  EXPECT_TRUE(DX->Started());
  EXPECT_TRUE(DX->Active());

  Device()->LoseDevice();
  EXPECT_EQ(S_OK, Frame());
  EXPECT_TRUE(DX->DeviceState().Lost);
  EXPECT_EQ(TDeviceStage::Restored, DX->DeviceState().Stage) << "invalidated only by a reset";

  Device()->ReturnDevice();
  Log().FailCall("Reset", D3DERR_DEVICELOST, 1);
  EXPECT_EQ(S_OK, Frame());
  EXPECT_EQ(TDeviceStage::Inited, DX->DeviceState().Stage);
  EXPECT_TRUE(DX->DeviceState().Lost);
  EXPECT_EQ(S_OK, Frame());
  EXPECT_EQ(TDeviceStage::Restored, DX->DeviceState().Stage);
  EXPECT_TRUE(DX->DeviceState().Lost) << "until the next pass tests it";
  EXPECT_EQ(S_OK, Frame());
  EXPECT_FALSE(DX->DeviceState().Lost);

  SendMessageA(Window(), WM_SIZE, SIZE_MINIMIZED, 0);
  EXPECT_EQ(TWindowShow::Minimized, DX->DeviceState().Show);
  SendMessageA(Window(), WM_SIZE, SIZE_RESTORED, 0);
  EXPECT_EQ(TWindowShow::Normal, DX->DeviceState().Show);
  EXPECT_TRUE(DX->Active());

  DX->Stop();
  EXPECT_EQ(TDeviceStage::None, DX->DeviceState().Stage);
  EXPECT_FALSE(DX->Started());
  EXPECT_FALSE(DX->Device());
}

}  // namespace
