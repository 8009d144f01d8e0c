// The fixed catalogue of bodies: the Sun and the planets (index = slot in Planets), the moons
// (index = slot in Moons) and Saturn's ring. Reals are singles; strings are Windows-1252.
#pragma once

#include <array>
#include <cstdint>

#include "scene/TPlanetStats.h"

namespace zelmar {

struct TBodyRow {
  const char* Title;  // first data-panel line; nullptr for moons
  const char* TextureName;
  const char* TextureFile;
  std::int32_t Diameter;
  std::int32_t DistanceValue;
  std::int32_t ViewDistance;
  float OrbitalPeriod;
  float RotationPeriod;
  float Tilt;
  bool HasShadow;
  bool Lit;
  std::int32_t Parent;               // moons: index of the planet orbited; -1 otherwise
  std::int32_t LineCount;            // data-panel lines in use (Title included): 4, 7 or 0
  std::array<const char*, 6> Lines;  // data-panel lines 2 onward
};

struct TRingRow {
  const char* TextureName;
  const char* TextureFile;
  std::int32_t Parent;
  std::int32_t Diameter;
  bool Lit;
};

// Capacities of the scene's body arrays and the numbers the catalogue fills.
constexpr int kPlanetSlots = 10;
constexpr int kMoonSlots = 101;
constexpr int kRingSlots = 11;
constexpr int kBodyCount = 10;
constexpr int kMoonCount = 12;
constexpr int kRingCount = 1;
// Earth's slot in Planets (the Sun is 0, then the planets outwards).
constexpr int kEarthSlot = 3;

extern const std::array<TBodyRow, kBodyCount> kPlanetRows;
extern const std::array<TBodyRow, kMoonCount> kMoonRows;
extern const TRingRow kRingRow;

// Texture files the bodies share: every shadow cone, and the Sun's corona (Space display only).
constexpr const char* kShadowTextureFile = "shadow.tga";
constexpr const char* kCoronaTextureFile = "sunglow.tga";
// Rods and arms of every body in the Brass display.
constexpr const char* kRodTextureFile = "Rod.jpg";

// Scene units: a radius is Diameter / 5000, an orbit radius DistanceValue / 500.
constexpr float SceneRadius(std::int32_t diameter) {
  return static_cast<float>(diameter / 5000.0);
}
constexpr float SceneDistance(std::int32_t distanceValue) {
  return static_cast<float>(distanceValue / 500.0);
}

// The data-panel lines of a row: the Title as line 1, then its lines; Count 0 for a moon.
TPlanetStats MakeStats(const TBodyRow& row);

}  // namespace zelmar
