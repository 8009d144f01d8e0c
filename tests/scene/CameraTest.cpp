#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "engine/TW9DirectX.h"
#include "platform/render/fake/FakeDevice9.h"
#include "platform/render/fake/FakeDirect3D9.h"
#include "scene/Random.h"
#include "scene/TWCamera.h"

using namespace zelmar;

namespace {

TWCamera MakeCamera(float MoveSpeed, bool RandomSelect = false, bool Brass = false) {
  TWCamera C;
  C.BodyCount = 10;
  C.MoveSpeed = MoveSpeed;
  C.RandomSelect = RandomSelect;
  C.BrassModel = Brass;
  C.Start();
  return C;
}

// Ticks the timer through the next change of body; returns the ticks it took.
int TicksToNextBody(TWCamera& C) {
  for (int Ticks = 1; Ticks < 100000; ++Ticks) {
    const bool Changes = C.StartDelay == 0 && C.StayTicks == 0;
    C.MoveTimerTimer();
    if (Changes) return Ticks;
  }
  return -1;
}

// A framework with a fake device and a back buffer of the given size.
class CameraFrame : public ::testing::Test {
 protected:
  CameraFrame() : D3D(MakeRef<FakeDirect3D9>(FakeMachine::Typical())) {
    D3DPRESENT_PARAMETERS Params{};
    Params.Windowed = TRUE;
    Params.BackBufferWidth = 800;
    Params.BackBufferHeight = 600;
    Params.BackBufferFormat = D3DFMT_X8R8G8B8;
    Params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    Ref<IDirect3DDevice9> Created;
    EXPECT_EQ(S_OK, D3D->CreateDevice(0, D3DDEVTYPE_HAL, FakeHandle<HWND>(1),
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &Params, &Created));
    DX.AttachDevice(Created, Params, D3DCAPS9{});
  }
  FakeDevice9* Device() const { return D3D->LastDevice(); }

  Ref<FakeDirect3D9> D3D;
  TW9DirectX DX;
};

}  // namespace

TEST(Camera, StartValuesAndTickCountsForTheSlowestAndFastestSpeeds) {
  TWCamera Slow = MakeCamera(3.0f);
  EXPECT_EQ(Slow.BodyIndex, 0);
  EXPECT_EQ(Slow.StayTicks, 3334);
  EXPECT_EQ(Slow.DriftTicks, 0);
  EXPECT_EQ(Slow.StartDelay, 150);
  EXPECT_TRUE(Slow.CameraPos == TD3DVector(0, 200, -500));
  EXPECT_TRUE(Slow.CameraTarget == TD3DVector(0, 0, -1000));
  EXPECT_TRUE(MakeCamera(3.0f, false, true).CameraTarget == TD3DVector(0, 0, 0));

  // Opening drift, then the whole stay, then the change on the next tick.
  EXPECT_EQ(TicksToNextBody(Slow), 150 + 3334 + 1);
  EXPECT_EQ(Slow.BodyIndex, 1);
  EXPECT_EQ(Slow.StayTicks, 3334);
  EXPECT_EQ(Slow.DriftTicks, 667);

  TWCamera Fast = MakeCamera(30.0f);
  EXPECT_EQ(Fast.StayTicks, 334);
  TicksToNextBody(Fast);
  EXPECT_EQ(Fast.StayTicks, 334);
  EXPECT_EQ(Fast.DriftTicks, 67);  // nearest(66.67)

  // Later bodies are current for nearest(10000 / speed) + 2 ticks.
  EXPECT_EQ(TicksToNextBody(Slow), 3335);
  TWCamera Medium = MakeCamera(15.0f);
  TicksToNextBody(Medium);
  EXPECT_EQ(Medium.DriftTicks, 133);
  EXPECT_EQ(TicksToNextBody(Medium), 669);
  EXPECT_EQ(TicksToNextBody(Fast), 335);
}

TEST(Camera, TheOpeningDriftHoldsTheCountersAndTheDriftRunsDownDuringTheStay) {
  TWCamera C = MakeCamera(15.0f);
  for (int I = 0; I < 150; ++I) {
    EXPECT_TRUE(C.Drifting());
    C.MoveTimerTimer();
    EXPECT_EQ(C.StayTicks, 668);
    EXPECT_EQ(C.DriftTicks, 0);
  }
  EXPECT_EQ(C.StartDelay, 0);
  EXPECT_FALSE(C.Drifting());
  C.MoveTimerTimer();
  EXPECT_EQ(C.StayTicks, 667);

  TicksToNextBody(C);
  EXPECT_EQ(C.DriftTicks, 133);
  C.MoveTimerTimer();
  EXPECT_EQ(C.DriftTicks, 132);
  EXPECT_EQ(C.StayTicks, 667);
  for (int I = 0; I < 132; ++I) C.MoveTimerTimer();
  EXPECT_FALSE(C.Drifting());
  EXPECT_EQ(C.StayTicks, 668 - 133);
}

