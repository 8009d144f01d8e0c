// A fake texture: its levels' pixels live in memory so tests can read what the engine wrote.
#pragma once

#include <string>
#include <vector>

#include "platform/render/fake/FakeResource.h"

class FakeTexture9 : public FakeTexture9Base {
 public:
  // Levels 0: the full chain down to 1 x 1.
  FakeTexture9(const std::shared_ptr<FakeDeviceLink>& Link,
               const std::shared_ptr<FakeRecorder>& Recorder, UINT Width, UINT Height, UINT Levels,
               DWORD Usage, D3DFORMAT Format, D3DPOOL Pool);

  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return FCore.GetDevice(ppDevice); }
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
  DWORD GetLevelCount() override { return static_cast<DWORD>(FLevels.size()); }
  HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
  HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) override;
  HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                   DWORD Flags) override;
  HRESULT UnlockRect(UINT Level) override;

  const std::string& Label() const { return FCore.Label(); }
  // The pixels of one level, rows of width × bytes per pixel, top row first.
  std::vector<BYTE>& Pixels(UINT Level) { return FLevels[Level].Pixels; }
  D3DSURFACE_DESC Desc(UINT Level) const;
  // What a D3DX loader made this from: the file or resource name, or empty.
  std::string LoadedFrom;
  D3DCOLOR ColorKey = 0;

 private:
  struct TLevel {
    UINT Width;
    UINT Height;
    std::vector<BYTE> Pixels;
    bool Locked = false;
  };
  FakeResourceCore FCore;
  DWORD FUsage;
  D3DFORMAT FFormat;
  D3DPOOL FPool;
  std::vector<TLevel> FLevels;
};
