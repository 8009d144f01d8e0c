#include "shell/modes/PositionsTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "scene/Catalogue.h"
#include "scene/Ephemeris.h"
#include "shell/settings/Settings.h"
#include "shell/settings/SettingsOptions.h"

namespace zelmar {

const char* const kEphemerisCredits =
    "Planet positions: the mean orbital elements of E. M. Standish, \"Keplerian Elements for\n"
    "Approximate Positions of the Major Planets\" (JPL Solar System Dynamics); the Moon's from\n"
    "J. Meeus, \"Astronomical Algorithms\".\n";

const char* MoonPhaseName(double elongation) {
  static constexpr const char* kPhases[] = {"new Moon",       "waxing crescent", "first quarter",
                                            "waxing gibbous", "full Moon",       "waning gibbous",
                                            "last quarter",   "waning crescent"};
  double e = std::fmod(elongation + 22.5, 360.0);
  if (e < 0.0) e += 360.0;
  return kPhases[static_cast<int>(e / 45.0) % 8];
}

std::string UniversalTimeText(double julianDay) {
  double hours = 0.0;
  const TCalendarDate date = CalendarDate(julianDay, hours);
  // A hair over the hours, so that a whole minute is not shown as the one before it.
  const int minutes = std::min(static_cast<int>(hours * 60.0 + 1e-6), 24 * 60 - 1);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d UT", date.Year, date.Month, date.Day,
                minutes / 60, minutes % 60);
  return text;
}

std::string PositionsTable(double julianDay) {
  std::string table = "Heliocentric ecliptic longitudes (degrees, equinox of the date) at " +
                      UniversalTimeText(julianDay) + ":\n";
  char line[96];
  for (int slot = 1; slot < kBodyCount; ++slot) {
    std::snprintf(line, sizeof line, "%-9s %7.2f\n",
                  kPlanetRows[static_cast<std::size_t>(slot)].Title,
                  HeliocentricLongitude(slot, julianDay));
    table += line;
  }
  const double elongation = MoonElongation(julianDay);
  std::snprintf(line, sizeof line, "%-9s %7.2f  elongation from the Sun, %s\n", "Moon", elongation,
                MoonPhaseName(elongation));
  return table + line;
}

int RunPositionsTable(const std::vector<std::string>& args) {
  TSettingsOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    // Each argument on its own, to tell --date from the settings' other options.
    TSettingsOptions one;
    std::string problem;
    const std::string arg = args[i];  // a valued option moves i onto its value
    const TOptionTake take = TakeSettingsOption(args, i, one, problem);
    if (take == otTaken && one.Date) {
      options.Date = one.Date;
      continue;
    }
    if (take != otRefused)
      problem = "--positions-table takes only --date, not " + QuoteArgument(arg);
    std::fprintf(stderr, "zelmar: %s (see --help)\n", problem.c_str());
    return 2;
  }
  std::fputs(PositionsTable(SkyJulianDay(options)).c_str(), stdout);
  return 0;
}

}  // namespace zelmar
