// Texture stages, alpha test and blending, the D3DX image loaders and the font and sprite.
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <cstring>

#include "gltestfixture.h"

namespace {

constexpr D3DCOLOR kBlack = 0xFF000000;

TEST_F(GLDeviceTest, TextureStageOperations) {
  Ref<IDirect3DTexture9> texture = MakeTexture(1, 1, {0x80FF8040});
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetTexture(0, texture.Get());
  struct Row {
    DWORD colorOp, alphaOp;
    D3DCOLOR diffuse, expected;
  } table[] = {
      // Default stage 0: colour = texture x diffuse, alpha = texture alpha.
      {D3DTOP_MODULATE, D3DTOP_SELECTARG1, 0x40FFFFFF, 0x80FF8040},
      {D3DTOP_MODULATE, D3DTOP_SELECTARG1, 0xFF808080, 0x80804020},
      {D3DTOP_MODULATE2X, D3DTOP_MODULATE2X, 0x80808080, 0x80FF8040},  // doubled, then saturated
      {D3DTOP_MODULATE, D3DTOP_MODULATE, 0x80FFFFFF, 0x40FF8040},
      {D3DTOP_SELECTARG2, D3DTOP_SELECTARG2, 0x11223344, 0x11223344},
      {D3DTOP_DISABLE, D3DTOP_SELECTARG1, 0x55667788, 0x55667788},  // disabled: diffuse only
  };
  for (const Row& row : table) {
    device_->SetTextureStageState(0, D3DTSS_COLOROP, row.colorOp);
    device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAOP, row.alphaOp);
    device_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    device_->BeginScene();
    DrawQuad(0, 0, 16, 16, row.diffuse);
    device_->EndScene();
    EXPECT_TRUE(ColorNear(Pixel(8, 8), row.expected, 2))
        << "colorop " << row.colorOp << " alphaop " << row.alphaOp;
  }
  // No texture bound: the default stage draws the quad untextured, colour and alpha from the
  // vertex (the alpha the default stage would take from the texture included).
  device_->SetTexture(0, nullptr);
  device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  device_->BeginScene();
  DrawQuad(0, 0, 16, 16, 0x40336699);
  device_->EndScene();
  EXPECT_TRUE(ColorNear(Pixel(8, 8), 0x40336699, 1));
}

