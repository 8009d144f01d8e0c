#include "platform/text/Windows1252.h"

namespace {
// 0x80..0x9F differ from Latin-1; everything else is the same code point.
constexpr char32_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
}  // namespace

char32_t Windows1252ToUnicode(unsigned char c) {
  if (c >= 0x80 && c <= 0x9F) return kHigh[c - 0x80];
  return c;
}

std::u32string Windows1252ToUnicode(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (char c : text) out.push_back(Windows1252ToUnicode(static_cast<unsigned char>(c)));
  return out;
}
