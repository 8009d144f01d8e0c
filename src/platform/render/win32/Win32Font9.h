// The D3DX font on Windows: the font's glyphs for Windows-1252 codes 32 to 255 are painted once
// with GDI into the cells of a glyph atlas, and DrawTextA lays out lines and draws one quad per
// glyph as every backend's font does (GlyphAtlas.h), through the overlay path, leaving the
// device's states untouched: the GL backend's font, glyph for glyph, on the real device.
#pragma once

#include "platform/render/GlyphAtlas.h"
#include "platform/render/d3dx9.h"

class Win32Font9 final : public ID3DXFont {
 public:
  // *out receives the font; fails with the device's error when the atlas cannot be made.
  static HRESULT Create(IDirect3DDevice9* device, const D3DXFONT_DESCA& desc, ID3DXFont** out);
  ~Win32Font9() override;

  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  HRESULT GetDescA(D3DXFONT_DESCA* pDesc) override;
  INT DrawTextA(const char* pString, INT Count, RECT* pRect, DWORD Format, D3DCOLOR Color) override;
  HRESULT OnLostDevice() override;
  HRESULT OnResetDevice() override;

 private:
  Win32Font9(IDirect3DDevice9* device, const D3DXFONT_DESCA& desc);
  HRESULT BuildAtlas();

  IDirect3DDevice9* device_;
  D3DXFONT_DESCA desc_;
  bool lost_ = false;
  IDirect3DTexture9* atlas_ = nullptr;  // managed: it outlives a Reset
  GlyphAtlas glyphs_;
};
