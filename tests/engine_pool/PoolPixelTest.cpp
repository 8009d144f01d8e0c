// The pool's pieces drawn by the GL backend under Xvfb: a lit textured sphere, and a
// colour-keyed texture whose opaque pure blue texels vanish for a key written as full red in
// the GUI colour form.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "engine/FindMediaFile.h"
#include "engine/TW9DirectX.h"
#include "engine/TWPool.h"
#include "platform/render/d3dx9.h"
#include "platform/render/gl/GLBackend.h"
#include "support/GLDeviceWindow.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSize = 128;
constexpr D3DCOLOR kBackground = 0xFF00FF00;

class PoolPixelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Screen.Open(DX, "engine_pool_pixel_test", kSize, kSize));

    Media = fs::temp_directory_path() /
            ("zelmar-pool-pixels-" + std::to_string(QCoreApplication::applicationPid()));
    fs::create_directories(Media);
    Pool.SetDX(&DX);
    Pool.PathTextures = Media.string();
    Pool.SetActive(true);
  }

  void TearDown() override {
    Pool.SetActive(false);
    Screen.Close(DX);
    std::error_code Error;
    fs::remove_all(Media, Error);
  }

  // An image file of vertical bands of the given colours, left to right.
  void WriteBands(const std::string& Name, std::initializer_list<QRgb> Bands) {
    QImage Image(48, 16, QImage::Format_RGB32);
    int Band = 0;
    for (QRgb Colour : Bands) {
      for (int y = 0; y < Image.height(); ++y)
        for (int x = Band * 16; x < (Band + 1) * 16; ++x) Image.setPixel(x, y, Colour);
      ++Band;
    }
    ASSERT_TRUE(Image.save(QString::fromStdString((Media / Name).string()), "BMP"));
  }

  void BeginFrame() {
    IDirect3DDevice9* Device = DX.Device.Get();
    const D3DXVECTOR3 Eye(0, 0, -4), At(0, 0, 0), Up(0, 1, 0);
    D3DXMatrixLookAtLH(&View, &Eye, &At, &Up);
    D3DXMatrixPerspectiveFovLH(&Projection, 3.14159265f / 4, 1.0f, 0.5f, 20.0f);
    Device->SetTransform(D3DTS_VIEW, &View);
    Device->SetTransform(D3DTS_PROJECTION, &Projection);
    D3DMATERIAL9 Material;
    Material.Diffuse = Material.Ambient = {1, 1, 1, 1};
    Material.Power = 40;
    Device->SetMaterial(&Material);
    ASSERT_EQ(D3D_OK,
              Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0));
    ASSERT_EQ(D3D_OK, Device->BeginScene());
  }

  QImage EndFrame(const char* Name) { return EndFrameAndGrab(DX, Name); }

  static D3DCOLOR At(const QImage& Image, int x, int y) { return Image.pixel(x, y); }
  static D3DCOLOR At(const QImage& Image, POINT P) { return Image.pixel(P.x, P.y); }

  // The pixel a world point lands on with the camera of BeginFrame.
  POINT Project(const D3DVECTOR& P) const {
    const D3DXMATRIX M = View * Projection;
    const float X = P.x * M._11 + P.y * M._21 + P.z * M._31 + M._41;
    const float Y = P.x * M._12 + P.y * M._22 + P.z * M._32 + M._42;
    const float W = P.x * M._14 + P.y * M._24 + P.z * M._34 + M._44;
    return {static_cast<LONG>((X / W + 1) / 2 * kSize), static_cast<LONG>((1 - Y / W) / 2 * kSize)};
  }

  D3DXMATRIX View, Projection;
  GLDeviceWindow Screen;
  TW9DirectX DX;
  TWPool Pool;
  fs::path Media;
};