TEST(Camera, SequentialVisitsEveryBodyInOrderAndWrapsToTheSun) {
  TWCamera C = MakeCamera(30.0f);
  std::vector<int> Visited{C.BodyIndex};
  for (int I = 0; I < 11; ++I) {
    TicksToNextBody(C);
    Visited.push_back(C.BodyIndex);
  }
  EXPECT_EQ(Visited, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1}));
}

TEST(Camera, RandomNeverRepeatsTheCurrentBodyAndNeverStartsOnTheLast) {
  std::set<int> Starts, Reached;
  for (std::uint32_t Seed = 1; Seed <= 300; ++Seed) {
    RandSeed(Seed);
    TWCamera C = MakeCamera(30.0f, true);
    Starts.insert(C.BodyIndex);
    for (int I = 0; I < 5; ++I) {
      const int Before = C.BodyIndex;
      TicksToNextBody(C);
      EXPECT_NE(C.BodyIndex, Before);
      Reached.insert(C.BodyIndex);
    }
  }
  EXPECT_EQ(Starts.count(9), 0u);
  EXPECT_EQ(Starts.size(), 9u);
  EXPECT_EQ(Reached.size(), 10u);
}

TEST(Camera, DegenerateSettingsNeitherHangNorOverflow) {
  // One visitable body: random choice cannot find another one and keeps it.
  TWCamera One = MakeCamera(30.0f, true);
  One.BodyCount = 1;
  One.Start();
  EXPECT_EQ(One.BodyIndex, 0);
  TicksToNextBody(One);
  EXPECT_EQ(One.BodyIndex, 0);
  // A speed of 0 (a hand-edited store): the stay saturates instead of overflowing.
  EXPECT_GT(TWCamera::StayTicksFor(0.0f), 1000000);
  EXPECT_GE(TWCamera::DriftTicksFor(-3.0f), 0);
}

TEST_F(CameraFrame, ProjectionUsesTheBackBufferAspect) {
  EXPECT_EQ(TWCamera::Aspect(800, 600), 1.3333334f);
  TWCamera C = MakeCamera(15.0f);
  C.FrameMove(&DX, MatrixIdentity(), 0.0f, 111.312f);
  TD3DMatrix Expected;
  D3DXMatrixPerspectiveFovLH(&Expected, static_cast<float>(M_PI) / 4, 1.3333334f, 1.0f,
                             10000000.0f);
  const D3DMATRIX P = Device()->State().Transform(D3DTS_PROJECTION);
  for (int R = 0; R < 4; ++R)
    for (int Col = 0; Col < 4; ++Col) EXPECT_EQ(P.m[R][Col], Expected.m[R][Col]);
}

TEST_F(CameraFrame, DriftStepsPerFrameAndLeavesTheGoals) {
  TWCamera C = MakeCamera(20.0f);
  C.EyeGoal = {1, 2, 3};
  C.FrameMove(&DX, MatrixIdentity(), 299.2f, 25.484f);
  C.FrameMove(&DX, MatrixIdentity(), 299.2f, 25.484f);
  EXPECT_FLOAT_EQ(C.CameraPos.y, 200.0f + 2 * 0.5f);
  EXPECT_FLOAT_EQ(C.CameraPos.z, -500.0f + 2 * 1.0f);
  EXPECT_FLOAT_EQ(C.CameraTarget.y, 2 * 0.2f);
  EXPECT_FLOAT_EQ(C.CameraTarget.z, -1000.0f + 2 * 0.2f);
  EXPECT_TRUE(C.EyeGoal == TD3DVector(1, 2, 3));
}

TEST_F(CameraFrame, AtTheSunTheEyeCirclesAtItsViewRadiusAndTheTargetSnapsToTheOrigin) {
  TWCamera C = MakeCamera(15.0f);
  C.StartDelay = 0;
  const float R = 4 * 27.828f;
  EXPECT_FLOAT_EQ(R, 111.312f);
  const TD3DMatrix Orbit = MatrixRotationY(417.0f);  // the Sun's phase
  bool Snapped = false;
  for (int Frame = 0; Frame < 3000 && !Snapped; ++Frame) {
    DX.SetAppTime(Frame * 0.02f);
    C.FrameMove(&DX, Orbit, 0.0f, R);
    EXPECT_NEAR(VectorLength(C.EyeGoal), R, 1e-3f);
    EXPECT_EQ(C.EyeGoal.y, 0.0f);
    EXPECT_TRUE(C.TargetGoal == TD3DVector(0, 0, 0));
    Snapped = C.CameraTarget == TD3DVector(0, 0, 0);
    if (!Snapped) {
      EXPECT_GE(VectorLength(C.CameraTarget), 0.09f);
    }
  }
  EXPECT_TRUE(Snapped);
  // The goal turns with time: a quarter of a circle takes 5 pi seconds.
  DX.SetAppTime(0.0f);
  C.FrameMove(&DX, MatrixIdentity(), 0.0f, R);
  const TD3DVector At0 = C.EyeGoal;
  DX.SetAppTime(5.0f * static_cast<float>(M_PI));
  C.FrameMove(&DX, MatrixIdentity(), 0.0f, R);
  EXPECT_NEAR(VectorDot(At0, C.EyeGoal), 0.0f, 1e-2f);
}

