#include "platform/render/win32/Win32Sprite9.h"

#include "platform/render/win32/Win32Overlay.h"

Win32Sprite9::Win32Sprite9(IDirect3DDevice9* device) : device_(device) {
  device_->AddRef();
}

Win32Sprite9::~Win32Sprite9() {
  device_->Release();
}

HRESULT Win32Sprite9::GetDevice(IDirect3DDevice9** ppDevice) {
  if (!ppDevice) return D3DERR_INVALIDCALL;
  device_->AddRef();
  *ppDevice = device_;
  return D3D_OK;
}

HRESULT Win32Sprite9::Begin() {
  return state_.Begin();
}

HRESULT Win32Sprite9::End() {
  return state_.End();
}

HRESULT Win32Sprite9::OnLostDevice() {
  state_.Lose();
  return D3D_OK;
}

HRESULT Win32Sprite9::OnResetDevice() {
  state_.Reset();
  return D3D_OK;
}

HRESULT Win32Sprite9::Draw(IDirect3DTexture9* pSrcTexture, const RECT* pSrcRect,
                           const D3DXVECTOR2* pScaling, const D3DXVECTOR2* pRotationCenter,
                           float Rotation, const D3DXVECTOR2* pTranslation, D3DCOLOR Color) {
  if (state_.Lost()) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc{};
  if (pSrcTexture && FAILED(pSrcTexture->GetLevelDesc(0, &desc))) return D3DERR_INVALIDCALL;
  SpriteState::Corner q[4];
  if (!SpriteState::Quad(desc.Width, desc.Height, pSrcRect, pScaling, pRotationCenter, Rotation,
                         pTranslation, q))
    return D3DERR_INVALIDCALL;
  auto vertex = [&](const SpriteState::Corner& k) {
    return OverlayVertex{k.x, k.y, k.u, k.v, Color};
  };
  const OverlayVertex a = vertex(q[0]), b = vertex(q[1]), c = vertex(q[2]), d = vertex(q[3]);
  // Like every draw, a sprite draw needs the device's scene: the device refuses it outside.
  return DrawOverlay(device_, pSrcTexture, true, {a, b, c, b, d, c}, nullptr);
}
