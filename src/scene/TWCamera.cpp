#include "scene/TWCamera.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/TW9DirectX.h"
#include "scene/Random.h"

namespace zelmar {

namespace {

// Ticks for a span of 10000 or 2000 divided by the camera speed. A speed the dialog cannot
// produce (0 or negative, from a hand-edited store) would make this infinite; the count then
// saturates instead of overflowing.
int TicksFor(double Span, float MoveSpeed) {
  const double Ticks = Span / static_cast<double>(MoveSpeed);
  if (!(Ticks < 1.0e9)) return 1000000000;
  if (Ticks < 0.0) return 0;
  return Nearest(Ticks);
}

}  // namespace

TD3DVector TWCamera::SkyDirection(double Lon, double Lat) {
  const double L = Lon * std::numbers::pi / 180, B = Lat * std::numbers::pi / 180;
  return {static_cast<float>(std::cos(B) * std::cos(L)), static_cast<float>(-std::sin(B)),
          static_cast<float>(-std::cos(B) * std::sin(L))};
}

void TWCamera::HoldSkyView(double Lon, double Lat) {
  SkyView = SkyDirection(Lon, std::clamp(Lat, -89.0, 89.0));
}

int TWCamera::StayTicksFor(float MoveSpeed) {
  return TicksFor(10000.0, MoveSpeed) + 1;
}

int TWCamera::DriftTicksFor(float MoveSpeed) {
  return TicksFor(2000.0, MoveSpeed);
}

float TWCamera::Aspect(std::uint32_t Width, std::uint32_t Height) {
  return static_cast<float>(Width) / static_cast<float>(Height);
}

void TWCamera::Start() {
  // Randomly never starts on the last body.
  BodyIndex = RandomSelect ? Random(BodyCount - 1) : 0;
  StayTicks = StayTicksFor(MoveSpeed);
  DriftTicks = 0;
  StartDelay = kStartDelay;
  CameraPos = {0.0f, 200.0f, -500.0f};
  CameraTarget = BrassModel ? TD3DVector{0.0f, 0.0f, 0.0f} : TD3DVector{0.0f, 0.0f, -1000.0f};
}

void TWCamera::MoveTimerTimer() {
  if (StartDelay > 0) {
    --StartDelay;
    return;
  }
  if (DriftTicks > 0) --DriftTicks;
  if (StayTicks > 0) {
    --StayTicks;
    return;
  }
  StayTicks = StayTicksFor(MoveSpeed);
  DriftTicks = DriftTicksFor(MoveSpeed);
  if (!RandomSelect) {
    ++BodyIndex;
  } else if (BodyCount > 1) {
    // Redraws until the body changes; with fewer than two bodies that could never end.
    int Next;
    do {
      Next = Random(BodyCount);
    } while (Next == BodyIndex);
    BodyIndex = Next;
  }
  if (BodyIndex > BodyCount - 1) BodyIndex = 0;
}

TD3DVector TWCamera::ViewEye() const {
  return BrassModel ? CameraPos + TD3DVector{0.0f, 10.0f, 0.0f} : CameraPos;
}

void TWCamera::FrameMove(TW9DirectX* DX, const TD3DMatrix& OrbitRotation, float Distance,
                         float ViewRadius) {
  if (DX->Device()) {
    TD3DMatrix Projection;
    D3DXMatrixPerspectiveFovLH(
        &Projection, static_cast<float>(M_PI) / 4.0f,
        Aspect(DX->PresentParams().BackBufferWidth, DX->PresentParams().BackBufferHeight), 1.0f,
        10000000.0f);
    DX->Device()->SetTransform(D3DTS_PROJECTION, &Projection);
  }

  if (SkyView) {
    // Beyond Pluto's orbit, looking away from the Sun: nothing but the sky ahead.
    constexpr float kOut = 50000.0f;
    CameraPos = *SkyView * kOut;
    CameraTarget = *SkyView * (2 * kOut);
    const TD3DVector North{0.0f, -1.0f, 0.0f};
    D3DXMatrixLookAtLH(&ViewMatrix, &CameraPos, &CameraTarget, &North);
    return;
  }

  if (Drifting()) {
    // A step per frame, not per second.
    CameraPos = CameraPos + TD3DVector{0.0f, MoveSpeed / 40.0f, MoveSpeed / 20.0f};
    CameraTarget = CameraTarget + TD3DVector{0.0f, MoveSpeed / 100.0f, MoveSpeed / 100.0f};
  } else {
    // A point at ViewRadius from the body's centre, level with it, circling it once every
    // 2 pi / 0.1 seconds: (D + R sin phi, 0, R cos phi) turned by the orbit, with z mirrored.
    const TD3DMatrix& M = OrbitRotation;
    const float Phi = 0.1f * DX->AppTime();
    const TD3DVector V{Distance + ViewRadius * std::sin(Phi), 0.0f, ViewRadius * std::cos(Phi)};
    EyeGoal = {V.x * M._11 + V.y * M._12 + V.z * M._13, V.x * M._21 + V.y * M._22 + V.z * M._23,
               -(V.x * M._31 + V.y * M._32 + V.z * M._33)};
    TargetGoal = {Distance * M._11, Distance * M._21, -(Distance * M._31)};
    // An exact match of either coordinate holds both points still for this frame.
    if (CameraPos.x != EyeGoal.x && CameraPos.z != EyeGoal.z) {
      CameraPos = CameraPos + (EyeGoal - CameraPos) * (MoveSpeed / 1000.0f);
      CameraTarget = CameraTarget + (TargetGoal - CameraTarget) * (MoveSpeed / 500.0f);
      if (VectorLength(TargetGoal - CameraTarget) < 0.09f) CameraTarget = TargetGoal;
    }
  }

  const TD3DVector Eye = ViewEye();
  const TD3DVector Up{0.0f, 1.0f, 0.0f};
  D3DXMatrixLookAtLH(&ViewMatrix, &Eye, &CameraTarget, &Up);
}

}  // namespace zelmar
