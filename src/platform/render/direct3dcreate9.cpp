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

Ref<IDirect3D9> Direct3DCreate9(UINT SDKVersion) {
  if (SDKVersion != D3D_SDK_VERSION || !Backend()) return nullptr;
  return Backend()();
}
