// The generator's building blocks: the Targa writer against Qt's reader, tiling noise, and
// craters that cross the map's wrap column.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <set>

#include "media/BodyMaps.h"
#include "media/Craters.h"
#include "media/MediaTree.h"
#include "media/Noise.h"
#include "media/TgaWriter.h"

namespace zelmar::media {
namespace {

TEST(TgaWriter, QtReadsBackEveryPixelWithItsAlphaTopRowFirst) {
  QImage img(3, 2, QImage::Format_ARGB32);
  img.setPixel(0, 0, qRgba(255, 0, 0, 255));
  img.setPixel(1, 0, qRgba(0, 255, 0, 128));
  img.setPixel(2, 0, qRgba(0, 0, 255, 0));
  img.setPixel(0, 1, qRgba(10, 20, 30, 40));
  img.setPixel(1, 1, qRgba(200, 100, 50, 255));
  img.setPixel(2, 1, qRgba(1, 2, 3, 4));
  const QImage back = QImage::fromData(EncodeTga(img), "tga");
  ASSERT_FALSE(back.isNull());
  ASSERT_EQ(back.size(), img.size());
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(back.convertToFormat(QImage::Format_ARGB32).pixel(x, y), img.pixel(x, y))
          << x << "," << y;
}

TEST(Noise, TilingNoiseRepeatsOverTheUnitSquareAndSeedsDiffer) {
  for (int i = 0; i < 50; ++i) {
    const float u = i * 0.0173f, v = i * 0.0291f;
    EXPECT_NEAR(TileFbm(u, v, 3, 5, 7), TileFbm(u + 1, v, 3, 5, 7), 1e-4f);
    EXPECT_NEAR(TileFbm(u, v, 3, 5, 7), TileFbm(u, v + 1, 3, 5, 7), 1e-4f);
    EXPECT_NEAR(TileNoise(u * 96, v * 2, 96, 2, 9), TileNoise(u * 96 + 96, v * 2 + 2, 96, 2, 9),
                1e-4f);
  }
  int differ = 0;
  for (int i = 0; i < 50; ++i) {
    const Vec3 p{i * 0.37f, i * 0.11f, 0.5f};
    EXPECT_EQ(Noise(p, 1), Noise(p, 1));
    if (std::abs(Noise(p, 1) - Noise(p, 2)) > 1e-3f) ++differ;
  }
  EXPECT_GT(differ, 25);
}

TEST(Craters, CratersAcrossTheWrapColumnAppearOnBothSides) {
  CraterField field(256, 128);
  CraterSet set;
  set.count = 400;
  set.minRadius = 0.03f;
  set.maxRadius = 0.2f;
  set.freshFraction = 0.5f;
  set.rayFraction = 0.5f;
  AddCraters(field, set);
  double edge = 0, inner = 0, any = 0;
  for (int y = 0; y < field.h; ++y) {
    const auto at = [&](int x) { return field.height[std::size_t(y) * field.w + x]; };
    edge += std::abs(at(0) - at(field.w - 1));
    inner += std::abs(at(100) - at(101));
    any += std::abs(at(0));
  }
  EXPECT_GT(any, 0) << "no crater touched the first column";
  EXPECT_LT(edge, 2.0 * inner + 1e-3) << "craters are cut at the wrap column";
}

TEST(MediaFiles, NamesAreUniqueAndSizesHalveExactly) {
  std::set<std::string> seen;
  for (const MediaFile& f : MediaFiles()) {
    EXPECT_TRUE(seen.insert(f.name).second) << f.name << " twice";
    EXPECT_EQ(f.width % 4, 0) << f.name;
    EXPECT_EQ(f.height % 4, 0) << f.name;
    if (IsBodyMap(f.name)) {
      EXPECT_EQ(f.width, 2 * f.height) << f.name;
    }
  }
  EXPECT_TRUE(seen.count("Rod.jpg") && seen.count("rod.jpg"));
  EXPECT_FALSE(PaintBodyMap("saturnRings.tga", 64).has_value());
}

TEST(BodyMaps, EveryBodyIsPaintedAtTheRequestedSize) {
  for (const MediaFile& f : MediaFiles()) {
    if (!IsBodyMap(f.name)) continue;
    const auto c = PaintBodyMap(f.name, 64);
    ASSERT_TRUE(c.has_value()) << f.name;
    EXPECT_EQ(c->Width(), 64);
    EXPECT_EQ(c->Height(), 32);
  }
}

}  // namespace
}  // namespace zelmar::media
