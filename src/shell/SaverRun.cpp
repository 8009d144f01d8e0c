#include "shell/SaverRun.h"

#include <cstdio>
#include <cstdlib>

#include "engine/TW9DirectX.h"
#include "platform/render/gl/glbackend.h"
#include "platform/window/TApplication.h"
#include "shell/TScrnFrm.h"
// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>

namespace zelmar {

int RunSaver(const TSettingsOptions& Options, int argc, char** argv) {
  UseXDisplay(Options);
  // Without a display the toolkit would abort; say what is missing instead.
  const char* X = std::getenv("DISPLAY");
  if (!X && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
    std::fprintf(stderr, "zelmar: no display to run the saver on (DISPLAY is not set)\n");
    return 1;
  }
  if (X && !std::getenv("WAYLAND_DISPLAY")) {
    Display* Dpy = XOpenDisplay(nullptr);
    if (!Dpy) {
      std::fprintf(stderr, "zelmar: cannot open the display '%s' to run the saver on\n", X);
      return 1;
    }
    XCloseDisplay(Dpy);
  }
  // The toolkit would read options of its own (among them -display); ours are parsed already.
  int AppArgc = 1;
  char* AppArgv[] = {argc > 0 ? argv[0] : const_cast<char*>("zelmar"), nullptr};
  TApplication App(AppArgc, AppArgv);
  UseGLDirect3DBackend();
  int Code = 1;
  {
    TScrnFrm::TRun Run;
    Run.Options = Options;
    TScrnFrm Form(Run);
    if (!Form.SettingsProblem.empty())
      std::fprintf(stderr, "zelmar: settings: %s\n", Form.SettingsProblem.c_str());
    if (!Form.WDirectX->D3D) {
      std::fprintf(stderr, "zelmar: no usable render device on this display\n");
      return 1;
    }
    App.SetMainWindow(Form.Handle());
    Form.Show();
    if (!Form.WDirectX->Started || Form.ClosedOnFailure) {
      std::fprintf(stderr, "zelmar: the renderer could not start on this display\n");
      return 1;
    }
    Code = App.Run();
    if (Form.ClosedOnFailure) Code = 1;
  }
  return Code;
}

}  // namespace zelmar
