// The saver's camera and its travel state. A 10 ms timer decides which body is current and for
// how long (MoveTimerTimer); once per frame the eye and the look-at point drift or chase goals
// taken from the current body, and the projection and view transforms are rebuilt (FrameMove).
// The window holds one camera and only calls it; nothing here reads a clock.
#pragma once

#include <cstdint>
#include <optional>

#include "scene/TD3DMath.h"

class TW9DirectX;

namespace zelmar {

class TWCamera {
 public:
  // Start values, set whenever the saver window is shown: the first body, the stay and the
  // opening drift, and the eye and look-at point of the opening shot.
  void Start();

  // One tick of the 10 ms travel timer: the opening drift, then the drift after a change of
  // body, then the stay; when the stay runs out the next body is chosen.
  void MoveTimerTimer();

  // One frame: sets the projection for the back buffer on the device, drifts or chases the
  // current body and rebuilds ViewMatrix. The body is given by its OrbitRotation, its Distance
  // and the radius the eye circles it at (ViewDistance x Radius); the framework gives AppTime.
  void FrameMove(TW9DirectX* DX, const TD3DMatrix& OrbitRotation, float Distance, float ViewRadius);

  // True while the camera drifts freely (the opening drift or the drift after a change).
  bool Drifting() const { return DriftTicks != 0 || StartDelay != 0; }
  // The eye ViewMatrix looks from: a little above the brass model in the Brass display.
  TD3DVector ViewEye() const;

  // Holds the eye still far out beyond the planets, looking outwards at the place of the sky of
  // ecliptic longitude and latitude Lon, Lat (degrees), the ecliptic's north up, as a star
  // chart shows it: pictures of the sky. Latitudes beyond +-89 are taken as +-89.
  void HoldSkyView(double Lon, double Lat);
  // The scene's direction of a place of the sky: the planets turn through (cos L, 0, -sin L)
  // as their longitude L grows, which puts the ecliptic's north at -y.
  static TD3DVector SkyDirection(double Lon, double Lat);

  // The stay and the drift a change of body starts, for a camera speed.
  static int StayTicksFor(float MoveSpeed);
  static int DriftTicksFor(float MoveSpeed);
  // The aspect of a back buffer, as the projection uses it (800 x 600 gives 1.3333334).
  static float Aspect(std::uint32_t Width, std::uint32_t Height);

  // Opening drift length in ticks.
  static constexpr int kStartDelay = 150;

  TD3DVector CameraPos{0.0f, 0.0f, 0.0f};
  TD3DVector CameraTarget{0.0f, 0.0f, 0.0f};
  TD3DVector EyeGoal{0.0f, 0.0f, 0.0f};
  TD3DVector TargetGoal{0.0f, 0.0f, 0.0f};
  TD3DMatrix ViewMatrix = MatrixIdentity();
  std::int32_t BodyIndex = 0;
  std::int32_t StartDelay = 0;
  std::int32_t StayTicks = 0;
  std::int32_t DriftTicks = 0;
  // Bodies that can be visited (the Sun and the planets); set by scene assembly.
  std::int32_t BodyCount = 0;
  // Settings: Move_Speed x 3, "Randomly", and the Brass display.
  float MoveSpeed = 15.0f;
  bool RandomSelect = false;
  bool BrassModel = false;
  // The direction HoldSkyView looks along; none while the camera travels.
  std::optional<TD3DVector> SkyView;
};

}  // namespace zelmar
