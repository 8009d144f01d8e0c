// clang-format off
#include "shell/qt/HackMode.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <xcb/xcb.h>

#include "engine/TW9DirectX.h"
#include "platform/render/gl/GLBackend.h"
#include "platform/window/HostWindow.h"
#include "platform/window/TApplication.h"
#include "shell/modes/RunMode.h"
#include "shell/settings/SettingsOptions.h"
#include "shell/qt/TProcessWatch.h"
#include "shell/saver/TScrnFrm.h"
#include "shell/modes/Warnings.h"

#include <X11/Xlib.h>  // last: its macros (Bool, Status, None...) break Qt headers after it
// clang-format on

namespace zelmar {

namespace {

// XScreenSaver's own GL savers run at about this rate; several may run at once, one a monitor.
constexpr int kHackMaxFps = 30;

// The daemon logs our stderr: one line at most, the first thing worth saying.
void Say(const std::string& Text) {
  Warn(Text);
}

// Asks the X server, not the events that may still be on their way, whether the window is there.
bool WindowExists(HWND Window) {
  auto* X11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* C = X11 ? X11->connection() : nullptr;
  if (!C) return false;
  const auto W = static_cast<xcb_window_t>(Window);
  xcb_get_window_attributes_reply_t* Reply =
      xcb_get_window_attributes_reply(C, xcb_get_window_attributes(C, W), nullptr);
  std::free(Reply);
  return Reply != nullptr;
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
        return "--window-id takes an X window id (decimal, or hexadecimal with 0x), not " +
               QuoteArgument(Value);
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
    Problem = "XSCREENSAVER_WINDOW is not an X window id: " + QuoteArgument(Variable);
  }
  return 0;
}

int RunHackMode(const std::vector<std::string>& Args, const char* ProgramName) {
  // Before anything else: a daemon may end us the moment it started us.
  SetOneWarningPerRun(true);
  TProcessWatch::Begin(0, true);
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
  SetMessageBoxHook([](HWND, const std::string& Text, const std::string&, UINT) {
    Say(Text);
    return IDOK;
  });

  int AppArgc = 1;
  char* AppArgv[] = {const_cast<char*>(ProgramName), nullptr};
  TApplication App(AppArgc, AppArgv);
  UseGLDirect3DBackend();
  const TProcessWatch Watch(App);

  auto* X11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  const bool OnRoot = Target == 0;
  const HWND Host = OnRoot ? static_cast<HWND>(DefaultRootWindow(X11->display())) : Target;
  // Watched from the first look to the end: the daemon may destroy the window at any moment,
  // while the renderer starts as well as while it draws.
  std::unique_ptr<THostWindow> Look = THostWindow::Open(Host, Problem);
  if (!Look) {
    Say(Problem);
    return 2;
  }
  bool HostGone = false;
  Look->OnDestroyed = [&App, &HostGone] {
    HostGone = true;
    App.Terminate(0);
  };
  TScrnFrm::TRun Run;
  Run.Saver = false;
  Run.Host = Host;
  Run.Options = Settings;
  Run.DefaultMaxFps = kHackMaxFps;
  Run.Width = std::max(1, Look->Width());
  Run.Height = std::max(1, Look->Height());
  // A failure to draw into a window that went away is the window's end, not a fault.
  auto Gone = [&] { return HostGone || !WindowExists(Host); };

  int Code = 0;
  {
    TScrnFrm Form(Run);
    if (!Form.SettingsProblem.empty()) Say("settings: " + Form.SettingsProblem);
    if (!Form.WDirectX->D3D) {
      if (Gone()) return 0;
      Say("no usable render device on this display");
      return 1;
    }
    App.SetMainWindow(Form.Handle());
    Form.Show();
    if (App.Terminated() || Gone()) return 0;
    if (!Form.WDirectX->Started) {
      Say("the renderer could not start on this display");
      return 1;
    }
    // Straight on the root window the picture stands in for the desktop's background.
    if (OnRoot)
      SetWindowPos(Form.Handle(), HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const HWND Child = Form.Handle();
    Look->OnResize = [Child](int W, int H) {
      SetWindowPos(Child, 0, 0, 0, std::max(1, W), std::max(1, H), SWP_NOZORDER | SWP_NOACTIVATE);
    };
    // It may have changed size while the renderer started.
    if (Look->Width() != Run.Width || Look->Height() != Run.Height)
      Look->OnResize(Look->Width(), Look->Height());
    Code = App.Run();
    if (Form.ClosedOnFailure && !Gone()) Code = 1;
  }
  return HostGone ? 0 : Code;
}

}  // namespace zelmar
