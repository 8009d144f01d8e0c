// The settings record the saver reads from the store at every start.
#pragma once

#include <string>

#include "scene/TSettings.h"
#include "shell/settings/SettingsOptions.h"

namespace zelmar {

// Reads the store (the user's settings over the machine's, see TSettingsStore) into settings
// and sets pathTextures (the resource pool's texture folder, left as it is for a texture
// quality out of range). Values no file holds, and those after a mistyped value (where the
// reading stops), take their installed defaults, and "Install_Dir" the installed data folder.
// Returns what went wrong, for one line on stderr, or an empty string when nothing did. The
// options given replace the stored values for this run (after the read, so a store that cannot
// be read is still reported).
std::string GetSettings(TSettings& settings, std::string& pathTextures,
                        const TSettingsOptions& options = {});

// The Julian day that "today" positions show: the options' date at 0h UT, else the current
// instant (the system's clock, in UTC). The scene reads no clock for it: GetSettings puts it
// in the record.
double SkyJulianDay(const TSettingsOptions& options);

// A camera speed the dialog cannot give ("Move_Speed" outside 1 to 10, from a hand-edited
// store) would stall the camera at 0, divide by it, or fling it past every body; the saver then
// takes the dialog's default. Returns what was replaced, empty when the speed is in range.
std::string KeepMoveSpeedInRange(TSettings& settings);

// The running program's file (empty when the system does not say).
std::string ProgramPath();

// The data folder of this program: the build tree's media when run from the build tree,
// otherwise the folder it was installed with.
std::string DefaultInstallDir();

// Records the installation folder, and the default of every value the store does not have yet
// (a reinstall keeps the user's choices), in the machine's settings. Returns an error text,
// empty on success.
std::string RecordInstallation(const std::string& installDir);

}  // namespace zelmar
