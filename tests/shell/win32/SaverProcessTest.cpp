// zelmar.scr as Windows runs it, in a process of its own: /s full screen until a key, a move
// of more than five pixels or another window taking the focus, never showing anything but the
// full-screen picture; /p in a child of a host window of this test until the child or the host
// goes; /a at once.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/window/winuser.h"
#include "support/ZelmarProcess.h"

namespace {

void Pump(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (GetTickCount64() < end) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
}

// Whether the saver's window, whenever it was seen shown, was the full-screen picture alone: the
// whole screen, no caption, no taskbar or Alt+Tab entry. Looks are taken as often as the test
// can, so a flash of another shape is likely, not certain, to be seen.
struct ShapeWatch {
  int Looks = 0;
  std::string Wrong;
  void Look(HWND w) {
    if (!w || !IsWindowVisible(w)) return;
    ++Looks;
    RECT r{};
    GetWindowRect(w, &r);
    const LONG style = GetWindowLongA(w, GWL_STYLE);
    const LONG exStyle = GetWindowLongA(w, GWL_EXSTYLE);
    if (!Wrong.empty()) return;
    if (r.left != 0 || r.top != 0 || r.right != GetSystemMetrics(SM_CXSCREEN) ||
        r.bottom != GetSystemMetrics(SM_CYSCREEN))
      Wrong = "shown at " + std::to_string(r.left) + "," + std::to_string(r.top) + " " +
              std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
    else if ((style & WS_CAPTION) == WS_CAPTION)
      Wrong = "shown with a caption";
    else if (!(exStyle & WS_EX_TOOLWINDOW) || (exStyle & WS_EX_APPWINDOW))
      Wrong = "shown with a taskbar entry";
  }
};

// Windows of the class, shown or not.
int CountWindows(const char* className) {
  struct Count {
    const char* Class;
    int N;
  } count{className, 0};
  EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto* c = reinterpret_cast<Count*>(p);
        char name[64] = {};
        GetClassNameA(w, name, sizeof name);
        if (std::string(name) == c->Class) ++c->N;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count.N;
}

// What the screen shows inside the window's client area, as 0x00RRGGBB pixels: the picture as
// it reached the X server, whichever process drew it.
std::vector<std::uint32_t> ScreenPixels(HWND window, int width, int height) {
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  const auto* p = static_cast<const std::uint32_t*>(bits);
  std::vector<std::uint32_t> pixels(p, p + static_cast<std::size_t>(width) * height);
  for (auto& px : pixels) px &= 0xFFFFFF;
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

// The saver's window once it covers the screen and its picture shows, or null after ms. The
// window covers the screen from the start, while the renderer starts; the first frame comes
// after the saver has begun to watch its input.
HWND WaitForSaverWindow(DWORD ms, ShapeWatch* watch = nullptr) {
  const ULONGLONG end = GetTickCount64() + ms;
  ULONGLONG nextLook = 0;
  while (GetTickCount64() < end) {
    HWND w = FindWindowA("ZelmarForm", nullptr);
    if (watch) watch->Look(w);
    RECT r{};
    if (w && IsWindowVisible(w) && GetWindowRect(w, &r) &&
        r.right - r.left == GetSystemMetrics(SM_CXSCREEN) && GetTickCount64() >= nextLook) {
      nextLook = GetTickCount64() + 200;
      const int width = r.right - r.left, height = r.bottom - r.top;
      for (std::uint32_t p : ScreenPixels(w, width, height))
        if (p != 0) return w;
    }
    Pump(watch ? 1 : 50);
  }
  return nullptr;
}

// Real X input, as a user's: xdotool, a Linux program, run through Wine's start /unix (which
// does not wait for it: its exit code comes back in a file). True when it ran and succeeded.
bool Xdotool(const std::string& arguments) {
  static int calls = 0;
  const std::string marker = "/tmp/zelmar-xdotool-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(++calls);
  std::string line = "C:\\windows\\system32\\start.exe /unix /bin/sh -c \"xdotool " + arguments +
                     "; echo $? > " + marker + ".part && mv " + marker + ".part " + marker + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info))
    return false;
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  const std::string windowsMarker = "Z:" + marker;
  const ULONGLONG end = GetTickCount64() + 10000;
  while (GetTickCount64() < end) {
    if (FILE* f = std::fopen(windowsMarker.c_str(), "r")) {
      int code = -1;
      const bool read = std::fscanf(f, "%d", &code) == 1;
      std::fclose(f);
      DeleteFileA(windowsMarker.c_str());
      return read && code == 0;
    }
    Sleep(20);
  }
  return false;
}

