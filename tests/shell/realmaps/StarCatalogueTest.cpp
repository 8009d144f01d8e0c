// The star catalogues' and figures' text as the packages write it, the turn from the equator to
// the ecliptic pinned on known stars, the looks a magnitude and a colour index give, and the sky
// texture laid out as the sky sphere maps it.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <string>

#include "shell/realmaps/SkyImage.h"
#include "shell/realmaps/StarCatalogue.h"

namespace {

using namespace zelmar::real_maps;

// The head of xplanet's file, a few of its stars, and lines it would not take.
constexpr const char* kCatalogue =
    "# From the Bright Star Catalogue, 5th Revised Ed.,\n"
    "\n"
    "#    Dec      RA   Mag         Name  BSN     HD    SAO\n"
    "-16.7161  6.7525 -1.46 \"  9Alp CMa\" 2491  48915 151881\n"
    " 89.2642  2.5303  2.02 \"  1Alp UMi\"  424   8890    308\r\n"
    "+12.0000  1.0000  5.00\n"
    " 95.0000  1.0000  5.00 \"beyond the pole\"\n"
    " 10.0000 25.0000  5.00 \"beyond 24 hours\"\n"
    " 10.0000  1.0000 five \"not a number\"\n"
    " 10.0000  1.0000";

constexpr const char* kFigures =
    "# Constellation outlines are from\n"
    " 42.3187  2.0649  41.4019  1.6134 # And Gamma1-57,And Upsilo-50\n"
    "  7.4069  5.9195   6.3497  5.4189 color=red thickness=2 # Betelgeuse,Bellatrix\n"
    "  7.4069  5.9195   6.3497 # too short\n";

TEST(StarCatalogue, TheBrightStarCatalogueReadsPlacesAndMagnitudes) {
  const auto stars = ParseBrightStarCatalogue(kCatalogue);
  ASSERT_EQ(stars.size(), 3u);
  EXPECT_DOUBLE_EQ(stars[0].Place.Ra, 6.7525 * 15);
  EXPECT_DOUBLE_EQ(stars[0].Place.Dec, -16.7161);
  EXPECT_DOUBLE_EQ(stars[0].Magnitude, -1.46);
  EXPECT_DOUBLE_EQ(stars[1].Place.Dec, 89.2642);  // through a CR LF line end
  EXPECT_DOUBLE_EQ(stars[2].Place.Dec, 12.0);     // an explicit plus sign
  // The catalogue gives no colour index: its stars are white.
  EXPECT_TRUE(std::isnan(stars[0].ColourIndex));
  const TStarColour white = StarColour(stars[0].ColourIndex);
  EXPECT_EQ(white.R, 1.0f);
  EXPECT_EQ(white.G, 1.0f);
  EXPECT_EQ(white.B, 1.0f);
}

TEST(StarCatalogue, FigureLinesReadBothEndsPastOptionsAndComments) {
  const auto lines = ParseFigureLines(kFigures);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_DOUBLE_EQ(lines[0].From.Dec, 42.3187);
  EXPECT_DOUBLE_EQ(lines[0].From.Ra, 2.0649 * 15);
  EXPECT_DOUBLE_EQ(lines[1].To.Dec, 6.3497);
  EXPECT_DOUBLE_EQ(lines[1].To.Ra, 5.4189 * 15);
  EXPECT_TRUE(ParseFigureLines("").empty());
  EXPECT_TRUE(ParseBrightStarCatalogue("# nothing but a comment").empty());
}

// Ecliptic places of J2000 from the almanacs' tables, to a few hundredths of a degree.
TEST(StarCatalogue, TheEquatorTurnsOntoTheEcliptic) {
  struct TKnown {
    const char* Name;
    TEquatorial Place;
    double Lon, Lat;
  };
  const TKnown known[] = {
      {"the vernal equinox", {0, 0}, 0, 0},
      {"the summer solstice", {90, kObliquity}, 90, 0},
      {"the autumnal equinox", {180, 0}, 180, 0},
      {"the north ecliptic pole", {270, 90 - kObliquity}, 0, 90},
      {"Polaris", {37.9546, 89.2641}, 88.58, 66.10},
      {"Regulus, near the ecliptic", {152.0930, 11.9672}, 149.83, 0.46},
      {"Spica", {201.2983, -11.1613}, 203.84, -2.05},
      {"Sirius", {101.2872, -16.7161}, 104.08, -39.61},
  };
  for (const TKnown& k : known) {
    const TEcliptic e = ToEcliptic(k.Place);
    EXPECT_NEAR(e.Lat, k.Lat, 0.03) << k.Name;
    if (std::abs(k.Lat) < 89) {
      EXPECT_NEAR(e.Lon, k.Lon, 0.03) << k.Name;
    }
    EXPECT_GE(e.Lon, 0) << k.Name;
    EXPECT_LT(e.Lon, 360) << k.Name;
  }
  // Just west of the equinox the longitude wraps to just under 360.
  EXPECT_NEAR(ToEcliptic({359.9, 0}).Lon, 359.908, 0.01);
}

TEST(StarCatalogue, BrighterStarsArePaintedBrighterAndWiderAndColoursFollowTheIndex) {
  TStarLook last = StarLook(9);
  EXPECT_GT(last.Peak, 0.1f);  // the faintest the catalogue holds still shows
  for (double m = 8.5; m >= -1.5; m -= 0.5) {
    const TStarLook look = StarLook(m);
    EXPECT_GE(look.Peak, last.Peak) << m;
    EXPECT_GE(look.Spread, last.Spread) << m;
    EXPECT_LE(look.Peak, 1.0f) << m;
    last = look;
  }
  EXPECT_EQ(StarLook(-1.46).Peak, 1.0f);
  EXPECT_GT(StarLook(-1.46).Spread, 2 * StarLook(6).Spread);

  // Hot stars blue-white, the Sun's kind near white, cool ones orange; never beyond 1.
  const TStarColour hot = StarColour(-0.3), sun = StarColour(0.65), cool = StarColour(1.6);
  EXPECT_GT(hot.B, hot.R);
  EXPECT_GT(cool.R, cool.B + 0.3f);
  EXPECT_NEAR(sun.R, 1.0f, 0.01f);
  EXPECT_GT(sun.B, 0.85f);
  for (double index = -1; index <= 3; index += 0.25) {
    const TStarColour c = StarColour(index);
    EXPECT_LE(std::max({c.R, c.G, c.B}), 1.0f) << index;
    EXPECT_GE(std::min({c.R, c.G, c.B}), 0.3f) << index;
  }
}

// The sphere's texture runs u against the scene's turn and v from the ecliptic's south pole.
TEST(SkyImage, PlacesFallWhereTheSkySphereMapsThem) {
  const int w = 360;
  const TTexel equinox = SkyTexel({0, 0}, w);
  EXPECT_DOUBLE_EQ(equinox.X, 270);
  EXPECT_DOUBLE_EQ(equinox.Y, 90);
  EXPECT_DOUBLE_EQ(SkyTexel({90, 0}, w).X, 180);
  EXPECT_DOUBLE_EQ(SkyTexel({270, 0}, w).X, 0);
  EXPECT_DOUBLE_EQ(SkyTexel({300, 0}, w).X, 330);
  EXPECT_DOUBLE_EQ(SkyTexel({0, 90}, w).Y, 180);
  EXPECT_DOUBLE_EQ(SkyTexel({0, -90}, w).Y, 0);
}

TEST(SkyImage, StarsLandOnTheirTexelAndFiguresJoinThemWithAGap) {
  const int w = kSkyWidth;
  // Two stars on the equator, 20 degrees apart, and the line between them.
  const TStar a{{0, 0}, 1.0, std::nan("")}, b{{20, 0}, 4.0, std::nan("")};
  const QImage plain = PaintSky({a, b}, {}, w);
  const QImage lines = PaintSky({a, b}, {{a.Place, b.Place}}, w);
  ASSERT_EQ(plain.size(), QSize(w, w / 2));

  auto at = [](const QImage& img, const TEquatorial& p) {
    const TTexel t = SkyTexel(ToEcliptic(p), img.width());
    return QColor(img.pixel(static_cast<int>(t.X), static_cast<int>(t.Y)));
  };
  // White, the brighter star brighter (its centre falls anywhere in its texel).
  EXPECT_GT(at(plain, a.Place).red(), 180);
  EXPECT_EQ(at(plain, a.Place).red(), at(plain, a.Place).blue());
  EXPECT_GT(at(plain, b.Place).red(), 60);
  EXPECT_LT(at(plain, b.Place).red(), at(plain, a.Place).red());
  EXPECT_EQ(at(plain, b.Place).red(), at(plain, b.Place).blue());
  // Away from the stars the sky is black.
  EXPECT_EQ(at(plain, {10, 0}), QColor(0, 0, 0));
  EXPECT_LT(at(plain, {0.3, 0}).blue(), 10);
  EXPECT_EQ(QColor(plain.pixel(5, 5)), QColor(0, 0, 0));
  // The figure's line: faint and blue along the way, clear of the stars at its ends.
  for (double ra : {1.0, 10.0, 19.0}) {
    const QColor on = at(lines, {ra, 0});
    EXPECT_GT(on.blue(), 60) << ra;
    EXPECT_GT(on.blue(), on.red()) << ra;
    EXPECT_LT(on.blue(), 160) << ra;
  }
  EXPECT_EQ(at(lines, {0.2, 0}), at(plain, {0.2, 0}));
  EXPECT_EQ(at(lines, {19.8, 0}), at(plain, {19.8, 0}));
}

}  // namespace
