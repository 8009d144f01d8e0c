// The console of the platform the program runs on: where its output goes and what --help says
// of the platform. One implementation per toolkit (ConsoleQt.cpp, ConsoleWin32.cpp), which also
// gives ProgramPath (settings/Settings.h).
#pragma once

#include <string>

namespace zelmar {

// Lets a program of the windowed kind (Windows' GUI subsystem) write to the console it was
// started from, so that messages and figures reach the user there.
void ConnectConsole();
// Lines for --help on what the program reads from its platform (environment, settings).
std::string PlatformEnvironmentHelp();

}  // namespace zelmar
