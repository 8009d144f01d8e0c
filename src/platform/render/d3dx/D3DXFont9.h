// Our D3DX font, over the render contract: the glyphs of Windows-1252 codes 32 to 255 are
// painted once by the platform's glyph rasterizer into the cells of a glyph atlas, a managed
// texture; DrawTextA lays out the lines and draws one quad per glyph through the overlay,
// leaving the device's states as they were.
#pragma once

#include <memory>

#include "platform/render/d3dx/D3DXOverlay.h"
#include "platform/render/d3dx/GlyphAtlas.h"
#include "platform/render/d3dx/GlyphRasterizer.h"
#include "platform/render/d3dx9.h"

class D3DXFont9 final : public ID3DXFont {
 public:
  // *out receives the font; fails with the device's error when the atlas cannot be made, and
  // with E_FAIL when there are no glyphs to paint.
  static HRESULT Create(IDirect3DDevice9* device, const D3DXFONT_DESCA& desc,
                        std::unique_ptr<GlyphRasterizer> glyphs, ID3DXFont** out);

  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  HRESULT GetDescA(D3DXFONT_DESCA* pDesc) override;
  // The height of the text, drawn or not (outside a scene the device refuses the quads, and
  // the height is still what D3DX's font reports).
  INT DrawTextA(const char* pString, INT Count, RECT* pRect, DWORD Format, D3DCOLOR Color) override;
  HRESULT OnLostDevice() override;
  HRESULT OnResetDevice() override;

 private:
  D3DXFont9(IDirect3DDevice9* device, const D3DXFONT_DESCA& desc);
  HRESULT BuildAtlas(const GlyphRasterizer& glyphs);

  D3DXOverlay overlay_;
  D3DXFONT_DESCA desc_;
  Ref<IDirect3DTexture9> atlas_;  // managed: it outlives a Reset
  GlyphAtlas glyphs_;
};