// Two stages over the documented formulas: the second reads the first's result (current), a
// third argument, complemented and alpha-replicated arguments, and the temporary register.
TEST_F(GLDeviceTest, SecondTextureStage) {
  D3DCAPS9 caps{};
  device_->GetDeviceCaps(&caps);
  EXPECT_GE(caps.MaxTextureBlendStages, 2u);
  EXPECT_GE(caps.MaxSimultaneousTextures, 2u);
  EXPECT_TRUE(caps.TextureOpCaps & D3DTEXOPCAPS_MULTIPLYADD);
  EXPECT_TRUE(caps.PrimitiveMiscCaps & D3DPMISCCAPS_TSSARGTEMP);

  Ref<IDirect3DTexture9> day = MakeTexture(1, 1, {0xFF80C0FF});
  Ref<IDirect3DTexture9> night = MakeTexture(1, 1, {0x40FFC000});
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetTexture(0, day.Get());
  device_->SetTexture(1, night.Get());
  device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  device_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  device_->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
  device_->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  device_->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
  struct Row {
    const char* what;
    DWORD result0, op, arg0, arg1, arg2;
    D3DCOLOR diffuse, expected;
  } table[] = {
      // Arg0 + Arg1 x Arg2: day x lit + night x (1 - lit).
      {"multiply-add, fully lit", D3DTA_CURRENT, D3DTOP_MULTIPLYADD, D3DTA_CURRENT, D3DTA_TEXTURE,
       D3DTA_DIFFUSE | D3DTA_COMPLEMENT, 0xFFFFFFFF, 0xFF80C0FF},
      {"multiply-add, dark", D3DTA_CURRENT, D3DTOP_MULTIPLYADD, D3DTA_CURRENT, D3DTA_TEXTURE,
       D3DTA_DIFFUSE | D3DTA_COMPLEMENT, 0xFF000000, 0xFFFFC000},
      {"multiply-add, at a quarter", D3DTA_CURRENT, D3DTOP_MULTIPLYADD, D3DTA_CURRENT,
       D3DTA_TEXTURE, D3DTA_DIFFUSE | D3DTA_COMPLEMENT, 0xFF404040, 0xFFDFC040},
      // Arg0 x Arg1 + (1 - Arg0) x Arg2.
      {"lerp by the diffuse", D3DTA_CURRENT, D3DTOP_LERP, D3DTA_DIFFUSE, D3DTA_TEXTURE,
       D3DTA_CURRENT, 0xFF808080, 0xFFA09040},
      // The night texel's alpha 0x40 as a grey, added to the day x diffuse.
      {"alpha replicated", D3DTA_CURRENT, D3DTOP_ADD, 0, D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE,
       D3DTA_CURRENT, 0xFF808080, 0xFF80A0C0},
      // Stage 0 writes the temporary register; current is still the diffuse colour.
      {"temporary register", D3DTA_TEMP, D3DTOP_SUBTRACT, 0, D3DTA_CURRENT, D3DTA_TEMP, 0xFFFFFFFF,
       0xFF7F3F00},
  };
  for (const Row& row : table) {
    device_->SetTextureStageState(0, D3DTSS_RESULTARG, row.result0);
    device_->SetTextureStageState(1, D3DTSS_COLOROP, row.op);
    device_->SetTextureStageState(1, D3DTSS_COLORARG0, row.arg0);
    device_->SetTextureStageState(1, D3DTSS_COLORARG1, row.arg1);
    device_->SetTextureStageState(1, D3DTSS_COLORARG2, row.arg2);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    device_->BeginScene();
    DrawQuad(0, 0, 16, 16, row.diffuse);
    device_->EndScene();
    EXPECT_TRUE(ColorNear(Pixel(8, 8), row.expected, 2)) << row.what;
  }
  // Disabled again, the second stage's texture is not drawn.
  device_->SetTextureStageState(0, D3DTSS_RESULTARG, D3DTA_CURRENT);
  device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  device_->BeginScene();
  DrawQuad(0, 0, 16, 16, 0xFF808080);
  device_->EndScene();
  EXPECT_TRUE(ColorNear(Pixel(8, 8), 0xFF406080, 2));
}

TEST_F(GLDeviceTest, AlphaTestAtEightAgainstBlending) {
  // Texels with alpha 7, 8 and 128 side by side (white), over a red background.
  Ref<IDirect3DTexture9> texture = MakeTexture(3, 1, {0x07FFFFFF, 0x08FFFFFF, 0x80FFFFFF});
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetTexture(0, texture.Get());
  auto draw = [&] {
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    device_->BeginScene();
    DrawQuad(0, 0, 30, 10, 0xFFFFFFFF);  // 10 pixels per texel, point sampled
    device_->EndScene();
  };
  device_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device_->SetRenderState(D3DRS_ALPHAREF, 8);
  device_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  draw();
  EXPECT_TRUE(ColorNear(Pixel(5, 5) | 0xFF000000, 0xFFFF0000, 0));   // alpha 7 fails the test
  EXPECT_TRUE(ColorNear(Pixel(15, 5) | 0xFF000000, 0xFFFFFFFF, 0));  // alpha 8 passes
  EXPECT_TRUE(ColorNear(Pixel(25, 5) | 0xFF000000, 0xFFFFFFFF, 0));

  device_->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  draw();
  // White over red by alpha: green and blue follow the alpha.
  EXPECT_NEAR(Channel(Pixel(5, 5), 8), 7, 1);
  EXPECT_NEAR(Channel(Pixel(15, 5), 8), 8, 1);
  EXPECT_NEAR(Channel(Pixel(25, 5), 8), 128, 2);
  EXPECT_EQ(Channel(Pixel(25, 5), 16), 255);
}

