// The form windows on Linux: windows of the window layer (TWindow).
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <map>
#include <memory>

#include "platform/window/TWindow.h"
#include "shell/saver/FormWindow.h"

namespace zelmar {

namespace {

// The form windows, owned here so that DestroyWindow leaves the window for its owner to delete.
// Never destroyed: a window left at exit must not be torn down by a static destructor after
// the toolkit's own state (its GL contexts' thread storage) is gone.
std::map<HWND, std::unique_ptr<TWindow>>& FormWindows() {
  static auto* windows = new std::map<HWND, std::unique_ptr<TWindow>>;
  return *windows;
}

}  // namespace

HWND CreateFormWindow(const char* Caption, int Width, int Height, bool AtOrigin, HWND Host) {
  if (!qGuiApp) return 0;
  std::unique_ptr<TWindow> Window;
  if (Host) {
    Window = std::make_unique<TWindow>(WS_CHILD | WS_DISABLED, 0, Host);
    Window->setGeometry(0, 0, Width, Height);
    // Black at once, while the renderer starts.
    Window->setVisible(true);
    QCoreApplication::processEvents();
  } else {
    Window = std::make_unique<TWindow>(WS_CAPTION | WS_SYSMENU);
    Window->setTitle(QString::fromLatin1(Caption));
    Window->resize(Width, Height);
    if (AtOrigin) {
      Window->setPosition(0, 0);
    } else if (QScreen* Screen = QGuiApplication::primaryScreen()) {
      const QRect Area = Screen->geometry();
      Window->setPosition(Area.x() + (Area.width() - Width) / 2,
                          Area.y() + (Area.height() - Height) / 2);
    }
  }
  const HWND Handle = Window->Handle();
  FormWindows()[Handle] = std::move(Window);
  return Handle;
}

double DisplayRefreshRate(HWND Window) {
  TWindow* W = TWindow::FromHandle(Window);
  const QScreen* Screen = W ? W->screen() : nullptr;
  return Screen ? Screen->refreshRate() : 0.0;
}

void DestroyFormWindow(HWND Window) {
  auto It = FormWindows().find(Window);
  if (It == FormWindows().end()) return;
  std::unique_ptr<TWindow> Owned = std::move(It->second);
  FormWindows().erase(It);
}

bool WaitUntilShown(HWND Window, int TimeoutMs, bool Active, const std::function<bool()>& Stop) {
  auto Shown = [&] {
    TWindow* W = TWindow::FromHandle(Window);
    return W && W->isExposed() && (!Active || W->isActive());
  };
  if (!QCoreApplication::instance()) return Shown();
  const QDeadlineTimer Deadline(TimeoutMs);
  QTimer Wake;  // the wait wakes up even when nothing else happens
  Wake.start(20);
  while (!(Stop && Stop()) && !Shown() && !Deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return Shown();
}

}  // namespace zelmar
