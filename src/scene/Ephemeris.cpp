#include "scene/Ephemeris.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace zelmar {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadians = kPi / 180.0;
constexpr double kJ2000 = 2451545.0;

// Mean orbital elements at J2000 and their rates per Julian century, referred to the ecliptic
// and equinox of J2000, for 1800 to 2050 (Standish, "Keplerian Elements for Approximate
// Positions of the Major Planets", JPL Solar System Dynamics, table 1). Earth's row is the
// Earth-Moon barycentre's, which is within a few thousandths of a degree of Earth itself.
struct TElements {
  double A, Ar;           // semi-major axis, au
  double E, Er;           // eccentricity
  double I, Ir;           // inclination, degrees
  double L, Lr;           // mean longitude, degrees
  double Perihelion, Pr;  // longitude of perihelion, degrees
  double Node, Nr;        // longitude of the ascending node, degrees
};

constexpr std::array<TElements, 9> kPlanets = {{
    {0.38709927, 0.00000037, 0.20563593, 0.00001906, 7.00497902, -0.00594749, 252.25032350,
     149472.67411175, 77.45779628, 0.16047689, 48.33076593, -0.12534081},  // Mercury
    {0.72333566, 0.00000390, 0.00677672, -0.00004107, 3.39467605, -0.00078890, 181.97909950,
     58517.81538729, 131.60246718, 0.00268329, 76.67984255, -0.27769418},  // Venus
    {1.00000261, 0.00000562, 0.01671123, -0.00004392, -0.00001531, -0.01294668, 100.46457166,
     35999.37244981, 102.93768193, 0.32327364, 0.0, 0.0},  // Earth (the Earth-Moon barycentre)
    {1.52371034, 0.00001847, 0.09339410, 0.00007882, 1.84969142, -0.00813131, -4.55343205,
     19140.30268499, -23.94362959, 0.44441088, 49.55953891, -0.29257343},  // Mars
    {5.20288700, -0.00011607, 0.04838624, -0.00013253, 1.30439695, -0.00183714, 34.39644051,
     3034.74612775, 14.72847983, 0.21252668, 100.47390909, 0.20469106},  // Jupiter
    {9.53667594, -0.00125060, 0.05386179, -0.00050991, 2.48599187, 0.00193609, 49.95424423,
     1222.49362201, 92.59887831, -0.41897216, 113.66242448, -0.28867794},  // Saturn
    {19.18916464, -0.00196176, 0.04725744, -0.00004397, 0.77263783, -0.00242939, 313.23810451,
     428.48202785, 170.95427630, 0.40805281, 74.01692503, 0.04240589},  // Uranus
    {30.06992276, 0.00026291, 0.00859048, 0.00005105, 1.77004347, 0.00035372, -55.12002969,
     218.45945325, 44.96476227, -0.32241464, 131.78422574, -0.00508664},  // Neptune
    {39.48211675, -0.00031596, 0.24882730, 0.00005170, 17.14001206, 0.00004818, 238.92903833,
     145.20780515, 224.06891629, -0.04062942, 110.30393684, -0.01183482},  // Pluto
}};

// General precession in longitude: from the equinox of J2000 to the equinox of the date, as an
// almanac gives longitudes.
constexpr double kPrecessionPerCentury = 1.396971;

double Centuries(double julianDay) {
  return (julianDay - kJ2000) / 36525.0;
}

double Normalized(double degrees) {
  double d = std::fmod(degrees, 360.0);
  return d < 0.0 ? d + 360.0 : d;
}

// The eccentric anomaly E of Kepler's equation M = E - e sin E (both in degrees).
double EccentricAnomaly(double meanAnomaly, double e) {
  const double m = Normalized(meanAnomaly + 180.0) - 180.0;
  const double eDegrees = e / kRadians;
  double E = m + eDegrees * std::sin(m * kRadians);
  for (int k = 0; k < 30; ++k) {
    const double dE =
        (m - (E - eDegrees * std::sin(E * kRadians))) / (1.0 - e * std::cos(E * kRadians));
    E += dE;
    if (std::fabs(dE) < 1e-9) break;
  }
  return E;
}

bool IsLeapYear(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

bool Before(const TCalendarDate& a, const TCalendarDate& b) {
  if (a.Year != b.Year) return a.Year < b.Year;
  if (a.Month != b.Month) return a.Month < b.Month;
  return a.Day < b.Day;
}

}  // namespace

std::optional<TCalendarDate> ParseCalendarDate(const std::string& text) {
  TCalendarDate d;
  char rest = 0;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  for (std::size_t k : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u})
    if (text[k] < '0' || text[k] > '9') return std::nullopt;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &d.Year, &d.Month, &d.Day, &rest) != 3)
    return std::nullopt;
  if (d.Month < 1 || d.Month > 12 || d.Day < 1 || d.Day > DaysInMonth(d.Year, d.Month))
    return std::nullopt;
  if (Before(d, kFirstEphemerisDate) || Before(kLastEphemerisDate, d)) return std::nullopt;
  return d;
}

