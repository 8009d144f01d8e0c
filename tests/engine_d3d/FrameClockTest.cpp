#include <gtest/gtest.h>

#include <memory>

#include "engine/TW9DirectX.h"
#include "engine_d3d/FakeTimeSource.h"

namespace {

struct ClockCase {
  bool HasCounter;
};

class FrameClockTest : public ::testing::TestWithParam<ClockCase> {
 protected:
  void SetUp() override {
    Time = std::make_shared<FakeTimeSource>(GetParam().HasCounter);
    Framework = std::make_unique<TW9DirectX>(Time);
    Framework->Timer(tcInit);
    Framework->Timer(tcReset);
    Framework->Timer(tcStart);
  }
  double At(TimerCommand Command) { return Framework->Timer(Command); }

  std::shared_ptr<FakeTimeSource> Time;
  std::unique_ptr<TW9DirectX> Framework;
};

TEST_P(FrameClockTest, AppTimeExcludesThePausedInterval) {
  Time->Advance(2.0);
  EXPECT_NEAR(At(tcGetAppTime), 2.0, 1e-6);
  At(tcStop);
  Time->Advance(5.0);
  // While stopped the clock reads its stop time.
  EXPECT_NEAR(At(tcGetAppTime), 2.0, 1e-6);
  At(tcStart);
  Time->Advance(1.0);
  EXPECT_NEAR(At(tcGetAppTime), 3.0, 1e-6);
}

TEST_P(FrameClockTest, SecondStopKeepsTheFirstStopTime) {
  Time->Advance(1.0);
  At(tcStop);
  Time->Advance(4.0);
  At(tcStop);
  Time->Advance(2.0);
  At(tcStart);
  EXPECT_NEAR(At(tcGetAppTime), 1.0, 1e-6);
}

TEST_P(FrameClockTest, AbsoluteTimeRunsOnWhileStopped) {
  const double before = At(tcGetAbsoluteTime);
  At(tcStop);
  Time->Advance(3.0);
  EXPECT_NEAR(At(tcGetAbsoluteTime) - before, 3.0, 1e-6);
}

TEST_P(FrameClockTest, ElapsedTimeIsMeasuredFromTheLastRead) {
  Time->Advance(0.25);
  EXPECT_NEAR(At(tcGetElapsedTime), 0.25, 1e-6);
  EXPECT_NEAR(At(tcGetElapsedTime), 0.0, 1e-9);
  Time->Advance(0.5);
  At(tcStop);
  Time->Advance(10.0);
  // Stopping reads the elapsed time up to the stop; nothing passes while stopped.
  EXPECT_NEAR(At(tcGetElapsedTime), 0.0, 1e-9);
  At(tcStart);
  Time->Advance(0.125);
  EXPECT_NEAR(At(tcGetElapsedTime), 0.125, 1e-6);
}

TEST_P(FrameClockTest, AdvanceMovesAStoppedClockByATenth) {
  Time->Advance(1.0);
  At(tcStop);
  At(tcAdvance);
  At(tcAdvance);
  EXPECT_NEAR(At(tcGetAppTime), 1.2, 1e-6);
}

TEST_P(FrameClockTest, StartWithoutAStopLeavesTheBaseAlone) {
  Time->Advance(5.0);
  At(tcStart);
  EXPECT_NEAR(At(tcGetAppTime), 5.0, 1e-6);
  Time->Advance(1.0);
  EXPECT_NEAR(At(tcGetAppTime), 6.0, 1e-6);
}

TEST_P(FrameClockTest, ResetRestartsAppTime) {
  Time->Advance(3.0);
  At(tcReset);
  Time->Advance(0.5);
  EXPECT_NEAR(At(tcGetAppTime), 0.5, 1e-6);
  EXPECT_NEAR(At(tcGetElapsedTime), 0.5, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(CounterAndFallback, FrameClockTest,
                         ::testing::Values(ClockCase{true}, ClockCase{false}),
                         [](const auto& info) {
                           return info.param.HasCounter ? "Counter" : "Milliseconds";
                         });

TEST(FrameClock, FrameMovingSetterStopsAndStartsTheClock) {
  auto time = std::make_shared<FakeTimeSource>();
  TW9DirectX framework(time);
  framework.Timer(tcInit);
  framework.Timer(tcReset);
  time->Advance(1.0);
  framework.SetFrameMoving(false);
  time->Advance(2.0);
  framework.SetFrameMoving(false);  // no change: no second stop
  EXPECT_NEAR(framework.Timer(tcGetAppTime), 1.0, 1e-6);
  framework.SetFrameMoving(true);
  time->Advance(1.0);
  EXPECT_NEAR(framework.Timer(tcGetAppTime), 2.0, 1e-6);
  EXPECT_TRUE(framework.FrameMoving());
}

}  // namespace
