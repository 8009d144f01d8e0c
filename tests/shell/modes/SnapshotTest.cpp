// The program's scene runs under Xvfb: a snapshot repeats byte for byte and shows a picture, a
// picture that cannot be written leaves nothing behind, and bad option values exit 2.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "registry/TempHive.h"
#include "support/SettingsFile.h"
#include "support/ZelmarProcess.h"

namespace {

int Zelmar(const std::string& Args) {
  std::vector<std::string> Argv = Words(Args);
  Argv.insert(Argv.begin(), ZELMAR_EXE);
  return ZelmarProcess().StderrTo("/dev/null").Run(Argv).status;
}

// Runs the program with ZELMAR_HIVE naming Hive; returns its exit code and puts its stderr in
// Err. Env, when given, sets up the rest of its environment.
int ZelmarWith(const std::string& Hive, const std::string& Args, std::string* Err = nullptr,
               const std::function<void(ZelmarProcess&)>& Env = {}) {
  ZelmarProcess Process;
  Process.Env("ZELMAR_HIVE", Hive);
  if (Env) Env(Process);
  std::vector<std::string> Argv = Words(Args);
  Argv.insert(Argv.begin(), ZELMAR_EXE);
  const Result R = Process.Run(Argv);
  if (Err) *Err = R.err;
  return R.status;
}

std::string Bytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

class SnapshotRun : public ::testing::Test {
 protected:
  SnapshotRun() {
    Hive.Write(QuickSettings().Set({{"Select_Planet", 0},
                                    {"Planet_Speed", 5},
                                    {"Move_Speed", 5},
                                    {"Zelmar_Type", 0},
                                    {"Planetary_Data", 1},
                                    {"FPS", 1},
                                    {"Glare", 1},
                                    {"Lens_Flare", 1},
                                    {"Corona", 1}}));
    Dir = std::filesystem::path(Hive.Path()).parent_path().string();
  }
  TempHive Hive;
  std::string Dir;
};

}  // namespace

TEST_F(SnapshotRun, TheSameRunGivesTheSameBytesAndAPicture) {
  const std::string A = Dir + "/a.png", B = Dir + "/b.png", C = Dir + "/c.png";
  ASSERT_EQ(Zelmar("--snapshot 9.5 " + A + " --size 320x240 --seed 3"), 0);
  ASSERT_EQ(Zelmar("--snapshot 9.5 " + B + " --size 320x240 --seed 3"), 0);
  EXPECT_FALSE(Bytes(A).empty());
  EXPECT_EQ(Bytes(A), Bytes(B));
  const QImage Shot(QString::fromStdString(A));
  ASSERT_EQ(Shot.width(), 320);
  ASSERT_EQ(Shot.height(), 240);
  EXPECT_FALSE(Shot.hasAlphaChannel());
  std::set<QRgb> Colours;
  for (int Y = 0; Y < 240; Y += 4)
    for (int X = 0; X < 320; X += 4) Colours.insert(Shot.pixel(X, Y));
  EXPECT_GT(Colours.size(), 50u);
  // Another display is another picture.
  ASSERT_EQ(Zelmar("--snapshot 9.5 " + C + " --size 320x240 --seed 3 --scene brass"), 0);
  EXPECT_NE(Bytes(A), Bytes(C));
}

// The stored settings turn every effect on; at 20 s the camera looks past Venus at the Sun, its
// data panel up. Each option changes the picture, and the frame cap (which only paces a live run)
// leaves it as it is.
TEST_F(SnapshotRun, EverySettingGivenAsAnOptionChangesThePicture) {
  const std::string Base = Dir + "/base.png";
  const std::string Run = " --size 320x240 --seed 3";
  ASSERT_EQ(Zelmar("--snapshot 20 " + Base + Run), 0);
  const std::string Stored = Hive.Read();
  // (The frame rate's text needs a second of real frames; a snapshot has none to show.)
  const std::vector<std::string> Changing = {"--no-corona",
                                             "--no-lens-flare",
                                             "-no-glare",
                                             "--no-planet-data",
                                             "--object-quality high",
                                             "--texture-quality=very-high",
                                             "--planet-speed 10",
                                             "--move-speed 10",
                                             "--order random",
                                             "--scene brass",
                                             "--clock",
                                             "--positions today"};
  for (const std::string& Option : Changing) {
    const std::string Shot = Dir + "/option.png";
    ASSERT_EQ(Zelmar("--snapshot 20 " + Shot + Run + " " + Option), 0) << Option;
    EXPECT_TRUE(Bytes(Shot) != Bytes(Base)) << Option;
  }
  const std::string Capped = Dir + "/capped.png";
  ASSERT_EQ(Zelmar("--max-fps 5 --snapshot 20 " + Capped + Run), 0);
  EXPECT_TRUE(Bytes(Capped) == Bytes(Base));
  // Options hold for the run only.
  EXPECT_TRUE(Hive.Read() == Stored);
}