double JulianDay(const TCalendarDate& date, double hoursUT) {
  // Meeus' rule for the Gregorian calendar: January and February count as months 13 and 14.
  int y = date.Year, m = date.Month;
  if (m <= 2) {
    y -= 1;
    m += 12;
  }
  const int a = y / 100;
  const int b = 2 - a + a / 4;
  return std::floor(365.25 * (y + 4716)) + std::floor(30.6001 * (m + 1)) + date.Day + b - 1524.5 +
         hoursUT / 24.0;
}

TCalendarDate CalendarDate(double julianDay, double& hoursUT) {
  // Meeus' inverse of the rule above (chapter 7), for the Gregorian calendar.
  const double z = std::floor(julianDay + 0.5);
  const double alpha = std::floor((z - 1867216.25) / 36524.25);
  const double b = z + 1.0 + alpha - std::floor(alpha / 4.0) + 1524.0;
  const double c = std::floor((b - 122.1) / 365.25);
  const double e = std::floor((b - std::floor(365.25 * c)) / 30.6001);
  TCalendarDate date;
  date.Day = static_cast<int>(b - std::floor(365.25 * c) - std::floor(30.6001 * e));
  date.Month = static_cast<int>(e < 14.0 ? e - 1.0 : e - 13.0);
  date.Year = static_cast<int>(date.Month > 2 ? c - 4716.0 : c - 4715.0);
  hoursUT = (julianDay + 0.5 - z) * 24.0;
  return date;
}

double HeliocentricLongitude(int planet, double julianDay) {
  if (planet < 1 || planet > static_cast<int>(kPlanets.size())) return 0.0;
  const TElements& p = kPlanets[static_cast<std::size_t>(planet - 1)];
  const double t = Centuries(julianDay);
  const double e = p.E + p.Er * t;
  const double inclination = (p.I + p.Ir * t) * kRadians;
  const double node = p.Node + p.Nr * t;
  const double perihelion = p.Perihelion + p.Pr * t;
  const double argument = (perihelion - node) * kRadians;
  const double E = EccentricAnomaly(p.L + p.Lr * t - perihelion, e) * kRadians;
  // In the orbit's own plane (x towards perihelion), then turned onto the ecliptic.
  const double x = std::cos(E) - e;
  const double y = std::sqrt(1.0 - e * e) * std::sin(E);
  const double cw = std::cos(argument), sw = std::sin(argument);
  const double cn = std::cos(node * kRadians), sn = std::sin(node * kRadians);
  const double ci = std::cos(inclination);
  const double ex = (cw * cn - sw * sn * ci) * x + (-sw * cn - cw * sn * ci) * y;
  const double ey = (cw * sn + sw * cn * ci) * x + (-sw * sn + cw * cn * ci) * y;
  return Normalized(std::atan2(ey, ex) / kRadians + kPrecessionPerCentury * t);
}

double MoonElongation(double julianDay) {
  const double t = Centuries(julianDay);
  auto s = [](double degrees) { return std::sin(degrees * kRadians); };
  // Mean elements of the Moon and the Sun (Meeus, "Astronomical Algorithms", chapters 25 and 47).
  const double meanLongitude = 218.3164477 + 481267.88123421 * t;
  const double D = 297.8501921 + 445267.1114034 * t;   // mean elongation
  const double M = 357.5291092 + 35999.0502909 * t;    // the Sun's mean anomaly
  const double Mm = 134.9633964 + 477198.8675055 * t;  // the Moon's mean anomaly
  const double F = 93.2720950 + 483202.0175233 * t;    // argument of latitude
  const double moon =
      meanLongitude + 6.288774 * s(Mm) + 1.274027 * s(2 * D - Mm) + 0.658314 * s(2 * D) +
      0.213618 * s(2 * Mm) - 0.185116 * s(M) - 0.114332 * s(2 * F) + 0.058793 * s(2 * D - 2 * Mm) +
      0.057066 * s(2 * D - M - Mm) + 0.053322 * s(2 * D + Mm) + 0.045758 * s(2 * D - M) -
      0.040923 * s(M - Mm) - 0.034720 * s(D) - 0.030383 * s(M + Mm);
  const double sun = 280.46646 + 36000.76983 * t + (1.914602 - 0.004817 * t) * s(M) +
                     (0.019993 - 0.000101 * t) * s(2 * M) + 0.000289 * s(3 * M);
  return Normalized(moon - sun);
}

}  // namespace zelmar
