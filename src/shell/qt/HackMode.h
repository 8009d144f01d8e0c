// The way Linux screen-saver daemons run a saver: "zelmar --root" with the window to draw in
// named by $XSCREENSAVER_WINDOW, or "zelmar --window-id ID". The daemon owns the screen and the
// input and ends us with a signal; we draw into its window and do nothing else.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zelmar {

struct THackOptions {
  bool Root = false;
  std::optional<unsigned long> WindowId;
  // Everything else, for the settings options (--fps among them).
  std::vector<std::string> Rest;
};

// Whether the arguments ask for this mode: --root or --window-id (one dash or two) among them.
bool IsHackMode(const std::vector<std::string>& Args);

// Picks out this mode's own options (--root, --window-id ID, and --visual X, --mono and
// --install, which the daemon may pass and which change nothing here), with one dash or two.
// Empty on success, else the problem for one line on stderr.
std::string ParseHackOptions(const std::vector<std::string>& Args, THackOptions& Options);

// The window to draw in: --window-id, else $XSCREENSAVER_WINDOW (given as XScreenSaverWindow,
// null when unset), else 0 for the root window. Problem says what is wrong with a variable
// that names no window.
unsigned long HackWindow(const THackOptions& Options, const char* XScreenSaverWindow,
                         std::string& Problem);

// Runs until a signal (SIGTERM, SIGINT, SIGHUP: exit 0), the window's end (0) or the loss of
// the X server. Args are the program's arguments after its name.
int RunHackMode(const std::vector<std::string>& Args, const char* ProgramName);

}  // namespace zelmar
