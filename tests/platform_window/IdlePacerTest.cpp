#include <gtest/gtest.h>

#include <limits>

#include "platform/window/IdlePacer.h"

namespace {

using Clock = IdlePacer::Clock;
using std::chrono::milliseconds;

TEST(IdlePacer, PaceIsKeptAndBadValuesTurnItOff) {
  IdlePacer pacer;
  EXPECT_EQ(pacer.Pace(), 0.0);
  pacer.SetPace(50.0);
  EXPECT_NEAR(pacer.Pace(), 50.0, 1e-6);
  for (double bad : {0.0, -3.0, std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()}) {
    pacer.SetPace(50.0);
    pacer.SetPace(bad);
    EXPECT_EQ(pacer.Pace(), 0.0) << bad;
  }
}

TEST(IdlePacer, WithoutHookOrPaceNothingWaits) {
  IdlePacer pacer;
  const Clock::time_point now = Clock::now();
  EXPECT_TRUE(pacer.Run(now));  // no hook: nothing to do, the loop may sleep
  pacer.SetPace(10.0);
  EXPECT_EQ(pacer.Wait(now + milliseconds(1)), Clock::duration{});

  int runs = 0;
  pacer.SetHook([&](bool& done) {
    ++runs;
    done = false;
  });
  pacer.SetPace(0.0);
  EXPECT_FALSE(pacer.Run(now));
  EXPECT_EQ(pacer.Wait(now), Clock::duration{});
  EXPECT_EQ(runs, 1);
}

TEST(IdlePacer, PacedRunsKeepTheirScheduleAndRestartWhenLate) {
  IdlePacer pacer;
  bool finish = false;
  pacer.SetHook([&](bool& done) { done = finish; });
  pacer.SetPace(100.0);  // every 10 ms, the first due at once
  // Long after: the first run starts the count from itself.
  const Clock::time_point start = Clock::now() + std::chrono::hours(1);
  EXPECT_EQ(pacer.Wait(start), Clock::duration{});
  EXPECT_FALSE(pacer.Run(start));
  // The next is due 10 ms after the one before, whatever the time the run took.
  EXPECT_EQ(pacer.Wait(start + milliseconds(4)), milliseconds(6));
  const Clock::time_point due = start + milliseconds(10);

  // A little late: the one after is still due an interval after this one was due.
  EXPECT_FALSE(pacer.Run(due + milliseconds(3)));
  EXPECT_EQ(pacer.Wait(due + milliseconds(3)), milliseconds(7));

  // Far behind: the count starts again from the late run, no burst to catch up.
  const Clock::time_point late = due + milliseconds(100);
  EXPECT_FALSE(pacer.Run(late));
  EXPECT_EQ(pacer.Wait(late), milliseconds(10));

  // A run that says done leaves the schedule alone.
  finish = true;
  EXPECT_TRUE(pacer.Run(late + milliseconds(10)));
  EXPECT_EQ(pacer.Wait(late), milliseconds(10));
}

TEST(IdlePacer, HookIsNotRunFromInsideItselfAndMayReplaceItself) {
  IdlePacer pacer;
  pacer.SetPace(1.0);
  int outer = 0;
  int inner = 0;
  bool nestedDone = false;
  Clock::duration nestedWait{milliseconds(1)};
  pacer.SetHook([&](bool& done) {
    ++outer;
    // A modal loop inside the hook neither waits for the pace nor runs the hook again.
    nestedWait = pacer.Wait(Clock::now());
    nestedDone = pacer.Run(Clock::now());
    pacer.SetHook([&](bool& d) {
      ++inner;
      d = true;
    });
    done = false;
  });
  EXPECT_FALSE(pacer.Run(Clock::now()));
  EXPECT_EQ(outer, 1);
  EXPECT_TRUE(nestedDone);
  EXPECT_EQ(nestedWait, Clock::duration{});
  EXPECT_TRUE(pacer.Run(Clock::now() + std::chrono::seconds(5)));
  EXPECT_EQ(inner, 1);
  EXPECT_EQ(outer, 1);
}

}  // namespace
