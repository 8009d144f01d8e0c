#include "platform/render/d3dx/D3DXSprite9.h"

HRESULT D3DXSprite9::Create(IDirect3DDevice9* device, ID3DXSprite** out) {
  Ref<D3DXSprite9> sprite(new D3DXSprite9(device));
  if (HRESULT hr = sprite->overlay_.Restore(); FAILED(hr)) return hr;
  *out = sprite.Detach();
  return D3D_OK;
}

HRESULT D3DXSprite9::GetDevice(IDirect3DDevice9** ppDevice) {
  if (!ppDevice) return D3DERR_INVALIDCALL;
  *ppDevice = Ref<IDirect3DDevice9>(overlay_.Device()).Detach();
  return D3D_OK;
}

HRESULT D3DXSprite9::Begin() {
  return state_.Begin();
}

HRESULT D3DXSprite9::End() {
  return state_.End();
}

HRESULT D3DXSprite9::OnLostDevice() {
  state_.Lose();
  overlay_.Lose();
  return D3D_OK;
}

HRESULT D3DXSprite9::OnResetDevice() {
  if (HRESULT hr = overlay_.Restore(); FAILED(hr)) return hr;
  state_.Reset();
  return D3D_OK;
}

HRESULT D3DXSprite9::Draw(IDirect3DTexture9* pSrcTexture, const RECT* pSrcRect,
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
  return overlay_.Draw(pSrcTexture, true, {a, b, c, b, d, c});
}
