#include "WindowTestSupport.h"

#include <QTest>

TApplication& App() {
  static int argc = 1;
  static char name[] = "platform_window_test";
  static char* argv[] = {name, nullptr};
  static TApplication app(argc, argv);
  return app;
}

bool WaitFor(const std::function<bool()>& pred, int maxMs) {
  App();
  return QTest::qWaitFor(pred, maxMs);
}

void Settle(int ms) {
  App();
  QTest::qWait(ms);
}

namespace {
int CountIn(const std::vector<MSG>& seen, UINT msg) {
  int n = 0;
  for (const MSG& m : seen) n += m.message == msg;
  return n;
}
const MSG* LastIn(const std::vector<MSG>& seen, UINT msg) {
  for (auto it = seen.rbegin(); it != seen.rend(); ++it)
    if (it->message == msg) return &*it;
  return nullptr;
}
}  // namespace

RecordingWindow::RecordingWindow(DWORD style, int x, int y, int w, int h) {
  App();
  window = std::make_unique<TWindow>(style);
  SubclassWindow(window->Handle(), [this](HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    MSG m;
    m.hwnd = hwnd;
    m.message = msg;
    m.wParam = wp;
    m.lParam = lp;
    seen.push_back(m);
    return DefWindowProcA(hwnd, msg, wp, lp);
  });
  SetWindowPos(hwnd(), HWND_TOP, x, y, w, h, SWP_SHOWWINDOW);
  exposed = QTest::qWaitForWindowExposed(window.get());
}

RecordingWindow::~RecordingWindow() {
  if (window) SubclassWindow(window->Handle(), DefWindowProcA);
}

int RecordingWindow::Count(UINT msg) const {
  return CountIn(seen, msg);
}
const MSG* RecordingWindow::Last(UINT msg) const {
  return LastIn(seen, msg);
}

HookRecorder::HookRecorder() {
  App().SetOnMessage([this](MSG& msg, bool&) { seen.push_back(msg); });
}
HookRecorder::~HookRecorder() {
  App().SetOnMessage({});
}
int HookRecorder::Count(UINT msg) const {
  return CountIn(seen, msg);
}
const MSG* HookRecorder::Last(UINT msg) const {
  return LastIn(seen, msg);
}
