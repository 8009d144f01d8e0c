// The fake D3DX font and sprite: they draw nothing and record every call. A font measures
// text as half its height per character wide and its height tall.
#pragma once

#include "platform/render/d3dx9.h"
#include "platform/render/fake/FakeResource.h"

class FakeFont : public ID3DXFont {
 public:
  FakeFont(FakeDevice9* Device, const D3DXFONT_DESCA& Desc);
  ~FakeFont() override;

  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return FCore.GetDevice(ppDevice); }
  HRESULT GetDescA(D3DXFONT_DESCA* pDesc) override;
  INT DrawTextA(const char* pString, INT Count, RECT* pRect, DWORD Format, D3DCOLOR Color) override;
  HRESULT OnLostDevice() override;
  HRESULT OnResetDevice() override;

  const std::string& Label() const { return FCore.Label(); }
  bool Lost() const { return FLost; }

 private:
  FakeResourceCore FCore;
  D3DXFONT_DESCA FDesc;
  bool FLost = false;
};

// A sprite draw is recorded among the device's draws as a strip of four pre-transformed
// corners (top left, top right, bottom left, bottom right) in this form, with the sprite's
// texture and the device's states of the moment (the sprite blends by itself whatever they
// say, and changes none of them).
struct FakeSpriteVertex {
  float x, y, z, rhw;
  D3DCOLOR Color;
};
constexpr DWORD FakeSpriteFVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

class FakeSprite : public ID3DXSprite {
 public:
  explicit FakeSprite(FakeDevice9* Device);
  ~FakeSprite() override;

  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return FCore.GetDevice(ppDevice); }
  HRESULT Begin() override;
  HRESULT Draw(IDirect3DTexture9* pSrcTexture, const RECT* pSrcRect, const D3DXVECTOR2* pScaling,
               const D3DXVECTOR2* pRotationCenter, float Rotation, const D3DXVECTOR2* pTranslation,
               D3DCOLOR Color) override;
  HRESULT End() override;
  HRESULT OnLostDevice() override;
  HRESULT OnResetDevice() override;

  const std::string& Label() const { return FCore.Label(); }
  bool Lost() const { return FLost; }

 private:
  FakeResourceCore FCore;
  bool FInBegin = false;
  bool FLost = false;
};
