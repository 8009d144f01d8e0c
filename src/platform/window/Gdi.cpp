// The GDI functions of wingdi.h over QFont, QFontMetrics and QPainter on QImage.
#include <QFontMetrics>
#include <QPainter>
#include <cstring>

#include "platform/text/Windows1252.h"
#include "platform/window/GdiObjects.h"
#include "platform/window/wingdi.h"

using window_system::GdiBitmap;
using window_system::GdiDC;
using window_system::GdiFont;
using window_system::GdiTable;

namespace {

GdiTable& Table() {
  return GdiTable::Instance();
}

QString FromAnsi(const char* text, int count) {
  if (!text || count <= 0) return {};
  const std::u32string wide = Windows1252ToUnicode(std::string_view(text, count));
  return QString::fromUcs4(wide.data(), static_cast<qsizetype>(wide.size()));
}

QColor ColorOf(COLORREF c) {
  return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

// The selected font, else the stock font; null once the table was cleared at exit.
const QFont* FontOf(const GdiDC& dc) {
  const GdiFont* font = Table().Find<GdiFont>(dc.font);
  if (!font) font = Table().Find<GdiFont>(Table().StockFont());
  return font ? &font->font : nullptr;
}

QRect RectOf(const RECT& r) {
  return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

}  // namespace

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* faceName) {
  LOGFONTA lf;
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = static_cast<BYTE>(italic != 0);
  lf.lfUnderline = static_cast<BYTE>(underline != 0);
  lf.lfStrikeOut = static_cast<BYTE>(strikeOut != 0);
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (faceName) std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
  return CreateFontIndirectA(&lf);
}

HFONT CreateFontIndirectA(const LOGFONTA* logFont) {
  if (!logFont) return 0;
  LOGFONTA lf = *logFont;
  lf.lfFaceName[LF_FACESIZE - 1] = '\0';
  return Table().Add(GdiFont{lf, window_system::QFontFromLogFont(lf)});
}

HDC CreateCompatibleDC(HDC /*hdc*/) {
  GdiDC dc;
  dc.font = Table().StockFont();
  dc.bitmap = Table().StockBitmap();
  return Table().Add(dc);
}

BOOL DeleteDC(HDC hdc) {
  if (!Table().Find<GdiDC>(hdc)) return FALSE;
  return Table().Remove(hdc) ? TRUE : FALSE;
}

HBITMAP CreateDIBSection(HDC /*hdc*/, const BITMAPINFO* info, UINT usage, void** bits,
                         HANDLE section, DWORD /*offset*/) {
  if (bits) *bits = nullptr;
  if (!info || usage != DIB_RGB_COLORS || section != 0) return 0;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biBitCount != 32 || h.biCompression != BI_RGB || h.biPlanes != 1 || h.biHeight == 0)
    return 0;
  const bool topDown = h.biHeight < 0;
  const LONG height = topDown ? -h.biHeight : h.biHeight;
  std::optional<GdiBitmap> bitmap = window_system::MakeBitmap(h.biWidth, height, topDown);
  if (!bitmap) return 0;
  void* pixels = bitmap->bits.get();
  const HBITMAP handle = Table().Add(std::move(*bitmap));
  if (bits) *bits = pixels;
  return handle;
}

HBITMAP CreateCompatibleBitmap(HDC /*hdc*/, int width, int height) {
  std::optional<GdiBitmap> bitmap = window_system::MakeBitmap(width, height, true);
  return bitmap ? Table().Add(std::move(*bitmap)) : 0;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
  GdiDC* dc = Table().Find<GdiDC>(hdc);
  if (!dc) return 0;
  if (Table().Find<GdiFont>(object)) {
    const HGDIOBJ previous = dc->font;
    dc->font = object;
    return previous;
  }
  if (Table().Find<GdiBitmap>(object)) {
    const HGDIOBJ previous = dc->bitmap;
    dc->bitmap = object;
    return previous;
  }
  return 0;
}

BOOL DeleteObject(HGDIOBJ object) {
  if (Table().IsStock(object)) return TRUE;
  if (!Table().Find<GdiFont>(object) && !Table().Find<GdiBitmap>(object)) return FALSE;
  if (Table().IsSelected(object)) return FALSE;
  return Table().Remove(object) ? TRUE : FALSE;
}

HGDIOBJ GetStockObject(int index) {
  switch (index) {
    case SYSTEM_FONT:
    case DEFAULT_GUI_FONT:
      return Table().StockFont();
    default:
      return 0;
  }
}

int GetObjectA(HGDIOBJ object, int size, void* buffer) {
  if (const GdiFont* font = Table().Find<GdiFont>(object)) {
    if (!buffer) return sizeof(LOGFONTA);
    if (size < static_cast<int>(sizeof(LOGFONTA))) return 0;
    std::memcpy(buffer, &font->logFont, sizeof(LOGFONTA));
    return sizeof(LOGFONTA);
  }
  if (const GdiBitmap* bitmap = Table().Find<GdiBitmap>(object)) {
    if (!buffer) return sizeof(BITMAP);
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    BITMAP bm;
    bm.bmWidth = bitmap->width;
    bm.bmHeight = bitmap->height;
    bm.bmWidthBytes = bitmap->width * 4;
    bm.bmPlanes = 1;
    bm.bmBitsPixel = 32;
    bm.bmBits = bitmap->bits.get();
    std::memcpy(buffer, &bm, sizeof(BITMAP));
    return sizeof(BITMAP);
  }
  return 0;
}

