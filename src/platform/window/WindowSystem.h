// Shared state of the window layer's implementation; not for callers outside this folder.
#pragma once

#include <QEvent>
#include <QHash>
#include <QObject>
#include <QPoint>
#include <map>

#include "platform/window/winuser.h"

class TWindow;

namespace window_system {

// Milliseconds since the layer started (MSG::time).
DWORD TickCount();
// The cursor position last seen in an input event (MSG::pt of posted and timer messages, so
// that they need no round trip to the X server).
QPoint LastCursorPos();
void SetLastCursorPos(QPoint pos);

// The hook, then the timer procedure or the window's procedure chain.
void DeliverQueued(MSG& msg, const TimerProcedure* timerProc = nullptr);

// Applies the cursor state (ShowCursor count, SetCursor shape) to one window or all.
void ApplyCursor(TWindow* window);
void ApplyCursorToAll();
// Drops a pointer clip or capture that belongs to a window going away.
void ForgetWindowInput(HWND hwnd);

// Gives an X window a black background, which the server paints at once whenever it is
// exposed; nothing where there is no X11.
void SetBlackBackground(HWND hwnd);

// X pointer grab that keeps the pointer inside one window; false where there is no X11.
bool ConfinePointerTo(HWND hwnd);
void UngrabPointer();

// Posted messages and timers live on this object of the application's thread.
class TMessageQueue : public QObject {
 public:
  static TMessageQueue& Instance();  // made on first use, owned by the toolkit's application
  static TMessageQueue* Existing();
  void Post(const MSG& msg);
  UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TimerProcedure proc);
  bool KillTimer(HWND hwnd, UINT_PTR id);
  void KillTimers(HWND hwnd);

 protected:
  bool event(QEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  explicit TMessageQueue(QObject* parent);
  struct Timer {
    HWND hwnd;
    UINT_PTR id;
    TimerProcedure proc;
  };
  std::map<int, Timer> timers_;  // by Qt timer id
  UINT_PTR nextThreadTimerId_ = 1;
};

}  // namespace window_system
