// What IDirect3D9 has beyond the render contract (software devices, format conversions), for
// the fake Direct3D object on Windows: refused, recording nothing.
#pragma once

#include "platform/render/fake/win32/FakeUnknown.h"

class FakeDirect3D9Base : public FakeUnknown<IDirect3D9> {
 public:
  HRESULT STDMETHODCALLTYPE RegisterSoftwareDevice(void*) override { return D3DERR_INVALIDCALL; }
  HRESULT STDMETHODCALLTYPE CheckDeviceFormatConversion(UINT, D3DDEVTYPE, D3DFORMAT,
                                                        D3DFORMAT) override {
    return D3DERR_NOTAVAILABLE;
  }
};