TEST_F(GLDeviceTest, GlyphTextureInA4R4G4B4) {
  // The glyph painter's format: 0x0FFF with the coverage in the top four bits.
  Ref<IDirect3DTexture9> texture;
  ASSERT_EQ(device_->CreateTexture(2, 1, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &texture, nullptr),
            D3D_OK);
  D3DLOCKED_RECT r;
  ASSERT_EQ(texture->LockRect(0, &r, nullptr, 0), D3D_OK);
  const WORD texels[2] = {0x0000, 0xFFFF};
  std::memcpy(r.pBits, texels, sizeof texels);
  texture->UnlockRect(0);
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device_->SetRenderState(D3DRS_ALPHAREF, 8);
  device_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  device_->SetTexture(0, texture.Get());
  device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
  device_->BeginScene();
  DrawQuad(0, 0, 20, 10, 0xFF00FF00);
  device_->EndScene();
  EXPECT_TRUE(ColorNear(Pixel(5, 5), kBlack, 0));
  EXPECT_TRUE(ColorNear(Pixel(15, 5), 0xFF00FF00, 0));
}

class GLLoaderTest : public GLDeviceTest {
 protected:
  D3DCOLOR Texel(IDirect3DTexture9* t, UINT level, UINT x, UINT y) {
    D3DLOCKED_RECT r;
    EXPECT_EQ(t->LockRect(level, &r, nullptr, D3DLOCK_READONLY), D3D_OK);
    const D3DCOLOR c = reinterpret_cast<const D3DCOLOR*>(static_cast<const std::uint8_t*>(r.pBits) +
                                                         y * static_cast<UINT>(r.Pitch))[x];
    t->UnlockRect(level);
    return c;
  }
  HRESULT Load(const std::string& path, D3DCOLOR key, IDirect3DTexture9** out,
               D3DXIMAGE_INFO* info = nullptr) {
    return D3DXCreateTextureFromFileExA(device_.Get(), path.c_str(), 0, 0, 0, 0, D3DFMT_UNKNOWN,
                                        D3DPOOL_MANAGED, D3DX_FILTER_POINT, D3DX_FILTER_POINT, key,
                                        info, nullptr, out);
  }
};

TEST_F(GLLoaderTest, ColourKeyMakesTheKeyedTexelsTransparent) {
  // Pure blue pixels: the key the texture Part derives from the GUI colour 0x000000FF.
  QImage image(4, 4, QImage::Format_RGB32);
  image.fill(QColor(10, 200, 30));
  image.setPixel(1, 2, qRgb(0, 0, 255));
  image.setPixel(2, 2, qRgb(255, 0, 0));
  const std::string path = TempPath("keyed.bmp");
  ASSERT_TRUE(image.save(QString::fromStdString(path), "BMP"));
  Ref<IDirect3DTexture9> texture;
  ASSERT_EQ(Load(path, 0xFF0000FF, &texture), D3D_OK);
  EXPECT_EQ(Texel(texture.Get(), 0, 1, 2), 0x00000000u);
  EXPECT_EQ(Texel(texture.Get(), 0, 2, 2), 0xFFFF0000u);
  EXPECT_EQ(Texel(texture.Get(), 0, 0, 0), 0xFF0AC81Eu);
  D3DSURFACE_DESC desc;
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);  // the key brings alpha
  // Without a key nothing becomes transparent, and the texture needs no alpha.
  ASSERT_EQ(Load(path, 0, &texture), D3D_OK);
  EXPECT_EQ(Texel(texture.Get(), 0, 1, 2) >> 24, 0xFFu);

  // Drawn with the overlay's alpha test, the keyed texel shows the background.
  ASSERT_EQ(Load(path, 0xFF0000FF, &texture), D3D_OK);
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device_->SetRenderState(D3DRS_ALPHAREF, 8);
  device_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  device_->SetTexture(0, texture.Get());
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF123456, 1.0f, 0);
  device_->BeginScene();
  DrawQuad(0, 0, 40, 40, 0xFFFFFFFF);
  device_->EndScene();
  EXPECT_TRUE(ColorNear(Pixel(15, 25), 0xFF123456, 0));
  EXPECT_TRUE(ColorNear(Pixel(25, 25), 0xFFFF0000, 0));
}

