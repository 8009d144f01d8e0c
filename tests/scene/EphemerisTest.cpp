// The start angles of today's sky against an independent almanac: heliocentric ecliptic
// longitudes, mean equinox of the date, at 0h UT, from PyEphem 4.1 (libastro's VSOP87 and
// Pluto theory; Debian's python3-ephem), whose planets are good to well under a minute of arc.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "scene/Ephemeris.h"

namespace zelmar {
namespace {

struct TAlmanacDay {
  TCalendarDate Date;
  // Mercury to Pluto, catalogue slots 1 to 9 (3 is Earth), then the Moon's elongation.
  std::array<double, 9> Longitudes;
  double MoonElongation;
};

constexpr TAlmanacDay kAlmanac[] = {
    {{2026, 12, 7}, {207.20, 101.28, 74.88, 117.58, 136.83, 13.47, 63.80, 3.43, 304.88}, 337.45},
    {{1800, 1, 1}, {127.32, 146.16, 100.44, 222.55, 87.54, 125.86, 174.13, 225.13, 332.52}, 68.03},
    {{1950, 6, 15},
     {327.27, 346.27, 263.34, 221.04, 326.02, 169.49, 95.05, 196.40, 137.57},
     352.61},
    {{2000, 1, 1}, {252.41, 181.79, 99.87, 359.13, 36.25, 45.70, 316.41, 303.93, 250.54}, 297.43},
    {{2050, 12, 31}, {182.71, 144.91, 99.48, 46.88, 146.94, 310.36, 172.55, 57.21, 339.98}, 212.96},
};

// The smaller way round between two angles in degrees.
double Apart(double a, double b) {
  const double d = std::fmod(std::fabs(a - b), 360.0);
  return d > 180.0 ? 360.0 - d : d;
}

TEST(Ephemeris, PlanetsAndMoonAgreeWithTheAlmanacWithinADegreeAcrossTheRange) {
  for (const TAlmanacDay& day : kAlmanac) {
    const double jd = JulianDay(day.Date);
    for (int planet = 1; planet <= 9; ++planet) {
      const double got = HeliocentricLongitude(planet, jd);
      EXPECT_GE(got, 0.0);
      EXPECT_LT(got, 360.0);
      // Mercury, fastest and most eccentric, shows a wrong anomaly first; 1800 shows a missing
      // precession (almost 3 degrees) first.
      EXPECT_LT(Apart(got, day.Longitudes[static_cast<std::size_t>(planet - 1)]), 1.0)
          << "planet " << planet << " on " << day.Date.Year << "-" << day.Date.Month << "-"
          << day.Date.Day;
    }
    EXPECT_LT(Apart(MoonElongation(jd), day.MoonElongation), 1.0) << day.Date.Year;
  }
}

TEST(Ephemeris, JulianDaysOfKnownInstants) {
  EXPECT_DOUBLE_EQ(JulianDay({2000, 1, 1}, 12.0), 2451545.0);
  EXPECT_DOUBLE_EQ(JulianDay({1957, 10, 4}), 2436115.5);  // January and February count late
  EXPECT_DOUBLE_EQ(JulianDay({1800, 3, 1}) - JulianDay({1800, 2, 28}), 1.0);  // 1800: no leap
  EXPECT_DOUBLE_EQ(JulianDay({2000, 3, 1}) - JulianDay({2000, 2, 28}), 2.0);  // 2000: leap
}

TEST(Ephemeris, CalendarDatesComeBackFromTheirJulianDays) {
  double hours = -1.0;
  for (const TCalendarDate d :
       {TCalendarDate{1800, 1, 1}, TCalendarDate{1900, 2, 28}, TCalendarDate{1900, 3, 1},
        TCalendarDate{2000, 2, 29}, TCalendarDate{2026, 12, 7}, TCalendarDate{2050, 12, 31}}) {
    const TCalendarDate back = CalendarDate(JulianDay(d, 18.5), hours);
    EXPECT_EQ(back.Year * 10000 + back.Month * 100 + back.Day,
              d.Year * 10000 + d.Month * 100 + d.Day);
    EXPECT_NEAR(hours, 18.5, 1e-6);
  }
  // Midnight belongs to the day it starts.
  const TCalendarDate midnight = CalendarDate(JulianDay({2026, 12, 8}), hours);
  EXPECT_EQ(midnight.Day, 8);
  EXPECT_EQ(hours, 0.0);
}

TEST(Ephemeris, DatesAreReadStrictlyWithinTheElementsRange) {
  const auto d = ParseCalendarDate("2026-12-07");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->Year, 2026);
  EXPECT_EQ(d->Month, 12);
  EXPECT_EQ(d->Day, 7);
  EXPECT_TRUE(ParseCalendarDate("1800-01-01"));
  EXPECT_TRUE(ParseCalendarDate("2050-12-31"));
  EXPECT_TRUE(ParseCalendarDate("2024-02-29"));
  for (const char* bad :
       {"1799-12-31", "2051-01-01", "2023-02-29", "2026-13-01", "2026-04-31", "2026-00-10",
        "2026-1-07", "2026-12-07x", "2026/12/07", "", "+026-12-07", "2026-12- 7"})
    EXPECT_FALSE(ParseCalendarDate(bad)) << bad;
}

}  // namespace
}  // namespace zelmar
