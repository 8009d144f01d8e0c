// Real planet maps from a folder laid out as the packages install them: the sharpest installed
// map wins and is cached at each quality's size, never larger than its source; a body without
// one, or whose map is damaged, keeps the generated map, and the damaged file is named once;
// the ring keeps its strip's transparency; a star catalogue paints the sky, with the
// constellation figures as a variant of its own; nothing installed changes nothing. A start takes
// the machine's cache, else the user's, when current for the installed files; else it keeps
// the generated maps and has the user's cache built for the next start, once at a time. A
// file several bodies share wears a real map only on the body the map shows.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLockFile>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "engine/FindMediaFile.h"
#include "shell/realmaps/RealMaps.h"

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
  TRealMapSet Start(std::string* err = nullptr, bool constellations = false) {
    ::testing::internal::CaptureStderr();
    TRealMapSet set = UseRealMaps(
        Root, Machine, Cache,
        [this](const std::string& root, const std::string& dir) {
          Builds.push_back(root + " -> " + dir);
          return true;
        },
        constellations);
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

// Two stars of xplanet's catalogue and one figure line between them.
constexpr const char* kStars =
    "#    Dec      RA   Mag         Name  BSN     HD    SAO\n"
    "  7.4069  5.9195  0.50 \" 58Alp Ori\" 2061  39801 113271\n"
    "  6.3497  5.4189  1.64 \" 24Gam Ori\" 1790  35468 112740\n";
constexpr const char* kFigures = "  7.4069  5.9195  6.3497  5.4189 # Betelgeuse,Bellatrix\n";

TEST_F(RealMaps, AStarCataloguePaintsTheSkyAndTheFiguresAreAVariantOfIt) {
  for (const char* q : {"High", "Low"}) Put(Media + q + "/nightsky.jpg", Plain(8, 4, 0), "jpeg");
  auto write = [&](const std::string& rel, const char* text) {
    fs::create_directories(fs::path(Root + "/" + rel).parent_path());
    std::ofstream(Root + "/" + rel) << text;
  };
  // The figures alone draw nothing: they go over the real stars only.
  write("xplanet/arcs/constellations", kFigures);
  EXPECT_TRUE(Use().Maps.empty());
  EXPECT_EQ(Found("High", "nightsky.jpg"), Media + "High/nightsky.jpg");

  write("xplanet/stars/BSC", kStars);
  const TRealMapSet set = Use();
  ASSERT_EQ(set.Maps.size(), 2u);
  EXPECT_EQ(set.Maps[0].Media, "nightsky.jpg");
  EXPECT_EQ(set.Maps[0].Package, "xplanet");
  EXPECT_EQ(set.Maps[0].Width, 2);  // the stars read
  EXPECT_EQ(set.Maps[1].Body, "Constellation figures");

  // The plain sky by default, the figures' variant when asked; both at each quality's size.
  const std::string plain = Found("High", "nightsky.jpg");
  EXPECT_EQ(plain, Cache + "/High/nightsky.png");
  EXPECT_EQ(SizeOf(plain), QSize(4096, 2048));
  EXPECT_EQ(SizeOf(Found("Low", "nightsky.jpg")), QSize(1024, 512));
  Start(nullptr, true);
  const std::string lines = Found("High", "nightsky.jpg");
  EXPECT_EQ(lines, Cache + "/High/nightsky-lines.png");
  EXPECT_EQ(Found("Low", "nightsky.jpg"), Cache + "/Low/nightsky-lines.png");
  // Betelgeuse is on both; the line to Bellatrix only on the variant.
  const QImage a(QString::fromStdString(plain)), b(QString::fromStdString(lines));
  auto lit = [](const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) n += qBlue(img.pixel(x, y)) > 20;
    return n;
  };
  EXPECT_GT(lit(a), 4);
  EXPECT_GT(lit(b), lit(a) + 20);
  EXPECT_NE(zelmar::RealMapCredits(Root).find("Bright Star Catalogue"), std::string::npos);
  EXPECT_NE(zelmar::RealMapCredits(Root).find("Chris Dolan"), std::string::npos);

  // A catalogue of nothing that reads leaves the generated sky, and says so.
  write("xplanet/stars/BSC", "# emptied\n");
  std::string err;
  EXPECT_TRUE(Use(&err).Maps.empty());
  EXPECT_NE(err.find("xplanet/stars/BSC"), std::string::npos) << err;
  EXPECT_EQ(Found("High", "nightsky.jpg"), Media + "High/nightsky.jpg");
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

// The cache folder as a careless user or a hostile neighbour may leave it: files of others, links
// planted in it, FIFOs in its files' places, maps cut short, an index grown huge. A build changes
// only the cache's own plain files and refuses any other folder; a start never waits on a FIFO,
// never takes a cached map that is not whole, and never reads a huge index.
namespace {

std::string Text(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return "<unreadable>";
  return file.readAll().toStdString();
}

void PutText(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path;
  file.write(text.data(), static_cast<qint64>(text.size()));
}

// Every file below a folder with its contents, links named as links: what must not change.
std::map<std::string, std::string> Contents(const std::string& dir) {
  std::map<std::string, std::string> all;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    const std::string rel = fs::relative(e.path(), dir).string();
    if (e.is_symlink())
      all[rel] = "-> " + fs::read_symlink(e.path()).string();
    else if (e.is_regular_file())
      all[rel] = Text(e.path().string());
    else
      all[rel] = "folder";
  }
  return all;
}

// Stands for the writer a FIFO waits for. A process that opens the FIFO to read would wait for
// ever; the watch opens the other end, counts that reader and lets it go with nothing to read.
class FifoWatch {
 public:
  explicit FifoWatch(const std::string& path) : Path(path) {
    fs::create_directories(fs::path(path).parent_path());
    EXPECT_EQ(mkfifo(path.c_str(), 0600), 0) << path;
    Thread = std::thread([this] {
      while (!Stop) {
        const int fd = open(Path.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        struct stat st;
        if (fd >= 0 && fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode)) ++Readers;
        if (fd >= 0) close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
  }
  ~FifoWatch() {
    Stop = true;
    Thread.join();
  }
  std::string Path;
  std::atomic<int> Readers{0};

 private:
  std::atomic<bool> Stop{false};
  std::thread Thread;
};

TEST_F(RealMaps, ABuildRefusesAFolderThatHoldsFilesNotItsOwn) {
  Put(Root + "/openuniverse/textures/mars.jpg", Plain(256, 128, 0), "jpeg");
  // A cache folder with a file of someone else's beside the maps; and the media folder, which
  // has quality folders of the same names, given by mistake.
  ASSERT_EQ(BuildCache(Cache), "");
  PutText(Cache + "/High/notes.txt", "mine");
  PutText(Cache + "/photo.jpg", "mine too");
  const std::string mediaFolder = Dir + "/media/textures";
  for (const std::string& dir : {Cache, mediaFolder}) {
    const auto before = Contents(dir);
    const std::string error = BuildCache(dir);
    EXPECT_NE(error.find("is not part of a planet map cache"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    EXPECT_EQ(Contents(dir), before) << dir;
  }

  // Its own folder is rebuilt: a map of a package since removed and a temporary file of a
  // killed write go, and nothing else is touched.
  fs::remove(Cache + "/High/notes.txt");
  fs::remove(Cache + "/photo.jpg");
  Put(Root + "/openuniverse/textures/venus.jpg", Plain(256, 128, 0), "jpeg");
  ASSERT_EQ(BuildCache(Cache), "");
  ASSERT_TRUE(fs::exists(Cache + "/Low/venus.jpg"));
  fs::remove(Root + "/openuniverse/textures/venus.jpg");
  PutText(Cache + "/Medium/mars.jpg.Ab12Cd", "half a write");
  PutText(Cache + "/index.x9Y8z7", "half an index");
  ASSERT_EQ(BuildCache(Cache), "");
  EXPECT_FALSE(fs::exists(Cache + "/Low/venus.jpg"));
  EXPECT_FALSE(fs::exists(Cache + "/Medium/mars.jpg.Ab12Cd"));
  EXPECT_FALSE(fs::exists(Cache + "/index.x9Y8z7"));
  EXPECT_TRUE(fs::exists(Cache + "/Low/mars.jpg"));
}

TEST_F(RealMaps, NothingIsWrittenOrRemovedThroughALinkInTheCache) {
  Put(Root + "/openuniverse/textures/earth.jpg", Plain(256, 128, qRgb(0, 0, 200)), "jpeg");
  const std::string elsewhere = Dir + "/elsewhere";
  PutText(elsewhere + "/precious", "keep me");
  PutText(elsewhere + "/earth.jpg", "not a map");
  const struct {
    const char* Link;
    std::string Target;
  } planted[] = {{"High/earth.jpg", elsewhere + "/precious"},
                 {"index", elsewhere + "/precious"},
                 {"Low", elsewhere}};
  int n = 0;
  for (const auto& p : planted) {
    SCOPED_TRACE(p.Link);
    // A link in the place of one of the cache's parts, before the build.
    Cache = Dir + "/cache" + std::to_string(n++);
    fs::create_directories(Cache + "/High");
    fs::create_symlink(p.Target, Cache + "/" + p.Link);
    const auto before = Contents(elsewhere);

    const std::string error = BuildCache(Cache);
    EXPECT_NE(error.find(Cache + "/" + p.Link + " is a symbolic link"), std::string::npos) << error;
    EXPECT_EQ(Contents(elsewhere), before);
    EXPECT_TRUE(fs::is_symlink(Cache + "/" + p.Link));

    // A start draws, takes nothing through the link, and asks for no build that would be
    // refused; it says why, on one line.
    Builds.clear();
    std::string err;
    EXPECT_TRUE(Start(&err).Maps.empty());
    EXPECT_TRUE(Builds.empty());
    EXPECT_EQ(Occurrences(err, "\n"), 1) << err;
    EXPECT_NE(err.find(Cache + "/" + p.Link + " is a symbolic link"), std::string::npos) << err;
    EXPECT_EQ(Found("High", "earth.jpg"), Media + "High/earth.jpg");
    EXPECT_EQ(Contents(elsewhere), before);
  }
}

TEST_F(RealMaps, AFifoInTheCacheIsPassedOverAndNothingWaitsOnIt) {
  Put(Root + "/openuniverse/textures/mars.jpg", Plain(256, 128, 0), "jpeg");
  for (const std::string name : {"index", "lock"}) {
    SCOPED_TRACE(name);
    Cache = Dir + "/cache-" + name;
    Builds.clear();
    FifoWatch fifo(Cache + "/" + name);
    std::string err;
    EXPECT_TRUE(Start(&err).Maps.empty());
    EXPECT_EQ(Found("High", "mars.jpg"), Media + "High/mars.jpg");
    EXPECT_TRUE(Builds.empty());
    EXPECT_NE(err.find(Cache + "/" + name + " is a FIFO"), std::string::npos) << err;
    const std::string error = BuildCache(Cache);
    EXPECT_NE(error.find(Cache + "/" + name + " is a FIFO"), std::string::npos) << error;
    EXPECT_EQ(fifo.Readers, 0) << "something waited on the FIFO";
  }
  // The machine's index a FIFO: passed over for the user's cache.
  Cache = Dir + "/cache";
  Builds.clear();
  FifoWatch machineIndex(Machine + "/index");
  EXPECT_TRUE(Start().Maps.empty());
  EXPECT_EQ(Builds.size(), 1u);
  ASSERT_EQ(BuildCache(Cache), "");
  ASSERT_EQ(Start().Maps.size(), 1u);
  EXPECT_EQ(machineIndex.Readers, 0) << "something waited on the FIFO";
}

TEST_F(RealMaps, ACachedMapCutShortIsNotTakenAndTheCacheIsRebuilt) {
  Put(Root + "/openuniverse/textures/mars.jpg", Plain(256, 128, qRgb(200, 0, 0)), "jpeg");
  Put(Root + "/openuniverse/textures/jupiter.jpg", Plain(256, 128, qRgb(0, 200, 0)), "jpeg");
  ASSERT_EQ(Use().Maps.size(), 2u);
  Builds.clear();
  Truncate(Cache + "/High/mars.jpg");

  // Mars wears its generated map at every quality at once; Jupiter keeps its real one; a
  // build is asked for, and the file is named once.
  std::string err;
  const TRealMapSet set = Start(&err);
  ASSERT_EQ(set.Maps.size(), 1u);
  EXPECT_EQ(set.Maps[0].Media, "jupiter.jpg");
  EXPECT_EQ(Found("High", "mars.jpg"), Media + "High/mars.jpg");
  EXPECT_EQ(Found("Low", "mars.jpg"), Media + "Low/mars.jpg");
  EXPECT_EQ(Found("High", "jupiter.jpg"), Cache + "/High/jupiter.jpg");
  EXPECT_EQ(Builds.size(), 1u);
  EXPECT_EQ(Occurrences(err, Cache + "/High/mars.jpg"), 1) << err;
  EXPECT_EQ(Occurrences(err, "\n"), 1) << err;

  // The build a start asks for finds the damage, though the installed maps did not change.
  ASSERT_EQ(BuildCache(Cache), "");
  ASSERT_EQ(Start().Maps.size(), 2u);
  EXPECT_EQ(Found("High", "mars.jpg"), Cache + "/High/mars.jpg");
  EXPECT_EQ(SizeOf(Cache + "/High/mars.jpg"), QSize(256, 128));

  // A damaged machine cache: its whole maps are drawn and the user's cache, whole, wins.
  ASSERT_EQ(BuildCache(Machine), "");
  Truncate(Machine + "/Low/jupiter.jpg");
  Start();
  EXPECT_EQ(Found("Low", "jupiter.jpg"), Cache + "/Low/jupiter.jpg");
  fs::remove_all(Cache);
  Builds.clear();
  ASSERT_EQ(Start().Maps.size(), 1u);
  EXPECT_EQ(Found("High", "mars.jpg"), Machine + "/High/mars.jpg");
  EXPECT_EQ(Found("Low", "jupiter.jpg"), Media + "Low/jupiter.jpg");
  EXPECT_EQ(Builds.size(), 1u);
}

TEST_F(RealMaps, AnIndexLargerThanAnyBuildWritesIsNotTaken) {
  Put(Root + "/openuniverse/textures/mars.jpg", Plain(256, 128, 0), "jpeg");
  ASSERT_EQ(BuildCache(Cache), "");
  EXPECT_LT(fs::file_size(Cache + "/index"), 8192u);
  // Lines of the index's own kind, past any length a build writes.
  {
    std::ofstream index(Cache + "/index", std::ios::app);
    const std::string line = "damaged\t" + Root + "/x.jpg\tis damaged\tMars\tno map\n";
    for (std::size_t n = 0; n <= (2u << 20) / line.size(); ++n) index << line;
  }
  std::string err;
  EXPECT_TRUE(Start(&err).Maps.empty());
  EXPECT_EQ(Builds.size(), 1u);
  EXPECT_EQ(Occurrences(err, "\n"), 1) << err.substr(0, 1000);
  ASSERT_EQ(BuildCache(Cache), "");
  EXPECT_LT(fs::file_size(Cache + "/index"), 8192u);
  EXPECT_EQ(Start().Maps.size(), 1u);
}

TEST_F(RealMaps, AnIndexOfTheFormerFormatLeadsToARebuild) {
  // The former index recorded no file lengths: its maps are not taken until the cache is
  // rebuilt.
  Put(Root + "/openuniverse/textures/mars.jpg", Plain(256, 128, 0), "jpeg");
  ASSERT_EQ(BuildCache(Cache), "");
  std::string former = Text(Cache + "/index");
  ASSERT_EQ(former.compare(0, 18, "zelmar real maps 2"), 0) << former;
  former[17] = '1';
  const auto map = former.find("\nmap\t") + 1;
  auto end = former.find('\n', map);
  for (int field = 0; field < 3; ++field) {
    const auto tab = former.rfind('\t', end - 1);
    former.erase(tab, end - tab);
    end = tab;
  }
  PutText(Cache + "/index", former);
  EXPECT_TRUE(Start().Maps.empty());
  EXPECT_EQ(Builds.size(), 1u);
  ASSERT_EQ(BuildCache(Cache), "");
  EXPECT_EQ(Start().Maps.size(), 1u);
}

}  // namespace