TEST_F(GLLoaderTest, TargaWithAlphaKeepsItsAlpha) {
  // A 2 x 2 uncompressed true-colour Targa, 32 bits, top-left origin.
  const unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 32, 0x28};
  const unsigned char pixels[16] = {0x00, 0x00, 0xFF, 0xFF,   // red, opaque
                                    0x00, 0xFF, 0x00, 0x80,   // green, half
                                    0xFF, 0x00, 0x00, 0x00,   // blue, clear
                                    0xFF, 0xFF, 0xFF, 0x40};  // white, quarter
  const std::string path = TempPath("alpha.tga");
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(reinterpret_cast<const char*>(header), sizeof header);
  file.write(reinterpret_cast<const char*>(pixels), sizeof pixels);
  file.close();
  Ref<IDirect3DTexture9> texture;
  D3DXIMAGE_INFO info;
  ASSERT_EQ(Load(path, 0, &texture, &info), D3D_OK);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_TGA);
  EXPECT_EQ(info.Width, 2u);
  EXPECT_EQ(Texel(texture.Get(), 0, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(Texel(texture.Get(), 0, 1, 0), 0x8000FF00u);
  EXPECT_EQ(Texel(texture.Get(), 0, 0, 1) >> 24, 0u);
  EXPECT_EQ(Texel(texture.Get(), 0, 1, 1), 0x40FFFFFFu);
}

TEST_F(GLLoaderTest, JpegLoadsWithAFullMipChainAtPowerOfTwoSize) {
  QImage image(24, 10, QImage::Format_RGB32);
  image.fill(QColor(200, 100, 50));
  const std::string path = TempPath("photo.jpg");
  ASSERT_TRUE(image.save(QString::fromStdString(path), "JPEG", 100));
  Ref<IDirect3DTexture9> texture;
  D3DXIMAGE_INFO info;
  ASSERT_EQ(Load(path, 0, &texture, &info), D3D_OK);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_JPG);
  EXPECT_EQ(info.Width, 24u);
  EXPECT_EQ(info.Height, 10u);
  // Default sizes round up to powers of two; mip levels 0 make the chain down to 1 x 1.
  D3DSURFACE_DESC desc;
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 32u);
  EXPECT_EQ(desc.Height, 16u);
  EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(texture->GetLevelCount(), 6u);
  texture->GetLevelDesc(5, &desc);
  EXPECT_EQ(desc.Width, 1u);
  EXPECT_TRUE(ColorNear(Texel(texture.Get(), 0, 5, 5), 0xFFC86432, 3));
  EXPECT_TRUE(ColorNear(Texel(texture.Get(), 5, 0, 0), 0xFFC86432, 3));
}

TEST_F(GLLoaderTest, MissingAndBrokenFilesFail) {
  Ref<IDirect3DTexture9> texture;
  EXPECT_EQ(Load(TempPath("missing.jpg"), 0, &texture), D3DERR_NOTAVAILABLE);
  EXPECT_FALSE(texture);
  const std::string path = TempPath("broken.bmp");
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not an image");
  file.close();
  EXPECT_EQ(Load(path, 0, &texture), D3DXERR_INVALIDDATA);
  // A name that differs in letter case still finds the file.
  QImage image(2, 2, QImage::Format_RGB32);
  image.fill(Qt::white);
  ASSERT_TRUE(image.save(QString::fromStdString(TempPath("Rod.bmp")), "BMP"));
  EXPECT_EQ(Load(TempPath("rod.bmp"), 0, &texture), D3D_OK);
}

