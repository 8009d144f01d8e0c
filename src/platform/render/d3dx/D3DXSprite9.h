// Our D3DX sprite, over the render contract: each Draw is one quad placed by the sprite
// transform (SpriteState) and drawn through the overlay, blended over what is there, leaving
// the device's states as they were.
#pragma once

#include "platform/render/d3dx/D3DXOverlay.h"
#include "platform/render/d3dx/SpriteState.h"
#include "platform/render/d3dx9.h"

class D3DXSprite9 final : public ID3DXSprite {
 public:
  // *out receives the sprite; fails with the device's error when its state block cannot be
  // made.
  static HRESULT Create(IDirect3DDevice9* device, ID3DXSprite** out);

  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  HRESULT Begin() override;
  HRESULT Draw(IDirect3DTexture9* pSrcTexture, const RECT* pSrcRect, const D3DXVECTOR2* pScaling,
               const D3DXVECTOR2* pRotationCenter, float Rotation, const D3DXVECTOR2* pTranslation,
               D3DCOLOR Color) override;
  HRESULT End() override;
  HRESULT OnLostDevice() override;
  HRESULT OnResetDevice() override;

 private:
  explicit D3DXSprite9(IDirect3DDevice9* device) : overlay_(device) {}

  D3DXOverlay overlay_;
  SpriteState state_;
};
