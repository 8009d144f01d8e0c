#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QObject>

#include "platform/window/winuser.h"

// A stand-in for the desktop's screen-saver service, registered on a private session bus.
class FakeScreenSaver : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
 public:
  QStringList calls;
  uint nextCookie = 41;
 public slots:
  uint Inhibit(const QString& application, const QString& reason) {
    calls << QStringLiteral("Inhibit %1: %2").arg(application, reason);
    return ++nextCookie;
  }
  void UnInhibit(uint cookie) { calls << QStringLiteral("UnInhibit %1").arg(cookie); }
};

// Runs under dbus-run-session: a private session bus, so that the test neither needs nor
// disturbs a desktop.
TEST(SystemParameters, ScreenSaverRunningInhibitsTheDesktopSaver) {
  static int argc = 1;
  static char name[] = "platform_window_dbus_test";
  static char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);

  // Without the service: quietly nothing, the flag still follows.
  BOOL previous = TRUE;
  EXPECT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 1, &previous, 0));
  EXPECT_FALSE(previous);
  EXPECT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 0, &previous, 0));
  EXPECT_TRUE(previous);

  QDBusConnection connection = QDBusConnection::sessionBus();
  ASSERT_TRUE(connection.isConnected());
  FakeScreenSaver saver;
  ASSERT_TRUE(connection.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &saver,
                                        QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));

  EXPECT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 1, &previous, 0));
  EXPECT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 1, &previous, 0));  // once only
  BOOL running = FALSE;
  EXPECT_TRUE(SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0));
  EXPECT_TRUE(running);
  EXPECT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 0, nullptr, 0));
  EXPECT_EQ(saver.calls, QStringList({QStringLiteral("Inhibit Zelmar: Screen saver running"),
                                      QStringLiteral("UnInhibit 42")}));

  connection.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
  connection.unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
}

#include "ScreenSaverTest.moc"
