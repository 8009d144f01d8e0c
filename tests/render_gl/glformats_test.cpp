// Pixel conversions and image preparation of the GL backend, without a display.
#include "platform/render/gl/glformats.h"

#include <gtest/gtest.h>

#include <QImage>

#include "platform/render/gl/glimage.h"

namespace {

TEST(GLFormats, SixteenBitFormatsRoundTripTheirBits) {
  struct Row {
    D3DFORMAT format;
    std::uint32_t argb;
    std::uint16_t packed;
    std::uint32_t back;
  } table[] = {
      {D3DFMT_A4R4G4B4, 0xFFFFFFFF, 0xFFFF, 0xFFFFFFFF},
      {D3DFMT_A4R4G4B4, 0x80FF0010, 0x8F01, 0x88FF0011},  // nibbles widen by repetition
      {D3DFMT_R5G6B5, 0xFF00FF00, 0x07E0, 0xFF00FF00},
      {D3DFMT_R5G6B5, 0x00FF0000, 0xF800, 0xFFFF0000},  // no alpha: reads opaque
      {D3DFMT_A1R5G5B5, 0x80FFFFFF, 0xFFFF, 0xFFFFFFFF},
      {D3DFMT_A1R5G5B5, 0x7F0000FF, 0x001F, 0x000000FF},
      {D3DFMT_X1R5G5B5, 0x000000FF, 0x001F, 0xFF0000FF},
  };
  for (const Row& row : table) {
    std::uint16_t packed = 0;
    ConvertRowFromArgb32(&row.argb, &packed, 1, row.format);
    EXPECT_EQ(packed, row.packed) << "format " << row.format << " from " << std::hex << row.argb;
    std::uint32_t back = 0;
    ConvertRowToArgb32(&row.packed, &back, 1, row.format);
    EXPECT_EQ(back, row.back) << "format " << row.format << " from " << std::hex << row.packed;
  }
  GLTextureFormat f;
  EXPECT_TRUE(GLTextureFormatOf(D3DFMT_X8R8G8B8, &f));
  EXPECT_EQ(f.swizzle[3], GL_ONE);  // the unused byte reads as opaque
  EXPECT_FALSE(GLTextureFormatOf(D3DFMT_DXT1, &f));
  EXPECT_EQ(GLRenderbufferFormatOf(D3DFMT_D15S1), 0u);
}

QImage Image(int w, int h, std::initializer_list<std::uint32_t> pixels) {
  QImage image(w, h, QImage::Format_ARGB32);
  auto it = pixels.begin();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, *it++);
  return image;
}

TEST(GLImage, ColourKeyComparesTheWholeArgbValue) {
  QImage image = Image(3, 1, {0xFF0000FF, 0x800000FF, 0xFF0000FE});
  ApplyColorKey(&image, 0xFF0000FF);
  EXPECT_EQ(image.pixel(0, 0), 0x00000000u);
  EXPECT_EQ(image.pixel(1, 0), 0x800000FFu);  // a translucent blue is not the opaque key
  EXPECT_EQ(image.pixel(2, 0), 0xFF0000FEu);
  ApplyColorKey(&image, 0);  // no key
  EXPECT_EQ(image.pixel(2, 0), 0xFF0000FEu);
}

TEST(GLImage, MipLevelsPointSampleOrAverage) {
  const QImage image = Image(2, 2, {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF});
  EXPECT_EQ(NextMipLevel(image, D3DX_FILTER_POINT).pixel(0, 0), 0xFF000000u);
  EXPECT_EQ(NextMipLevel(image, D3DX_FILTER_BOX).pixel(0, 0), 0xFFBFBFBFu);
  const QImage odd = Image(3, 1, {1, 2, 3});
  EXPECT_EQ(NextMipLevel(odd, D3DX_FILTER_POINT).size(), QSize(1, 1));
  EXPECT_EQ(FullMipCount(1, 1), 1u);
  EXPECT_EQ(FullMipCount(256, 64), 9u);
  EXPECT_EQ(FullMipCount(5, 3), 3u);
}

TEST(GLImage, PointResamplingKeepsWholeTexels) {
  const QImage image = Image(2, 1, {0xFFFF0000, 0xFF0000FF});
  const QImage wide = ResampleImage(image, 4, 2, D3DX_FILTER_POINT);
  EXPECT_EQ(wide.pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(wide.pixel(1, 1), 0xFFFF0000u);
  EXPECT_EQ(wide.pixel(2, 0), 0xFF0000FFu);
  EXPECT_EQ(wide.pixel(3, 1), 0xFF0000FFu);
  const QImage smooth = ResampleImage(image, 4, 1, D3DX_FILTER_TRIANGLE);
  EXPECT_GT(qBlue(smooth.pixel(1, 0)), 0);  // filtered: the neighbours mix
}

TEST(GLImage, TargaWithoutFooterAndUnknownBytes) {
  // A 1 x 1 24-bit Targa in the original format, without the version 2 footer Qt expects.
  const std::vector<BYTE> tga = {0, 0, 2, 0, 0, 0,  0,    0,    0,    0,   0,
                                 0, 1, 0, 1, 0, 24, 0x20, 0x30, 0x20, 0x10};
  DecodedImage d;
  ASSERT_EQ(DecodeImageBytes(tga, &d), D3D_OK);
  EXPECT_EQ(d.image.pixel(0, 0), 0xFF102030u);
  EXPECT_FALSE(d.hasAlpha);
  // Registered as a program resource, the image has no extension to go by.
  ASSERT_EQ(DecodeImageBytes(tga, &d), D3D_OK);
  EXPECT_EQ(d.info.ImageFileFormat, D3DXIFF_TGA);
  EXPECT_EQ(DecodeImageBytes({1, 2, 3}, &d), D3DXERR_INVALIDDATA);
}

}  // namespace
