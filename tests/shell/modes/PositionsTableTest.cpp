// zelmar --positions-table, run as anyone would run it (without a display), against an almanac;
// and the names it gives the Moon's phases.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "registry/TempHive.h"
#include "shell/modes/PositionsTable.h"
#include "support/ZelmarProcess.h"

namespace {

struct TTableRun {
  int Status = -1;
  std::string Out, Err;
};

TTableRun Table(const std::string& Args) {
  const TempHive Hive;  // nothing of this machine's settings
  const std::string Out = std::filesystem::path(Hive.Path()).parent_path() / "table.txt";
  std::vector<std::string> Argv = Words(Args);
  Argv.insert(Argv.begin(), ZELMAR_EXE);
  ZelmarProcess Process;
  Process.Env("ZELMAR_HIVE", Hive.Path()).Unset("DISPLAY").Unset("WAYLAND_DISPLAY").StdoutTo(Out);
  const Result R = Process.Run(Argv);
  std::ifstream In(Out);
  std::stringstream Text;
  Text << In.rdbuf();
  return {R.status, Text.str(), R.err};
}

// The number after a body's name at the start of a line, by name.
std::map<std::string, double> Longitudes(const std::string& Text) {
  std::map<std::string, double> Found;
  std::istringstream Lines(Text);
  std::string Line;
  std::getline(Lines, Line);  // the header
  while (std::getline(Lines, Line)) {
    std::istringstream Words(Line);
    std::string Name;
    double Degrees = NAN;
    if (Words >> Name >> Degrees) Found[Name] = Degrees;
  }
  return Found;
}

// The smaller way round between two angles in degrees.
double Apart(double A, double B) {
  const double D = std::fmod(std::fabs(A - B), 360.0);
  return D > 180.0 ? 360.0 - D : D;
}

std::string Today(std::chrono::system_clock::time_point When) {
  const std::time_t T = std::chrono::system_clock::to_time_t(When);
  std::tm Utc{};
  gmtime_r(&T, &Utc);
  char Text[16];
  std::strftime(Text, sizeof Text, "%Y-%m-%d", &Utc);
  return Text;
}

}  // namespace

// Heliocentric ecliptic longitudes, mean equinox of the date, at 0h UT on 2026-12-07, from
// PyEphem 4.1 (libastro's VSOP87 and Pluto theory), and the Moon's elongation from the Sun.
TEST(PositionsTable, PrintsEveryBodyOfTheDayWithinADegreeOfTheAlmanac) {
  const TTableRun Run = Table("--positions-table --date 2026-12-07");
  ASSERT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(Run.Err, "");
  EXPECT_EQ(Run.Out.substr(0, Run.Out.find('\n')),
            "Heliocentric ecliptic longitudes (degrees, equinox of the date) at 2026-12-07 00:00 "
            "UT:");
  const std::map<std::string, double> Almanac = {
      {"Mercury", 207.20}, {"Venus", 101.28}, {"Earth", 74.88},  {"Mars", 117.58},
      {"Jupiter", 136.83}, {"Saturn", 13.47}, {"Uranus", 63.80}, {"Neptune", 3.43},
      {"Pluto", 304.88},   {"Moon", 337.45}};
  const std::map<std::string, double> Got = Longitudes(Run.Out);
  EXPECT_EQ(Got.size(), Almanac.size()) << Run.Out;
  for (const auto& [Body, Degrees] : Almanac) {
    ASSERT_TRUE(Got.count(Body)) << Body << " missing from\n" << Run.Out;
    EXPECT_LT(Apart(Got.at(Body), Degrees), 1.0) << Body;
  }
  // Mercury first, Pluto last of the planets, then the Moon with its phase.
  EXPECT_LT(Run.Out.find("\nMercury "), Run.Out.find("\nPluto "));
  EXPECT_NE(Run.Out.find("\nMoon "), std::string::npos);
  EXPECT_NE(Run.Out.find("elongation from the Sun, waning crescent\n"), std::string::npos)
      << Run.Out;
}

TEST(PositionsTable, WithoutADateItIsTheSkyOfNow) {
  const auto Before = std::chrono::system_clock::now();
  const TTableRun Run = Table("--positions-table");
  const auto After = std::chrono::system_clock::now();
  ASSERT_EQ(Run.Status, 0) << Run.Err;
  const std::string Header = Run.Out.substr(0, Run.Out.find('\n'));
  // Either side of a midnight the run may have crossed.
  EXPECT_TRUE(Header.find(" at " + Today(Before) + " ") != std::string::npos ||
              Header.find(" at " + Today(After) + " ") != std::string::npos)
      << Header;
  EXPECT_EQ(Longitudes(Run.Out).size(), 10u) << Run.Out;
}

TEST(PositionsTable, ABadDateOrAnotherOptionExits2NamingIt) {
  for (const char* Bad : {"2051-01-01", "1799-12-31", "2026-02-30", "7.12.2026"}) {
    const TTableRun Run = Table(std::string("--positions-table --date=") + Bad);
    EXPECT_EQ(Run.Status, 2) << Bad;
    EXPECT_NE(Run.Err.find(std::string("'") + Bad + "'"), std::string::npos) << Run.Err;
    EXPECT_NE(Run.Err.find("from 1800-01-01 to 2050-12-31"), std::string::npos) << Run.Err;
    EXPECT_EQ(Run.Out, "") << Bad;
  }
  const TTableRun Missing = Table("--positions-table --date");
  EXPECT_EQ(Missing.Status, 2);
  EXPECT_NE(Missing.Err.find("--date needs a value"), std::string::npos) << Missing.Err;
  const TTableRun Other = Table("--positions-table --scene brass");
  EXPECT_EQ(Other.Status, 2);
  EXPECT_NE(Other.Err.find("'--scene'"), std::string::npos) << Other.Err;
}

TEST(PositionsTable, TheMoonsPhaseIsTheEighthOfTheCircleItsElongationIsIn) {
  const double Elongations[] = {0, 22.4, 22.6, 90, 135, 180, 225, 270, 337.45, 337.6, -90};
  const char* const Names[] = {"new Moon",        "new Moon",  "waxing crescent", "first quarter",
                               "waxing gibbous",  "full Moon", "waning gibbous",  "last quarter",
                               "waning crescent", "new Moon",  "last quarter"};
  for (std::size_t I = 0; I < std::size(Names); ++I)
    EXPECT_STREQ(zelmar::MoonPhaseName(Elongations[I]), Names[I]) << Elongations[I];
}
