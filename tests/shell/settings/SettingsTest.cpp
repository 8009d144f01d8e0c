#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "platform/registry/TRegistry.h"
#include "registry/TempHive.h"
#include "scene/Random.h"
#include "shell/settings/Settings.h"
#include "shell/settings/SettingsTable.h"
#include "shell/settings/TCfgFrm.h"
#include "support/SettingsFile.h"

using namespace zelmar;

namespace {

TSettingsOptions SceneOption(int zelmarType) {
  TSettingsOptions o;
  o["Zelmar_Type"] = zelmarType;
  return o;
}

// A hive holding every value, each overridable.
void WriteSettings(const std::string& installDir, int textureQuality, int zelmarType,
                   int planetSpeed = 5) {
  registry::TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kSettingsKey, true));
  reg.WriteString("Install_Dir", installDir);
  reg.WriteInteger("Texture_Quality", textureQuality);
  reg.WriteInteger("Object_Quality", 2);
  reg.WriteInteger("Select_Planet", 1);
  reg.WriteInteger("Zelmar_Type", zelmarType);
  reg.WriteBool("Planetary_Data", false);
  reg.WriteBool("FPS", true);
  reg.WriteBool("Glare", true);
  reg.WriteBool("Lens_Flare", true);
  reg.WriteBool("Corona", true);
  reg.WriteInteger("Planet_Speed", planetSpeed);
  reg.WriteInteger("Move_Speed", 5);
}

}  // namespace

TEST(Settings, ReadsEveryValueIntoTheRecordAndTheTextureFolder) {
  TempHive hive;
  WriteSettings("C:\\Saver", 1, 0);
  TSettings s;
  std::string path = "textures/";
  EXPECT_EQ(GetSettings(s, path), "");
  EXPECT_EQ(path, "C:/Saver/textures/Medium/");
  EXPECT_FALSE(s.BrassModel);
  EXPECT_TRUE(s.RandomSelect);
  EXPECT_EQ(s.ObjectQuality, 2);
  EXPECT_FLOAT_EQ(s.PlanetSpeed, 0.1f);
  EXPECT_FLOAT_EQ(s.MoveSpeed, 15.0f);
  EXPECT_FALSE(s.ShowPlanetData);
  EXPECT_TRUE(s.ShowFPS && s.ShowGlare && s.ShowLensFlare && s.ShowCorona);

  WriteSettings("/opt/zelmar/", 0, 1, 1);
  path = "textures/";
  EXPECT_EQ(GetSettings(s, path), "");
  EXPECT_TRUE(s.BrassModel);
  EXPECT_EQ(path, "/opt/zelmar//tabletextures/High/");  // the doubled separator is harmless
  EXPECT_FLOAT_EQ(s.PlanetSpeed, 2.0f);

  WriteSettings("/opt/zelmar", 0, 0, 1);
  EXPECT_EQ(GetSettings(s, path), "");
  EXPECT_FLOAT_EQ(s.PlanetSpeed, 0.02f);
}

// Values the dialog cannot give: the display, order and object quality keep their fields as
// they were; a texture quality with no folder of its own is named and takes its default, as the
// whole scene would otherwise go untextured.
TEST(Settings, OutOfRangeValuesLeaveTheirFieldsAloneButTheTextureQualityIsNamed) {
  TempHive hive;
  WriteSettings("/opt/zelmar", -1, 7);
  registry::TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kSettingsKey, true));
  reg.WriteInteger("Object_Quality", 3);
  reg.WriteInteger("Select_Planet", -1);
  TSettings s;
  s.BrassModel = true;
  s.RandomSelect = true;
  s.ObjectQuality = 1;
  std::string path = "textures/";
  EXPECT_EQ(GetSettings(s, path), "Texture_Quality -1 is outside 0 to 2; using 1");
  EXPECT_EQ(path, "/opt/zelmar/tabletextures/Medium/");
  EXPECT_TRUE(s.BrassModel);
  EXPECT_TRUE(s.RandomSelect);
  EXPECT_EQ(s.ObjectQuality, 1);
  EXPECT_FLOAT_EQ(s.PlanetSpeed, 10.0f);  // Brass kept, so no division by 100

  reg.WriteInteger("Texture_Quality", 7);
  reg.WriteString("Corona", "not a number");  // a value it cannot read, named as well
  EXPECT_EQ(
      GetSettings(s, path),
      "Invalid data type for 'Corona' in HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar (" + hive.Path() +
          "); using the defaults for Corona, Planet_Speed, Move_Speed, Planet_Positions, Clock, "
          "Constellations; "
          "Texture_Quality 7 is outside 0 to 2; using 1");
  EXPECT_EQ(path, "/opt/zelmar/tabletextures/Medium/");
}

