#include "platform/render/d3dx/SpriteState.h"

HRESULT SpriteState::Begin() {
  if (begun_ || lost_) return D3DERR_INVALIDCALL;
  begun_ = true;
  return D3D_OK;
}

HRESULT SpriteState::End() {
  if (!begun_) return D3DERR_INVALIDCALL;
  begun_ = false;
  return D3D_OK;
}

void SpriteState::Lose() {
  lost_ = true;
  begun_ = false;
}

void SpriteState::Reset() {
  lost_ = false;
}

bool SpriteState::Quad(UINT textureWidth, UINT textureHeight, const RECT* pSrcRect,
                       const D3DXVECTOR2* pScaling, const D3DXVECTOR2* pRotationCenter,
                       float Rotation, const D3DXVECTOR2* pTranslation, Corner corners[4]) {
  // Without a texture the quad is one pixel of colour before scaling, so a scaled sprite still
  // covers what it would have covered with a one-texel texture.
  const bool textured = textureWidth > 0 && textureHeight > 0;
  const LONG tw = textured ? static_cast<LONG>(textureWidth) : 1;
  const LONG th = textured ? static_cast<LONG>(textureHeight) : 1;
  RECT src{0, 0, tw, th};
  if (pSrcRect) src = *pSrcRect;
  if (src.right <= src.left || src.bottom <= src.top) return false;
  D3DXMATRIX m;
  D3DXMatrixTransformation2D(&m, nullptr, 0.0f, pScaling, pRotationCenter, Rotation, pTranslation);
  const float w = static_cast<float>(src.right - src.left),
              h = static_cast<float>(src.bottom - src.top);
  const float u0 = static_cast<float>(src.left) / static_cast<float>(tw),
              u1 = static_cast<float>(src.right) / static_cast<float>(tw);
  const float v0 = static_cast<float>(src.top) / static_cast<float>(th),
              v1 = static_cast<float>(src.bottom) / static_cast<float>(th);
  auto corner = [&](float x, float y, float u, float v) {
    return Corner{x * m._11 + y * m._21 + m._41, x * m._12 + y * m._22 + m._42, u, v};
  };
  corners[0] = corner(0, 0, u0, v0);
  corners[1] = corner(w, 0, u1, v0);
  corners[2] = corner(0, h, u0, v1);
  corners[3] = corner(w, h, u1, v1);
  return true;
}
