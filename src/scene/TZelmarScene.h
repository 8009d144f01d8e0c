// The saver's scene as one object: built from the settings and the catalogue when the saver
// window is created (sky or room, bodies, ring, Sun effects, all as items of the window's
// resource pool, together with the pool's design-time fonts, lights and corona billboard), then
// driven by the framework's events: device check, device restore (fixed states and the lights
// of the display), frame move (the camera) and render (the frame and its text overlay). The
// window holds one and only forwards to it; the 10 ms travel timer calls MoveTimerTimer.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "platform/render/d3d9.h"
#include "scene/Catalogue.h"
#include "scene/TD3DMath.h"
#include "scene/TSettings.h"
#include "scene/TWCamera.h"

class TW9DirectX;
class TWPool;
class TWBillboard;

namespace zelmar {

class TWPlanet;
class TWSattelite;
class TWRing;
class TWCloudLayer;
class TWSpace;
class TWLensFlare;
class TWGlare;

class TZelmarScene {
 public:
  // The creation of the saver window's scene. The caller has seeded the random generator and
  // read the settings (which fixed the display and the pool's texture folder); the pool gets
  // its design-time content and the framework link first, then the scene in its order.
  TZelmarScene(TW9DirectX* DX, TWPool* Pool, const TSettings& Settings);
  ~TZelmarScene();
  TZelmarScene(const TZelmarScene&) = delete;
  TZelmarScene& operator=(const TZelmarScene&) = delete;

  // Assigns the framework's device and frame events to this scene.
  void ConnectEvents();

  // The window is shown: the camera's start values.
  void FormShow();
  // One tick of the window's 10 ms travel timer.
  void MoveTimerTimer();

  // Framework events. The device check needs no scene: the framework asks it while the form
  // loads, before the scene is built.
  static HRESULT WDirectXConfirmDevice(const D3DCAPS9& Caps, DWORD Behavior,
                                       D3DFORMAT AdapterFormat, D3DFORMAT BackBufferFormat);
  HRESULT WDirectXInitDeviceObjects(TW9DirectX* Sender);
  HRESULT WDirectXRestoreDeviceObjects(TW9DirectX* Sender);
  HRESULT WDirectXFrameMove(TW9DirectX* Sender);
  HRESULT WDirectXRender(TW9DirectX* Sender, bool& DefaultPresent);
  // Lays out the corona: a 120 x 120 square standing centred on the Sun, in "sunglow.tga".
  void WPoolWBillboards0Calc(TWBillboard* Sender, int ObjectIndex, D3DXVECTOR3& Position,
                             int& TextureIndex, D3DCOLOR& Color, float& Width, float& Height);

  // The Sun is within the view cone and no planet's disc covers it.
  bool SunOnScreen();

  // The first characters of the statistics line up to and including the blank before " (";
  // empty when there is none.
  static std::string FrameRateText(const std::string& FrameStats);
  // Data-panel lines of a body with Count lines shown while StayTicks is at Remaining.
  static int PanelLinesShown(int Count, int Remaining, float MoveSpeed);
  // Triangles a frame draws now (for the benchmark's bare frame).
  int FrameTriangles();

  // Overlay colours and texts.
  static constexpr D3DCOLOR kClearColor = 0xFF000032;
  static constexpr D3DCOLOR kPanelColor = 0xFF00FFFF;
  static constexpr D3DCOLOR kTitleColor = 0xFF3D7CA3;
  static constexpr const char* kTitle = "The Zelmar";
  static constexpr const char* kCredit1 = "A journey through the solar system";
  static constexpr const char* kCredit2 = "Zelmar screen saver";
  // Earth's layers that only installed maps bring (no generated map has these names).
  static constexpr const char* kEarthNightFile = "earthnight.jpg";
  static constexpr const char* kEarthCloudsFile = "earthclouds.png";

  // The local time the clock shows; the system's clock unless a test sets another.
  std::function<std::tm()> LocalTime;

  TW9DirectX* DX;
  TWPool* Pool;
  TSettings Settings;
  TWCamera Camera;

  std::unique_ptr<TWSpace> Space;
  std::array<std::unique_ptr<TWPlanet>, kPlanetSlots> Planets;
  std::array<std::unique_ptr<TWSattelite>, kMoonSlots> Moons;
  std::array<std::unique_ptr<TWRing>, kRingSlots> Rings;
  // Earth's clouds, where a cloud map is installed.
  std::unique_ptr<TWCloudLayer> Clouds;
  std::int32_t BodyCount = 0;
  std::int32_t MoonCount = 0;
  std::int32_t RingCount = 0;
  // Index of "sunglow.tga" in the pool's textures; Space display only.
  std::int32_t SunGlowIndex = -1;
  std::unique_ptr<TWLensFlare> LensFlare;
  // A sprite item of the pool, which owns it.
  TWGlare* Glare = nullptr;

 private:
  void AddDesignTimeContent();
  void CreateBodies();
  // The orbits' start angles of the sky of that Julian day: each planet at its heliocentric
  // longitude (longitude 0 along +x, growing the way the orbits turn), the Moon at its elongation.
  void StartAtTheSkyOf(double JulianDay);
  void DrawDataPanel();
  void DrawTitleOrFrameRate();
  TWBillboard* Corona() const;
  // True when the pool's texture of that index has its picture; an effect drawn with one that
  // failed to load would show as a grey square.
  bool Loaded(std::int32_t TextureIndex) const;
};

}  // namespace zelmar
