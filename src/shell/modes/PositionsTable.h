// "zelmar --positions-table [--date D]": the angles "--positions today" starts the bodies at,
// printed so that anyone can hold them against an almanac. Needs no display.
#pragma once

#include <string>
#include <vector>

namespace zelmar {

// The Moon's phase as an almanac names it, from its elongation in degrees: "new Moon",
// "waxing crescent", "first quarter", ..., "waning crescent", each the eighth of the circle
// around its own angle.
const char* MoonPhaseName(double elongation);

// A Julian day as "2026-12-07 00:00 UT" (the minute begun).
std::string UniversalTimeText(double julianDay);

// The table: a header naming the instant, then one body a line, Mercury to Pluto and the Moon.
std::string PositionsTable(double julianDay);

// Runs it with the arguments after --positions-table (only --date); the program's exit code.
int RunPositionsTable(const std::vector<std::string>& args);

// Where the positions come from, for --help.
extern const char* const kEphemerisCredits;

}  // namespace zelmar
