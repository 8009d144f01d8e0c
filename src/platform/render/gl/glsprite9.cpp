#include "platform/render/gl/glsprite9.h"

#include "platform/render/gl/gltexture9.h"

GLSprite9::GLSprite9(const Ref<GLDevice9>& device) : device_(device) {
  ++device_->Core()->unlostD3DXObjects;
}

GLSprite9::~GLSprite9() {
  if (!state_.Lost()) --device_->Core()->unlostD3DXObjects;
}

HRESULT GLSprite9::GetDevice(IDirect3DDevice9** ppDevice) {
  if (!ppDevice) return D3DERR_INVALIDCALL;
  *ppDevice = device_.Share();
  return D3D_OK;
}

HRESULT GLSprite9::Begin() {
  return state_.Begin();
}

HRESULT GLSprite9::End() {
  return state_.End();
}

HRESULT GLSprite9::OnLostDevice() {
  if (!state_.Lost()) --device_->Core()->unlostD3DXObjects;
  state_.Lose();
  return D3D_OK;
}

HRESULT GLSprite9::OnResetDevice() {
  if (state_.Lost()) ++device_->Core()->unlostD3DXObjects;
  state_.Reset();
  return D3D_OK;
}

HRESULT GLSprite9::Draw(IDirect3DTexture9* pSrcTexture, const RECT* pSrcRect,
                        const D3DXVECTOR2* pScaling, const D3DXVECTOR2* pRotationCenter,
                        float Rotation, const D3DXVECTOR2* pTranslation, D3DCOLOR Color) {
  // Like every draw, a sprite draw needs the device's scene; outside it nothing is drawn.
  if (state_.Lost() || !device_->InScene()) return D3DERR_INVALIDCALL;
  auto* texture = dynamic_cast<GLTexture9*>(pSrcTexture);
  if (pSrcTexture && !texture) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc{};
  if (texture) texture->GetLevelDesc(0, &desc);
  SpriteState::Corner q[4];
  if (!SpriteState::Quad(desc.Width, desc.Height, pSrcRect, pScaling, pRotationCenter, Rotation,
                         pTranslation, q))
    return D3DERR_INVALIDCALL;
  auto vertex = [&](const SpriteState::Corner& k) {
    return GLOverlayVertex{k.x, k.y, k.u, k.v, Color};
  };
  const GLOverlayVertex a = vertex(q[0]), b = vertex(q[1]), c = vertex(q[2]), d = vertex(q[3]);
  device_->DrawOverlay(texture ? texture->Id() : 0, true, {a, b, c, b, d, c}, nullptr);
  return D3D_OK;
}
