// The GDI objects behind HFONT, HBITMAP and HDC handles, for the layer's implementation and
// for Qt code that needs a font (GdiQt.h).
#pragma once

#include <QFont>
#include <QImage>
#include <memory>
#include <optional>
#include <unordered_map>
#include <variant>

#include "platform/window/wingdi.h"

namespace window_system {

struct GdiFont {
  LOGFONTA logFont;
  QFont font;
};

struct GdiBitmap {
  int width = 0;
  int height = 0;
  bool topDown = true;
  std::unique_ptr<std::uint32_t[]> bits;
  QImage image;  // over bits; a bottom-up bitmap is painted upside down into it
};

struct GdiDC {
  HFONT font = 0;
  HBITMAP bitmap = 0;
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  UINT textAlign = TA_LEFT | TA_TOP;
  int mapMode = MM_TEXT;
};

QFont QFontFromLogFont(const LOGFONTA& logFont);

class GdiTable {
 public:
  static GdiTable& Instance();
  HGDIOBJ Add(GdiFont font);
  HGDIOBJ Add(GdiBitmap bitmap);
  HGDIOBJ Add(GdiDC dc);
  template <class T>
  T* Find(HGDIOBJ handle) {
    auto it = objects_.find(handle);
    return it == objects_.end() ? nullptr : std::get_if<T>(&it->second);
  }
  bool Remove(HGDIOBJ handle);
  bool IsStock(HGDIOBJ handle) const {
    return handle != 0 && (handle == stockFont_ || handle == stockBitmap_);
  }
  // Drops every object; called when the toolkit's application goes away, because fonts and
  // images must not outlive it.
  void Clear();
  bool IsSelected(HGDIOBJ handle) const;
  HFONT StockFont() const { return stockFont_; }
  HBITMAP StockBitmap() const { return stockBitmap_; }

 private:
  GdiTable();
  HGDIOBJ Insert(std::variant<GdiFont, GdiBitmap, GdiDC> object);
  std::unordered_map<HGDIOBJ, std::variant<GdiFont, GdiBitmap, GdiDC>> objects_;
  HGDIOBJ next_ = 0x10000;  // far from 0 and from the stock indices
  HFONT stockFont_ = 0;
  HBITMAP stockBitmap_ = 0;
};

// A bitmap of 32-bit pixels, zeroed; null when the size is out of range.
std::optional<GdiBitmap> MakeBitmap(int width, int height, bool topDown);

}  // namespace window_system
