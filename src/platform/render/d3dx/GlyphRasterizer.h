// The platform's part of our D3DX font: a font engine that measures and paints one font's
// glyphs (QPainter on Linux, qt/QtGlyphRasterizer.cpp; GDI on Windows,
// win32/GdiGlyphRasterizer.cpp). The atlas, the layout and the drawing are D3DXFont9's.
#pragma once

#include <memory>

#include "platform/render/d3dx/GlyphAtlas.h"
#include "platform/render/d3dx/Image32.h"
#include "platform/render/d3dx9.h"

class GlyphRasterizer {
 public:
  virtual ~GlyphRasterizer() = default;
  // The height of a line, in pixels.
  virtual int LineHeight() const = 0;
  // How far a Windows-1252 code moves the pen, in pixels.
  virtual int Advance(unsigned char code) const = 0;
  // Paints the glyph of every code that has a cell into its cell (at the cell's pad from its
  // left edge), white, its coverage in alpha, over image (the atlas' size, transparent black).
  // False when the platform could not paint.
  virtual bool Paint(const GlyphAtlas& atlas, Image32& image) const = 0;
};

// The platform's rasterizer of a GDI-style font description; null when no font can be made.
std::unique_ptr<GlyphRasterizer> MakeGlyphRasterizer(const D3DXFONT_DESCA& desc);
