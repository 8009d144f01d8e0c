// MessageBoxA over QMessageBox, with a hook for tests.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#include "platform/text/Windows1252.h"
#include "platform/window/TWindow.h"
#include "platform/window/winuser.h"

namespace {

MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}

QString FromAnsi(const char* text) {
  if (!text) return {};
  const std::u32string wide = Windows1252ToUnicode(std::string_view(text));
  QString s = QString::fromUcs4(wide.data(), static_cast<qsizetype>(wide.size()));
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}

QMessageBox::Icon IconOf(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
      return QMessageBox::Critical;
    case MB_ICONQUESTION:
      return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
      return QMessageBox::Warning;
    case MB_ICONASTERISK:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
  Hook() = std::move(hook);
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  if (Hook()) return Hook()(owner, text ? text : "", caption ? caption : "", type);
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    // No widget toolkit running (a command-line tool): the text must still reach the user.
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "Error", text ? text : "");
    return IDOK;
  }
  QMessageBox box(IconOf(type), FromAnsi(caption ? caption : "Error"), FromAnsi(text),
                  QMessageBox::Ok);
  TWindow* ours = TWindow::FromHandle(owner);
  QWindow* parent = ours;
  // Above a topmost (full-screen) owner, or the box would open hidden behind it.
  if ((type & MB_TOPMOST) || (ours && (ours->ExStyle() & WS_EX_TOPMOST)))
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  // A toolkit window that is no TWindow (a dialog) owns the box too.
  if (!parent && owner)
    for (QWindow* window : QGuiApplication::topLevelWindows())
      if (window->handle() && static_cast<HWND>(window->winId()) == owner) parent = window;
  if (parent) {
    box.winId();
    box.windowHandle()->setTransientParent(parent);
  }
  box.exec();
  return IDOK;
}
