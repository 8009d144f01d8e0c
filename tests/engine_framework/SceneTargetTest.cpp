// The frame budget on the fake backend: what each device type gets, the scene's size for a
// back buffer, and the scene target's life in the framework (made at the first frame, drawn
// into between BeginSceneTarget and EndSceneTarget, stretched with linear filtering, released
// before every reset).
#include "engine_framework/FrameworkFixture.h"

namespace {

FakeMachine OnlySoftware(D3DDEVTYPE Type) {
  FakeMachine Machine = FakeMachine::Typical();
  Machine.Adapters[0].Devices = {FakeMachine::SoftwareDevice(Type)};
  return Machine;
}

TEST(FrameBudget, SoftwareDevicesGetTheCapAndTheSmallerSceneHardwareNothing) {
  const TFrameBudget Hal = TFrameBudget::ForDevice(D3DDEVTYPE_HAL);
  EXPECT_FALSE(Hal.Software);
  EXPECT_EQ(Hal.MaxFps, 0);
  EXPECT_FALSE(Hal.Reduces(3840, 2160));
  for (D3DDEVTYPE Type : {D3DDEVTYPE_REF, D3DDEVTYPE_SW}) {
    const TFrameBudget B = TFrameBudget::ForDevice(Type);
    EXPECT_TRUE(B.Software);
    EXPECT_EQ(B.MaxFps, 30);
    EXPECT_NE(B.Describe().find("software renderer: at most 30 frames a second"), std::string::npos)
        << B.Describe();
  }

  // At most 1280 x 720 with the window's aspect kept; a smaller window keeps its size.
  const TFrameBudget Ref = TFrameBudget::ForDevice(D3DDEVTYPE_REF);
  struct TCase {
    UINT W, H, SceneW, SceneH;
  };
  for (const TCase& C :
       {TCase{1920, 1080, 1280, 720}, TCase{2560, 1440, 1280, 720}, TCase{1280, 1024, 900, 720},
        TCase{3840, 1200, 1280, 400}, TCase{1024, 768, 960, 720}, TCase{1024, 600, 1024, 600},
        TCase{1, 1, 1, 1}}) {
    UINT W = 0, H = 0;
    Ref.SceneSize(C.W, C.H, W, H);
    EXPECT_EQ(W, C.SceneW) << C.W << "x" << C.H;
    EXPECT_EQ(H, C.SceneH) << C.W << "x" << C.H;
    EXPECT_EQ(Ref.Reduces(C.W, C.H), C.SceneW < C.W) << C.W << "x" << C.H;
  }

  // An explicit scale holds on any renderer, without the size limit, within 0.25 to 1.
  TFrameBudget Scaled = Hal;
  Scaled.OverrideScale(0.5f);
  UINT W = 0, H = 0;
  Scaled.SceneSize(1920, 1080, W, H);
  EXPECT_EQ(W, 960u);
  EXPECT_EQ(H, 540u);
  TFrameBudget Full = Ref;
  Full.OverrideScale(1.0f);
  EXPECT_FALSE(Full.Reduces(3840, 2160)) << "--render-scale 1 lifts the software limit";
  Scaled.OverrideScale(0.01f);
  EXPECT_EQ(Scaled.Scale, 0.25f);
}

// A frame that draws a triangle into the scene, then one more (the texts) after the scene.
void DrawSceneThenText(TW9DirectX* DX, bool& DefaultPresent) {
  static const float Triangle[] = {0, 0, 0, 1, 10, 0, 0, 1, 0, 10, 0, 1};
  IDirect3DDevice9* Device = DX->Device();
  DX->BeginSceneTarget();
  Device->BeginScene();
  Device->SetFVF(D3DFVF_XYZRHW);
  Device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, Triangle, 16);
  Device->EndScene();
  DX->EndSceneTarget();
  Device->BeginScene();
  Device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, Triangle, 16);
  Device->EndScene();
  DefaultPresent = true;
}