TEST(Settings, ExtremeSpeedsScaleWithoutWrappingAround) {
  TempHive hive;
  WriteSettings("/opt/zelmar", 0, 1, 0x7FFFFFFF);
  registry::TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kSettingsKey, true));
  reg.WriteInteger("Move_Speed", -0x7FFFFFFF - 1);
  TSettings s;
  std::string path;
  EXPECT_EQ(GetSettings(s, path), "");
  EXPECT_FLOAT_EQ(s.PlanetSpeed, 4294967294.0f);
  EXPECT_FLOAT_EQ(s.MoveSpeed, -6442450944.0f);
}

TEST(Settings, TheSaverReplacesACameraSpeedTheDialogCannotGive) {
  TSettings s;
  for (float inRange : {3.0f, 15.0f, 30.0f}) {
    s.MoveSpeed = inRange;
    EXPECT_EQ(KeepMoveSpeedInRange(s), "");
    EXPECT_EQ(s.MoveSpeed, inRange);
  }
  for (float outside : {0.0f, -3.0f, 33.0f, 6.0e9f}) {
    s.MoveSpeed = outside;
    const std::string problem = KeepMoveSpeedInRange(s);
    EXPECT_NE(problem.find("Move_Speed"), std::string::npos) << outside;
    EXPECT_EQ(s.MoveSpeed, 3.0f * InstallDefault("Move_Speed")) << outside;
  }
  s.MoveSpeed = 0.0f;
  EXPECT_EQ(KeepMoveSpeedInRange(s), "Move_Speed 0 is outside 1 to 10; using 5");
}

TEST(Settings, RandomDisplayChoosesAfreshAtEachStart) {
  TempHive hive;
  WriteSettings("/opt/zelmar", 0, 2);
  std::set<bool> seen;
  RandSeed(99);
  for (int i = 0; i < 40; ++i) {
    TSettings s;
    std::string path;
    GetSettings(s, path);
    seen.insert(s.BrassModel);
    EXPECT_EQ(path,
              s.BrassModel ? "/opt/zelmar/tabletextures/High/" : "/opt/zelmar/textures/High/");
  }
  EXPECT_EQ(seen.size(), 2u);
}

TEST(Settings, AMistypedValueStopsTheReadAndKeepsWhatWasRead) {
  TempHive hive;
  WriteSettings("/opt/zelmar", 2, 1);
  hive.Write(hive.Read().replace(hive.Read().find("\"Planet_Speed\"=dword:00000005"),
                                 std::string("\"Planet_Speed\"=dword:00000005").size(),
                                 "\"Planet_Speed\"=\"7\""));
  registry::TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kSettingsKey, true));
  reg.WriteInteger("Move_Speed", 9);
  TSettings s;
  std::string path;
  const std::string problem = GetSettings(s, path);
  EXPECT_EQ(problem.rfind("Invalid data type for 'Planet_Speed'", 0), 0u) << problem;
  EXPECT_NE(problem.find("Planet_Speed, Move_Speed"), std::string::npos) << problem;
  // Read before the stop: all of these.
  EXPECT_TRUE(s.BrassModel);
  EXPECT_EQ(path, "/opt/zelmar/tabletextures/Low/");
  EXPECT_TRUE(s.ShowCorona);
  EXPECT_TRUE(s.ShowFPS);
  // Not read: the installed defaults, both speeds 5 (Move_Speed 9 lies after the stop).
  EXPECT_FLOAT_EQ(s.PlanetSpeed, 10.0f);
  EXPECT_FLOAT_EQ(s.MoveSpeed, 15.0f);
}

