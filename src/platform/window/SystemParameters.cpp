// SystemParametersInfoA and Sleep. "Screen saver running" becomes an inhibition of the
// desktop's own idle blanking through org.freedesktop.ScreenSaver, where that service runs.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <chrono>
#include <thread>

#include "platform/window/winuser.h"

namespace {

const char kService[] = "org.freedesktop.ScreenSaver";
const char kPath[] = "/org/freedesktop/ScreenSaver";
constexpr int kTimeoutMs = 2000;  // a hung service must not freeze the saver for long

struct SaverState {
  bool running = false;
  bool inhibited = false;
  uint cookie = 0;
};

SaverState& State() {
  static SaverState state;
  return state;
}

bool ServiceAvailable(QDBusConnection& bus) {
  if (!bus.isConnected()) return false;
  QDBusConnectionInterface* bus_interface = bus.interface();
  if (!bus_interface) return false;
  const QDBusReply<bool> registered = bus_interface->isServiceRegistered(kService);
  return registered.isValid() && registered.value();
}

void Inhibit() {
  SaverState& s = State();
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (s.inhibited || !ServiceAvailable(bus)) return;
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, "Inhibit");
  call << QStringLiteral("Zelmar") << QStringLiteral("Screen saver running");
  const QDBusMessage reply = bus.call(call, QDBus::Block, kTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
  s.cookie = reply.arguments().constFirst().toUInt();
  s.inhibited = true;
}

void UnInhibit() {
  SaverState& s = State();
  if (!s.inhibited) return;
  s.inhibited = false;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, "UnInhibit");
  call << s.cookie;
  bus.call(call, QDBus::Block, kTimeoutMs);
}

}  // namespace

BOOL SystemParametersInfoA(UINT action, UINT uiParam, void* pvParam, UINT /*winIni*/) {
  SaverState& s = State();
  switch (action) {
    case SPI_SETSCREENSAVERRUNNING: {
      if (pvParam) *static_cast<BOOL*>(pvParam) = s.running ? TRUE : FALSE;
      s.running = uiParam != 0;
      if (s.running)
        Inhibit();
      else
        UnInhibit();
      return TRUE;
    }
    case SPI_GETSCREENSAVERRUNNING:
      if (!pvParam) return FALSE;
      *static_cast<BOOL*>(pvParam) = s.running ? TRUE : FALSE;
      return TRUE;
    default:
      return FALSE;
  }
}

void Sleep(DWORD ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
