// The D3DX font's glyphs painted with QPainter.
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <cstring>

#include "platform/render/d3dx/GlyphRasterizer.h"
#include "platform/text/Windows1252.h"
#include "platform/window/GdiQt.h"

namespace {

// Through the window system's one conversion, so that the font finds the same installed
// family as the GDI font it was made from.
QFont FontOf(const D3DXFONT_DESCA& desc) {
  LOGFONTA lf;
  lf.lfHeight = desc.Height;
  lf.lfWidth = static_cast<LONG>(desc.Width);
  lf.lfWeight = static_cast<LONG>(desc.Weight);
  lf.lfItalic = desc.Italic ? 1 : 0;
  lf.lfCharSet = desc.CharSet;
  lf.lfOutPrecision = desc.OutputPrecision;
  lf.lfQuality = desc.Quality;
  lf.lfPitchAndFamily = desc.PitchAndFamily;
  static_assert(sizeof lf.lfFaceName == sizeof desc.FaceName);
  std::memcpy(lf.lfFaceName, desc.FaceName, sizeof lf.lfFaceName);
  lf.lfFaceName[LF_FACESIZE - 1] = '\0';
  return FontFromLogFont(lf);
}

QChar CharOf(unsigned char code) {
  return QChar(static_cast<char16_t>(Windows1252ToUnicode(code)));
}

class QtGlyphRasterizer final : public GlyphRasterizer {
 public:
  explicit QtGlyphRasterizer(const D3DXFONT_DESCA& desc) : font_(FontOf(desc)), metrics_(font_) {}

  int LineHeight() const override { return metrics_.height(); }
  int Advance(unsigned char code) const override {
    return metrics_.horizontalAdvance(CharOf(code));
  }
  bool Paint(const GlyphAtlas& atlas, Image32& image) const override {
    QImage painted(static_cast<int>(image.Width), static_cast<int>(image.Height),
                   QImage::Format_ARGB32_Premultiplied);
    painted.fill(Qt::transparent);
    {
      QPainter painter(&painted);
      painter.setFont(font_);
      painter.setPen(Qt::white);
      for (int c = 32; c < 256; ++c) {
        const auto code = static_cast<unsigned char>(c);
        if (!GlyphAtlas::HasCell(code)) continue;
        const GlyphAtlas::Glyph& g = atlas[code];
        painter.drawText(g.cellX + g.pad, g.cellY + metrics_.ascent(), QString(CharOf(code)));
      }
    }
    // Format_ARGB32's words are Direct3D's A8R8G8B8.
    const QImage argb = painted.convertToFormat(QImage::Format_ARGB32);
    for (std::uint32_t y = 0; y < image.Height; ++y)
      std::memcpy(&image.At(0, y), argb.constScanLine(static_cast<int>(y)),
                  std::size_t{image.Width} * 4);
    return true;
  }

 private:
  QFont font_;
  QFontMetrics metrics_;
};

}  // namespace

std::unique_ptr<GlyphRasterizer> MakeGlyphRasterizer(const D3DXFONT_DESCA& desc) {
  return std::make_unique<QtGlyphRasterizer>(desc);
}
