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
  if (begun_ || lost_) return D3DERR_INVALIDCALL;
  begun_ = true;
  return D3D_OK;
}

HRESULT Win32Sprite9::End() {
  if (!begun_) return D3DERR_INVALIDCALL;
  begun_ = false;
  return D3D_OK;
}

HRESULT Win32Sprite9::OnLostDevice() {
  lost_ = true;
  begun_ = false;
  return D3D_OK;
}

HRESULT Win32Sprite9::OnResetDevice() {
  lost_ = false;
  return D3D_OK;
}

HRESULT Win32Sprite9::Draw(IDirect3DTexture9* pSrcTexture, const RECT* pSrcRect,
                           const D3DXVECTOR2* pScaling, const D3DXVECTOR2* pRotationCenter,
                           float Rotation, const D3DXVECTOR2* pTranslation, D3DCOLOR Color) {
  if (lost_) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc{};
  if (pSrcTexture && FAILED(pSrcTexture->GetLevelDesc(0, &desc))) return D3DERR_INVALIDCALL;
  // Without a texture the quad is one pixel of Color before scaling.
  RECT src{0, 0, pSrcTexture ? static_cast<LONG>(desc.Width) : 1,
           pSrcTexture ? static_cast<LONG>(desc.Height) : 1};
  if (pSrcRect) src = *pSrcRect;
  if (src.right <= src.left || src.bottom <= src.top) return D3DERR_INVALIDCALL;
  D3DXMATRIX m;
  D3DXMatrixTransformation2D(&m, nullptr, 0.0f, pScaling, pRotationCenter, Rotation, pTranslation);
  const float w = static_cast<float>(src.right - src.left),
              h = static_cast<float>(src.bottom - src.top);
  const float tw = pSrcTexture ? static_cast<float>(desc.Width) : 1.0f;
  const float th = pSrcTexture ? static_cast<float>(desc.Height) : 1.0f;
  auto corner = [&](float x, float y, float u, float v) {
    return OverlayVertex{x * m._11 + y * m._21 + m._41, x * m._12 + y * m._22 + m._42, u, v, Color};
  };
  const float u0 = static_cast<float>(src.left) / tw, u1 = static_cast<float>(src.right) / tw;
  const float v0 = static_cast<float>(src.top) / th, v1 = static_cast<float>(src.bottom) / th;
  const OverlayVertex a = corner(0, 0, u0, v0), b = corner(w, 0, u1, v0), c = corner(0, h, u0, v1),
                      d = corner(w, h, u1, v1);
  // Like every draw, a sprite draw needs the device's scene: the device refuses it outside.
  return DrawOverlay(device_, pSrcTexture, true, {a, b, c, b, d, c}, nullptr);
}