TEST(Settings, AStoreWithoutTheValuesRunsOnTheInstalledDefaultsAndCreatesNothing) {
  for (const char* text : {"", "Windows Registry Editor Version 5.00\n"}) {
    TempHive hive;
    if (*text) hive.Write(text);
    TSettings s;
    std::string path = "textures/";
    EXPECT_EQ(GetSettings(s, path), "");
    EXPECT_FALSE(s.BrassModel);
    EXPECT_EQ(path, DefaultInstallDir() + "/textures/Medium/");
    EXPECT_EQ(s.ObjectQuality, 1);
    EXPECT_TRUE(s.ShowPlanetData && s.ShowLensFlare && s.ShowCorona);
    EXPECT_FALSE(s.ShowFPS || s.ShowGlare);
    EXPECT_FLOAT_EQ(s.PlanetSpeed, 0.1f);
    EXPECT_FLOAT_EQ(s.MoveSpeed, 15.0f);
    EXPECT_EQ(hive.Read(), text) << "a read wrote to the file";
    EXPECT_EQ(std::filesystem::exists(hive.Path()), *text != 0);
  }
}

// What --record-install writes is what a run without it takes: the same record, the same folder.
TEST(Settings, AFreshlyRecordedFileGivesWhatNoFileGives) {
  TempHive hive;
  TSettings none, recorded;
  std::string nonePath, recordedPath;
  RandSeed(5);
  EXPECT_EQ(GetSettings(none, nonePath), "");
  ASSERT_EQ(RecordInstallation(DefaultInstallDir()), "");
  RandSeed(5);
  EXPECT_EQ(GetSettings(recorded, recordedPath), "");
  EXPECT_EQ(recordedPath, nonePath);
  EXPECT_EQ(recorded.BrassModel, none.BrassModel);
  EXPECT_EQ(recorded.RandomSelect, none.RandomSelect);
  EXPECT_EQ(recorded.ObjectQuality, none.ObjectQuality);
  EXPECT_EQ(recorded.PlanetSpeed, none.PlanetSpeed);
  EXPECT_EQ(recorded.MoveSpeed, none.MoveSpeed);
  EXPECT_EQ(recorded.ShowPlanetData, none.ShowPlanetData);
  EXPECT_EQ(recorded.ShowFPS, none.ShowFPS);
  EXPECT_EQ(recorded.ShowGlare, none.ShowGlare);
  EXPECT_EQ(recorded.ShowLensFlare, none.ShowLensFlare);
  EXPECT_EQ(recorded.ShowCorona, none.ShowCorona);
  // And each default is one the dialog can show.
  for (const TSettingRow& d : kSettingsTable) {
    EXPECT_GE(d.InstallDefault, d.Low) << d.Name;
    EXPECT_LE(d.InstallDefault, d.High) << d.Name;
  }
}

// The current user's key over the machine's, value by value; a value in neither takes its
// installed default. The dialog writes the user's key only.
TEST(Settings, EachValueComesFromTheUsersKeyElseTheMachinesElseItsDefault) {
  TempHive hive;
  hive.Write(SettingsFile()
                 .Set("Install_Dir", "/opt/zelmar")
                 .Set({{"Texture_Quality", 2}, {"FPS", 1}, {"Corona", 1}})
                 .User()
                 .Set({{"Texture_Quality", 0}, {"Corona", 0}}));
  TSettings s;
  std::string path;
  EXPECT_EQ(GetSettings(s, path), "");
  EXPECT_EQ(path, "/opt/zelmar/textures/High/");  // folder from the machine, quality the user's
  EXPECT_TRUE(s.ShowFPS);                         // the machine's
  EXPECT_FALSE(s.ShowCorona);                     // the user's over the machine's
  EXPECT_TRUE(s.ShowLensFlare);                   // neither: the installed default
  EXPECT_EQ(s.ObjectQuality, 1);

  // A mistyped value in the user's key is not passed over for the machine's.
  registry::TRegistry user(HKEY_CURRENT_USER);
  ASSERT_TRUE(user.OpenKey(kUserSettingsKey, false));
  user.WriteString("FPS", "1");
  const std::string problem = GetSettings(s, path);
  EXPECT_EQ(problem.rfind("Invalid data type for 'FPS' in HKEY_CURRENT_USER\\Software\\Zelmar (" +
                              hive.Path() + ")",
                          0),
            0u)
      << problem;
}

