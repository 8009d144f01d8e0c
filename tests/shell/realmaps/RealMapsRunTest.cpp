// The saver's scene with other packages' maps, under Xvfb: a damaged installed map draws the
// same frame as no map at all (the generated one), naming the file once on stderr; a good one
// changes the picture from the start after the one that found no cache, which draws the
// generated maps while a process of its own converts the installed ones. A conversion killed
// halfway leaves a cache that is whole or is not taken. An installed star catalogue puts its
// stars where the sky has them, seen from inside, not mirrored.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "registry/TempHive.h"
#include "support/SettingsFile.h"
#include "support/ZelmarProcess.h"

namespace fs = std::filesystem;

namespace {

std::string Bytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

class RealMapsRun : public ::testing::Test {
 protected:
  RealMapsRun() {
    Hive.Write(QuickSettings().Set("Zelmar_Type", 0));
    Dir = fs::path(Hive.Path()).parent_path().string();
  }

  // The Sun fills the view at 5 s; returns the exit code and keeps stderr.
  int Snapshot(const std::string& Root, const std::string& Out) {
    ZelmarProcess Zelmar;
    Zelmar.Env("ZELMAR_MAP_ROOT", Root)
        .Env("XDG_CACHE_HOME", Dir + "/cache")
        .StderrTo(Dir + "/err");
    const int Status =
        Zelmar.Run({ZELMAR_EXE, "--snapshot", "5", Out, "--size", "320x180", "--seed", "1"}).status;
    Err = Bytes(Dir + "/err");
    return Status;
  }

  std::string UserCache() const { return Dir + "/cache/zelmar/maps"; }

