// The registry helpers over the real Windows registry (run under Wine here), in a scratch key of
// the current user that each test removes again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "platform/registry/TRegistry.h"

namespace zelmar::registry {
namespace {

class RegistryWin32 : public ::testing::Test {
 protected:
  const std::string key = "Software\\ZelmarTest" + std::to_string(GetCurrentProcessId());

  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str()); }

  static std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
  }
};

TEST_F(RegistryWin32, KeyWithLeadingBackslashIsTheKeyBelowTheRoot) {
  // The system refuses the backslash itself; TRegistry must not pass it on.
  HKEY raw = nullptr;
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, ("\\" + key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &raw, nullptr),
            ERROR_BAD_PATHNAME);

  {
    TRegistry reg(HKEY_CURRENT_USER, KEY_ALL_ACCESS);
    ASSERT_TRUE(reg.OpenKey("\\" + key, true)) << RegLastProblem();
    reg.WriteInteger("Texture_Quality", -1);
    reg.WriteBool("Glare", true);
    reg.WriteString("Install_Dir", "C:\\Program Files\\Zelmar");
  }
  DWORD value = 0, size = sizeof value;
  ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, key.c_str(), "Glare", RRF_RT_REG_DWORD, nullptr, &value,
                         &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 1u);

  TRegistry reg(HKEY_CURRENT_USER, KEY_READ);
  ASSERT_TRUE(reg.OpenKey(key, false));
  EXPECT_EQ(reg.ReadInteger("Texture_Quality"), -1);
  EXPECT_TRUE(reg.ReadBool("Glare"));
  EXPECT_EQ(reg.ReadString("Install_Dir"), "C:\\Program Files\\Zelmar");
}

TEST_F(RegistryWin32, FailuresNameTheCodeTheCallReturned) {
  TRegistry reg(HKEY_CURRENT_USER, KEY_READ);
  EXPECT_FALSE(reg.OpenKey(key + "\\Missing", false));
  EXPECT_NE(RegLastProblem().find("error 2"), std::string::npos) << RegLastProblem();
  EXPECT_EQ(Lower(RegLastProblem()).find("success"), std::string::npos) << RegLastProblem();

  {
    TRegistry writer(HKEY_CURRENT_USER, KEY_ALL_ACCESS);
    ASSERT_TRUE(writer.OpenKey(key, true));
    writer.WriteString("FPS", "yes");
  }
  ASSERT_TRUE(reg.OpenKey(key, false));
  try {
    reg.ReadInteger("Corona");
    FAIL() << "a missing value was read";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Failed to get data for 'Corona'");
    EXPECT_NE(RegLastProblem().find("error 2"), std::string::npos) << RegLastProblem();
  }
  try {
    reg.ReadInteger("FPS");
    FAIL() << "a string was read as an integer";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'FPS'");
  }
  // The key was opened for reading only: the system refuses the write with "access denied".
  try {
    reg.WriteInteger("FPS", 1);
    FAIL() << "a read-only key took a write";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'FPS'");
    EXPECT_NE(RegLastProblem().find("error 5"), std::string::npos) << RegLastProblem();
  }
}

}  // namespace
}  // namespace zelmar::registry