// A user's file that does not parse is named once, however often the settings are read.
TEST(Settings, AUsersFileThatCannotBeReadIsNamedOnce) {
  TempHive machine;
  char tmpl[] = "/tmp/zelmar-config-XXXXXX";
  const std::string config = mkdtemp(tmpl);
  std::filesystem::create_directories(config + "/zelmar");
  std::ofstream(config + "/zelmar/zelmar.reg") << "not a settings file\n";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  // The user's file of its own: the machine's is then the built-in one, whatever it holds.
  unsetenv("ZELMAR_HIVE");
  testing::internal::CaptureStderr();
  TSettings s;
  std::string path;
  GetSettings(s, path);
  GetSettings(s, path);
  const std::string err = testing::internal::GetCapturedStderr();
  setenv("ZELMAR_HIVE", machine.Path().c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  std::filesystem::remove_all(config);

  const std::string file = config + "/zelmar/zelmar.reg";
  const std::size_t first = err.find(file);
  EXPECT_NE(first, std::string::npos) << err;
  EXPECT_EQ(err.find(file, first + 1), std::string::npos) << "named twice: " << err;
}
TEST(Settings, AMalformedHiveIsNamedAndTheSaverStillGetsDefaults) {
  TempHive hive;
  hive.Write(
      "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar]\nbroken\n");
  TSettings s;
  std::string path = "textures/";
  const std::string problem = GetSettings(s, path);
  EXPECT_NE(problem.find(hive.Path() + ":3:"), std::string::npos) << problem;
  EXPECT_FLOAT_EQ(s.MoveSpeed, 15.0f);
}

TEST(Settings, RecordingAnInstallationKeepsTheUsersChoices) {
  TempHive hive;
  {
    registry::TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kSettingsKey, true));
    reg.WriteInteger("Planet_Speed", 9);
  }
  EXPECT_EQ(RecordInstallation("/usr/share/zelmar"), "");
  TSettings s;
  std::string path;
  EXPECT_EQ(GetSettings(s, path), "");
  EXPECT_FLOAT_EQ(s.PlanetSpeed, 0.18f);
  EXPECT_EQ(path, "/usr/share/zelmar/textures/Medium/");
  registry::TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kSettingsKey, false));
  for (const TSettingRow& d : kSettingsTable)
    if (std::string(d.Name) != "Planet_Speed") {
      EXPECT_EQ(reg.ReadInteger(d.Name), d.InstallDefault);
    }
}

TEST(Settings, ADisplayGivenForOneRunReplacesTheStoredOneWithItsFolderAndSpeed) {
  TempHive hive;
  WriteSettings("/opt/zelmar", 2, 2, 5);
  TSettings s;
  std::string path;
  RandSeed(1);
  const std::uint32_t before = RandSeed();
  EXPECT_EQ(GetSettings(s, path, SceneOption(1)), "");
  EXPECT_TRUE(s.BrassModel);
  EXPECT_EQ(path, "/opt/zelmar/tabletextures/Low/");
  EXPECT_FLOAT_EQ(s.PlanetSpeed, 10.0f);
  // No coin is tossed for a display that is given.
  EXPECT_EQ(RandSeed(), before);
  EXPECT_EQ(GetSettings(s, path, SceneOption(0)), "");
  EXPECT_FALSE(s.BrassModel);
  EXPECT_EQ(path, "/opt/zelmar/textures/Low/");
  EXPECT_FLOAT_EQ(s.PlanetSpeed, 0.1f);
}

TEST(Settings, OptionsReplaceEveryStoredValueForTheRunAndLeaveTheStoreAlone) {
  TempHive hive;
  WriteSettings("/opt/zelmar", 1, 0, 5);
  TSettingsOptions o;
  o["Select_Planet"] = 0;
  o["Planet_Speed"] = 10;
  o["Move_Speed"] = 1;
  o["Object_Quality"] = 0;
  o["Texture_Quality"] = 2;
  o["Planetary_Data"] = 1;
  o["FPS"] = 0;
  o["Corona"] = 0;
  o["Lens_Flare"] = 0;
  o["Glare"] = 0;
  TSettings s;
  std::string path;
  EXPECT_EQ(GetSettings(s, path, o), "");
  EXPECT_FALSE(s.RandomSelect);
  EXPECT_FLOAT_EQ(s.PlanetSpeed, 0.2f);
  EXPECT_FLOAT_EQ(s.MoveSpeed, 3.0f);
  EXPECT_EQ(s.ObjectQuality, 0);
  EXPECT_EQ(path, "/opt/zelmar/textures/Low/");
  EXPECT_TRUE(s.ShowPlanetData);
  EXPECT_FALSE(s.ShowFPS || s.ShowCorona || s.ShowLensFlare || s.ShowGlare);

  // The store keeps what the user chose; the next run without options reads it again.
  EXPECT_EQ(GetSettings(s, path), "");
  EXPECT_TRUE(s.RandomSelect && s.ShowFPS && s.ShowCorona && s.ShowLensFlare && s.ShowGlare);
  EXPECT_EQ(path, "/opt/zelmar/textures/Medium/");

  // A store that cannot be read is still reported, and the options still apply.
  hive.Write(hive.Read().replace(hive.Read().find("\"Glare\"=dword:00000001"),
                                 std::string("\"Glare\"=dword:00000001").size(),
                                 "\"Glare\"=\"1\""));
  o = TSettingsOptions();
  o["Glare"] = 1;
  EXPECT_NE(GetSettings(s, path, o).find("Glare"), std::string::npos);
  EXPECT_TRUE(s.ShowGlare);
}

