// Ways of starting the program that only one platform has. One implementation per toolkit
// (PlatformModesQt.cpp, PlatformModesWin32.cpp).
#pragma once

#include <string>
#include <vector>

namespace zelmar {

// Runs a way of starting the program that only this platform has (the hack mode of Linux
// screen-saver daemons, the conversion of other packages' planet maps) when Args ask for one:
// true, with the exit code in Code.
bool RunPlatformMode(const std::vector<std::string>& Args, const char* ProgramName, int& Code);

}  // namespace zelmar
