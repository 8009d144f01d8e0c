// Bitmap fonts drawn by the GL backend under Xvfb and read back: glyph-texture text lands in
// its rectangle in its colour, and the font-object mode draws text there too. Set
// ZELMAR_PIXEL_DIR to keep the frames for a look.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QWindow>
#include <cstdlib>
#include <memory>

#include "engine/TW9DirectX.h"
#include "engine/TWPool.h"
#include "platform/render/gl/GLBackend.h"
#include "support/GLDeviceWindow.h"

namespace {

constexpr int kWidth = 360;
constexpr int kHeight = 160;
constexpr D3DCOLOR kBackground = 0xFF203040;

class FontsPixelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Screen.Open(DX, "engine_fonts_pixel_test", kWidth, kHeight));
    Pool.SetDX(&DX);
  }

  void TearDown() override {
    Pool.SetActive(false);
    Screen.Close(DX);
  }

  TWFont* AddFont(const char* Name, int Height, bool Glyphs, TFontStyles Style = 0) {
    TWFont* Font = Pool.WFonts().Add();
    Font->Font.SetName(Name);
    Font->Font.SetHeight(Height);
    Font->Font.SetStyle(Style);
    Font->UseID3DXFont = Glyphs;
    return Font;
  }

  void BeginFrame() {
    ASSERT_EQ(D3D_OK, DX.Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground,
                                       1.0f, 0));
    ASSERT_EQ(D3D_OK, DX.Device->BeginScene());
  }

  QImage EndFrame(const char* Name) { return EndFrameAndGrab(DX, Name); }

  // Bounding box of the pixels that differ from the background, and how many of them are
  // close to Color.
  struct Ink {
    QRect Box;
    int Pixels = 0;
    int InColor = 0;
  };
  static Ink InkOf(const QImage& Image, D3DCOLOR Color) {
    Ink Result;
    for (int y = 0; y < Image.height(); ++y)
      for (int x = 0; x < Image.width(); ++x) {
        const D3DCOLOR P = Image.pixel(x, y);
        if ((P & 0xFFFFFF) == (kBackground & 0xFFFFFF)) continue;
        ++Result.Pixels;
        Result.Box |= QRect(x, y, 1, 1);
        bool Near = true;
        for (int Shift : {16, 8, 0})
          Near = Near && std::abs(Channel(P, Shift) - Channel(Color, Shift)) <= 24;
        Result.InColor += Near;
      }
    return Result;
  }

  GLDeviceWindow Screen;
  TW9DirectX DX;
  TWPool Pool;
};

TEST_F(FontsPixelTest, GlyphTextLandsInItsCellsInItsColourAndTheFontObjectDrawsToo) {
  // The overlay's four fonts: glyphs for the title, the credits and the frame rate, the font
  // object for the data panel.
  TWFont* Panel = AddFont("Arial", -24, false);
  TWFont* Title = AddFont("Arial", -29, true, fsBold);
  TWFont* Small = AddFont("MS Sans Serif", -11, true);
  TWFont* Credit = AddFont("MS Sans Serif", -13, true);
  Pool.SetActive(true);
  ASSERT_NE(nullptr, Title->Texture());
  ASSERT_NE(nullptr, Title->VertexBuffer());
  ASSERT_NE(nullptr, Panel->D3DXFont());

  // The cells of the title's glyphs: from X less the margin, one line high.
  const float X = 10, Y = 8;
  const std::string Text = "The Zelmar";
  const float S = static_cast<float>(Title->Spacing());
  float Right = X - S;
  for (char C : Text) {
    const TGlyphCoords& G = Title->GlyphCoords(static_cast<BYTE>(C));
    Right += (G.tu2 - G.tu1) * static_cast<float>(Title->TexWidth()) - 2 * S;
  }
  const TGlyphCoords& Space = Title->GlyphCoords(' ');
  const float LineHeight = (Space.tv2 - Space.tv1) * static_cast<float>(Title->TexHeight());
  const QRect Cells(static_cast<int>(X - S) - 1, static_cast<int>(Y) - 1,
                    static_cast<int>(Right + 2 * S - (X - S)) + 2,
                    static_cast<int>(LineHeight) + 2);

  BeginFrame();
  ASSERT_EQ(S_OK, Title->DrawText(X, Y, 0xFFFFD020, Text, 0));
  EXPECT_GT(Panel->DrawText(10, 50, 0xFF80FF80, "Font object: Saturn", 0), 0);
  Small->DrawText(10, 90, 0xFFFFFFFF, "Glyphs, 8 pt: 60.00 fps", 0);
  Credit->DrawText(10, 110, 0xFFFFFFFF, "Glyphs, 10 pt: Jupiter 5.2 AU", 0);
  const QImage Image = EndFrame("fonts");

  const Ink Drawn = InkOf(Image.copy(0, 0, kWidth, 45), 0xFFFFD020);
  ASSERT_GT(Drawn.Pixels, 150) << "the text is there";
  EXPECT_TRUE(Cells.contains(Drawn.Box))
      << "ink at " << Drawn.Box.x() << "," << Drawn.Box.y() << " " << Drawn.Box.width() << "x"
      << Drawn.Box.height() << " outside the cells at " << Cells.x() << "," << Cells.y() << " "
      << Cells.width() << "x" << Cells.height();
  EXPECT_GT(Drawn.Box.width(), Cells.width() * 2 / 3) << "the whole string, not a part";
  EXPECT_GT(Drawn.InColor, Drawn.Pixels / 3) << "solid strokes take the text colour";
  // Blended edges lie between the text colour and the background, never another hue.
  for (int y = Drawn.Box.top(); y <= Drawn.Box.bottom(); ++y)
    for (int x = Drawn.Box.left(); x <= Drawn.Box.right(); ++x) {
      const D3DCOLOR P = Image.pixel(x, y);
      ASSERT_GE(Channel(P, 16) + 2, Channel(kBackground, 16)) << x << "," << y;
      ASSERT_LE(Channel(P, 0), Channel(kBackground, 0) + 2) << x << "," << y;
    }

  // The font object's line is drawn where it was asked for, in its colour.
  const Ink Line = InkOf(Image.copy(0, 45, kWidth, 40), 0xFF80FF80);
  EXPECT_GT(Line.InColor, 100);
  EXPECT_GE(Line.Box.left(), 9);
}

}  // namespace
