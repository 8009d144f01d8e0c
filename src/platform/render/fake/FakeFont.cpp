#include "platform/render/fake/FakeFont.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <utility>

#include "platform/render/fake/FakeDevice9.h"
#include "platform/render/fake/FakeTexture9.h"

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
  FakeDevice9* Device = FCore.Device();
  // Like every draw, a sprite draw needs the device's scene; outside it nothing is drawn.
  if (FLost || !Device || !Device->InScene()) return call.Return(D3DERR_INVALIDCALL);
  // The quad as the sprite places it: the source rectangle (a texture's whole first level, a
  // single pixel without texture) scaled, rotated about the centre, then moved, in pixels.
  RECT Source{0, 0, 1, 1};
  // Read without a call of its own, so the log shows only what the engine called.
  if (auto* Texture = dynamic_cast<FakeTexture9*>(pSrcTexture);
      Texture && Texture->GetLevelCount()) {
    const D3DSURFACE_DESC Desc = Texture->Desc(0);
    Source = {0, 0, static_cast<LONG>(Desc.Width), static_cast<LONG>(Desc.Height)};
  }
  if (pSrcRect) Source = *pSrcRect;
  D3DXMATRIX M;
  D3DXMatrixTransformation2D(&M, nullptr, 0.0f, pScaling, pRotationCenter, Rotation, pTranslation);
  const float W = static_cast<float>(Source.right - Source.left);
  const float H = static_cast<float>(Source.bottom - Source.top);
  FakeDraw Draw;
  Draw.Method = "ID3DXSprite::Draw";
  Draw.PrimitiveType = D3DPT_TRIANGLESTRIP;
  Draw.PrimitiveCount = 2;
  Draw.Stride = sizeof(FakeSpriteVertex);
  for (const auto& [X, Y] : {std::pair{0.0f, 0.0f}, {W, 0.0f}, {0.0f, H}, {W, H}}) {
    const FakeSpriteVertex V{X * M._11 + Y * M._21 + M._41, X * M._12 + Y * M._22 + M._42, 0.0f,
                             1.0f, Color};
    const auto* Bytes = reinterpret_cast<const BYTE*>(&V);
    Draw.Vertices.insert(Draw.Vertices.end(), Bytes, Bytes + sizeof V);
  }
  Device->RecordDraw(std::move(Draw), pSrcTexture, FakeSpriteFVF);
  return call.Return(D3D_OK);
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
