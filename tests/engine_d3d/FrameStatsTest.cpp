#include <gtest/gtest.h>

#include <memory>

#include "engine/TW9DirectX.h"
#include "engine_d3d/FakeTimeSource.h"
#include "platform/render/fake/FakeDirect3D9.h"

namespace {

class FrameStatsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Time = std::make_shared<FakeTimeSource>();
    // From zero, whole seconds keep the single-precision time of the last update exact.
    Time->Counter = 0;
    Framework = std::make_unique<TW9DirectX>(Time);
    Framework->Timer(tcInit);
    Framework->Timer(tcReset);
    Framework->d3dEnumeration().AppUsesDepthBuffer = true;
    TD3DSettings& settings = Framework->d3dSettings();
    settings.Windowed = true;
    settings.WindowedConfig.DisplayMode = {1024, 768, 60, D3DFMT_X8R8G8B8};
    settings.WindowedConfig.DepthStencilFormat = D3DFMT_D24S8;
    BackBuffer(D3DFMT_X8R8G8B8, 800, 600);
  }

  // The framework holds a device with a back buffer of this format and size.
  void BackBuffer(D3DFORMAT Format, UINT Width, UINT Height) {
    D3DPRESENT_PARAMETERS Params{};
    Params.Windowed = TRUE;
    Params.BackBufferFormat = Format;
    Params.BackBufferWidth = Width;
    Params.BackBufferHeight = Height;
    Params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    if (!Device) {
      D3DPRESENT_PARAMETERS Made = Params;
      ASSERT_EQ(S_OK, D3D->CreateDevice(0, D3DDEVTYPE_HAL, FakeHandle<HWND>(1),
                                        D3DCREATE_HARDWARE_VERTEXPROCESSING, &Made, &Device));
    }
    Framework->AttachDevice(Device, Params, D3DCAPS9{});
  }

  // Counts Frames frames spread evenly over Seconds.
  std::string StatsAfter(int Frames, double Seconds) {
    for (int i = 0; i < Frames; ++i) {
      Time->Advance(Seconds / Frames);
      Framework->UpdateStats();
    }
    return Framework->FrameStats();
  }

  Ref<FakeDirect3D9> D3D = MakeRef<FakeDirect3D9>(FakeMachine::Typical());
  Ref<IDirect3DDevice9> Device;
  std::shared_ptr<FakeTimeSource> Time;
  std::unique_ptr<TW9DirectX> Framework;
};

TEST_F(FrameStatsTest, LineNamesModeDepthAndRate) {
  // The first update after Start measures from time 0 and builds the line at once.
  Time->Advance(2.0);
  Framework->UpdateStats();
  // Then 50 frames over 1.25 seconds.
  EXPECT_EQ(StatsAfter(50, 1.25), "40.00 fps (800x600), X8R8G8B8D24S8");
  EXPECT_FLOAT_EQ(Framework->FPS(), 40.0f);
}

TEST_F(FrameStatsTest, NotRebuiltAtExactlyOneSecond) {
  Time->Advance(2.0);
  Framework->UpdateStats();
  const std::string first = Framework->FrameStats();
  Time->Advance(1.0);
  Framework->UpdateStats();
  EXPECT_EQ(Framework->FrameStats(), first);
  Time->Advance(0.001);
  Framework->UpdateStats();
  EXPECT_NE(Framework->FrameStats(), first);
  // Two frames over 1.001 seconds.
  EXPECT_NEAR(Framework->FPS(), 2.0 / 1.001, 1e-3);
}

TEST_F(FrameStatsTest, DifferentBackBufferFormatNamesBoth) {
  BackBuffer(D3DFMT_A8R8G8B8, 800, 600);
  Time->Advance(2.0);
  Framework->UpdateStats();
  EXPECT_EQ(Framework->FrameStats(), "0.50 fps (800x600), backbuf A8R8G8B8, adapter X8R8G8B8D24S8");
}

TEST_F(FrameStatsTest, NoDepthTextWithoutDepthBuffer) {
  Framework->d3dEnumeration().AppUsesDepthBuffer = false;
  Time->Advance(4.0);
  Framework->UpdateStats();
  EXPECT_EQ(Framework->FrameStats(), "0.25 fps (800x600), X8R8G8B8");
}

TEST_F(FrameStatsTest, MultisampleText) {
  const struct {
    int Type;
    const char* Text;
  } cases[] = {
      {0, ""},
      {1, " (Nonmaskable Multisample)"},
      {2, " (2x Multisample)"},
      {16, " (16x Multisample)"},
      {17, ""},
  };
  for (const auto& c : cases) {
    Framework->d3dSettings().WindowedConfig.MultiSampleType =
        static_cast<D3DMULTISAMPLE_TYPE>(c.Type);
    Time->Advance(2.0);
    Framework->UpdateStats();
    EXPECT_EQ(Framework->FrameStats(), std::string("0.50 fps (800x600), X8R8G8B8D24S8") + c.Text)
        << "multisample type " << c.Type;
  }
}

TEST_F(FrameStatsTest, ReadsTheCurrentHalfOfTheSettings) {
  TD3DSettings& settings = Framework->d3dSettings();
  settings.Windowed = false;
  settings.FullscreenConfig.DisplayMode = {1280, 1024, 75, D3DFMT_R5G6B5};
  settings.FullscreenConfig.DepthStencilFormat = D3DFMT_D16;
  BackBuffer(D3DFMT_R5G6B5, 1280, 1024);
  Time->Advance(2.0);
  Framework->UpdateStats();
  EXPECT_EQ(Framework->FrameStats(), "0.50 fps (1280x1024), R5G6B5D16");
}

}  // namespace