  // Waits for the conversion a start left running in the background for the maps under Root:
  // its index names that folder, and its lock is gone.
  bool WaitForBackgroundBuild(const std::string& Root) const {
    for (int I = 0; I < 1200; ++I) {
      if (Bytes(UserCache() + "/index").find("\n" + Root + "\n") != std::string::npos &&
          !fs::exists(UserCache() + "/lock"))
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  void PutSun(const std::string& Root, bool Damaged) {
    const std::string Path = Root + "/stellarium/textures/sun.png";
    fs::create_directories(fs::path(Path).parent_path());
    QImage Green(512, 256, QImage::Format_RGB32);
    Green.fill(qRgb(0, 255, 0));
    ASSERT_TRUE(Green.save(QString::fromStdString(Path), "png"));
    if (Damaged) fs::resize_file(Path, fs::file_size(Path) - 20);
  }

  TempHive Hive;
  std::string Dir, Err;
};

int Occurrences(const std::string& Text, const std::string& Word) {
  int N = 0;
  for (auto At = Text.find(Word); At != std::string::npos; At = Text.find(Word, At + 1)) ++N;
  return N;
}

}  // namespace

TEST_F(RealMapsRun, ADamagedMapDrawsTheGeneratedOneAndIsNamedOnceAGoodOneIsDrawn) {
  const std::string None = Dir + "/none", Damaged = Dir + "/damaged", Good = Dir + "/good";
  fs::create_directories(None);
  PutSun(Damaged, true);
  PutSun(Good, false);

  ASSERT_EQ(Snapshot(None, Dir + "/none.png"), 0) << Err;
  EXPECT_FALSE(fs::exists(Dir + "/cache/zelmar")) << "nothing installed, nothing to convert";
  // The first start finds no cache: it draws at once and converts in the background.
  ASSERT_EQ(Snapshot(Damaged, Dir + "/damaged-first.png"), 0) << Err;
  ASSERT_TRUE(WaitForBackgroundBuild(Damaged));
  EXPECT_TRUE(Bytes(Dir + "/none.png") == Bytes(Dir + "/damaged-first.png"))
      << "the pictures differ";
  ASSERT_EQ(Snapshot(Damaged, Dir + "/damaged.png"), 0) << Err;
  EXPECT_EQ(Occurrences(Err, Damaged + "/stellarium/textures/sun.png"), 1) << Err;
  EXPECT_TRUE(Bytes(Dir + "/none.png") == Bytes(Dir + "/damaged.png")) << "the pictures differ";

  ASSERT_EQ(Snapshot(Good, Dir + "/good-first.png"), 0) << Err;
  EXPECT_TRUE(Bytes(Dir + "/none.png") == Bytes(Dir + "/good-first.png")) << "the pictures differ";
  ASSERT_TRUE(WaitForBackgroundBuild(Good));
  ASSERT_EQ(Snapshot(Good, Dir + "/good.png"), 0) << Err;
  EXPECT_EQ(Err.find("sun.png"), std::string::npos) << Err;
  EXPECT_TRUE(Bytes(Dir + "/none.png") != Bytes(Dir + "/good.png")) << "the pictures are the same";
  // The middle of the Sun wears the green map.
  const QImage Shot(QString::fromStdString(Dir + "/good.png"));
  const QRgb Middle = Shot.pixel(160, 90);
  EXPECT_GT(qGreen(Middle), qRed(Middle) + 40);
}

// Three stars of a catalogue: one on the ecliptic at longitude 90, one 10 degrees east of it
// along the ecliptic, one 8 degrees north of it. Looked at with the north up, as from the Earth,
// east is to the left: a mirrored sky would put the second star to the right.
TEST_F(RealMapsRun, TheRealSkyShowsTheCataloguesStarsWhereTheyStandNotMirrored) {
  const std::string Root = Dir + "/sky", None = Dir + "/none";
  fs::create_directories(Root + "/xplanet/stars");
  fs::create_directories(None);
  std::ofstream(Root + "/xplanet/stars/BSC") << "#    Dec      RA   Mag\n"
                                                " 23.4393  6.0000 -1.00 \"ecliptic 90, 0\"\n"
                                                " 23.0630  6.7253 -1.00 \"ecliptic 100, 0\"\n"
                                                " 31.4384  6.0000 -1.00 \"ecliptic 90, 8\"\n";
  ZelmarProcess Build;
  ASSERT_EQ(
      Build.Env("ZELMAR_MAP_ROOT", Root).Run({ZELMAR_EXE, "--build-map-cache", UserCache()}).status,
      0);
  auto Shot = [&](const std::string& MapRoot, const std::string& Out) {
    ZelmarProcess Zelmar;
    Zelmar.Env("ZELMAR_MAP_ROOT", MapRoot)
        .Env("XDG_CACHE_HOME", Dir + "/cache")
        .StderrTo(Dir + "/err");
    const int Status = Zelmar
                           .Run({ZELMAR_EXE, "--snapshot", "1", Out, "--size", "640x360", "--seed",
                                 "1", "--no-planet-data", "--look-at-sky", "90,0"})
                           .status;
    Err = Bytes(Dir + "/err");
    return Status;
  };
  ASSERT_EQ(Shot(Root, Dir + "/real.png"), 0) << Err;
  const QImage Real(QString::fromStdString(Dir + "/real.png"));
  // The brightest green in a 15 x 15 square about a point; the view is 45 degrees high, so
  // 8 pixels a degree.
  auto Around = [](const QImage& Img, int X, int Y) {
    int Max = 0;
    for (int Dy = -7; Dy <= 7; ++Dy)
      for (int Dx = -7; Dx <= 7; ++Dx) Max = std::max(Max, qGreen(Img.pixel(X + Dx, Y + Dy)));
    return Max;
  };
  EXPECT_GT(Around(Real, 320, 180), 60) << "the star ahead";
  EXPECT_GT(Around(Real, 320 - 80, 180), 60) << "the star to the east, on the left";
  EXPECT_GT(Around(Real, 320, 180 - 64), 60) << "the star to the north, above";
  EXPECT_LT(Around(Real, 320 + 80, 180), 20) << "nothing to the west: the sky is mirrored";
  EXPECT_LT(Around(Real, 320, 180 + 64), 20) << "nothing to the south: the sky is upside down";
  EXPECT_LT(Around(Real, 200, 300), 20) << "elsewhere the sky is black";

  // Without the catalogue, the generated sky of tiled stars, and nothing said about it.
  ASSERT_EQ(Shot(None, Dir + "/generated.png"), 0) << Err;
  EXPECT_EQ(Err, "");
  EXPECT_TRUE(Bytes(Dir + "/generated.png") != Bytes(Dir + "/real.png"));
}

TEST_F(RealMapsRun, AConversionKilledHalfwayLeavesAWholeCacheOrNone) {
  // Large maps, so that the conversion is still running when it is killed.
  const std::string Root = Dir + "/maps";
  QImage Big(2048, 1024, QImage::Format_RGB32);
  for (int Y = 0; Y < Big.height(); ++Y)
    for (int X = 0; X < Big.width(); ++X) Big.setPixel(X, Y, qRgb(X & 255, Y & 255, (X ^ Y) & 255));
  for (const char* Rel : {"stellarium/textures/sun.png", "stellarium/textures/mercury.png",
                          "stellarium/textures/venus.png", "stellarium/textures/mars.png",
                          "stellarium/textures/jupiter.png", "stellarium/textures/pluto.png"}) {
    fs::create_directories(fs::path(Root + "/" + Rel).parent_path());
    ASSERT_TRUE(Big.save(QString::fromStdString(Root + "/" + Rel), "png", 100));  // fast, large
  }
  const std::string Cache = Dir + "/killed";
  ZelmarProcess Build;
  Build.Env("ZELMAR_MAP_ROOT", Root).StderrTo("/dev/null");
  ASSERT_TRUE(Build.Start({ZELMAR_EXE, "--build-map-cache", Cache}));
  // Killed once it has written its first file.
  for (int I = 0; I < 600 && !fs::exists(Cache + "/High/sun.jpg"); ++I)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  Build.Kill();

  // Whatever it got to, an index names only files that are there and read as images.
  if (fs::exists(Cache + "/index")) {
    std::istringstream Index(Bytes(Cache + "/index"));
    for (std::string Line; std::getline(Index, Line);) {
      if (Line.rfind("map\t", 0) != 0) continue;
      const std::string Media = Line.substr(4, Line.find('\t', 4) - 4);
      for (const char* Q : {"High", "Medium", "Low"})
        EXPECT_FALSE(QImage(QString::fromStdString(Cache + "/" + Q + "/" + Media)).isNull())
            << Q << "/" << Media;
    }
  }
  // A build run again, as the next start asks for it, makes it whole.
  ASSERT_EQ(Build.Run({ZELMAR_EXE, "--build-map-cache", Cache}).status, 0);
  const std::string Text = Bytes(Cache + "/index");
  EXPECT_EQ(Occurrences(Text, "\nmap\t"), 6) << Text;
  EXPECT_FALSE(fs::exists(Cache + "/lock"));
}

TEST_F(RealMapsRun, ABuildIntoAFolderOfOtherFilesIsRefusedOnOneLineAndChangesNothing) {
  const std::string Root = Dir + "/maps";
  PutSun(Root, false);
  const std::string Folder = Dir + "/music";
  fs::create_directories(Folder + "/High");
  std::ofstream(Folder + "/High/song.ogg") << "la la";
  std::ofstream(Folder + "/notes.txt") << "mine";
  ZelmarProcess Build;
  const Result Run =
      Build.Env("ZELMAR_MAP_ROOT", Root).Run({ZELMAR_EXE, "--build-map-cache", Folder});
  ASSERT_LT(Run.status, 128);
  EXPECT_EQ(Run.status, 1);
  const std::string& Err = Run.err;
  EXPECT_EQ(Occurrences(Err, "\n"), 1) << Err;
  EXPECT_NE(Err.find(Folder + "/"), std::string::npos) << Err;
  EXPECT_EQ(Bytes(Folder + "/High/song.ogg"), "la la");
  EXPECT_EQ(Bytes(Folder + "/notes.txt"), "mine");
  EXPECT_FALSE(fs::exists(Folder + "/index"));
  EXPECT_FALSE(fs::exists(Folder + "/Low"));
}
