// The engine demo run as a user would, in a real X server: framework, pool, a textured lit
// sphere, a cube and a light, saved after a few frames.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QColor>
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

int RunDemo(const std::string& Snapshot) {
  pid_t pid = fork();
  if (pid == 0) {
    execl(ZELMAR_ENGINE_DEMO, ZELMAR_ENGINE_DEMO, "--snapshot", Snapshot.c_str(), "--frames", "10",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int Luma(QRgb c) {
  return qRed(c) * 3 + qGreen(c) * 6 + qBlue(c);
}

}  // namespace

TEST(EngineDemo, ShowsALitTexturedSphere) {
  const std::string shot = (std::filesystem::temp_directory_path() /
                            ("zelmar-demo-" + std::to_string(getpid()) + ".png"))
                               .string();
  ASSERT_EQ(RunDemo(shot), 0);
  QImage image(QString::fromStdString(shot));
  std::filesystem::remove(shot);
  ASSERT_FALSE(image.isNull());
  ASSERT_EQ(image.size(), QSize(480, 360));

  // The sphere fills the middle; below it lies the dark background (the Sun's glow fills the
  // left and the other bodies the right).
  const QRgb background = image.pixel(image.width() / 2, image.height() - 6);
  EXPECT_LT(Luma(background), 200);
  const int cx = image.width() / 2, cy = image.height() / 2;
  EXPECT_GT(Luma(image.pixel(cx, cy)), Luma(background) + 300);

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