// The planets' positions and the clock come from the store as every value does, an option
// replaces them for one run, and the day "today" positions show is the run's own: --date at 0h
// UT, else the instant the settings are read.
TEST(Settings, TodaysPositionsAndTheClockComeFromTheStoreOrOptionsWithTheRunsDay) {
  TempHive hive;
  WriteSettings("/opt/zelmar", 1, 0);
  TSettings s;
  std::string path;
  EXPECT_EQ(GetSettings(s, path), "");
  EXPECT_FALSE(s.PositionsToday || s.ShowClock || s.ShowConstellations)
      << "none is stored: all installed off";

  registry::TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kSettingsKey, true));
  reg.WriteInteger("Planet_Positions", 1);
  reg.WriteBool("Clock", true);
  reg.WriteBool("Constellations", true);
  const double before = SkyJulianDay({});
  EXPECT_EQ(GetSettings(s, path), "");
  const double after = SkyJulianDay({});
  EXPECT_TRUE(s.PositionsToday && s.ShowClock && s.ShowConstellations);
  EXPECT_GE(s.PositionsJulianDay, before);
  EXPECT_LE(s.PositionsJulianDay, after);

  TSettingsOptions o;
  o.Date = TCalendarDate{2026, 12, 7};
  o["Clock"] = 0;
  EXPECT_EQ(GetSettings(s, path, o), "");
  EXPECT_TRUE(s.PositionsToday);
  EXPECT_FALSE(s.ShowClock);
  EXPECT_EQ(s.PositionsJulianDay, 2461381.5);
  o["Planet_Positions"] = 0;
  EXPECT_EQ(GetSettings(s, path, o), "");
  EXPECT_FALSE(s.PositionsToday);

  // A value the dialog cannot give leaves the field as it was, as the other choices do.
  reg.WriteInteger("Planet_Positions", 2);
  s.PositionsToday = true;
  EXPECT_EQ(GetSettings(s, path), "");
  EXPECT_TRUE(s.PositionsToday);
}

// The dialog loads while other programs save (another dialog, the install step): every load
// shows the values of one save, never some of one and some of another.
TEST(Settings, ALoadDuringSavesShowsOneSave) {
  TempHive hive;
  TCfgFrm::TValues low, high;
  for (const TSettingRow& row : kSettingsTable) {
    low[row] = 0;
    high[row] = 1;
  }
  ASSERT_EQ(low.Save(), TCfgSave::Saved);
  int stop[2];
  ASSERT_EQ(pipe(stop), 0);
  const pid_t saver = fork();
  ASSERT_GE(saver, 0);
  if (saver == 0) {
    close(stop[1]);
    fcntl(stop[0], F_SETFL, O_NONBLOCK);
    char c;
    // Until the test closes its end of the pipe: read() then gives 0.
    for (int i = 0; read(stop[0], &c, 1) < 0; ++i)
      if ((i % 2 ? low : high).Save() != TCfgSave::Saved) _exit(1);
    _exit(0);
  }
  close(stop[0]);
  int mixed = 0;
  constexpr int kLoads = 300;
  for (int i = 0; i < kLoads; ++i) {
    TCfgFrm::TValues loaded;
    ASSERT_EQ(loaded.Load(), "");
    int ones = 0;
    for (const TSettingRow& row : kSettingsTable) ones += loaded[row];
    if (ones != 0 && ones != static_cast<int>(kSettingCount)) ++mixed;
  }
  close(stop[1]);
  int status = 0;
  waitpid(saver, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a save failed";
  EXPECT_EQ(mixed, 0) << "of " << kLoads << " loads";
}
