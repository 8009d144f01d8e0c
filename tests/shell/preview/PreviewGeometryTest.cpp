#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "shell/preview/Preview.h"

using namespace zelmar;

TEST(PreviewGeometry, AHostOf152By112) {
  const TPreviewGeometry g = PreviewGeometry(152, 112);
  EXPECT_EQ(g.Width, 153);
  EXPECT_EQ(g.Height, 113);
  EXPECT_EQ(g.IconTop, 40);
  EXPECT_EQ(PreviewGeometry(152, 31).IconTop, 0);
  EXPECT_EQ(PreviewGeometry(10, 10).IconTop, -11);  // a host smaller than the icon
}

TEST(PreviewGeometry, TheIconGlidesOneColumnPerPassAndComesBackFromTheLeft) {
  const int width = PreviewGeometry(152, 112).Width;
  int x = -33;  // the first column drawn
  int last = x;
  int passes = 0;
  for (int next = NextIconColumn(x, width); next == x + 1; next = NextIconColumn(x, width)) {
    x = next;
    last = std::max(last, x);
    ASSERT_LT(++passes, 1000);
  }
  EXPECT_EQ(last, 170);  // W + 17
  EXPECT_EQ(NextIconColumn(170, width), -32);
  EXPECT_EQ(passes, 170 + 33);
}

TEST(PreviewGeometry, HandlesAreDecimalOrHexadecimal) {
  unsigned long id = 0;
  EXPECT_TRUE(ParsePreviewHandle("12345", id));
  EXPECT_EQ(id, 12345u);
  EXPECT_TRUE(ParsePreviewHandle("0x1f", id));
  EXPECT_EQ(id, 31u);
  EXPECT_FALSE(ParsePreviewHandle("", id));
  EXPECT_FALSE(ParsePreviewHandle("window", id));
}

TEST(PreviewGeometry, StarsFallInsideTheFrame) {
  const std::vector<TPreviewStar> stars = PreviewStars(7, 5);
  ASSERT_EQ(stars.size(), 100u);
  for (const TPreviewStar& s : stars) {
    EXPECT_TRUE(s.X >= 0 && s.X < 7 && s.Y >= 0 && s.Y < 5) << s.X << "," << s.Y;
  }
}

// A band somewhere inside the frame holds exactly what the whole frame holds there: its stars
// and the part of the icon over it, blended by the icon's alpha.
TEST(PreviewGeometry, ABandIsThatPartOfTheWholeFrame) {
  const int width = 60, height = 50;
  const std::vector<TPreviewStar> stars = {{1, 1}, {20, 30}, {59, 49}, {45, 12}};
  std::vector<std::uint32_t> icon(kPreviewIconSize * kPreviewIconSize, 0u);
  icon[0] = 0xFF112233;                         // opaque: replaces
  icon[1] = 0x80FFFFFF;                         // half: over black, a mid grey
  icon[kPreviewIconSize * 3 + 2] = 0x00FFFFFF;  // clear: leaves the star under it
  const int iconLeft = 18, iconTop = 27;

  std::vector<std::uint32_t> whole(width * height, 0xDEADBEEF);
  ComposePreview(whole.data(), 0, 0, width, height, stars, icon, iconLeft, iconTop);
  EXPECT_EQ(whole[1 * width + 1], 0xFFFFFFu);
  EXPECT_EQ(whole[49 * width + 59], 0xFFFFFFu);
  EXPECT_EQ(whole[27 * width + 18], 0x112233u);
  EXPECT_EQ(whole[27 * width + 19], 0x808080u);
  EXPECT_EQ(whole[30 * width + 20], 0xFFFFFFu);
  EXPECT_EQ(whole[2 * width + 2], 0u);

  const int left = 19, top = 10, columns = 30, rows = 25;  // cuts through the icon
  std::vector<std::uint32_t> band(columns * rows, 0xDEADBEEF);
  ComposePreview(band.data(), left, top, columns, rows, stars, icon, iconLeft, iconTop);
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < columns; ++x)
      ASSERT_EQ(band[y * columns + x], whole[(top + y) * width + left + x]) << x << "," << y;
}
