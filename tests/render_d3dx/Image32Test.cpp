// The image steps every D3DX loader takes: colour key, resampling and mip levels.
#include <gtest/gtest.h>

#include "platform/render/d3dx/Image32.h"

namespace {

Image32 Row(std::initializer_list<std::uint32_t> pixels) {
  Image32 image(static_cast<std::uint32_t>(pixels.size()), 1);
  image.Pixels.assign(pixels);
  return image;
}

Image32 Image(std::uint32_t w, std::uint32_t h, std::initializer_list<std::uint32_t> pixels) {
  Image32 image(w, h);
  image.Pixels.assign(pixels);
  return image;
}

}  // namespace

TEST(Image32, ColorKeyClearsExactMatchesOnlyAndKeyZeroIsOff) {
  Image32 image = Row({0xFF000000, 0xFF000001, 0x00000000, 0xFFFF00FF});
  ApplyColorKey(image, 0);
  EXPECT_EQ(image.Pixels[0], 0xFF000000u);
  ApplyColorKey(image, 0xFF000000);
  EXPECT_EQ(image.Pixels, (std::vector<std::uint32_t>{0, 0xFF000001, 0, 0xFFFF00FF}));
  EXPECT_TRUE(image.HasTranslucency());
  EXPECT_FALSE(Row({0xFF123456}).HasTranslucency());
}

TEST(Image32, NearestResampleTakesThePixelUnderEachCentre) {
  const Image32 image = Row({1, 2, 3, 4});
  EXPECT_EQ(ResampleImage(image, 2, 1, true).Pixels, (std::vector<std::uint32_t>{2, 4}));
  // Upscaling repeats pixels; a one-pixel source fills any size.
  EXPECT_EQ(ResampleImage(Row({1, 2}), 4, 1, true).Pixels,
            (std::vector<std::uint32_t>{1, 1, 2, 2}));
  EXPECT_EQ(ResampleImage(Row({7}), 3, 2, true).Pixels, std::vector<std::uint32_t>(6, 7));
}

TEST(Image32, SmoothResampleAveragesEachChannelOfTheCoveredArea) {
  Image32 square(2, 2);
  square.Pixels = {0xFF000000, 0xFFFF0000, 0x0000FF00, 0x000000FF};
  const Image32 one = ResampleImage(square, 1, 1, false);
  ASSERT_EQ(one.Pixels.size(), 1u);
  // Alpha (255 + 255) / 4 rounds to 128; each colour channel 255 / 4 rounds to 64.
  EXPECT_EQ(one.Pixels[0], 0x80404040u);
  // The same size is the same image.
  EXPECT_EQ(ResampleImage(square, 2, 2, false).Pixels, square.Pixels);
}

TEST(Image32, MipLevelsHalveDownToOnePixel) {
  EXPECT_EQ(FullMipCount(256, 64), 9u);
  EXPECT_EQ(FullMipCount(1, 1), 1u);
  EXPECT_EQ(FullMipCount(5, 3), 3u);
  Image32 strip = Row({0x00000010, 0x00000030, 0x000000FF});
  const Image32 smooth = NextMipLevel(strip, false);
  ASSERT_EQ(smooth.Width, 1u);
  ASSERT_EQ(smooth.Height, 1u);
  // A one-pixel-high image pairs rows with themselves: (16 + 48 + 16 + 48) / 4.
  EXPECT_EQ(smooth.Pixels[0], 0x00000020u);
  EXPECT_EQ(NextMipLevel(strip, true).Pixels[0], 0x00000010u);
}

TEST(Image32, ColourKeyComparesTheWholeArgbValue) {
  Image32 image = Row({0xFF0000FF, 0x800000FF, 0xFF0000FE});
  ApplyColorKey(image, 0xFF0000FF);
  EXPECT_EQ(image.At(0, 0), 0x00000000u);
  EXPECT_EQ(image.At(1, 0), 0x800000FFu);  // a translucent blue is not the opaque key
  EXPECT_EQ(image.At(2, 0), 0xFF0000FEu);
  ApplyColorKey(image, 0);  // no key
  EXPECT_EQ(image.At(2, 0), 0xFF0000FEu);
}

TEST(Image32, MipLevelsPointSampleOrAverage) {
  const Image32 image = Image(2, 2, {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF});
  EXPECT_EQ(NextMipLevel(image, true).At(0, 0), 0xFF000000u);
  EXPECT_EQ(NextMipLevel(image, false).At(0, 0), 0xFFBFBFBFu);
  const Image32 odd = Row({1, 2, 3});
  const Image32 next = NextMipLevel(odd, true);
  EXPECT_EQ(next.Width, 1u);
  EXPECT_EQ(next.Height, 1u);
}

TEST(Image32, PointResamplingKeepsWholeTexelsAndSmoothMixesNeighbours) {
  const Image32 image = Row({0xFFFF0000, 0xFF0000FF});
  const Image32 wide = ResampleImage(image, 4, 2, true);
  EXPECT_EQ(wide.At(0, 0), 0xFFFF0000u);
  EXPECT_EQ(wide.At(1, 1), 0xFFFF0000u);
  EXPECT_EQ(wide.At(2, 0), 0xFF0000FFu);
  EXPECT_EQ(wide.At(3, 1), 0xFF0000FFu);
  const Image32 smooth = ResampleImage(image, 4, 1, false);
  EXPECT_GT(smooth.At(1, 0) & 0xFF, 0u);  // filtered: the neighbours mix
  // Growing blends between pixel centres: a quarter of the way from red to blue.
  EXPECT_EQ(smooth.At(1, 0), 0xFFBF0040u);
  EXPECT_EQ(smooth.At(0, 0), 0xFFFF0000u);  // before the first centre: the edge pixel
}

TEST(Image32, CropTakesTheRectangle) {
  const Image32 image = Image(3, 2, {1, 2, 3, 4, 5, 6});
  const Image32 part = CropImage(image, 1, 0, 3, 2);
  EXPECT_EQ(part.Width, 2u);
  EXPECT_EQ(part.Pixels, (std::vector<std::uint32_t>{2, 3, 5, 6}));
}
