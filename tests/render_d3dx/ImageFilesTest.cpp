// The program's image files for our D3DX loaders: each kind decodes through the platform's
// decoder or our Targa reader; files that are truncated, inconsistent or declare more than they
// hold are refused before a decoder sees them, whatever they are called.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/render/d3dx/ImageFiles.h"
#include "platform/render/d3dx/ImageHeader.h"

namespace {

std::vector<BYTE> Encoded(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, format)) << format;
  return {bytes.begin(), bytes.end()};
}

QImage Pattern(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 40, y * 30, (x + y) * 10));
  return image;
}

// A Targa header (uncompressed true colour unless type says otherwise, top row first, 32 bits
// with their alpha) and its pixels.
std::vector<BYTE> Targa(int w, int h, int depth, std::size_t pixelBytes, BYTE type = 2,
                        BYTE mapType = 0) {
  std::vector<BYTE> t = {0,           mapType,
                         type,        0,
                         0,           0,
                         0,           0,
                         0,           0,
                         0,           0,
                         BYTE(w),     BYTE(w >> 8),
                         BYTE(h),     BYTE(h >> 8),
                         BYTE(depth), BYTE(depth == 32 ? 0x28 : 0x20)};
  t.resize(t.size() + pixelBytes, 0x7F);
  return t;
}

// An 8 x 2 RLE8 bitmap with a two-colour table: a run of 8, end of line, 4 literal pixels and a
// run of 4, end of bitmap.
std::vector<BYTE> Rle8Bitmap() {
  // clang-format off
  return {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,  // file header
          40, 0, 0, 0, 8, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0, 1, 0, 0, 0,
          0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0,
          0, 0, 0xFF, 0, 0xFF, 0, 0, 0,  // red, blue
          8, 0, 0, 0, 0, 4, 1, 0, 1, 0, 4, 1, 0, 1};
  // clang-format on
}

HRESULT Decode(const std::vector<BYTE>& bytes, DecodedImage* d) {
  return ImageFiles::DecodeBytes(bytes.data(), bytes.size(), d);
}

HRESULT Decode(const std::vector<BYTE>& bytes) {
  DecodedImage d;
  return Decode(bytes, &d);
}

TEST(ImageFiles, WholeFilesOfEachFormatDecode) {
  const QImage pattern = Pattern(4, 3);
  struct Row {
    const char* format;
    ImageKind kind;
    D3DXIMAGE_FILEFORMAT fileFormat;
  } table[] = {{"BMP", ImageKind::Bmp, D3DXIFF_BMP},
               {"PNG", ImageKind::Png, D3DXIFF_PNG},
               {"JPEG", ImageKind::Jpeg, D3DXIFF_JPG}};
  for (const Row& row : table) {
    const std::vector<BYTE> bytes = Encoded(pattern, row.format);
    const auto header = CheckImageHeader(bytes.data(), bytes.size());
    ASSERT_TRUE(header) << row.format;
    EXPECT_EQ(header->kind, row.kind);
    EXPECT_EQ(header->width, 4u);
    EXPECT_EQ(header->height, 3u);
    DecodedImage d;
    ASSERT_EQ(Decode(bytes, &d), D3D_OK) << row.format;
    EXPECT_EQ(d.Info.ImageFileFormat, row.fileFormat);
  }
  DecodedImage d;
  ASSERT_EQ(Decode(Targa(3, 2, 32, 24), &d), D3D_OK);
  EXPECT_EQ(d.Info.ImageFileFormat, D3DXIFF_TGA);
  EXPECT_EQ(d.Image.At(2, 1), 0x7F7F7F7Fu);
  ASSERT_EQ(Decode(Rle8Bitmap(), &d), D3D_OK);
  EXPECT_EQ(d.Image.At(0, 1), 0xFFFF0000u);  // bottom-up: the first row is the lowest
  EXPECT_EQ(d.Image.At(0, 0), 0xFF0000FFu);
  EXPECT_EQ(d.Image.At(1, 0), 0xFFFF0000u);
  EXPECT_EQ(d.Image.At(7, 0), 0xFF0000FFu);
}

TEST(ImageFiles, TruncatedFilesFailInsteadOfFillingIn) {
  // Width 4 at 24 bits leaves no row padding, so every cut removes pixels.
  const QImage pattern = Pattern(4, 3);
  const std::vector<std::vector<BYTE>> files = {Encoded(pattern, "BMP"),  Encoded(pattern, "PNG"),
                                                Encoded(pattern, "JPEG"), Targa(3, 2, 32, 24),
                                                Targa(3, 2, 24, 18),      Rle8Bitmap()};
  for (std::size_t f = 0; f < files.size(); ++f) {
    const std::vector<BYTE>& whole = files[f];
    for (std::size_t cut : {std::size_t{1}, std::size_t{2}, whole.size() / 2, whole.size() - 20})
      EXPECT_EQ(Decode({whole.begin(), whole.end() - static_cast<std::ptrdiff_t>(cut)}),
                D3DXERR_INVALIDDATA)
          << "file " << f << " without its last " << cut << " bytes";
  }
}

