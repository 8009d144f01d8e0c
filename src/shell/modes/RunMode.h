// How the host starts a screen saver: the first argument picks the run mode.
#pragma once

#include <cstdint>
#include <string>

namespace zelmar {

enum TRunMode : std::uint8_t { rmNone = 0, rmPreview = 1, rmConfig = 2, rmSaver = 3 };

// The run mode of the first argument, already upper-cased.
TRunMode ParseRunMode(const std::string& firstArgument);

std::string UpperCase(std::string s);

// The host window's handle that "/c:HANDLE" gives the configuration dialog as its owner: the
// text after the colon, or empty when there is none (or the argument selects another mode).
std::string ConfigOwner(const std::string& firstArgument);

// A window handle written in decimal, or in hexadecimal with 0x as X tools print it; false for
// anything else, for 0 and for values beyond 32 bits.
bool ParseWindowHandle(const std::string& text, unsigned long& out);

}  // namespace zelmar
