// A fake surface: an off-screen plain surface or back buffer with its own pixels, or a view
// of one level of a fake texture.
#pragma once

#include <vector>

#include "platform/render/fake/FakeResource.h"

class FakeTexture9;

class FakeSurface9 : public FakeSurface9Base {
 public:
  // A surface with its own pixels; default-pool surfaces block Reset while alive.
  FakeSurface9(const std::shared_ptr<FakeDeviceLink>& Link,
               const std::shared_ptr<FakeRecorder>& Recorder, const D3DSURFACE_DESC& Desc);
  // A view of level Level of Texture.
  FakeSurface9(const std::shared_ptr<FakeDeviceLink>& Link,
               const std::shared_ptr<FakeRecorder>& Recorder, Ref<FakeTexture9> Texture,
               UINT Level);

  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return FCore.GetDevice(ppDevice); }
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
  HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
  HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
  HRESULT UnlockRect() override;

  const std::string& Label() const { return FCore.Label(); }
  bool Locked() const { return FLocked; }
  // The pixels, rows of Width × bytes per pixel, top row first.
  std::vector<BYTE>& Pixels();
  // What a D3DX loader put here: the source's name, or empty.
  std::string LoadedFrom;
  // The device's back buffer (GetBackBuffer's), not a render target of its own.
  bool BackBuffer = false;

 private:
  FakeResourceCore FCore;
  D3DSURFACE_DESC FDesc;
  std::vector<BYTE> FPixels;
  Ref<FakeTexture9> FTexture;
  UINT FLevel = 0;
  bool FLocked = false;
};
