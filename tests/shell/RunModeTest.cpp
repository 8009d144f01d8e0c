#include <gtest/gtest.h>

#include "shell/RunMode.h"

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
