#include "shell/modes/ListDevices.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "engine/d3d/DeviceReport.h"
#include "platform/window/TApplication.h"
#include "shell/modes/DrawingProcess.h"

namespace zelmar {

bool HaveDisplay() {
  return DisplayProblem().empty();
}

int RunListDevices(int& argc, char** argv) {
  if (!HaveDisplay()) {
    std::fprintf(stderr,
                 "zelmar: --list-devices needs a display (%s); try: "
                 "xvfb-run -a zelmar --list-devices\n",
                 DisplayProblem().c_str());
    return 2;
  }
  TApplication app(argc, argv);
  UseRenderPlatform();
  Ref<IDirect3D9> d3d = AdoptRef(Direct3DCreate9(D3D_SDK_VERSION));
  if (!d3d) {
    std::fprintf(stderr,
                 "zelmar: could not create the OpenGL 3.3 render platform on this display\n");
    return 1;
  }
  HRESULT hr = PrintDeviceReport(d3d, std::cout);
  std::cout.flush();
  if (FAILED(hr)) {
    std::fprintf(stderr, "zelmar: device enumeration failed (0x%08X)\n", static_cast<unsigned>(hr));
    return 1;
  }
  return 0;
}

}  // namespace zelmar
