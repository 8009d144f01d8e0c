#include "shell/win32/TMonitorCoverWin32.h"

namespace zelmar {

namespace {

constexpr const char* kBlankClass = "ZelmarMonitorBlank";

TMonitorCoverWin32* CoverOf(HWND window) {
  return reinterpret_cast<TMonitorCoverWin32*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CALLBACK BlankProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_SETCURSOR:
      SetCursor(nullptr);  // hidden, as over the saver
      return TRUE;
    case WM_DISPLAYCHANGE:
      // Told to every top-level window: the watch window alone acts on it.
      if (TMonitorCoverWin32* cover = CoverOf(window)) cover->Update();
      return 0;
    default:
      return DefWindowProcA(window, msg, wParam, lParam);
  }
}

bool RegisterBlankClass() {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = BlankProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kBlankClass;
    return RegisterClassA(&wc) != 0;
  }();
  return registered;
}

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT rect, LPARAM list) {
  reinterpret_cast<std::vector<RECT>*>(list)->push_back(*rect);
  return TRUE;
}

}  // namespace

std::vector<RECT> TMonitorCoverWin32::Uncovered(const std::vector<RECT>& Monitors,
                                                const RECT& Saver) {
  std::vector<RECT> others;
  for (const RECT& m : Monitors) {
    RECT overlap{};
    if (!IntersectRect(&overlap, &m, &Saver)) others.push_back(m);
  }
  return others;
}

TMonitorCoverWin32::TMonitorCoverWin32(HWND Saver) : FSaver(Saver) {
  if (!RegisterBlankClass()) return;
  FWatch = CreateWindowExA(WS_EX_TOOLWINDOW, kBlankClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
  if (FWatch) SetWindowLongPtrA(FWatch, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  Update();
  // Moves over the other monitors come to the saver's window, as moves over its own do.
  SetCapture(FSaver);
}

TMonitorCoverWin32::~TMonitorCoverWin32() {
  if (GetCapture() == FSaver) ReleaseCapture();
  for (HWND blank : FBlanks) DestroyWindow(blank);
  if (FWatch) DestroyWindow(FWatch);
}

void TMonitorCoverWin32::Update() {
  std::vector<RECT> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  RECT saver{};
  GetWindowRect(FSaver, &saver);
  const std::vector<RECT> others = Uncovered(monitors, saver);
  // Fewer monitors: the surplus windows go; more: new ones come.
  while (FBlanks.size() > others.size()) {
    DestroyWindow(FBlanks.back());
    FBlanks.pop_back();
  }
  while (FBlanks.size() < others.size()) {
    HWND blank =
        CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kBlankClass, "",
                        WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!blank) break;
    FBlanks.push_back(blank);
  }
  for (std::size_t i = 0; i < FBlanks.size(); ++i) {
    const RECT& r = others[i];
    SetWindowPos(FBlanks[i], HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
}

std::unique_ptr<TMonitorCover> TMonitorCover::Create(HWND Saver) {
  if (!IsWindow(Saver)) return nullptr;
  return std::make_unique<TMonitorCoverWin32>(Saver);
}

}  // namespace zelmar
