// The D3DX font's glyphs painted with GDI.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/render/d3dx/GlyphRasterizer.h"

namespace {

class GdiGlyphRasterizer final : public GlyphRasterizer {
 public:
  GdiGlyphRasterizer(HFONT font, HDC dc) : font_(font), dc_(dc) {
    oldFont_ = SelectObject(dc_, font_);
    GetTextMetricsA(dc_, &metrics_);
  }
  ~GdiGlyphRasterizer() override {
    SelectObject(dc_, oldFont_);
    DeleteDC(dc_);
    DeleteObject(font_);
  }

  int LineHeight() const override { return static_cast<int>(metrics_.tmHeight); }
  int Advance(unsigned char code) const override {
    const char ch = static_cast<char>(code);
    SIZE size{};
    GetTextExtentPoint32A(dc_, &ch, 1, &size);
    return static_cast<int>(size.cx);
  }
  bool Paint(const GlyphAtlas& atlas, Image32& image) const override {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(image.Width);
    info.bmiHeader.biHeight = -static_cast<LONG>(image.Height);  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return false;
    HGDIOBJ oldBitmap = SelectObject(dc_, bitmap);
    std::memset(bits, 0, image.Pixels.size() * 4);
    SetTextColor(dc_, RGB(255, 255, 255));
    SetBkMode(dc_, TRANSPARENT);
    SetTextAlign(dc_, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    for (int c = 32; c < 256; ++c) {
      const auto code = static_cast<unsigned char>(c);
      if (!GlyphAtlas::HasCell(code)) continue;
      const char ch = static_cast<char>(c);
      TextOutA(dc_, atlas[code].cellX + atlas[code].pad, atlas[code].cellY, &ch, 1);
    }
    GdiFlush();
    // White glyphs whose coverage is their alpha.
    const auto* src = static_cast<const std::uint32_t*>(bits);
    for (std::size_t i = 0; i < image.Pixels.size(); ++i) {
      const std::uint32_t p = src[i];
      const std::uint32_t coverage = std::max({(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF});
      image.Pixels[i] = coverage << 24 | 0x00FFFFFFu;
    }
    SelectObject(dc_, oldBitmap);
    DeleteObject(bitmap);
    return true;
  }

 private:
  HFONT font_;
  HDC dc_;
  HGDIOBJ oldFont_ = nullptr;
  TEXTMETRICA metrics_{};
};

}  // namespace

std::unique_ptr<GlyphRasterizer> MakeGlyphRasterizer(const D3DXFONT_DESCA& desc) {
  // Grey-level antialiasing (never ClearType's coloured fringes): the glyphs become an alpha
  // mask, as Qt paints them on Linux.
  const BYTE quality =
      desc.Quality == NONANTIALIASED_QUALITY ? NONANTIALIASED_QUALITY : ANTIALIASED_QUALITY;
  HFONT font =
      CreateFontA(desc.Height, static_cast<int>(desc.Width), 0, 0, static_cast<int>(desc.Weight),
                  desc.Italic ? TRUE : FALSE, FALSE, FALSE, desc.CharSet, desc.OutputPrecision,
                  CLIP_DEFAULT_PRECIS, quality, desc.PitchAndFamily, desc.FaceName);
  if (!font) return nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) {
    DeleteObject(font);
    return nullptr;
  }
  return std::make_unique<GdiGlyphRasterizer>(font, dc);
}