// Puts the X pointer at p and tells Wine, which otherwise keeps the position it read last.
void PlacePointer(POINT p) {
  ASSERT_TRUE(Xdotool("mousemove " + std::to_string(p.x) + " " + std::to_string(p.y)));
  SetCursorPos(p.x, p.y);
  Pump(200);
  POINT seen{};
  GetCursorPos(&seen);
  ASSERT_EQ(seen.x, p.x);
  ASSERT_EQ(seen.y, p.y);
}

// The saver ignores the messages its own showing causes; give them time to pass.
constexpr DWORD kSettleMs = 2500;

}  // namespace

TEST(SaverProcess, EndsOnAMoveOfSixPixelsButNotFive) {
  // Wine reads a stale pointer position when a program starts: put the pointer where Wine
  // thinks it is, so that the saver's start position is the real one.
  const POINT start{200, 200};
  PlacePointer(start);
  ZelmarProcess saver;
  ASSERT_TRUE(saver.Start(ZELMAR_SCR, "/s"));
  ASSERT_TRUE(WaitForSaverWindow(60000)) << "the saver's window did not cover the screen";
  Pump(kSettleMs);
  // Up to 5 pixels from where the saver started, in either direction and both at once.
  ASSERT_TRUE(Xdotool("mousemove 205 205"));
  Pump(300);
  ASSERT_TRUE(Xdotool("mousemove 195 200"));
  Pump(300);
  ASSERT_TRUE(Xdotool("mousemove 200 195"));
  EXPECT_EQ(saver.WaitExit(1500), STILL_ACTIVE) << "a move of 5 pixels ended the saver";
  ASSERT_TRUE(Xdotool("mousemove 206 200"));
  EXPECT_EQ(saver.WaitExit(20000), 0u) << "a move of 6 pixels did not end the saver";
}

TEST(SaverProcess, EndsOnAKey) {
  PlacePointer({300, 300});
  ZelmarProcess saver;
  ASSERT_TRUE(saver.Start(ZELMAR_SCR, "/S"));
  HWND window = WaitForSaverWindow(60000);
  ASSERT_TRUE(window);
  Pump(kSettleMs);
  EXPECT_EQ(saver.WaitExit(0), STILL_ACTIVE);
  ASSERT_TRUE(Xdotool("key z"));
  EXPECT_EQ(saver.WaitExit(20000), 0u) << "a key did not end the saver";
}

TEST(SaverProcess, EndsWhenAnotherWindowTakesTheFocusAndShowsNothingButThePicture) {
  PlacePointer({250, 250});
  ZelmarProcess saver;
  ShapeWatch shape;
  ASSERT_TRUE(saver.Start(ZELMAR_SCR, "/s"));
  HWND window = WaitForSaverWindow(60000, &shape);
  ASSERT_TRUE(window);
  Pump(kSettleMs);
  EXPECT_EQ(saver.WaitExit(0), STILL_ACTIVE) << "the saver's own activation ended it";
  shape.Look(window);

  // What the idle timeout sends while a saver started by hand runs: no second saver starts,
  // and this one runs on.
  SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
  Pump(1500);
  EXPECT_EQ(saver.WaitExit(0), STILL_ACTIVE) << "SC_SCREENSAVE ended the saver";
  EXPECT_EQ(CountWindows("ZelmarForm"), 1) << "SC_SCREENSAVE started another saver";

  // Another program's window takes the focus: Windows tells the saver by messages sent straight
  // to its window procedure.
  HWND other = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "other", WS_POPUP | WS_VISIBLE, 10, 10, 200,
                               100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(other);
  SetForegroundWindow(other);
  SetActiveWindow(other);
  DWORD code = STILL_ACTIVE;
  for (int i = 0; i < 400 && code == STILL_ACTIVE; ++i) {
    shape.Look(window);
    Pump(1);
    code = saver.WaitExit(50);
  }
  EXPECT_EQ(code, 0u) << "the saver outlived the loss of the focus";
  DestroyWindow(other);
  std::printf("saver's window seen shown %d times\n", shape.Looks);
  EXPECT_GT(shape.Looks, 0);
  EXPECT_EQ(shape.Wrong, "") << "something but the full-screen picture was seen";
}

