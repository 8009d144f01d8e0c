// The application object over Windows' own message queue: PeekMessage until the queue is empty
// (every message through the hook first), then the idle hook, then WaitMessage when it is done.
#include "platform/window/TApplication.h"

#include <chrono>
#include <cmath>

namespace {

TApplication* g_instance = nullptr;

using Clock = std::chrono::steady_clock;

// As on the other platforms: the next run is due one interval after the one before; a late run
// starts the count again instead of catching up in a burst.
Clock::time_point NextDue(Clock::time_point due, Clock::time_point started,
                          Clock::duration interval) {
  return started - due < interval ? due + interval : started + interval;
}

}  // namespace

struct TApplication::Private {
  TIdleEvent onIdle;
  TMessageEvent onMessage;
  HWND mainWindow = 0;
  bool mainWindowChosen = false;
  bool terminated = false;
  int exitCode = 0;
  bool inIdle = false;
  // Pacing: the time between runs of the idle hook (zero: none) and when the next one is due.
  Clock::duration idleInterval{};
  Clock::time_point idleDue{};
};

TApplication::TApplication(int&, char**) : d_(std::make_unique<Private>()) {
  g_instance = this;
}

TApplication::~TApplication() {
  g_instance = nullptr;
}

TApplication* TApplication::Instance() {
  return g_instance;
}

void TApplication::SetOnIdle(TIdleEvent hook) {
  d_->onIdle = std::move(hook);
}
bool TApplication::HasOnIdle() const {
  return static_cast<bool>(d_->onIdle);
}
void TApplication::SetIdlePace(double perSecond) {
  if (!(perSecond > 0.0) || !std::isfinite(perSecond)) {
    d_->idleInterval = {};
    return;
  }
  d_->idleInterval =
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / perSecond));
  d_->idleDue = Clock::now();
}
double TApplication::IdlePace() const {
  if (d_->idleInterval == Clock::duration{}) return 0.0;
  return 1.0 / std::chrono::duration<double>(d_->idleInterval).count();
}
void TApplication::SetOnMessage(TMessageEvent hook) {
  d_->onMessage = std::move(hook);
}
bool TApplication::HasOnMessage() const {
  return static_cast<bool>(d_->onMessage);
}

void TApplication::SetMainWindow(HWND hwnd) {
  d_->mainWindow = hwnd;
  d_->mainWindowChosen = true;
  d_->terminated = false;
}

HWND TApplication::MainWindow() const {
  return d_->mainWindow;
}

void TApplication::WindowCreated(HWND hwnd) {
  if (!d_->mainWindowChosen) {
    d_->mainWindow = hwnd;
    d_->mainWindowChosen = true;
  }
}

void TApplication::WindowDestroyed(HWND hwnd) {
  if (hwnd != 0 && hwnd == d_->mainWindow) Terminate(0);
}

int TApplication::Run() {
  if (d_->mainWindow == 0) return d_->exitCode;
  while (!d_->terminated) HandleMessage();
  return d_->exitCode;
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (!d_->terminated && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      Terminate(static_cast<int>(msg.wParam));
      break;
    }
    if (FilterMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  // Windows made elsewhere (a host's, a dialog's) do not tell us they went; ask.
  if (d_->mainWindow && !IsWindow(d_->mainWindow)) Terminate(0);
}

void TApplication::HandleMessage() {
  ProcessMessages();
  if (d_->terminated) return;
  const bool paced = d_->idleInterval != Clock::duration{};
  const Clock::time_point started = Clock::now();
  if (paced && d_->onIdle && !d_->inIdle && started < d_->idleDue) {
    // Not due yet: sleep until it is, or until a message comes first.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(d_->idleDue - started);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(wait.count()), QS_ALLINPUT);
    return;
  }
  bool done = true;
  if (d_->onIdle && !d_->inIdle) {
    d_->inIdle = true;
    TIdleEvent hook = d_->onIdle;  // the hook may replace itself
    hook(done);
    d_->inIdle = false;
    if (paced && !done) d_->idleDue = NextDue(d_->idleDue, started, d_->idleInterval);
  }
  if (d_->terminated || !done) return;
  // Nothing more to do: sleep until a message arrives. The main window may have gone without a
  // message to us (a host destroyed it), so the sleep is bounded.
  MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
}

void TApplication::Terminate(int exitCode) {
  if (!d_->terminated) d_->exitCode = exitCode;
  d_->terminated = true;
  // Wake a loop that waits for messages.
  PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
}

bool TApplication::Terminated() const {
  return d_->terminated;
}

bool TApplication::FilterMessage(MSG& msg) {
  if (!d_->onMessage) return false;
  bool handled = false;
  TMessageEvent hook = d_->onMessage;
  hook(msg, handled);
  return handled;
}
