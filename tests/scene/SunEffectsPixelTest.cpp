// The flare and the glare drawn by the GL backend under Xvfb: the flare's elements blend onto
// the picture with the opacity their texture's alpha (doubled) and the flare's strength give,
// and the glare lays a white veil of its alpha over the whole screen.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QWindow>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/TW9DirectX.h"
#include "engine/TWPool.h"
#include "platform/render/d3dx9.h"
#include "platform/render/gl/GLBackend.h"
#include "scene/TWGlare.h"
#include "scene/TWLensFlare.h"
#include "support/GLDeviceWindow.h"

using zelmar::TWGlare;
using zelmar::TWLensFlare;

namespace {

constexpr int kSize = 128;
constexpr D3DCOLOR kBackground = 0xFF204060;

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
    EnsureGuiApplication("scene_sun_effects_pixel_test");
    // Every flare element a red, a quarter opaque; the veil plain white.
    for (int I = 1; I <= 9; ++I) RegisterPicture("flare" + std::to_string(I), 0x40FF0000, 32);
    RegisterPicture("Glare", 0xFFFFFFFF, 4);

    ASSERT_TRUE(Screen.Open(DX, "scene_sun_effects_pixel_test", kSize, kSize));
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
    Screen.Close(DX);
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

  QImage EndFrame(const char* Name) { return EndFrameAndGrab(DX, Name); }

  GLDeviceWindow Screen;
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