namespace {

HWND MakeHost() {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZelmarHost";
    return RegisterClassA(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  return CreateWindowExA(0, "ZelmarHost", "host", WS_POPUP | WS_VISIBLE, 0, 0, 152, 112, nullptr,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

// The host's children, once the preview has made its own (or after ms).
std::vector<HWND> PreviewChildren(HWND host, DWORD ms) {
  std::vector<HWND> children;
  const ULONGLONG end = GetTickCount64() + ms;
  do {
    children.clear();
    for (HWND c = GetWindow(host, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
      children.push_back(c);
    if (!children.empty()) break;
    Pump(50);
  } while (GetTickCount64() < end);
  return children;
}

// The preview's exit code once it has ended, pumping the host's messages meanwhile; STILL_ACTIVE
// after ms.
DWORD WaitPreviewExit(ZelmarProcess& preview, DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  DWORD code = STILL_ACTIVE;
  while ((code = preview.WaitExit(10)) == STILL_ACTIVE && GetTickCount64() < end) Pump(1);
  return code;
}

}  // namespace

TEST(SaverProcess, PreviewEndsWhenItsChildIsClosed) {
  // The settings page ends a preview by closing the preview's window, the one child of its
  // own, or by destroying its own window with it (below); the preview process must then go
  // quickly, or copies pile up. (Windows, and Wine, refuse DestroyWindow on another thread's
  // window: a child of ours is destroyed only with its parent.)
  {
    HWND host = MakeHost();
    ASSERT_TRUE(host);
    ZelmarProcess preview;
    ASSERT_TRUE(
        preview.Start(ZELMAR_SCR, "/p " + std::to_string(reinterpret_cast<std::uintptr_t>(host))));
    const std::vector<HWND> children = PreviewChildren(host, 30000);
    ASSERT_EQ(children.size(), 1u) << "the preview made no window of its own in the host";
    HWND child = children[0];
    RECT client{}, covered{};
    GetClientRect(host, &client);
    GetClientRect(child, &covered);
    EXPECT_EQ(covered.right, client.right);
    EXPECT_EQ(covered.bottom, client.bottom);
    EXPECT_TRUE(GetWindowLongA(child, GWL_STYLE) & WS_CHILD);
    Pump(500);
    ASSERT_EQ(preview.WaitExit(0), STILL_ACTIVE);
    PostMessageA(child, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitPreviewExit(preview, 2000), 0u) << "the preview outlived its window by 2 s";
    DestroyWindow(host);
  }
}

TEST(SaverProcess, PreviewRunsWhileItsHostLivesAndNoneAtAll) {
  HWND host = MakeHost();
  ASSERT_TRUE(host);
  ZelmarProcess preview;
  ASSERT_TRUE(
      preview.Start(ZELMAR_SCR, "/p " + std::to_string(reinterpret_cast<std::uintptr_t>(host))));
  Pump(3000);
  EXPECT_EQ(preview.WaitExit(0), STILL_ACTIVE) << "the preview ended while its host lived";
  // What it draws is read back in the preview's own tests (PreviewWin32Test): Wine shows no
  // GDI drawing of a child window whose parent belongs to another process.
  EXPECT_EQ(PreviewChildren(host, 0).size(), 1u);
  DestroyWindow(host);
  EXPECT_EQ(WaitPreviewExit(preview, 2000), 0u) << "the preview outlived its host by 2 s";

  ZelmarProcess none;
  ASSERT_TRUE(none.Start(ZELMAR_SCR, "/a"));
  EXPECT_EQ(none.WaitExit(20000), 0u);
}
