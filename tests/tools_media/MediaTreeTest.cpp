// Checks the generated media tree: every texture the saver names, in each of the six
// directories, decoded by Qt's image plugins (what the program's loaders use).
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <string>
#include <vector>

namespace {

const char* const kBodies[] = {"sun.jpg",       "mercury.jpg", "venus.jpg",  "earth.jpg",
                               "mars.jpg",      "jupiter.jpg", "saturn.jpg", "uranus.jpg",
                               "neptune.jpg",   "pluto.jpg",   "moon.jpg",   "red.jpg",
                               "bluegreen.jpg", "grey.jpg"};
const char* const kOthers[] = {
    "saturnRings.tga", "shadow.tga",   "sunglow.tga", "Glare.tga",  "flare1.tga", "flare2.tga",
    "flare3.tga",      "flare4.tga",   "flare5.tga",  "flare6.tga", "flare7.tga", "flare8.tga",
    "flare9.tga",      "nightsky.jpg", "wall1.jpg",   "wall2.jpg",  "wall3.jpg",  "wall4.jpg",
    "floor.jpg",       "ceiling.jpg",  "rod.jpg",     "Rod.jpg"};
const char* const kTrees[] = {"textures", "tabletextures"};
const char* const kQualities[] = {"High", "Medium", "Low"};

std::vector<std::string> AllNames() {
  std::vector<std::string> names(std::begin(kBodies), std::end(kBodies));
  names.insert(names.end(), std::begin(kOthers), std::end(kOthers));
  return names;
}

QString MediaDir() {
  return qEnvironmentVariable("ZELMAR_BUILD_DIR") + "/media";
}

QString PathOf(const char* tree, const char* quality, const std::string& name) {
  return QStringLiteral("%1/%2/%3/%4").arg(MediaDir(), tree, quality, QString::fromStdString(name));
}

bool EndsWith(const std::string& s, const char* suffix) {
  const std::string x(suffix);
  return s.size() >= x.size() && s.compare(s.size() - x.size(), x.size(), x) == 0;
}

QImage Load(const QString& path) {
  QImage img(path);
  return img.convertToFormat(QImage::Format_ARGB32);
}

// Mean absolute channel difference between two columns (or rows) of an image.
double LineDiff(const QImage& img, bool columns, int a, int b) {
  double sum = 0;
  const int n = columns ? img.height() : img.width();
  for (int i = 0; i < n; ++i) {
    const QRgb p = columns ? img.pixel(a, i) : img.pixel(i, a);
    const QRgb q = columns ? img.pixel(b, i) : img.pixel(i, b);
    sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
           std::abs(qBlue(p) - qBlue(q));
  }
  return sum / (3.0 * n);
}

// The two opposite edges must differ no more than neighbouring lines inside the picture do.
void ExpectSeamless(const QImage& img, bool columns, const std::string& what) {
  const int n = columns ? img.width() : img.height();
  double inner = 0;
  int count = 0;
  for (int i = 1; i + 1 < n; i += std::max(1, n / 64)) {
    inner += LineDiff(img, columns, i, i + 1);
    ++count;
  }
  inner /= count;
  const double edge = LineDiff(img, columns, 0, n - 1);
  EXPECT_LE(edge, 2.0 * inner + 2.0)
      << what << (columns ? ": wrap column" : ": top and bottom rows") << " differ by " << edge
      << ", neighbouring lines by " << inner;
}

TEST(MediaTree, EveryNamedFileInEverySixDirectoriesDecodesInItsFormat) {
  for (const char* tree : kTrees) {
    for (int q = 0; q < 3; ++q) {
      for (const std::string& name : AllNames()) {
        const QString path = PathOf(tree, kQualities[q], name);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(path) << " is missing";
        const QByteArray head = file.read(18);
        ASSERT_EQ(head.size(), 18) << qPrintable(path);
        QImage img(path);
        ASSERT_FALSE(img.isNull()) << qPrintable(path) << " does not decode";
        if (EndsWith(name, ".jpg")) {
          EXPECT_EQ(head.left(3), QByteArray("\xff\xd8\xff")) << qPrintable(path) << " not JPEG";
        } else {
          // Uncompressed true colour, 32 bits, 8 alpha bits.
          EXPECT_EQ(head[2], 2) << qPrintable(path);
          EXPECT_EQ(head[16], 32) << qPrintable(path);
          EXPECT_EQ(head[17] & 0x0f, 8) << qPrintable(path);
          EXPECT_TRUE(img.hasAlphaChannel()) << qPrintable(path) << " lost its alpha";
        }
      }
      // Body maps are 2:1 and halve with each lower quality.
      for (const char* body : kBodies) {
        const QImage img(PathOf(tree, kQualities[q], body));
        EXPECT_EQ(img.width(), 2 * img.height()) << body;
        EXPECT_EQ(img.width(), 1024 >> q) << body << " at " << kQualities[q];
      }
    }
  }
}

TEST(MediaTree, BothTreesHoldTheSamePictures) {
  for (const char* quality : kQualities) {
    for (const std::string& name : AllNames()) {
      QFile a(PathOf("textures", quality, name)), b(PathOf("tabletextures", quality, name));
      ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly)) << name;
      EXPECT_TRUE(a.readAll() == b.readAll()) << name << " at " << quality;
    }
  }
}

