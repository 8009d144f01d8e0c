// The engine demo run as a user would, in a real X server: framework, pool, the scene's lit
// textured bodies, Saturn's ring, shadow cones, a billboard, a sprite and text, saved after a
// few frames.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QColor>
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/ZelmarProcess.h"

namespace {

int RunDemo(const std::string& Snapshot, std::vector<std::string> Extra = {}) {
  std::vector<std::string> Args = {ZELMAR_ENGINE_DEMO, "--snapshot", Snapshot, "--frames", "10"};
  Args.insert(Args.end(), Extra.begin(), Extra.end());
  return RunZelmar(Args).status;
}

int Luma(QRgb c) {
  return qRed(c) * 3 + qGreen(c) * 6 + qBlue(c);
}

std::string TempPng(const char* Name) {
  return (std::filesystem::temp_directory_path() /
          (std::string("zelmar-demo-") + Name + "-" + std::to_string(getpid()) + ".png"))
      .string();
}

bool Near(QRgb c, QRgb Colour, int Tolerance = 40) {
  return std::abs(qRed(c) - qRed(Colour)) <= Tolerance &&
         std::abs(qGreen(c) - qGreen(Colour)) <= Tolerance &&
         std::abs(qBlue(c) - qBlue(Colour)) <= Tolerance;
}

// The bounding box of the pixels in Area near Colour, and how many there are.
QRect InkBox(const QImage& Image, const QRect& Area, QRgb Colour, int* Count) {
  QRect Box;
  *Count = 0;
  for (int y = Area.top(); y <= Area.bottom(); ++y)
    for (int x = Area.left(); x <= Area.right(); ++x)
      if (Near(Image.pixel(x, y), Colour)) {
        Box |= QRect(x, y, 1, 1);
        ++*Count;
      }
  return Box;
}

}  // namespace

TEST(EngineDemo, ShowsALitTexturedSphere) {
  const std::string shot = TempPng("default");
  ASSERT_EQ(RunDemo(shot, {"--time", "0"}), 0);
  QImage image(QString::fromStdString(shot));
  std::filesystem::remove(shot);
  ASSERT_FALSE(image.isNull());
  ASSERT_EQ(image.size(), QSize(480, 360));

  // The sphere fills the middle; below it lies the dark background (the Sun's glow fills the
  // left and the other bodies the right).
  const QRgb background = image.pixel(image.width() / 2, image.height() - 6);
  EXPECT_LT(Luma(background), 200);
  const int cx = image.width() / 2, cy = image.height() / 2;
  // Averaged over a patch of the day side left of the middle (partly ocean, partly land and
  // cloud).
  long middle = 0;
  for (int y = cy - 20; y <= cy; ++y)
    for (int x = cx - 35; x <= cx - 15; ++x) middle += Luma(image.pixel(x, y));
  EXPECT_GT(middle / (21 * 21), Luma(background) + 300);

  // Lit from the upper left: that side of the sphere is brighter than the lower right.
  long lit = 0, shaded = 0;
  for (int d = 10; d < 60; d += 5) {
    lit += Luma(image.pixel(cx - d, cy - d / 2));
    shaded += Luma(image.pixel(cx + d, cy + d / 2));
  }
  EXPECT_GT(lit, shaded);

  // Textured: the disc holds many different colours, not one shaded tint.
  int blueish = 0, other = 0;
  for (int y = cy - 60; y <= cy + 60; y += 6) {
    for (int x = cx - 60; x <= cx + 60; x += 6) {
      const QColor c = image.pixelColor(x, y);
      if (c.blue() > c.red() + 20)
        ++blueish;
      else
        ++other;
    }
  }
  EXPECT_GT(blueish, 20) << "oceans";
  EXPECT_GT(other, 20) << "land and clouds";
}

// The README's picture: fixed size and time, so the layout is known.
TEST(EngineDemo, ShowsTheSunSaturnsRingAndTextInBothModes) {
  const std::string shot = TempPng("wide");
  ASSERT_EQ(RunDemo(shot, {"--size", "800x450", "--time", "0"}), 0);
  QImage image(QString::fromStdString(shot));
  std::filesystem::remove(shot);
  ASSERT_EQ(image.size(), QSize(800, 450));
  const QRgb background = qRgb(0, 0, 50);
  EXPECT_EQ(image.pixel(400, 440), background);

  // The Sun shines by itself: its map at full brightness, orange.
  const QColor sun = image.pixelColor(60, 260);
  EXPECT_GT(sun.red(), 180);
  EXPECT_GT(sun.red(), sun.green());
  EXPECT_GT(sun.green(), sun.blue());

  // Through Saturn's centre from the left: the outer ring, a dark division, the broad ring,
  // then the background itself between ring and planet (the ring's inner part is
  // transparent), then the planet.
  std::vector<int> BrightRuns;  // where each bright run starts, after a dark stretch
  int BackgroundAfterRings = -1;
  bool Bright = false;
  for (int x = 360; x < 470; ++x) {
    const QRgb c = image.pixel(x, 75);
    if (!Bright && Luma(c) > 700) {
      BrightRuns.push_back(x);
      Bright = true;
    } else if (Bright && Luma(c) < 300) {
      Bright = false;
    }
    if (c == background && BrightRuns.size() == 2) BackgroundAfterRings = x;
  }
  ASSERT_EQ(BrightRuns.size(), 3u) << "outer ring, broad ring, planet";
  EXPECT_GT(BackgroundAfterRings, BrightRuns[1]);
  EXPECT_LT(BackgroundAfterRings, BrightRuns[2]);

  // Each text mode's line lands in its own band below Earth, in its colour.
  int GlyphPixels = 0, ObjectPixels = 0;
  const QRect Below(230, 330, 570, 120);  // right of the Sun, below Earth
  const QRect Glyphs = InkBox(image, Below, qRgb(0, 255, 255), &GlyphPixels);
  const QRect Object = InkBox(image, Below, qRgb(255, 232, 176), &ObjectPixels);
  EXPECT_GT(GlyphPixels, 300);
  EXPECT_GT(ObjectPixels, 200);
  EXPECT_TRUE(QRect(238, 360, 320, 42).contains(Glyphs))
      << Glyphs.x() << "," << Glyphs.y() << " " << Glyphs.width() << "x" << Glyphs.height();
  EXPECT_TRUE(QRect(238, 402, 240, 40).contains(Object))
      << Object.x() << "," << Object.y() << " " << Object.width() << "x" << Object.height();
}
