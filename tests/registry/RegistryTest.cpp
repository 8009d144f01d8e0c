#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/registry/Registry.h"
#include "platform/registry/TRegistry.h"
#include "registry/TempHive.h"
#include "support/SettingsFile.h"

using namespace zelmar::registry;

namespace {

constexpr const char* kKey = "\\SOFTWARE\\Zelmar";

// Built by appending: GCC 12 at -O3 takes "x" + std::to_string(n) for an overlapping copy.
std::string ValueName(int process, int i) {
  std::string name = "P";
  name += std::to_string(process);
  name += '_';
  name += std::to_string(i);
  return name;
}

}  // namespace

TEST(Registry, CreatesTheKeyAndReadsBackWhatWasWritten) {
  TempHive hive;
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kKey, true));
  reg.WriteInteger("Planet_Speed", 7);
  reg.WriteBool("FPS", true);
  reg.WriteString("Install_Dir", "/opt/zelmar");
  reg.WriteInteger("Texture_Quality", -1);
  EXPECT_EQ(reg.ReadInteger("planet_speed"), 7);
  EXPECT_TRUE(reg.ReadBool("FPS"));
  EXPECT_EQ(reg.ReadString("Install_Dir"), "/opt/zelmar");
  EXPECT_EQ(reg.ReadInteger("Texture_Quality"), -1);
  EXPECT_NE(hive.Read().find("\"Texture_Quality\"=dword:ffffffff"), std::string::npos);
  EXPECT_NE(hive.Read().find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar]"), std::string::npos);
}

TEST(Registry, MissingAndMistypedValuesStopWithTheirMessages) {
  TempHive hive;
  hive.Write(SettingsFile().Set("Planet_Speed", "5").Set("Install_Dir", 1));
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kKey, false));
  try {
    reg.ReadInteger("Planet_Speed");
    FAIL();
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Planet_Speed'");
  }
  try {
    reg.ReadString("Install_Dir");
    FAIL();
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Install_Dir'");
  }
  try {
    reg.ReadInteger("Move_Speed");
    FAIL();
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Failed to get data for 'Move_Speed'");
  }
}

TEST(Registry, StringsWithLineBreaksKeepTheFileReadable) {
  TempHive hive;
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kKey, true));
  const std::string odd = "/opt/two\nlines\r\n\"end\\";
  reg.WriteString("Install_Dir", odd);
  reg.WriteInteger("FPS", 1);
  EXPECT_EQ(reg.ReadString("Install_Dir"), odd);
  EXPECT_TRUE(reg.ReadBool("FPS"));
  EXPECT_EQ(reg.ReadString("install_dir"), odd);

  // A line break in a name has no way into the file, so the write is refused.
  HKEY key = 0;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  DWORD one = 1;
  EXPECT_EQ(RegSetValueExA(key, "A\nB", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
            ERROR_INVALID_PARAMETER);
  RegCloseKey(key);
  EXPECT_NE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Two\nLines", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_TRUE(reg.ReadBool("FPS"));
}

TEST(Registry, AWriteKeepsEveryOtherKeyAndValue) {
  TempHive hive;
  hive.Write(
      "Windows Registry Editor Version "
      "5.00\n\n[HKEY_CURRENT_USER\\Elsewhere]\n\"Keep\"=hex:de,ad\n\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar]\n\"Corona\"=dword:00000001\n\"Extra\"=\"x\"\n");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kKey, true));
  reg.WriteInteger("Corona", 0);
  reg.WriteInteger("Glare", 1);
  const std::string text = hive.Read();
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Elsewhere]\n\"Keep\"=hex:de,ad"), std::string::npos);
  EXPECT_NE(text.find("\"Corona\"=dword:00000000\n\"Extra\"=\"x\"\n\"Glare\"=dword:00000001"),
            std::string::npos)
      << text;
}

TEST(Registry, AMalformedFileIsReportedWithItsLineAndNeverWritten) {
  TempHive hive;
  const std::string bad =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar]\r\n"
      "\"Corona\"=dword:1\r\n\"Glare\"=dwrod:1\r\n";
  hive.Write(bad);
  HKEY key = 0;
  EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_BADDB);
  EXPECT_EQ(RegLastProblem().rfind(hive.Path() + ":5: ", 0), 0u) << RegLastProblem();

  // A key opened before the file went bad cannot write either.
  hive.Write(SettingsFile());
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  hive.Write(bad);
  DWORD one = 1;
  EXPECT_EQ(RegSetValueExA(key, "FPS", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
            ERROR_BADDB);
  EXPECT_EQ(hive.Read(), bad);
  RegCloseKey(key);
}

