#include <gtest/gtest.h>

#include "shell/modes/RunMode.h"

using namespace zelmar;

TEST(RunMode, SwitchTable) {
  struct Case {
    const char* arg;
    TRunMode mode;
  };
  const Case cases[] = {
      {"", rmConfig},       {"/c", rmConfig},    {"/c:5678", rmConfig}, {"-C", rmConfig},
      {"config", rmConfig}, {"/s", rmSaver},     {"-s", rmSaver},       {"S", rmSaver},
      {"/SAVE", rmSaver},   {"Screen", rmSaver}, {"/p", rmPreview},     {"-p", rmPreview},
      {"P", rmPreview},     {"/a", rmNone},      {"/A", rmNone},        {"/x", rmNone},
      {"help", rmNone},     {"--help", rmNone},  {"/", rmNone},         {"x/s", rmNone},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseRunMode(UpperCase(c.arg)), c.mode) << c.arg;
}

TEST(RunMode, TheConfigurationSwitchNamesItsOwnerAfterTheColon) {
  struct Case {
    const char* arg;
    const char* owner;
    unsigned long handle;  // 0: not a handle
  };
  const Case cases[] = {
      {"/c:5678", "5678", 5678},
      {"-c:0x1A2b", "0X1A2B", 0x1A2B},
      {"c:42", "42", 42},
      {"/c", "", 0},
      {"", "", 0},
      {"/c:", "", 0},
      {"/c:12ab", "12AB", 0},
      {"/c:0", "0", 0},
      {"/c:4294967296", "4294967296", 0},
      {"/s:5678", "", 0},
      {"/p:5678", "", 0},
  };
  for (const Case& c : cases) {
    const std::string owner = ConfigOwner(UpperCase(c.arg));
    EXPECT_EQ(owner, c.owner) << c.arg;
    unsigned long handle = 0;
    EXPECT_EQ(ParseWindowHandle(owner, handle), c.handle != 0) << c.arg;
    if (c.handle) {
      EXPECT_EQ(handle, c.handle) << c.arg;
    }
  }
}
