#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/render/d3dx9.h"
#include "platform/render/fake/FakeSprite.h"
#include "platform/render/fake/FakeTexture9.h"
#include "render_fake/FakeDeviceFixture.h"

namespace {

using FakeResources = FakeDeviceFixture;

TEST_F(FakeResources, TexturesHaveTheirMipChainAndKeepWhatIsWritten) {
  Ref<IDirect3DTexture9> texture;
  ASSERT_EQ(Device->CreateTexture(16, 4, 0, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &texture, nullptr),
            S_OK);
  EXPECT_EQ(texture->GetLevelCount(), 5u);  // 16x4, 8x2, 4x1, 2x1, 1x1
  D3DSURFACE_DESC desc;
  ASSERT_EQ(texture->GetLevelDesc(2, &desc), S_OK);
  EXPECT_EQ(desc.Width, 4u);
  EXPECT_EQ(desc.Height, 1u);
  EXPECT_EQ(desc.Format, D3DFMT_A4R4G4B4);

  D3DLOCKED_RECT locked;
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), S_OK);
  EXPECT_EQ(locked.Pitch, 32);
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  static_cast<WORD*>(locked.pBits)[17] = 0xF0FF;
  ASSERT_EQ(texture->UnlockRect(0), S_OK);
  EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);
  auto* fake = static_cast<FakeTexture9*>(texture.Get());
  WORD texel = 0;
  std::memcpy(&texel, fake->Pixels(0).data() + 34, 2);
  EXPECT_EQ(texel, 0xF0FF);

  // A surface of a level writes into the texture.
  Ref<IDirect3DSurface9> level;
  ASSERT_EQ(texture->GetSurfaceLevel(1, &level), S_OK);
  ASSERT_EQ(level->LockRect(&locked, nullptr, 0), S_OK);
  static_cast<WORD*>(locked.pBits)[0] = 0x1234;
  level->UnlockRect();
  std::memcpy(&texel, fake->Pixels(1).data(), 2);
  EXPECT_EQ(texel, 0x1234);
}

