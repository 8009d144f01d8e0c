#include <gtest/gtest.h>

#include "platform/render/d3dx/GlyphAtlas.h"
#include "platform/render/d3dx9.h"

namespace {

struct Vertex {
  float x, y, u, v;
  std::uint32_t color;
};

// Advances that differ per code, so a cell or quad taken from the wrong glyph shows.
int AdvanceOf(unsigned char c) {
  return 5 + c % 7;
}

TEST(GlyphAtlas, CellsTileTheTextureWithoutOverlapAndMatchTheirTexels) {
  GlyphAtlas atlas;
  atlas.Arrange(20, 3, AdvanceOf);
  EXPECT_EQ(atlas.Width(), 512u);
  EXPECT_EQ(atlas.LineHeight(), 20);
  const unsigned height = atlas.Height();
  EXPECT_EQ(height & (height - 1), 0u) << "a power of two";

  int previousRight = 0, previousY = 0, rows = 1;
  for (int c = 0; c < 256; ++c) {
    const auto code = static_cast<unsigned char>(c);
    const GlyphAtlas::Glyph& g = atlas[code];
    if (!GlyphAtlas::HasCell(code)) {
      EXPECT_EQ(g.cellWidth, 0) << c;  // control codes
      continue;
    }
    EXPECT_EQ(g.advance, AdvanceOf(code)) << c;
    EXPECT_EQ(g.pad, 3);
    EXPECT_EQ(g.cellWidth, g.advance + 6) << c;
    if (g.cellY != previousY) {  // a new row starts at the left, one line lower
      EXPECT_EQ(g.cellY, previousY + 20) << c;
      EXPECT_EQ(g.cellX, 0) << c;
      ++rows;
    } else {
      EXPECT_EQ(g.cellX, previousRight) << c;
    }
    EXPECT_LE(g.cellX + g.cellWidth, 512) << c;
    EXPECT_LE(static_cast<unsigned>(g.cellY + 20), height) << c;
    previousRight = g.cellX + g.cellWidth;
    previousY = g.cellY;
    EXPECT_FLOAT_EQ(g.u0 * 512.0f, static_cast<float>(g.cellX)) << c;
    EXPECT_FLOAT_EQ(g.u1 * 512.0f, static_cast<float>(g.cellX + g.cellWidth)) << c;
    EXPECT_FLOAT_EQ(g.v0 * static_cast<float>(height), static_cast<float>(g.cellY)) << c;
    EXPECT_FLOAT_EQ(g.v1 * static_cast<float>(height), static_cast<float>(g.cellY + 20)) << c;
  }
  EXPECT_GT(rows, 1);
  EXPECT_LT(height / 2, static_cast<unsigned>(previousY + 20)) << "no more rows than needed";
  EXPECT_FALSE(GlyphAtlas::HasCell(0x1F));
  EXPECT_TRUE(GlyphAtlas::HasCell(0x80));  // the euro sign
  EXPECT_TRUE(GlyphAtlas::HasCell(0x81));  // undefined in the code page, drawn as itself
}

TEST(GlyphAtlas, QuadsFollowTheLayoutAndSkipBlanks) {
  GlyphAtlas atlas;
  atlas.Arrange(16, 2, AdvanceOf);
  RECT rect{10, 30, 400, 200};
  // The space and a control code (no cell) advance the pen but draw nothing.
  const std::string text =
      "A \x01"
      "B";
  const TextLayout layout = atlas.LayOut(text, rect, DT_LEFT | DT_TOP | DT_SINGLELINE);
  ASSERT_EQ(layout.Lines.size(), 1u);
  const auto quads = atlas.Quads<Vertex>(layout, 0x80FF0000u);
  ASSERT_EQ(quads.size(), 12u);

  const GlyphAtlas::Glyph& a = atlas['A'];
  const GlyphAtlas::Glyph& b = atlas['B'];
  const float penB = 10.0f + static_cast<float>(a.advance + atlas[' '].advance);
  // Each glyph: top-left, top-right, bottom-left, top-right, bottom-right, bottom-left.
  EXPECT_FLOAT_EQ(quads[0].x, 10.0f - 2.0f);
  EXPECT_FLOAT_EQ(quads[0].y, 30.0f);
  EXPECT_FLOAT_EQ(quads[0].u, a.u0);
  EXPECT_FLOAT_EQ(quads[4].x, 10.0f - 2.0f + static_cast<float>(a.cellWidth));
  EXPECT_FLOAT_EQ(quads[4].y, 46.0f);
  EXPECT_FLOAT_EQ(quads[4].v, a.v1);
  EXPECT_FLOAT_EQ(quads[6].x, penB - 2.0f);
  EXPECT_FLOAT_EQ(quads[6].u, b.u0);
  EXPECT_FLOAT_EQ(quads[10].u, b.u1);
  for (const Vertex& v : quads) EXPECT_EQ(v.color, 0x80FF0000u);

  // Measuring sees the same advances the quads use.
  RECT measured = rect;
  const TextLayout calc = atlas.LayOut(text, measured, DT_LEFT | DT_TOP | DT_CALCRECT);
  EXPECT_EQ(calc.Bounds.right - calc.Bounds.left,
            a.advance + atlas[' '].advance + atlas[0x01].advance + b.advance);
  EXPECT_EQ(calc.Height, 16);
}

TEST(GlyphAtlas, ClippedQuadsLoseWholeTexelsAndWhatLiesOutside) {
  GlyphAtlas atlas;
  atlas.Arrange(16, 2, AdvanceOf);
  const RECT rect{10, 30, 400, 200};
  const TextLayout layout = atlas.LayOut("AB", rect, DT_LEFT | DT_TOP | DT_SINGLELINE);
  const auto whole = atlas.Quads<Vertex>(layout, 0xFFFFFFFFu);
  // A clip that holds the whole text changes nothing, to the bit.
  const RECT wide{0, 0, 400, 200};
  const auto same = atlas.Quads<Vertex>(layout, 0xFFFFFFFFu, &wide);
  ASSERT_EQ(same.size(), whole.size());
  for (std::size_t i = 0; i < whole.size(); ++i) {
    EXPECT_EQ(same[i].x, whole[i].x);
    EXPECT_EQ(same[i].u, whole[i].u);
    EXPECT_EQ(same[i].v, whole[i].v);
  }
  // Cut at the rectangle's left edge (inside A's left pad), four rows down, and where B's cell
  // begins: B is dropped.
  const GlyphAtlas::Glyph& a = atlas['A'];
  const RECT clip{10, 30, 8 + a.advance, 34};
  const auto cut = atlas.Quads<Vertex>(layout, 0xFFFFFFFFu, &clip);
  ASSERT_EQ(cut.size(), 6u);
  EXPECT_EQ(cut[0].x, 10.0f);
  EXPECT_EQ(cut[0].u * 512.0f, static_cast<float>(a.cellX + 2));  // the pad's two texels gone
  EXPECT_EQ(cut[4].x, static_cast<float>(8 + a.advance));
  EXPECT_EQ(cut[4].y, 34.0f);
  EXPECT_EQ(cut[4].v * static_cast<float>(atlas.Height()), static_cast<float>(a.cellY + 4));
  const RECT none{500, 0, 600, 200};
  EXPECT_TRUE(atlas.Quads<Vertex>(layout, 0xFFFFFFFFu, &none).empty());
}

}  // namespace
