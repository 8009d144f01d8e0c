// The settings' options: every one is taken in each of its spellings, and a value out of range
// is refused with the option and the value named.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/settings/SettingsOptions.h"

using namespace zelmar;

namespace {

std::string Parse(const std::vector<std::string>& Args, TSettingsOptions& O) {
  O = TSettingsOptions();
  return ParseSettingsOptions(Args, O);
}

}  // namespace

TEST(SettingsOptions, EveryOptionIsTakenAsTheStoreWouldHoldIt) {
  TSettingsOptions O;
  ASSERT_EQ(Parse({"--scene",
                   "brass",
                   "--order",
                   "random",
                   "--planet-speed",
                   "10",
                   "--move-speed",
                   "1",
                   "--object-quality",
                   "low",
                   "--texture-quality",
                   "very-high",
                   "--no-planet-data",
                   "--fps",
                   "--no-corona",
                   "--lens-flare",
                   "--no-glare",
                   "--max-fps",
                   "24",
                   "--render-scale",
                   "0.5",
                   "--display",
                   ":7"},
                  O),
            "");
  EXPECT_EQ(O.ZelmarType, 1);
  EXPECT_EQ(O.SelectPlanet, 1);
  EXPECT_EQ(O.PlanetSpeed, 10);
  EXPECT_EQ(O.MoveSpeed, 1);
  EXPECT_EQ(O.ObjectQuality, 2);   // Low
  EXPECT_EQ(O.TextureQuality, 0);  // High
  EXPECT_EQ(O.PlanetaryData, false);
  EXPECT_EQ(O.Fps, true);
  EXPECT_EQ(O.Corona, false);
  EXPECT_EQ(O.LensFlare, true);
  EXPECT_EQ(O.Glare, false);
  EXPECT_EQ(O.MaxFps, 24);
  EXPECT_EQ(O.RenderScale, 0.5f);
  EXPECT_EQ(O.XDisplay, ":7");

  // Nothing given keeps every stored value.
  ASSERT_EQ(Parse({}, O), "");
  EXPECT_FALSE(O.ZelmarType || O.SelectPlanet || O.PlanetSpeed || O.MoveSpeed || O.ObjectQuality ||
               O.TextureQuality || O.PlanetaryData || O.Fps || O.Corona || O.LensFlare || O.Glare ||
               O.MaxFps || O.RenderScale || O.XDisplay);

  // One dash, a value after '=', any case of a word; the last of a repeated option wins.
  ASSERT_EQ(Parse({"-scene", "Random", "-no-fps", "--order=sequential", "-planet-speed=3",
                   "--object-quality", "MEDIUM", "--corona", "--no-corona", "-glare"},
                  O),
            "");
  EXPECT_EQ(O.ZelmarType, 2);
  EXPECT_EQ(O.Fps, false);
  EXPECT_EQ(O.SelectPlanet, 0);
  EXPECT_EQ(O.PlanetSpeed, 3);
  EXPECT_EQ(O.ObjectQuality, 1);
  EXPECT_EQ(O.Corona, false);
  EXPECT_EQ(O.Glare, true);

  // The scale's ends are taken, in either spelling.
  ASSERT_EQ(Parse({"--render-scale=0.25"}, O), "");
  EXPECT_EQ(O.RenderScale, 0.25f);
  ASSERT_EQ(Parse({"-render-scale", "1"}, O), "");
  EXPECT_EQ(O.RenderScale, 1.0f);
}

TEST(SettingsOptions, OutOfRangeIsRefusedNamingTheOptionAndTheValue) {
  TSettingsOptions O;
  const std::vector<std::vector<std::string>> Bad = {
      {"--scene", "moon"},           {"--order", "backwards"},     {"--planet-speed", "0"},
      {"--planet-speed", "11"},      {"--move-speed", "-1"},       {"--move-speed", "5.5"},
      {"--object-quality", "ultra"}, {"--texture-quality", ""},    {"--max-fps", "0"},
      {"--max-fps", "1001"},         {"--max-fps", "99999999999"}, {"--display", ""},
      {"--render-scale", "0.2"},     {"--render-scale", "1.5"},    {"--render-scale", "0,5"},
      {"--render-scale", "-1"},      {"--render-scale", "half"},   {"--render-scale", "nan"},
  };
  for (const auto& Args : Bad) {
    const std::string Problem = Parse(Args, O);
    EXPECT_NE(Problem.find(Args[0]), std::string::npos) << Args[0] << " " << Args[1];
    EXPECT_NE(Problem.find("'" + Args[1] + "'"), std::string::npos) << Problem;
  }
  // A missing value, a value given to a switch, and what is no option of ours.
  EXPECT_NE(Parse({"--planet-speed"}, O).find("--planet-speed"), std::string::npos);
  EXPECT_NE(Parse({"--corona=yes"}, O).find("'yes'"), std::string::npos);
  EXPECT_NE(Parse({"--colour", "red"}, O).find("'--colour'"), std::string::npos);
  EXPECT_NE(Parse({"brass"}, O).find("'brass'"), std::string::npos);
}

TEST(SettingsOptions, TheCallersOwnOptionsAreLeftToIt) {
  // A mode with options of its own takes ours one by one and keeps the rest.
  const std::vector<std::string> Args = {"--root",   "--scene", "brass",
                                         "--visual", "id",      "-no-glare"};
  TSettingsOptions O;
  std::vector<std::string> Rest;
  for (std::size_t I = 0; I < Args.size(); ++I) {
    std::string Problem;
    if (TakeSettingsOption(Args, I, O, Problem) == otNotOurs) Rest.push_back(Args[I]);
    EXPECT_EQ(Problem, "");
  }
  EXPECT_EQ(Rest, (std::vector<std::string>{"--root", "--visual", "id"}));
  EXPECT_EQ(O.ZelmarType, 1);
  EXPECT_EQ(O.Glare, false);
}

TEST(SettingsOptions, AnArgumentIsQuotedCutToAReadableLength) {
  EXPECT_EQ(QuoteArgument("--fast"), "'--fast'");
  EXPECT_EQ(QuoteArgument("a\nb\tc"), "'a?b?c'");
  const std::string Quoted = QuoteArgument(std::string(131072, 'x'));
  EXPECT_EQ(Quoted, "'" + std::string(60, 'x') + "...' (131072 bytes)");
  // Never half a character: 59 letters and then a two-byte one across the cut.
  EXPECT_EQ(QuoteArgument(std::string(59, 'a') + "\xc3\xa9" + std::string(10, 'b')),
            "'" + std::string(59, 'a') + "...' (71 bytes)");
}