TEST_F(FakeResources, CreationChecksItsArguments) {
  Ref<IDirect3DTexture9> texture;
  EXPECT_EQ(Device->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(Device->CreateTexture(8, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &texture, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(
      Device->CreateTexture(8192, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
      D3DERR_INVALIDCALL);
  Ref<IDirect3DIndexBuffer9> indices;
  EXPECT_EQ(Device->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &indices, nullptr),
            D3DERR_INVALIDCALL);
  Ref<IDirect3DVertexBuffer9> vertices;
  D3D->Recorder().FailCall("CreateVertexBuffer", E_OUTOFMEMORY, 1);
  EXPECT_EQ(Device->CreateVertexBuffer(32, 0, 0x112, D3DPOOL_MANAGED, &vertices, nullptr),
            E_OUTOFMEMORY);
  EXPECT_FALSE(vertices);
  EXPECT_EQ(Device->CreateVertexBuffer(32, 0, 0x112, D3DPOOL_MANAGED, &vertices, nullptr), S_OK);
  void* data = nullptr;
  EXPECT_EQ(vertices->Lock(16, 32, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(vertices->Lock(16, 16, &data, 0), S_OK);
  EXPECT_EQ(vertices->Unlock(), S_OK);
  EXPECT_EQ(vertices->Unlock(), D3DERR_INVALIDCALL);
}

// The descriptions are whole on every platform (Windows' are plain structs, zeroed by nobody).
TEST_F(FakeResources, DescriptionsAreWhole) {
  Ref<IDirect3DSurface9> surface;
  ASSERT_EQ(Device->CreateOffscreenPlainSurface(8, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &surface,
                                                nullptr),
            S_OK);
  D3DSURFACE_DESC desc;
  ASSERT_EQ(surface->GetDesc(&desc), S_OK);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(desc.Type, D3DRTYPE_SURFACE);
  EXPECT_EQ(desc.Usage, 0u);
  EXPECT_EQ(desc.Pool, D3DPOOL_SYSTEMMEM);
  EXPECT_EQ(desc.MultiSampleType, D3DMULTISAMPLE_NONE);
  EXPECT_EQ(desc.MultiSampleQuality, 0u);
  EXPECT_EQ(desc.Width, 8u);
  EXPECT_EQ(desc.Height, 4u);
  surface = nullptr;
  ASSERT_EQ(Device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface), S_OK);
  ASSERT_EQ(surface->GetDesc(&desc), S_OK);
  EXPECT_EQ(desc.Type, D3DRTYPE_SURFACE);
  EXPECT_EQ(desc.Usage, DWORD{D3DUSAGE_RENDERTARGET});

  Ref<IDirect3DVertexBuffer9> vertices;
  ASSERT_EQ(Device->CreateVertexBuffer(96, D3DUSAGE_WRITEONLY, 0x112, D3DPOOL_MANAGED, &vertices,
                                       nullptr),
            S_OK);
  D3DVERTEXBUFFER_DESC vertexDesc;
  ASSERT_EQ(vertices->GetDesc(&vertexDesc), S_OK);
  EXPECT_EQ(vertexDesc.Format, D3DFMT_VERTEXDATA);
  EXPECT_EQ(vertexDesc.Type, D3DRTYPE_VERTEXBUFFER);
  EXPECT_EQ(vertexDesc.Usage, DWORD{D3DUSAGE_WRITEONLY});
  EXPECT_EQ(vertexDesc.Pool, D3DPOOL_MANAGED);
  EXPECT_EQ(vertexDesc.Size, 96u);
  EXPECT_EQ(vertexDesc.FVF, 0x112u);

  Ref<IDirect3DIndexBuffer9> indices;
  ASSERT_EQ(Device->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices, nullptr),
            S_OK);
  D3DINDEXBUFFER_DESC indexDesc;
  ASSERT_EQ(indices->GetDesc(&indexDesc), S_OK);
  EXPECT_EQ(indexDesc.Format, D3DFMT_INDEX16);
  EXPECT_EQ(indexDesc.Type, D3DRTYPE_INDEXBUFFER);
  EXPECT_EQ(indexDesc.Usage, 0u);
  EXPECT_EQ(indexDesc.Size, 12u);
}

TEST_F(FakeResources, ResourcesOutliveTheirDeviceButLoseIt) {
  Ref<IDirect3DTexture9> texture;
  ASSERT_EQ(Device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            S_OK);
  Device->SetTexture(0, texture.Get());
  EXPECT_EQ(FakeRefCount(texture.Get()), 2u);  // the device holds the bound texture
  Device = nullptr;
  Fake = nullptr;
  EXPECT_EQ(D3D->LastDevice(), nullptr);
  EXPECT_EQ(FakeRefCount(texture.Get()), 1u);
  Ref<IDirect3DDevice9> owner;
  EXPECT_EQ(texture->GetDevice(&owner), D3DERR_INVALIDCALL);
  EXPECT_FALSE(owner);
}

TEST_F(FakeResources, TextureLoadersRecordAndAnswerFromTheScript) {
  D3D->Machine().Images["media/Earth.jpg"] = FakeImage{512, 256, false};
  Ref<IDirect3DTexture9> texture;
  D3DXIMAGE_INFO info;
  ASSERT_EQ(D3DXCreateTextureFromFileExA(Device.Get(), "MEDIA/earth.JPG", D3DX_DEFAULT,
                                         D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                         D3DPOOL_MANAGED, D3DX_FILTER_POINT, D3DX_FILTER_POINT,
                                         0xFF000000, &info, nullptr, &texture),
            S_OK);
  EXPECT_EQ(info.Width, 512u);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_JPG);
  D3DSURFACE_DESC desc;
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 512u);
  EXPECT_EQ(desc.Height, 256u);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);  // the colour key brings alpha
  EXPECT_EQ(texture->GetLevelCount(), 10u);
  EXPECT_EQ(static_cast<FakeTexture9*>(texture.Get())->LoadedFrom, "MEDIA/earth.JPG");
  EXPECT_TRUE(
      Log().Contains("D3DXCreateTextureFromFileEx(\"MEDIA/earth.JPG\", D3DX_DEFAULT, D3DX_DEFAULT, "
                     "D3DX_DEFAULT, 0x00000000, UNKNOWN, MANAGED, 2, 2, 0xFF000000)"))
      << Log().Text();

  // A file that is neither scripted nor on disk is missing; an unknown resource is invalid.
  EXPECT_EQ(D3DXCreateTextureFromFileExA(Device.Get(), "/nonexistent/moon.jpg", 0, 0, 1, 0,
                                         D3DFMT_UNKNOWN, D3DPOOL_MANAGED, 1, 1, 0, nullptr, nullptr,
                                         &texture),
            D3DERR_NOTAVAILABLE);
  EXPECT_FALSE(texture);
  EXPECT_EQ(D3DXCreateTextureFromResourceExA(Device.Get(), 0, "nothing", 0, 0, 1, 0, D3DFMT_UNKNOWN,
                                             D3DPOOL_MANAGED, 1, 1, 0, nullptr, nullptr, &texture),
            D3DXERR_INVALIDDATA);

  D3D->Machine().Images["broken.tga"] = FakeImage{8, 8, true, true};
  EXPECT_EQ(D3DXCreateTextureFromFileExA(Device.Get(), "broken.tga", 0, 0, 1, 0, D3DFMT_UNKNOWN,
                                         D3DPOOL_MANAGED, 1, 1, 0, nullptr, nullptr, &texture),
            D3DXERR_INVALIDDATA);

  // A registered resource loads; a file on disk loads opaque.
  D3DXRegisterResource("Cursor", {1, 2, 3});
  ASSERT_EQ(D3DXCreateTextureFromResourceExA(Device.Get(), 0, "CURSOR", 0, 0, 1, 0, D3DFMT_UNKNOWN,
                                             D3DPOOL_MANAGED, 1, 1, 0, nullptr, nullptr, &texture),
            S_OK);
  D3DXUnregisterResource("Cursor");
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "fake_loader.bmp";
  std::fclose(std::fopen(file.string().c_str(), "wb"));
  ASSERT_EQ(
      D3DXCreateTextureFromFileExA(Device.Get(), file.string().c_str(), 0, 0, 1, 0, D3DFMT_UNKNOWN,
                                   D3DPOOL_MANAGED, 1, 1, 0, nullptr, nullptr, &texture),
      S_OK);
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
  std::filesystem::remove(file);
}

