// Real planet maps from a folder laid out as the packages install them: the sharpest installed
// map wins and is cached at each quality's size, never larger than its source; a body without
// one, or whose map is damaged, keeps the generated map, and the damaged file is named once;
// the ring keeps its strip's transparency; nothing installed changes nothing. A start takes
// the machine's cache, else the user's, when current for the installed files; else it keeps
// the generated maps and has the user's cache built for the next start, once at a time. A
// file several bodies share wears a real map only on the body the map shows.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLockFile>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/FindMediaFile.h"
#include "shell/RealMaps.h"

namespace fs = std::filesystem;
using zelmar::TRealMapSet;
using zelmar::UseRealMaps;

namespace {

QSize SizeOf(const std::string& path) {
  return QImageReader(QString::fromStdString(path)).size();
}

int Occurrences(const std::string& text, const std::string& word) {
  int n = 0;
  for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
  return n;
}

class RealMaps : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "realmaps";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
  }

  RealMaps() {
    char tmpl[] = "/tmp/zelmar-maps-XXXXXX";
    Dir = mkdtemp(tmpl);
    Root = Dir + "/share";
    Cache = Dir + "/cache";
    Machine = Dir + "/machine";
    Media = Dir + "/media/textures/";
    for (const char* q : {"High", "Low"})
      for (const char* f : {"earth.jpg", "mars.jpg", "jupiter.jpg", "saturnRings.tga"})
        Put(Media + q + "/" + f, QImage(8, 4, QImage::Format_RGB32), "jpeg");
  }
  ~RealMaps() override {
    SetMediaSubstitute(nullptr);
    fs::remove_all(Dir);
  }

  static void Put(const std::string& path, const QImage& image, const char* format) {
    fs::create_directories(fs::path(path).parent_path());
    ASSERT_TRUE(image.save(QString::fromStdString(path), format)) << path;
  }
  static QImage Plain(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
  }
  // A map cut off halfway, as an interrupted download or a full disk leaves it.
  static void Truncate(const std::string& path) { fs::resize_file(path, fs::file_size(path) / 2); }
  std::string Found(const std::string& quality, const std::string& file,
                    const std::string& item = {}) const {
    return FindMediaFile("", Media + quality, "", file, item).Path;
  }
  // One start of the saver; the builds it asks for are recorded, not run.
  TRealMapSet Start(std::string* err = nullptr) {
    ::testing::internal::CaptureStderr();
    TRealMapSet set =
        UseRealMaps(Root, Machine, Cache, [this](const std::string& root, const std::string& dir) {
          Builds.push_back(root + " -> " + dir);
          return true;
        });
    const std::string text = ::testing::internal::GetCapturedStderr();
    if (err) *err = text;
    return set;
  }
  // What --build-map-cache does; its messages are dropped.
  std::string BuildCache(const std::string& dir) {
    ::testing::internal::CaptureStderr();
    std::string error = zelmar::BuildRealMapCache(Root, dir);
    ::testing::internal::GetCapturedStderr();
    return error;
  }
  // A start after the user's cache was built in the background.
  TRealMapSet Use(std::string* err = nullptr) {
    BuildCache(Cache);
    return Start(err);
  }

  std::string Dir, Root, Cache, Machine, Media;
  std::vector<std::string> Builds;
};

