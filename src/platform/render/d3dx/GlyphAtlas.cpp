#include "platform/render/d3dx/GlyphAtlas.h"

#include "platform/text/Windows1252.h"

bool GlyphAtlas::HasCell(unsigned char code) {
  return code >= 32 && Windows1252ToUnicode(code) != 0;
}

void GlyphAtlas::Arrange(int lineHeight, int pad,
                         const std::function<int(unsigned char code)>& advance) {
  for (Glyph& g : glyphs_) g = Glyph{};
  lineHeight_ = lineHeight;
  int x = 0, y = 0;
  for (int c = 32; c < 256; ++c) {
    if (!HasCell(static_cast<unsigned char>(c))) continue;
    Glyph& g = glyphs_[c];
    g.advance = advance(static_cast<unsigned char>(c));
    g.pad = pad;
    g.cellWidth = g.advance + 2 * pad;
    if (x + g.cellWidth > static_cast<int>(kWidth)) x = 0, y += lineHeight;
    g.cellX = x;
    g.cellY = y;
    x += g.cellWidth;
  }
  height_ = 1;
  while (height_ < static_cast<unsigned>(y + lineHeight)) height_ <<= 1;
  const auto width = static_cast<float>(kWidth), height = static_cast<float>(height_);
  for (Glyph& g : glyphs_) {
    if (g.cellWidth == 0) continue;
    g.u0 = static_cast<float>(g.cellX) / width;
    g.v0 = static_cast<float>(g.cellY) / height;
    g.u1 = static_cast<float>(g.cellX + g.cellWidth) / width;
    g.v1 = static_cast<float>(g.cellY + lineHeight) / height;
  }
}

TextLayout GlyphAtlas::LayOut(std::string_view text, const RECT& rect, DWORD format) const {
  int advances[256];
  for (int c = 0; c < 256; ++c) advances[c] = glyphs_[c].advance;
  return LayOutText(text, rect, format, advances, lineHeight_);
}
