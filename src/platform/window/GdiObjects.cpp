#include "platform/window/GdiObjects.h"

#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <QCoreApplication>
#include <QFontMetrics>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

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
// Windows faces the program and its dialog ask for, with the installed families of the
// closest metrics to try after the face itself. Liberation Sans has Arial's advance widths;
// MS Sans Serif stands for Microsoft Sans Serif, whose widths are Arial's too. Arial Black has
// no metric twin: DejaVu Sans Bold comes closest in stroke weight and width. fontconfig's own
// aliases still apply to every face (Courier New, Times New Roman, ...).
struct FaceSubstitute {
  const char* face;
  const char* families[3];
  int minimumWeight;  // the weight the face's only style has
};
constexpr FaceSubstitute kFaceSubstitutes[] = {
    {"Arial", {"Liberation Sans", "Arimo", nullptr}, 0},
    {"MS Sans Serif", {"Microsoft Sans Serif", "Liberation Sans", "Arimo"}, 0},
    {"Microsoft Sans Serif", {"Liberation Sans", "Arimo", nullptr}, 0},
    {"Arial Black", {"DejaVu Sans", nullptr, nullptr}, FW_HEAVY},
};

const FaceSubstitute* SubstituteOf(const std::string& face) {
  for (const FaceSubstitute& s : kFaceSubstitutes)
    if (strcasecmp(s.face, face.c_str()) == 0) return &s;
  return nullptr;
}

const char* GenericFamilyOf(QFont::StyleHint hint) {
  switch (hint) {
    case QFont::Serif:
      return "serif";
    case QFont::TypeWriter:
      return "monospace";
    default:
      return "sans-serif";
  }
}

// The installed family fontconfig chooses for a face: the face itself when installed, else its
// substitutes in order, else what fontconfig's aliases and the generic family give. Empty when
// fontconfig finds nothing at all. Cached: one lookup per face and hint.
QString ResolveFamily(const std::string& face, QFont::StyleHint hint) {
  static std::mutex mutex;
  static std::map<std::pair<std::string, int>, QString> cache;
  std::string key = face;
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::lock_guard<std::mutex> lock(mutex);
  const auto found = cache.find({key, hint});
  if (found != cache.end()) return found->second;

  QString family;
  if (FcPattern* pattern = FcPatternCreate()) {
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    if (const FaceSubstitute* substitute = SubstituteOf(face))
      for (const char* name : substitute->families)
        if (name) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name));
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(GenericFamilyOf(hint)));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
      FcChar8* name = nullptr;
      if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch && name)
        family = QString::fromUtf8(reinterpret_cast<const char*>(name));
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
  }
  cache.emplace(std::make_pair(key, static_cast<int>(hint)), family);
  return family;
}

}  // namespace

QFont QFontFromLogFont(const LOGFONTA& lf) {
  QFont font;
  const std::size_t nameLength = strnlen(lf.lfFaceName, LF_FACESIZE);
  const std::string face(lf.lfFaceName, nameLength);
  const QFont::StyleHint hint = HintOf(lf.lfPitchAndFamily);
  if (nameLength > 0) {
    // Faces resolve here, in the one place every GDI font, the render platform's font object
    // and the dialog's fonts pass through, so that all of them draw with the same family.
    const QString family = ResolveFamily(face, hint);
    font.setFamily(family.isEmpty() ? QString::fromLatin1(face.data(), nameLength) : family);
  }
  font.setStyleHint(hint);
  if ((lf.lfPitchAndFamily & 0x03) == FIXED_PITCH) font.setFixedPitch(true);
  int weight = lf.lfWeight <= 0 ? FW_NORMAL : std::min<int>(lf.lfWeight, 1000);
  if (const FaceSubstitute* substitute = SubstituteOf(face))
    weight = std::max(weight, substitute->minimumWeight);
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
