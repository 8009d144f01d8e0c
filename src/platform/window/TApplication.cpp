#include "platform/window/TApplication.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <chrono>

#include "platform/window/IdlePacer.h"
#include "platform/window/TWindow.h"
#include "platform/window/WindowSystem.h"

namespace {
TApplication* g_instance = nullptr;
}

struct TApplication::Private {
  std::unique_ptr<QApplication> ownApp;
  IdlePacer idle;
  TMessageEvent onMessage;
  HWND mainWindow = 0;
  bool mainWindowChosen = false;
  QPointer<QObject> foreignWatch;  // context of the connection to a foreign main window
  bool terminated = false;
  int exitCode = 0;
  std::unique_ptr<QTimer> idleWake;  // wakes the loop when a paced idle run is due
};

TApplication::TApplication(int& argc, char** argv) : d_(std::make_unique<Private>()) {
  if (!QCoreApplication::instance()) d_->ownApp = std::make_unique<QApplication>(argc, argv);
  // Our Run() decides when the program ends, not the toolkit's count of visible windows.
  if (qGuiApp) QGuiApplication::setQuitOnLastWindowClosed(false);
  g_instance = this;
  window_system::TMessageQueue::Instance();
}

TApplication::~TApplication() {
  delete d_->foreignWatch.data();
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
  delete d_->foreignWatch.data();
  if (hwnd == 0 || TWindow::FromHandle(hwnd) || !qGuiApp) return;
  for (QWindow* window : QGuiApplication::allWindows()) {
    if (static_cast<HWND>(window->winId()) != hwnd) continue;
    auto* watch = new QObject(window);
    d_->foreignWatch = watch;
    QObject::connect(window, &QWindow::visibleChanged, watch, [this, hwnd](bool visible) {
      if (!visible && d_->mainWindow == hwnd) Terminate(0);
    });
    QObject::connect(window, &QObject::destroyed, watch, [this, hwnd] {
      if (d_->mainWindow == hwnd) Terminate(0);
    });
    return;
  }
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
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  // Outside a running QEventLoop, objects deleted later wait for an explicit request.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TApplication::HandleMessage() {
  ProcessMessages();
  if (d_->terminated) return;
  const IdlePacer::Clock::time_point started = IdlePacer::Clock::now();
  if (const auto untilDue = d_->idle.Wait(started); untilDue > IdlePacer::Clock::duration{}) {
    // Not due yet: sleep until it is, or until an event comes first (the next pass handles it
    // and looks at the time again).
    if (!d_->idleWake) {
      d_->idleWake = std::make_unique<QTimer>();
      d_->idleWake->setSingleShot(true);
      d_->idleWake->setTimerType(Qt::PreciseTimer);
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(untilDue);
    d_->idleWake->start(static_cast<int>(wait.count()));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return;
  }
  const bool done = d_->idle.Run(started);
  if (d_->terminated || !done) return;
  // Nothing more to do: sleep in the toolkit until an event (input, timer, posted) arrives.
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TApplication::Terminate(int exitCode) {
  if (!d_->terminated) d_->exitCode = exitCode;
  d_->terminated = true;
  if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
    dispatcher->wakeUp();
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
