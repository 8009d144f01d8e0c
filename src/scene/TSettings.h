// The settings record the saver reads from the store at every start; the scene is built and
// drawn from it.
#pragma once

#include <cstdint>

namespace zelmar {

struct TSettings {
  bool BrassModel = false;
  bool RandomSelect = false;
  std::uint8_t ObjectQuality = 0;
  float PlanetSpeed = 0.0f;
  float MoveSpeed = 0.0f;
  bool ShowPlanetData = false;
  bool ShowFPS = false;
  bool ShowGlare = false;
  bool ShowLensFlare = false;
  bool ShowCorona = false;
  // The local time and date, drifting about the screen.
  bool ShowClock = false;
  // The orbits start where the bodies stood at this Julian day (the shell picks today or a given
  // date); otherwise at the random phases.
  bool PositionsToday = false;
  double PositionsJulianDay = 0.0;
  // The constellation figures over the real stars (where both are installed).
  bool ShowConstellations = false;
  // The sky texture is the real sky, the whole sphere once (the shell finds it installed),
  // rather than a tile of generated stars.
  bool RealSky = false;
};

}  // namespace zelmar
