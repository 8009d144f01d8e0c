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
  EXPECT_NE(hive->Serialize().find("; the speed\r\n\"Planet_Speed\""), std::string::npos);
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

namespace {

std::string Bytes(const HiveValue* v) {
  return v ? std::string(v->data.begin(), v->data.end()) : std::string("<missing>");
}

// Built by appending: GCC 12 at -O3 takes "x" + std::to_string(n) for an overlapping copy.
std::string Numbered(const char* prefix, std::size_t n) {
  std::string name = prefix;
  name += std::to_string(n);
  return name;
}

std::string Utf16Le(const std::string& ascii) {
  std::string out;
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

}  // namespace

TEST(Hive, AFileReadAndWrittenBackIsTheSameBytes) {
  const std::string texts[] = {
      // Line feeds, comments with trailing blanks and carriage returns, a string typed as
      // hex(1) without its NUL, a value over several lines, odd spacing kept as written.
      "Windows Registry Editor Version 5.00\n\n"
      "; preamble  \n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar]\n"
      "; ends in two carriage returns\r\r\n"
      "; ends in spaces   \n"
      "  ; indented\t\n"
      "\"NoNul\"=hex(1):41,42\n"
      "\"Wrapped\"=hex:01,02,\\\n"
      "  03,04\n"
      "\"Path\"=\"C:\\dir\"\n"
      "\"Upper\"=DWORD:0000000A\n"
      "@ = \"spaced\"\n"
      "\n\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n"
      "\"A\"=dword:00000001\n",
      // What the registry editor writes: carriage returns and a closing blank line.
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar]\r\n"
      "\"Install_Dir\"=\"C:\\\\Saver\"\r\n"
      "\"Planet_Speed\"=dword:00000005\r\n"
      "\"Multi\"=hex(7):41,00,00,00,00,00\r\n\r\n",
      // The older header, a byte order mark and no final line break.
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar]\n\"FPS\"=dword:00000001\n",
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n[K]\n\"FPS\"=dword:00000001",
      // A first line ending in a stray carriage return does not decide the line ending, and a
      // last line without a line feed keeps its carriage return.
      "Windows Registry Editor Version 5.00\r\r\n[K]\n\"FPS\"=dword:00000001\n; end\r",
  };
  for (const std::string& text : texts) {
    HiveError error;
    auto hive = Parse(text, error);
    ASSERT_TRUE(hive) << error.Text() << "\n" << text;
    EXPECT_EQ(hive->Serialize(), text);
  }
}

TEST(Hive, AChangeRewritesOnlyTheValueItChanges) {
  const std::string before =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar]\r\n"
      "; speed \r\r\n"
      "\"Planet_Speed\"=DWORD:00000005\r\n"
      "\"Move_Speed\"=dword:00000005\r\n\r\n";
  HiveError error;
  auto hive = Parse(before, error);
  ASSERT_TRUE(hive) << error.Text();
  HiveKey& key = hive->CreateKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\ZELMAR");
  Hive::SetValue(key, HiveValue{"planet_speed", kRegDword, {5, 0, 0, 0}});  // the same: kept
  Hive::SetValue(key, HiveValue{"move_speed", kRegDword, {7, 0, 0, 0}});
  Hive::SetValue(key, HiveValue{"FPS", kRegDword, {1, 0, 0, 0}});
  Hive::SetValue(hive->CreateKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\New"),
                 HiveValue{"A", kRegSz, {'x', 0}});
  EXPECT_EQ(hive->Serialize(),
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar]\r\n"
            "; speed \r\r\n"
            "\"Planet_Speed\"=DWORD:00000005\r\n"
            "\"Move_Speed\"=dword:00000007\r\n"
            "\"FPS\"=dword:00000001\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\New]\r\n"
            "\"A\"=\"x\"\r\n\r\n");
}