TEST_F(GLLoaderTest, TruncatedFilesFailWithoutATexture) {
  // Whole, each loads; cut short by a few bytes, each fails as bad data and leaves no texture
  // (the decoders would fill in the missing texels and report success).
  QImage image(16, 8, QImage::Format_RGB32);
  image.fill(QColor(30, 60, 90));
  for (const char* format : {"JPEG", "BMP", "PNG"}) {
    const std::string path = TempPath((std::string("cut.") + format).c_str());
    ASSERT_TRUE(image.save(QString::fromStdString(path), format));
    Ref<IDirect3DTexture9> texture;
    ASSERT_EQ(Load(path, 0, &texture), D3D_OK) << format;
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.resize(file.size() - 3));
    EXPECT_EQ(Load(path, 0, &texture), D3DXERR_INVALIDDATA) << format;
    EXPECT_FALSE(texture) << format;
  }
}

TEST_F(GLLoaderTest, SurfaceFromResourceLearnsTheImageSize) {
  QImage image(5, 3, QImage::Format_ARGB32);
  image.fill(qRgba(255, 255, 0, 255));
  image.setPixel(0, 0, qRgba(0, 0, 0, 255));
  QByteArray bytes;
  {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
  }
  D3DXRegisterResource("Cursor", std::vector<BYTE>(bytes.begin(), bytes.end()));
  Ref<IDirect3DSurface9> surface;
  ASSERT_EQ(device_->CreateOffscreenPlainSurface(1, 1, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &surface,
                                                 nullptr),
            D3D_OK);
  D3DXIMAGE_INFO info;
  ASSERT_EQ(D3DXLoadSurfaceFromResourceA(surface.Get(), nullptr, nullptr, 0, "CURSOR", nullptr,
                                         D3DX_FILTER_NONE, 0xFF000000, &info),
            D3D_OK);
  EXPECT_EQ(info.Width, 5u);
  EXPECT_EQ(info.Height, 3u);
  ASSERT_EQ(device_->CreateOffscreenPlainSurface(5, 3, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &surface,
                                                 nullptr),
            D3D_OK);
  ASSERT_EQ(D3DXLoadSurfaceFromResourceA(surface.Get(), nullptr, nullptr, 0, "cursor", nullptr,
                                         D3DX_FILTER_NONE, 0xFF000000, nullptr),
            D3D_OK);
  D3DLOCKED_RECT r;
  surface->LockRect(&r, nullptr, 0);
  EXPECT_EQ(static_cast<const D3DCOLOR*>(r.pBits)[0], 0u);  // black keyed out
  EXPECT_EQ(static_cast<const D3DCOLOR*>(r.pBits)[1], 0xFFFFFF00u);
  surface->UnlockRect();
  EXPECT_EQ(device_->SetCursorProperties(0, 0, surface.Get()), D3D_OK);
  EXPECT_EQ(device_->ShowCursor(TRUE), FALSE);
  EXPECT_EQ(device_->ShowCursor(FALSE), TRUE);
  EXPECT_EQ(D3DXLoadSurfaceFromResourceA(surface.Get(), nullptr, nullptr, 0, "nothing", nullptr,
                                         D3DX_FILTER_NONE, 0, nullptr),
            D3DXERR_INVALIDDATA);
  D3DXUnregisterResource("Cursor");
}

