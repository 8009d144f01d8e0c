// What every Direct3D resource interface has beyond the render contract (private data,
// priority, preloading), for the fake's resources on Windows. None of it is used by the engine:
// the calls answer as a resource without private data does and record nothing.
#pragma once

#include "platform/render/fake/win32/FakeUnknown.h"

template <class Interface, class... Bases>
class FakeResource9Base : public FakeUnknown<Interface, Bases..., IDirect3DResource9> {
 public:
  HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, const void*, DWORD, DWORD) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, void*, DWORD*) override {
    return D3DERR_NOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID) override { return D3DERR_NOTFOUND; }
  DWORD STDMETHODCALLTYPE SetPriority(DWORD) override { return 0; }
  DWORD STDMETHODCALLTYPE GetPriority() override { return 0; }
  void STDMETHODCALLTYPE PreLoad() override {}
};

// The buffers' interfaces have nothing else beyond the contract.
using FakeVertexBuffer9Base = FakeResource9Base<IDirect3DVertexBuffer9>;
using FakeIndexBuffer9Base = FakeResource9Base<IDirect3DIndexBuffer9>;
