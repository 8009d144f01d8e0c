#include "shell/modes/SaverRun.h"

#include <cstdlib>
#include <memory>

#include "engine/TW9DirectX.h"
#include "platform/window/TApplication.h"
#include "shell/modes/DrawingProcess.h"
#include "shell/modes/Warnings.h"
#include "shell/saver/TScrnFrm.h"

namespace zelmar {

int RunSaver(const TSettingsOptions& Options, int argc, char** argv) {
  UseXDisplay(Options);
  // Without a display the toolkit would abort; say what is missing instead.
  if (!PrepareDisplay()) return 1;
  // The toolkit would read options of its own (among them -display); ours are parsed already.
  int AppArgc = 1;
  char* AppArgv[] = {argc > 0 ? argv[0] : const_cast<char*>("zelmar"), nullptr};
  TApplication App(AppArgc, AppArgv);
  UseRenderPlatform();
  const std::unique_ptr<TProcessEnd> End = WatchProcessEnd(App);
  int Code = 1;
  {
    TScrnFrm::TRun Run;
    Run.Options = Options;
    TScrnFrm Form(Run);
    if (!Form.SettingsProblem.empty()) Warn("settings: " + Form.SettingsProblem);
    if (!Form.WDirectX->D3D()) {
      Warn("no usable render device on this display");
      return 1;
    }
    App.SetMainWindow(Form.Handle());
    Form.Show();
    if (!Form.WDirectX->Started() || Form.ClosedOnFailure) {
      Warn("the renderer could not start on this display");
      return 1;
    }
    Code = App.Run();
    if (Form.ClosedOnFailure) Code = 1;
  }
  return Code;
}

}  // namespace zelmar
