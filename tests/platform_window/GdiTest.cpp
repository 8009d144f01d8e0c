#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <cstring>

#include "WindowTestSupport.h"
#include "platform/window/GdiFontResolver.h"
#include "platform/window/GdiQt.h"
#include "platform/window/wingdi.h"

namespace {

// A context with a top-down 32-bit DIB selected, white text on black, as glyph painting uses.
struct Canvas {
  Canvas(int w, int h, HFONT font, bool topDown = true) : width(w), height(h) {
    App();
    dc = CreateCompatibleDC(0);
    SetMapMode(dc, MM_TEXT);
    BITMAPINFO info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = topDown ? -h : h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, 0, 0);
    pixels = static_cast<const DWORD*>(bits);
    oldBitmap = SelectObject(dc, bitmap);
    oldFont = SelectObject(dc, font);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, 0);
    SetTextAlign(dc, TA_TOP);
  }
  ~Canvas() {
    SelectObject(dc, oldBitmap);
    SelectObject(dc, oldFont);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  int Blue(int x, int y) const { return static_cast<int>(pixels[y * width + x] & 0xFF); }
  // Bounding box of the pixels whose blue channel is set; empty when there are none.
  RECT Ink() const {
    RECT r{width, height, -1, -1};
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (Blue(x, y) != 0) {
          r.left = std::min<LONG>(r.left, x);
          r.top = std::min<LONG>(r.top, y);
          r.right = std::max<LONG>(r.right, x + 1);
          r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
    return r;
  }
  int width, height;
  HDC dc = 0;
  HBITMAP bitmap = 0;
  HGDIOBJ oldBitmap = 0, oldFont = 0;
  const DWORD* pixels = nullptr;
};

HFONT Arial(int height, int weight = FW_NORMAL, bool italic = false) {
  App();
  return CreateFontA(height, 0, 0, 0, weight, italic, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH,
                     "Arial");
}

SIZE Extent(HDC dc, const char* text) {
  SIZE s{};
  EXPECT_TRUE(GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &s));
  return s;
}

}  // namespace

TEST(Gdi, ExtentsGrowWithTextAndFollowTheHeight) {
  const HFONT font = Arial(-24);
  ASSERT_NE(font, 0u);
  Canvas c(8, 8, font);
  const SIZE x = Extent(c.dc, "x");
  EXPECT_GT(x.cx, 5);
  EXPECT_LT(x.cx, 24);
  EXPECT_GE(x.cy, 24);  // the cell holds the 24-pixel character height plus leading
  EXPECT_LE(x.cy, 36);
  EXPECT_NEAR(Extent(c.dc, "xxxx").cx, 4 * x.cx, 2);
  EXPECT_GT(Extent(c.dc, "W").cx, Extent(c.dc, "i").cx);
  EXPECT_EQ(Extent(c.dc, "").cx, 0);
  EXPECT_GT(Extent(c.dc, "\x80").cx, 0);  // the euro sign of Windows-1252

  // A positive height is the cell height.
  const HFONT cell = Arial(30);
  SelectObject(c.dc, cell);
  EXPECT_NEAR(Extent(c.dc, "x").cy, 30, 1);
  const HFONT bold = Arial(-24, FW_BOLD);
  SelectObject(c.dc, bold);
  EXPECT_GT(Extent(c.dc, "mmmm").cx, 4 * Extent(c.dc, "").cx);
  SelectObject(c.dc, font);
  EXPECT_TRUE(DeleteObject(cell));
  EXPECT_TRUE(DeleteObject(bold));
  EXPECT_FALSE(DeleteObject(font));  // still selected
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  EXPECT_TRUE(DeleteObject(font));
}

TEST(Gdi, TextOutPaintsWhiteGlyphsInsideTheCell) {
  const HFONT font = Arial(-24);
  Canvas c(128, 64, font);
  const SIZE a = Extent(c.dc, "A");
  ASSERT_TRUE(ExtTextOutA(c.dc, 10, 12, ETO_OPAQUE, nullptr, "A", 1, nullptr));
  const RECT ink = c.Ink();
  ASSERT_LT(ink.left, ink.right) << "nothing painted";
  EXPECT_GE(ink.left, 10);
  EXPECT_GE(ink.top, 12);
  EXPECT_LE(ink.right, 10 + a.cx + 1);
  EXPECT_LE(ink.bottom, 12 + a.cy);
  EXPECT_GT(ink.bottom - ink.top, 12);  // a capital of a 24-pixel font
  int full = 0;
  for (int y = ink.top; y < ink.bottom; ++y)
    for (int x = ink.left; x < ink.right; ++x) {
      const DWORD p = c.pixels[y * c.width + x];
      // Grey coverage only: red, green and blue agree (no coloured sub-pixel fringes).
      EXPECT_EQ((p >> 16) & 0xFF, p & 0xFF);
      EXPECT_EQ((p >> 8) & 0xFF, p & 0xFF);
      full += (p & 0xFF) == 0xFF;
    }
  EXPECT_GT(full, 20) << "the strokes should be fully white";
  DeleteObject(font);
}

