// The fake's objects as the real COM objects they are on Windows: what QueryInterface hands
// out, and the real interfaces' methods beyond the render contract refused without a trace.
#include <gtest/gtest.h>

#include "platform/render/d3dx9.h"
#include "render_fake/FakeDeviceFixture.h"

namespace {

using FakeCom = FakeDeviceFixture;

TEST_F(FakeCom, QueryInterfaceHandsOutTheObjectsInterfacesWithAReference) {
  Ref<IDirect3DTexture9> texture;
  ASSERT_EQ(Device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            S_OK);
  for (REFIID iid : {__uuidof(IUnknown), __uuidof(IDirect3DResource9),
                     __uuidof(IDirect3DBaseTexture9), __uuidof(IDirect3DTexture9)}) {
    void* object = nullptr;
    ASSERT_EQ(texture->QueryInterface(iid, &object), S_OK);
    EXPECT_EQ(object, static_cast<void*>(texture.Get()));
    EXPECT_EQ(FakeRefCount(texture.Get()), 2u);
    texture->Release();
  }
  void* object = texture.Get();
  EXPECT_EQ(texture->QueryInterface(__uuidof(IDirect3DSurface9), &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(texture->QueryInterface(__uuidof(IUnknown), nullptr), E_POINTER);
  EXPECT_EQ(FakeRefCount(texture.Get()), 1u);

  Ref<IDirect3DDevice9> device;
  ASSERT_EQ(Device->QueryInterface(__uuidof(IDirect3DDevice9), reinterpret_cast<void**>(&device)),
            S_OK);
  EXPECT_EQ(device, Device);
  EXPECT_EQ(Device->QueryInterface(__uuidof(IDirect3D9), &object), E_NOINTERFACE);
}

TEST_F(FakeCom, MethodsBeyondTheContractAreRefusedAndNotRecorded) {
  Ref<IDirect3DSurface9> surface;
  EXPECT_EQ(Device->CreateDepthStencilSurface(16, 16, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE,
                                              &surface, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_FALSE(surface);
  Ref<IDirect3DVertexShader9> shader;
  EXPECT_EQ(Device->GetVertexShader(&shader), D3DERR_INVALIDCALL);
  EXPECT_FALSE(shader);
  EXPECT_EQ(Device->SetScissorRect(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(Device->GetNumberOfSwapChains(), 1u);
  EXPECT_EQ(D3D->CheckDeviceFormatConversion(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5),
            D3DERR_NOTAVAILABLE);

  Ref<IDirect3DTexture9> texture;
  ASSERT_EQ(Device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            S_OK);
  Log().Clear();
  EXPECT_EQ(texture->SetPrivateData(__uuidof(IUnknown), "x", 1, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->AddDirtyRect(nullptr), D3DERR_INVALIDCALL);
  Ref<IDirect3DSurface9> level;
  ASSERT_EQ(texture->GetSurfaceLevel(0, &level), S_OK);
  HDC dc = reinterpret_cast<HDC>(1);
  EXPECT_EQ(level->GetDC(&dc), D3DERR_INVALIDCALL);
  EXPECT_EQ(dc, nullptr);
  EXPECT_EQ(Log().Text(), "GetSurfaceLevel(" + FakeLabel(texture.Get()) + ", 0)\n")
      << "only the contract's call is recorded";
}

TEST_F(FakeCom, TheD3DXEntryPointsReachTheFakeDevice) {
  Ref<ID3DXSprite> sprite;
  ASSERT_EQ(D3DXCreateSprite(Device.Get(), &sprite), S_OK);
  EXPECT_TRUE(Log().Contains("D3DXCreateSprite()"));
  EXPECT_EQ(D3DXCreateSprite(nullptr, &sprite), D3DERR_INVALIDCALL);
  EXPECT_FALSE(sprite);
}

}  // namespace
