// The image steps the Windows loaders share: colour key, resampling and mip levels.
#include <gtest/gtest.h>

#include "platform/render/win32/Image32.h"

namespace {

Image32 Row(std::initializer_list<std::uint32_t> pixels) {
  Image32 image(static_cast<std::uint32_t>(pixels.size()), 1);
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