TEST_F(FakeResources, SurfaceLoaderReportsTheImageSize) {
  D3D->Machine().Images["cursor"] = FakeImage{32, 24, true};
  D3DXRegisterResource("cursor", {0});
  Ref<IDirect3DSurface9> surface;
  ASSERT_EQ(Device->CreateOffscreenPlainSurface(1, 1, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &surface,
                                                nullptr),
            S_OK);
  D3DXIMAGE_INFO info;
  ASSERT_EQ(D3DXLoadSurfaceFromResourceA(surface.Get(), nullptr, nullptr, 0, "cursor", nullptr,
                                         D3DX_FILTER_NONE, 0xFF000000, &info),
            S_OK);
  EXPECT_EQ(info.Width, 32u);
  EXPECT_EQ(info.Height, 24u);
  EXPECT_EQ(D3DXLoadSurfaceFromFileA(surface.Get(), nullptr, nullptr, "/nonexistent/cursor.bmp",
                                     nullptr, D3DX_FILTER_NONE, 0, nullptr),
            D3DERR_NOTAVAILABLE);
  D3DXUnregisterResource("cursor");
}

TEST_F(FakeResources, FontAndSpriteRecordTheirDrawing) {
  D3DXFONT_DESCA desc;
  desc.Height = -20;
  std::strcpy(desc.FaceName, "Arial");
  Ref<ID3DXFont> font;
  ASSERT_EQ(D3DXCreateFontIndirectA(Device.Get(), &desc, &font), S_OK);
  RECT rect{10, 20, 10, 20};
  EXPECT_EQ(font->DrawTextA("Jupiter", -1, &rect, DT_CALCRECT, 0xFFFFFFFF), 20);
  EXPECT_EQ(rect.right, 10 + 7 * 10);
  EXPECT_EQ(rect.bottom, 40);
  Ref<ID3DXSprite> sprite;
  ASSERT_EQ(D3DXCreateSprite(Device.Get(), &sprite), S_OK);
  const D3DXVECTOR2 at{5, 6};
  EXPECT_EQ(sprite->Begin(), S_OK);
  // A sprite draws only inside the device's scene, like any other draw.
  EXPECT_EQ(sprite->Draw(nullptr, nullptr, nullptr, nullptr, 0.0f, &at, 0x80FFFFFF),
            D3DERR_INVALIDCALL);
  EXPECT_TRUE(Fake->Draws().empty());
  ASSERT_EQ(Device->BeginScene(), S_OK);
  EXPECT_EQ(sprite->Draw(nullptr, nullptr, nullptr, nullptr, 0.0f, &at, 0x80FFFFFF), S_OK);
  EXPECT_EQ(Device->EndScene(), S_OK);
  EXPECT_EQ(Fake->Draws().size(), 1u);
  EXPECT_EQ(sprite->End(), S_OK);
  EXPECT_EQ(sprite->End(), D3DERR_INVALIDCALL);
  EXPECT_NE(Log().Find("DrawTextA(font#"), std::string::npos);
  EXPECT_NE(Log().Text().find("\"Jupiter\", -1, (10,20,10,20), 0x00000400, 0xFFFFFFFF)"),
            std::string::npos)
      << Log().Text();
  EXPECT_NE(Log().Text().find(", null, null, null, null, 0, (5,6), 0x80FFFFFF)"), std::string::npos)
      << Log().Text();
}