TEST_F(FrameworkTest, ASmallerSceneIsDrawnIntoItsTargetAndStretchedOntoTheBackBuffer) {
  LoadAndStart(OnlySoftware(D3DDEVTYPE_REF));
  ASSERT_EQ(D3DDEVTYPE_REF, DX->d3dSettings().DeviceType());
  TFrameBudget Budget = TFrameBudget::ForDevice(DX->d3dSettings().DeviceType());
  Budget.OverrideScale(0.5f);
  DX->SetSceneBudget(Budget);
  DX->OnRender = [](TW9DirectX* Sender, bool& DefaultPresent) {
    DrawSceneThenText(Sender, DefaultPresent);
    return S_OK;
  };

  // The target's size as CreateRenderTarget's log starts: half the back buffer's.
  auto Half = [this] {
    return std::to_string(DX->PresentParams().BackBufferWidth / 2) + ", " +
           std::to_string(DX->PresentParams().BackBufferHeight / 2) + ", ";
  };
  for (int Pass = 0; Pass < 2; ++Pass) {
    Log().Clear();
    Device()->ClearDraws();
    ASSERT_EQ(S_OK, Frame());
    // Made once, at the first frame: half the 320 x 240 back buffer.
    EXPECT_EQ(Pass == 0 ? 1 : 0, Log().Count("CreateRenderTarget")) << Log().Text();
    if (Pass == 0) {
      EXPECT_EQ(Log().CallsTo("CreateRenderTarget").at(0).Args.rfind(Half(), 0), 0u)
          << Log().Text();
    }
    ASSERT_EQ(2u, Device()->Draws().size());
    EXPECT_NE("backbuffer", Device()->Draws()[0].Target) << "the scene goes to the target";
    EXPECT_EQ("backbuffer", Device()->Draws()[1].Target) << "the texts to the back buffer";
    const std::string Target = Device()->Draws()[0].Target;
    EXPECT_TRUE(Log().Contains("StretchRect(" + Target + ", null, backbuffer, null, 2)"))
        << Log().Text();
  }

  // A size change resets the device: the target goes first (else Reset would refuse), and
  // the next frame makes one of the new size.
  Log().Clear();
  PlaceWindow(100, 80, 400, 300);
  const UINT OldWidth = DX->PresentParams().BackBufferWidth;
  EXPECT_EQ(S_OK, DX->HandleSizeChange());
  EXPECT_EQ(1, Log().Count("Reset"));
  EXPECT_EQ(S_OK, Log().CallsTo("Reset").at(0).Result);
  EXPECT_NE(OldWidth, DX->PresentParams().BackBufferWidth);
  ASSERT_EQ(S_OK, Frame());
  ASSERT_EQ(1, Log().Count("CreateRenderTarget"));
  EXPECT_EQ(Log().CallsTo("CreateRenderTarget").at(0).Args.rfind(Half(), 0), 0u) << Log().Text();
}

TEST_F(FrameworkTest, AFullSizeSceneOrAFailedTargetDrawsStraightIntoTheBackBuffer) {
  LoadAndStart();
  DX->SetSceneBudget(TFrameBudget::ForDevice(DX->d3dSettings().DeviceType()));
  DX->OnRender = [](TW9DirectX* Sender, bool& DefaultPresent) {
    DrawSceneThenText(Sender, DefaultPresent);
    return S_OK;
  };
  ASSERT_EQ(S_OK, Frame());
  EXPECT_EQ(0, Log().Count("CreateRenderTarget"));
  EXPECT_EQ(0, Log().Count("SetRenderTarget"));
  EXPECT_EQ(0, Log().Count("StretchRect"));

  // A target the device cannot make leaves the scene at full size, asked for once.
  TFrameBudget Half;
  Half.OverrideScale(0.5f);
  DX->SetSceneBudget(Half);
  Log().FailCall("CreateRenderTarget", D3DERR_OUTOFVIDEOMEMORY, 1);
  Device()->ClearDraws();
  ASSERT_EQ(S_OK, Frame());
  ASSERT_EQ(S_OK, Frame());
  EXPECT_EQ(1, Log().Count("CreateRenderTarget"));
  EXPECT_EQ(0, Log().Count("StretchRect"));
  for (const FakeDraw& Draw : Device()->Draws()) EXPECT_EQ("backbuffer", Draw.Target);
  EXPECT_EQ(static_cast<UINT>(DX->GetSceneRect().right), DX->PresentParams().BackBufferWidth);
}

}  // namespace
