// The shell's platform on Linux: Qt windows of the window layer, the GL backend, X11.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "platform/render/gl/glbackend.h"
#include "platform/window/TWindow.h"
#include "shell/ShellPlatform.h"
#include "shell/qt/HackMode.h"
#include "shell/qt/TProcessWatch.h"
#include "shell/qt/XDisplay.h"
#include "shell/realmaps/RealMaps.h"
#include "shell/settings/Settings.h"
#include "shell/settings/SettingsOptions.h"
// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>

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

std::string ProgramPath() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.string();
}

void UseXDisplay(const TSettingsOptions& O) {
  if (O.XDisplay) setenv("DISPLAY", O.XDisplay->c_str(), 1);
}

void ConnectConsole() {}  // standard output and error are the terminal's already

std::string PlatformEnvironmentHelp() {
  return "Other packages' planet maps:\n"
         "  --build-map-cache DIR     convert other packages' installed planet maps into the\n"
         "                            cache folder DIR (the machine's, read before the user's,\n"
         "                            is " ZELMAR_MACHINE_MAP_CACHE
         ")\n"
         "Environment: ZELMAR_HIVE names the settings file to use instead of the machine-wide "
         "one;\nZELMAR_MAP_ROOT the folder to look for other packages' planet maps in (default\n"
         "/usr/share); ZELMAR_MACHINE_MAP_CACHE the machine's cache of them. The package converts\n"
         "the maps into the machine's cache; when that is missing or out of date, a start "
         "converts\n"
         "them in the background into $XDG_CACHE_HOME/zelmar/maps and draws its own maps until\n"
         "the next start.\n";
}

std::string InstalledMapCredits() {
  return RealMapCredits(RealMapRoot());
}

namespace {

int BuildMapCache(const std::vector<std::string>& Args, const char* ProgramName) {
  if (Args.size() != 2 || Args[1].empty()) {
    std::fprintf(stderr, "zelmar: --build-map-cache needs the cache folder, and only that\n");
    return 2;
  }
  // The image decoders are plugins, found through the application object; no display.
  static int Argc = 1;
  static char* Argv[] = {const_cast<char*>(ProgramName), nullptr};
  QCoreApplication App(Argc, Argv);
  const std::string Error = BuildRealMapCache(RealMapRoot(), Args[1]);
  if (!Error.empty()) {
    std::fprintf(stderr, "zelmar: could not build the planet map cache: %s\n", Error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

bool RunPlatformMode(const std::vector<std::string>& Args, const char* ProgramName, int& Code) {
  if (!Args.empty() && Args[0] == "--build-map-cache") {
    Code = BuildMapCache(Args, ProgramName);
    return true;
  }
  if (!IsHackMode(Args)) return false;
  Code = RunHackMode(Args, ProgramName);
  return true;
}

bool PrepareDisplay(int SignalExitCode) {
  TProcessWatch::Begin(SignalExitCode);
  return PrepareXDisplay();
}

namespace {

class TQtProcessEnd : public TProcessEnd {
 public:
  explicit TQtProcessEnd(TApplication& App) : Watch(App) {}
  TProcessWatch Watch;
};

}  // namespace

std::unique_ptr<TProcessEnd> WatchProcessEnd(TApplication& App) {
  return std::make_unique<TQtProcessEnd>(App);
}

std::string DisplayProblem() {
  const char* X = std::getenv("DISPLAY");
  if (!X && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
    return "DISPLAY is not set";
  if (X && !std::getenv("WAYLAND_DISPLAY")) {
    Display* Dpy = XOpenDisplay(nullptr);
    if (!Dpy) return std::string("cannot open the display '") + X + "'";
    XCloseDisplay(Dpy);
  }
  return {};
}

void UseRenderPlatform() {
  UseGLDirect3DBackend();
}

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

void UseInstalledMaps() {
  UseRealMaps(RealMapRoot(), MachineMapCacheDir(), RealMapCacheDir(), StartMapCacheBuild);
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

bool ReadBackFrame(IDirect3DDevice9* Device, TFramePicture& Picture) {
  // The back buffer's alpha is no part of the picture (its format has none that counts); kept,
  // it would let a viewer's background show through.
  const QImage Shot = GLGrabBackBuffer(Device).convertToFormat(QImage::Format_RGB32);
  if (Shot.isNull()) return false;
  Picture.Width = Shot.width();
  Picture.Height = Shot.height();
  Picture.Pixels.resize(static_cast<std::size_t>(Picture.Width) * Picture.Height);
  for (int Y = 0; Y < Picture.Height; ++Y) {
    const auto* Row = reinterpret_cast<const std::uint32_t*>(Shot.constScanLine(Y));
    std::copy(Row, Row + Picture.Width,
              Picture.Pixels.begin() + static_cast<std::ptrdiff_t>(Y) * Picture.Width);
  }
  return true;
}

std::string WritePng(const std::string& File, const TFramePicture& Picture) {
  const QImage Image(reinterpret_cast<const uchar*>(Picture.Pixels.data()), Picture.Width,
                     Picture.Height, Picture.Width * 4, QImage::Format_RGB32);
  QSaveFile Out(QString::fromStdString(File));
  if (!Out.open(QIODevice::WriteOnly) || !Image.save(&Out, "PNG") || !Out.commit())
    return Out.errorString().toLocal8Bit().toStdString();
  return {};
}

double ProcessCpuSeconds() {
  rusage Usage{};
  getrusage(RUSAGE_SELF, &Usage);
  return Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec +
         (Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e6;
}

double PeakResidentMB() {
  std::ifstream StatusFile("/proc/self/status");
  std::string Line;
  while (std::getline(StatusFile, Line))
    if (Line.rfind("VmHWM:", 0) == 0) return std::stod(Line.substr(6)) / 1024.0;
  rusage Usage{};
  getrusage(RUSAGE_SELF, &Usage);
  return Usage.ru_maxrss / 1024.0;
}

void ResetPeakResident() {
  // Linux starts the peak afresh from the current size when 5 is written here.
  std::ofstream("/proc/self/clear_refs") << "5";
}

}  // namespace zelmar
