// The D3DX sprite of the GL backend: each Draw is one textured quad placed by the sprite
// transform (scale, rotation about a centre, translation, in pixels) and drawn through the
// device's overlay path, blended over what is there, leaving the Direct3D state untouched.
#pragma once

#include "platform/render/SpriteState.h"
#include "platform/render/d3dx9.h"
#include "platform/render/gl/gldevice.h"

class GLSprite9 final : public ID3DXSprite {
 public:
  explicit GLSprite9(const Ref<GLDevice9>& device);
  ~GLSprite9() override;

  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  HRESULT Begin() override;
  HRESULT Draw(IDirect3DTexture9* pSrcTexture, const RECT* pSrcRect, const D3DXVECTOR2* pScaling,
               const D3DXVECTOR2* pRotationCenter, float Rotation, const D3DXVECTOR2* pTranslation,
               D3DCOLOR Color) override;
  HRESULT End() override;
  HRESULT OnLostDevice() override;
  HRESULT OnResetDevice() override;

 private:
  Ref<GLDevice9> device_;
  SpriteState state_;
};
