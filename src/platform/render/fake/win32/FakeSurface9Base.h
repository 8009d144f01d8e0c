// What IDirect3DSurface9 has beyond the render contract (its container, GDI device contexts),
// for the fake surface on Windows: unused by the engine, refused, recording nothing.
#pragma once

#include "platform/render/fake/win32/FakeResource9Base.h"

class FakeSurface9Base : public FakeResource9Base<IDirect3DSurface9> {
 public:
  HRESULT STDMETHODCALLTYPE GetContainer(REFIID, void** ppContainer) override {
    if (ppContainer) *ppContainer = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetDC(HDC* phdc) override {
    if (phdc) *phdc = nullptr;
    return D3DERR_INVALIDCALL;
  }
  HRESULT STDMETHODCALLTYPE ReleaseDC(HDC) override { return D3DERR_INVALIDCALL; }
};
