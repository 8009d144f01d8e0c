// The D3DX font of the GL backend: the font's glyphs for Windows-1252 codes 32 to 255 are
// painted once with QPainter into a texture, and DrawTextA lays out lines and draws one quad
// per glyph through the device's overlay path, leaving the Direct3D state untouched.
#pragma once

#include <QFont>
#include <string>

#include "platform/render/GlyphAtlas.h"
#include "platform/render/d3dx9.h"
#include "platform/render/gl/gldevice.h"

class GLFont9 final : public ID3DXFont {
 public:
  static HRESULT Create(const Ref<GLDevice9>& device, const D3DXFONT_DESCA& desc, ID3DXFont** out);
  ~GLFont9() override;

  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  HRESULT GetDescA(D3DXFONT_DESCA* pDesc) override;
  INT DrawTextA(const char* pString, INT Count, RECT* pRect, DWORD Format, D3DCOLOR Color) override;
  HRESULT OnLostDevice() override;
  HRESULT OnResetDevice() override;

  // The QFont a GDI-style description stands for (height, weight, italic, face).
  static QFont FontOf(const D3DXFONT_DESCA& desc);

 private:
  explicit GLFont9(const Ref<GLDevice9>& device, const D3DXFONT_DESCA& desc);
  HRESULT BuildAtlas();

  Ref<GLDevice9> device_;
  D3DXFONT_DESCA desc_;
  bool lost_ = false;
  Ref<IDirect3DTexture9> atlas_;
  GlyphAtlas glyphs_;
};
