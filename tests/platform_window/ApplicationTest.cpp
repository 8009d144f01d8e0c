#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QTimer>

#include "WindowTestSupport.h"

namespace {

// Ends Run() from a timer: after 60 s with exit code 99 unless told otherwise, so that a loop
// that misbehaves cannot hang the test (far beyond what a loaded machine needs). Stopped with
// the test, so it cannot end a later one.
struct SafetyNet {
  SafetyNet() {
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [this] { App().Terminate(code); });
    timer.start(60000);
  }
  void TerminateAfter(int ms) {
    code = 0;
    timer.start(ms);
  }
  QTimer timer;
  int code = 99;
};

}  // namespace

TEST(Application, RunReturnsAtOnceWithoutMainWindow) {
  App().SetMainWindow(0);
  int idleCalls = 0;
  App().SetOnIdle([&](bool&) { ++idleCalls; });
  EXPECT_EQ(App().Run(), 0);
  EXPECT_EQ(idleCalls, 0);
  App().SetOnIdle({});
}

TEST(Application, IdleHookRepeatsWhileNotDoneThenWaitsForEvents) {
  // A hidden main window: no stray window-system events that would wake the loop.
  TWindow main;
  App().SetMainWindow(main.Handle());
  SafetyNet net;
  int idleCalls = 0;
  int idleCallsWhenPostedSeen = -1;
  // Once done, the loop may only run the hook again after it went to wait for events: each
  // later call follows a wait. Stray events (a late reply of the window system on a loaded
  // machine) may wake it; what must not happen is a call without a wait in between.
  int waits = 0, callsWithoutWait = 0;
  bool waitedSinceLastCall = false;
  QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                   &net.timer, [&] {
                     if (idleCalls >= 5) ++waits;
                     waitedSinceLastCall = true;
                   });
  App().SetOnMessage([&](MSG& msg, bool&) {
    if (msg.message == WM_USER + 1) idleCallsWhenPostedSeen = idleCalls;
  });
  App().SetOnIdle([&](bool& done) {
    ++idleCalls;
    if (idleCalls > 5 && !waitedSinceLastCall) ++callsWithoutWait;
    waitedSinceLastCall = false;
    // A message posted from the idle hook is handled before the hook runs again.
    if (idleCalls == 2) PostMessageA(main.Handle(), WM_USER + 1, 0, 0);
    done = idleCalls >= 5;
    if (idleCalls == 5) net.TerminateAfter(150);
  });
  EXPECT_EQ(App().Run(), 0);
  App().SetOnIdle({});
  App().SetOnMessage({});
  // Done from call 5: the loop then slept until an event (at the latest the terminating
  // timer) instead of spinning.
  EXPECT_GE(idleCalls, 5);
  EXPECT_GE(waits, 1);
  EXPECT_EQ(callsWithoutWait, 0) << idleCalls << " calls";
  EXPECT_EQ(idleCallsWhenPostedSeen, 2);
}

TEST(Application, IdleHookNotDoneKeepsRunningWithoutEvents) {
  TWindow main;
  App().SetMainWindow(main.Handle());
  int idleCalls = 0;
  App().SetOnIdle([&](bool& done) {
    done = false;
    if (++idleCalls == 1000) App().Terminate(3);
  });
  EXPECT_EQ(App().Run(), 3);
  EXPECT_EQ(idleCalls, 1000);
  App().SetOnIdle({});
}

TEST(Application, PostedCloseToMainWindowEndsRun) {
  auto window = std::make_unique<RecordingWindow>();
  const HWND hwnd = window->hwnd();
  App().SetMainWindow(hwnd);
  HookRecorder hook;
  SafetyNet net;
  bool posted = false;
  App().SetOnIdle([&](bool& done) {
    done = true;
    if (!posted) {
      posted = true;
      EXPECT_TRUE(PostMessageA(hwnd, WM_CLOSE, 0, 0));
    }
  });
  EXPECT_EQ(App().Run(), 0);
  App().SetOnIdle({});
  EXPECT_EQ(hook.Count(WM_CLOSE), 1);  // posted messages pass the hook
  EXPECT_EQ(window->Count(WM_CLOSE), 1);
  EXPECT_EQ(window->Count(WM_DESTROY), 1);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(window->window->isVisible());
}

TEST(Application, ForeignMainWindowEndsRunWhenHidden) {
  QWindow dialog;
  dialog.resize(100, 100);
  dialog.show();
  App().SetMainWindow(static_cast<HWND>(dialog.winId()));
  QTimer::singleShot(50, &dialog, [&] { dialog.hide(); });
  SafetyNet net;
  EXPECT_EQ(App().Run(), 0);
  EXPECT_FALSE(dialog.isVisible());
  App().SetMainWindow(0);
}