TEST_F(RealMaps, SharpestMapIsCachedAtEachQualityAndOthersKeepTheGeneratedOne) {
  Put(Root + "/openuniverse/textures/earth.jpg", Plain(256, 128, qRgb(200, 0, 0)), "jpeg");
  Put(Root + "/xplanet/images/earth.jpg", Plain(2048, 1024, qRgb(0, 0, 200)), "jpeg");
  Put(Root + "/openuniverse/textures/jupiter.jpg", Plain(512, 256, qRgb(0, 200, 0)), "jpeg");
  Truncate(Root + "/openuniverse/textures/jupiter.jpg");
  const std::string damaged = Root + "/openuniverse/textures/jupiter.jpg";

  std::string err;
  const TRealMapSet set = Use(&err);
  ASSERT_EQ(set.Maps.size(), 1u);
  EXPECT_EQ(set.Maps[0].Media, "earth.jpg");
  EXPECT_EQ(set.Maps[0].Package, "xplanet-images");
  EXPECT_EQ(set.Damaged, std::vector<std::string>{damaged});
  EXPECT_EQ(Occurrences(err, damaged), 1) << err;

  // Earth from the cache, scaled down to each quality; the others as generated.
  const std::string high = Found("High", "earth.jpg"), low = Found("Low", "earth.jpg");
  EXPECT_EQ(high, Cache + "/High/earth.jpg");
  EXPECT_EQ(low, Cache + "/Low/earth.jpg");
  EXPECT_EQ(SizeOf(high), QSize(1024, 512));
  EXPECT_EQ(SizeOf(low), QSize(256, 128));
  EXPECT_NEAR(qBlue(QImage(QString::fromStdString(high)).pixel(10, 100)), 200, 3);
  EXPECT_EQ(Found("High", "mars.jpg"), Media + "High/mars.jpg");
  EXPECT_EQ(Found("High", "jupiter.jpg"), Media + "High/jupiter.jpg");

  // A later start finds the cache current: nothing is written, and the damaged file is
  // named again, once.
  const auto built = fs::last_write_time(high);
  const TRealMapSet again = Use(&err);
  EXPECT_EQ(again.Maps.size(), 1u);
  EXPECT_EQ(fs::last_write_time(high), built);
  EXPECT_EQ(Occurrences(err, damaged), 1) << err;

  // Removing the sharper map brings back the smaller one, never scaled up beyond its size.
  fs::remove(Root + "/xplanet/images/earth.jpg");
  const TRealMapSet after = Use();
  ASSERT_EQ(after.Maps.size(), 1u);
  EXPECT_EQ(after.Maps[0].Package, "openuniverse-common");
  EXPECT_EQ(SizeOf(Found("High", "earth.jpg")), QSize(256, 128));
  EXPECT_EQ(SizeOf(Found("Low", "earth.jpg")), QSize(256, 128));
}

TEST_F(RealMaps, ADamagedMapGivesWayToTheNextInstalledOne) {
  Put(Root + "/marble/data/maps/earth/bluemarble/bluemarble.jpg", Plain(1024, 512, 0), "jpeg");
  Truncate(Root + "/marble/data/maps/earth/bluemarble/bluemarble.jpg");
  Put(Root + "/stellarium/textures/earthmap.png", Plain(512, 256, qRgb(0, 0, 255)), "png");
  std::string err;
  const TRealMapSet set = Use(&err);
  ASSERT_EQ(set.Maps.size(), 1u);
  EXPECT_EQ(set.Maps[0].Package, "stellarium-data");
  EXPECT_NE(err.find("stellarium/textures/earthmap.png instead"), std::string::npos) << err;
  EXPECT_EQ(SizeOf(Found("High", "earth.jpg")), QSize(512, 256));
}

TEST_F(RealMaps, TheRingStripKeepsItsTransparency) {
  // Inner half opaque red, outer half half-transparent white.
  QImage strip(256, 2, QImage::Format_ARGB32);
  for (int x = 0; x < 256; ++x)
    for (int y = 0; y < 2; ++y)
      strip.setPixel(x, y, x < 128 ? qRgba(255, 0, 0, 255) : qRgba(255, 255, 255, 128));
  Put(Root + "/stellarium/textures/saturn_rings_radial.png", strip, "png");
  ASSERT_EQ(Use().Maps.size(), 1u);

  const std::string ring = Found("High", "saturnRings.tga");
  ASSERT_EQ(ring, Cache + "/High/saturnRings.png");
  const QImage image(QString::fromStdString(ring));
  ASSERT_EQ(image.size(), QSize(1024, 1024));
  ASSERT_TRUE(image.hasAlphaChannel());
  EXPECT_EQ(qAlpha(image.pixel(512, 512)), 0);  // the planet's place
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);      // beyond the outer edge
  const QRgb inner = image.pixel(512 + 300, 512), outer = image.pixel(512 + 480, 512);
  EXPECT_EQ(qAlpha(inner), 255);
  EXPECT_EQ(qRed(inner), 255);
  EXPECT_EQ(qGreen(inner), 0);
  EXPECT_NEAR(qAlpha(outer), 128, 2);
  EXPECT_EQ(qGreen(outer), 255);
  EXPECT_EQ(SizeOf(Found("Low", "saturnRings.tga")), QSize(256, 256));
}

