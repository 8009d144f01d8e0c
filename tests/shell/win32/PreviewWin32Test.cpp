// The preview on Windows, in this process: it draws the star field and the icon into a child
// of a host window the test makes, and ends when the host goes or the child is closed. Read back
// here, where the host's window surface lives (a drawing from another process need not reach this
// one's read-back under Wine).
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <vector>

#include "platform/window/winuser.h"
#include "shell/preview/Preview.h"

namespace {

HWND MakeHost(int width, int height) {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZelmarPreviewHost";
    return RegisterClassA(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  return CreateWindowExA(0, "ZelmarPreviewHost", "host", WS_POPUP | WS_VISIBLE, 10, 10, width,
                         height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

void Pump(int ms) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
  while (GetTickCount64() < end) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
}

// The host's client area as 0x00RRGGBB pixels, top row first.
std::vector<std::uint32_t> ReadBack(HWND host, int width, int height) {
  HDC dc = GetDC(host);
  HDC memory = CreateCompatibleDC(dc);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* p = static_cast<const std::uint32_t*>(bits);
  std::vector<std::uint32_t> pixels(p, p + static_cast<std::size_t>(width) * height);
  for (auto& px : pixels) px &= 0xFFFFFF;
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(host, dc);
  return pixels;
}

}  // namespace

TEST(PreviewWin32, DrawsStarsAndTheIconIntoTheHostAndEndsWhenItGoes) {
  const int width = 152, height = 112;
  HWND host = MakeHost(width, height);
  ASSERT_TRUE(host);
  const std::string handle = std::to_string(reinterpret_cast<std::uintptr_t>(host));
  auto preview = std::async(std::launch::async, [&] { return zelmar::RunPreview(handle); });
  // Long enough for the icon to be well inside the picture: a pass takes about 10 ms.
  Pump(800);
  // A window of the preview's own, the host's one child, covering its client area.
  HWND child = GetWindow(host, GW_CHILD);
  ASSERT_TRUE(child);
  EXPECT_FALSE(GetWindow(child, GW_HWNDNEXT));
  RECT covered{};
  GetClientRect(child, &covered);
  EXPECT_EQ(covered.right, width);
  EXPECT_EQ(covered.bottom, height);
  const std::vector<std::uint32_t> pixels = ReadBack(host, width, height);
  int white = 0, coloured = 0;
  for (std::uint32_t p : pixels) {
    if (p == 0xFFFFFF)
      ++white;
    else if (p != 0)
      ++coloured;
  }
  // 100 stars (some may coincide or sit under the icon) and the icon's colours.
  EXPECT_GE(white, 50);
  EXPECT_LE(white, 100 + 32 * 32);
  EXPECT_GT(coloured, 100);
  DestroyWindow(host);
  ASSERT_EQ(preview.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(preview.get(), 0);
}

TEST(PreviewWin32, EndsWhenItsWindowIsClosedWhileTheHostStays) {
  HWND host = MakeHost(152, 112);
  ASSERT_TRUE(host);
  const std::string handle = std::to_string(reinterpret_cast<std::uintptr_t>(host));
  auto preview = std::async(std::launch::async, [&] { return zelmar::RunPreview(handle); });
  HWND child = nullptr;
  for (int i = 0; i < 500 && !child; ++i) {
    Pump(10);
    child = GetWindow(host, GW_CHILD);
  }
  ASSERT_TRUE(child);
  PostMessageA(child, WM_CLOSE, 0, 0);
  for (int i = 0;
       i < 1000 && preview.wait_for(std::chrono::seconds(0)) != std::future_status::ready; ++i)
    Pump(10);
  ASSERT_EQ(preview.wait_for(std::chrono::seconds(1)), std::future_status::ready);
  EXPECT_EQ(preview.get(), 0);
  EXPECT_FALSE(IsWindow(child));
  EXPECT_TRUE(IsWindow(host));
  DestroyWindow(host);
}

TEST(PreviewWin32, BadHandlesAreRefusedWithoutWaiting) {
  EXPECT_EQ(zelmar::RunPreview(""), 2);
  EXPECT_EQ(zelmar::RunPreview("window"), 2);
  // A number that names no window.
  EXPECT_EQ(zelmar::RunPreview("123456789"), 2);
}