// A key given twice in different letter case is one key; a value in both takes its later
// line, name and all, so that the file reads back the same and a later write keeps the name.
TEST(Hive, AValueGivenTwiceUnderOneKeyInTwoSpellingsKeepsItsLaterNameThroughWrites) {
  const std::string text =
      "Windows Registry Editor Version 5.00\n\n"
      "[hkey_local_machine\\software\\zelmar]\n\"fps\"=dword:1\n\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar]\n\"FPS\"=dword:2\n";
  HiveError error;
  auto first = Parse(text, error);
  ASSERT_TRUE(first) << error.Text();
  ASSERT_EQ(first->Keys().size(), 1u);
  ASSERT_EQ(first->Keys()[0].values.size(), 1u);
  EXPECT_EQ(first->Keys()[0].values[0].name, "FPS");
  EXPECT_EQ(first->Keys()[0].values[0].data, (std::vector<std::uint8_t>{2, 0, 0, 0}));

  auto second = Parse(first->Serialize(), error);
  ASSERT_TRUE(second) << error.Text();
  EXPECT_EQ(second->Keys()[0].values[0].name, "FPS");

  // A program's write in yet another spelling changes the data and keeps the file's name.
  Hive::SetValue(second->CreateKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar"),
                 HiveValue{"Fps", kRegDword, {3, 0, 0, 0}});
  auto third = Parse(second->Serialize(), error);
  ASSERT_TRUE(third) << error.Text();
  EXPECT_EQ(third->Keys()[0].values[0].name, "FPS");
  EXPECT_EQ(third->Keys()[0].values[0].data, (std::vector<std::uint8_t>{3, 0, 0, 0}));
}

TEST(Hive, StringDataKeepsItsExactBytesThroughTheFile) {
  const std::string cases[] = {
      std::string("abc"),         // no terminating NUL
      std::string("a\0b\0", 4),   // a NUL inside
      std::string(),              // nothing at all
      std::string("\0", 1),       // the empty string
      std::string("x\0\0", 3),    // two NULs
      std::string("plain\0", 6),  // the usual form, written quoted
  };
  HiveError error;
  Hive hive = *Parse("Windows Registry Editor Version 5.00\n", error);
  HiveKey& key = hive.CreateKey("K");
  for (std::size_t i = 0; i < std::size(cases); ++i)
    Hive::SetValue(key, HiveValue{Numbered("S", i), kRegSz,
                                  std::vector<std::uint8_t>(cases[i].begin(), cases[i].end())});
  const std::string text = hive.Serialize();
  EXPECT_NE(text.find("\"S5\"=\"plain\"\n"), std::string::npos) << text;
  auto again = Parse(text, error);
  ASSERT_TRUE(again) << error.Text();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const HiveValue* v = Hive::FindValue(*again->FindKey("K"), Numbered("S", i));
    EXPECT_EQ(Bytes(v), cases[i]) << i << "\n" << text;
    EXPECT_EQ(v ? v->type : 0u, kRegSz);
  }
  EXPECT_EQ(again->Serialize(), text);
}

