#include "platform/window/GdiObjects.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/window/GdiQt.h"

namespace window_system {

namespace {
constexpr int kMaxBitmapSide = 16384;
constexpr int kDefaultPixelHeight = 16;

QFont::StyleHint HintOf(BYTE pitchAndFamily) {
  switch (pitchAndFamily & 0xF0) {
    case FF_ROMAN:
      return QFont::Serif;
    case FF_SWISS:
      return QFont::SansSerif;
    case FF_MODERN:
      return QFont::TypeWriter;
    case FF_SCRIPT:
      return QFont::Cursive;
    case FF_DECORATIVE:
      return QFont::Decorative;
    default:
      return (pitchAndFamily & 0x03) == FIXED_PITCH ? QFont::TypeWriter : QFont::AnyStyle;
  }
}
}  // namespace

QFont QFontFromLogFont(const LOGFONTA& lf) {
  QFont font;
  const std::size_t nameLength = strnlen(lf.lfFaceName, LF_FACESIZE);
  if (nameLength > 0) font.setFamily(QString::fromLatin1(lf.lfFaceName, nameLength));
  font.setStyleHint(HintOf(lf.lfPitchAndFamily));
  if ((lf.lfPitchAndFamily & 0x03) == FIXED_PITCH) font.setFixedPitch(true);
  const int weight = lf.lfWeight <= 0 ? FW_NORMAL : std::min<int>(lf.lfWeight, 1000);
  font.setWeight(static_cast<QFont::Weight>(weight));
  font.setItalic(lf.lfItalic != 0);
  font.setUnderline(lf.lfUnderline != 0);
  font.setStrikeOut(lf.lfStrikeOut != 0);
  // Glyph textures want grey coverage: never the sub-pixel colour fringes of LCD text.
  font.setStyleStrategy(
      lf.lfQuality == NONANTIALIASED_QUALITY
          ? QFont::NoAntialias
          : QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
  if (lf.lfHeight < 0) {
    font.setPixelSize(static_cast<int>(-lf.lfHeight));
  } else if (lf.lfHeight > 0) {
    // A positive height is the cell (ascent + descent); scale the em size to match it.
    font.setPixelSize(static_cast<int>(lf.lfHeight));
    const int cell = QFontMetrics(font).height();
    if (cell > 0 && cell != lf.lfHeight) {
      const int px =
          std::max(1, static_cast<int>(std::lround(double(lf.lfHeight) * lf.lfHeight / cell)));
      font.setPixelSize(px);
    }
  } else {
    font.setPixelSize(kDefaultPixelHeight);
  }
  if (lf.lfWidth > 0) {
    const int average = QFontMetrics(font).averageCharWidth();
    if (average > 0)
      font.setStretch(std::clamp(static_cast<int>(100 * lf.lfWidth / average), 1, 4000));
  }
  return font;
}

std::optional<GdiBitmap> MakeBitmap(int width, int height, bool topDown) {
  if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide)
    return std::nullopt;
  GdiBitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.topDown = topDown;
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  bitmap.bits.reset(new (std::nothrow) std::uint32_t[count]());
  if (!bitmap.bits) return std::nullopt;
  bitmap.image = QImage(reinterpret_cast<uchar*>(bitmap.bits.get()), width, height,
                        static_cast<qsizetype>(width) * 4, QImage::Format_RGB32);
  return bitmap;
}

GdiTable& GdiTable::Instance() {
  // Never destroyed: its Qt objects go with the application (Clear), and a static destructor
  // running after that could not touch them safely.
  static GdiTable* table = new GdiTable;
  return *table;
}

GdiTable::GdiTable() {
  LOGFONTA system;
  system.lfHeight = kDefaultPixelHeight;
  system.lfWeight = FW_NORMAL;
  std::strncpy(system.lfFaceName, "Sans Serif", LF_FACESIZE - 1);
  stockFont_ = Insert(GdiFont{system, QFontFromLogFont(system)});
  stockBitmap_ = Insert(std::move(*MakeBitmap(1, 1, true)));
  if (QCoreApplication::instance()) qAddPostRoutine([] { GdiTable::Instance().Clear(); });
}

void GdiTable::Clear() {
  objects_.clear();
  stockFont_ = 0;
  stockBitmap_ = 0;
}

HGDIOBJ GdiTable::Insert(std::variant<GdiFont, GdiBitmap, GdiDC> object) {
  const HGDIOBJ handle = next_++;
  objects_.emplace(handle, std::move(object));
  return handle;
}

HGDIOBJ GdiTable::Add(GdiFont font) {
  return Insert(std::move(font));
}
HGDIOBJ GdiTable::Add(GdiBitmap bitmap) {
  return Insert(std::move(bitmap));
}
HGDIOBJ GdiTable::Add(GdiDC dc) {
  return Insert(std::move(dc));
}

bool GdiTable::Remove(HGDIOBJ handle) {
  return objects_.erase(handle) > 0;
}

bool GdiTable::IsSelected(HGDIOBJ handle) const {
  for (const auto& [h, object] : objects_) {
    if (const auto* dc = std::get_if<GdiDC>(&object))
      if (dc->font == handle || dc->bitmap == handle) return true;
  }
  return false;
}

}  // namespace window_system

bool FontFromHandle(HFONT font, QFont* out) {
  const auto* object = window_system::GdiTable::Instance().Find<window_system::GdiFont>(font);
  if (!object || !out) return false;
  *out = object->font;
  return true;
}

QFont FontFromLogFont(const LOGFONTA& logFont) {
  return window_system::QFontFromLogFont(logFont);
}