TEST(MediaTree, RingIsTransparentOutsideItsAnnulus) {
  for (const char* quality : kQualities) {
    const QImage img = Load(PathOf("textures", quality, "saturnRings.tga"));
    ASSERT_EQ(img.width(), img.height());
    const double half = img.width() / 2.0;
    const double margin = 2.0 / half;  // smoothing of the smaller pictures
    int opaque = 0;
    for (int y = 0; y < img.height(); ++y) {
      for (int x = 0; x < img.width(); ++x) {
        const double r = std::hypot(x + 0.5 - half, y + 0.5 - half) / half;
        const int a = qAlpha(img.pixel(x, y));
        if (r < 0.55 - margin || r > 1.0 + margin) {
          ASSERT_EQ(a, 0) << quality << " at " << x << "," << y << " (r " << r << ")";
        }
        if (a > 200) ++opaque;
      }
    }
    EXPECT_GT(opaque, img.width()) << quality << ": the ring needs an opaque band";
  }
}

TEST(MediaTree, GlowsAndFlaresFadeToNothingAtTheirEdge) {
  std::vector<std::string> names{"sunglow.tga"};
  for (int i = 1; i <= 9; ++i) names.push_back("flare" + std::to_string(i) + ".tga");
  for (const char* quality : kQualities) {
    for (const std::string& name : names) {
      const QImage img = Load(PathOf("textures", quality, name));
      const int w = img.width(), h = img.height();
      for (int i = 0; i < w; ++i) {
        ASSERT_EQ(qAlpha(img.pixel(i, 0)), 0) << name << " " << quality;
        ASSERT_EQ(qAlpha(img.pixel(i, h - 1)), 0) << name << " " << quality;
        ASSERT_EQ(qAlpha(img.pixel(0, i)), 0) << name << " " << quality;
        ASSERT_EQ(qAlpha(img.pixel(w - 1, i)), 0) << name << " " << quality;
      }
      int peak = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) peak = std::max(peak, qAlpha(img.pixel(x, y)));
      EXPECT_GT(peak, 40) << name << " " << quality << " is invisible";
    }
    const QImage glow = Load(PathOf("textures", quality, "sunglow.tga"));
    EXPECT_GT(qAlpha(glow.pixel(glow.width() / 2, glow.height() / 2)), 240) << quality;
  }
}

TEST(MediaTree, ShadowFadesAlongTheConeAndGlareIsOpaqueWhite) {
  for (const char* quality : kQualities) {
    // The cone's far end is texture row 0, the planet's end the last row.
    const QImage shadow = Load(PathOf("textures", quality, "shadow.tga"));
    EXPECT_LT(qAlpha(shadow.pixel(0, 0)), 8) << quality;
    EXPECT_GT(qAlpha(shadow.pixel(0, shadow.height() - 1)), 120) << quality;
    EXPECT_LT(qGray(shadow.pixel(0, shadow.height() - 1)), 40) << quality;
    const QImage glare = Load(PathOf("textures", quality, "Glare.tga"));
    for (int y = 0; y < glare.height(); ++y)
      for (int x = 0; x < glare.width(); ++x) ASSERT_EQ(glare.pixel(x, y), 0xffffffffu) << quality;
  }
}

