// The frame loop through the application's idle hook and the chain of frameworks, and the
// hooked window procedure: which messages the framework acts on and which it keeps.
#include <QTest>

#include "engine_framework/FrameworkFixture.h"

namespace {

TEST_F(FrameworkTest, IdleHookRunsFramesWhileActiveAndStopClearsIt) {
  Load();
  EXPECT_FALSE(App().HasOnIdle()) << "a framework that has not started renders nothing";
  ASSERT_EQ(S_OK, DX->Start());
  ASSERT_TRUE(App().HasOnIdle());
  Renders = 0;

  // One pass of the application's loop draws one frame and asks to be called again.
  Clock->Advance(0.1);
  App().HandleMessage();
  EXPECT_EQ(1, Renders);
  EXPECT_EQ(1, Device()->PresentCount());

  // Paused: the hook leaves the application waiting for messages.
  DX->Pause(true);
  bool Done = true;
  Clock->Advance(0.1);
  TW9DirectX::SelectedIdleHook()(Done);
  EXPECT_TRUE(Done);
  EXPECT_EQ(1, Renders);
  DX->Pause(false);
  Done = true;
  Clock->Advance(0.1);
  TW9DirectX::SelectedIdleHook()(Done);
  EXPECT_FALSE(Done);
  EXPECT_EQ(2, Renders);

  DX->Stop();
  EXPECT_FALSE(App().HasOnIdle());
  EXPECT_FALSE(TW9DirectX::SelectedIdleHook());
}

TEST_F(FrameworkTest, FailedFrameInTheIdleHookClosesWithoutMessage) {
  LoadAndStart();
  RenderResult = E_FAIL;
  bool Done = true;
  Clock->Advance(0.1);
  DX->IdleHandler(Done);
  EXPECT_EQ(1, Seen(WM_CLOSE));
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(FrameworkTest, IdleChainRunsEveryStartedFramework) {
  LoadAndStart();
  // A second form with its own window and framework, made later: it heads the chain.
  TWindow SecondWindow(WS_OVERLAPPEDWINDOW);
  SetWindowPos(SecondWindow.Handle(), HWND_TOP, 500, 80, 200, 150, SWP_SHOWWINDOW);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&SecondWindow));
  {
    TForm SecondForm;
    SecondForm.SetHandle(SecondWindow.Handle());
    auto SecondClock = std::make_shared<FakeTimeSource>();
    auto* Second = new TW9DirectX(&SecondForm, SecondClock);
    int SecondRenders = 0;
    Second->OnRender = [&](TW9DirectX*, bool&) {
      ++SecondRenders;
      return S_OK;
    };
    SecondForm.Loaded();
    ASSERT_EQ(S_OK, Second->Start());

    bool Done = true;
    Clock->Advance(0.1);
    SecondClock->Advance(0.1);
    TW9DirectX::SelectedIdleHook()(Done);
    EXPECT_FALSE(Done);
    EXPECT_EQ(1, SecondRenders);
    EXPECT_EQ(1, Renders) << "the hook passes the call on down the chain";

    // The head pauses: the call still reaches the one behind it.
    Second->Pause(true);
    Clock->Advance(0.1);
    TW9DirectX::SelectedIdleHook()(Done);
    EXPECT_EQ(1, SecondRenders);
    EXPECT_EQ(2, Renders);

    Second->Stop();
    Clock->Advance(0.1);
    TW9DirectX::SelectedIdleHook()(Done);
    EXPECT_EQ(3, Renders);
  }
  // The second framework is gone with its form; the hook still runs the first one.
  ASSERT_TRUE(App().HasOnIdle());
  bool Done = true;
  Clock->Advance(0.1);
  TW9DirectX::SelectedIdleHook()(Done);
  EXPECT_EQ(4, Renders);
}

TEST_F(FrameworkTest, SizeMoveAndMenuLoopsPauseAndPassTheMessagesOn) {
  LoadAndStart();
  SendMessageA(Window(), WM_ENTERSIZEMOVE, 0, 0);
  EXPECT_FALSE(DX->Active());
  SendMessageA(Window(), WM_ENTERMENULOOP, 0, 0);
  SendMessageA(Window(), WM_EXITMENULOOP, 0, 0);
  EXPECT_FALSE(DX->Active()) << "pauses nest";
  PlaceWindow(100, 80, 400, 300);
  SendMessageA(Window(), WM_EXITSIZEMOVE, 0, 0);
  EXPECT_TRUE(DX->Active());
  EXPECT_EQ(1, Log().Count("Reset")) << "the end of a size-move loop handles the new size";
  EXPECT_EQ(400u, Device()->PresentParameters().BackBufferWidth);
  for (UINT Msg : {WM_ENTERSIZEMOVE, WM_ENTERMENULOOP, WM_EXITMENULOOP, WM_EXITSIZEMOVE})
    EXPECT_EQ(1, Seen(Msg)) << Msg;
}

