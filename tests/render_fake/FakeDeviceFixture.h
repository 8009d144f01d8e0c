// A fake Direct3D object with one windowed 320 x 240 device that has a depth buffer.
#pragma once

#include <gtest/gtest.h>

#include "platform/render/fake/FakeDevice9.h"
#include "platform/render/fake/FakeDirect3D9.h"

class FakeDeviceFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    D3D = MakeRef<FakeDirect3D9>(FakeMachine::Typical());
    Params.BackBufferWidth = 320;
    Params.BackBufferHeight = 240;
    Params.BackBufferFormat = D3DFMT_X8R8G8B8;
    Params.BackBufferCount = 1;
    Params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    Params.Windowed = TRUE;
    Params.EnableAutoDepthStencil = TRUE;
    Params.AutoDepthStencilFormat = D3DFMT_D16;
    ASSERT_EQ(D3D->CreateDevice(0, D3DDEVTYPE_HAL, FakeHandle<HWND>(0x42),
                                D3DCREATE_HARDWARE_VERTEXPROCESSING, &Params, &Device),
              S_OK);
    Fake = D3D->LastDevice();
    ASSERT_EQ(static_cast<IDirect3DDevice9*>(Fake), Device.Get());
    Log().Clear();
  }
  FakeRecorder& Log() { return D3D->Recorder(); }

  Ref<FakeDirect3D9> D3D;
  D3DPRESENT_PARAMETERS Params{};
  Ref<IDirect3DDevice9> Device;
  FakeDevice9* Fake = nullptr;
};