TEST_F(GLDeviceTest, FontDrawsInsideItsRectangleAndMeasures) {
  D3DXFONT_DESCA desc;
  desc.Height = -20;
  desc.Weight = 700;
  std::strcpy(desc.FaceName, "DejaVu Sans");
  Ref<ID3DXFont> font;
  ASSERT_EQ(D3DXCreateFontIndirectA(device_.Get(), &desc, &font), D3D_OK);
  RECT measure{0, 0, 0, 0};
  const INT height = font->DrawTextA("Hi", -1, &measure, DT_CALCRECT, 0xFFFFFFFF);
  EXPECT_GT(height, 15);
  EXPECT_GT(measure.right, 10);
  EXPECT_EQ(measure.bottom, height);

  device_->SetRenderState(D3DRS_LIGHTING, TRUE);
  device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
  device_->BeginScene();
  RECT rect{10, 20, 64, 64};
  EXPECT_EQ(font->DrawTextA("HH\xC9", -1, &rect, DT_LEFT, 0xFF00FF00), height);
  device_->EndScene();
  const QImage image = Grab();
  image.save(QString::fromStdString(TempPath("text.png")));
  int lit = 0, outside = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const D3DCOLOR c = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y))[x];
      if (Channel(c, 8) > 128) (x >= 10 && y >= 20 ? lit : outside)++;
      EXPECT_EQ(Channel(c, 16), 0);  // green text, nothing else
    }
  EXPECT_GT(lit, 40);
  EXPECT_EQ(outside, 0);
  // The device's states are as they were.
  DWORD v = 0;
  device_->GetRenderState(D3DRS_LIGHTING, &v);
  EXPECT_EQ(v, static_cast<DWORD>(TRUE));
  // Reset waits for OnLostDevice.
  D3DPRESENT_PARAMETERS pp = pp_;
  EXPECT_EQ(device_->Reset(&pp), D3DERR_INVALIDCALL);
  font->OnLostDevice();
  EXPECT_EQ(device_->Reset(&pp), D3D_OK);
  font->OnResetDevice();
}

TEST_F(GLDeviceTest, FontFromAGdiHandleGoesThroughTheResolver) {
  D3DXSetFontResolver([](HFONT handle, D3DXFONT_DESCA* desc) {
    if (handle != 42) return false;
    desc->Height = -29;
    desc->Weight = 700;
    std::strcpy(desc->FaceName, "Arial");
    return true;
  });
  Ref<ID3DXFont> font;
  ASSERT_EQ(D3DXCreateFont(device_.Get(), 42, &font), D3D_OK);
  D3DXFONT_DESCA desc;
  font->GetDescA(&desc);
  EXPECT_EQ(desc.Height, -29);
  EXPECT_EQ(desc.Weight, 700u);
  EXPECT_EQ(D3DXCreateFont(device_.Get(), 7, &font), E_FAIL);
  EXPECT_FALSE(font);
  D3DXSetFontResolver({});
}

TEST_F(GLDeviceTest, SpriteDrawPlacesTexelsAtTheTranslation) {
  Ref<IDirect3DTexture9> texture =
      MakeTexture(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80FFFFFF});
  Ref<ID3DXSprite> sprite;
  ASSERT_EQ(D3DXCreateSprite(device_.Get(), &sprite), D3D_OK);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
  // Outside the scene the draw is refused and leaves no pixel (checked at (20, 30) below).
  const D3DXVECTOR2 outside{20, 30};
  EXPECT_EQ(sprite->Draw(nullptr, nullptr, nullptr, nullptr, 0.0f, &outside, 0xFFFFFFFF),
            D3DERR_INVALIDCALL);
  device_->BeginScene();
  const D3DXVECTOR2 move{8, 16};
  ASSERT_EQ(sprite->Draw(texture.Get(), nullptr, nullptr, nullptr, 0.0f, &move, 0xFFFFFFFF),
            D3D_OK);
  // Scaled four times and turned a quarter about its centre: covers 40..47 x 8..15.
  const D3DXVECTOR2 scale{4, 4}, centre{4, 4}, there{40, 8};
  Ref<IDirect3DTexture9> solid =
      MakeTexture(2, 2, {0xFFFFFF00, 0xFFFFFF00, 0xFFFFFF00, 0xFFFFFF00});
  ASSERT_EQ(sprite->Draw(solid.Get(), nullptr, &scale, &centre, 1.5707964f, &there, 0xFFFFFFFF),
            D3D_OK);
  device_->EndScene();
  struct {
    int x, y;
    D3DCOLOR expected;
  } table[] = {{7, 16, kBlack},     {8, 16, 0xFFFF0000},  {9, 16, 0xFF00FF00}, {8, 17, 0xFF0000FF},
               {9, 17, 0xFF808080}, {10, 16, kBlack},     {8, 18, kBlack},     {39, 8, kBlack},
               {40, 8, 0xFFFFFF00}, {47, 15, 0xFFFFFF00}, {48, 15, kBlack},    {47, 16, kBlack},
               {20, 30, kBlack}};
  const QImage image = Grab();
  for (const auto& row : table) {
    const D3DCOLOR got = reinterpret_cast<const std::uint32_t*>(image.constScanLine(row.y))[row.x];
    EXPECT_TRUE(ColorNear(got | 0xFF000000, row.expected, 2)) << row.x << "," << row.y;
  }
  DWORD blend = TRUE;
  device_->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
  EXPECT_EQ(blend, static_cast<DWORD>(FALSE));
}

}  // namespace

