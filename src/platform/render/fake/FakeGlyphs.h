// The fake's glyph rasterizer for our D3DX font: it paints nothing, and measures every
// character as half the font's height wide and a line as its height tall (16 pixels when the
// description gives none), so that tests can say what a text measures.
#pragma once

#include <memory>

#include "platform/render/d3dx/GlyphRasterizer.h"

class FakeGlyphs final : public GlyphRasterizer {
 public:
  explicit FakeGlyphs(const D3DXFONT_DESCA& Desc);
  static std::unique_ptr<GlyphRasterizer> Make(const D3DXFONT_DESCA& Desc);

  int LineHeight() const override { return FHeight; }
  int Advance(unsigned char) const override { return FHeight / 2; }
  bool Paint(const GlyphAtlas&, Image32&) const override { return true; }

 private:
  int FHeight;
};
