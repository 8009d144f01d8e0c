// The preview on Windows: a child window of ours covering the host's client area, as the
// Screen Saver Settings page expects (it ends a preview by closing or destroying that child, or
// by destroying its own window with it). The star field and the gliding icon are drawn with
// GDI, composed in a bitmap of our own and copied over whole each pass.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/window/winuser.h"
#include "shell/preview/AppIcon.h"
#include "shell/preview/Preview.h"

namespace zelmar {

namespace {

constexpr const char* kPreviewClass = "ZelmarPreviewChild";

// Our own messages (the child's, and a window of our own); the host's are its own business.
void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

LRESULT CALLBACK PreviewProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the next pass covers it all
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    default:
      return DefWindowProcA(window, msg, wParam, lParam);
  }
}

// The child over the host's client area; null when the host takes none.
HWND MakePreviewChild(HWND host) {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PreviewProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kPreviewClass;
    return RegisterClassA(&wc) != 0;
  }();
  if (!registered) return nullptr;
  RECT r{};
  GetClientRect(host, &r);
  // No parent notification: made or destroyed, the child waits on no reply from the host's
  // thread.
  return CreateWindowExA(WS_EX_NOPARENTNOTIFY, kPreviewClass, "Zelmar preview",
                         WS_CHILD | WS_VISIBLE, 0, 0, r.right - r.left, r.bottom - r.top, host,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

int PreviewLoop(HWND host) {
  // A host that never shows its window must not keep a core busy, and one that destroys it
  // ends the wait.
  while (!IsWindowVisible(host)) {
    if (!IsWindow(host)) return 0;
    PumpMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  HWND child = MakePreviewChild(host);
  if (!child) {
    if (!IsWindow(host)) return 0;
    std::fprintf(stderr, "zelmar: /p: cannot make the preview's window in window 0x%lx\n",
                 static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(host)));
    return 2;
  }
  RECT r{};
  GetClientRect(child, &r);
  const TPreviewGeometry geometry = PreviewGeometry(r.right - r.left, r.bottom - r.top);
  const int width = geometry.Width, height = geometry.Height;

  const std::vector<TPreviewStar> stars = PreviewStars(width, height);
  const std::vector<std::uint32_t> icon = DrawAppIcon(kPreviewIconSize);

  HDC childDc = GetDC(child);
  HDC memoryDc = CreateCompatibleDC(childDc);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP frameBitmap = CreateDIBSection(childDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!frameBitmap) {
    std::fprintf(stderr, "zelmar: cannot create a %d x %d bitmap for the preview\n", width, height);
    DeleteDC(memoryDc);
    ReleaseDC(child, childDc);
    DestroyWindow(child);
    return 2;
  }
  HGDIOBJ old = SelectObject(memoryDc, frameBitmap);
  auto* frame = static_cast<std::uint32_t*>(bits);
  int x = -33;
  // Until the child goes (closed or destroyed by the host, or with the host's window) or the
  // host hides it.
  while (IsWindow(child) && IsWindowVisible(host)) {
    ComposePreview(frame, 0, 0, width, height, stars, icon, x, geometry.IconTop);
    GdiFlush();
    BitBlt(childDc, 0, 0, width - 1, height - 1, memoryDc, 0, 0, SRCCOPY);
    GdiFlush();
    // A close or destroy sent to the child is taken at once, not after the pause.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    PumpMessages();
    x = NextIconColumn(x, width);
  }
  SelectObject(memoryDc, old);
  DeleteObject(frameBitmap);
  DeleteDC(memoryDc);
  // The device context goes with a window that is gone already.
  if (IsWindow(child)) {
    ReleaseDC(child, childDc);
    DestroyWindow(child);
  }
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