TEST(MediaTree, BodyMapsWrapAndRepeatingTexturesTileWithoutSeams) {
  for (const char* quality : kQualities) {
    for (const char* body : kBodies)
      ExpectSeamless(Load(PathOf("textures", quality, body)), true,
                     std::string(body) + " " + quality);
    for (const char* tile : {"nightsky.jpg", "floor.jpg", "rod.jpg"}) {
      const QImage img = Load(PathOf("tabletextures", quality, tile));
      ExpectSeamless(img, true, std::string(tile) + " " + quality);
      ExpectSeamless(img, false, std::string(tile) + " " + quality);
    }
  }
}

TEST(MediaTree, SeamCheckCatchesAPictureThatDoesNotWrap) {
  // A left-to-right ramp: neighbouring columns are close, the two edges far apart.
  QImage ramp(256, 64, QImage::Format_ARGB32);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 256; ++x) ramp.setPixel(x, y, qRgb(x, x, x));
  EXPECT_NONFATAL_FAILURE(ExpectSeamless(ramp, true, "ramp"), "wrap column");
}

TEST(MediaTree, DialogPictureIconsAndSize) {
  const QImage dialog(MediaDir() + "/dialog.jpg");
  ASSERT_FALSE(dialog.isNull());
  EXPECT_EQ(dialog.size(), QSize(209, 177));
  for (int size : {32, 48, 64, 128, 256}) {
    const QString path = QStringLiteral("%1/icons/zelmar-%2.png").arg(MediaDir()).arg(size);
    if (!QFile::exists(path)) GTEST_SKIP() << "built without the program icon";
    const QImage icon(path);
    EXPECT_EQ(icon.size(), QSize(size, size));
    EXPECT_TRUE(icon.hasAlphaChannel());
  }
  qint64 total = 0;
  QDirIterator it(MediaDir(), QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) total += QFileInfo(it.next()).size();
  EXPECT_LT(total, 60 * 1024 * 1024) << "the media tree must stay under 60 MB";
}

struct Look {
  double r = 0, g = 0, b = 0;  // mean channels
  double spread = 0;           // mean distance from the mean colour
};

Look LookOf(const QImage& img, int rowFrom = 0, int rowTo = -1) {
  if (rowTo < 0) rowTo = img.height();
  Look m;
  const int n = (rowTo - rowFrom) * img.width();
  for (int y = rowFrom; y < rowTo; ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QRgb p = img.pixel(x, y);
      m.r += qRed(p), m.g += qGreen(p), m.b += qBlue(p);
    }
  m.r /= n, m.g /= n, m.b /= n;
  for (int y = rowFrom; y < rowTo; ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QRgb p = img.pixel(x, y);
      m.spread += std::abs(qRed(p) - m.r) + std::abs(qGreen(p) - m.g) + std::abs(qBlue(p) - m.b);
    }
  m.spread /= 3.0 * n;
  return m;
}