TEST(ImageFiles, InconsistentHeadersAreRefusedWithoutDecoding) {
  struct Row {
    const char* what;
    std::vector<BYTE> bytes;
  } table[] = {
      // Before the header check these took tens of seconds and then "succeeded".
      {"65535 x 65535 Targa of 4 bytes", Targa(0xFFFF, 0xFFFF, 32, 4)},
      {"65535 x 1 Targa of 4 bytes", Targa(0xFFFF, 1, 32, 4)},
      {"zero width", Targa(0, 4, 32, 64)},
      {"colour map type 2", Targa(1, 1, 32, 4, 2, 2)},
      {"image type 0x55", Targa(1, 1, 32, 4, 0x55)},
      {"depth 7", Targa(1, 1, 7, 4)},
      {"beyond the pixel limit", Targa(0xFFFF, 0xFFFF, 16, 0)},
      {"noise", {1, 2, 3}},
      {"empty", {}},
  };
  for (const Row& row : table) {
    EXPECT_FALSE(CheckImageHeader(row.bytes.data(), row.bytes.size())) << row.what;
    EXPECT_EQ(Decode(row.bytes), D3DXERR_INVALIDDATA) << row.what;
  }

  // Bitmaps whose headers contradict themselves or the file.
  std::vector<BYTE> bmp = Encoded(Pattern(4, 3), "BMP");
  auto patched = [&](std::size_t at, std::vector<BYTE> value) {
    std::vector<BYTE> b = bmp;
    std::copy(value.begin(), value.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
    return b;
  };
  EXPECT_EQ(Decode(patched(18, {0, 0, 1, 0})), D3DXERR_INVALIDDATA);        // 65536 wide
  EXPECT_EQ(Decode(patched(22, {0, 0, 0, 0})), D3DXERR_INVALIDDATA);        // no rows
  EXPECT_EQ(Decode(patched(28, {7, 0})), D3DXERR_INVALIDDATA);              // 7 bits a pixel
  EXPECT_EQ(Decode(patched(10, {0xFF, 0xFF, 0, 0})), D3DXERR_INVALIDDATA);  // pixels past the end
  EXPECT_EQ(Decode(patched(14, {99, 0, 0, 0})), D3DXERR_INVALIDDATA);       // header of 99 bytes

  // A JPEG frame that claims far more pixels than its scan data could code.
  std::vector<BYTE> jpeg = Encoded(Pattern(4, 3), "JPEG");
  for (std::size_t i = 2; i + 8 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      jpeg[i + 5] = jpeg[i + 6] = jpeg[i + 7] = jpeg[i + 8] = 0x7F;  // 32639 x 32639
      break;
    }
  EXPECT_EQ(Decode(jpeg), D3DXERR_INVALIDDATA);
}

TEST(ImageFiles, TargaWithoutFooterAndUnknownBytes) {
  // A 1 x 1 24-bit Targa in the original format, without the version 2 footer.
  const std::vector<BYTE> tga = {0, 0, 2, 0, 0, 0,  0,    0,    0,    0,   0,
                                 0, 1, 0, 1, 0, 24, 0x20, 0x30, 0x20, 0x10};
  DecodedImage d;
  ASSERT_EQ(Decode(tga, &d), D3D_OK);
  EXPECT_EQ(d.Image.At(0, 0), 0xFF102030u);
  EXPECT_FALSE(d.HasAlpha);
  // Registered as a program resource, the image has no extension to go by.
  ASSERT_EQ(Decode(tga, &d), D3D_OK);
  EXPECT_EQ(d.Info.ImageFileFormat, D3DXIFF_TGA);
  EXPECT_EQ(Decode({1, 2, 3}, &d), D3DXERR_INVALIDDATA);
}

TEST(ImageFiles, FilesAreFoundWithBackslashesAndInAnyLetterCase) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / "zelmar-image-files" / "Maps";
  std::filesystem::create_directories(folder);
  const std::vector<BYTE> png = Encoded(Pattern(4, 3), "PNG");
  FILE* f = std::fopen((folder / "Earth.png").string().c_str(), "wb");
  ASSERT_TRUE(f);
  std::fwrite(png.data(), 1, png.size(), f);
  std::fclose(f);
  const ImageFiles files;
  DecodedImage d;
  std::string windowsStyle = (folder / "EARTH.PNG").string();
  for (char& c : windowsStyle)
    if (c == '/') c = '\\';
  ASSERT_EQ(files.DecodeFile(windowsStyle, &d), D3D_OK);
  EXPECT_EQ(d.Image.Width, 4u);
  EXPECT_EQ(files.DecodeFile((folder / "Mars.png").string(), &d), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(files.DecodeFile(folder.string(), &d), D3DERR_NOTAVAILABLE) << "a folder is no file";
  std::filesystem::remove_all(folder.parent_path());
}

}  // namespace
