// Where the D3DX font keeps its glyphs: one cell per Windows-1252 code 32 to 255 in rows of a
// texture 512 texels wide, each cell a glyph's advance plus a pad on either side for italic and
// antialiasing overhang. Each platform's glyph rasterizer paints the glyphs into the cells; the
// cells, the text layout and the quads that draw text are the same everywhere, so that text
// looks alike on every platform. Plain C++.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/render/d3dx/TextLayout.h"

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
  // textured with the glyph's cell and coloured color. Vertex: {x, y, u, v, color}. With a clip
  // rectangle each quad is cut to it; cells map texels to pixels one to one, so the cut falls
  // on whole texels.
  template <class Vertex>
  std::vector<Vertex> Quads(const TextLayout& layout, std::uint32_t color,
                            const RECT* clip = nullptr) const {
    std::vector<Vertex> vertices;
    for (const TextLine& line : layout.Lines) {
      LONG x = line.X;
      for (unsigned char c : line.Text) {
        const Glyph& g = glyphs_[c];
        if (g.cellWidth > 0 && c != ' ') {
          LONG x0 = x - g.pad, x1 = x0 + g.cellWidth, y0 = line.Y, y1 = y0 + lineHeight_;
          LONG u0 = g.cellX, v0 = g.cellY;
          if (clip) {
            const LONG left = std::max(x0, clip->left), top = std::max(y0, clip->top);
            u0 += left - x0, v0 += top - y0;
            x0 = left, y0 = top;
            x1 = std::min(x1, clip->right), y1 = std::min(y1, clip->bottom);
          }
          if (x0 < x1 && y0 < y1) {
            const float u1 = U(u0 + (x1 - x0)), v1 = V(v0 + (y1 - y0));
            const float fx0 = static_cast<float>(x0), fx1 = static_cast<float>(x1);
            const float fy0 = static_cast<float>(y0), fy1 = static_cast<float>(y1);
            const Vertex a{fx0, fy0, U(u0), V(v0), color}, b{fx1, fy0, u1, V(v0), color},
                cc{fx0, fy1, U(u0), v1, color}, d{fx1, fy1, u1, v1, color};
            vertices.insert(vertices.end(), {a, b, cc, b, d, cc});
          }
        }
        x += g.advance;
      }
    }
    return vertices;
  }

 private:
  float U(LONG texel) const { return static_cast<float>(texel) / static_cast<float>(kWidth); }
  float V(LONG texel) const { return static_cast<float>(texel) / static_cast<float>(height_); }

  Glyph glyphs_[256];
  unsigned height_ = 1;
  int lineHeight_ = 0;
};
