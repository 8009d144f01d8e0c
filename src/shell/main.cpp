// Zelmar's entry: the screen-saver switches the host passes (/s, /c, /p HANDLE, /a), and a few
// options of our own for installing, testing and pictures.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/FindMediaFile.h"
#include "shell/modes/ConfigMode.h"
#include "shell/modes/Console.h"
#include "shell/modes/ListDevices.h"
#include "shell/modes/PlatformModes.h"
#include "shell/modes/PositionsTable.h"
#include "shell/modes/RunMode.h"
#include "shell/modes/SaverRun.h"
#include "shell/modes/SceneRuns.h"
#include "shell/preview/Preview.h"
#include "shell/realmaps/InstalledMaps.h"
#include "shell/settings/Settings.h"
#include "shell/settings/SettingsOptions.h"

namespace {

constexpr const char* kUsage =
    "Usage: zelmar [SWITCH] [SETTINGS...]\n"
    "  /s [SETTINGS...]  run the screen saver full screen\n"
    "  /c[:HANDLE]   show the configuration dialog (also with no switch), owned by the X\n"
    "                window HANDLE when given\n"
    "  /p HANDLE     draw the preview into the X window HANDLE (decimal or 0x hexadecimal)\n"
    "  /a            do nothing (password change is not supported)\n"
    "  --root        draw into the window in $XSCREENSAVER_WINDOW, else the root window, as\n"
    "                XScreenSaver runs its savers (also -root); ends on SIGTERM, never on input\n"
    "  --window-id ID    the same, into the X window ID (decimal or 0x hexadecimal)\n"
    "Options:\n"
    "  --list-devices            list the display adapters, modes and devices Zelmar can use\n"
    "  --preview-window [WxH]    open a window of our own and preview into it (default 152x112)\n"
    "  --record-install DIR      record DIR as Install_Dir and default settings in the hive\n"
    "  --positions-table [--date YYYY-MM-DD]\n"
    "                            print the bodies' longitudes that --positions today starts\n"
    "                            them at (that day at 0h UT, else now), and exit\n"
    "  --help                    show this text\n"
    "Runs of the saver's scene (they read the settings as the saver does):\n"
    "  --window                  show the scene in an ordinary window that input does not end\n"
    "  --snapshot SECONDS FILE.png\n"
    "                            draw the frame at that application time into FILE.png and\n"
    "                            exit (the camera's 10 ms ticks and the frames before it are\n"
    "                            stepped as the timer would run them, frames at 60 a second)\n"
    "  --bench [SECONDS]         draw uncapped for SECONDS (default 20) and print frames per\n"
    "                            second, CPU ms per frame and peak memory, then the same for a\n"
    "                            bare frame (one textured full-window quad and one sphere of\n"
    "                            the scene's triangle count) and the ratio of the two rates\n"
    "  with  --size WxH          size of the window, picture or benchmark (default 1280x720)\n"
    "        --seed N            repeat every random draw (N from 0 to 4294967295)\n"
    "        --look-at-sky LON,LAT\n"
    "                            hold the camera looking at that place of the sky (ecliptic\n"
    "                            longitude and latitude in degrees), the ecliptic's north up\n"
    "        SETTINGS            any of the settings below\n"
    "Settings (/s and the scene's runs; each replaces the stored value for this run only):\n";

}  // namespace

int main(int argc, char** argv) {
  zelmar::ConnectConsole();
  // The media search resolves relative texture folders against the program's own folder.
  if (const std::string exe = zelmar::ProgramPath(); !exe.empty())
    SetApplicationDir(std::filesystem::path(exe).parent_path().string() + "/");

  const std::string raw1 = argc > 1 ? argv[1] : "";
  const std::string raw2 = argc > 2 ? argv[2] : "";

  if (raw1 == "--help") {
    std::fputs(kUsage, stdout);
    std::fputs(zelmar::SettingsOptionsUsage().c_str(), stdout);
    std::fputs(zelmar::PlatformEnvironmentHelp().c_str(), stdout);
    std::fputs(zelmar::InstalledMapCredits().c_str(), stdout);
    std::fputs(zelmar::kEphemerisCredits, stdout);
    return 0;
  }
  if (raw1 == "--positions-table") return zelmar::RunPositionsTable({argv + 2, argv + argc});
  if (int code = 0; zelmar::RunPlatformMode({argv + 1, argv + argc}, argv[0], code)) return code;
  if (raw1 == "--list-devices") return zelmar::RunListDevices(argc, argv);
  if (raw1 == "--preview-window") {
    int w = 152, h = 112;
    if (!raw2.empty() && !zelmar::ParseSize(raw2, w, h)) {
      std::fprintf(stderr, "zelmar: --preview-window takes a size such as 152x112, not %s\n",
                   zelmar::QuoteArgument(raw2).c_str());
      return 2;
    }
    return zelmar::RunPreviewInOwnWindow(w, h);
  }
  if (raw1 == "--record-install") {
    if (raw2.empty()) {
      std::fprintf(stderr, "zelmar: --record-install needs the installation folder\n");
      return 2;
    }
    std::string error = zelmar::RecordInstallation(raw2);
    if (!error.empty()) {
      std::fprintf(stderr, "zelmar: could not record the installation: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  // The scene's runs take their options in any order.
  if (std::any_of(argv + 1, argv + argc,
                  [](const char* a) {
                    const std::string s = a;
                    return s == "--window" || s == "--snapshot" || s == "--bench";
                  }) ||
      zelmar::IsSceneOption(raw1)) {
    zelmar::TSceneRunOptions options;
    const std::string problem =
        zelmar::ParseSceneOptions(std::vector<std::string>(argv + 1, argv + argc), options);
    if (!problem.empty()) {
      std::fprintf(stderr, "zelmar: %s (see --help)\n", problem.c_str());
      return 2;
    }
    return zelmar::RunScene(options, argc, argv);
  }
  if (raw1.rfind("--", 0) == 0) {
    // One line, as after any other option: the usage is --help's.
    std::fprintf(stderr, "zelmar: unknown option %s (see --help)\n",
                 zelmar::QuoteArgument(raw1).c_str());
    return 2;
  }

  const std::string first = zelmar::UpperCase(raw1);
  switch (zelmar::ParseRunMode(first)) {
    case zelmar::rmNone:
      return 0;
    case zelmar::rmPreview:
      return zelmar::RunPreview(raw2);
    case zelmar::rmConfig:
      return zelmar::RunConfigMode(argc, argv, first);
    case zelmar::rmSaver: {
      // The host passes the switch alone; settings for one run may follow it.
      zelmar::TSettingsOptions options;
      const std::string problem = zelmar::ParseSettingsOptions(
          std::vector<std::string>(argv + std::min(argc, 2), argv + argc), options);
      if (!problem.empty()) {
        std::fprintf(stderr, "zelmar: %s (see --help)\n", problem.c_str());
        return 2;
      }
      return zelmar::RunSaver(options, argc, argv);
    }
  }
  return 0;
}
