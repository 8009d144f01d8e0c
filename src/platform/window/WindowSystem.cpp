#include "platform/window/WindowSystem.h"

#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QTimerEvent>

#include "platform/window/TApplication.h"
#include "platform/window/TWindow.h"

namespace window_system {

namespace {

const QEvent::Type kPostedMessage = static_cast<QEvent::Type>(QEvent::registerEventType());

class PostedMessageEvent : public QEvent {
 public:
  explicit PostedMessageEvent(const MSG& msg) : QEvent(kPostedMessage), msg(msg) {}
  MSG msg;
};

QElapsedTimer& Clock() {
  static QElapsedTimer clock = [] {
    QElapsedTimer c;
    c.start();
    return c;
  }();
  return clock;
}

QPoint& CursorPos() {
  static QPoint pos = qGuiApp ? QCursor::pos() : QPoint();
  return pos;
}

QPointer<TMessageQueue>& QueuePointer() {
  static QPointer<TMessageQueue> queue;
  return queue;
}

}  // namespace

DWORD TickCount() {
  return static_cast<DWORD>(Clock().elapsed());
}
QPoint LastCursorPos() {
  return CursorPos();
}
void SetLastCursorPos(QPoint pos) {
  CursorPos() = pos;
}

void DeliverQueued(MSG& msg, const TimerProcedure* timerProc) {
  msg.time = TickCount();
  if (TApplication* app = TApplication::Instance(); app && app->FilterMessage(msg)) return;
  if (timerProc && *timerProc) {
    TimerProcedure proc = *timerProc;
    proc(msg.hwnd, msg.message, msg.wParam, msg.time);
    return;
  }
  if (TWindow* window = TWindow::FromHandle(msg.hwnd))
    window->Send(msg.message, msg.wParam, msg.lParam);
}

TMessageQueue::TMessageQueue(QObject* parent) : QObject(parent) {
  // WM_ACTIVATEAPP goes to every top-level window of the program when it gains or loses the
  // active window.
  if (qGuiApp) {
    QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
                     [last = -1](Qt::ApplicationState state) mutable {
                       const int active = state == Qt::ApplicationActive ? TRUE : FALSE;
                       if (active == last) return;
                       last = active;
                       for (TWindow* w : TWindow::All())
                         w->Deliver(WM_ACTIVATEAPP, static_cast<WPARAM>(active), 0,
                                    LastCursorPos());
                     });
  }
}

TMessageQueue& TMessageQueue::Instance() {
  QPointer<TMessageQueue>& queue = QueuePointer();
  if (!queue) queue = new TMessageQueue(QCoreApplication::instance());
  return *queue;
}

TMessageQueue* TMessageQueue::Existing() {
  return QueuePointer().data();
}

void TMessageQueue::Post(const MSG& msg) {
  QCoreApplication::postEvent(this, new PostedMessageEvent(msg));
}

bool TMessageQueue::event(QEvent* event) {
  if (event->type() != kPostedMessage) return QObject::event(event);
  MSG msg = static_cast<PostedMessageEvent*>(event)->msg;
  // A message posted to a window that went away in the meantime is dropped.
  if (msg.hwnd == 0 || TWindow::FromHandle(msg.hwnd)) DeliverQueued(msg);
  return true;
}

UINT_PTR TMessageQueue::SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TimerProcedure proc) {
  if (hwnd == 0) {
    if (!proc) return 0;
    id = nextThreadTimerId_++;
  } else {
    if (!TWindow::FromHandle(hwnd)) return 0;
    KillTimer(hwnd, id);  // setting an existing timer again replaces it
  }
  const int qtId = startTimer(std::max<UINT>(elapseMs, 1), Qt::PreciseTimer);
  if (qtId == 0) return 0;
  timers_[qtId] = Timer{hwnd, id, std::move(proc)};
  return hwnd == 0 ? id : (id == 0 ? 1 : id);
}

bool TMessageQueue::KillTimer(HWND hwnd, UINT_PTR id) {
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->second.hwnd == hwnd && it->second.id == id) {
      killTimer(it->first);
      timers_.erase(it);
      return true;
    }
  }
  return false;
}

void TMessageQueue::KillTimers(HWND hwnd) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->second.hwnd == hwnd) {
      killTimer(it->first);
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

void TMessageQueue::timerEvent(QTimerEvent* event) {
  auto it = timers_.find(event->timerId());
  if (it == timers_.end()) return;
  const Timer timer = it->second;  // the handler may kill or reset it
  MSG msg;
  msg.hwnd = timer.hwnd;
  msg.message = WM_TIMER;
  msg.wParam = timer.id;
  msg.pt = {LastCursorPos().x(), LastCursorPos().y()};
  DeliverQueued(msg, &timer.proc);
}

}  // namespace window_system
