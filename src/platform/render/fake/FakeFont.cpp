#include "platform/render/fake/FakeFont.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "platform/render/fake/FakeDevice9.h"

namespace {

std::string RectText(const RECT* Rect) {
  if (!Rect) return "null";
  std::ostringstream out;
  out << "(" << Rect->left << "," << Rect->top << "," << Rect->right << "," << Rect->bottom << ")";
  return out.str();
}

std::string VectorText(const D3DXVECTOR2* V) {
  if (!V) return "null";
  std::ostringstream out;
  out << "(" << V->x << "," << V->y << ")";
  return out.str();
}

}  // namespace

FakeFont::FakeFont(FakeDevice9* Device, const D3DXFONT_DESCA& Desc)
    : FCore(this, Device->Link(), Device->SharedRecorder(), "font", false), FDesc(Desc) {
  Device->AdjustUnreleasedDeviceObjects(1);
}

FakeFont::~FakeFont() {
  if (!FLost && FCore.Device()) FCore.Device()->AdjustUnreleasedDeviceObjects(-1);
}

HRESULT FakeFont::GetDescA(D3DXFONT_DESCA* pDesc) {
  if (!pDesc) return D3DERR_INVALIDCALL;
  *pDesc = FDesc;
  return D3D_OK;
}

INT FakeFont::DrawTextA(const char* pString, INT Count, RECT* pRect, DWORD Format, D3DCOLOR Color) {
  std::string text;
  if (pString) {
    const std::size_t length = std::strlen(pString);
    text.assign(pString, Count < 0 ? length : std::min(length, static_cast<std::size_t>(Count)));
  }
  auto call = FCore.Recorder().Enter(
      "DrawTextA", FakeArgs(FCore.Label(), "\"" + text + "\"", Count, RectText(pRect),
                            FakeHex(Format), FakeHex(Color)));
  if (call.Failed() || !pString || FLost) {
    call.Return(E_FAIL);
    return 0;
  }
  const INT height = FDesc.Height != 0 ? std::abs(FDesc.Height) : 16;
  if ((Format & DT_CALCRECT) && pRect) {
    pRect->right = pRect->left + static_cast<LONG>(text.size()) * (height / 2);
    pRect->bottom = pRect->top + height;
  }
  call.Return(D3D_OK);
  return height;
}

HRESULT FakeFont::OnLostDevice() {
  auto call = FCore.Recorder().Enter("OnLostDevice", FakeArgs(FCore.Label()));
  if (call.Failed()) return call.Injected();
  if (!FLost && FCore.Device()) FCore.Device()->AdjustUnreleasedDeviceObjects(-1);
  FLost = true;
  return call.Return(D3D_OK);
}

HRESULT FakeFont::OnResetDevice() {
  auto call = FCore.Recorder().Enter("OnResetDevice", FakeArgs(FCore.Label()));
  if (call.Failed()) return call.Injected();
  if (FLost && FCore.Device()) FCore.Device()->AdjustUnreleasedDeviceObjects(1);
  FLost = false;
  return call.Return(D3D_OK);
}

FakeSprite::FakeSprite(FakeDevice9* Device)
    : FCore(this, Device->Link(), Device->SharedRecorder(), "sprite", false) {
  Device->AdjustUnreleasedDeviceObjects(1);
}

FakeSprite::~FakeSprite() {
  if (!FLost && FCore.Device()) FCore.Device()->AdjustUnreleasedDeviceObjects(-1);
}

HRESULT FakeSprite::Begin() {
  auto call = FCore.Recorder().Enter("Begin", FakeArgs(FCore.Label()));
  if (call.Failed()) return call.Injected();
  if (FInBegin || FLost) return call.Return(D3DERR_INVALIDCALL);
  FInBegin = true;
  return call.Return(D3D_OK);
}

HRESULT FakeSprite::Draw(IDirect3DTexture9* pSrcTexture, const RECT* pSrcRect,
                         const D3DXVECTOR2* pScaling, const D3DXVECTOR2* pRotationCenter,
                         float Rotation, const D3DXVECTOR2* pTranslation, D3DCOLOR Color) {
  auto call = FCore.Recorder().Enter(
      "Draw",
      FakeArgs(FCore.Label(), FakeLabel(pSrcTexture), RectText(pSrcRect), VectorText(pScaling),
               VectorText(pRotationCenter), Rotation, VectorText(pTranslation), FakeHex(Color)));
  if (call.Failed()) return call.Injected();
  return call.Return(FLost ? D3DERR_INVALIDCALL : D3D_OK);
}

HRESULT FakeSprite::End() {
  auto call = FCore.Recorder().Enter("End", FakeArgs(FCore.Label()));
  if (call.Failed()) return call.Injected();
  if (!FInBegin) return call.Return(D3DERR_INVALIDCALL);
  FInBegin = false;
  return call.Return(D3D_OK);
}

HRESULT FakeSprite::OnLostDevice() {
  auto call = FCore.Recorder().Enter("OnLostDevice", FakeArgs(FCore.Label()));
  if (call.Failed()) return call.Injected();
  if (!FLost && FCore.Device()) FCore.Device()->AdjustUnreleasedDeviceObjects(-1);
  FLost = true;
  FInBegin = false;
  return call.Return(D3D_OK);
}

HRESULT FakeSprite::OnResetDevice() {
  auto call = FCore.Recorder().Enter("OnResetDevice", FakeArgs(FCore.Label()));
  if (call.Failed()) return call.Injected();
  if (FLost && FCore.Device()) FCore.Device()->AdjustUnreleasedDeviceObjects(1);
  FLost = false;
  return call.Return(D3D_OK);
}
