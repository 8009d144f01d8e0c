#pragma once

namespace zelmar {

// "zelmar --list-devices": prints what the render platform offers on this display and what of
// it the saver can use. Returns the exit code.
int RunListDevices(int& argc, char** argv);

// True when the toolkit can reach a display (or is told to draw off screen); without one,
// creating the application object would abort the process.
bool HaveDisplay();

}  // namespace zelmar