TEST(Hive, ReadsTheRegistryEditorsUtf16ExportAndItsWideStrings) {
  const std::string body =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar]\r\n"
      "\"Name\"=\"Zelmar \xC3\xA9t\xC3\xA9\"\r\n"
      "\"Speed\"=dword:00000003\r\n";
  // The text itself as UTF-16LE (with and without its byte order mark): non-ASCII too.
  std::string wide = "\xFF\xFE";
  for (unsigned char c : std::string(body)) {
    if (c == 0xC3) continue;
    wide += static_cast<char>(c == 0xA9 ? 0xE9 : c);
    wide += '\0';
  }
  for (const std::string& text : {wide, wide.substr(2)}) {
    HiveError error;
    auto hive = Parse(text, error);
    ASSERT_TRUE(hive) << error.Text();
    const HiveKey* key = hive->FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar");
    ASSERT_TRUE(key);
    EXPECT_EQ(Bytes(Hive::FindValue(*key, "Name")), std::string("Zelmar \xC3\xA9t\xC3\xA9\0", 13));
    EXPECT_EQ(Hive::FindValue(*key, "Speed")->data, (std::vector<std::uint8_t>{3, 0, 0, 0}));
    EXPECT_EQ(hive->Serialize(), body);  // written back as UTF-8
  }

  HiveError error;
  EXPECT_FALSE(Parse(wide + "x", error));  // an odd byte count is not UTF-16
  EXPECT_NE(error.what.find("UTF-16"), std::string::npos) << error.what;
  EXPECT_FALSE(Parse("\xFF\xFE" + Utf16Le("[K]\r\n"), error));
  EXPECT_NE(error.what.find("must start with"), std::string::npos) << error.what;

  // Expandable strings are stored as UTF-16LE in such exports: read as text. Multiple strings,
  // which this program never reads, keep their bytes.
  auto hex = [](const std::string& bytes) {
    std::string out;
    char buf[4];
    for (unsigned char c : bytes) {
      std::snprintf(buf, sizeof buf, "%02x,", c);
      out += buf;
    }
    out.pop_back();
    return out;
  };
  const std::string dir = Utf16Le(std::string("/opt/zelmar\0", 12));
  const std::string multi = Utf16Le(std::string("a\0bc\0\0", 6));
  auto hive =
      Parse("Windows Registry Editor Version 5.00\n[K]\n\"Install_Dir\"=hex(2):" + hex(dir) +
                "\n\"Multi\"=hex(7):" + hex(multi) +
                "\n\"Narrow\"=hex(2):2f,6f,70,74,00\n\"Odd\"=hex(2):61,62,00,00\n",
            error);
  ASSERT_TRUE(hive) << error.Text();
  const HiveKey& key = *hive->FindKey("K");
  EXPECT_EQ(Bytes(Hive::FindValue(key, "Install_Dir")), std::string("/opt/zelmar\0", 12));
  EXPECT_EQ(Hive::FindValue(key, "Install_Dir")->type, 2u);
  EXPECT_EQ(Bytes(Hive::FindValue(key, "Multi")), multi);
  EXPECT_EQ(Bytes(Hive::FindValue(key, "Narrow")), std::string("/opt\0", 5));
  EXPECT_EQ(Bytes(Hive::FindValue(key, "Odd")), std::string("ab\0\0", 4));
  // The older format stored them in the system's narrow code page: left as they are.
  hive = Parse("REGEDIT4\n[K]\n\"D\"=hex(2):" + hex(dir) + "\n", error);
  ASSERT_TRUE(hive) << error.Text();
  EXPECT_EQ(Bytes(Hive::FindValue(*hive->FindKey("K"), "D")), dir);
}

TEST(Hive, FindsEveryKeyAndValueOfALargeHiveWhateverItsCase) {
  std::string text = "Windows Registry Editor Version 5.00\n";
  for (int k = 0; k < 300; ++k) {
    text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Key" + std::to_string(k) + "]\n";
    for (int v = 0; v < 5; ++v) text += "\"Value" + std::to_string(v) + "\"=dword:00000001\n";
    text += "\"value0\"=dword:00000002\n";  // a repeated name replaces the first
  }
  text += "[hkey_local_machine\\software\\key7]\n\"Late\"=dword:00000003\n";  // merges into Key7
  HiveError error;
  auto hive = Parse(text, error);
  ASSERT_TRUE(hive) << error.Text();
  EXPECT_EQ(hive->Keys().size(), 300u);
  for (int k = 0; k < 300; ++k) {
    const HiveKey* key = hive->FindKey("hkey_local_machine\\SOFTWARE\\KEY" + std::to_string(k));
    ASSERT_TRUE(key) << k;
    EXPECT_EQ(key->values.size(), k == 7 ? 6u : 5u);
    EXPECT_EQ(Hive::FindValue(*key, "VALUE0")->data[0], 2);
    EXPECT_EQ(Hive::FindValue(*key, "vAlUe4")->data[0], 1);
    EXPECT_FALSE(Hive::FindValue(*key, "Value5"));
  }
  EXPECT_TRUE(Hive::FindValue(*hive->FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Key7"), "late"));
  EXPECT_FALSE(hive->FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Key300"));
}
