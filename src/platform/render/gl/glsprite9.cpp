#include "platform/render/gl/glsprite9.h"

#include "platform/render/gl/gltexture9.h"

GLSprite9::GLSprite9(const Ref<GLDevice9>& device) : device_(device) {
  ++device_->Core()->unlostD3DXObjects;
}

GLSprite9::~GLSprite9() {
  if (!lost_) --device_->Core()->unlostD3DXObjects;
}

HRESULT GLSprite9::GetDevice(IDirect3DDevice9** ppDevice) {
  if (!ppDevice) return D3DERR_INVALIDCALL;
  *ppDevice = device_.Share();
  return D3D_OK;
}

HRESULT GLSprite9::Begin() {
  if (begun_ || lost_) return D3DERR_INVALIDCALL;
  begun_ = true;
  return D3D_OK;
}

HRESULT GLSprite9::End() {
  if (!begun_) return D3DERR_INVALIDCALL;
  begun_ = false;
  return D3D_OK;
}

HRESULT GLSprite9::OnLostDevice() {
  if (!lost_) --device_->Core()->unlostD3DXObjects;
  lost_ = true;
  begun_ = false;
  return D3D_OK;
}

HRESULT GLSprite9::OnResetDevice() {
  if (lost_) ++device_->Core()->unlostD3DXObjects;
  lost_ = false;
  return D3D_OK;
}

HRESULT GLSprite9::Draw(IDirect3DTexture9* pSrcTexture, const RECT* pSrcRect,
                        const D3DXVECTOR2* pScaling, const D3DXVECTOR2* pRotationCenter,
                        float Rotation, const D3DXVECTOR2* pTranslation, D3DCOLOR Color) {
  // Like every draw, a sprite draw needs the device's scene; outside it nothing is drawn.
  if (lost_ || !device_->InScene()) return D3DERR_INVALIDCALL;
  auto* texture = dynamic_cast<GLTexture9*>(pSrcTexture);
  if (pSrcTexture && !texture) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc;
  if (texture) texture->GetLevelDesc(0, &desc);
  // Without a texture the quad is one pixel of Color before scaling, so a scaled sprite still
  // covers what it would have covered with a one-texel texture.
  RECT src{0, 0, texture ? static_cast<LONG>(desc.Width) : 1,
           texture ? static_cast<LONG>(desc.Height) : 1};
  if (pSrcRect) src = *pSrcRect;
  if (src.right <= src.left || src.bottom <= src.top) return D3DERR_INVALIDCALL;
  D3DXMATRIX m;
  D3DXMatrixTransformation2D(&m, nullptr, 0.0f, pScaling, pRotationCenter, Rotation, pTranslation);
  const float w = static_cast<float>(src.right - src.left),
              h = static_cast<float>(src.bottom - src.top);
  const float tw = texture ? static_cast<float>(desc.Width) : 1.0f;
  const float th = texture ? static_cast<float>(desc.Height) : 1.0f;
  auto corner = [&](float x, float y, float u, float v) {
    return GLOverlayVertex{x * m._11 + y * m._21 + m._41, x * m._12 + y * m._22 + m._42, u, v,
                           Color};
  };
  const float u0 = static_cast<float>(src.left) / tw, u1 = static_cast<float>(src.right) / tw;
  const float v0 = static_cast<float>(src.top) / th, v1 = static_cast<float>(src.bottom) / th;
  const GLOverlayVertex a = corner(0, 0, u0, v0), b = corner(w, 0, u1, v0),
                        c = corner(0, h, u0, v1), d = corner(w, h, u1, v1);
  device_->DrawOverlay(texture ? texture->Id() : 0, true, {a, b, c, b, d, c}, nullptr);
  return D3D_OK;
}