TEST_F(FakeResources, WhatOurD3DXDoesOnTheDeviceStaysOutOfTheLogAndTheStates) {
  D3D->Machine().Images["stars.tga"] = FakeImage{8, 4, true};
  Ref<IDirect3DTexture9> texture;
  ASSERT_EQ(D3DXCreateTextureFromFileExA(Device.Get(), "stars.tga", 0, 0, 0, 0, D3DFMT_UNKNOWN,
                                         D3DPOOL_MANAGED, D3DX_FILTER_POINT, D3DX_FILTER_POINT, 0,
                                         nullptr, nullptr, &texture),
            S_OK);
  // Our D3DX made the texture and wrote its texels: the whole chain, from the script's size.
  EXPECT_EQ(texture->GetLevelCount(), 4u);
  EXPECT_EQ(static_cast<FakeTexture9*>(texture.Get())->Pixels(3)[3], 0x80);  // alpha kept
  Ref<ID3DXSprite> sprite;
  ASSERT_EQ(D3DXCreateSprite(Device.Get(), &sprite), S_OK);
  Ref<IDirect3DVertexBuffer9> buffer;
  ASSERT_EQ(Device->CreateVertexBuffer(64, 0, 0x142, D3DPOOL_MANAGED, &buffer, nullptr), S_OK);
  Device->SetStreamSource(0, buffer.Get(), 0, 24);
  Device->SetFVF(0x142);
  Device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  Log().Clear();
  const FakeDeviceState before = Fake->State();
  const D3DXVECTOR2 at{5, 6};
  ASSERT_EQ(Device->BeginScene(), S_OK);
  ASSERT_EQ(sprite->Draw(texture.Get(), nullptr, nullptr, nullptr, 0.0f, &at, 0xFFFFFFFF), S_OK);
  Device->EndScene();
  EXPECT_EQ(Log().Lines(), (std::vector<std::string>{
                               "BeginScene()",
                               "Draw(" + FakeLabel(sprite.Get()) + ", " + FakeLabel(texture.Get()) +
                                   ", null, null, null, 0, (5,6), " + "0xFFFFFFFF)",
                               "EndScene()"}));
  // One draw, as the sprite placed it: the texture's 8 x 4 at (5, 6).
  ASSERT_EQ(Fake->Draws().size(), 1u);
  EXPECT_EQ(Fake->Draws()[0].Method, "ID3DXSprite::Draw");
  FakeSpriteVertex corners[4];
  ASSERT_EQ(Fake->Draws()[0].Vertices.size(), sizeof corners);
  std::memcpy(corners, Fake->Draws()[0].Vertices.data(), sizeof corners);
  EXPECT_EQ(corners[3].x, 13.0f);
  EXPECT_EQ(corners[3].y, 10.0f);
  // Every state as it was, the stream a draw from memory clears included.
  EXPECT_EQ(Fake->State().RenderStates, before.RenderStates);
  EXPECT_EQ(Fake->State().TextureStageStates, before.TextureStageStates);
  EXPECT_EQ(Fake->State().SamplerStates, before.SamplerStates);
  EXPECT_EQ(Fake->State().FVF, 0x142u);
  EXPECT_EQ(Fake->State().StreamSource.Get(), buffer.Get());
  EXPECT_EQ(Fake->State().Viewport.Width, before.Viewport.Width);
  // The sprite's own state block keeps the device from a reset without counting as the
  // engine's object.
  EXPECT_EQ(Fake->DefaultPoolObjects(), 0);
  EXPECT_EQ(Device->Reset(&Params), D3DERR_INVALIDCALL);
  EXPECT_EQ(sprite->OnLostDevice(), S_OK);
  Device->SetStreamSource(0, nullptr, 0, 0);
  EXPECT_EQ(Device->Reset(&Params), S_OK);
}

}  // namespace
