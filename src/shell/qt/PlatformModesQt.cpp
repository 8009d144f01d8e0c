// The ways of starting the program that Linux alone has: the hack mode of X screen-saver
// daemons, and the conversion of other packages' planet maps into a cache folder.
#include <QCoreApplication>
#include <cstdio>

#include "shell/modes/PlatformModes.h"
#include "shell/qt/HackMode.h"
#include "shell/realmaps/RealMaps.h"

namespace zelmar {

namespace {

int BuildMapCache(const std::vector<std::string>& Args, const char* ProgramName) {
  if (Args.size() != 2 || Args[1].empty()) {
    std::fprintf(stderr, "zelmar: --build-map-cache needs the cache folder, and only that\n");
    return 2;
  }
  // The image decoders are plugins, found through the application object; no display.
  static int Argc = 1;
  static char* Argv[] = {const_cast<char*>(ProgramName), nullptr};
  QCoreApplication App(Argc, Argv);
  const std::string Error = BuildRealMapCache(RealMapRoot(), Args[1]);
  if (!Error.empty()) {
    std::fprintf(stderr, "zelmar: could not build the planet map cache: %s\n", Error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

bool RunPlatformMode(const std::vector<std::string>& Args, const char* ProgramName, int& Code) {
  if (!Args.empty() && Args[0] == "--build-map-cache") {
    Code = BuildMapCache(Args, ProgramName);
    return true;
  }
  if (!IsHackMode(Args)) return false;
  Code = RunHackMode(Args, ProgramName);
  return true;
}

}  // namespace zelmar
