// Runs of the saver's scene that anyone can repeat: in an ordinary window, as one picture at a
// given application time, or as a benchmark against a bare frame drawn straight through the
// render platform. They read the settings as the saver does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "shell/settings/SettingsOptions.h"

namespace zelmar {

struct TSceneRunOptions {
  enum TKind { rkNone, rkWindow, rkSnapshot, rkBench };
  TKind Kind = rkNone;
  int Width = 1280;
  int Height = 720;
  // Settings for this run instead of the stored ones.
  TSettingsOptions Settings;
  std::optional<std::uint32_t> Seed;
  // Application time of a snapshot, or length of a benchmark.
  double Seconds = 20.0;
  std::string File;
  // --look-at-sky: the camera held looking at this place of the sky (ecliptic longitude and
  // latitude in degrees) instead of travelling.
  std::optional<std::pair<double, double>> SkyView;
};

// Whether an argument is one of these runs' options (or a setting's, which go with them).
bool IsSceneOption(const std::string& Arg);
// Reads the options (the program's arguments after its name); empty on success, else what is
// wrong, for one line on stderr.
std::string ParseSceneOptions(const std::vector<std::string>& Args, TSceneRunOptions& Options);
// Parses "WxH" (1 to 8192 each).
bool ParseSize(const std::string& Text, int& Width, int& Height);

// Runs them; the program's exit code.
int RunScene(const TSceneRunOptions& Options, int argc, char** argv);

// Frames before a snapshot's time are stepped at this rate.
constexpr int kSnapshotFramesPerSecond = 60;

}  // namespace zelmar
