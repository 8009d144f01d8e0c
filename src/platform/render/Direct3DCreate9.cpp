#include "platform/render/d3d9.h"

namespace {

Direct3DBackendFactory& Backend() {
  static Direct3DBackendFactory factory;
  return factory;
}

}  // namespace

void SetDirect3DBackend(Direct3DBackendFactory factory) {
  Backend() = std::move(factory);
}

#if defined(_WIN32)

// Stands in for d3d9.dll's export of the same name (the program does not link d3d9's import
// library): a chosen backend (the tests' fake) first, else the real Direct3D, loaded on demand.
extern "C" IDirect3D9* WINAPI Direct3DCreate9(UINT SDKVersion) {
  if (Backend()) return SDKVersion == D3D_SDK_VERSION ? Backend()().Detach() : nullptr;
  using Create = IDirect3D9*(WINAPI*)(UINT);
  static const HMODULE d3d9 = LoadLibraryA("d3d9.dll");
  if (!d3d9) return nullptr;
  static const auto create =
      reinterpret_cast<Create>(reinterpret_cast<void*>(GetProcAddress(d3d9, "Direct3DCreate9")));
  return create ? create(SDKVersion) : nullptr;
}

#else

IDirect3D9* Direct3DCreate9(UINT SDKVersion) {
  if (SDKVersion != D3D_SDK_VERSION || !Backend()) return nullptr;
  return Backend()().Detach();
}

#endif