TEST_F(PoolPixelTest, LitTexturedSphereAndCube) {
  // Latitude bands: tv runs from the top pole (0) to the bottom pole (1), so the equator is
  // orange all the way round.
  QImage Bands(16, 48, QImage::Format_RGB32);
  for (int y = 0; y < Bands.height(); ++y)
    for (int x = 0; x < Bands.width(); ++x)
      Bands.setPixel(x, y, y < 16 ? 0xFF4060FF : y < 32 ? 0xFFFF8000 : 0xFFFFFFFF);
  ASSERT_TRUE(Bands.save(QString::fromStdString((Media / "bands.bmp").string()), "BMP"));
  TWTexture* Texture = Pool.WTextures().AddTexture("bands.bmp");

  TWObject* Sphere = Pool.WObjects().Add();
  Sphere->SetObjectType(dxotEllipse);
  Sphere->SetSegmentsX(32);
  Sphere->SetSegmentsZ(24);
  Sphere->SetIndexed(true);
  TWObject* Cube = Pool.WObjects().Add();
  Cube->SetPosition({1.3f, 1.2f, 0});
  Cube->SetSize({0.25f, 0.25f, 0.25f});
  TWLight* Light = Pool.WLights().Add();
  Light->SetLightType(D3DLIGHT_POINT);
  Light->SetAttenuation0(1.0f);
  Light->SetPosition({-6, 0, -3});
  Light->SetLightOn(true);
  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
  ASSERT_EQ(S_OK, Pool.RestoreDeviceObjects());
  ASSERT_NE(nullptr, Texture->Texture());

  BeginFrame();
  // The poles lie on the z axis; turn the sphere so that they point up and down.
  D3DXMATRIX World;
  D3DXMatrixRotationX(&World, -3.14159265f / 2);
  DX.Device->SetTransform(D3DTS_WORLD, &World);
  DX.Device->SetTexture(0, Texture->Texture());
  Sphere->Render();
  D3DXMatrixIdentity(&World);
  DX.Device->SetTransform(D3DTS_WORLD, &World);
  Cube->Render();
  const QImage Image = EndFrame("lit-sphere");

  const POINT Centre = Project({0, 0, 0});
  const D3DCOLOR Lit = At(Image, Project({-0.7f, 0, -0.7f}));
  const D3DCOLOR Dark = At(Image, Project({0.7f, 0, -0.7f}));
  EXPECT_TRUE(ColorNear(At(Image, 2, 2), kBackground));
  EXPECT_FALSE(ColorNear(At(Image, Centre), kBackground)) << "the sphere covers the centre";
  EXPECT_GT(Brightness(Lit), Brightness(Dark) + 150) << "lit from the left";
  EXPECT_GT(Channel(Lit, 16), Channel(Lit, 0) + 60) << "orange at the equator";
  const D3DCOLOR North = At(Image, Project({-0.3f, 0.8f, -0.4f}));
  EXPECT_GT(Channel(North, 0), Channel(North, 16)) << "blue towards the top pole";
  EXPECT_FALSE(ColorNear(At(Image, Project({1.3f, 1.2f, -0.25f})), kBackground)) << "the cube";
}

TEST_F(PoolPixelTest, KeyWrittenAsFullRedInTheGuiFormMakesOpaqueBlueTransparent) {
  WriteBands("bands.bmp", {0xFF0000FF, 0xFFFF0000, 0xFFFFFFFF});  // blue, red, white
  TWTexture* Texture = Pool.WTextures().AddTexture("bands.bmp");
  Texture->ColorKeyCreate = true;
  Texture->ColorKeyColor = 0x000000FF;  // 0x00BBGGRR: full red
  TWObject* Plane = Pool.WObjects().Add();
  Plane->SetObjectType(dxotPlaneXY);
  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());

  BeginFrame();
  IDirect3DDevice9* Device = DX.Device.Get();
  Device->SetRenderState(D3DRS_LIGHTING, FALSE);
  Device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  Device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  Device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  Device->SetTexture(0, Texture->Texture());
  Plane->Render();
  const QImage Image = EndFrame("colour-key");

  // The plane's tu runs from 1 at its left edge (seen from -z) to 0 at its right edge, so the
  // image's bands appear mirrored: white, red, blue from left to right.
  EXPECT_TRUE(ColorNear(At(Image, Project({-0.66f, 0, -1})), 0xFFFFFFFF));
  EXPECT_TRUE(ColorNear(At(Image, Project({0, 0, -1})), 0xFFFF0000)) << "red is not the key";
  EXPECT_TRUE(ColorNear(At(Image, Project({0.66f, 0, -1})), kBackground)) << "blue is keyed out";
}

}  // namespace
