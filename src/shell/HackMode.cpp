// clang-format off
#include "shell/HackMode.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <QtGui/qguiapplication_platform.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "engine/TW9DirectX.h"
#include "platform/render/gl/glbackend.h"
#include "platform/window/HostWindow.h"
#include "platform/window/TApplication.h"
#include "shell/RunMode.h"
#include "shell/SettingsOptions.h"
#include "shell/TScrnFrm.h"

#include <X11/Xlib.h>  // last: its macros (Bool, Status, None...) break Qt headers after it
// clang-format on

namespace zelmar {

namespace {

// XScreenSaver's own GL savers run at about this rate; several may run at once, one a monitor.
constexpr int kHackMaxFps = 30;
// A signal ends the loop at once; should the loop be busy (textures still loading), the process
// ends anyway this long after the signal, without tearing anything down.
constexpr int kSignalGraceMs = 800;

int SignalPipe[2] = {-1, -1};
// The runtime folder made for the toolkit when the session has none, removed however we end.
char RuntimeDir[4096] = {};

void RemoveRuntimeDir() {
  if (RuntimeDir[0]) rmdir(RuntimeDir);
}

void OnEndSignal(int) {
  const char Byte = 1;
  if (write(SignalPipe[1], &Byte, 1) < 0) _exit(0);
  const itimerval Grace{{0, 0}, {0, kSignalGraceMs * 1000}};
  setitimer(ITIMER_REAL, &Grace, nullptr);
}

void OnGraceOver(int) {
  RemoveRuntimeDir();
  _exit(0);
}

// Without XDG_RUNTIME_DIR the toolkit makes (and leaves) runtime-USER in the temporary folder;
// every run of a saver would leave one behind. A private folder of our own goes with us.
void MakeRuntimeDir() {
  const char* Existing = std::getenv("XDG_RUNTIME_DIR");
  if (Existing && *Existing) return;
  const char* Tmp = std::getenv("TMPDIR");
  std::snprintf(RuntimeDir, sizeof RuntimeDir, "%s/zelmar-XXXXXX", Tmp && *Tmp ? Tmp : "/tmp");
  if (!mkdtemp(RuntimeDir)) {
    RuntimeDir[0] = '\0';
    return;
  }
  setenv("XDG_RUNTIME_DIR", RuntimeDir, 1);
}

void CatchEndSignals() {
  if (pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  struct sigaction Action {};
  sigemptyset(&Action.sa_mask);
  Action.sa_handler = OnGraceOver;
  sigaction(SIGALRM, &Action, nullptr);
  Action.sa_handler = OnEndSignal;
  for (int Signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(Signal, &Action, nullptr);
}

// The daemon logs our stderr: one line at most, the first thing worth saying.
void Say(const std::string& Text) {
  static bool Said = false;
  if (Said) return;
  Said = true;
  std::string Line = Text;
  for (char& C : Line)
    if (C == '\r' || C == '\n') C = ' ';
  std::fprintf(stderr, "zelmar: %s\n", Line.c_str());
}

// The toolkit's warnings (a window gone under it, a lost connection) are not for the daemon's
// log; our own line says what matters.
void QuietToolkit(QtMsgType, const QMessageLogContext&, const QString&) {}

// The X server went away (it ended, or the daemon's session did): nothing is left to draw on
// or to tidy there.
int OnConnectionLost(Display*) {
  Say("lost the connection to the X server");
  RemoveRuntimeDir();
  _exit(1);
}

// Takes the option at Args[I] with one dash or two; Name without dashes.
bool Is(const std::string& Arg, const char* Name) {
  const std::string N = Name;
  return Arg == "-" + N || Arg == "--" + N;
}

}  // namespace

bool IsHackMode(const std::vector<std::string>& Args) {
  for (const std::string& A : Args)
    if (Is(A, "root") || Is(A, "window-id")) return true;
  return false;
}

std::string ParseHackOptions(const std::vector<std::string>& Args, THackOptions& O) {
  for (std::size_t I = 0; I < Args.size(); ++I) {
    const std::string& A = Args[I];
    const bool HasValue = I + 1 < Args.size();
    const std::string Value = HasValue ? Args[I + 1] : std::string();
    if (Is(A, "root")) {
      O.Root = true;
    } else if (Is(A, "window-id")) {
      unsigned long Id = 0;
      if (!HasValue || !ParseWindowHandle(Value, Id))
        return "--window-id takes an X window id (decimal, or hexadecimal with 0x), not '" + Value +
               "'";
      O.WindowId = Id;
      ++I;
    } else if (Is(A, "visual")) {
      if (!HasValue) return "--visual takes a visual's name or id";
      ++I;
    } else if (Is(A, "mono") || Is(A, "install")) {
      // Colour maps and monochrome screens are not ours to handle; the daemon passes them.
    } else {
      O.Rest.push_back(A);
    }
  }
  return {};
}

unsigned long HackWindow(const THackOptions& O, const char* Variable, std::string& Problem) {
  if (O.WindowId) return *O.WindowId;
  if (Variable && *Variable) {
    unsigned long Id = 0;
    if (ParseWindowHandle(Variable, Id)) return Id;
    Problem = std::string("XSCREENSAVER_WINDOW is not an X window id: '") + Variable + "'";
  }
  return 0;
}

int RunHackMode(const std::vector<std::string>& Args, const char* ProgramName) {
  THackOptions O;
  TSettingsOptions Settings;
  std::string Problem = ParseHackOptions(Args, O);
  // A value out of range is refused here too: a mistake in the daemon's settings page must
  // show, not pass for the stored value.
  if (Problem.empty()) Problem = ParseSettingsOptions(O.Rest, Settings);
  if (!Problem.empty()) {
    Say(Problem + " (see --help)");
    return 2;
  }
  const unsigned long Target = HackWindow(O, std::getenv("XSCREENSAVER_WINDOW"), Problem);
  if (!Problem.empty()) {
    Say(Problem);
    return 2;
  }

  UseXDisplay(Settings);
  // A host's window is an X window: under Wayland too, the saver runs through XWayland.
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  const char* X = std::getenv("DISPLAY");
  if (!X || !*X) {
    Say("no X display to draw in (DISPLAY is not set)");
    return 1;
  }
  if (Display* Dpy = XOpenDisplay(nullptr)) {
    XCloseDisplay(Dpy);
  } else {
    Say(std::string("cannot open the X display '") + X + "'");
    return 1;
  }
  qInstallMessageHandler(QuietToolkit);
  CatchEndSignals();
  MakeRuntimeDir();
  // The toolkit ends the process itself when it finds the X connection broken.
  std::atexit(RemoveRuntimeDir);
  struct TRuntimeDirGuard {
    ~TRuntimeDirGuard() {
      std::error_code Ignored;
      if (RuntimeDir[0]) std::filesystem::remove_all(RuntimeDir, Ignored);
    }
  } RuntimeDirGuard;
  SetMessageBoxHook([](HWND, const std::string& Text, const std::string&, UINT) {
    Say(Text);
    return IDOK;
  });

  int AppArgc = 1;
  char* AppArgv[] = {const_cast<char*>(ProgramName), nullptr};
  TApplication App(AppArgc, AppArgv);
  UseGLDirect3DBackend();
  XSetIOErrorHandler(OnConnectionLost);
  std::unique_ptr<QSocketNotifier> SignalWatch;
  if (SignalPipe[0] >= 0) {
    SignalWatch = std::make_unique<QSocketNotifier>(SignalPipe[0], QSocketNotifier::Read);
    QObject::connect(SignalWatch.get(), &QSocketNotifier::activated, [&App] { App.Terminate(0); });
  }

  auto* X11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  const bool OnRoot = Target == 0;
  const HWND Host = OnRoot ? static_cast<HWND>(DefaultRootWindow(X11->display())) : Target;
  // A first look at the window: its size, and whether it is there at all.
  std::unique_ptr<THostWindow> Look = THostWindow::Open(Host, Problem);
  if (!Look) {
    Say(Problem);
    return 2;
  }
  TScrnFrm::TRun Run;
  Run.Saver = false;
  Run.Host = Host;
  Run.Options = Settings;
  Run.DefaultMaxFps = kHackMaxFps;
  Run.Width = std::max(1, Look->Width());
  Run.Height = std::max(1, Look->Height());
  Look.reset();

  int Code = 0;
  {
    TScrnFrm Form(Run);
    if (!Form.SettingsProblem.empty()) Say("settings: " + Form.SettingsProblem);
    if (!Form.WDirectX->D3D) {
      Say("no usable render device on this display");
      return 1;
    }
    App.SetMainWindow(Form.Handle());
    Form.Show();
    if (App.Terminated()) return 0;
    if (!Form.WDirectX->Started) {
      Say("the renderer could not start on this display");
      return 1;
    }
    // Straight on the root window the picture stands in for the desktop's background.
    if (OnRoot)
      SetWindowPos(Form.Handle(), HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (THostWindow* Watch = Form.SeenWatch()) {
      const HWND Child = Form.Handle();
      Watch->OnResize = [Child](int W, int H) {
        SetWindowPos(Child, 0, 0, 0, std::max(1, W), std::max(1, H), SWP_NOZORDER | SWP_NOACTIVATE);
      };
      Watch->OnDestroyed = [&App] { App.Terminate(0); };
      if (Watch->Destroyed()) App.Terminate(0);
      // It may have changed size while the renderer started.
      if (Watch->Width() != Run.Width || Watch->Height() != Run.Height)
        Watch->OnResize(Watch->Width(), Watch->Height());
    }
    Code = App.Run();
    if (Form.ClosedOnFailure) Code = 1;
  }
  return Code;
}

}  // namespace zelmar
