// The backdrop drawn by the GL backend under Xvfb with the saver's projection: the room and
// the star sphere close round the camera wherever it looks, the walls carry their pictures the
// way the media draws them, the pedestal stands under the Sun, and the stars stay at infinity.
// Set ZELMAR_PIXEL_DIR to keep the frames as PNG files.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "engine/TW9DirectX.h"
#include "engine/TWPool.h"
#include "platform/render/d3dx9.h"
#include "platform/render/gl/GLBackend.h"
#include "scene/TWSpace.h"
#include "support/GLDeviceWindow.h"

namespace fs = std::filesystem;
using zelmar::TWSpace;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 360;
// Nothing the backdrop draws comes out this colour.
constexpr D3DCOLOR kClear = 0xFFFF00FF;

class SpacePixelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Screen.Open(DX, "scene_space_pixel_tests", kWidth, kHeight));
    Pool.SetDX(&DX);
  }

  void TearDown() override {
    Pool.SetActive(false);
    Space.reset();
    Screen.Close(DX);
    if (!Scratch.empty()) {
      std::error_code Error;
      fs::remove_all(Scratch, Error);
    }
  }

  // The generated media of the display, as the saver reads them.
  void UseMedia(const char* Display) {
    const char* Build = std::getenv("ZELMAR_BUILD_DIR");
    ASSERT_NE(nullptr, Build);
    const fs::path Dir = fs::path(Build) / "media" / Display / "High";
    ASSERT_TRUE(
        fs::exists(Dir / (std::string(Display) == "textures" ? "nightsky.jpg" : "wall1.jpg")))
        << Dir;
    Pool.PathTextures = Dir.string();
  }

  // The saver's device states of the Brass display: lights above the room and at the Sun.
  void LightTheRoom() {
    IDirect3DDevice9* Device = DX.Device.Get();
    Device->SetRenderState(D3DRS_AMBIENT, 0x40404040);
    Device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    Device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    Device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    const struct {
      D3DVECTOR Position;
      float Attenuation, Diffuse, Ambient, Specular;
    } Lights[] = {{{0, 1000, 0}, 0.04f, 0.01f, 0.002f, 0.01f}, {{0, 0, 0}, 0.5f, 0.1f, 0, 0}};
    for (DWORD I = 0; I < 2; ++I) {
      D3DLIGHT9 Light{};
      Light.Type = D3DLIGHT_POINT;
      Light.Position = Lights[I].Position;
      Light.Attenuation0 = Lights[I].Attenuation;
      Light.Range = 1.84390889988791e18f;
      Light.Diffuse = {Lights[I].Diffuse, Lights[I].Diffuse, Lights[I].Diffuse, 1};
      Light.Ambient = {Lights[I].Ambient, Lights[I].Ambient, Lights[I].Ambient, 0};
      Light.Specular = {Lights[I].Specular, Lights[I].Specular, Lights[I].Specular, 1};
      Device->SetLight(I, &Light);
      Device->LightEnable(I, TRUE);
    }
  }

  void Create(bool Brass) {
    Space = std::make_unique<TWSpace>(&Pool, Brass, 0);
    Pool.SetActive(true);
    ASSERT_NE(nullptr, Space->RoomTextures[0]->Texture()) << "the media loaded";
  }

  // One frame of the backdrop seen from Eye towards At, with the saver's projection.
  QImage Frame(const D3DXVECTOR3& Eye, const D3DXVECTOR3& At, const char* Name) {
    IDirect3DDevice9* Device = DX.Device.Get();
    const D3DXVECTOR3 Up(0, 1, 0);
    D3DXMatrixLookAtLH(&View, &Eye, &At, &Up);
    D3DXMatrixPerspectiveFovLH(&Projection, 3.1415927f / 4, static_cast<float>(kWidth) / kHeight,
                               1.0f, 10000000.0f);
    Device->SetTransform(D3DTS_VIEW, &View);
    Device->SetTransform(D3DTS_PROJECTION, &Projection);
    Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClear, 1.0f, 0);
    Device->BeginScene();
    Space->Render(&DX, Eye);
    Device->EndScene();
    QImage Image = GLGrabBackBuffer(Device).convertToFormat(QImage::Format_RGB32);
    if (const char* Dir = std::getenv("ZELMAR_PIXEL_DIR"))
      Image.save(QString::fromStdString(std::string(Dir) + "/" + Name + ".png"));
    return Image;
  }

  // Pixels still showing the clear colour.
  static int Holes(const QImage& Image) {
    int Count = 0;
    for (int y = 0; y < Image.height(); ++y)
      for (int x = 0; x < Image.width(); ++x) Count += Image.pixel(x, y) == (kClear | 0xFF000000u);
    return Count;
  }

  // The pixel a world point lands on with the last frame's camera.
  QPoint Project(const D3DXVECTOR3& P) const {
    const D3DXMATRIX M = View * Projection;
    const float X = P.x * M._11 + P.y * M._21 + P.z * M._31 + M._41;
    const float Y = P.x * M._12 + P.y * M._22 + P.z * M._32 + M._42;
    const float W = P.x * M._14 + P.y * M._24 + P.z * M._34 + M._44;
    return {static_cast<int>((X / W + 1) / 2 * kWidth),
            static_cast<int>((1 - Y / W) / 2 * kHeight)};
  }

  GLDeviceWindow Screen;
  TW9DirectX DX;
  TWPool Pool;
  std::unique_ptr<TWSpace> Space;
  D3DXMATRIX View, Projection;
  fs::path Scratch;
};

