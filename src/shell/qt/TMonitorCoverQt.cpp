#include "shell/qt/TMonitorCoverQt.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "platform/window/MessageTranslation.h"
#include "platform/window/TApplication.h"
#include "platform/window/TWindow.h"

namespace zelmar {

TMonitorBlank::TMonitorBlank(QScreen* Screen, HWND Saver) : FSaver(Saver) {
  // Above everything, as the saver's own window, but never taking the focus from it: the
  // keyboard stays with the saver, and no change of activation ends it.
  setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
           Qt::WindowDoesNotAcceptFocus);
  setScreen(Screen);
  setGeometry(Screen->geometry());
  setCursor(Qt::BlankCursor);
  setTitle("Zelmar");
}

void TMonitorBlank::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(QRect(QPoint(0, 0), size()), Qt::black);
}

bool TMonitorBlank::event(QEvent* Event) {
  MSG Msg{};
  Msg.hwnd = FSaver;
  switch (Event->type()) {
    case QEvent::MouseMove: {
      // Screen coordinates, as the saver's full-screen window reports them.
      const QPoint At = static_cast<QMouseEvent*>(Event)->globalPosition().toPoint();
      Msg.message = WM_MOUSEMOVE;
      Msg.lParam = MAKELPARAM(At.x(), At.y());
      Msg.pt = {At.x(), At.y()};
      break;
    }
    case QEvent::KeyPress: {
      const auto* Key = static_cast<QKeyEvent*>(Event);
      Msg.message = WM_KEYDOWN;
      Msg.wParam = window_system::VirtualKeyFromQt(Key->key(), Key->modifiers());
      if (window_system::IsSystemKey(Msg.wParam, Key->modifiers())) Msg.message = WM_SYSKEYDOWN;
      break;
    }
    default:
      return QRasterWindow::event(Event);
  }
  // Handled from the loop, not from inside this window's event: ending the saver takes its
  // blanks away.
  QMetaObject::invokeMethod(
      qApp,
      [Msg]() mutable {
        if (TApplication* App = TApplication::Instance()) App->FilterMessage(Msg);
      },
      Qt::QueuedConnection);
  return true;
}

TMonitorCoverQt::TMonitorCoverQt(HWND Saver) : FSaver(Saver), FWatch(std::make_unique<QObject>()) {
  if (!qGuiApp) return;
  // A monitor unplugged takes its blank with it (the toolkit would otherwise move the window
  // onto a remaining monitor, over the scene); one plugged in gets a blank of its own.
  QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, FWatch.get(), [this] { Update(); });
  QObject::connect(qGuiApp, &QGuiApplication::screenAdded, FWatch.get(), [this] { Update(); });
  Update();
}

TMonitorCoverQt::~TMonitorCoverQt() = default;

void TMonitorCoverQt::Update() {
  // The monitors the saver's window covers show the scene (also one that mirrors it, even in
  // part); every other one gets a blank.
  const TWindow* Saver = TWindow::FromHandle(FSaver);
  const QRect Scene = Saver ? Saver->geometry() : QRect();
  auto ShowsScene = [&Scene](const QScreen* Screen) {
    return Screen->geometry().intersects(Scene);
  };
  const QList<QScreen*> Screens = QGuiApplication::screens();
  for (auto It = FBlanks.begin(); It != FBlanks.end();)
    It = Screens.contains(It->first) && !ShowsScene(It->first) ? std::next(It) : FBlanks.erase(It);
  for (QScreen* Screen : Screens) {
    if (ShowsScene(Screen) || FBlanks.count(Screen)) continue;
    auto Blank = std::make_unique<TMonitorBlank>(Screen, FSaver);
    Blank->show();
    FBlanks.emplace(Screen, std::move(Blank));
  }
}

std::unique_ptr<TMonitorCover> TMonitorCover::Create(HWND Saver) {
  return std::make_unique<TMonitorCoverQt>(Saver);
}

}  // namespace zelmar