TEST_F(CameraFrame, ChaseClosesAFractionOfTheWayUnlessACoordinateMatchesExactly) {
  TWCamera C = MakeCamera(10.0f);
  C.StartDelay = 0;
  C.CameraPos = {100, 50, 100};
  C.CameraTarget = {0, 0, 0};
  DX.SetAppTime(0.0f);
  // Earth at angle 0: the eye goal is (D, 0, -R), the target goal (D, 0, 0).
  C.FrameMove(&DX, MatrixIdentity(), 299.2f, 25.484f);
  EXPECT_FLOAT_EQ(C.EyeGoal.x, 299.2f);
  EXPECT_FLOAT_EQ(C.EyeGoal.z, -25.484f);
  EXPECT_FLOAT_EQ(C.CameraPos.x, 100 + (299.2f - 100) * 0.01f);
  EXPECT_FLOAT_EQ(C.CameraPos.y, 50 - 50 * 0.01f);
  EXPECT_FLOAT_EQ(C.CameraTarget.x, 299.2f * 0.02f);

  // A quarter turn: Earth's place is (0, 0, -D).
  C.FrameMove(&DX, MatrixRotationY(static_cast<float>(M_PI) / 2), 299.2f, 25.484f);
  EXPECT_NEAR(C.TargetGoal.x, 0.0f, 1e-4f);
  EXPECT_FLOAT_EQ(C.TargetGoal.z, -299.2f);

  C.CameraPos = {299.2f, 7, 0};
  const TD3DVector Held = C.CameraPos;
  const TD3DVector HeldTarget = C.CameraTarget;
  C.FrameMove(&DX, MatrixIdentity(), 299.2f, 25.484f);
  EXPECT_TRUE(C.CameraPos == Held);
  EXPECT_TRUE(C.CameraTarget == HeldTarget);
}

// Longitude turns as the planets do and the ecliptic's north is -y; the held view looks
// outwards from beyond the planets with the north up, and stays whatever the frames do.
TEST_F(CameraFrame, AHeldSkyViewLooksOutAtThePlaceWithTheNorthUp) {
  auto Near = [](const TD3DVector& A, const TD3DVector& B) { return VectorLength(A - B) < 1e-6f; };
  EXPECT_TRUE(Near(TWCamera::SkyDirection(0, 0), {1, 0, 0}));
  EXPECT_TRUE(Near(TWCamera::SkyDirection(90, 0), {0, 0, -1}));
  EXPECT_TRUE(Near(TWCamera::SkyDirection(123, 90), {0, -1, 0}));
  // A planet at longitude 90 stands where the orbit's turn puts it.
  const TD3DVector Planet =
      MatrixOrigin(MatrixTranslation(1, 0, 0) * MatrixRotationY(static_cast<float>(M_PI) / 2));
  EXPECT_TRUE(Near(Planet, TWCamera::SkyDirection(90, 0)));

  TWCamera C = MakeCamera(15.0f);
  C.HoldSkyView(90, 30);
  for (int Frame = 0; Frame < 2; ++Frame) C.FrameMove(&DX, MatrixIdentity(), 299.2f, 25.484f);
  const TD3DVector Dir = TWCamera::SkyDirection(90, 30);
  EXPECT_GT(VectorDot(C.CameraPos, Dir), 10000.0f);  // beyond every orbit
  EXPECT_TRUE(Near(VectorNormalize(C.CameraTarget - C.CameraPos), Dir));
  // The view's up (its y axis in world terms, the matrix's second column) leans north.
  const TD3DVector Up{C.ViewMatrix._12, C.ViewMatrix._22, C.ViewMatrix._32};
  EXPECT_LT(Up.y, 0.0f);
  EXPECT_NEAR(VectorDot(Up, Dir), 0.0f, 1e-5f);
  // A pole is not looked at edge-on: the latitude stops short of it.
  C.HoldSkyView(0, 90);
  EXPECT_NEAR(C.SkyView->y, -std::sin(89 * M_PI / 180), 1e-6);
}

TEST_F(CameraFrame, TheBrassViewLooksFromALittleAboveTheCamera) {
  TWCamera Space = MakeCamera(15.0f);
  TWCamera Brass = MakeCamera(15.0f, false, true);
  Brass.CameraTarget = Space.CameraTarget = {0, 0, 0};
  Space.FrameMove(&DX, MatrixIdentity(), 0, 100);
  Brass.FrameMove(&DX, MatrixIdentity(), 0, 100);
  TD3DMatrix Expected;
  const TD3DVector Eye = Brass.CameraPos + TD3DVector(0, 10, 0), At = Brass.CameraTarget,
                   Up(0, 1, 0);
  D3DXMatrixLookAtLH(&Expected, &Eye, &At, &Up);
  EXPECT_TRUE(Brass.ViewMatrix == Expected);
  EXPECT_TRUE(Brass.CameraPos == Space.CameraPos);
  EXPECT_FALSE(Space.ViewMatrix == Expected);
}
