#include <gtest/gtest.h>

#include <string>

#include "platform/registry/Registry.h"
#include "platform/registry/TRegistry.h"
#include "registry/FileSizeLimit.h"
#include "registry/TempHive.h"
#include "support/SettingsFile.h"

using namespace zelmar::registry;

namespace {

constexpr const char* kKey = "\\SOFTWARE\\Zelmar";
const std::string kSeed = SettingsFile().Set("Install_Dir", "/opt/zelmar").Set("Move_Speed", 5);

}  // namespace

TEST(WriteBatch, HoldsWritesBackUntilCommitThenWritesThemInOrder) {
  TempHive hive;
  hive.Write(kSeed);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kKey, true));
  {
    TWriteBatch batch;
    reg.WriteInteger("Texture_Quality", 2);
    reg.WriteInteger("Move_Speed", 9);
    reg.WriteBool("Glare", true);
    EXPECT_EQ(hive.Read(), kSeed);
    EXPECT_EQ(reg.ReadInteger("Move_Speed"), 5);
    EXPECT_THROW(reg.ReadInteger("Texture_Quality"), ERegistryException);

    TWriteBatch nested;  // holds nothing: the outer batch keeps every write
    reg.WriteInteger("FPS", 1);
    EXPECT_EQ(nested.Commit(), ERROR_SUCCESS);
    EXPECT_EQ(hive.Read(), kSeed);

    EXPECT_EQ(batch.Commit(), ERROR_SUCCESS);
  }
  // An existing value changes in its place; new ones follow in the order they were written.
  EXPECT_EQ(hive.Read(),
            "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar]\n"
            "\"Install_Dir\"=\"/opt/zelmar\"\n\"Move_Speed\"=dword:00000009\n"
            "\"Texture_Quality\"=dword:00000002\n\"Glare\"=dword:00000001\n"
            "\"FPS\"=dword:00000001\n\n");

  // After the batch, writes go straight to the file again.
  reg.WriteInteger("Corona", 1);
  EXPECT_EQ(reg.ReadInteger("Corona"), 1);
}

TEST(WriteBatch, WritesNothingWhenDroppedOrWhenTheFileCannotBeWritten) {
  TempHive hive;
  hive.Write(kSeed);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kKey, true));
  {
    TWriteBatch batch;
    reg.WriteInteger("Move_Speed", 1);
  }
  EXPECT_EQ(hive.Read(), kSeed);

  // No file may grow (as on a full disk): the one replacement fails whole.
  std::string problem;
  LSTATUS rc = ERROR_SUCCESS;
  {
    TWriteBatch batch;
    for (int i = 0; i < 20; ++i) reg.WriteInteger("Value" + std::to_string(i), i);
    FileSizeLimit full(0);
    rc = batch.Commit();
    problem = RegLastProblem();
  }
  EXPECT_NE(rc, ERROR_SUCCESS);
  EXPECT_NE(problem.find(hive.Path()), std::string::npos) << problem;
  EXPECT_EQ(hive.Read(), kSeed);
  EXPECT_THROW(reg.ReadInteger("Value0"), ERegistryException);
}

// The dialog opens its key inside the batch: a key that is not there yet comes with the values,
// in the same replacement, or not at all.
TEST(WriteBatch, AKeyCreatedInABatchIsWrittenWithItsValuesOrNotAtAll) {
  TempHive hive;
  hive.Write(kSeed);
  {
    TWriteBatch batch;
    TRegistry reg(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Zelmar", true));
    reg.WriteInteger("FPS", 1);
    EXPECT_EQ(hive.Read(), kSeed);
  }
  EXPECT_EQ(hive.Read(), kSeed);
  {
    TWriteBatch batch;
    TRegistry reg(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Zelmar", true));
    reg.WriteInteger("FPS", 1);
    EXPECT_EQ(batch.Commit(), ERROR_SUCCESS);
  }
  EXPECT_EQ(hive.Read(), std::string(kSeed) +
                             "[HKEY_CURRENT_USER\\Software\\Zelmar]\n\"FPS\"=dword:00000001\n\n");
}
