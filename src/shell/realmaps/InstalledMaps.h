// Other packages' planet maps as the rest of the shell sees them: used by the media search, and
// credited in --help. Implemented over the conversion and its cache where packages bring maps
// (InstalledMaps.cpp), and as nothing on Windows (win32/InstalledMapsWin32.cpp).
#pragma once

#include <string>

namespace zelmar {

// Makes the media search take the maps other installed packages bring, where there are any;
// true when the sky is the real one painted from an installed catalogue (with the
// constellation figures where asked and installed).
bool UseInstalledMaps(bool constellations);
// Lines for --help on the planet maps of other packages in use.
std::string InstalledMapCredits();

}  // namespace zelmar