TEST(Gdi, BottomUpBitmapHoldsTheMirroredRows) {
  const HFONT font = Arial(-20);
  Canvas top(64, 40, font, true);
  Canvas bottom(64, 40, font, false);
  ExtTextOutA(top.dc, 5, 5, ETO_OPAQUE, nullptr, "Fj", 2, nullptr);
  ExtTextOutA(bottom.dc, 5, 5, ETO_OPAQUE, nullptr, "Fj", 2, nullptr);
  int differences = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 64; ++x) differences += top.Blue(x, y) != bottom.Blue(x, 39 - y);
  EXPECT_EQ(differences, 0);
  EXPECT_LT(top.Ink().left, top.Ink().right);
}

TEST(Gdi, ObjectsDescribeThemselvesAndRejectBadInput) {
  const HFONT font = Arial(-29, FW_BOLD, true);
  LOGFONTA lf;
  ASSERT_EQ(GetObjectA(font, sizeof lf, &lf), static_cast<int>(sizeof lf));
  EXPECT_EQ(lf.lfHeight, -29);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_STREQ(lf.lfFaceName, "Arial");
  EXPECT_EQ(GetObjectA(font, 4, &lf), 0);

  const HDC dc = CreateCompatibleDC(0);
  EXPECT_EQ(SetMapMode(dc, MM_TEXT), MM_TEXT);
  EXPECT_EQ(SetTextColor(dc, RGB(1, 2, 3)), RGB(0, 0, 0));
  EXPECT_EQ(SetTextColor(dc, 0), RGB(1, 2, 3));
  EXPECT_EQ(SetTextAlign(dc, TA_BASELINE), TA_TOP);
  BITMAPINFO info{};
  info.bmiHeader.biWidth = 16;
  info.bmiHeader.biHeight = -16;
  info.bmiHeader.biBitCount = 24;
  void* bits = reinterpret_cast<void*>(1);
  EXPECT_EQ(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, 0, 0), 0u);
  EXPECT_EQ(bits, nullptr);
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biWidth = 100000;
  EXPECT_EQ(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, 0, 0), 0u);
  EXPECT_EQ(SelectObject(dc, 0xDEAD), 0u);
  EXPECT_FALSE(GetTextExtentPoint32A(0xDEAD, "x", 1, nullptr));
  EXPECT_FALSE(ExtTextOutA(0xDEAD, 0, 0, 0, nullptr, "x", 1, nullptr));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_TRUE(DeleteObject(font));
}

TEST(Gdi, FontHandleDescribesItselfForTheRenderLayer) {
  const HFONT font =
      CreateFontA(-29, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, "Arial");
  D3DXFONT_DESCA desc;
  ASSERT_TRUE(DescribeGdiFont(font, &desc));
  EXPECT_EQ(desc.Height, -29);
  EXPECT_EQ(desc.Weight, 700u);
  EXPECT_FALSE(desc.Italic);
  EXPECT_EQ(desc.CharSet, ANSI_CHARSET);
  EXPECT_EQ(desc.Quality, ANTIALIASED_QUALITY);
  EXPECT_STREQ(desc.FaceName, "Arial");
  QFont qfont;
  ASSERT_TRUE(FontFromHandle(font, &qfont));
  EXPECT_TRUE(qfont.bold());
  EXPECT_EQ(qfont.pixelSize(), 29);
  EXPECT_FALSE(DescribeGdiFont(0xDEAD, &desc));
  DeleteObject(font);
}

// The Windows faces the program and its dialog name resolve to installed families of close
// metrics, the same for a GDI font and for the toolkit font made from a description.
TEST(Gdi, WindowsFacesResolveToInstalledFamiliesOfCloseMetrics) {
  App();
  auto Resolved = [](const char* face, LONG weight = FW_NORMAL) {
    LOGFONTA lf;
    lf.lfHeight = -24;
    lf.lfWeight = weight;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return QFontInfo(FontFromLogFont(lf));
  };
  EXPECT_EQ(Resolved("Arial").family(), "Liberation Sans");
  EXPECT_EQ(Resolved("ARIAL").family(), "Liberation Sans");
  EXPECT_EQ(Resolved("MS Sans Serif").family(), "Liberation Sans");
  EXPECT_EQ(Resolved("Courier New").family(), "Liberation Mono") << "fontconfig's own aliases";
  const QFontInfo black = Resolved("Arial Black");
  if (!QFontDatabase::families().contains("Arial Black")) {
    EXPECT_EQ(black.family(), "DejaVu Sans");
  }
  EXPECT_GE(black.weight(), static_cast<int>(QFont::Bold)) << "Arial Black has only a heavy style";
  EXPECT_FALSE(Resolved("No Such Face Anywhere").family().isEmpty());

  // Liberation Sans keeps Arial's advance widths: "Arial" at 24 pixels is 2 em, 48 pixels.
  const HFONT font = Arial(-24);
  QFont qfont;
  ASSERT_TRUE(FontFromHandle(font, &qfont));
  EXPECT_EQ(QFontInfo(qfont).family(), "Liberation Sans");
  EXPECT_NEAR(QFontMetrics(qfont).horizontalAdvance("Arial"), 48, 2);
  DeleteObject(font);
}
