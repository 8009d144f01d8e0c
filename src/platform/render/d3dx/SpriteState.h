// The D3DX sprite's rules: Begin and End in pairs, nothing while the device is lost, and where
// one Draw's quad goes (the fake's recording of a sprite draw places it the same way). Plain
// C++.
#pragma once

#include "platform/render/d3dx9.h"

class SpriteState {
 public:
  // D3DERR_INVALIDCALL for a Begin inside a batch or on a lost device, and an End outside one.
  HRESULT Begin();
  HRESULT End();
  // A lost device ends the batch; a reset one takes Begin again.
  void Lose();
  void Reset();
  bool Lost() const { return lost_; }

  struct Corner {
    float x, y;  // target pixels
    float u, v;
  };
  // The quad of one Draw: the source rectangle (by default the whole texture of
  // textureWidth x textureHeight, or one texel of colour when there is no texture, both 0)
  // placed by the sprite transform (scale, rotation about a centre, translation). corners:
  // top-left, top-right, bottom-left, bottom-right. False for an empty source rectangle.
  static bool Quad(UINT textureWidth, UINT textureHeight, const RECT* pSrcRect,
                   const D3DXVECTOR2* pScaling, const D3DXVECTOR2* pRotationCenter, float Rotation,
                   const D3DXVECTOR2* pTranslation, Corner corners[4]);

 private:
  bool begun_ = false;
  bool lost_ = false;
};