// Eyes inside the room and where they look: the saver's opening view, each wall, the floor
// and the ceiling (the last two slightly off the vertical, so that the up vector holds).
const struct {
  const char* Name;
  D3DXVECTOR3 Eye, At;
} kRoomViews[] = {
    {"room-saver", {0, 210, -500}, {0, 0, 0}},
    {"room-wall1", {0, 400, 0}, {0, 400, 1}},
    {"room-wall2", {0, 400, 0}, {0, 400, -1}},
    {"room-wall3", {0, 400, 0}, {1, 400, 0}},
    {"room-wall4", {0, 400, 0}, {-1, 400, 0}},
    {"room-floor", {0, 400, 0}, {0, 0, 1}},
    {"room-ceiling", {0, 400, 0}, {0, 800, 1}},
    {"room-corner", {2600, 850, 2600}, {-1, -100, -1}},
    {"room-pedestal", {0, -60, -180}, {0, -90, 0}},
};

TEST_F(SpacePixelTest, TheRoomClosesRoundTheCameraAndThePedestalStandsUnderTheSun) {
  UseMedia("tabletextures");
  LightTheRoom();
  Create(true);
  for (const auto& Look : kRoomViews) {
    const QImage Image = Frame(Look.Eye, Look.At, Look.Name);
    EXPECT_EQ(0, Holes(Image)) << Look.Name << ": a surface faces away or is missing";
  }

  // The pedestal is what changes when its three parts are left out.
  const QImage With = Frame({0, 210, -500}, {0, 0, 0}, "room-saver");
  const auto Pedestal = Space->RoomObjects;
  for (int I = TWSpace::rpColumn; I <= TWSpace::rpBase; ++I) Space->RoomObjects[I] = nullptr;
  const QImage Without = Frame({0, 210, -500}, {0, 0, 0}, "room-without-pedestal");
  Space->RoomObjects = Pedestal;
  int Left = kWidth, Right = -1, Top = kHeight, Bottom = -1;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (With.pixel(x, y) != Without.pixel(x, y)) {
        Left = std::min(Left, x);
        Right = std::max(Right, x);
        Top = std::min(Top, y);
        Bottom = std::max(Bottom, y);
      }
  ASSERT_GE(Right, 0) << "the pedestal is drawn";
  // Upright on the vertical through the Sun: the cap's top, the base's front rim and its two
  // sides bound it.
  EXPECT_NEAR(Project({0, -40, 0}).y(), Top, 3);
  EXPECT_NEAR(Project({0, -128, -40}).y(), Bottom, 3);
  EXPECT_NEAR(Project({-40, -125, 0}).x(), Left, 3);
  EXPECT_NEAR(Project({40, -125, 0}).x(), Right, 3);
}

TEST_F(SpacePixelTest, WallPicturesStandWithTheirFirstRowOnTheFloor) {
  // Every room picture: its first half one colour, its second another. The media draw the
  // walls' skirting boards in the first rows, so those must meet the floor.
  Scratch = fs::temp_directory_path() /
            ("zelmar-space-pixels-" + std::to_string(QCoreApplication::applicationPid()));
  fs::create_directories(Scratch);
  for (const char* File : {"wall1.jpg", "wall2.jpg", "wall3.jpg", "wall4.jpg", "floor.jpg",
                           "ceiling.jpg", "rod.jpg"}) {
    QImage Picture(16, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) Picture.setPixel(x, y, y < 8 ? 0xFFFF2020 : 0xFF2020FF);
    ASSERT_TRUE(Picture.save(QString::fromStdString((Scratch / File).string()), "BMP"));
  }
  Pool.PathTextures = Scratch.string();
  LightTheRoom();
  Create(true);
  for (const auto& Look : {kRoomViews[1], kRoomViews[2], kRoomViews[3], kRoomViews[4]}) {
    // Looking level at the middle of a wall: the picture's halves meet at y 400.
    const QImage Image = Frame(Look.Eye, Look.At, (std::string(Look.Name) + "-halves").c_str());
    const QRgb Below = Image.pixel(kWidth / 2, kHeight / 2 + 20);
    const QRgb Above = Image.pixel(kWidth / 2, kHeight / 2 - 20);
    EXPECT_GT(qRed(Below), qBlue(Below) + 10) << Look.Name << ": first rows at the floor";
    EXPECT_GT(qBlue(Above), qRed(Above) + 10) << Look.Name << ": last rows at the top";
  }
}

TEST_F(SpacePixelTest, TheStarsSurroundTheCameraAndStayAtInfinity) {
  UseMedia("textures");
  Create(false);
  const D3DXVECTOR3 Eyes[] = {{0, 210, -500}, {11827, 40, -3000}};
  const D3DXVECTOR3 Looks[] = {{0, 0, 1},     {0, 0, -1},     {1, 0, 0},   {-1, 0, 0},
                               {0, 1, 0.01f}, {0, -1, 0.01f}, {1, 0.3f, 1}};
  for (const D3DXVECTOR3& Look : Looks) {
    QImage First;
    for (const D3DXVECTOR3& Eye : Eyes) {
      const std::string Name =
          "stars-" + std::to_string(&Look - Looks) + "-" + std::to_string(&Eye - Eyes);
      const QImage Image = Frame(Eye, Eye + Look, Name.c_str());
      EXPECT_EQ(0, Holes(Image)) << Name;
      if (First.isNull()) {
        First = Image;
        continue;
      }
      // The same direction from elsewhere shows the same stars.
      int Differ = 0;
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
          const QRgb A = First.pixel(x, y), B = Image.pixel(x, y);
          Differ += std::abs(qRed(A) - qRed(B)) + std::abs(qGreen(A) - qGreen(B)) +
                        std::abs(qBlue(A) - qBlue(B)) >
                    24;
        }
      EXPECT_LT(Differ, kWidth * kHeight / 200) << Name;
    }
  }
}

}  // namespace
