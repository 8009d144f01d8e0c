// Windows-1252, the code page of the system's "A" functions: byte to Unicode.
#pragma once

#include <string>
#include <string_view>

// Unicode code point of one Windows-1252 byte; the five bytes the code page leaves undefined
// map to themselves, as Windows' own conversion does.
char32_t Windows1252ToUnicode(unsigned char c);
std::u32string Windows1252ToUnicode(std::string_view text);
