// The flare and the glare drawn by the GL backend under Xvfb: the flare's elements blend onto
// the picture with the opacity their texture's alpha (doubled) and the flare's strength give,
// and the glare lays a white veil of its alpha over the whole screen.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QTest>
#include <QWindow>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/TW9DirectX.h"
#include "engine/TWPool.h"
#include "platform/render/d3dx9.h"
#include "platform/render/gl/glbackend.h"
#include "scene/TWGlare.h"
#include "scene/TWLensFlare.h"

using zelmar::TWGlare;
using zelmar::TWLensFlare;

namespace {

constexpr int kSize = 128;
constexpr D3DCOLOR kBackground = 0xFF204060;

int Channel(D3DCOLOR c, int shift) {
  return static_cast<int>((c >> shift) & 0xFF);
}

::testing::AssertionResult ColorNear(D3DCOLOR Actual, int R, int G, int B, int Tolerance = 6) {
  if (std::abs(Channel(Actual, 16) - R) > Tolerance ||
      std::abs(Channel(Actual, 8) - G) > Tolerance || std::abs(Channel(Actual, 0) - B) > Tolerance)
    return ::testing::AssertionFailure() << std::hex << "got 0x" << Actual << std::dec
                                         << ", expected (" << R << ", " << G << ", " << B << ")";
  return ::testing::AssertionSuccess();
}

// A picture of one colour as PNG bytes, registered as a program resource.
void RegisterPicture(const std::string& Name, QRgb Colour, int Size) {
  QImage Image(Size, Size, QImage::Format_ARGB32);
  Image.fill(QColor::fromRgba(Colour));
  QByteArray Bytes;
  QBuffer Buffer(&Bytes);
  Buffer.open(QIODevice::WriteOnly);
  Image.save(&Buffer, "PNG");
  D3DXRegisterResource(Name, std::vector<BYTE>(Bytes.begin(), Bytes.end()));
}

class SunEffectsPixelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!qGuiApp) {
      static int argc = 1;
      static char name[] = "scene_sun_effects_pixel_test";
      static char* argv[] = {name, nullptr};
      new QGuiApplication(argc, argv);
    }
    // Every flare element a red, a quarter opaque; the veil plain white.
    for (int I = 1; I <= 9; ++I) RegisterPicture("flare" + std::to_string(I), 0x40FF0000, 32);
    RegisterPicture("Glare", 0xFFFFFFFF, 4);

    UseGLDirect3DBackend();
    DX.D3D = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_TRUE(DX.D3D);
    Window = std::make_unique<QWindow>();
    Window->setSurfaceType(QSurface::OpenGLSurface);
    Window->resize(kSize, kSize);
    Window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
    D3DPRESENT_PARAMETERS Params;
    Params.BackBufferWidth = kSize;
    Params.BackBufferHeight = kSize;
    Params.BackBufferFormat = D3DFMT_A8R8G8B8;
    Params.BackBufferCount = 1;
    Params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    Params.Windowed = TRUE;
    Params.EnableAutoDepthStencil = TRUE;
    Params.AutoDepthStencilFormat = D3DFMT_D24S8;
    D3DCAPS9 Caps;
    const D3DDEVTYPE Type = SUCCEEDED(DX.D3D->GetDeviceCaps(0, D3DDEVTYPE_HAL, &Caps))
                                ? D3DDEVTYPE_HAL
                                : D3DDEVTYPE_REF;
    ASSERT_EQ(D3D_OK,
              DX.D3D->CreateDevice(0, Type, static_cast<HWND>(Window->winId()),
                                   D3DCREATE_HARDWARE_VERTEXPROCESSING, &Params, &DX.Device));
    DX.Started = true;
    DX.d3dSettings().Windowed = true;
    DX.d3dSettings().WindowedConfig.DisplayMode = {kSize, kSize, 60, D3DFMT_X8R8G8B8};

    Pool.SetDX(&DX);
    Flare = std::make_unique<TWLensFlare>(&Pool);
    Glare = new TWGlare(&Pool);
    Pool.SetActive(true);
    ASSERT_TRUE(Glare->Sprite);
    for (TWTexture* Texture : Flare->FlareTextures) ASSERT_TRUE(Texture->Texture());
    ASSERT_TRUE(Glare->GlareTexture->Texture());
  }

  void TearDown() override {
    Pool.SetActive(false);
    DX.Device = nullptr;
    DX.D3D = nullptr;
    Window.reset();
    for (int I = 1; I <= 9; ++I) D3DXUnregisterResource("flare" + std::to_string(I));
    D3DXUnregisterResource("Glare");
  }

  // The scene's side of the frame: its projection, lit with a white ambient and no lights.
  void BeginFrame() {
    IDirect3DDevice9* Device = DX.Device.Get();
    D3DXMATRIX Projection;
    D3DXMatrixPerspectiveFovLH(&Projection, 3.1415927f / 4, 1.0f, 1.0f, 10000.0f);
    Device->SetTransform(D3DTS_PROJECTION, &Projection);
    Device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    ASSERT_EQ(D3D_OK,
              Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0));
    ASSERT_EQ(D3D_OK, Device->BeginScene());
  }

  QImage EndFrame(const char* Name) {
    DX.Device->EndScene();
    QImage Image = GLGrabBackBuffer(DX.Device.Get());
    if (const char* Dir = std::getenv("ZELMAR_PIXEL_DIR"))
      Image.save(QString::fromStdString(std::string(Dir) + "/" + Name + ".png"));
    return Image;
  }

  std::unique_ptr<QWindow> Window;
  TW9DirectX DX;
  TWPool Pool;
  std::unique_ptr<TWLensFlare> Flare;
  TWGlare* Glare = nullptr;  // the pool's
};

