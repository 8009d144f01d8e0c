#include "platform/render/fake/FakeTexture9.h"

#include "platform/render/fake/FakeSurface9.h"

FakeTexture9::FakeTexture9(const std::shared_ptr<FakeDeviceLink>& Link,
                           const std::shared_ptr<FakeRecorder>& Recorder, UINT Width, UINT Height,
                           UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool)
    : FCore(this, Link, Recorder, "tex", Pool == D3DPOOL_DEFAULT),
      FUsage(Usage),
      FFormat(Format),
      FPool(Pool) {
  UINT w = Width > 0 ? Width : 1;
  UINT h = Height > 0 ? Height : 1;
  const UINT bpp = FakeBytesPerPixel(Format);
  for (;;) {
    FLevels.push_back({w, h, std::vector<BYTE>(static_cast<std::size_t>(w) * h * bpp)});
    if (Levels != 0 && FLevels.size() >= Levels) break;
    if (w == 1 && h == 1) break;
    w = w > 1 ? w / 2 : 1;
    h = h > 1 ? h / 2 : 1;
  }
}

D3DSURFACE_DESC FakeTexture9::Desc(UINT Level) const {
  D3DSURFACE_DESC desc{};
  desc.Format = FFormat;
  desc.Type = D3DRTYPE_SURFACE;
  desc.Usage = FUsage;
  desc.Pool = FPool;
  if (Level < FLevels.size()) {
    desc.Width = FLevels[Level].Width;
    desc.Height = FLevels[Level].Height;
  }
  return desc;
}

HRESULT FakeTexture9::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
  auto call = FCore.Recorder().Enter("GetLevelDesc", FakeArgs(FCore.Label(), Level), true);
  if (call.Failed()) return call.Injected();
  if (!pDesc || Level >= FLevels.size()) return call.Return(D3DERR_INVALIDCALL);
  *pDesc = Desc(Level);
  return call.Return(D3D_OK);
}

HRESULT FakeTexture9::GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) {
  auto call = FCore.Recorder().Enter("GetSurfaceLevel", FakeArgs(FCore.Label(), Level));
  if (ppSurfaceLevel) *ppSurfaceLevel = nullptr;
  if (call.Failed()) return call.Injected();
  if (!ppSurfaceLevel || Level >= FLevels.size()) return call.Return(D3DERR_INVALIDCALL);
  *ppSurfaceLevel =
      MakeRef<FakeSurface9>(FCore.Link(), FCore.SharedRecorder(), Ref<FakeTexture9>(this), Level)
          .Detach();
  return call.Return(D3D_OK);
}

HRESULT FakeTexture9::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                               DWORD Flags) {
  auto call = FCore.Recorder().Enter(
      "LockRect", FakeArgs(FCore.Label(), Level, pRect ? "rect" : "all", FakeHex(Flags)));
  if (call.Failed()) return call.Injected();
  if (!pLockedRect || Level >= FLevels.size() || FLevels[Level].Locked) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  TLevel& level = FLevels[Level];
  FakeMapRect(level.Pixels, level.Width, FFormat, pRect, pLockedRect);
  level.Locked = true;
  return call.Return(D3D_OK);
}

HRESULT FakeTexture9::UnlockRect(UINT Level) {
  auto call = FCore.Recorder().Enter("UnlockRect", FakeArgs(FCore.Label(), Level));
  if (call.Failed()) return call.Injected();
  if (Level >= FLevels.size() || !FLevels[Level].Locked) return call.Return(D3DERR_INVALIDCALL);
  FLevels[Level].Locked = false;
  return call.Return(D3D_OK);
}
