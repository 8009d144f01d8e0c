// A pool on a fake device for the scene's body tests, and the catalogue's bodies built from it.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine_pool/PoolFixture.h"
#include "platform/render/fake/FakeMachine.h"
#include "scene/Catalogue.h"
#include "scene/Random.h"
#include "scene/TWPlanet.h"
#include "scene/TWSattelite.h"

class SceneFixture : public PoolFixture {
 protected:
  SceneFixture() {
    zelmar::RandSeed(7);
    DeviceCaps = FakeMachine::HardwareCaps();
  }

  template <class TBody = zelmar::TWPlanet>
  std::unique_ptr<TBody> Body(const zelmar::TBodyRow& Row, float Speed = 0.1f,
                              std::uint8_t Quality = 0) {
    return std::make_unique<TBody>(&Pool.WObjects(), Speed, Quality, Row.Lit, Row.Diameter,
                                   Row.DistanceValue, Row.ViewDistance, Row.OrbitalPeriod,
                                   Row.RotationPeriod, Row.Tilt, Row.HasShadow);
  }
  std::unique_ptr<zelmar::TWPlanet> Planet(int Index, float Speed = 0.1f,
                                           std::uint8_t Quality = 0) {
    return Body(zelmar::kPlanetRows[Index], Speed, Quality);
  }
  std::unique_ptr<zelmar::TWSattelite> Moon(int Index, zelmar::TWPlanet* Parent,
                                            float Speed = 0.1f) {
    auto m = Body<zelmar::TWSattelite>(zelmar::kMoonRows[Index], Speed);
    m->Parent = Parent;
    return m;
  }

  // The device exists, every mesh made so far is built and the scene has begun.
  void BuildAll() {
    CreateDevice();
    Attach(Pool);
    Pool.InitDeviceObjects();
    Device()->BeginScene();
    Log().Clear();
    Device()->ClearDraws();
  }

  TWPool Pool;
};

inline void ExpectNear(const TD3DVector& Expected, const TD3DVector& Actual, float Tolerance,
                       const char* What = "") {
  EXPECT_NEAR(Expected.x, Actual.x, Tolerance) << What;
  EXPECT_NEAR(Expected.y, Actual.y, Tolerance) << What;
  EXPECT_NEAR(Expected.z, Actual.z, Tolerance) << What;
}

inline void ExpectNear(const D3DMATRIX& Expected, const D3DMATRIX& Actual, float Tolerance) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      EXPECT_NEAR(Expected.m[r][c], Actual.m[r][c], Tolerance) << "m" << r + 1 << c + 1;
}

// p * M for a point, and for a direction (no translation).
inline TD3DVector TransformPoint(const TD3DVector& p, const TD3DMatrix& m) {
  return {p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41,
          p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42,
          p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43};
}
inline TD3DVector TransformDirection(const TD3DVector& p, const TD3DMatrix& m) {
  return TransformPoint(p, m) - MatrixOrigin(m);
}
