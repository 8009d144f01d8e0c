#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTest>
#include <QWheelEvent>

#include "WindowTestSupport.h"

TEST(WindowMessages, KeyPressReachesHookAsKeyDownBeforeTheProcedure) {
  RecordingWindow w;
  HookRecorder hook;
  QTest::keyClick(w.window.get(), Qt::Key_A);
  QTest::keyClick(w.window.get(), Qt::Key_Escape);
  ASSERT_EQ(hook.Count(WM_KEYDOWN), 2);
  ASSERT_EQ(hook.Count(WM_KEYUP), 2);
  EXPECT_EQ(hook.seen.front().message, WM_KEYDOWN);
  EXPECT_EQ(hook.seen.front().wParam, WPARAM('A'));
  EXPECT_EQ(hook.seen.front().hwnd, w.hwnd());
  EXPECT_EQ(hook.Last(WM_KEYDOWN)->wParam, VK_ESCAPE);
  EXPECT_EQ(static_cast<DWORD>(hook.Last(WM_KEYUP)->lParam) >> 31, 1u);
  EXPECT_EQ(w.Count(WM_KEYDOWN), 2);  // not handled by the hook: dispatched
}

TEST(WindowMessages, AltGivesSystemKeysNotKeyDown) {
  RecordingWindow w;
  HookRecorder hook;
  QTest::keyClick(w.window.get(), Qt::Key_Alt);
  QTest::keyClick(w.window.get(), Qt::Key_F, Qt::AltModifier);
  EXPECT_EQ(hook.Count(WM_KEYDOWN), 0);
  ASSERT_EQ(hook.Count(WM_SYSKEYDOWN), 3);  // Alt, then Alt again and F for the chord
  EXPECT_EQ(hook.seen.front().wParam, VK_MENU);
  EXPECT_EQ(hook.Last(WM_SYSKEYDOWN)->wParam, WPARAM('F'));
}

TEST(WindowMessages, HandledByTheHookMeansNotDispatched) {
  RecordingWindow w;
  App().SetOnMessage([](MSG& msg, bool& handled) { handled = msg.message == WM_KEYDOWN; });
  QTest::keyClick(w.window.get(), Qt::Key_B);
  App().SetOnMessage({});
  EXPECT_EQ(w.Count(WM_KEYDOWN), 0);
  EXPECT_EQ(w.Count(WM_KEYUP), 1);
}

TEST(WindowMessages, MouseMoveCarriesScreenCoordinates) {
  RecordingWindow w(WS_OVERLAPPEDWINDOW, 100, 80, 320, 240);
  const QPoint origin = w.window->mapToGlobal(QPoint(0, 0));
  HookRecorder hook;
  QTest::mouseMove(w.window.get(), QPoint(10, 20));
  ASSERT_EQ(hook.Count(WM_MOUSEMOVE), 1);
  const MSG& m = *hook.Last(WM_MOUSEMOVE);
  EXPECT_EQ(GET_X_LPARAM(m.lParam), origin.x() + 10);
  EXPECT_EQ(GET_Y_LPARAM(m.lParam), origin.y() + 20);
  EXPECT_EQ(m.pt, (POINT{origin.x() + 10, origin.y() + 20}));
  // Hit test and cursor choice are sent to the procedure only, before the move.
  EXPECT_EQ(hook.Count(WM_SETCURSOR), 0);
  ASSERT_GE(w.Count(WM_SETCURSOR), 1);
  EXPECT_EQ(HIWORD(static_cast<std::uintptr_t>(w.Last(WM_SETCURSOR)->lParam)), WM_MOUSEMOVE);
  EXPECT_EQ(LOWORD(static_cast<std::uintptr_t>(w.Last(WM_SETCURSOR)->lParam)), HTCLIENT);
  EXPECT_GE(w.Count(WM_NCHITTEST), 1);
}

