// The framework on the GL backend under Xvfb: frames from the application's idle time reach the
// screen, and a size change, a lost device and a trip to full screen and back all end with the
// window showing the scene again.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "engine/TForm.h"
#include "engine/TW9DirectX.h"
#include "platform/render/gl/GLBackend.h"
#include "platform/window/TApplication.h"
#include "platform/window/TWindow.h"

namespace {

TApplication& App() {
  static int argc = 1;
  static char name[] = "engine_framework_gl_test";
  static char* argv[] = {name, nullptr};
  static TApplication app(argc, argv);
  return app;
}

bool Near(QRgb Actual, D3DCOLOR Expected) {
  return std::abs(qRed(Actual) - static_cast<int>((Expected >> 16) & 0xFF)) <= 8 &&
         std::abs(qGreen(Actual) - static_cast<int>((Expected >> 8) & 0xFF)) <= 8 &&
         std::abs(qBlue(Actual) - static_cast<int>(Expected & 0xFF)) <= 8;
}

class FrameworkGLTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    UseGLDirect3DBackend();
    SetMessageBoxHook([this](HWND, const std::string& Text, const std::string&, UINT) {
      Messages.push_back(Text);
      return IDOK;
    });
    Window = std::make_unique<TWindow>(WS_OVERLAPPEDWINDOW);
    App().SetMainWindow(Window->Handle());
    SetWindowPos(Window->Handle(), HWND_TOP, 100, 80, 240, 160, SWP_SHOWWINDOW);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
    Form = std::make_unique<TForm>();
    Form->SetHandle(Window->Handle());
    DX = new TW9DirectX(Form.get());
    DX->d3dEnumeration().AppUsesDepthBuffer = true;
    DX->OnRender = [this](TW9DirectX* Sender, bool&) {
      ++Frames;
      return Sender->Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, Color, 1.0f, 0);
    };
    Form->Loaded();
    ASSERT_TRUE(DX->D3D);
    ASSERT_EQ(S_OK, DX->Start());
  }

  void TearDown() override {
    if (DX) DX->Stop();
    Form.reset();
    Window.reset();
    SetMessageBoxHook({});
    App().SetOnIdle({});
  }

  // Runs the application's loop until Count more frames have been drawn.
  bool RunFrames(int Count) {
    const int Target = Frames + Count;
    for (int Pass = 0; Pass < 2000 && Frames < Target; ++Pass) App().HandleMessage();
    return Frames >= Target;
  }

  // What the screen shows at a point of the window's client area.
  QRgb ScreenAt(int X, int Y) {
    POINT P{X, Y};
    ClientToScreen(Window->Handle(), &P);
    const QImage Shot = QGuiApplication::primaryScreen()->grabWindow(0, P.x, P.y, 1, 1).toImage();
    return Shot.isNull() ? 0 : Shot.pixel(0, 0);
  }

  // With ZELMAR_FRAMEWORK_SHOTS set to a directory, keeps a picture of the screen there.
  static void SaveShot(const char* Name) {
    if (const char* Dir = std::getenv("ZELMAR_FRAMEWORK_SHOTS"))
      QGuiApplication::primaryScreen()->grabWindow(0).save(QString(Dir) + "/" + Name);
  }

  // Draws frames until the screen shows the current colour at (X, Y).
  bool ShowsColorAt(int X, int Y) {
    for (int Attempt = 0; Attempt < 50; ++Attempt) {
      if (!RunFrames(1)) return false;
      if (Near(ScreenAt(X, Y), Color)) return true;
    }
    return false;
  }

  std::unique_ptr<TWindow> Window;
  std::unique_ptr<TForm> Form;
  TW9DirectX* DX = nullptr;
  std::vector<std::string> Messages;
  D3DCOLOR Color = 0xFF2060C0;
  int Frames = 0;
};

TEST_F(FrameworkGLTest, IdleFramesReachTheWindow) {
  EXPECT_FALSE(DX->DeviceStats.empty());
  EXPECT_EQ(240u, DX->BackBufferDesc.Width);
  EXPECT_TRUE(ShowsColorAt(120, 80));
  EXPECT_TRUE(ShowsColorAt(2, 2));
  EXPECT_TRUE(ShowsColorAt(237, 157));
  SaveShot("windowed.png");
  EXPECT_TRUE(Messages.empty());
}

TEST_F(FrameworkGLTest, SizeChangeResetsAndFillsTheNewClientArea) {
  ASSERT_TRUE(ShowsColorAt(120, 80));
  SetWindowPos(Window->Handle(), HWND_TOP, 100, 80, 400, 300, SWP_SHOWWINDOW);
  ASSERT_EQ(S_OK, DX->HandleSizeChange());
  EXPECT_EQ(400u, DX->BackBufferDesc.Width);
  EXPECT_EQ(300u, DX->BackBufferDesc.Height);
  Color = 0xFFC04020;
  EXPECT_TRUE(ShowsColorAt(390, 290));
  EXPECT_TRUE(Messages.empty());
}

TEST_F(FrameworkGLTest, LostDeviceIsResetAndDrawsAgain) {
  ASSERT_TRUE(ShowsColorAt(120, 80));
  int Invalidated = 0;
  int Restored = 0;
  DX->OnInvalidateDeviceObjects = [&](TW9DirectX*) {
    ++Invalidated;
    return S_OK;
  };
  DX->OnRestoreDeviceObjects = [&](TW9DirectX*) {
    ++Restored;
    return S_OK;
  };
  GLLoseDevice(DX->Device.Get());
  Color = 0xFF20C040;
  EXPECT_TRUE(ShowsColorAt(120, 80));
  EXPECT_EQ(1, Invalidated);
  EXPECT_EQ(1, Restored);
  EXPECT_TRUE(Messages.empty());
  EXPECT_TRUE(DX->Started);
}

TEST_F(FrameworkGLTest, FullScreenAndBack) {
  ASSERT_TRUE(ShowsColorAt(120, 80));
  ASSERT_EQ(S_OK, DX->ToggleFullscreen());
  EXPECT_FALSE(DX->Windowed);
  const QSize Screen = QGuiApplication::primaryScreen()->size();
  EXPECT_EQ(static_cast<UINT>(Screen.width()), DX->BackBufferDesc.Width);
  EXPECT_EQ(static_cast<UINT>(Screen.height()), DX->BackBufferDesc.Height);
  Color = 0xFFE0E020;
  EXPECT_TRUE(ShowsColorAt(Screen.width() - 3, Screen.height() - 3));
  SaveShot("fullscreen.png");

  ASSERT_EQ(S_OK, DX->ToggleFullscreen());
  EXPECT_TRUE(DX->Windowed);
  EXPECT_EQ(240u, DX->BackBufferDesc.Width);
  Color = 0xFF8020A0;
  EXPECT_TRUE(ShowsColorAt(120, 80));
  EXPECT_TRUE(Messages.empty());
}

}  // namespace
