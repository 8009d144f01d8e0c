// clang-format off
#include "shell/qt/TProcessWatch.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <QtGui/qguiapplication_platform.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <xcb/xcb.h>

#include "platform/window/TApplication.h"
#include "shell/modes/Warnings.h"

#include <X11/Xlib.h>  // last: its macros (Bool, Status, None...) break Qt headers after it
// clang-format on

namespace zelmar {

namespace {

// A signal ends the loop at once; should the loop be busy (textures still loading), the process
// ends anyway this long after the signal, without tearing anything down.
constexpr long kSignalGraceMs = 800;

// The signals a daemon, a shell, a session's end or a resource limit sends to end a program.
// SIGHUP, SIGINT and SIGQUIT are left ignored when whoever started us ignores them.
constexpr int kEndSignals[] = {SIGTERM, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM,
                               SIGXCPU, SIGHUP,  SIGINT,  SIGQUIT};
constexpr int kIgnorableSignals[] = {SIGHUP, SIGINT, SIGQUIT};

int SignalPipe[2] = {-1, -1};
int SignalCode = 0;
// Lock-free, so that a signal handler may read it.
std::atomic<bool> Watching{false};
timer_t GraceTimer{};
bool HaveGraceTimer = false;
volatile sig_atomic_t GraceArmed = 0;
char RuntimeDir[4096] = {};
// The toolkit's X connection while a watch lives.
std::atomic<xcb_connection_t*> Connection{nullptr};
QtMessageHandler PreviousHandler = nullptr;
bool QuietMessages = false;
bool ExitHandlerAdded = false;

// Safe in a signal handler: the folder is empty unless the toolkit ran.
void RemoveRuntimeDirNow() {
  if (RuntimeDir[0]) rmdir(RuntimeDir);
}

void RemoveRuntimeDirWhole() {
  if (!RuntimeDir[0]) return;
  std::error_code Ignored;
  std::filesystem::remove_all(RuntimeDir, Ignored);
  RuntimeDir[0] = '\0';
}

void OnGraceOver(sigval) {
  RemoveRuntimeDirNow();
  _exit(SignalCode);
}

void OnEndSignal(int) {
  // Before the application loop can hear it there is nothing to tear down.
  if (!Watching.load()) {
    RemoveRuntimeDirNow();
    _exit(SignalCode);
  }
  const char Byte = 1;
  // A full pipe already holds the news.
  if (write(SignalPipe[1], &Byte, 1) < 0) {
  }
  if (!HaveGraceTimer) {
    RemoveRuntimeDirNow();
    _exit(SignalCode);
  }
  if (GraceArmed) return;
  GraceArmed = 1;
  const itimerspec Grace{{0, 0}, {kSignalGraceMs / 1000, (kSignalGraceMs % 1000) * 1000000}};
  timer_settime(GraceTimer, 0, &Grace, nullptr);
}

bool Ignored(int Signal) {
  struct sigaction Old {};
  return sigaction(Signal, nullptr, &Old) == 0 && !(Old.sa_flags & SA_SIGINFO) &&
         Old.sa_handler == SIG_IGN;
}

void CatchEndSignals() {
  if (pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) SignalPipe[0] = SignalPipe[1] = -1;
  sigevent Event{};
  Event.sigev_notify = SIGEV_THREAD;
  Event.sigev_notify_function = OnGraceOver;
  HaveGraceTimer = SignalPipe[0] >= 0 && timer_create(CLOCK_MONOTONIC, &Event, &GraceTimer) == 0;

  struct sigaction Action {};
  sigemptyset(&Action.sa_mask);
  Action.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &Action, nullptr);
  Action.sa_handler = OnEndSignal;
  for (int Signal : kEndSignals) sigaddset(&Action.sa_mask, Signal);
  sigset_t Unblock;
  sigemptyset(&Unblock);
  for (int Signal : kEndSignals) {
    bool Keep = false;
    for (int I : kIgnorableSignals) Keep = Keep || (I == Signal && Ignored(Signal));
    if (Keep) continue;
    sigaction(Signal, &Action, nullptr);
    sigaddset(&Unblock, Signal);
  }
  // A starter may hand its blocked signals down; one sent while we started is taken now.
  sigprocmask(SIG_UNBLOCK, &Unblock, nullptr);
}

// The session's runtime folder as the toolkit accepts it: a folder of ours that only we may
// enter. Anything else makes it warn, and make or change folders of its own.
bool UsableRuntimeDir(const char* Path) {
  struct stat St {};
  return Path && Path[0] == '/' && stat(Path, &St) == 0 && S_ISDIR(St.st_mode) &&
         St.st_uid == geteuid() && (St.st_mode & 0777) == 0700;
}

void ChooseRuntimeDir() {
  if (UsableRuntimeDir(std::getenv("XDG_RUNTIME_DIR"))) return;
  const char* Tmp = std::getenv("TMPDIR");
  for (const char* Base : {Tmp, "/tmp", "/var/tmp"}) {
    struct stat St {};
    if (!Base || Base[0] != '/' || stat(Base, &St) != 0 || !S_ISDIR(St.st_mode)) continue;
    const std::string Template = std::string(Base) + "/zelmar-XXXXXX";
    if (Template.size() >= sizeof RuntimeDir) continue;
    std::memcpy(RuntimeDir, Template.c_str(), Template.size() + 1);
    // Made private (0700) by mkdtemp.
    if (mkdtemp(RuntimeDir)) {
      setenv("XDG_RUNTIME_DIR", RuntimeDir, 1);
      return;
    }
    RuntimeDir[0] = '\0';
  }
}

constexpr const char* kLostDisplay = "lost the connection to the X server";

[[noreturn]] void EndOnLostDisplay() {
  Warn(kLostDisplay);
  RemoveRuntimeDirWhole();
  _exit(1);
}

bool DisplayLost() {
  xcb_connection_t* C = Connection.load();
  return C && xcb_connection_has_error(C);
}

// The GL driver may fault on the answers a dead connection gives (a window made while the
// server goes). That is the display's loss, not a fault of ours; any other fault stays one.
void OnFault(int Signal) {
  if (DisplayLost()) {
    WarnLast(kLostDisplay);
    RemoveRuntimeDirNow();
    _exit(1);
  }
  signal(Signal, SIG_DFL);
  raise(Signal);
}

void CatchFaults() {
  struct sigaction Action {};
  sigemptyset(&Action.sa_mask);
  Action.sa_handler = OnFault;
  Action.sa_flags = SA_RESETHAND | SA_NODEFER;
  for (int Signal : {SIGSEGV, SIGBUS}) sigaction(Signal, &Action, nullptr);
}

// Xlib's default calls exit(), which would run the static destructors under a toolkit whose
// connection (and with it the GL context's state) is gone.
int OnXIOError(Display*) {
  EndOnLostDisplay();
}

// The toolkit says that the connection broke just before it calls exit() itself. When it
// cannot go on at all (it could not connect, the server going as it started) it would abort:
// that is one line and exit code 1 too, not a core.
void OnToolkitMessage(QtMsgType Type, const QMessageLogContext& Context, const QString& Text) {
  if (DisplayLost()) EndOnLostDisplay();
  if (Type == QtFatalMsg) {
    Warn(Text.toLocal8Bit().toStdString());
    RemoveRuntimeDirWhole();
    _exit(1);
  }
  if (QuietMessages) return;
  if (PreviousHandler) PreviousHandler(Type, Context, Text);
}

// In case the toolkit ends the process without a word.
void AtExit() {
  if (DisplayLost()) EndOnLostDisplay();
}

}  // namespace