// With "today" positions and a date the planets start where they stood that day, and the
// picture repeats byte for byte, the clock included (it reads the date's midnight on by the
// snapshot's time); another day is another picture, and a date alone moves nothing.
TEST_F(SnapshotRun, TodaysSkyOfAGivenDateRepeatsAndADateAloneChangesNothing) {
  const std::string Run = " --size 320x240 --seed 3";
  const std::string Random = Dir + "/random.png", A = Dir + "/a.png", B = Dir + "/b.png";
  const std::string Next = Dir + "/next.png", DateOnly = Dir + "/date-only.png";
  const std::string Today = " --positions today --date 2026-12-07 --clock";
  ASSERT_EQ(Zelmar("--snapshot 20 " + Random + Run), 0);
  ASSERT_EQ(Zelmar("--snapshot 20 " + A + Run + Today), 0);
  ASSERT_EQ(Zelmar("--snapshot 20 " + B + Run + Today), 0);
  ASSERT_EQ(Zelmar("--snapshot 20 " + Next + Run + " --positions today --date=2026-12-08 --clock"),
            0);
  ASSERT_EQ(Zelmar("--snapshot 20 " + DateOnly + Run + " --date 2026-12-07"), 0);
  EXPECT_FALSE(Bytes(A).empty());
  EXPECT_TRUE(Bytes(A) == Bytes(B));
  EXPECT_TRUE(Bytes(A) != Bytes(Random));
  EXPECT_TRUE(Bytes(A) != Bytes(Next));
  EXPECT_TRUE(Bytes(DateOnly) == Bytes(Random));
}

// --render-scale draws the scene smaller and scales it up, which smooths it, while the title
// and the credits are drawn afterwards at the window's own resolution: their pixels of the
// title's colour are those of the full-size picture. 1 is the full picture, byte for byte.
TEST_F(SnapshotRun, AScaledSceneIsSmootherAndItsTextsStaySharp) {
  const std::string Run = " --size 640x360 --seed 3";
  const std::string Full = Dir + "/full.png", Half = Dir + "/half.png", One = Dir + "/one.png";
  ASSERT_EQ(Zelmar("--snapshot 1 " + Full + Run), 0);
  ASSERT_EQ(Zelmar("--snapshot 1 " + Half + Run + " --render-scale 0.5"), 0);
  ASSERT_EQ(Zelmar("--snapshot 1 " + One + Run + " --render-scale=1"), 0);
  EXPECT_TRUE(Bytes(One) == Bytes(Full));
  EXPECT_TRUE(Bytes(Half) != Bytes(Full));
  const QImage A(QString::fromStdString(Full)), B(QString::fromStdString(Half));
  ASSERT_EQ(B.size(), A.size());

  // The opening title "The Zelmar" and the first credit, from (200, 100) on.
  const QRgb Title = 0xFF3D7CA3;
  int TitleA = 0, Same = 0;
  for (int Y = 95; Y < 175; ++Y)
    for (int X = 195; X < 600; ++X)
      if (A.pixel(X, Y) == Title) {
        ++TitleA;
        Same += B.pixel(X, Y) == Title;
      }
  EXPECT_GT(TitleA, 300) << "no title in the full picture";
  EXPECT_GE(Same, TitleA * 95 / 100) << "the text was scaled with the scene";

  // Neighbouring pixels differ less in the scaled-up scene (below the texts).
  auto Roughness = [](const QImage& I) {
    long Sum = 0;
    for (int Y = 190; Y < 330; ++Y)
      for (int X = 0; X + 1 < I.width(); ++X) {
        const QRgb P = I.pixel(X, Y), Q = I.pixel(X + 1, Y);
        Sum += std::abs(qRed(P) - qRed(Q)) + std::abs(qGreen(P) - qGreen(Q)) +
               std::abs(qBlue(P) - qBlue(Q));
      }
    return Sum;
  };
  const long RoughA = Roughness(A), RoughB = Roughness(B);
  EXPECT_GT(RoughA, 0);
  EXPECT_LT(RoughB * 10, RoughA * 9) << RoughB << " against " << RoughA;
}

