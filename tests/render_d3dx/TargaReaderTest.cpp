// Our Targa reader against files built byte by byte: orientations, depths, and what it refuses.
#include <gtest/gtest.h>

#include <vector>

#include "platform/render/d3dx/TargaReader.h"

namespace {

// An uncompressed true-colour file of width x height with the given descriptor and pixel bytes.
std::vector<std::uint8_t> Targa(int width, int height, int depth, std::uint8_t descriptor,
                                std::vector<std::uint8_t> pixels, std::uint8_t type = 2,
                                std::vector<std::uint8_t> id = {}) {
  std::vector<std::uint8_t> file(18, 0);
  file[0] = static_cast<std::uint8_t>(id.size());
  file[2] = type;
  file[12] = static_cast<std::uint8_t>(width);
  file[14] = static_cast<std::uint8_t>(height);
  file[16] = static_cast<std::uint8_t>(depth);
  file[17] = descriptor;
  file.insert(file.end(), id.begin(), id.end());
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

bool Read(const std::vector<std::uint8_t>& file, Image32& image, TargaInfo* info = nullptr) {
  return ReadTarga(file.data(), file.size(), image, info);
}

}  // namespace

TEST(TargaReader, ThirtyTwoBitRowsBottomUpOrTopDownKeepTheirAlpha) {
  // Blue, green, red, alpha per pixel; the first row in the file is the bottom one.
  const std::vector<std::uint8_t> pixels = {1, 2, 3, 0x80, 4,  5,  6,  0xFF,
                                            7, 8, 9, 0x00, 10, 11, 12, 0x40};
  Image32 image;
  TargaInfo info;
  ASSERT_TRUE(Read(Targa(2, 2, 32, 0x08, pixels), image, &info));
  EXPECT_EQ(info.BitsPerPixel, 32u);
  EXPECT_TRUE(info.HasAlphaBits);
  EXPECT_EQ(image.At(0, 1), 0x80030201u);
  EXPECT_EQ(image.At(1, 1), 0xFF060504u);
  EXPECT_EQ(image.At(0, 0), 0x00090807u);
  EXPECT_EQ(image.At(1, 0), 0x400C0B0Au);
  // Top-down and right-to-left flags.
  ASSERT_TRUE(Read(Targa(2, 2, 32, 0x08 | 0x20 | 0x10, pixels), image));
  EXPECT_EQ(image.At(1, 0), 0x80030201u);
  EXPECT_EQ(image.At(0, 1), 0x400C0B0Au);
}

TEST(TargaReader, DepthsWithoutAlphaBitsReadOpaque) {
  Image32 image;
  // 32 bits whose descriptor declares no alpha: the fourth byte is not alpha.
  ASSERT_TRUE(Read(Targa(1, 1, 32, 0x00, {1, 2, 3, 0}), image));
  EXPECT_EQ(image.At(0, 0), 0xFF030201u);
  // The image ID field is skipped.
  ASSERT_TRUE(Read(Targa(1, 1, 24, 0x00, {0x10, 0x20, 0x30}, 2, {9, 9, 9}), image));
  EXPECT_EQ(image.At(0, 0), 0xFF302010u);
  // 16 bits: five bits a channel, stretched so that full scale stays full; the top bit is alpha
  // only when the descriptor says so.
  ASSERT_TRUE(Read(Targa(2, 1, 16, 0x01, {0xFF, 0x7F, 0x00, 0x7C}), image));
  EXPECT_EQ(image.At(0, 0), 0x00FFFFFFu);
  EXPECT_EQ(image.At(1, 0), 0x00FF0000u);
  ASSERT_TRUE(Read(Targa(1, 1, 16, 0x00, {0x1F, 0x00}), image));
  EXPECT_EQ(image.At(0, 0), 0xFF0000FFu);
}

TEST(TargaReader, RefusesWhatItCannotReadWhole) {
  Image32 image(3, 3);
  // Truncated pixels, run-length and colour-mapped types, zero size, a bare header.
  EXPECT_FALSE(Read(Targa(2, 2, 32, 0x08, {1, 2, 3, 4}), image));
  EXPECT_FALSE(Read(Targa(1, 1, 24, 0, {1, 2, 3}, 10), image));
  EXPECT_FALSE(Read(Targa(1, 1, 8, 0, {1}, 1), image));
  EXPECT_FALSE(Read(Targa(0, 1, 24, 0, {}), image));
  EXPECT_FALSE(ReadTarga(nullptr, 0, image));
  const std::vector<std::uint8_t> header(17, 0);
  EXPECT_FALSE(Read(header, image));
  // A refused file leaves the image as it was.
  EXPECT_EQ(image.Width, 3u);
}
