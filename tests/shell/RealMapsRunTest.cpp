// The saver's scene with other packages' maps, under Xvfb: a damaged installed map draws the
// same frame as no map at all (the generated one), naming the file once on stderr; a good one
// changes the picture.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "registry/TempHive.h"

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
    Hive.Write(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar]\r\n"
        "\"Install_Dir\"=\"" ZELMAR_MEDIA
        "\"\r\n"
        "\"Texture_Quality\"=dword:00000002\r\n"
        "\"Object_Quality\"=dword:00000002\r\n"
        "\"Zelmar_Type\"=dword:00000000\r\n");
    Dir = fs::path(Hive.Path()).parent_path().string();
  }

  // The Sun fills the view at 5 s; returns the exit code and keeps stderr.
  int Snapshot(const std::string& Root, const std::string& Out) {
    const std::string Command = "ZELMAR_MAP_ROOT='" + Root + "' XDG_CACHE_HOME='" + Dir +
                                "/cache' " ZELMAR_EXE " --snapshot 5 '" + Out +
                                "' --size 320x180 --seed 1 2>'" + Dir + "/err' >/dev/null";
    const int Status = std::system(Command.c_str());
    Err = Bytes(Dir + "/err");
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
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
  ASSERT_EQ(Snapshot(Damaged, Dir + "/damaged.png"), 0) << Err;
  EXPECT_EQ(Occurrences(Err, Damaged + "/stellarium/textures/sun.png"), 1) << Err;
  EXPECT_EQ(Bytes(Dir + "/none.png"), Bytes(Dir + "/damaged.png"));

  ASSERT_EQ(Snapshot(Good, Dir + "/good.png"), 0) << Err;
  EXPECT_EQ(Err.find("sun.png"), std::string::npos) << Err;
  EXPECT_NE(Bytes(Dir + "/none.png"), Bytes(Dir + "/good.png"));
  // The middle of the Sun wears the green map.
  const QImage Shot(QString::fromStdString(Dir + "/good.png"));
  const QRgb Middle = Shot.pixel(160, 90);
  EXPECT_GT(qGreen(Middle), qRed(Middle) + 40);
}
