#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "WindowTestSupport.h"
#include "platform_window/X11Support.h"

TEST(WindowPlacement, StyleReadsLiveVisibilityAndKeepsOtherBits) {
  RecordingWindow w(WS_OVERLAPPEDWINDOW);
  const DWORD style = static_cast<DWORD>(GetWindowLongA(w.hwnd(), GWL_STYLE));
  EXPECT_EQ(style, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  ShowWindow(w.hwnd(), SW_HIDE);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(w.hwnd(), GWL_STYLE)), WS_OVERLAPPEDWINDOW);
  // Writing WS_VISIBLE does not show the window, as in Windows.
  const LONG previous = SetWindowLongA(w.hwnd(), GWL_STYLE, static_cast<LONG>(0x90080000u));
  EXPECT_EQ(static_cast<DWORD>(previous), WS_OVERLAPPEDWINDOW);
  EXPECT_FALSE(IsWindowVisible(w.hwnd()));
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(w.hwnd(), GWL_STYLE)), WS_POPUP | WS_SYSMENU);
  EXPECT_TRUE(w.window->flags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(GetWindowLongA(0x12345, GWL_STYLE), 0);  // no such window: quietly nothing
}

TEST(WindowPlacement, FullScreenStyleCoversTheScreenAndWindowedComesBack) {
  RecordingWindow w(WS_CAPTION | WS_SYSMENU, 200, 150, 304, 213);
  const HWND hwnd = w.hwnd();
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), screen.width());
  ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), screen.height());

  // What the framework does: save the windowed state, switch the style, cover the screen.
  const LONG windowedStyle = GetWindowLongA(hwnd, GWL_STYLE);
  RECT bounds;
  ASSERT_TRUE(GetWindowRect(hwnd, &bounds));
  SetMenu(hwnd, 0x77);
  const HMENU menu = GetMenu(hwnd);
  SetMenu(hwnd, 0);
  SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_VISIBLE | WS_SYSMENU));
  ASSERT_TRUE(
      SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, screen.width(), screen.height(), SWP_SHOWWINDOW));
  const RECT full{0, 0, screen.width(), screen.height()};
  RECT rect;
  ASSERT_TRUE(GetWindowRect(hwnd, &rect));
  EXPECT_EQ(rect, full);
  ASSERT_TRUE(GetClientRect(hwnd, &rect));
  EXPECT_EQ(rect, full);
  EXPECT_TRUE(WaitFor([&] { return ServerRect(hwnd) == full; })) << "X server disagrees";
  EXPECT_TRUE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(w.window->flags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(w.window->flags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(w.window->windowStates().testFlag(Qt::WindowFullScreen));
  if (const char* shot = std::getenv("ZELMAR_WINDOW_SCREENSHOT")) {
    Settle(200);
    const QString command = QStringLiteral("import -window root %1").arg(shot);
    std::system(command.toLocal8Bit().constData());
  }

  // Back to windowed: style, menu and rectangle as they were, no longer topmost.
  SetWindowLongA(hwnd, GWL_STYLE, windowedStyle);
  SetMenu(hwnd, menu);
  ASSERT_TRUE(SetWindowPos(hwnd, HWND_NOTOPMOST, bounds.left, bounds.top,
                           bounds.right - bounds.left, bounds.bottom - bounds.top, SWP_SHOWWINDOW));
  ASSERT_TRUE(GetWindowRect(hwnd, &rect));
  EXPECT_EQ(rect, bounds);
  EXPECT_EQ(GetWindowLongA(hwnd, GWL_STYLE), windowedStyle);
  EXPECT_EQ(GetMenu(hwnd), HMENU(0x77));
  EXPECT_FALSE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(w.window->windowStates().testFlag(Qt::WindowFullScreen));
  EXPECT_FALSE(w.window->flags().testFlag(Qt::FramelessWindowHint));
}

TEST(WindowPlacement, NoMoveNoSizeKeepsTheRectangle) {
  RecordingWindow w(WS_POPUP, 50, 60, 200, 100);
  RECT before, after;
  GetWindowRect(w.hwnd(), &before);
  SetWindowPos(w.hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  GetWindowRect(w.hwnd(), &after);
  EXPECT_EQ(before, after);
  EXPECT_EQ(after, (RECT{50, 60, 250, 160}));
  EXPECT_TRUE(GetWindowLongA(w.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST(WindowPlacement, ScreenToClientAndBack) {
  RecordingWindow w(WS_POPUP, 40, 30, 200, 100);
  POINT p{50, 45};
  ASSERT_TRUE(ScreenToClient(w.hwnd(), &p));
  EXPECT_EQ(p, (POINT{10, 15}));
  ASSERT_TRUE(ClientToScreen(w.hwnd(), &p));
  EXPECT_EQ(p, (POINT{50, 45}));
}

TEST(WindowPlacement, CreateWindowExMakesAnOwnedWindow) {
  const HWND hwnd = CreateWindowExA(0, "ScrnFrm", "ScrnFrm", WS_POPUP | WS_VISIBLE, 20, 30, 104,
                                    213, 0, 0, 0, nullptr);
  ASSERT_NE(hwnd, 0u);
  EXPECT_TRUE(IsWindowVisible(hwnd));
  RECT r;
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r, (RECT{20, 30, 124, 243}));
  EXPECT_TRUE(DestroyWindow(hwnd));
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(DestroyWindow(hwnd));
}

TEST(Cursor, ShowCursorKeepsACounter) {
  RecordingWindow w;
  EXPECT_EQ(ShowCursor(FALSE), -1);
  EXPECT_EQ(w.window->cursor().shape(), Qt::BlankCursor);
  EXPECT_EQ(ShowCursor(FALSE), -2);
  EXPECT_EQ(ShowCursor(TRUE), -1);
  EXPECT_EQ(w.window->cursor().shape(), Qt::BlankCursor);
  EXPECT_EQ(ShowCursor(TRUE), 0);
  EXPECT_EQ(w.window->cursor().shape(), Qt::ArrowCursor);
  const HCURSOR arrow = SetCursor(0);
  EXPECT_EQ(arrow, LoadCursorA(0, IDC_ARROW));
  EXPECT_EQ(w.window->cursor().shape(), Qt::BlankCursor);
  SetCursor(arrow);
  EXPECT_EQ(w.window->cursor().shape(), Qt::ArrowCursor);
}

TEST(Cursor, ClipConfinesThePointerToTheWindow) {
  RecordingWindow w(WS_POPUP, 300, 200, 200, 150);
  RECT rect;
  GetWindowRect(w.hwnd(), &rect);
  ASSERT_TRUE(WaitFor([&] { return ServerRect(w.hwnd()) == rect; }));
  ASSERT_TRUE(ClipCursor(&rect));
  RECT clip;
  ASSERT_TRUE(GetClipCursor(&clip));
  EXPECT_EQ(clip, rect);
  SetCursorPos(10, 10);
  POINT p;
  ASSERT_TRUE(WaitFor([&] {
    GetCursorPos(&p);
    return p.x == rect.left && p.y == rect.top;
  })) << p.x
      << "," << p.y;
  ASSERT_TRUE(ClipCursor(nullptr));
  SetCursorPos(10, 10);
  ASSERT_TRUE(WaitFor([&] {
    GetCursorPos(&p);
    return p.x == 10 && p.y == 10;
  }));
  const RECT nowhere{1, 2, 3, 4};
  EXPECT_FALSE(ClipCursor(&nowhere));
}
