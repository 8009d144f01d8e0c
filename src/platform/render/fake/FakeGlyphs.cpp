#include "platform/render/fake/FakeGlyphs.h"

#include <cstdlib>

FakeGlyphs::FakeGlyphs(const D3DXFONT_DESCA& Desc)
    : FHeight(Desc.Height != 0 ? std::abs(Desc.Height) : 16) {}

std::unique_ptr<GlyphRasterizer> FakeGlyphs::Make(const D3DXFONT_DESCA& Desc) {
  return std::make_unique<FakeGlyphs>(Desc);
}
