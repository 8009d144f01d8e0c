// Settings given on the command line. Each replaces the stored value for this run only (the
// store is never written); absent ones leave the stored value as it is.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace zelmar {

struct TSettingsOptions {
  // Values as the store holds them.
  std::optional<int> ZelmarType;      // --scene: 0 Space, 1 Brass, 2 Random
  std::optional<int> SelectPlanet;    // --order: 0 Sequentially, 1 Randomly
  std::optional<int> PlanetSpeed;     // 1 to 10
  std::optional<int> MoveSpeed;       // 1 to 10
  std::optional<int> ObjectQuality;   // 0 High, 1 Medium, 2 Low
  std::optional<int> TextureQuality;  // 0 High, 1 Medium, 2 Low
  std::optional<bool> PlanetaryData;
  std::optional<bool> Fps;
  std::optional<bool> Corona;
  std::optional<bool> LensFlare;
  std::optional<bool> Glare;
  // Not settings: the most frames a second to present, the scene's share of the window's size
  // (0.25 to 1), and the X display to draw on.
  std::optional<int> MaxFps;
  std::optional<float> RenderScale;
  std::optional<std::string> XDisplay;
};

constexpr int kMaxFpsLimit = 1000;

enum TOptionTake { otNotOurs, otTaken, otRefused };

// Looks at Args[I]: when it is one of these options (with two dashes or one, the value as the
// next argument or after '='), stores it and moves I onto its last argument (otTaken); when its
// value is missing or out of range, says so in Problem, naming the option and the value
// (otRefused); anything else is left alone (otNotOurs) for the caller's own options.
TOptionTake TakeSettingsOption(const std::vector<std::string>& Args, std::size_t& I,
                               TSettingsOptions& Options, std::string& Problem);

// Every argument must be one of these options; empty on success, else the problem for one line
// on stderr (the program then exits 2).
std::string ParseSettingsOptions(const std::vector<std::string>& Args, TSettingsOptions& Options);

// Makes --display the X display of this process (before the toolkit or Xlib opens one); Windows
// has its one desktop. In DrawingProcess*.cpp.
void UseXDisplay(const TSettingsOptions& Options);

// One line per option for the usage text.
extern const char* const kSettingsOptionsUsage;

// An argument as a message quotes it: between single quotes, cut to a readable length (a
// command line may carry anything, up to megabytes), control characters shown as '?'.
std::string QuoteArgument(const std::string& Arg);

}  // namespace zelmar
