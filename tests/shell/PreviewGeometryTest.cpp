#include <gtest/gtest.h>

#include <algorithm>

#include "shell/Preview.h"

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
