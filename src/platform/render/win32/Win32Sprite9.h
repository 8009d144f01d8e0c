// The D3DX sprite on Windows: each Draw is one textured quad through the overlay path, placed
// as the GL backend's sprite places it.
#pragma once

#include "platform/render/SpriteState.h"
#include "platform/render/d3dx9.h"

class Win32Sprite9 final : public ID3DXSprite {
 public:
  explicit Win32Sprite9(IDirect3DDevice9* device);
  ~Win32Sprite9() override;

  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  HRESULT Begin() override;
  HRESULT Draw(IDirect3DTexture9* pSrcTexture, const RECT* pSrcRect, const D3DXVECTOR2* pScaling,
               const D3DXVECTOR2* pRotationCenter, float Rotation, const D3DXVECTOR2* pTranslation,
               D3DCOLOR Color) override;
  HRESULT End() override;
  HRESULT OnLostDevice() override;
  HRESULT OnResetDevice() override;

 private:
  IDirect3DDevice9* device_;
  SpriteState state_;
};
