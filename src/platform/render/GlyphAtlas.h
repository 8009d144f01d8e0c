// Where the D3DX fonts keep their glyphs: one cell per Windows-1252 code 32 to 255 in rows of a
// texture 512 texels wide, each cell a glyph's advance plus a pad on either side for italic and
// antialiasing overhang. The backends paint the glyphs into the cells with their own font
// engine; the cells, the text layout and the quads that draw text are the same everywhere, so
// that text looks alike on every backend. Plain C++.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/render/TextLayout.h"

class GlyphAtlas {
 public:
  struct Glyph {
    float u0 = 0, v0 = 0, u1 = 0, v1 = 0;
    int cellWidth = 0;  // the painted cell, overhang included
    int advance = 0;
    int pad = 0;
    int cellX = 0, cellY = 0;  // the cell's top-left texel
  };
  static constexpr unsigned kWidth = 512;

  // Places the cells of the codes that have a character, each advance(code) wide plus pad on
  // either side, and sizes the texture (its height a power of two). Replaces an earlier layout.
  void Arrange(int lineHeight, int pad, const std::function<int(unsigned char code)>& advance);

  // Whether the code has a cell: every code from 32 up (control codes draw nothing).
  static bool HasCell(unsigned char code);
  const Glyph& operator[](unsigned char code) const { return glyphs_[code]; }
  unsigned Width() const { return kWidth; }
  unsigned Height() const { return height_; }
  int LineHeight() const { return lineHeight_; }

  // How DrawTextA places the text in rect with these glyphs' advances.
  TextLayout LayOut(std::string_view text, const RECT& rect, DWORD format) const;

  // Two triangles (six vertices) per visible glyph of the layout, in pixels of the target,
  // textured with the glyph's cell and coloured color. Vertex: {x, y, u, v, color}.
  template <class Vertex>
  std::vector<Vertex> Quads(const TextLayout& layout, std::uint32_t color) const {
    std::vector<Vertex> vertices;
    for (const TextLine& line : layout.Lines) {
      LONG x = line.X;
      for (unsigned char c : line.Text) {
        const Glyph& g = glyphs_[c];
        if (g.cellWidth > 0 && c != ' ') {
          const float x0 = static_cast<float>(x - g.pad), x1 = x0 + static_cast<float>(g.cellWidth);
          const float y0 = static_cast<float>(line.Y), y1 = y0 + static_cast<float>(lineHeight_);
          const Vertex a{x0, y0, g.u0, g.v0, color}, b{x1, y0, g.u1, g.v0, color},
              cc{x0, y1, g.u0, g.v1, color}, d{x1, y1, g.u1, g.v1, color};
          vertices.insert(vertices.end(), {a, b, cc, b, d, cc});
        }
        x += g.advance;
      }
    }
    return vertices;
  }

 private:
  Glyph glyphs_[256];
  unsigned height_ = 1;
  int lineHeight_ = 0;
};
