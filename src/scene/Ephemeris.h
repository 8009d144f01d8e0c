// Where the planets and the Moon really are on a given day, to start the scene's orbits at
// today's sky. The planets come from the published mean orbital elements and their rates per
// century (good to a fraction of a degree from 1800 to 2050), solved for the true anomaly; the
// Moon from its mean elements and the largest terms of its longitude. The scene keeps its own
// circular, coplanar orbits: only their start angles are taken from here.
#pragma once

#include <optional>
#include <string>

namespace zelmar {

struct TCalendarDate {
  int Year = 2000;
  int Month = 1;
  int Day = 1;
};

// The first and last days the orbital elements are good for.
constexpr TCalendarDate kFirstEphemerisDate{1800, 1, 1};
constexpr TCalendarDate kLastEphemerisDate{2050, 12, 31};

// "YYYY-MM-DD" within the days above; nothing for anything else (a day the month lacks too).
std::optional<TCalendarDate> ParseCalendarDate(const std::string& text);

// The Julian day of a Gregorian date at the given hour of Universal Time.
double JulianDay(const TCalendarDate& date, double hoursUT = 0.0);

// The Gregorian date of a Julian day, and in hoursUT the hours of Universal Time into it.
TCalendarDate CalendarDate(double julianDay, double& hoursUT);

// The heliocentric ecliptic longitude in degrees (0 to 360, mean equinox of the date) of the
// planet in catalogue slot `planet` (1 Mercury, ..., 3 Earth, ..., 9 Pluto) at a Julian day.
double HeliocentricLongitude(int planet, double julianDay);

// The Moon's elongation in degrees (0 to 360): its geocentric ecliptic longitude less the Sun's.
// 0 is a new Moon, 90 the first quarter, 180 a full Moon.
double MoonElongation(double julianDay);

}  // namespace zelmar