// No X server to reach: a message and exit 1 in every mode that draws, never the toolkit's
// abort, also from a Wayland session (the saver draws through XWayland only).
TEST_F(SnapshotRun, WithoutAnXServerEveryDrawingModeSaysSoAndExits1) {
  const std::string Shot = Dir + "/x.png";
  ZelmarProcess Wayland, NoServer;
  Wayland.Unset("DISPLAY").Env("WAYLAND_DISPLAY", "wayland-9").Env("QT_QPA_PLATFORM", "wayland");
  NoServer.Env("DISPLAY", ":97");
  for (ZelmarProcess* Process : {&Wayland, &NoServer}) {
    for (const std::string& Run :
         std::vector<std::string>{"/s", "--window", "--snapshot 1 " + Shot, "--bench 1"}) {
      std::vector<std::string> Argv = Words(Run);
      Argv.insert(Argv.begin(), ZELMAR_EXE);
      const Result R = Process->Run(Argv);
      const std::string Command = (Process == &Wayland ? "under Wayland: " : "no server: ") + Run;
      EXPECT_EQ(R.status, 1) << Command;
      const std::string& Said = R.err;
      EXPECT_NE(Said.find("X display"), std::string::npos) << Command << ": " << Said;
      EXPECT_EQ(std::count(Said.begin(), Said.end(), '\n'), 1) << Said;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(Shot));
}

TEST_F(SnapshotRun, AFileThatCannotBeWrittenFailsAndLeavesNothing) {
  std::ofstream(Dir + "/blocker") << "a file where a folder should be";
  const std::string Blocked = Dir + "/blocker/a.png";
  EXPECT_EQ(Zelmar("--snapshot 1 " + Blocked + " --size 160x120"), 1);
  std::set<std::string> Left;
  for (const auto& Entry : std::filesystem::directory_iterator(Dir))
    Left.insert(Entry.path().filename().string());
  EXPECT_EQ(Left, (std::set<std::string>{"blocker", "zelmar.reg"}));
}

TEST_F(SnapshotRun, BadOptionValuesExit2) {
  EXPECT_EQ(Zelmar("--snapshot soon " + Dir + "/x.png"), 2);
  EXPECT_EQ(Zelmar("--window --size 12by5"), 2);
  EXPECT_EQ(Zelmar("--window --scene moon"), 2);
  EXPECT_EQ(Zelmar("--bench -4"), 2);
  EXPECT_EQ(Zelmar("--window --planet-speed 11"), 2);
  EXPECT_EQ(Zelmar("--max-fps 0 --window"), 2);
  EXPECT_EQ(Zelmar("--render-scale 0.1 --window"), 2);
  EXPECT_EQ(Zelmar("/s --render-scale 2"), 2);
  EXPECT_EQ(Zelmar("--snapshot 1 " + Dir + "/x.png --render-scale"), 2);
  EXPECT_EQ(Zelmar("/s --corona --object-quality ultra"), 2);
  EXPECT_EQ(Zelmar("/s --frobnicate"), 2);
  EXPECT_EQ(Zelmar("--window --positions tomorrow"), 2);
  EXPECT_EQ(Zelmar("--snapshot 1 " + Dir + "/x.png --date 2051-01-01"), 2);
  EXPECT_EQ(Zelmar("/s --positions today --date 2026-13-01"), 2);
  EXPECT_FALSE(std::filesystem::exists(Dir + "/x.png"));
}

// A run with no settings at all draws what a freshly recorded settings file draws: the same
// bytes, a textured picture on a sky that is not white.
TEST_F(SnapshotRun, NoSettingsAtAllDrawWhatAFreshlyRecordedFileDraws) {
  const std::string None = Dir + "/none.reg", Recorded = Dir + "/recorded.reg";
  const std::string A = Dir + "/none.png", B = Dir + "/recorded.png";
  std::string Err;
  ASSERT_EQ(ZelmarWith(None, "--snapshot 9.5 " + A + " --size 320x240 --seed 3", &Err), 0);
  EXPECT_EQ(Err.find("texture"), std::string::npos) << Err;
  EXPECT_FALSE(std::filesystem::exists(None)) << "a run without settings wrote some";
  ASSERT_EQ(ZelmarWith(Recorded, std::string("--record-install ") + ZELMAR_MEDIA), 0);
  ASSERT_EQ(ZelmarWith(Recorded, "--snapshot 9.5 " + B + " --size 320x240 --seed 3"), 0);
  ASSERT_FALSE(Bytes(A).empty());
  EXPECT_EQ(Bytes(A), Bytes(B));

  const QImage Shot(QString::fromStdString(A));
  int White = 0;
  std::set<QRgb> Colours;
  for (int Y = 0; Y < Shot.height(); ++Y)
    for (int X = 0; X < Shot.width(); ++X) {
      const QRgb P = Shot.pixel(X, Y);
      Colours.insert(P);
      White += qRed(P) > 240 && qGreen(P) > 240 && qBlue(P) > 240;
    }
  EXPECT_GT(Colours.size(), 200u) << "hardly textured";
  EXPECT_LT(White, Shot.width() * Shot.height() / 20) << "a white sky";
}

// A media folder that is not there: the sky is black, the Sun's effects without their pictures
// are left out (the picture is the one drawn with them switched off, so no grey squares), and
// each missing file is named once.
TEST_F(SnapshotRun, AMissingMediaFolderLeavesTheSkyBlackAndTheEffectsOut) {
  // The settings with every effect on or off.
  auto Settings = [&](int Effects) {
    return SettingsFile()
        .Set("Install_Dir", Dir + "/moved")
        .Set({{"Texture_Quality", 1},
              {"Zelmar_Type", 0},
              {"Glare", Effects},
              {"Lens_Flare", Effects},
              {"Corona", Effects}});
  };
  const std::string On = Dir + "/on.reg", Off = Dir + "/off.reg";
  Settings(1).Write(On);
  Settings(0).Write(Off);
  const std::string A = Dir + "/on.png", B = Dir + "/off.png";
  // At 9.5 s the Sun is in view, where every effect shows when its picture is there.
  std::string Err;
  ASSERT_EQ(ZelmarWith(On, "--snapshot 9.5 " + A + " --size 320x240 --seed 3", &Err), 0);
  ASSERT_EQ(ZelmarWith(Off, "--snapshot 9.5 " + B + " --size 320x240 --seed 3"), 0);
  EXPECT_EQ(Bytes(A), Bytes(B)) << "an effect was drawn without its picture";

  // One line for them all, naming the folder they are missing from.
  EXPECT_EQ(std::count(Err.begin(), Err.end(), '\n'), 1) << Err;
  EXPECT_NE(Err.find(" textures missing under " + Dir + "/moved/textures/Medium ("),
            std::string::npos)
      << Err;

  const QImage Shot(QString::fromStdString(A));
  int Black = 0;
  for (int Y = 0; Y < Shot.height(); ++Y)
    for (int X = 0; X < Shot.width(); ++X) Black += (Shot.pixel(X, Y) & 0xFFFFFF) == 0;
  EXPECT_GT(Black, Shot.width() * Shot.height() / 2) << "the sky is not black";
}

// Without a session's runtime folder the toolkit would make one of its own and leave it: in the
// temporary folder, or, with TMPDIR naming a folder that does not exist, at the root of the file
// system. The program gives it a private folder of its own instead, in an existing temporary
// folder, and removes it at the end.
TEST_F(SnapshotRun, LeavesNoRuntimeFolderBehind) {
  namespace fs = std::filesystem;
  const passwd* Pw = getpwuid(geteuid());
  ASSERT_TRUE(Pw);
  const std::string AtRoot = std::string("/runtime-") + Pw->pw_name;
  const bool AtRootBefore = fs::exists(AtRoot);
  const std::string Tmp = Dir + "/tmp";
  fs::create_directories(Tmp);
  for (const std::string& TmpDir : {Dir + "/missing", Tmp}) {
    SCOPED_TRACE("TMPDIR=" + TmpDir);
    std::string Err;
    EXPECT_EQ(
        ZelmarWith(Hive.Path(), "--snapshot 0 " + Dir + "/a.png --size 64x48", &Err,
                   [&](ZelmarProcess& P) { P.Unset("XDG_RUNTIME_DIR").Env("TMPDIR", TmpDir); }),
        0)
        << Err;
    EXPECT_EQ(Err.find("runtime"), std::string::npos) << Err;
    EXPECT_FALSE(fs::exists(Dir + "/missing"));
    if (!AtRootBefore) {
      EXPECT_FALSE(fs::exists(AtRoot));
    }
    EXPECT_TRUE(fs::is_empty(Tmp));
  }
}

// An option the program does not know, wherever it stands, and a value it cannot take: one
// line naming it, cut to a readable length however long it is, and exit code 2.
TEST_F(SnapshotRun, AnUnknownOptionIsOneReadableLineInEveryPosition) {
  const std::string Long = "--" + std::string(100000, 'x');
  const std::string Png = Dir + "/a.png";
  for (const std::string& Args :
       {Long, "--window " + Long, Long + " --window", "/s " + Long, "--root " + Long,
        "--window-id 1 " + Long, "--snapshot 1 " + Png + " " + Long,
        "--snapshot 1 " + Png + " --size " + Long.substr(2), "/s --scene " + Long.substr(2),
        "--preview-window " + Long.substr(2)}) {
    SCOPED_TRACE(Args.substr(0, 40));
    std::string Err;
    EXPECT_EQ(ZelmarWith(Hive.Path(), Args, &Err), 2);
    EXPECT_EQ(std::count(Err.begin(), Err.end(), '\n'), 1) << Err.substr(0, 300);
    EXPECT_LT(Err.size(), 200u) << Err.substr(0, 300);
    EXPECT_NE(Err.find("xxxxxxxx"), std::string::npos) << Err.substr(0, 300);
  }
  EXPECT_FALSE(std::filesystem::exists(Png));
}
