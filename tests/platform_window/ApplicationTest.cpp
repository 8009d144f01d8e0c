#include <gtest/gtest.h>

#include <QTimer>

#include "WindowTestSupport.h"

namespace {

// Ends Run() from a timer: after 5 s with exit code 99 unless told otherwise, so that a loop
// that misbehaves cannot hang the test. Stopped with the test, so it cannot end a later one.
struct SafetyNet {
  SafetyNet() {
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [this] { App().Terminate(code); });
    timer.start(5000);
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
  App().SetOnMessage([&](MSG& msg, bool&) {
    if (msg.message == WM_USER + 1) idleCallsWhenPostedSeen = idleCalls;
  });
  App().SetOnIdle([&](bool& done) {
    ++idleCalls;
    // A message posted from the idle hook is handled before the hook runs again.
    if (idleCalls == 2) PostMessageA(main.Handle(), WM_USER + 1, 0, 0);
    done = idleCalls >= 5;
    if (idleCalls == 5) net.TerminateAfter(150);
  });
  EXPECT_EQ(App().Run(), 0);
  App().SetOnIdle({});
  App().SetOnMessage({});
  // Done at call 5: the loop then slept until the terminating timer instead of spinning.
  EXPECT_EQ(idleCalls, 5);
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
