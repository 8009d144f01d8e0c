// The full-screen saver as the host starts it (/s).
#pragma once

#include "shell/settings/SettingsOptions.h"

namespace zelmar {

// Runs the saver until input ends it. Exit code 0 then; 1 when there is no display or the
// renderer cannot start or fails.
int RunSaver(const TSettingsOptions& Options, int argc, char** argv);

}  // namespace zelmar
