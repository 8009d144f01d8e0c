// The options of the scene's runs: what they accept, and the message for what they refuse.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/modes/SceneRuns.h"

using namespace zelmar;

namespace {

std::string Parse(const std::vector<std::string>& Args, TSceneRunOptions& O) {
  O = TSceneRunOptions();
  return ParseSceneOptions(Args, O);
}

}  // namespace

TEST(SceneOptions, RunsAndTheirModifiers) {
  TSceneRunOptions O;
  EXPECT_EQ(Parse({"--window"}, O), "");
  EXPECT_EQ(O.Kind, TSceneRunOptions::rkWindow);
  EXPECT_EQ(O.Width, 1280);
  EXPECT_EQ(O.Height, 720);
  EXPECT_FALSE(O.Settings["Zelmar_Type"].has_value());
  EXPECT_FALSE(O.Seed.has_value());

  EXPECT_EQ(Parse({"--snapshot", "12.5", "out/a.PNG", "--size", "640x480", "--scene", "Brass",
                   "--seed", "4294967295"},
                  O),
            "");
  EXPECT_EQ(O.Kind, TSceneRunOptions::rkSnapshot);
  EXPECT_EQ(O.Seconds, 12.5);
  EXPECT_EQ(O.File, "out/a.PNG");
  EXPECT_EQ(O.Width, 640);
  EXPECT_EQ(O.Height, 480);
  EXPECT_EQ(O.Settings["Zelmar_Type"], 1);
  EXPECT_EQ(O.Seed, 4294967295u);
  EXPECT_EQ(Parse({"--scene", "space", "--snapshot", "0", "x.png"}, O), "");
  EXPECT_EQ(O.Settings["Zelmar_Type"], 0);
  EXPECT_EQ(O.Seconds, 0.0);

  // The length of a benchmark is optional.
  EXPECT_EQ(Parse({"--bench"}, O), "");
  EXPECT_EQ(O.Seconds, 20.0);
  EXPECT_EQ(Parse({"--bench", "--size", "1920x1080"}, O), "");
  EXPECT_EQ(O.Seconds, 20.0);
  EXPECT_EQ(O.Width, 1920);
  EXPECT_EQ(Parse({"--bench", "3"}, O), "");
  EXPECT_EQ(O.Seconds, 3.0);

  // A held view of the sky: ecliptic longitude and latitude.
  EXPECT_FALSE(O.SkyView.has_value());
  EXPECT_EQ(Parse({"--snapshot", "1", "a.png", "--look-at-sky", "85.5,-25"}, O), "");
  ASSERT_TRUE(O.SkyView.has_value());
  EXPECT_EQ(O.SkyView->first, 85.5);
  EXPECT_EQ(O.SkyView->second, -25.0);
}

TEST(SceneOptions, BadValuesAreRefusedWithTheOptionNamed) {
  TSceneRunOptions O;
  const std::vector<std::vector<std::string>> Bad = {
      {"--window", "--size", "1280"},
      {"--window", "--size", "0x720"},
      {"--window", "--size", "9000x100"},
      {"--window", "--size"},
      {"--window", "--scene", "moon"},
      {"--window", "--seed", "-1"},
      {"--window", "--seed", "4294967296"},
      {"--window", "--seed", "12ab"},
      {"--snapshot", "abc", "a.png"},
      {"--snapshot", "-1", "a.png"},
      {"--snapshot", "nan", "a.png"},
      {"--snapshot", "1e9", "a.png"},
      {"--snapshot", "5", "a.jpg"},
      {"--snapshot", "5"},
      {"--bench", "0"},
      {"--bench", "fast"},
      {"--window", "--bench"},
      {"--snapshot", "1", "a.png", "--window"},
      {"--seed", "3"},
      {"--window", "--fullscreen"},
      {"--window", "--look-at-sky", "85"},
      {"--window", "--look-at-sky", "85,-91"},
      {"--window", "--look-at-sky", "361,0"},
      {"--window", "--look-at-sky", "85,-25x"},
      {"--window", "--look-at-sky", "85;-25"},
      {"--window", "--look-at-sky"},
  };
  for (const auto& Args : Bad) {
    std::string Joined;
    for (const auto& A : Args) Joined += A + " ";
    const std::string Problem = Parse(Args, O);
    EXPECT_FALSE(Problem.empty()) << Joined;
  }
  EXPECT_NE(Parse({"--window", "--size", "12"}, O).find("--size"), std::string::npos);
  EXPECT_NE(Parse({"--window", "--scene", "moon"}, O).find("'moon'"), std::string::npos);
  EXPECT_NE(Parse({"--snapshot", "5", "a.jpg"}, O).find(".png"), std::string::npos);
}
