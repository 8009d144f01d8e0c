// The application object over Windows' own message queue: PeekMessage until the queue is empty
// (every message through the hook first), then the idle hook, then WaitMessage when it is done.
#include "platform/window/TApplication.h"

#include <chrono>

#include "platform/window/IdlePacer.h"

namespace {

TApplication* g_instance = nullptr;

}  // namespace

struct TApplication::Private {
  IdlePacer idle;
  TMessageEvent onMessage;
  HWND mainWindow = 0;
  bool mainWindowChosen = false;
  bool terminated = false;
  int exitCode = 0;
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
  d_->idle.SetHook(std::move(hook));
}
bool TApplication::HasOnIdle() const {
  return d_->idle.HasHook();
}
void TApplication::SetIdlePace(double perSecond) {
  d_->idle.SetPace(perSecond);
}
double TApplication::IdlePace() const {
  return d_->idle.Pace();
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
  const IdlePacer::Clock::time_point started = IdlePacer::Clock::now();
  if (const auto untilDue = d_->idle.Wait(started); untilDue > IdlePacer::Clock::duration{}) {
    // Not due yet: sleep until it is, or until a message comes first.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(untilDue);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(wait.count()), QS_ALLINPUT);
    return;
  }
  const bool done = d_->idle.Run(started);
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
