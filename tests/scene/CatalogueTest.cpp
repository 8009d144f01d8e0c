#include <gtest/gtest.h>

#include <set>
#include <string>

#include "scene/Catalogue.h"
#include "scene/DisplayText.h"
#include "scene/Random.h"

using namespace zelmar;

TEST(Catalogue, SceneValuesOfTheRowsTheCameraVisits) {
  const TBodyRow& sun = kPlanetRows[0];
  EXPECT_EQ(SceneDistance(sun.DistanceValue), 0.0f);
  EXPECT_EQ(sun.OrbitalPeriod, 0.0f);
  EXPECT_FALSE(sun.Lit);
  EXPECT_FALSE(sun.HasShadow);

  const TBodyRow& earth = kPlanetRows[3];
  EXPECT_FLOAT_EQ(SceneRadius(earth.Diameter), 2.5484f);
  EXPECT_FLOAT_EQ(SceneDistance(earth.DistanceValue), 299.2f);
  // With the Space display's speed factor 0.1, Earth spins at 0.1 rad/s.
  EXPECT_FLOAT_EQ(0.1f / earth.RotationPeriod, 0.1f);
  EXPECT_FLOAT_EQ(0.1f / earth.OrbitalPeriod, 0.1f / 365.25f);

  const TBodyRow& jupiter = kPlanetRows[5];
  EXPECT_FLOAT_EQ(SceneRadius(jupiter.Diameter), 28.5968f);
  EXPECT_FLOAT_EQ(SceneDistance(jupiter.DistanceValue), 1556.66f);

  const TBodyRow& pluto = kPlanetRows[9];
  EXPECT_FLOAT_EQ(SceneRadius(pluto.Diameter), 0.4548f);
  EXPECT_FLOAT_EQ(SceneDistance(pluto.DistanceValue), 11827.04f);

  const TBodyRow& moon = kMoonRows[0];
  EXPECT_EQ(moon.Parent, 3);
  EXPECT_FLOAT_EQ(SceneRadius(moon.Diameter), 0.3468f);
  EXPECT_FLOAT_EQ(SceneDistance(moon.DistanceValue), 7.688f);

  EXPECT_FLOAT_EQ(SceneRadius(kRingRow.Diameter), 60.0f);
  EXPECT_EQ(kRingRow.Parent, 6);
  EXPECT_STREQ(kRingRow.TextureName, "Saturns Rings");
  EXPECT_STREQ(kRingRow.TextureFile, "saturnRings.tga");
}

TEST(Catalogue, SinglesAreStoredAsTheirDecimalsRound) {
  EXPECT_EQ(kPlanetRows[2].Tilt, 111.212379f);  // Venus: not reduced to any range
  EXPECT_GT(kPlanetRows[2].RotationPeriod, 0.0f);
  EXPECT_EQ(kPlanetRows[7].Tilt, 1.7079792f);
  EXPECT_EQ(kMoonRows[10].OrbitalPeriod, -5.9f);  // Triton runs backwards
  EXPECT_EQ(kMoonRows[5].OrbitalPeriod, 14.94f);  // Titan: the one moon whose periods differ
  EXPECT_EQ(kMoonRows[5].RotationPeriod, 15.94f);
  for (int i = 0; i < kMoonCount; ++i) {
    if (i != 5) {
      EXPECT_EQ(kMoonRows[i].OrbitalPeriod, kMoonRows[i].RotationPeriod) << i;
    }
    EXPECT_EQ(kMoonRows[i].ViewDistance, 50);
    EXPECT_TRUE(kMoonRows[i].HasShadow && kMoonRows[i].Lit);
  }
}

TEST(Catalogue, MoonsShareFilesButNotNames) {
  int grey = 0, red = 0;
  std::set<std::string> names;
  for (const auto& m : kMoonRows) {
    grey += std::string(m.TextureFile) == "grey.jpg";
    red += std::string(m.TextureFile) == "red.jpg";
    names.insert(m.TextureName);
    EXPECT_GE(m.Parent, 1);
    EXPECT_LT(m.Parent, kBodyCount);
  }
  EXPECT_EQ(grey, 8);
  EXPECT_EQ(red, 2);
  EXPECT_EQ(names.size(), static_cast<std::size_t>(kMoonCount));
}

TEST(Catalogue, DataPanelLines) {
  TPlanetStats sun = MakeStats(kPlanetRows[0]);
  EXPECT_EQ(sun.Count, 4);
  EXPECT_EQ(sun.Lines[1], "The Sun");
  EXPECT_EQ(sun.Lines[4],
            "Avg Surface Temperature = 6000\xB0"
            "C");
  EXPECT_EQ(DisplayText(sun.Lines[4]), "Avg Surface Temperature = 6000\u00B0C");

  for (int i = 1; i < kBodyCount; ++i) {
    TPlanetStats s = MakeStats(kPlanetRows[i]);
    EXPECT_EQ(s.Count, 7);
    EXPECT_EQ(s.Lines[1], kPlanetRows[i].Title);
    for (int l = 1; l <= 7; ++l) EXPECT_FALSE(s.Lines[l].empty()) << i << ":" << l;
    EXPECT_TRUE(s.Lines[8].empty());
  }
  EXPECT_EQ(MakeStats(kPlanetRows[8]).Lines[7],
            "Avg Cloud Temperature = -193\xB0"
            "C to -153\xB0"
            "C");
  EXPECT_EQ(MakeStats(kMoonRows[0]).Count, 0);
}

TEST(DisplayText, MapsTheWindows1252Range) {
  EXPECT_EQ(DisplayText("a\x80z"), "a\u20ACz");
  EXPECT_EQ(DisplayText("\x81"), "\u0081");  // undefined bytes map to themselves
  EXPECT_EQ(DisplayText("\xE9\xFF"), "\u00E9\u00FF");
  EXPECT_EQ(DisplayText("\x93q\x94"), "\u201Cq\u201D");
}

TEST(Random, SameSeedSameSequenceAndRange) {
  RandSeed(1234);
  int a[20];
  for (int& v : a) v = Random(1000);
  RandSeed(1234);
  for (int v : a) EXPECT_EQ(Random(1000), v);
  std::set<int> seen;
  for (int i = 0; i < 200; ++i) {
    int v = Random(2);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 2);
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_EQ(Random(0), 0);
}
