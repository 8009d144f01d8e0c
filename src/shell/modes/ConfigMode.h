// The configuration run mode: the dialog as the program's main window.
#pragma once

#include <string>

namespace zelmar {

// Shows the configuration dialog until it is closed. firstArgument is the upper-cased switch;
// in "/C:HANDLE" the host's window HANDLE (an X window, or on Windows an HWND) becomes the
// dialog's owner when it is one. Returns the exit code: 0 when the dialog was closed, 2 (with a
// message on stderr) without a display.
int RunConfigMode(int& argc, char** argv, const std::string& firstArgument);

}  // namespace zelmar