TEST(WindowMessages, RealPointerMotionArrivesAsMouseMove) {
  RecordingWindow w(WS_POPUP, 0, 0, 400, 300);
  HookRecorder hook;
  ASSERT_TRUE(SetCursorPos(123, 145));
  ASSERT_TRUE(WaitFor([&] {
    const MSG* m = hook.Last(WM_MOUSEMOVE);
    return m && GET_X_LPARAM(m->lParam) == 123 && GET_Y_LPARAM(m->lParam) == 145;
  }));
  POINT p;
  ASSERT_TRUE(GetCursorPos(&p));
  EXPECT_EQ(p, (POINT{123, 145}));
}

TEST(WindowMessages, MouseButtonsReachHookWithoutKeyMessages) {
  RecordingWindow w;
  HookRecorder hook;
  QTest::mouseClick(w.window.get(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(hook.Count(WM_LBUTTONDOWN), 1);
  EXPECT_EQ(hook.Count(WM_LBUTTONUP), 1);
  EXPECT_EQ(hook.Last(WM_LBUTTONDOWN)->wParam & MK_LBUTTON, MK_LBUTTON);
  EXPECT_EQ(hook.Count(WM_KEYDOWN), 0);
}

TEST(WindowMessages, SubclassedProcedureSeesMessagesAndChains) {
  RecordingWindow w;
  std::vector<UINT> hooked;
  WindowProcedure previous;
  previous = SubclassWindow(w.hwnd(), [&](HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    hooked.push_back(msg);
    if (msg == WM_USER + 7) return LRESULT(42);  // answered here, not passed on
    return CallWindowProcA(previous, hwnd, msg, wp, lp);
  });
  ASSERT_TRUE(previous);
  w.seen.clear();
  EXPECT_EQ(SendMessageA(w.hwnd(), WM_USER + 3, 1, 2), 0);
  EXPECT_EQ(SendMessageA(w.hwnd(), WM_USER + 7, 0, 0), 42);
  QTest::keyClick(w.window.get(), Qt::Key_C);
  EXPECT_EQ(std::count(hooked.begin(), hooked.end(), WM_USER + 3), 1);
  EXPECT_EQ(std::count(hooked.begin(), hooked.end(), WM_KEYDOWN), 1);
  EXPECT_EQ(w.Count(WM_USER + 3), 1);  // the previous procedure got it too
  EXPECT_EQ(w.Count(WM_USER + 7), 0);
  EXPECT_EQ(w.Count(WM_KEYDOWN), 1);
  ASSERT_EQ(w.seen.front().wParam, WPARAM(1));
  EXPECT_EQ(w.seen.front().lParam, LPARAM(2));

  // Restoring the previous procedure takes the hook out of the chain.
  SubclassWindow(w.hwnd(), previous);
  SendMessageA(w.hwnd(), WM_USER + 3, 0, 0);
  EXPECT_EQ(std::count(hooked.begin(), hooked.end(), WM_USER + 3), 1);
  EXPECT_EQ(w.Count(WM_USER + 3), 2);
}

TEST(WindowMessages, CloseRefusedByTheProcedureKeepsTheWindow) {
  RecordingWindow w;
  SubclassWindow(w.hwnd(), [](HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return msg == WM_CLOSE ? LRESULT(0) : DefWindowProcA(hwnd, msg, wp, lp);
  });
  PostMessageA(w.hwnd(), WM_CLOSE, 0, 0);
  w.window->close();  // the window manager's close button
  Settle(50);
  EXPECT_TRUE(IsWindow(w.hwnd()));
  EXPECT_TRUE(w.window->isVisible());
}

TEST(WindowMessages, WindowManagerCloseBecomesSysCommandThenCloseThenDestroy) {
  RecordingWindow w;
  const HWND hwnd = w.hwnd();
  w.window->close();
  ASSERT_TRUE(WaitFor([&] { return w.Count(WM_DESTROY) == 1; }));
  const MSG* sys = w.Last(WM_SYSCOMMAND);
  ASSERT_NE(sys, nullptr);
  EXPECT_EQ(sys->wParam, SC_CLOSE);
  EXPECT_EQ(w.Count(WM_CLOSE), 1);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 0);
  EXPECT_FALSE(PostMessageA(hwnd, WM_USER, 0, 0));
}

TEST(WindowMessages, TimerDeliversTicksUntilKilled) {
  RecordingWindow w;
  HookRecorder hook;
  ASSERT_NE(SetTimer(w.hwnd(), 7, 10), 0u);
  ASSERT_TRUE(WaitFor([&] { return w.Count(WM_TIMER) >= 5; }));
  EXPECT_TRUE(KillTimer(w.hwnd(), 7));
  const int ticks = w.Count(WM_TIMER);
  Settle(60);
  EXPECT_EQ(w.Count(WM_TIMER), ticks);
  EXPECT_EQ(w.Last(WM_TIMER)->wParam, WPARAM(7));
  EXPECT_EQ(hook.Count(WM_TIMER), ticks);  // ticks are queued messages
  EXPECT_FALSE(KillTimer(w.hwnd(), 7));
}

TEST(WindowMessages, TimerWithProcedureCallsItInsteadOfTheWindow) {
  RecordingWindow w;
  std::vector<UINT_PTR> ids;
  SetTimer(w.hwnd(), 3, 10, [&](HWND hwnd, UINT msg, UINT_PTR id, DWORD) {
    EXPECT_EQ(hwnd, w.hwnd());
    EXPECT_EQ(msg, WM_TIMER);
    ids.push_back(id);
  });
  ASSERT_TRUE(WaitFor([&] { return ids.size() >= 2; }));
  KillTimer(w.hwnd(), 3);
  EXPECT_EQ(ids.front(), UINT_PTR(3));
  EXPECT_EQ(w.Count(WM_TIMER), 0);

  int threadTicks = 0;
  const UINT_PTR id = SetTimer(0, 0, 10, [&](HWND, UINT, UINT_PTR, DWORD) { ++threadTicks; });
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(WaitFor([&] { return threadTicks >= 2; }));
  EXPECT_TRUE(KillTimer(0, id));
}

TEST(WindowMessages, DestroyedWindowStopsItsTimers) {
  auto w = std::make_unique<RecordingWindow>();
  const HWND hwnd = w->hwnd();
  SetTimer(hwnd, 1, 10);
  DestroyWindow(hwnd);
  EXPECT_FALSE(KillTimer(hwnd, 1));
}

TEST(WindowMessages, ActivationChangesReachTheHook) {
  RecordingWindow a(WS_OVERLAPPEDWINDOW, 10, 10, 200, 150);
  RecordingWindow b(WS_OVERLAPPEDWINDOW, 300, 10, 200, 150);
  HookRecorder hook;
  a.window->requestActivate();
  ASSERT_TRUE(QTest::qWaitForWindowActive(a.window.get()));
  ASSERT_TRUE(WaitFor([&] { return a.Count(WM_ACTIVATE) >= 1; }));
  EXPECT_EQ(LOWORD(a.Last(WM_ACTIVATE)->wParam), WA_ACTIVE);
  EXPECT_EQ(a.Last(WM_NCACTIVATE)->wParam, WPARAM(TRUE));

  b.window->requestActivate();
  ASSERT_TRUE(QTest::qWaitForWindowActive(b.window.get()));
  ASSERT_TRUE(WaitFor([&] { return LOWORD(a.Last(WM_ACTIVATE)->wParam) == WA_INACTIVE; }));
  EXPECT_EQ(a.Last(WM_NCACTIVATE)->wParam, WPARAM(FALSE));
  EXPECT_EQ(LOWORD(b.Last(WM_ACTIVATE)->wParam), WA_ACTIVE);
  EXPECT_GE(hook.Count(WM_ACTIVATE), 2);
  EXPECT_GE(hook.Count(WM_NCACTIVATE), 2);
}

TEST(WindowMessages, ResizeSendsSizeAndInvalidateSendsPaint) {
  RecordingWindow w;
  w.seen.clear();
  SetWindowPos(w.hwnd(), 0, 0, 0, 260, 170, SWP_NOMOVE | SWP_NOZORDER);
  ASSERT_TRUE(WaitFor([&] { return w.Count(WM_SIZE) >= 1; }));
  EXPECT_EQ(w.Last(WM_SIZE)->wParam, SIZE_RESTORED);
  EXPECT_EQ(w.Last(WM_SIZE)->lParam, MAKELPARAM(260, 170));
  RECT client;
  ASSERT_TRUE(GetClientRect(w.hwnd(), &client));
  EXPECT_EQ(client, (RECT{0, 0, 260, 170}));

  w.seen.clear();
  HookRecorder hook;
  ASSERT_TRUE(InvalidateRect(w.hwnd(), nullptr, TRUE));
  ASSERT_TRUE(WaitFor([&] { return w.Count(WM_PAINT) >= 1; }));
  EXPECT_GE(hook.Count(WM_PAINT), 1);
}

TEST(WindowMessages, ShowAndHideSendShowWindow) {
  RecordingWindow w;
  w.seen.clear();
  EXPECT_TRUE(ShowWindow(w.hwnd(), SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(w.hwnd()));
  EXPECT_FALSE(ShowWindow(w.hwnd(), SW_SHOW));
  EXPECT_TRUE(IsWindowVisible(w.hwnd()));
  ASSERT_EQ(w.Count(WM_SHOWWINDOW), 2);
  EXPECT_EQ(w.Last(WM_SHOWWINDOW)->wParam, WPARAM(TRUE));
}

TEST(WindowMessages, HeldKeyRepeatsKeyDownWithoutReleases) {
  RecordingWindow w;
  HookRecorder hook;
  // X reports a held key as release/press pairs flagged as auto-repeat.
  QKeyEvent press(QEvent::KeyPress, Qt::Key_D, Qt::NoModifier, 40, 0, 0);
  QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_D, Qt::NoModifier, QString(), true);
  QKeyEvent repeatPress(QEvent::KeyPress, Qt::Key_D, Qt::NoModifier, QString(), true);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_D, Qt::NoModifier, 40, 0, 0);
  QCoreApplication::sendEvent(w.window.get(), &press);
  QCoreApplication::sendEvent(w.window.get(), &repeatRelease);
  QCoreApplication::sendEvent(w.window.get(), &repeatPress);
  QCoreApplication::sendEvent(w.window.get(), &release);
  ASSERT_EQ(hook.Count(WM_KEYDOWN), 2);
  ASSERT_EQ(hook.Count(WM_KEYUP), 1);
  EXPECT_EQ((static_cast<DWORD>(hook.seen[0].lParam) >> 16) & 0xFF, 32u);  // scan code of D
  EXPECT_EQ((static_cast<DWORD>(hook.seen[1].lParam) >> 30) & 1, 1u);      // was down before
  EXPECT_EQ(hook.seen[2].message, WM_KEYUP);
}

TEST(WindowMessages, WheelCarriesDeltaAndScreenPosition) {
  RecordingWindow w(WS_POPUP, 30, 40, 200, 100);
  HookRecorder hook;
  QWheelEvent wheel(QPointF(5, 6), QPointF(35, 46), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::ControlModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(w.window.get(), &wheel);
  const MSG* m = hook.Last(WM_MOUSEWHEEL);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(static_cast<std::int16_t>(HIWORD(m->wParam)), -WHEEL_DELTA);
  EXPECT_EQ(LOWORD(m->wParam), MK_CONTROL);
  EXPECT_EQ(m->lParam, MAKELPARAM(35, 46));
}
