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
                   ":7",
                   "--positions",
                   "today",
                   "--clock",
                   "--constellations",
                   "--date",
                   "2026-12-07"},
                  O),
            "");
  EXPECT_EQ(O["Zelmar_Type"], 1);
  EXPECT_EQ(O["Select_Planet"], 1);
  EXPECT_EQ(O["Planet_Speed"], 10);
  EXPECT_EQ(O["Move_Speed"], 1);
  EXPECT_EQ(O["Object_Quality"], 2);   // Low
  EXPECT_EQ(O["Texture_Quality"], 0);  // High
  EXPECT_EQ(O["Planetary_Data"], 0);
  EXPECT_EQ(O["FPS"], 1);
  EXPECT_EQ(O["Corona"], 0);
  EXPECT_EQ(O["Lens_Flare"], 1);
  EXPECT_EQ(O["Glare"], 0);
  EXPECT_EQ(O.MaxFps, 24);
  EXPECT_EQ(O.RenderScale, 0.5f);
  EXPECT_EQ(O.XDisplay, ":7");
  EXPECT_EQ(O["Planet_Positions"], 1);
  EXPECT_EQ(O["Clock"], 1);
  EXPECT_EQ(O["Constellations"], 1);
  ASSERT_TRUE(O.Date);
  EXPECT_EQ(O.Date->Year * 10000 + O.Date->Month * 100 + O.Date->Day, 20261207);

  // Nothing given keeps every stored value.
  ASSERT_EQ(Parse({}, O), "");
  EXPECT_FALSE(O["Zelmar_Type"] || O["Select_Planet"] || O["Planet_Speed"] || O["Move_Speed"] ||
               O["Object_Quality"] || O["Texture_Quality"] || O["Planetary_Data"] || O["FPS"] ||
               O["Corona"] || O["Lens_Flare"] || O["Glare"] || O.MaxFps || O.RenderScale ||
               O.XDisplay || O["Planet_Positions"] || O["Clock"] || O["Constellations"] || O.Date);

  // One dash, a value after '=', any case of a word; the last of a repeated option wins.
  ASSERT_EQ(Parse({"-scene", "Random", "-no-fps", "--order=sequential", "-planet-speed=3",
                   "--object-quality", "MEDIUM", "--corona", "--no-corona", "-glare"},
                  O),
            "");
  EXPECT_EQ(O["Zelmar_Type"], 2);
  EXPECT_EQ(O["FPS"], 0);
  EXPECT_EQ(O["Select_Planet"], 0);
  EXPECT_EQ(O["Planet_Speed"], 3);
  EXPECT_EQ(O["Object_Quality"], 1);
  EXPECT_EQ(O["Corona"], 0);
  EXPECT_EQ(O["Glare"], 1);
  ASSERT_EQ(Parse({"-positions=RANDOM", "--clock", "-no-clock", "-date=1800-01-01"}, O), "");
  EXPECT_EQ(O["Planet_Positions"], 0);
  EXPECT_EQ(O["Clock"], 0);
  ASSERT_TRUE(O.Date);
  EXPECT_EQ(O.Date->Year * 10000 + O.Date->Month * 100 + O.Date->Day, 18000101);

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
      {"--positions", "tomorrow"},   {"--positions", "1"},         {"--date", "2051-01-01"},
      {"--date", "1799-12-31"},      {"--date", "2026-02-29"},     {"--date", "07.12.2026"},
      {"--date", "today"},           {"--date", "2026-12-7"},
  };
  for (const auto& Args : Bad) {
    const std::string Problem = Parse(Args, O);
    EXPECT_NE(Problem.find(Args[0]), std::string::npos) << Args[0] << " " << Args[1];
    EXPECT_NE(Problem.find("'" + Args[1] + "'"), std::string::npos) << Problem;
  }
  // A day out of range says which days there are, and how to write one.
  EXPECT_EQ(Parse({"--date", "2051-01-01"}, O),
            "--date takes a day from 1800-01-01 to 2050-12-31 written YYYY-MM-DD, not "
            "'2051-01-01'");
  // A missing value, a value given to a switch, and what is no option of ours.
  EXPECT_NE(Parse({"--planet-speed"}, O).find("--planet-speed"), std::string::npos);
  EXPECT_NE(Parse({"--corona=yes"}, O).find("'yes'"), std::string::npos);
  EXPECT_NE(Parse({"--clock=on"}, O).find("'on'"), std::string::npos);
  EXPECT_NE(Parse({"--date"}, O).find("--date needs a value"), std::string::npos);
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
  EXPECT_EQ(O["Zelmar_Type"], 1);
  EXPECT_EQ(O["Glare"], 0);
}

// --help's lines for the settings are made from the settings table; they read as they always
// have, line by line.
TEST(SettingsOptions, TheUsageListsTheOptionsAsItAlwaysHas) {
  EXPECT_EQ(
      SettingsOptionsUsage(),
      "  --scene space|brass|random          the display\n"
      "  --order sequential|random           the order the camera visits the bodies in\n"
      "  --planet-speed 1..10, --move-speed 1..10\n"
      "                                      the planets' and the camera's speed\n"
      "  --object-quality low|medium|high|very-high\n"
      "  --texture-quality low|medium|high|very-high\n"
      "  --[no-]planet-data, --[no-]fps, --[no-]corona, --[no-]lens-flare, --[no-]glare\n"
      "                                      show or hide the data panel, the frame rate, the\n"
      "                                      Sun's corona, lens flare and glare\n"
      "  --positions random|today            where the planets start: anywhere, or where they\n"
      "                                      stood on --date's day (default: now)\n"
      "  --[no-]clock                        show or hide the local time and date\n"
      "  --[no-]constellations               show or hide the constellation figures over the real\n"
      "                                      stars (where a star catalogue is installed)\n"
      "  --max-fps N                         present at most N frames a second (1 to 1000;\n"
      "                                      default: the display's refresh rate; 30 on a\n"
      "                                      software renderer)\n"
      "  --render-scale F                    draw the scene at F times the window's size (0.25\n"
      "                                      to 1), scaled up, the texts at full size (default:\n"
      "                                      1; at most 1280x720 on a software renderer)\n"
      "  --display NAME                      the X display to draw on\n"
      "  --date YYYY-MM-DD                   the day --positions today shows, at 0h UT\n"
      "                                      (1800-01-01 to 2050-12-31; default: now)\n");
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
