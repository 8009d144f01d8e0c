// The saver window's life in one process on a real X server, with synthetic messages through
// the application's message hook: what showing it arms, which input closes it, and that closing
// puts every system-wide setting back.
#include <gtest/gtest.h>

#include "engine/TW9DirectX.h"
#include "platform/render/gl/GLBackend.h"
#include "platform/window/TApplication.h"
#include "registry/TempHive.h"
#include "scene/TZelmarScene.h"
#include "shell/saver/TScrnFrm.h"
#include "support/SettingsFile.h"

using zelmar::TScrnFrm;

namespace {

TApplication& App() {
  static int argc = 1;
  static char name[] = "shell_scrnfrm_tests";
  static char* argv[] = {name, nullptr};
  static TApplication app(argc, argv);
  static bool backend = (UseGLDirect3DBackend(), true);
  (void)backend;
  return app;
}

// Settings with the build's media at low quality, which loads quickest.
void WriteSettings(const TempHive& Hive) {
  Hive.Write(QuickSettings().Set({{"Select_Planet", 0},
                                  {"Zelmar_Type", 0},
                                  {"Planetary_Data", 1},
                                  {"FPS", 0},
                                  {"Glare", 0},
                                  {"Lens_Flare", 0},
                                  {"Corona", 0},
                                  {"Planet_Speed", 5},
                                  {"Move_Speed", 5}}));
}

MSG Message(HWND Window, UINT Code, WPARAM wParam = 0, LPARAM lParam = 0) {
  MSG Msg;
  Msg.hwnd = Window;
  Msg.message = Code;
  Msg.wParam = wParam;
  Msg.lParam = lParam;
  return Msg;
}

bool SaverRunning() {
  BOOL Running = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &Running, 0);
  return Running != FALSE;
}

// The cursor's display count, left as it was.
int CursorCount() {
  const int Count = ShowCursor(TRUE) - 1;
  ShowCursor(FALSE);
  return Count;
}

class ScrnFrmLife : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    WriteSettings(Hive);
    CursorBefore = CursorCount();
  }
  TempHive Hive;
  int CursorBefore = 0;
};

TEST_F(ScrnFrmLife, ShowingGoesFullScreenHidesTheCursorAndArmsTheFilter) {
  TScrnFrm Form(TScrnFrm::TRun{});
  EXPECT_EQ(Form.SettingsProblem, "");
  App().SetMainWindow(Form.Handle());
  Form.Show();
  TW9DirectX* DX = Form.WDirectX;
  ASSERT_TRUE(DX->Started);
  EXPECT_FALSE(DX->Windowed);
  EXPECT_EQ(TScrnFrm::SkipMessages, 10);
  EXPECT_TRUE(Form.TickEnabled);
  EXPECT_TRUE(App().HasOnMessage());
  EXPECT_TRUE(SaverRunning());
  EXPECT_EQ(CursorCount(), CursorBefore - 1);
  POINT Cursor;
  GetCursorPos(&Cursor);
  EXPECT_EQ(Form.StartCursorPos, Cursor);

  // A later activation leaves the framework's render hook in force: frames go on.
  int Frames = 0;
  const TRenderEvent Render = DX->OnRender;
  DX->OnRender = [&](TW9DirectX* Sender, bool& DefaultPresent) {
    ++Frames;
    return Render(Sender, DefaultPresent);
  };
  Form.FormActivate();
  for (int I = 0; I < 200 && Frames < 3; ++I) App().HandleMessage();
  EXPECT_GE(Frames, 3);
  DX->OnRender = Render;

  // The first ten messages pass whatever they are.
  const HWND W = Form.Handle();
  TScrnFrm::SkipMessages = 10;
  for (int I = 0; I < 10; ++I) {
    MSG Key = Message(W, WM_KEYDOWN, 'Q');
    EXPECT_FALSE(App().FilterMessage(Key));
  }
  EXPECT_EQ(TScrnFrm::SkipMessages, 0);
  ASSERT_TRUE(IsWindow(W));

  const POINT S = Form.StartCursorPos;
  for (MSG Msg : {Message(W, WM_MOUSEMOVE, 0, MAKELPARAM(S.x + 5, S.y - 5)),
                  Message(W, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(S.x, S.y)),
                  Message(W, WM_LBUTTONUP, 0, MAKELPARAM(S.x, S.y)),
                  Message(W, WM_SYSKEYDOWN, VK_MENU), Message(W, WM_SYSKEYUP, VK_MENU)})
    App().FilterMessage(Msg);
  ASSERT_TRUE(IsWindow(W)) << "small input closed the saver";
  EXPECT_TRUE(DX->Started);

  MSG Move = Message(W, WM_MOUSEMOVE, 0, MAKELPARAM(S.x + 6, S.y));
  EXPECT_FALSE(App().FilterMessage(Move)) << "the message itself goes on";
  EXPECT_FALSE(IsWindow(W));
  EXPECT_TRUE(App().Terminated());
  EXPECT_FALSE(DX->Started);
  EXPECT_TRUE(DX->Windowed);
  EXPECT_FALSE(App().HasOnMessage());
  EXPECT_FALSE(App().HasOnIdle());
  EXPECT_FALSE(SaverRunning());
  EXPECT_FALSE(Form.TickEnabled);
  EXPECT_EQ(CursorCount(), CursorBefore);
  EXPECT_FALSE(Form.ClosedOnFailure);
}