TEST(Registry, AFileTheUserMayNotWriteStillReadsButRefusesWrites) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write any file";
  TempHive hive;
  hive.Write(SettingsFile().Set("FPS", 1));
  chmod(hive.Path().c_str(), 0444);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kKey, true));
  EXPECT_TRUE(reg.ReadBool("FPS"));
  EXPECT_THROW(reg.WriteBool("FPS", false), ERegistryException);
}

TEST(Registry, TwoProcessesWritingAtOnceLoseNoValue) {
  TempHive hive;
  constexpr int kPerProcess = 40;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      TRegistry reg;
      if (!reg.OpenKey(kKey, true)) _exit(3);
      try {
        for (int i = 0; i < kPerProcess; ++i) reg.WriteInteger(ValueName(c, i), i);
      } catch (...) {
        _exit(4);
      }
      _exit(0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kKey, false));
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < kPerProcess; ++i) EXPECT_EQ(reg.ReadInteger(ValueName(c, i)), i);
}

TEST(Registry, KeyNamesEndingInABlankAreRefusedSinceTheFileCannotKeepThem) {
  TempHive hive;
  for (const char* name : {"\\SOFTWARE\\Zelmar ", "\\SOFTWARE\\Zelmar\t", "\\SOFTWARE\\Zel \\"}) {
    HKEY key = 0;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_INVALID_PARAMETER)
        << name;
    EXPECT_EQ(key, 0u);
  }
  // A blank inside a name is kept both ways.
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Zel mar\\ Sub", true));
  reg.WriteInteger("A ", 3);
  TRegistry again;
  ASSERT_TRUE(again.OpenKey("\\SOFTWARE\\ZEL MAR\\ sub", false));
  EXPECT_EQ(again.ReadInteger("a "), 3);
  EXPECT_THROW(again.ReadInteger("a"), ERegistryException);
}

// HKEY_CURRENT_USER lives in the user's own file, found as the base directory rules say; reading
// it creates nothing, the first write creates the folder and the file. ZELMAR_HIVE names one
// file for every root.
TEST(Registry, TheCurrentUsersKeysLiveInTheirOwnFileWhichOnlyAWriteCreates) {
  char tmpl[] = "/tmp/zelmar-home-XXXXXX";
  const std::string home = mkdtemp(tmpl);
  const char* oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome ? oldHome : "";
  unsetenv("ZELMAR_HIVE");
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home + "/conf").c_str(), 1);

  const std::string file = home + "/conf/zelmar/zelmar.reg";
  EXPECT_EQ(HivePath(HKEY_CURRENT_USER), file);
  EXPECT_EQ(HivePath(HKEY_LOCAL_MACHINE), HivePath());
  HKEY key = 0;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Zelmar", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  {
    TRegistry reader(HKEY_CURRENT_USER, KEY_READ);
    EXPECT_FALSE(reader.OpenKey("Software\\Zelmar", false));
    EXPECT_EQ(reader.LastStatus(), ERROR_FILE_NOT_FOUND);
  }
  EXPECT_FALSE(std::filesystem::exists(home + "/conf"));

  {
    TRegistry writer(HKEY_CURRENT_USER);
    ASSERT_TRUE(writer.OpenKey("Software\\Zelmar", true)) << RegLastProblem();
    writer.WriteInteger("FPS", 1);
    EXPECT_TRUE(writer.ValueExists("fps"));
    EXPECT_FALSE(writer.ValueExists("Glare"));
  }
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(),
            "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Zelmar]\n"
            "\"FPS\"=dword:00000001\n\n");

  // A relative XDG_CONFIG_HOME is ignored, as is an unset one.
  setenv("XDG_CONFIG_HOME", "conf", 1);
  EXPECT_EQ(HivePath(HKEY_CURRENT_USER), home + "/.config/zelmar/zelmar.reg");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(HivePath(HKEY_CURRENT_USER), home + "/.config/zelmar/zelmar.reg");
  setenv("ZELMAR_HIVE", "/tmp/one.reg", 1);
  EXPECT_EQ(HivePath(HKEY_CURRENT_USER), "/tmp/one.reg");
  EXPECT_EQ(HivePath(HKEY_LOCAL_MACHINE), "/tmp/one.reg");

  unsetenv("ZELMAR_HIVE");
  setenv("HOME", savedHome.c_str(), 1);
  std::filesystem::remove_all(home);
}
