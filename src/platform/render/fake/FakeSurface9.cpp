#include "platform/render/fake/FakeSurface9.h"

#include "platform/render/fake/FakeNames.h"
#include "platform/render/fake/FakeTexture9.h"

FakeSurface9::FakeSurface9(const std::shared_ptr<FakeDeviceLink>& Link,
                           const std::shared_ptr<FakeRecorder>& Recorder,
                           const D3DSURFACE_DESC& Desc)
    : FCore(this, Link, Recorder, "surf", Desc.Pool == D3DPOOL_DEFAULT), FDesc(Desc) {
  FPixels.resize(static_cast<std::size_t>(Desc.Width) * Desc.Height *
                 FakeBytesPerPixel(Desc.Format));
}

FakeSurface9::FakeSurface9(const std::shared_ptr<FakeDeviceLink>& Link,
                           const std::shared_ptr<FakeRecorder>& Recorder, Ref<FakeTexture9> Texture,
                           UINT Level)
    : FCore(this, Link, Recorder, "surf", false),
      FDesc(Texture->Desc(Level)),
      FTexture(std::move(Texture)),
      FLevel(Level) {}

std::vector<BYTE>& FakeSurface9::Pixels() {
  return FTexture ? FTexture->Pixels(FLevel) : FPixels;
}

HRESULT FakeSurface9::GetDesc(D3DSURFACE_DESC* pDesc) {
  auto call = FCore.Recorder().Enter("GetDesc", FakeArgs(FCore.Label()), true);
  if (call.Failed()) return call.Injected();
  if (!pDesc) return call.Return(D3DERR_INVALIDCALL);
  *pDesc = FDesc;
  return call.Return(D3D_OK);
}

HRESULT FakeSurface9::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) {
  auto call = FCore.Recorder().Enter(
      "LockRect", FakeArgs(FCore.Label(), pRect ? "rect" : "all", FakeHex(Flags)));
  if (call.Failed()) return call.Injected();
  if (!pLockedRect || FLocked || (FDesc.Usage & D3DUSAGE_RENDERTARGET)) {
    return call.Return(D3DERR_INVALIDCALL);
  }
  FakeMapRect(Pixels(), FDesc.Width, FDesc.Format, pRect, pLockedRect);
  FLocked = true;
  return call.Return(D3D_OK);
}

HRESULT FakeSurface9::UnlockRect() {
  auto call = FCore.Recorder().Enter("UnlockRect", FakeArgs(FCore.Label()));
  if (call.Failed()) return call.Injected();
  if (!FLocked) return call.Return(D3DERR_INVALIDCALL);
  FLocked = false;
  return call.Return(D3D_OK);
}
