// How the host starts a screen saver: the first argument picks the run mode.
#pragma once

#include <cstdint>
#include <string>

namespace zelmar {

enum TRunMode : std::uint8_t { rmNone = 0, rmPreview = 1, rmConfig = 2, rmSaver = 3 };

// The run mode of the first argument, already upper-cased.
TRunMode ParseRunMode(const std::string& firstArgument);

std::string UpperCase(std::string s);

}  // namespace zelmar
