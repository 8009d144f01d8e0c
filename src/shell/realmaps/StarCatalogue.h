// Star catalogues and constellation figures as other packages install them (text, one star or
// one line of a figure a line), and the sky's geometry and looks that our sky texture is
// painted from: where a star stands on the ecliptic sphere, how bright and which colour it is.
#pragma once

#include <string_view>
#include <vector>

namespace zelmar::real_maps {

// Right ascension and declination, in degrees, for the equinox J2000.
struct TEquatorial {
  double Ra = 0, Dec = 0;
};

// Ecliptic longitude and latitude, in degrees; longitude 0 to 360.
struct TEcliptic {
  double Lon = 0, Lat = 0;
};

struct TStar {
  TEquatorial Place;
  double Magnitude = 0;
  // The colour index B-V; a catalogue without one gives NaN and a white star.
  double ColourIndex = 0;
};

// One segment of a constellation figure, between two stars.
struct TFigureLine {
  TEquatorial From, To;
};

// The Bright Star Catalogue as xplanet ships it: "Dec RA Mag ..." (degrees, hours, magnitude)
// and whatever follows (name, catalogue numbers); '#' starts a comment. It has no colour index.
// Lines that do not read are skipped.
std::vector<TStar> ParseBrightStarCatalogue(std::string_view text);

// Constellation figures in xplanet's arc format for the stars: "Dec1 RA1 Dec2 RA2" (degrees,
// hours), options such as "color=..." and a '#' comment after them. Lines that do not read are
// skipped.
std::vector<TFigureLine> ParseFigureLines(std::string_view text);

// The mean obliquity of the ecliptic at J2000, in degrees: the tilt between the equator the
// catalogues use and the plane of our orbits.
constexpr double kObliquity = 23.4393;

// The equatorial place turned about the equinox's direction onto the ecliptic.
TEcliptic ToEcliptic(const TEquatorial& place);

// How bright a star's centre is painted (0 to 1) and how far its light spreads (in degrees of
// sky, the sigma of its disc) for its visual magnitude: monotonic, the faintest the catalogues
// hold still seen, the brightest ones saturated.
struct TStarLook {
  float Peak = 0;
  float Spread = 0;
};
TStarLook StarLook(double magnitude);

// The colour of a star of the colour index B-V (blue-white for hot stars, orange for cool ones),
// each channel 0 to 1 with the brightest channel 1; white for NaN.
struct TStarColour {
  float R = 1, G = 1, B = 1;
};
TStarColour StarColour(double colourIndex);

}  // namespace zelmar::real_maps
