// Our D3DX on the real Direct3D 9 device (Wine's, here): textures from files with the colour
// key, the font's glyphs and the sprite's quads, read back from the render target.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/render/d3dx9.h"

namespace {

constexpr int kWidth = 160, kHeight = 120;

class D3DXDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZelmarD3DXTest";
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, "ZelmarD3DXTest", "d3dx", WS_POPUP | WS_VISIBLE, 0, 0, kWidth,
                              kHeight, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(window_);
    d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_TRUE(d3d_);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = kWidth;
    pp.BackBufferHeight = kHeight;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window_;
    pp.Windowed = TRUE;
    ASSERT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_,
                                 D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device_),
              D3D_OK);
  }
  void TearDown() override {
    if (device_) device_->Release();
    if (d3d_) d3d_->Release();
    if (window_) DestroyWindow(window_);
  }

  // The render target as 0x00RRGGBB pixels.
  std::vector<std::uint32_t> ReadBack() {
    IDirect3DSurface9 *target = nullptr, *memory = nullptr;
    std::vector<std::uint32_t> pixels;
    device_->GetRenderTarget(0, &target);
    device_->CreateOffscreenPlainSurface(kWidth, kHeight, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                         &memory, nullptr);
    D3DLOCKED_RECT locked{};
    if (SUCCEEDED(device_->GetRenderTargetData(target, memory)) &&
        SUCCEEDED(memory->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
      for (int y = 0; y < kHeight; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(
            static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch);
        for (int x = 0; x < kWidth; ++x) pixels.push_back(row[x] & 0xFFFFFF);
      }
      memory->UnlockRect();
    }
    memory->Release();
    target->Release();
    return pixels;
  }
  static std::uint32_t At(const std::vector<std::uint32_t>& p, int x, int y) {
    return p[static_cast<std::size_t>(y) * kWidth + x];
  }

  HWND window_ = nullptr;
  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
};

// A 32-bit Targa of 4 x 2: top row red, green, black (the key), half-transparent blue; bottom
// row white.
std::string WriteTarga() {
  std::vector<std::uint8_t> file(18, 0);
  file[2] = 2, file[12] = 4, file[14] = 2, file[16] = 32, file[17] = 0x28;
  const std::uint8_t pixels[] = {0, 0, 255, 255, 0, 255, 0, 255, 0, 0, 0, 255, 255, 0, 0, 128};
  file.insert(file.end(), pixels, pixels + sizeof pixels);
  for (int i = 0; i < 4; ++i) file.insert(file.end(), {255, 255, 255, 255});
  const std::string path = (std::filesystem::temp_directory_path() / "zelmar-d3dx.tga").string();
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);
  return path;
}

}  // namespace

TEST_F(D3DXDevice, TexturesKeepTheirTexelsAndTheColourKeyClearsExactMatches) {
  const std::string path = WriteTarga();
  Ref<IDirect3DTexture9> texture;
  D3DXIMAGE_INFO info{};
  ASSERT_EQ(D3DXCreateTextureFromFileExA(device_, path.c_str(), 0, 0, 1, 0, D3DFMT_UNKNOWN,
                                         D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE,
                                         0xFF000000, &info, nullptr, &texture),
            D3D_OK);
  EXPECT_EQ(info.Width, 4u);
  EXPECT_EQ(info.Height, 2u);
  EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_TGA);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  const auto* top = static_cast<const std::uint32_t*>(locked.pBits);
  EXPECT_EQ(top[0], 0xFFFF0000u);
  EXPECT_EQ(top[1], 0xFF00FF00u);
  EXPECT_EQ(top[2], 0x00000000u);  // the key, now transparent black
  EXPECT_EQ(top[3], 0x800000FFu);
  texture->UnlockRect(0);

  // A missing file and a missing resource say so, and leave no texture.
  EXPECT_EQ(D3DXCreateTextureFromFileExA(device_, "no such file.jpg", 0, 0, 1, 0, D3DFMT_UNKNOWN,
                                         D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                         nullptr, &texture),
            D3DERR_NOTAVAILABLE);
  EXPECT_FALSE(texture);
  EXPECT_EQ(D3DXCreateTextureFromResourceExA(device_, nullptr, "NO_SUCH_RESOURCE", 0, 0, 1, 0,
                                             D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                             D3DX_DEFAULT, 0, nullptr, nullptr, &texture),
            D3DXERR_INVALIDDATA);
  std::filesystem::remove(path);
}

TEST_F(D3DXDevice, FontAndSpriteDrawWhereTheyAreToldAndLeaveTheStatesAlone) {
  D3DXFONT_DESCA desc{};
  desc.Height = -24;
  desc.Weight = 700;
  std::snprintf(desc.FaceName, sizeof desc.FaceName, "%s", "Arial");
  Ref<ID3DXFont> font;
  ASSERT_EQ(D3DXCreateFontIndirectA(device_, &desc, &font), D3D_OK);
  Ref<ID3DXSprite> sprite;
  ASSERT_EQ(D3DXCreateSprite(device_, &sprite), D3D_OK);

  // Measuring widens the rectangle to the text and draws nothing.
  RECT measured{10, 10, 10, 10};
  const INT height = font->DrawTextA("MMMM", -1, &measured, DT_CALCRECT, 0xFFFFFFFF);
  EXPECT_GT(height, 12);
  EXPECT_GT(measured.right - measured.left, 40);

  device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000040, 1.0f, 0), D3D_OK);
  ASSERT_EQ(device_->BeginScene(), D3D_OK);
  RECT box{10, 10, 150, 50};
  EXPECT_EQ(font->DrawTextA("MMMM", -1, &box, DT_LEFT | DT_TOP, 0xFFFFFF00), height);
  // A one-pixel quad of colour scaled to 20 x 10 at (100, 80).
  const D3DXVECTOR2 scaling(20, 10), at(100, 80);
  EXPECT_EQ(sprite->Draw(nullptr, nullptr, &scaling, nullptr, 0, &at, 0xFFFF0000), D3D_OK);
  device_->EndScene();

  const std::vector<std::uint32_t> pixels = ReadBack();
  ASSERT_EQ(pixels.size(), static_cast<std::size_t>(kWidth * kHeight));
  int yellow = 0;
  for (int y = 10; y < 10 + height; ++y)
    for (int x = 10; x < 80; ++x) yellow += At(pixels, x, y) == 0xFFFF00;
  EXPECT_GT(yellow, 50);  // solid glyph stems
  EXPECT_EQ(At(pixels, 5, 5), 0x000040u);
  EXPECT_EQ(At(pixels, 100, 80), 0xFF0000u);
  EXPECT_EQ(At(pixels, 119, 89), 0xFF0000u);
  EXPECT_EQ(At(pixels, 120, 89), 0x000040u);
  EXPECT_EQ(At(pixels, 119, 90), 0x000040u);

  DWORD z = 0, cull = 0, blend = 0;
  device_->GetRenderState(D3DRS_ZENABLE, &z);
  device_->GetRenderState(D3DRS_CULLMODE, &cull);
  device_->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
  EXPECT_EQ(z, static_cast<DWORD>(D3DZB_TRUE));
  EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_CW));
  EXPECT_EQ(blend, static_cast<DWORD>(FALSE));
}