void TProcessWatch::Begin(int SignalExitCode, bool QuietToolkit) {
  SignalCode = SignalExitCode;
  QuietMessages = QuietToolkit;
  CatchEndSignals();
  CatchFaults();
  ChooseRuntimeDir();
  std::atexit(RemoveRuntimeDirWhole);
  PreviousHandler = qInstallMessageHandler(OnToolkitMessage);
}

void TProcessWatch::RemoveRuntimeFolder() {
  RemoveRuntimeDirWhole();
}

TProcessWatch::TProcessWatch(TApplication& App) {
  if (auto* X11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
    Connection = X11->connection();
  // After the toolkit's own, which it set when it opened the display.
  XSetIOErrorHandler(OnXIOError);
  if (!ExitHandlerAdded) ExitHandlerAdded = std::atexit(AtExit) == 0;
  if (SignalPipe[0] >= 0) {
    FSignals = std::make_unique<QSocketNotifier>(SignalPipe[0], QSocketNotifier::Read);
    QObject::connect(FSignals.get(), &QSocketNotifier::activated, [&App] {
      char Bytes[16];
      while (read(SignalPipe[0], Bytes, sizeof Bytes) > 0) {
      }
      App.Terminate(SignalCode);
    });
    Watching = true;
  }
  // The connection may have broken while the toolkit started.
  if (DisplayLost()) EndOnLostDisplay();
}

TProcessWatch::~TProcessWatch() {
  Watching = false;
  FSignals.reset();
  if (DisplayLost()) EndOnLostDisplay();
  Connection = nullptr;
}

}  // namespace zelmar
