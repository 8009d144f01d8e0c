// Settings given on the command line. Each replaces the stored value for this run only (the
// store is never written); absent ones leave the stored value as it is.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scene/Ephemeris.h"
#include "shell/settings/SettingsTable.h"

namespace zelmar {

struct TSettingsOptions {
  // The settings' values given, as the store holds them, one a row of the settings table.
  std::array<std::optional<int>, kSettingCount> Stored;
  std::optional<int>& operator[](const TSettingRow& row) { return Stored[IndexOf(row)]; }
  const std::optional<int>& operator[](const TSettingRow& row) const {
    return Stored[IndexOf(row)];
  }
  // By stored name ("Zelmar_Type"); a name of no row throws std::out_of_range.
  std::optional<int>& operator[](std::string_view name) { return (*this)[Setting(name)]; }
  const std::optional<int>& operator[](std::string_view name) const {
    return (*this)[Setting(name)];
  }
  // Not settings: the most frames a second to present, the scene's share of the window's size
  // (0.25 to 1), the X display to draw on, and the day whose sky "today" positions show (at 0h
  // UT; without it, the current instant).
  std::optional<int> MaxFps;
  std::optional<float> RenderScale;
  std::optional<std::string> XDisplay;
  std::optional<TCalendarDate> Date;
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

// The usage text's lines for these options: the table's rows in --help's order, then the
// options that are no settings.
std::string SettingsOptionsUsage();

// An argument as a message quotes it: between single quotes, cut to a readable length (a
// command line may carry anything, up to megabytes), control characters shown as '?'.
std::string QuoteArgument(const std::string& Arg);

}  // namespace zelmar