TEST_F(GLDeviceTest, ALockSeesWhatEarlierLocksWroteInEveryFormatAndLevel) {
  // The texels live in the GL texture between locks; each lock reads them back.
  Ref<IDirect3DTexture9> argb;
  ASSERT_EQ(device_->CreateTexture(4, 2, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &argb, nullptr),
            D3D_OK);
  ASSERT_EQ(argb->GetLevelCount(), 3u);
  D3DLOCKED_RECT r;
  ASSERT_EQ(argb->LockRect(0, &r, nullptr, 0), D3D_OK);
  for (UINT y = 0; y < 2; ++y)
    for (UINT x = 0; x < 4; ++x)
      reinterpret_cast<D3DCOLOR*>(static_cast<std::uint8_t*>(r.pBits) + y * r.Pitch)[x] =
          0x80000000u | (y << 8) | x;
  argb->UnlockRect(0);
  ASSERT_EQ(argb->LockRect(2, &r, nullptr, 0), D3D_OK);
  *static_cast<D3DCOLOR*>(r.pBits) = 0x12345678;
  argb->UnlockRect(2);
  // A second lock of part of level 0 changes only that part.
  const RECT part{1, 1, 3, 2};
  ASSERT_EQ(argb->LockRect(0, &r, &part, 0), D3D_OK);
  static_cast<D3DCOLOR*>(r.pBits)[0] = 0xFFFFFFFF;
  argb->UnlockRect(0);
  ASSERT_EQ(argb->LockRect(0, &r, nullptr, D3DLOCK_READONLY), D3D_OK);
  const auto* row0 = static_cast<const D3DCOLOR*>(r.pBits);
  const auto* row1 =
      reinterpret_cast<const D3DCOLOR*>(static_cast<const std::uint8_t*>(r.pBits) + r.Pitch);
  EXPECT_EQ(row0[3], 0x80000003u);
  EXPECT_EQ(row1[0], 0x80000100u);
  EXPECT_EQ(row1[1], 0xFFFFFFFFu);
  EXPECT_EQ(row1[2], 0x80000102u);
  argb->UnlockRect(0);
  ASSERT_EQ(argb->LockRect(2, &r, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(*static_cast<const D3DCOLOR*>(r.pBits), 0x12345678u);
  argb->UnlockRect(2);
  // A level that was never written reads as zeros.
  ASSERT_EQ(argb->LockRect(1, &r, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(static_cast<const D3DCOLOR*>(r.pBits)[1], 0u);
  argb->UnlockRect(1);

  Ref<IDirect3DTexture9> glyphs;
  ASSERT_EQ(device_->CreateTexture(2, 2, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &glyphs, nullptr),
            D3D_OK);
  ASSERT_EQ(glyphs->LockRect(0, &r, nullptr, 0), D3D_OK);
  static_cast<WORD*>(r.pBits)[1] = 0xAFFF;
  glyphs->UnlockRect(0);
  ASSERT_EQ(glyphs->LockRect(0, &r, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(static_cast<const WORD*>(r.pBits)[0], 0u);
  EXPECT_EQ(static_cast<const WORD*>(r.pBits)[1], 0xAFFFu);
  glyphs->UnlockRect(0);
}
