// zelmar.scr as Windows runs it, in a process of its own: /s full screen until a key or a move
// of more than five pixels, /p into a host window of this test until the host goes, /a at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/window/winuser.h"

namespace {

// The program as built; a path of the build machine is reached through Wine's drive for "/".
std::string Program() {
  std::string path = ZELMAR_SCR;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  return path;
}

struct Process {
  PROCESS_INFORMATION info{};
  bool Start(const std::string& arguments) {
    std::string line = "\"" + Program() + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info) != 0;
  }
  // The exit code once it has ended within ms, else STILL_ACTIVE.
  DWORD WaitExit(DWORD ms) {
    WaitForSingleObject(info.hProcess, ms);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info.hProcess, &code);
    return code;
  }
  ~Process() {
    if (!info.hProcess) return;
    if (WaitExit(0) == STILL_ACTIVE) TerminateProcess(info.hProcess, 99);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
};

void Pump(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (GetTickCount64() < end) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
}

// The saver's window once it covers the screen, or null after ms.
HWND WaitForSaverWindow(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (GetTickCount64() < end) {
    HWND w = FindWindowA("ZelmarForm", nullptr);
    RECT r{};
    if (w && IsWindowVisible(w) && GetWindowRect(w, &r) &&
        r.right - r.left == GetSystemMetrics(SM_CXSCREEN))
      return w;
    Pump(50);
  }
  return nullptr;
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
  Process saver;
  ASSERT_TRUE(saver.Start("/s"));
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
  Process saver;
  ASSERT_TRUE(saver.Start("/S"));
  HWND window = WaitForSaverWindow(60000);
  ASSERT_TRUE(window);
  Pump(kSettleMs);
  EXPECT_EQ(saver.WaitExit(0), STILL_ACTIVE);
  ASSERT_TRUE(Xdotool("key z"));
  EXPECT_EQ(saver.WaitExit(20000), 0u) << "a key did not end the saver";
}

TEST(SaverProcess, PreviewRunsWhileItsHostLivesAndNoneAtAll) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "ZelmarHost";
  RegisterClassA(&wc);
  HWND host = CreateWindowExA(0, "ZelmarHost", "host", WS_POPUP | WS_VISIBLE, 0, 0, 152, 112,
                              nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_TRUE(host);
  Process preview;
  ASSERT_TRUE(preview.Start("/p " + std::to_string(reinterpret_cast<std::uintptr_t>(host))));
  Pump(3000);
  EXPECT_EQ(preview.WaitExit(0), STILL_ACTIVE) << "the preview ended while its host lived";
  // The star field and the icon gliding over it, drawn by the other process. The icon is off
  // the picture for part of each crossing: the most of several looks counts.
  int white = 0, coloured = 0;
  for (int look = 0; look < 10; ++look) {
    int w = 0, c = 0;
    for (std::uint32_t p : ScreenPixels(host, 152, 112)) {
      if (p == 0xFFFFFF)
        ++w;
      else if (p != 0)
        ++c;
    }
    white = std::max(white, w);
    coloured = std::max(coloured, c);
    Pump(100);
  }
  std::printf("preview on the screen: %d white, %d coloured pixels\n", white, coloured);
  EXPECT_GE(white, 50);
  EXPECT_GT(coloured, 300);
  DestroyWindow(host);
  EXPECT_EQ(preview.WaitExit(20000), 0u) << "the preview outlived its host";

  Process none;
  ASSERT_TRUE(none.Start("/a"));
  EXPECT_EQ(none.WaitExit(20000), 0u);
}
