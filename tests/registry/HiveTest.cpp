#include <gtest/gtest.h>

#include "platform/registry/Hive.h"

using namespace zelmar::registry;

namespace {

std::optional<Hive> Parse(const std::string& text, HiveError& error) {
  return Hive::Parse(text, error);
}

}  // namespace

TEST(Hive, KeepsEveryKeyValueTypeAndCommentThroughARoundTrip) {
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "; written by hand\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n"
      "@=\"default\"\r\n"
      "\"Blob\"=hex:01,02,ff\r\n"
      "\"Multi\"=hex(7):41,00,\\\r\n"
      "  00,00\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar]\r\n"
      "\"Install_Dir\"=\"C:\\\\Saver \\\"x\\\"\"\r\n"
      "; the speed\r\n"
      "\"Planet_Speed\"=dword:0000000a\r\n";
  HiveError error;
  auto hive = Parse(text, error);
  ASSERT_TRUE(hive) << error.Text();

  const HiveKey* zelmar = hive->FindKey("hkey_local_machine\\software\\zelmar");
  ASSERT_TRUE(zelmar);
  const HiveValue* dir = Hive::FindValue(*zelmar, "INSTALL_DIR");
  ASSERT_TRUE(dir);
  EXPECT_EQ(dir->type, kRegSz);
  EXPECT_EQ(std::string(dir->data.begin(), dir->data.end()), std::string("C:\\Saver \"x\"\0", 13));
  const HiveValue* speed = Hive::FindValue(*zelmar, "Planet_Speed");
  ASSERT_TRUE(speed);
  EXPECT_EQ(speed->type, kRegDword);
  EXPECT_EQ(speed->data, (std::vector<std::uint8_t>{10, 0, 0, 0}));
  const HiveKey* other = hive->FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Other");
  ASSERT_TRUE(other);
  EXPECT_EQ(Hive::FindValue(*other, "Multi")->type, 7u);
  EXPECT_EQ(Hive::FindValue(*other, "Multi")->data, (std::vector<std::uint8_t>{0x41, 0, 0, 0}));

  auto again = Parse(hive->Serialize(), error);
  ASSERT_TRUE(again) << error.Text();
  EXPECT_EQ(again->Serialize(), hive->Serialize());
  EXPECT_NE(hive->Serialize().find("; the speed\n\"Planet_Speed\""), std::string::npos);
  EXPECT_NE(hive->Serialize().find("; written by hand"), std::string::npos);
}

TEST(Hive, ReportsTheLineOfEachKindOfMistake) {
  struct Case {
    const char* text;
    int line;
  };
  const Case cases[] = {
      {"REGEDIT5\n", 1},
      {"Windows Registry Editor Version 5.00\n\n\"A\"=dword:1\n", 3},  // value before any key
      {"Windows Registry Editor Version 5.00\n[K]\n\"A\"=dword:123456789\n", 3},
      {"Windows Registry Editor Version 5.00\n[K]\n\"A\"=dword:xyz\n", 3},
      {"Windows Registry Editor Version 5.00\n[K]\n\"A\"=\"open\n", 3},
      {"Windows Registry Editor Version 5.00\n[K]\n\"A\" dword:1\n", 3},
      {"Windows Registry Editor Version 5.00\n[K\n", 2},
      {"Windows Registry Editor Version 5.00\n[-K]\n", 2},
      {"Windows Registry Editor Version 5.00\n[K]\n\"A\"=-\n", 3},
      {"Windows Registry Editor Version 5.00\n[K]\n\"A\"=hex:1,zz\n", 3},
      {"Windows Registry Editor Version 5.00\n[K]\ngarbage\n", 3},
      {"", 1},
  };
  for (const Case& c : cases) {
    HiveError error;
    EXPECT_FALSE(Parse(c.text, error)) << c.text;
    EXPECT_EQ(error.line, c.line) << c.text << " -> " << error.what;
    EXPECT_FALSE(error.what.empty());
  }
}
