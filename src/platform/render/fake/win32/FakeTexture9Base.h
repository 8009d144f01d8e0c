// What IDirect3DTexture9 has beyond the render contract (level of detail, generated mip
// levels, dirty rectangles), for the fake texture on Windows: unused by the engine, answered as
// a texture without those features would, recording nothing.
#pragma once

#include "platform/render/fake/win32/FakeResource9Base.h"

class FakeTexture9Base : public FakeResource9Base<IDirect3DTexture9, IDirect3DBaseTexture9> {
 public:
  DWORD STDMETHODCALLTYPE SetLOD(DWORD) override { return 0; }
  DWORD STDMETHODCALLTYPE GetLOD() override { return 0; }
  HRESULT STDMETHODCALLTYPE SetAutoGenFilterType(D3DTEXTUREFILTERTYPE) override {
    return D3DERR_INVALIDCALL;
  }
  D3DTEXTUREFILTERTYPE STDMETHODCALLTYPE GetAutoGenFilterType() override { return D3DTEXF_NONE; }
  void STDMETHODCALLTYPE GenerateMipSubLevels() override {}
  HRESULT STDMETHODCALLTYPE AddDirtyRect(const RECT*) override { return D3DERR_INVALIDCALL; }
};