// The colours each body is known by; a map given to the wrong file fails here.
TEST(MediaTree, BodyMapsHaveTheirBodysColours) {
  auto look = [](const char* name) { return LookOf(Load(PathOf("textures", "Low", name))); };
  const Look sun = look("sun.jpg");
  EXPECT_GT(sun.r, 200);
  EXPECT_GT(sun.r, sun.g + 40);
  EXPECT_GT(sun.g, sun.b + 60);
  const Look mars = look("mars.jpg");
  EXPECT_GT(mars.r, mars.g + 50) << "rust red";
  const Look earth = look("earth.jpg");
  EXPECT_GT(earth.b, earth.r) << "mostly ocean";
  const Look uranus = look("uranus.jpg");
  EXPECT_GT(uranus.g, uranus.r + 30);
  EXPECT_GT(uranus.b, uranus.r + 30);
  EXPECT_LT(uranus.spread, 12) << "nearly featureless";
  const Look neptune = look("neptune.jpg");
  EXPECT_GT(neptune.b, neptune.r + 80) << "deep blue";
  const Look io = look("red.jpg");
  EXPECT_GT(io.r, io.b + 80) << "sulphur yellow and orange";
  EXPECT_GT(io.g, io.b + 50);
  const Look europa = look("bluegreen.jpg");
  EXPECT_GT(europa.b, 180) << "icy white-blue";
  EXPECT_GE(europa.b, europa.r);
  for (const char* grey : {"grey.jpg", "moon.jpg", "mercury.jpg"}) {
    const Look m = look(grey);
    EXPECT_LT(std::abs(m.r - m.b), 30) << grey << " is grey";
  }
  EXPECT_LT(look("grey.jpg").g, look("moon.jpg").g) << "grey.jpg is the darker";
  for (const char* banded : {"jupiter.jpg", "saturn.jpg"}) {
    const Look m = look(banded);
    EXPECT_GT(m.r, m.b + 20) << banded;
  }
  // Earth and Mars have white polar caps: the first rows are near white.
  for (const char* capped : {"earth.jpg", "mars.jpg"}) {
    const QImage img = Load(PathOf("textures", "Low", capped));
    const Look cap = LookOf(img, 0, 2);
    EXPECT_GT(cap.r + cap.g + cap.b, 3 * 215) << capped;
  }
}

TEST(MediaTree, SkyIsDarkWithBrightStars) {
  const QImage sky = Load(PathOf("textures", "High", "nightsky.jpg"));
  const Look m = LookOf(sky);
  EXPECT_LT(m.r + m.g + m.b, 3 * 25);
  int bright = 0;
  for (int y = 0; y < sky.height(); ++y)
    for (int x = 0; x < sky.width(); ++x) bright += qGray(sky.pixel(x, y)) > 180;
  EXPECT_GT(bright, 20);
}

// Wall planes put texture row 0 at the floor: the dark skirting board comes first, the
// light ceiling never appears.
TEST(MediaTree, WallsStartWithTheSkirtingAtTheFloorEdge) {
  for (const char* wall : {"wall1.jpg", "wall2.jpg", "wall3.jpg", "wall4.jpg"}) {
    const QImage img = Load(PathOf("tabletextures", "High", wall));
    const Look skirting = LookOf(img, 2, 20);
    const Look panels = LookOf(img, img.height() / 2, img.height() / 2 + 20);
    EXPECT_LT(skirting.r, panels.r) << wall;
    EXPECT_EQ(img.width(), 4 * img.height()) << wall;
  }
}

std::map<QString, QByteArray> Digests(const QString& dir) {
  std::map<QString, QByteArray> out;
  QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    out[QDir(dir).relativeFilePath(path)] =
        QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
  }
  return out;
}

TEST(MediaTree, SameCommandTwiceGivesIdenticalBytes) {
  QTemporaryDir a, b;
  ASSERT_TRUE(a.isValid() && b.isValid());
  for (const QTemporaryDir* dir : {&a, &b}) {
    QProcess p;
    p.start(ZELMAR_MEDIA_TOOL, {"--only", "Low", dir->path()});
    ASSERT_TRUE(p.waitForFinished(300000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
  }
  const auto da = Digests(a.path()), db = Digests(b.path());
  EXPECT_EQ(da.size(), AllNames().size() * 2 + 1 + (QDir(a.path() + "/icons").exists() ? 5 : 0));
  EXPECT_TRUE(da == db) << "two runs wrote different files";
}

TEST(MediaTree, ReportsAFolderItCannotWrite) {
  QTemporaryDir dir;
  QFile blocker(dir.path() + "/file");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  QProcess p;
  p.start(ZELMAR_MEDIA_TOOL, {"--only", "Low", dir.path() + "/file/media"});
  ASSERT_TRUE(p.waitForFinished(300000));
  EXPECT_EQ(p.exitCode(), 1);
  EXPECT_TRUE(p.readAllStandardError().contains("file/media")) << "the message names the path";
}

}  // namespace