TEST_F(RealMaps, NothingInstalledChangesNothingAndWritesNothing) {
  fs::create_directories(Root + "/openuniverse/textures");
  std::string err;
  EXPECT_TRUE(Start(&err).Maps.empty());
  EXPECT_EQ(err, "");
  EXPECT_TRUE(Builds.empty());
  EXPECT_FALSE(fs::exists(Cache));
  EXPECT_EQ(Found("High", "earth.jpg"), Media + "High/earth.jpg");
  EXPECT_NE(zelmar::RealMapCredits(Root).find("all generated"), std::string::npos);
}

TEST_F(RealMaps, ACacheThatCannotBeWrittenLeavesTheGeneratedMaps) {
  Put(Root + "/openuniverse/textures/mars.jpg", Plain(256, 128, 0), "jpeg");
  QFile(QString::fromStdString(Cache)).open(QIODevice::WriteOnly);  // a file in the way
  std::string err;
  EXPECT_TRUE(Use(&err).Maps.empty());
  EXPECT_NE(err.find(Cache), std::string::npos) << err;
  EXPECT_EQ(Found("High", "mars.jpg"), Media + "High/mars.jpg");
}

}  // namespace

namespace {

TEST_F(RealMaps, ACurrentMachineCacheIsTakenAndAStaleOneIsPassedOver) {
  Put(Root + "/openuniverse/textures/mars.jpg", Plain(512, 256, qRgb(200, 0, 0)), "jpeg");
  ASSERT_EQ(BuildCache(Machine), "");
  ASSERT_TRUE(fs::exists(Machine + "/index"));

  // Current: every user starts with the machine's maps and builds nothing of their own.
  ASSERT_EQ(Start().Maps.size(), 1u);
  EXPECT_EQ(Found("High", "mars.jpg"), Machine + "/High/mars.jpg");
  EXPECT_TRUE(Builds.empty());
  EXPECT_FALSE(fs::exists(Cache));

  // A maps package upgraded since (another map of the same name): the machine's cache is stale
  // until the package's trigger rebuilds it. This start keeps the generated maps at once and
  // asks for the user's cache, for the same folder of maps.
  Put(Root + "/openuniverse/textures/mars.jpg", Plain(256, 128, qRgb(0, 200, 0)), "jpeg");
  std::string err;
  EXPECT_TRUE(Start(&err).Maps.empty());
  EXPECT_EQ(Found("High", "mars.jpg"), Media + "High/mars.jpg");
  EXPECT_EQ(Builds, std::vector<std::string>{Root + " -> " + Cache});
  EXPECT_NE(err.find(Cache), std::string::npos) << err;

  // Once that build is done, the user's cache is taken, with the new map.
  ASSERT_EQ(BuildCache(Cache), "");
  ASSERT_EQ(Start().Maps.size(), 1u);
  EXPECT_EQ(Found("High", "mars.jpg"), Cache + "/High/mars.jpg");
  EXPECT_EQ(SizeOf(Found("High", "mars.jpg")), QSize(256, 128));
  EXPECT_EQ(Builds.size(), 1u);

  // The machine's cache, rebuilt, comes first again.
  ASSERT_EQ(BuildCache(Machine), "");
  Start();
  EXPECT_EQ(Found("High", "mars.jpg"), Machine + "/High/mars.jpg");
}

TEST_F(RealMaps, ACacheBuiltForAnotherFolderOfMapsIsNotTaken) {
  Put(Root + "/openuniverse/textures/mars.jpg", Plain(256, 128, 0), "jpeg");
  ASSERT_EQ(BuildCache(Machine), "");
  const std::string other = Dir + "/other";
  fs::create_directories(other);
  fs::copy(Root, other, fs::copy_options::recursive);
  Root = other;
  EXPECT_TRUE(Start().Maps.empty());
  EXPECT_EQ(Builds.size(), 1u);
}

TEST_F(RealMaps, NoSecondBuildIsStartedWhileOneHoldsTheCache) {
  Put(Root + "/openuniverse/textures/mars.jpg", Plain(256, 128, 0), "jpeg");
  fs::create_directories(Cache);
  {
    QLockFile building(QString::fromStdString(Cache + "/lock"));
    ASSERT_TRUE(building.tryLock(0));
    std::string err;
    EXPECT_TRUE(Start(&err).Maps.empty());
    EXPECT_TRUE(Builds.empty());
    EXPECT_EQ(Found("High", "mars.jpg"), Media + "High/mars.jpg");
  }
  Start();
  EXPECT_EQ(Builds.size(), 1u);
}

TEST_F(RealMaps, AnIndexWhoseFilesAreGoneIsNotTrusted) {
  // A cache cut short or partly cleaned by hand: the index must not send the search to a file
  // that is not there.
  Put(Root + "/openuniverse/textures/mars.jpg", Plain(256, 128, 0), "jpeg");
  ASSERT_EQ(BuildCache(Cache), "");
  fs::remove(Cache + "/Low/mars.jpg");
  EXPECT_TRUE(Start().Maps.empty());
  EXPECT_EQ(Found("Low", "mars.jpg"), Media + "Low/mars.jpg");
  EXPECT_EQ(Builds.size(), 1u);
  // The build asked for makes it whole again.
  ASSERT_EQ(BuildCache(Cache), "");
  ASSERT_EQ(Start().Maps.size(), 1u);
  EXPECT_EQ(Found("Low", "mars.jpg"), Cache + "/Low/mars.jpg");
}

TEST_F(RealMaps, AMachineCacheIsWrittenWithNoMapInstalled) {
  fs::create_directories(Root);
  ASSERT_EQ(BuildCache(Machine), "");
  EXPECT_TRUE(fs::exists(Machine + "/index"));
  EXPECT_TRUE(Start().Maps.empty());
  EXPECT_TRUE(Builds.empty());
}

TEST_F(RealMaps, AFileSeveralBodiesShareWearsTheRealMapOnlyOnTheBodyItShows) {
  for (const char* q : {"High", "Low"})
    for (const char* f : {"red.jpg", "grey.jpg", "bluegreen.jpg"})
      Put(Media + q + "/" + f, QImage(8, 4, QImage::Format_RGB32), "jpeg");
  Put(Root + "/openuniverse/textures/io.jpg", Plain(256, 128, qRgb(250, 200, 0)), "jpeg");
  Put(Root + "/openuniverse/textures/ganymede.jpg", Plain(256, 128, qRgb(90, 90, 90)), "jpeg");
  Put(Root + "/openuniverse/textures/europa.jpg", Plain(256, 128, qRgb(200, 180, 150)), "jpeg");
  Put(Root + "/openuniverse/textures/earth.jpg", Plain(256, 128, qRgb(0, 0, 200)), "jpeg");
  ASSERT_EQ(Use().Maps.size(), 4u);

  // The scene's textures are named after the bodies (the catalogue's texture names).
  EXPECT_EQ(Found("High", "red.jpg", "Io"), Cache + "/High/red.jpg");
  EXPECT_EQ(Found("High", "red.jpg", "Charon"), Media + "High/red.jpg");
  EXPECT_EQ(Found("Low", "grey.jpg", "Ganymede"), Cache + "/Low/grey.jpg");
  for (const char* other :
       {"Callisto", "Titan", "Hyperion", "Iapetus", "Titania", "Oberon", "Triton"})
    EXPECT_EQ(Found("Low", "grey.jpg", other), Media + "Low/grey.jpg") << other;
  // A file of one body alone is its map whoever asks.
  EXPECT_EQ(Found("High", "bluegreen.jpg", "Europa"), Cache + "/High/bluegreen.jpg");
  EXPECT_EQ(Found("High", "earth.jpg"), Cache + "/High/earth.jpg");
}

}  // namespace
