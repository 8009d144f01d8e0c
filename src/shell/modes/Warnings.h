// What the program says on stderr about how a run goes (settings it cannot use, media it
// cannot find, the display it lost) goes through here: one line per cause, "zelmar: " before
// it. A screen-saver daemon logs our stderr; there a run says at most one line.
#pragma once

#include <string>

namespace zelmar {

// Says Text on one line (line breaks become spaces) unless a line of the same Cause (Text
// itself when Cause is empty) was said in this run, or any line was once SetOneWarningPerRun
// asked for one line a run. True when it was said.
bool Warn(const std::string& Text, const std::string& Cause = {});
void SetOneWarningPerRun(bool One);
// Whether a run says one line at most: a helper process this one starts should then say nothing.
bool OneWarningPerRun();
// The same for a last line before the process ends, from anywhere (a signal handler too): it
// takes no lock and allocates nothing.
void WarnLast(const char* Text);

// Textures the scene could not use are gathered from here on, one line per cause ("28
// textures missing under /usr/share/zelmar/textures/Medium (a.jpg, b.tga, c.jpg, ...); drawing
// without them"; a single file is named with its path), said by SayMediaProblems once the
// renderer has started (it loads them all then); a cause first met later is said at once.
void HoldMediaProblems();
void SayMediaProblems();

}  // namespace zelmar
