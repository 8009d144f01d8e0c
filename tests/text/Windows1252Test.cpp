#include <gtest/gtest.h>

#include "platform/text/Windows1252.h"

// The bytes where Windows-1252 and Latin-1 part ways, and the edges of that range.
TEST(Windows1252, MapsTheHighControlRangeToTheCodePageCharacters) {
  EXPECT_EQ(Windows1252ToUnicode(0x7F), U'\x7F');
  EXPECT_EQ(Windows1252ToUnicode(0x80), U'\u20AC');  // euro sign
  EXPECT_EQ(Windows1252ToUnicode(0x92), U'\u2019');  // right single quote
  EXPECT_EQ(Windows1252ToUnicode(0x9F), U'\u0178');  // Y with diaeresis
  EXPECT_EQ(Windows1252ToUnicode(0xA0), U'\xA0');
  EXPECT_EQ(Windows1252ToUnicode(0xFF), U'\xFF');
}

TEST(Windows1252, LeavesTheUndefinedBytesAsThemselves) {
  for (unsigned char c : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
    EXPECT_EQ(Windows1252ToUnicode(c), static_cast<char32_t>(c));
}

TEST(Windows1252, ConvertsStringsBytewiseWithoutSignExtension) {
  EXPECT_EQ(Windows1252ToUnicode(std::string_view("\x80 5\xB0", 4)), U"\u20AC 5\xB0");
  EXPECT_EQ(Windows1252ToUnicode(std::string_view()), U"");
}