TEST_F(ScrnFrmLife, AKeyOrAnActivationChangeEndsItAndAFrameworkCloseCountsAsAFailure) {
  for (UINT Code : {UINT(WM_KEYDOWN), UINT(WM_ACTIVATE), UINT(WM_ACTIVATEAPP), UINT(WM_CLOSE)}) {
    TScrnFrm Form(TScrnFrm::TRun{});
    App().SetMainWindow(Form.Handle());
    Form.Show();
    ASSERT_TRUE(Form.WDirectX->Started);
    const HWND W = Form.Handle();
    if (Code == WM_CLOSE) {
      // What the framework sends after a fatal error or a failed frame.
      SendMessageA(W, WM_CLOSE, 0, 0);
    } else {
      TScrnFrm::SkipMessages = 0;
      MSG Msg = Message(W, Code, Code == WM_KEYDOWN ? VK_SPACE : WA_INACTIVE);
      App().FilterMessage(Msg);
    }
    EXPECT_FALSE(IsWindow(W)) << Code;
    EXPECT_EQ(Form.ClosedOnFailure, Code == WM_CLOSE) << Code;
    EXPECT_FALSE(App().HasOnMessage()) << Code;
    EXPECT_FALSE(SaverRunning()) << Code;
    EXPECT_EQ(CursorCount(), CursorBefore) << Code;
  }
}

// The scene's own runs keep an ordinary window that input does not end.
TEST_F(ScrnFrmLife, AWindowRunIsNotTheSaver) {
  TScrnFrm::TRun Run;
  Run.Saver = false;
  Run.Width = 320;
  Run.Height = 240;
  TScrnFrm Form(Run);
  App().SetMainWindow(Form.Handle());
  Form.Show();
  ASSERT_TRUE(Form.WDirectX->Started);
  EXPECT_TRUE(Form.WDirectX->Windowed);
  EXPECT_FALSE(App().HasOnMessage());
  EXPECT_FALSE(SaverRunning());
  EXPECT_EQ(CursorCount(), CursorBefore);
  Form.Close();
  EXPECT_FALSE(IsWindow(Form.Handle()));
  EXPECT_FALSE(Form.ClosedOnFailure);
}

// The camera glides a step a frame. Under a cap below the display's rate a frame takes the
// steps of the frames it stands for, so after the same time (frames / cap) it is where the
// uncapped run is; the planets follow the clock anyway.
TEST_F(ScrnFrmLife, UnderAFrameCapTheCameraKeepsItsSpeed) {
  auto GlideAfter = [](int MaxFps, int Frames, double* Refresh) {
    TScrnFrm::TRun Run;
    Run.Saver = false;
    Run.Width = 160;
    Run.Height = 120;
    Run.Seed = 1;
    Run.Options.MaxFps = MaxFps;
    TScrnFrm Form(Run);
    App().SetMainWindow(Form.Handle());
    Form.Show();
    *Refresh = Form.RefreshRate();
    EXPECT_TRUE(Form.Scene->Camera.Drifting());
    const float Start = Form.Scene->Camera.CameraPos.z;
    for (int Frame = 0; Frame < Frames; ++Frame) Form.WDirectX->OnFrameMove(Form.WDirectX);
    const float Glide = Form.Scene->Camera.CameraPos.z - Start;
    Form.Close();
    return Glide;
  };
  double Refresh = 0.0;
  const float Step = GlideAfter(1000, 1, &Refresh);
  ASSERT_GT(Step, 0.0f);
  // One second at the display's rate, and at 10 frames a second.
  const float AtRefresh = GlideAfter(1000, static_cast<int>(Refresh), &Refresh);
  const float AtTen = GlideAfter(10, 10, &Refresh);
  EXPECT_NEAR(AtTen, AtRefresh, 1.01f * Step);
}

}  // namespace
