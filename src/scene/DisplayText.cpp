#include "scene/DisplayText.h"

#include "platform/text/Windows1252.h"

namespace zelmar {

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::string DisplayText(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size() + 4);
  for (char32_t cp : Windows1252ToUnicode(cp1252)) AppendUtf8(out, cp);
  return out;
}

}  // namespace zelmar
