#include <gtest/gtest.h>

#include "platform/render/fake/FakeDirect3D9.h"
#include "platform/render/fake/FakeRecorder.h"

namespace {

TEST(FakeRecorder, LogsCallsWithArgumentsAndFailures) {
  auto d3d = MakeRef<FakeDirect3D9>(FakeMachine::Typical());
  FakeRecorder& log = d3d->Recorder();
  D3DCAPS9 caps;
  EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), S_OK);
  EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_REF, &caps), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, FALSE),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(log.Text(),
            "GetDeviceCaps(0, HAL)\n"
            "GetDeviceCaps(0, REF) -> 0x8876086A\n"
            "CheckDeviceType(0, HAL, X8R8G8B8, R5G6B5, full screen) -> 0x8876086A\n");
  EXPECT_EQ(log.Count("GetDeviceCaps"), 2);
  EXPECT_TRUE(log.Contains("GetDeviceCaps(0, HAL)"));
  EXPECT_EQ(log.Find("CheckDeviceType"), 2u);
  EXPECT_EQ(log.Find("CheckDeviceType", 3), std::string::npos);
  log.Clear();
  log.LogQueries = false;
  d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps);
  EXPECT_TRUE(log.Calls().empty());
}

TEST(FakeRecorder, ScriptedFailuresSkipThenFailTheGivenNumberOfTimes) {
  auto d3d = MakeRef<FakeDirect3D9>(FakeMachine::Typical());
  d3d->Recorder().FailCall("GetAdapterDisplayMode", E_OUTOFMEMORY, 2, 1);
  D3DDISPLAYMODE mode;
  EXPECT_EQ(d3d->GetAdapterDisplayMode(0, &mode), S_OK);
  EXPECT_EQ(d3d->GetAdapterDisplayMode(0, &mode), E_OUTOFMEMORY);
  EXPECT_EQ(d3d->GetAdapterDisplayMode(0, &mode), E_OUTOFMEMORY);
  EXPECT_EQ(d3d->GetAdapterDisplayMode(0, &mode), S_OK);
  d3d->Recorder().FailCall("GetAdapterDisplayMode", E_FAIL);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(d3d->GetAdapterDisplayMode(0, &mode), E_FAIL);
  d3d->Recorder().ClearFailures();
  EXPECT_EQ(d3d->GetAdapterDisplayMode(0, &mode), S_OK);
}

TEST(FakeRecorder, RejectedFormatFailsChecksAndCreation) {
  auto d3d = MakeRef<FakeDirect3D9>(FakeMachine::Typical());
  d3d->Recorder().RejectFormat(D3DFMT_D24S8);
  EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                   D3DRTYPE_SURFACE, D3DFMT_D24S8),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                   D3DRTYPE_SURFACE, D3DFMT_D16),
            S_OK);
  D3DPRESENT_PARAMETERS pp{};
  pp.Windowed = TRUE;
  pp.BackBufferFormat = D3DFMT_X8R8G8B8;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D24S8;
  Ref<IDirect3DDevice9> device;
  EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, FakeHandle<HWND>(1),
                              D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
            D3DERR_INVALIDCALL);
  EXPECT_FALSE(device);
}

TEST(FakeRecorder, QuietCallsAreNeitherLoggedNorFailed) {
  auto d3d = MakeRef<FakeDirect3D9>(FakeMachine::Typical());
  FakeRecorder& log = d3d->Recorder();
  log.FailCall("GetAdapterDisplayMode", E_OUTOFMEMORY, 1);
  D3DDISPLAYMODE mode;
  {
    auto quiet = log.Quiet();
    EXPECT_TRUE(log.IsQuiet());
    { auto nested = log.Quiet(); }
    EXPECT_TRUE(log.IsQuiet());
    EXPECT_EQ(d3d->GetAdapterDisplayMode(0, &mode), S_OK);
  }
  EXPECT_FALSE(log.IsQuiet());
  EXPECT_TRUE(log.Calls().empty());
  // The scripted failure waited for a call that is logged.
  EXPECT_EQ(d3d->GetAdapterDisplayMode(0, &mode), E_OUTOFMEMORY);
  EXPECT_EQ(log.Count("GetAdapterDisplayMode"), 1);
}

TEST(FakeDirect3D9, QueriesAnswerFromTheScriptedMachine) {
  auto d3d = MakeRef<FakeDirect3D9>(FakeMachine::Typical());
  EXPECT_EQ(d3d->GetAdapterCount(), 1u);
  EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_R5G6B5), 8u);
  EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_X1R5G5B5), 0u);
  D3DDISPLAYMODE mode;
  ASSERT_EQ(d3d->EnumAdapterModes(0, D3DFMT_R5G6B5, 1, &mode), S_OK);
  EXPECT_EQ(mode, (D3DDISPLAYMODE{640, 480, 75, D3DFMT_R5G6B5}));
  EXPECT_EQ(d3d->EnumAdapterModes(0, D3DFMT_R5G6B5, 8, &mode), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d->EnumAdapterModes(1, D3DFMT_R5G6B5, 0, &mode), D3DERR_INVALIDCALL);
  D3DADAPTER_IDENTIFIER9 id;
  ASSERT_EQ(d3d->GetAdapterIdentifier(0, 0, &id), S_OK);
  EXPECT_STREQ(id.Description, "Fake display adapter");
  DWORD qualities = 7;
  EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                            D3DMULTISAMPLE_2_SAMPLES, &qualities),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(qualities, 0u);
  EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                            D3DMULTISAMPLE_4_SAMPLES, &qualities),
            S_OK);
  EXPECT_EQ(qualities, 1u);
  EXPECT_EQ(d3d->GetAdapterMonitor(0), FakeHandle<HMONITOR>(1));
}

TEST(FakeDirect3D9, BackendSelectionHandsOutTheFake) {
  auto d3d = MakeRef<FakeDirect3D9>(FakeMachine::Typical());
  SetFakeDirect3DBackend(d3d);
  EXPECT_EQ(AdoptRef(Direct3DCreate9(D3D_SDK_VERSION)).Get(), d3d.Get());
  EXPECT_FALSE(Direct3DCreate9(30));
  SetDirect3DBackend(nullptr);
  const Ref<IDirect3D9> after = AdoptRef(Direct3DCreate9(D3D_SDK_VERSION));
#if defined(_WIN32)
  // Windows falls back to the real Direct3D of d3d9.dll.
  EXPECT_NE(after.Get(), d3d.Get());
#else
  EXPECT_FALSE(after);
#endif
}

}  // namespace