// 45 degrees off the Sun, level: full strength, the elements strung along the horizontal
// centre line; the element at 1.0 (half-width 0.25, about 8 pixels) alone covers the centre.
const TD3DVector kEye(0, 0, -1000), kTarget(1000, 0, 0);

TEST_F(SunEffectsPixelTest, FlareElementsBlendOntoThePicture) {
  BeginFrame();
  Flare->Render(kEye, kTarget, &DX);
  const QImage Image = EndFrame("flare");
  // Texture alpha 64/255 doubled, times strength 1: about half red over the background.
  const D3DCOLOR Centre = Image.pixel(kSize / 2, kSize / 2);
  EXPECT_TRUE(ColorNear(Centre, (255 + 0x20) / 2, 0x40 / 2, 0x60 / 2, 8));
  EXPECT_TRUE(ColorNear(Image.pixel(kSize / 2, 10), 0x20, 0x40, 0x60, 2)) << "nothing above it";
  // The element at 1.2 lies left of the centre, the one at 0.8 right of it.
  EXPECT_GT(Channel(Image.pixel(kSize / 2 - 22, kSize / 2), 16), 0x60);
  EXPECT_GT(Channel(Image.pixel(kSize / 2 + 21, kSize / 2), 16), 0x60);
}

TEST_F(SunEffectsPixelTest, AFlareTooCloseToTheSunLeavesThePictureAlone) {
  BeginFrame();
  Flare->Render({0, 0, -200}, {200, 0, 0}, &DX);
  const QImage Image = EndFrame("flare-faded");
  EXPECT_TRUE(ColorNear(Image.pixel(kSize / 2, kSize / 2), 0x20, 0x40, 0x60, 2));
}

TEST_F(SunEffectsPixelTest, GlareVeilsTheWholeScreenInWhite) {
  BeginFrame();
  Flare->Render(kEye, kTarget, &DX);
  const D3DCOLOR FlareCentre = EndFrame("flare-under-glare").pixel(kSize / 2, kSize / 2);
  BeginFrame();
  Flare->Render(kEye, kTarget, &DX);
  Glare->Render({0, 0, -100}, &DX);  // alpha 100
  const QImage Image = EndFrame("glare");
  auto Veiled = [](int Under) { return (Under * 155 + 255 * 100) / 255; };
  for (const auto& [X, Y] :
       {std::pair{0, 0}, {kSize - 1, 0}, {0, kSize - 1}, {kSize - 1, kSize - 1}, {kSize / 2, 10}})
    EXPECT_TRUE(ColorNear(Image.pixel(X, Y), Veiled(0x20), Veiled(0x40), Veiled(0x60), 3))
        << X << ", " << Y;
  EXPECT_TRUE(ColorNear(Image.pixel(kSize / 2, kSize / 2), Veiled(Channel(FlareCentre, 16)),
                        Veiled(Channel(FlareCentre, 8)), Veiled(Channel(FlareCentre, 0)), 3));
  // The glare leaves blending on for what follows, and lighting off.
  DWORD Value = 0;
  DX.Device->GetRenderState(D3DRS_ALPHABLENDENABLE, &Value);
  EXPECT_EQ(static_cast<DWORD>(TRUE), Value);
}

}  // namespace
