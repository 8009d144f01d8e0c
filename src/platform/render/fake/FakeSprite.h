// The fake's D3DX sprite: our D3DX sprite behind a thin recording layer. Each call the engine
// makes is logged with its arguments and can be failed on request; what the sprite does on the
// device to serve it is left out of the log and of the draws. A draw the sprite made is kept
// among the device's draws as a strip of four pre-transformed corners (top left, top right,
// bottom left, bottom right) in the form below, placed as the sprite places them, with the
// sprite's texture and the device's states of the moment (the sprite blends by itself whatever
// they say, and changes none of them).
#pragma once

#include "platform/render/d3dx9.h"
#include "platform/render/fake/FakeResource.h"

struct FakeSpriteVertex {
  float x, y, z, rhw;
  D3DCOLOR Color;
};
constexpr DWORD FakeSpriteFVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

class FakeSprite : public ID3DXSprite {
 public:
  FakeSprite(FakeDevice9* Device, Ref<ID3DXSprite> Sprite);

  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return FCore.GetDevice(ppDevice); }
  HRESULT Begin() override;
  HRESULT Draw(IDirect3DTexture9* pSrcTexture, const RECT* pSrcRect, const D3DXVECTOR2* pScaling,
               const D3DXVECTOR2* pRotationCenter, float Rotation, const D3DXVECTOR2* pTranslation,
               D3DCOLOR Color) override;
  HRESULT End() override;
  HRESULT OnLostDevice() override;
  HRESULT OnResetDevice() override;

  const std::string& Label() const { return FCore.Label(); }

 private:
  // Logs the call Method, then lets the sprite serve it quietly.
  template <class Work>
  HRESULT Serve(const std::string& Method, std::string Args, Work&& DoIt);

  FakeResourceCore FCore;
  Ref<ID3DXSprite> FSprite;
};