int SetMapMode(HDC hdc, int mode) {
  GdiDC* dc = Table().Find<GdiDC>(hdc);
  if (!dc || mode != MM_TEXT) return 0;
  const int previous = dc->mapMode;
  dc->mapMode = mode;
  return previous;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
  GdiDC* dc = Table().Find<GdiDC>(hdc);
  if (!dc) return CLR_INVALID;
  const COLORREF previous = dc->textColor;
  dc->textColor = color & 0x00FFFFFF;
  return previous;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
  GdiDC* dc = Table().Find<GdiDC>(hdc);
  if (!dc) return CLR_INVALID;
  const COLORREF previous = dc->bkColor;
  dc->bkColor = color & 0x00FFFFFF;
  return previous;
}

int SetBkMode(HDC hdc, int mode) {
  GdiDC* dc = Table().Find<GdiDC>(hdc);
  if (!dc || (mode != OPAQUE && mode != TRANSPARENT)) return 0;
  const int previous = dc->bkMode;
  dc->bkMode = mode;
  return previous;
}

UINT SetTextAlign(HDC hdc, UINT align) {
  GdiDC* dc = Table().Find<GdiDC>(hdc);
  if (!dc) return GDI_ERROR;
  const UINT previous = dc->textAlign;
  dc->textAlign = align;
  return previous;
}

BOOL GetTextExtentPoint32A(HDC hdc, const char* text, int count, SIZE* size) {
  const GdiDC* dc = Table().Find<GdiDC>(hdc);
  if (!dc || !size || count < 0 || (count > 0 && !text)) return FALSE;
  const QFont* font = FontOf(*dc);
  if (!font) return FALSE;
  const QFontMetrics metrics(*font);
  size->cx = metrics.horizontalAdvance(FromAnsi(text, count));
  size->cy = metrics.ascent() + metrics.descent();
  return TRUE;
}

BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, const char* text,
                 UINT count, const INT* dx) {
  const GdiDC* dc = Table().Find<GdiDC>(hdc);
  if (!dc || (count > 0 && !text)) return FALSE;
  GdiBitmap* bitmap = Table().Find<GdiBitmap>(dc->bitmap);
  const QFont* font = FontOf(*dc);
  if (!bitmap || !font) return FALSE;
  const QFontMetrics metrics(*font);
  const QString string = FromAnsi(text, static_cast<int>(count));

  int width = 0;
  if (dx) {
    for (UINT i = 0; i < count; ++i) width += dx[i];
  } else {
    width = metrics.horizontalAdvance(string);
  }
  int left = x;
  switch (dc->textAlign & TA_CENTER) {
    case TA_CENTER:
      left = x - width / 2;
      break;
    case TA_RIGHT:
      left = x - width;
      break;
    default:
      break;
  }
  int baseline = y + metrics.ascent();
  switch (dc->textAlign & TA_BASELINE) {
    case TA_BASELINE:
      baseline = y;
      break;
    case TA_BOTTOM:
      baseline = y - metrics.descent();
      break;
    default:
      break;
  }

  // Memory row 0 of a bottom-up bitmap is its bottom row: paint on an upright copy and put it
  // back, because text painted through a mirroring transform rasterises differently.
  QImage upright;
  if (!bitmap->topDown) upright = bitmap->image.mirrored(false, true);
  QImage& target = bitmap->topDown ? bitmap->image : upright;
  {
    QPainter painter(&target);
    const QColor background = ColorOf(dc->bkColor);
    if ((options & ETO_OPAQUE) && rect) painter.fillRect(RectOf(*rect), background);
    if ((options & ETO_CLIPPED) && rect) painter.setClipRect(RectOf(*rect));
    if (dc->bkMode == OPAQUE || ((options & ETO_OPAQUE) && !rect))
      painter.fillRect(
          QRect(left, baseline - metrics.ascent(), width, metrics.ascent() + metrics.descent()),
          background);
    painter.setFont(*font);
    painter.setPen(ColorOf(dc->textColor));
    if (dx) {
      int pen = left;
      for (UINT i = 0; i < count; ++i) {
        painter.drawText(QPoint(pen, baseline), string.mid(static_cast<qsizetype>(i), 1));
        pen += dx[i];
      }
    } else {
      painter.drawText(QPoint(left, baseline), string);
    }
  }
  if (!bitmap->topDown) {
    const QImage back = upright.mirrored(false, true);
    std::memcpy(bitmap->bits.get(), back.constBits(),
                static_cast<std::size_t>(bitmap->width) * bitmap->height * 4);
  }
  return TRUE;
}

BOOL TextOutA(HDC hdc, int x, int y, const char* text, int count) {
  if (count < 0) return FALSE;
  return ExtTextOutA(hdc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

BOOL GdiFlush() {
  return TRUE;
}
