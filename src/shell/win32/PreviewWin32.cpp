// The preview on Windows: the star field and the gliding icon drawn with GDI straight into the
// host's window, composed in a bitmap of our own and copied over whole each pass.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/window/winuser.h"
#include "shell/AppIcon.h"
#include "shell/Preview.h"

namespace zelmar {

namespace {

// Our own messages (a preview in a window of our own); the host's are its own business.
void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

int PreviewLoop(HWND host) {
  // A host that never shows its window must not keep a core busy, and one that destroys it
  // ends the wait.
  while (!IsWindowVisible(host)) {
    if (!IsWindow(host)) return 0;
    PumpMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  RECT r{};
  GetWindowRect(host, &r);
  const TPreviewGeometry geometry = PreviewGeometry(r.right - r.left, r.bottom - r.top);
  const int width = geometry.Width, height = geometry.Height;

  const std::vector<TPreviewStar> stars = PreviewStars(width, height);
  const std::vector<std::uint32_t> icon = DrawAppIcon(kPreviewIconSize);

  HDC hostDc = GetDC(host);
  HDC memoryDc = CreateCompatibleDC(hostDc);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP frameBitmap = CreateDIBSection(hostDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!frameBitmap) {
    std::fprintf(stderr, "zelmar: cannot create a %d x %d bitmap for the preview\n", width, height);
    DeleteDC(memoryDc);
    ReleaseDC(host, hostDc);
    return 2;
  }
  HGDIOBJ old = SelectObject(memoryDc, frameBitmap);
  auto* frame = static_cast<std::uint32_t*>(bits);
  int x = -33;
  while (IsWindowVisible(host)) {
    ComposePreview(frame, 0, 0, width, height, stars, icon, x, geometry.IconTop);
    GdiFlush();
    BitBlt(hostDc, 0, 0, width - 1, height - 1, memoryDc, 0, 0, SRCCOPY);
    GdiFlush();
    Sleep(10);
    PumpMessages();
    x = NextIconColumn(x, width);
  }
  SelectObject(memoryDc, old);
  DeleteObject(frameBitmap);
  DeleteDC(memoryDc);
  // The host's device context goes with a window that is gone already.
  if (IsWindow(host)) ReleaseDC(host, hostDc);
  return 0;
}

}  // namespace

int RunPreview(const std::string& handle) {
  unsigned long id = 0;
  if (!ParsePreviewHandle(handle, id)) return 2;
  HWND host = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(id));
  if (!IsWindow(host)) {
    std::fprintf(stderr, "zelmar: /p: there is no window %lu (0x%lx)\n", id, id);
    return 2;
  }
  return PreviewLoop(host);
}

int RunPreviewInOwnWindow(int width, int height) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = [](HWND w, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
    if (msg == WM_CLOSE) {
      DestroyWindow(w);
      return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
  };
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = "ZelmarPreview";
  RegisterClassA(&wc);
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  HWND window =
      CreateWindowExA(0, "ZelmarPreview", "Zelmar preview", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                      CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                      frame.bottom - frame.top, nullptr, nullptr, wc.hInstance, nullptr);
  if (!window) {
    std::fprintf(stderr, "zelmar: cannot open a window for the preview\n");
    return 2;
  }
  // The preview's host is the client area: a child filling it.
  HWND host = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, width, height, window,
                              nullptr, wc.hInstance, nullptr);
  return PreviewLoop(host ? host : window);
}

}  // namespace zelmar
