// Windows has no ways of starting the program beyond the shared ones.
#include "shell/modes/PlatformModes.h"

namespace zelmar {

bool RunPlatformMode(const std::vector<std::string>&, const char*, int&) {
  return false;
}

}  // namespace zelmar