TEST_F(FrameworkTest, MinimiseAndRestoreThroughSizeMessages) {
  LoadAndStart();
  SendMessageA(Window(), WM_SIZE, SIZE_MINIMIZED, 0);
  EXPECT_FALSE(DX->Active());
  // Restored at a new size: rendering resumes and the device takes the size.
  PlaceWindow(100, 80, 400, 300);
  SendMessageA(Window(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(400, 300));
  EXPECT_TRUE(DX->Active());
  EXPECT_EQ(1, Log().Count("Reset"));
  // A plain restore of a window neither minimised nor maximised changes nothing.
  PlaceWindow(100, 80, 320, 240);
  SendMessageA(Window(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(320, 240));
  EXPECT_EQ(1, Log().Count("Reset"));
  // Maximised, then restored: a size change each time.
  PlaceWindow(0, 0, 640, 480);
  SendMessageA(Window(), WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(640, 480));
  EXPECT_EQ(2, Log().Count("Reset"));
  PlaceWindow(100, 80, 320, 240);
  SendMessageA(Window(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(320, 240));
  EXPECT_EQ(3, Log().Count("Reset"));
  EXPECT_TRUE(DX->Active());
  EXPECT_GE(Seen(WM_SIZE), 5) << "every WM_SIZE is passed on";
}

TEST_F(FrameworkTest, MinimisedTwiceResumesOnOneRestore) {
  LoadAndStart();
  SendMessageA(Window(), WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(320, 240));
  SendMessageA(Window(), WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(160, 24));
  EXPECT_FALSE(DX->Active());
  SendMessageA(Window(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(320, 240));
  EXPECT_TRUE(DX->Active());
}

TEST_F(FrameworkTest, FullScreenKeepsHitTestsAndSystemCommands) {
  LoadAndStart();
  // Windowed: passed on.
  SendMessageA(Window(), WM_NCHITTEST, 0, 0);
  EXPECT_EQ(1, Seen(WM_NCHITTEST));

  ASSERT_EQ(S_OK, DX->ToggleFullscreen());
  FormMessages.clear();
  EXPECT_EQ(HTCLIENT, SendMessageA(Window(), WM_NCHITTEST, 0, 0));
  for (WPARAM Command : {SC_SIZE, SC_MOVE, SC_MAXIMIZE, SC_KEYMENU, SC_MONITORPOWER})
    EXPECT_EQ(1, SendMessageA(Window(), WM_SYSCOMMAND, Command, 0)) << Command;
  EXPECT_EQ(TRUE, SendMessageA(Window(), WM_SETCURSOR, 0, 0));
  EXPECT_EQ(0, Seen(WM_NCHITTEST));
  EXPECT_EQ(0, Seen(WM_SYSCOMMAND));
  EXPECT_EQ(0, Seen(WM_SETCURSOR));
}

TEST_F(FrameworkTest, DeviceCursorFollowsTheMouseWhileActive) {
  LoadAndStart();
  SetCursorPos(150, 130);
  POINT Expected{};
  GetCursorPos(&Expected);
  SendMessageA(Window(), WM_MOUSEMOVE, 0, 0);
  EXPECT_EQ(Expected.x, Device()->CursorPosition().x);
  EXPECT_EQ(Expected.y, Device()->CursorPosition().y);
  EXPECT_EQ(1, Seen(WM_MOUSEMOVE));
}

TEST_F(FrameworkTest, PaintWhilePausedDrawsTheSceneOnce) {
  LoadAndStart();
  FormMessages.clear();
  DX->Pause(true);
  SendMessageA(Window(), WM_PAINT, 0, 0);
  EXPECT_EQ(1, Renders);
  EXPECT_EQ(1, Device()->PresentCount());
  EXPECT_EQ(1, Seen(WM_PAINT));
  // While running the frame loop draws; a paint message adds nothing.
  DX->Pause(false);
  SendMessageA(Window(), WM_PAINT, 0, 0);
  EXPECT_EQ(1, Renders);
}

TEST_F(FrameworkTest, LossFoundWhilePaintingIsWaitedForOnResuming) {
  LoadAndStart();
  DX->Pause(true);
  Device()->LoseDevice();
  SendMessageA(Window(), WM_PAINT, 0, 0);
  EXPECT_EQ(1, Renders);
  DX->Pause(false);
  EXPECT_EQ(S_OK, Frame());
  EXPECT_EQ(1, Renders) << "the lost device is tested before drawing again";
  EXPECT_EQ(1, Log().Count("TestCooperativeLevel"));
}

TEST_F(FrameworkTest, StoppedFrameworkNoLongerSeesTheWindowsMessages) {
  LoadAndStart();
  DX->Stop();
  SendMessageA(Window(), WM_ENTERSIZEMOVE, 0, 0);
  EXPECT_TRUE(DX->Active()) << "the hook is gone";
  EXPECT_EQ(1, Seen(WM_ENTERSIZEMOVE));
}

TEST_F(FrameworkTest, DestroyedFrameworkLeavesTheWindowProcedureWhole) {
  LoadAndStart();
  FormMessages.clear();
  delete DX;
  DX = nullptr;
  EXPECT_FALSE(App().HasOnIdle());
  // The window outlives the framework; its messages go to the form's own procedure.
  SendMessageA(Window(), WM_ENTERSIZEMOVE, 0, 0);
  SendMessageA(Window(), WM_SIZE, SIZE_MINIMIZED, 0);
  EXPECT_EQ(1, Seen(WM_ENTERSIZEMOVE));
  EXPECT_EQ(1, Seen(WM_SIZE));
}

}  // namespace

TEST_F(FrameworkTest, HandlersThatStopTheFrameworkEndTheFrameQuietly) {
  LoadAndStart();
  // A render handler that closes the saver (stopping the framework) leaves no device to present.
  DX->OnRender = [this](TW9DirectX*, bool&) {
    DX->Stop();
    return S_OK;
  };
  EXPECT_EQ(Frame(), S_OK);
  EXPECT_FALSE(DX->Started());
  EXPECT_FALSE(DX->Device());

  // The same from the frame-move handler, after starting again.
  DX->OnRender = nullptr;
  ASSERT_EQ(DX->Start(), S_OK);
  DX->OnFrameMove = [this](TW9DirectX*) {
    DX->Stop();
    return S_OK;
  };
  EXPECT_EQ(Frame(), S_OK);
  EXPECT_FALSE(DX->Device());
}
