// Failures of loading, device creation, resets and mode toggles: which message is shown, how
// often, whether the window is asked to close, and the fall-back to the reference device.
#include "engine_framework/FrameworkFixture.h"

namespace {

const char* const kResetFailed = "Could not reset the Direct3D device.";
const char* const kGeneric =
    "Generic application error. Enable\r\ndebug output for detailed information.";
const char* const kSwitching =
    "\r\n\r\nSwitching to the reference rasterizer,\r\na software device that implements the "
    "entire\r\nDirect3D feature set, but runs very slowly.";
const UINT kErrorBox = MB_ICONERROR | MB_OK;
const UINT kWarningBox = MB_ICONWARNING | MB_OK;

FakeMachine WithReferenceDevice() {
  FakeMachine Machine = FakeMachine::Typical();
  Machine.Adapters[0].Devices.push_back(FakeMachine::SoftwareDevice(D3DDEVTYPE_REF));
  return Machine;
}

TEST_F(FrameworkTest, FailedResetInASizeChangeShowsOneMessageAndClosesTheWindow) {
  LoadAndStart();
  Log().FailCall("Reset", D3DERR_INVALIDCALL);

  SendMessageA(Window(), WM_ENTERSIZEMOVE, 0, 0);
  PlaceWindow(100, 80, 400, 300);
  SendMessageA(Window(), WM_EXITSIZEMOVE, 0, 0);
  ASSERT_EQ(1u, Boxes.size());
  EXPECT_EQ(kResetFailed, Boxes[0].Text);
  EXPECT_EQ(kErrorBox, Boxes[0].Type);
  EXPECT_EQ(1, Seen(WM_CLOSE));
  EXPECT_EQ(1, Seen(WM_EXITSIZEMOVE)) << "the form still sees the message";
  EXPECT_EQ((TJournal{"pool1 invalidate", "pool2 invalidate", "form invalidate", "message box",
                      "close request"}),
            Journal);

  // A second fatal failure shows nothing and asks nothing.
  PlaceWindow(100, 80, 500, 300);
  EXPECT_EQ(D3DAPPERR_RESETFAILED, DX->HandleSizeChange());
  EXPECT_EQ(1u, Boxes.size());
  EXPECT_EQ(1, Seen(WM_CLOSE));

  // Clean-up undoes only what stands: the objects were invalidated already.
  Journal.clear();
  DX->Stop();
  EXPECT_EQ((TJournal{"pool1 delete", "pool2 delete", "form delete", "final cleanup",
                      "switched windowed", "after stop"}),
            Journal);
}

TEST_F(FrameworkTest, OutOfVideoMemoryInAResetKeepsItsOwnMessage) {
  LoadAndStart();
  Log().FailCall("Reset", D3DERR_OUTOFVIDEOMEMORY);
  PlaceWindow(100, 80, 400, 300);
  EXPECT_EQ(D3DERR_OUTOFVIDEOMEMORY, DX->HandleSizeChange());
  ASSERT_EQ(1u, Boxes.size());
  EXPECT_EQ("Not enough video memory.", Boxes[0].Text);
}

TEST_F(FrameworkTest, FailedToggleReturnsToWindowedWithOneMessage) {
  LoadAndStart();
  Log().FailCall("Reset", D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DAPPERR_RESETFAILED, DX->ToggleFullscreen());
  EXPECT_TRUE(DX->Windowed());
  EXPECT_TRUE(DX->d3dSettings().Windowed);
  EXPECT_FALSE(DX->Active()) << "the toggle's pause stays while the window closes";
  ASSERT_EQ(1u, Boxes.size());
  EXPECT_EQ(kResetFailed, Boxes[0].Text);
  EXPECT_EQ(1, Seen(WM_CLOSE));

  EXPECT_EQ(D3DAPPERR_RESETFAILED, DX->ToggleFullscreen());
  EXPECT_EQ(1u, Boxes.size());
  EXPECT_EQ(1, Seen(WM_CLOSE));
}

TEST_F(FrameworkTest, OnlyTheFirstFatalMessageIsShown) {
  LoadAndStart();
  EXPECT_EQ(E_OUTOFMEMORY, DX->ShowError(E_OUTOFMEMORY, ekFatal));
  EXPECT_EQ(D3DERR_OUTOFVIDEOMEMORY, DX->ShowError(D3DERR_OUTOFVIDEOMEMORY, ekFatal));
  EXPECT_EQ(D3DAPPERR_NULLREFDEVICE, DX->ShowError(D3DAPPERR_NULLREFDEVICE, ekNone));
  ASSERT_EQ(1u, Boxes.size());
  EXPECT_EQ("Not enough memory.", Boxes[0].Text);
  EXPECT_EQ(kErrorBox, Boxes[0].Type);
  EXPECT_EQ(1, Seen(WM_CLOSE));
}

TEST_F(FrameworkTest, WarningsRepeatAndADriverErrorIsAlwaysFatal) {
  LoadAndStart();
  DX->ShowError(D3DAPPERR_NULLREFDEVICE, ekNone);
  DX->ShowError(D3DAPPERR_NULLREFDEVICE, ekNone);
  ASSERT_EQ(2u, Boxes.size());
  EXPECT_EQ(0, Boxes[0].Text.rfind("Warning: Nothing will be rendered.\r\n", 0));
  EXPECT_EQ(kWarningBox, Boxes[1].Type);
  EXPECT_EQ(0, Seen(WM_CLOSE));

  DX->ShowError(D3DERR_DRIVERINTERNALERROR, ekNone);
  ASSERT_EQ(3u, Boxes.size());
  EXPECT_EQ("A serious problem occured inside the display driver.", Boxes[2].Text);
  EXPECT_EQ(kErrorBox, Boxes[2].Type);
  EXPECT_EQ(1, Seen(WM_CLOSE));
}

TEST_F(FrameworkTest, CreationFailureOnHalFallsBackToTheReferenceDevice) {
  FakeMachine Machine = WithReferenceDevice();
  Load(Machine);
  ASSERT_EQ(D3DDEVTYPE_HAL, DX->d3dSettings().DeviceType());
  Log().FailCall("CreateDevice", D3DERR_NOTAVAILABLE, 1);

  ASSERT_EQ(S_OK, DX->Start());
  ASSERT_EQ(1u, Boxes.size());
  EXPECT_EQ(std::string(kGeneric) + kSwitching, Boxes[0].Text);
  EXPECT_EQ(kWarningBox, Boxes[0].Type);
  EXPECT_EQ(0, Seen(WM_CLOSE));
  const auto Creations = Log().CallsTo("CreateDevice");
  ASSERT_EQ(2u, Creations.size());
  EXPECT_EQ(0, Creations[0].Args.find("0, HAL,")) << Creations[0].Args;
  EXPECT_EQ(0, Creations[1].Args.find("0, REF,")) << Creations[1].Args;
  EXPECT_EQ(0, DX->DeviceStats().rfind("REF", 0)) << DX->DeviceStats();
  EXPECT_EQ(D3DDEVTYPE_REF, DX->d3dSettings().DeviceType());
  EXPECT_TRUE(DX->Started());
  EXPECT_EQ(S_OK, Frame());
  EXPECT_EQ(1, Device()->PresentCount());
}

TEST_F(FrameworkTest, FailedInitOnHalIsUndoneBeforeTheReferenceDeviceIsTried) {
  Load(WithReferenceDevice());
  int Attempts = 0;
  DX->OnInitDeviceObjects = [&](TW9DirectX*) {
    Journal.push_back("form init");
    return ++Attempts == 1 ? E_FAIL : S_OK;
  };
  ASSERT_EQ(S_OK, DX->Start());
  EXPECT_EQ((TJournal{"one-time init", "pool1 init", "pool2 init", "form init", "pool1 delete",
                      "pool2 delete", "form delete", "message box", "pool1 init", "pool2 init",
                      "form init", "pool1 restore", "pool2 restore", "form restore",
                      "switched windowed", "after start", "frame move"}),
            Journal);
  EXPECT_EQ(1u, D3D->Devices().size()) << "the HAL device is released";
  EXPECT_EQ(0, DX->DeviceStats().rfind("REF", 0)) << DX->DeviceStats();
}

TEST_F(FrameworkTest, FailedRestoreOnHalIsUndoneBeforeTheReferenceDeviceIsTried) {
  Load(WithReferenceDevice());
  int Attempts = 0;
  DX->OnRestoreDeviceObjects = [&](TW9DirectX*) {
    Journal.push_back("form restore");
    return ++Attempts == 1 ? E_FAIL : S_OK;
  };
  ASSERT_EQ(S_OK, DX->Start());
  EXPECT_EQ((TJournal{"one-time init",     "pool1 init",      "pool2 init",    "form init",
                      "pool1 restore",     "pool2 restore",   "form restore",  "pool1 invalidate",
                      "pool2 invalidate",  "form invalidate", "pool1 delete",  "pool2 delete",
                      "form delete",       "message box",     "pool1 init",    "pool2 init",
                      "form init",         "pool1 restore",   "pool2 restore", "form restore",
                      "switched windowed", "after start",     "frame move"}),
            Journal);
}

TEST_F(FrameworkTest, MissingMediaDoesNotFallBackAndEndsTheStart) {
  Load(WithReferenceDevice());
  DX->OnInitDeviceObjects = [](TW9DirectX*) { return D3DAPPERR_MEDIANOTFOUND; };
  EXPECT_EQ(D3DAPPERR_MEDIANOTFOUND, DX->Start());
  ASSERT_EQ(1u, Boxes.size());
  EXPECT_EQ("Could not load required media.", Boxes[0].Text);
  EXPECT_EQ(kErrorBox, Boxes[0].Type);
  EXPECT_EQ(1, Log().Count("CreateDevice"));
  EXPECT_FALSE(DX->Started());
  EXPECT_FALSE(DX->D3D());
  EXPECT_FALSE(DX->Device());
  EXPECT_TRUE(D3D->Devices().empty());
  EXPECT_FALSE(App().HasOnIdle()) << "a failed start installs no idle hook";
}

TEST_F(FrameworkTest, CreationFailureWithoutReferenceDeviceIsFatal) {
  Load();
  Log().FailCall("CreateDevice", D3DERR_NOTAVAILABLE);
  EXPECT_EQ(D3DERR_NOTAVAILABLE, DX->Start());
  ASSERT_EQ(1u, Boxes.size());
  EXPECT_EQ(kGeneric, Boxes[0].Text);
  EXPECT_EQ(1, Seen(WM_CLOSE));
  EXPECT_FALSE(DX->D3D());

  // Without the platform object a second start fails at once, silently.
  EXPECT_EQ(D3DAPPERR_NODIRECT3D, DX->Start());
  EXPECT_EQ(1u, Boxes.size());
}

TEST_F(FrameworkTest, FailedOneTimeInitEndsTheStartBeforeAnyDevice) {
  Load();
  DX->OnOneTimeSceneInit = [](TW9DirectX*) { return E_OUTOFMEMORY; };
  EXPECT_EQ(E_OUTOFMEMORY, DX->Start());
  EXPECT_EQ(0, Log().Count("CreateDevice"));
  ASSERT_EQ(1u, Boxes.size());
  EXPECT_EQ("Not enough memory.", Boxes[0].Text);
}

TEST_F(FrameworkTest, LoadingWithoutCompatibleDevicesShowsWhyWithoutClosing) {
  FakeMachine Machine = FakeMachine::Typical();
  Machine.Adapters[0].Devices.clear();
  Load(Machine);
  EXPECT_FALSE(DX->D3D());
  ASSERT_EQ(1u, Boxes.size());
  EXPECT_EQ("Could not find any compatible Direct3D\r\ndevices.", Boxes[0].Text);
  EXPECT_EQ(0, Seen(WM_CLOSE)) << "nothing is hooked while loading";
}

TEST_F(FrameworkTest, LoadingWithoutPlatformShowsTheInitializeMessage) {
  SetDirect3DBackend([] { return Ref<IDirect3D9>(); });
  Form->Loaded();
  EXPECT_FALSE(DX->D3D());
  ASSERT_EQ(1u, Boxes.size());
  EXPECT_EQ(0, Boxes[0].Text.rfind("Could not initialize Direct3D. You may\r\n", 0));
  EXPECT_EQ(D3DAPPERR_NODIRECT3D, DX->Start());
  EXPECT_EQ(1u, Boxes.size());
}

}  // namespace
