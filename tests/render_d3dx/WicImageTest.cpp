// Image files through Windows' imaging component and our Targa reader, as the loaders see them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/render/d3dx/ImageFiles.h"

namespace {

void Put16(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
  v[at] = static_cast<std::uint8_t>(x), v[at + 1] = static_cast<std::uint8_t>(x >> 8);
}
void Put32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
  Put16(v, at, x & 0xFFFF), Put16(v, at + 2, x >> 16);
}

// A 2 x 2 Windows bitmap of 24 bits, bottom row first, rows padded to four bytes.
std::vector<std::uint8_t> Bitmap24() {
  std::vector<std::uint8_t> file(54 + 2 * 8, 0);
  file[0] = 'B', file[1] = 'M';
  Put32(file, 2, static_cast<std::uint32_t>(file.size()));
  Put32(file, 10, 54);
  Put32(file, 14, 40);
  Put32(file, 18, 2);
  Put32(file, 22, 2);
  Put16(file, 26, 1);
  Put16(file, 28, 24);
  Put32(file, 34, 16);
  const std::uint8_t rows[16] = {0,   0, 255, 0,   255, 0,   0, 0,   // bottom: red, green
                                 255, 0, 0,   255, 255, 255, 0, 0};  // top: blue, white
  std::copy(rows, rows + 16, file.begin() + 54);
  return file;
}

}  // namespace

TEST(WicImage, BitmapsDecodeTopRowFirstAndOpaque) {
  const std::vector<std::uint8_t> file = Bitmap24();
  DecodedImage d;
  ASSERT_EQ(ImageFiles::DecodeBytes(file.data(), file.size(), &d), D3D_OK);
  EXPECT_EQ(d.Info.ImageFileFormat, D3DXIFF_BMP);
  EXPECT_EQ(d.Info.Format, D3DFMT_R8G8B8);  // 24 bits a pixel in the file
  EXPECT_FALSE(d.HasAlpha);
  ASSERT_EQ(d.Image.Width, 2u);
  EXPECT_EQ(d.Image.Pixels,
            (std::vector<std::uint32_t>{0xFF0000FF, 0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00}));
}

TEST(WicImage, TargaGoesToOurReaderAndKeepsItsAlpha) {
  std::vector<std::uint8_t> file(18, 0);
  file[2] = 2, file[12] = 1, file[14] = 1, file[16] = 32, file[17] = 0x28;
  file.insert(file.end(), {0x10, 0x20, 0x30, 0x40});
  DecodedImage d;
  ASSERT_EQ(ImageFiles::DecodeBytes(file.data(), file.size(), &d), D3D_OK);
  EXPECT_EQ(d.Info.ImageFileFormat, D3DXIFF_TGA);
  EXPECT_TRUE(d.HasAlpha);
  EXPECT_EQ(d.Image.Pixels[0], 0x40302010u);
}

TEST(WicImage, MissingTruncatedAndForeignFilesAreTold) {
  DecodedImage d;
  const ImageFiles files;
  EXPECT_EQ(files.DecodeFile("no such folder\\no such file.jpg", &d), D3DERR_NOTAVAILABLE);
  std::vector<std::uint8_t> file = Bitmap24();
  file.resize(file.size() - 5);
  EXPECT_EQ(ImageFiles::DecodeBytes(file.data(), file.size(), &d), D3DXERR_INVALIDDATA);
  // A JPEG signature with nothing behind it, and text.
  const std::uint8_t jpeg[] = {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F', 0};
  EXPECT_EQ(ImageFiles::DecodeBytes(jpeg, sizeof jpeg, &d), D3DXERR_INVALIDDATA);
  const char text[] = "not an image at all";
  EXPECT_EQ(ImageFiles::DecodeBytes(reinterpret_cast<const std::uint8_t*>(text), sizeof text, &d),
            D3DXERR_INVALIDDATA);
  // A file on disk reads as its bytes do.
  const std::string name =
      (std::filesystem::temp_directory_path() / "zelmar-wic-test.bmp").string();
  const std::vector<std::uint8_t> whole = Bitmap24();
  FILE* f = std::fopen(name.c_str(), "wb");
  ASSERT_TRUE(f);
  std::fwrite(whole.data(), 1, whole.size(), f);
  std::fclose(f);
  EXPECT_EQ(files.DecodeFile(name, &d), D3D_OK);
  EXPECT_EQ(d.Image.Height, 2u);
  std::remove(name.c_str());
}
