// Bitmap fonts against the recording backend: the glyph texture, the states recorded for
// drawing, the quads DrawText fills and draws in batches, the font-object mode, and the
// device phases. The glyphs are painted by the window system's GDI (over Qt on Linux, which
// then runs a GUI application on the offscreen platform).
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/TWFonts.h"
#include "engine_pool/PoolFixture.h"
#include "platform/render/fake/FakeFont.h"
#include "platform/render/fake/FakeTexture9.h"
#include "platform/window/wingdi.h"
#include "support/GdiForTests.h"

namespace {

struct TVertex {
  float x, y, z, rhw;
  D3DCOLOR Color;
  float tu, tv;
};

std::vector<TVertex> VerticesOf(const FakeDraw& Draw) {
  std::vector<TVertex> Result(Draw.Vertices.size() / sizeof(TVertex));
  if (!Result.empty()) std::memcpy(Result.data(), Draw.Vertices.data(), Draw.Vertices.size());
  return Result;
}

class FontsTest : public PoolFixture {
 protected:
  void SetUp() override {
    EnsureGdiForTests("engine_fonts_test");
    CreateDevice();
    Attach(Pool);
  }
  void CreateDevice() {
    PoolFixture::CreateDevice();
    DX.SetD3D(D3D);
    D3DCAPS9 Caps{};
    Device()->GetDeviceCaps(&Caps);
    Reattach(DX.PresentParams(), Caps);
  }

  TWFont* AddFont(const char* Name, int Height, bool Glyphs, TFontStyles Style = 0) {
    TWFont* Font = Pool.WFonts().Add();
    Font->Font.SetName(Name);
    Font->Font.SetHeight(Height);
    Font->Font.SetStyle(Style);
    Font->UseID3DXFont = Glyphs;
    return Font;
  }

  // Init and restore, then a clean log and no draws, inside a scene.
  void Ready() {
    ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
    ASSERT_EQ(S_OK, Pool.RestoreDeviceObjects());
    Log().Clear();
    Device()->ClearDraws();
    Device()->BeginScene();
  }

  // The quads' top-left corners, one per glyph, from every draw in order.
  std::vector<TVertex> Corners() const {
    std::vector<TVertex> Result;
    for (const FakeDraw& Draw : Device()->Draws()) {
      const std::vector<TVertex> All = VerticesOf(Draw);
      for (std::size_t I = 1; I < All.size(); I += 6) Result.push_back(All[I]);
    }
    return Result;
  }

  static float Width(const TWFont* F, char C) {
    const TGlyphCoords& G = F->GlyphCoords(static_cast<BYTE>(C));
    return (G.tu2 - G.tu1) * static_cast<float>(F->TexWidth()) / F->TextScale();
  }
  static float Height(const TWFont* F, char C) {
    const TGlyphCoords& G = F->GlyphCoords(static_cast<BYTE>(C));
    return (G.tv2 - G.tv1) * static_cast<float>(F->TexHeight()) / F->TextScale();
  }
  // The pen's advance after a character.
  static float Advance(const TWFont* F, char C) {
    return Width(F, C) - 2.0f * static_cast<float>(F->Spacing());
  }

  TWPool Pool;
};

TEST_F(FontsTest, TheFontCarriesItsSizeInPointsAndMakesItsOwnHandle) {
  TFont Font;
  EXPECT_EQ("MS Sans Serif", Font.Name());
  EXPECT_EQ(8, Font.Size());
  for (auto [Height, Points] : {std::pair{-24, 18}, {-29, 22}, {-11, 8}, {-13, 10}}) {
    Font.SetHeight(Height);
    EXPECT_EQ(Points, Font.Size()) << Height;
  }
  Font.SetSize(12);
  EXPECT_EQ(-16, Font.Height());

  Font.SetName("Arial");
  Font.SetStyle(fsBold);
  const HFONT First = Font.Handle();
  ASSERT_NE(HFONT{}, First);
  LOGFONTA LogFont;
  ASSERT_EQ(static_cast<int>(sizeof LogFont), GetObjectA(First, sizeof LogFont, &LogFont));
  EXPECT_STREQ("Arial", LogFont.lfFaceName);
  EXPECT_EQ(-16, LogFont.lfHeight);
  EXPECT_EQ(FW_BOLD, LogFont.lfWeight);
  // The fields the font leaves alone are zero (the default width, no rotation).
  EXPECT_EQ(0, LogFont.lfWidth);
  EXPECT_EQ(0, LogFont.lfEscapement);
  EXPECT_EQ(0, LogFont.lfOrientation);
  EXPECT_EQ(0, LogFont.lfUnderline + LogFont.lfStrikeOut + LogFont.lfItalic);

  TFont Copy = Font;
  EXPECT_EQ(-16, Copy.Height());
  EXPECT_NE(First, Copy.Handle()) << "a copy never shares the handle";

  // A name longer than GDI's 31 characters is cut, never left unterminated.
  TFont Long;
  Long.SetName(std::string(40, 'A'));
  ASSERT_EQ(static_cast<int>(sizeof LogFont), GetObjectA(Long.Handle(), sizeof LogFont, &LogFont));
  EXPECT_EQ(std::string(31, 'A'), LogFont.lfFaceName);

  TWFont* Item = AddFont("Arial", -29, true, fsBold);
  EXPECT_EQ("Arial, 22 (ID3DXFont)", Item->DisplayName());
  Item->UseID3DXFont = false;
  EXPECT_EQ("Arial, 22", Item->DisplayName());
}

TEST_F(FontsTest, GlyphTextureHoldsWhiteCoverageInSquareCellsSideBySide) {
  TWFont* Font = AddFont("Arial", -24, true);
  Font->Font.SetCharset(0);  // ANSI; the glyph texture uses the default set regardless
  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());

  const DWORD Size = Font->TexWidth();
  EXPECT_EQ(Size, Font->TexHeight());
  EXPECT_GE(Size, 256u) << "96 glyphs of 24 pixels do not fit 128 x 128";
  EXPECT_EQ(0u, Size & (Size - 1)) << "doubled from 128";
  EXPECT_FLOAT_EQ(1.0f, Font->TextScale());
  const std::string Create = "CreateTexture(" + std::to_string(Size) + ", " + std::to_string(Size) +
                             ", 1, 0x00000000, A4R4G4B4, MANAGED)";
  EXPECT_TRUE(Log().Contains(Create)) << Log().Text();
  const std::size_t Lock = Log().Find("LockRect(");
  ASSERT_NE(std::string::npos, Lock);
  EXPECT_NE(std::string::npos, Log().Find("UnlockRect(", Lock));

  // The margin is 30% of the cell height, rounded up; neighbours on a row share an edge.
  const float Cell = Height(Font, ' ');
  EXPECT_EQ(static_cast<DWORD>(std::ceil(Cell * 0.3f)), Font->Spacing());
  int SameRow = 0;
  for (int c = 33; c <= 127; ++c) {
    const TGlyphCoords& Previous = Font->GlyphCoords(static_cast<BYTE>(c - 1));
    const TGlyphCoords& This = Font->GlyphCoords(static_cast<BYTE>(c));
    if (This.tv1 != Previous.tv1) {
      EXPECT_EQ(0.0f, This.tu1) << "a new row starts at the left edge: " << c;
      EXPECT_GT(This.tv1, Previous.tv1) << c;
      continue;
    }
    ++SameRow;
    EXPECT_FLOAT_EQ(Previous.tu2, This.tu1) << c;
  }
  EXPECT_GT(SameRow, 80);
  EXPECT_EQ(0.0f, Font->GlyphCoords(' ').tu1) << "the first cell starts at the left edge";
  EXPECT_GT(Width(Font, 'W'), Width(Font, 'i'));

  // Texels are transparent or white with 4 bits of coverage; the space has no ink, 'W' has.
  auto* Texture = static_cast<FakeTexture9*>(Font->Texture());
  D3DLOCKED_RECT Rect;
  ASSERT_EQ(S_OK, Texture->LockRect(0, &Rect, nullptr, D3DLOCK_READONLY));
  auto Ink = [&](const TGlyphCoords& G) {
    int Count = 0;
    for (int y = static_cast<int>(G.tv1 * Size); y < static_cast<int>(G.tv2 * Size); ++y)
      for (int x = static_cast<int>(G.tu1 * Size); x < static_cast<int>(G.tu2 * Size); ++x)
        Count += reinterpret_cast<const WORD*>(static_cast<const BYTE*>(Rect.pBits) +
                                               y * Rect.Pitch)[x] != 0;
    return Count;
  };
  bool OnlyWhite = true;
  for (DWORD y = 0; y < Size; ++y)
    for (DWORD x = 0; x < Size; ++x) {
      const WORD T =
          reinterpret_cast<const WORD*>(static_cast<const BYTE*>(Rect.pBits) + y * Rect.Pitch)[x];
      OnlyWhite = OnlyWhite && (T == 0 || (T & 0x0FFF) == 0x0FFF);
    }
  EXPECT_TRUE(OnlyWhite);
  EXPECT_EQ(0, Ink(Font->GlyphCoords(' ')));
  EXPECT_GT(Ink(Font->GlyphCoords('W')), 20);
  Texture->UnlockRect(0);
}

TEST_F(FontsTest, FontObjectModeMakesItsObjectAtRestoreAndPassesTextThrough) {
  TWFont* Font = AddFont("Arial", -24, false, fsBold);
  Font->Font.SetCharset(0);
  Log().Clear();
  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
  EXPECT_EQ(0, Log().Count("CreateTexture"));
  EXPECT_EQ(nullptr, Font->Texture());
  EXPECT_EQ(E_FAIL, Font->DrawText(0, 0, 0xFFFFFFFF, "x", 0)) << "no font object before restore";

  ASSERT_EQ(S_OK, Pool.RestoreDeviceObjects());
  EXPECT_TRUE(Log().Contains("D3DXCreateFontIndirect(\"Arial\", -24, 700, upright)"))
      << Log().Text();
  ASSERT_NE(nullptr, Font->D3DXFont());
  D3DXFONT_DESCA Desc;
  Font->D3DXFont()->GetDescA(&Desc);
  EXPECT_EQ(0, Desc.CharSet) << "the font object keeps the item's character set";
  EXPECT_EQ(0, Log().Count("CreateVertexBuffer"));

  D3DPRESENT_PARAMETERS Window = DX.PresentParams();
  Window.BackBufferWidth = 800;
  Window.BackBufferHeight = 600;
  Reattach(Window, DX.Caps());
  Log().Clear();
  EXPECT_EQ(24, Font->DrawText(10.5f, 11.5f, 0x80FF0000, "Jupiter", DT_RIGHT));
  const std::string Label = static_cast<FakeFont*>(Font->D3DXFont())->Label();
  EXPECT_TRUE(Log().Contains("DrawTextA(" + Label +
                             ", \"Jupiter\", 7, (10,12,800,600), 0x00000002, 0x80FF0000)"))
      << "halves round to even; the rest of the back buffer is the rectangle\n"
      << Log().Text();

  Pool.InvalidateDeviceObjects();
  EXPECT_EQ(nullptr, Font->D3DXFont());
  EXPECT_EQ(E_FAIL, Font->DrawText(0, 0, 0xFFFFFFFF, "x", 0));
}

TEST_F(FontsTest, RestoreRecordsTheSavedAndTheDrawingStatesAlike) {
  TWFont* Font = AddFont("Arial", -13, true);
  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
  const std::string Texture = FakeLabel(Font->Texture());
  Log().Clear();
  const FakeDeviceState Before = Device()->State();
  ASSERT_EQ(S_OK, Pool.RestoreDeviceObjects());
  // Recording a block leaves the device's own states alone.
  EXPECT_EQ(Before.RenderStates, Device()->State().RenderStates);
  EXPECT_EQ(Before.SamplerStates, Device()->State().SamplerStates);
  EXPECT_EQ(nullptr, Device()->State().Textures[0].Get());
  EXPECT_TRUE(Log().Contains("CreateVertexBuffer(9600, 0x00000208, 0x00000000, DEFAULT)"))
      << Log().Text();
  EXPECT_EQ(2, Log().Count("BeginStateBlock"));

  std::vector<std::string> Expected = {
      "SetTexture(0, " + Texture + ")",
      "SetRenderState(D3DRS_ZENABLE, 0)",
      "SetRenderState(D3DRS_ALPHABLENDENABLE, 1)",
      "SetRenderState(D3DRS_SRCBLEND, 5)",
      "SetRenderState(D3DRS_DESTBLEND, 6)",
      "SetRenderState(D3DRS_ALPHATESTENABLE, 1)",
      "SetRenderState(D3DRS_ALPHAREF, 8)",
      "SetRenderState(D3DRS_ALPHAFUNC, 7)",
      "SetRenderState(D3DRS_FILLMODE, 3)",
      "SetRenderState(D3DRS_CULLMODE, 3)",
      "SetRenderState(D3DRS_STENCILENABLE, 0)",
      "SetRenderState(D3DRS_CLIPPING, 1)",
      "SetRenderState(D3DRS_CLIPPLANEENABLE, 0)",
      "SetRenderState(D3DRS_VERTEXBLEND, 0)",
      "SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, 0)",
      "SetRenderState(D3DRS_FOGENABLE, 0)",
      "SetRenderState(D3DRS_COLORWRITEENABLE, 15)",
      "SetTextureStageState(0, D3DTSS_COLOROP, 4)",
      "SetTextureStageState(0, D3DTSS_COLORARG1, 2)",
      "SetTextureStageState(0, D3DTSS_COLORARG2, 0)",
      "SetTextureStageState(0, D3DTSS_ALPHAOP, 4)",
      "SetTextureStageState(0, D3DTSS_ALPHAARG1, 2)",
      "SetTextureStageState(0, D3DTSS_ALPHAARG2, 0)",
      "SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0)",
      "SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, 0)",
      "SetTextureStageState(1, D3DTSS_COLOROP, 1)",
      "SetTextureStageState(1, D3DTSS_ALPHAOP, 1)",
      "SetSamplerState(0, D3DSAMP_MINFILTER, 1)",
      "SetSamplerState(0, D3DSAMP_MAGFILTER, 1)",
      "SetSamplerState(0, D3DSAMP_MIPFILTER, 0)",
  };
  auto Recorded = [&](std::size_t From) {
    std::vector<std::string> Lines;
    const std::vector<std::string> All = Log().Lines();
    for (std::size_t I = Log().Find("BeginStateBlock", From) + 1;
         I < All.size() && All[I].rfind("EndStateBlock", 0) != 0; ++I)
      Lines.push_back(All[I]);
    return Lines;
  };
  const std::size_t First = Log().Find("BeginStateBlock");
  EXPECT_EQ(Expected, Recorded(First));
  EXPECT_EQ(Expected, Recorded(First + 1));
  ASSERT_NE(nullptr, Font->SavedState());
  EXPECT_NE(Font->SavedState(), Font->DrawState());

  // A render target that cannot blend: no blending, and no blend factors.
  Pool.InvalidateDeviceObjects();
  Log().FailCall("CheckDeviceFormat", D3DERR_NOTAVAILABLE);
  Log().Clear();
  ASSERT_EQ(S_OK, Pool.RestoreDeviceObjects());
  Expected[2] = "SetRenderState(D3DRS_ALPHABLENDENABLE, 0)";
  Expected.erase(Expected.begin() + 3, Expected.begin() + 5);
  EXPECT_EQ(Expected, Recorded(Log().Find("BeginStateBlock")));
}

TEST_F(FontsTest, DrawTextAppliesItsStatesAndPutsTheCallersBack) {
  TWFont* Font = AddFont("Arial", -13, true);
  Ready();
  IDirect3DDevice9* Dev = DX.Device();
  Dev->SetRenderState(D3DRS_ZENABLE, TRUE);
  Dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  Dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  Log().Clear();

  ASSERT_EQ(S_OK, Font->DrawText(10, 20, 0xFF102030, "AB", 0));
  const std::string Saved = FakeLabel(Font->SavedState()), Draw = FakeLabel(Font->DrawState());
  const std::string Buffer = FakeLabel(Font->VertexBuffer());
  const std::vector<std::string> Expected = {
      "Capture(" + Saved + ")",
      "Apply(" + Draw + ")",
      "SetFVF(0x00000144)",
      "SetPixelShader(null)",
      "SetStreamSource(0, " + Buffer + ", 0, 28)",
      "Lock(" + Buffer + ", 0, 0, DISCARD)",
      "Unlock(" + Buffer + ")",
      "DrawPrimitive(D3DPT_TRIANGLELIST, 0, 4)",
      "Apply(" + Saved + ")",
  };
  EXPECT_EQ(Expected, Log().Lines());

  ASSERT_EQ(1u, Device()->Draws().size());
  const FakeDraw& D = Device()->Draws()[0];
  EXPECT_EQ(0x144u, D.FVF);
  EXPECT_EQ(28u, D.Stride);
  EXPECT_EQ(FakeLabel(Font->Texture()), D.Texture0);
  EXPECT_EQ(0u, D.RenderStates[D3DRS_ZENABLE]);
  EXPECT_EQ(1u, D.RenderStates[D3DRS_ALPHABLENDENABLE]);
  EXPECT_EQ(1u, D.RenderStates[D3DRS_ALPHATESTENABLE]);
  EXPECT_EQ(8u, D.RenderStates[D3DRS_ALPHAREF]);
  EXPECT_EQ(static_cast<DWORD>(D3DTOP_MODULATE), D.Stage0[D3DTSS_ALPHAOP]);

  // Two quads, each two triangles over the glyph's cell, half a pixel up and left.
  const std::vector<TVertex> V = VerticesOf(D);
  ASSERT_EQ(12u, V.size());
  const float S = static_cast<float>(Font->Spacing());
  const TGlyphCoords& A = Font->GlyphCoords('A');
  const float Left = 10 - S - 0.5f, Top = 19.5f;
  const float Right = Left + Width(Font, 'A'), Bottom = Top + Height(Font, 'A');
  const float X[6] = {Left, Left, Right, Right, Right, Left};
  const float Y[6] = {Bottom, Top, Bottom, Top, Bottom, Top};
  const float U[6] = {A.tu1, A.tu1, A.tu2, A.tu2, A.tu2, A.tu1};
  const float T[6] = {A.tv2, A.tv1, A.tv2, A.tv1, A.tv2, A.tv1};
  for (int I = 0; I < 6; ++I) {
    EXPECT_FLOAT_EQ(X[I], V[I].x) << I;
    EXPECT_FLOAT_EQ(Y[I], V[I].y) << I;
    EXPECT_FLOAT_EQ(U[I], V[I].tu) << I;
    EXPECT_FLOAT_EQ(T[I], V[I].tv) << I;
    EXPECT_EQ(0.9f, V[I].z);
    EXPECT_EQ(1.0f, V[I].rhw);
    EXPECT_EQ(0xFF102030u, V[I].Color);
  }
  EXPECT_FLOAT_EQ(Left + Advance(Font, 'A'), V[7].x) << "B follows A's advance";

  const FakeDeviceState& After = Device()->State();
  EXPECT_EQ(1u, After.RenderStates[D3DRS_ZENABLE]);
  EXPECT_EQ(0u, After.RenderStates[D3DRS_ALPHABLENDENABLE]);
  EXPECT_EQ(static_cast<DWORD>(D3DTEXF_LINEAR), After.SamplerStates[0][D3DSAMP_MAGFILTER]);
}

TEST_F(FontsTest, LongTextIsDrawnInBatchesOfFortyNineGlyphs) {
  TWFont* Font = AddFont("Arial", -11, true);
  Ready();
  ASSERT_EQ(S_OK, Font->DrawText(0, 0, 0xFFFFFFFF, std::string(50, 'x'), 0));
  ASSERT_EQ(2u, Device()->Draws().size());
  EXPECT_EQ(98u, Device()->Draws()[0].PrimitiveCount);
  EXPECT_EQ(2u, Device()->Draws()[1].PrimitiveCount);
  EXPECT_EQ(2, Log().Count("Lock"));
  const std::vector<TVertex> Split = Corners();

  Device()->ClearDraws();
  ASSERT_EQ(S_OK, Font->DrawText(0, 0, 0xFFFFFFFF, std::string(49, 'x'), 0));
  ASSERT_EQ(1u, Device()->Draws().size());
  EXPECT_EQ(98u, Device()->Draws()[0].PrimitiveCount);
  const std::vector<TVertex> Whole = Corners();
  ASSERT_EQ(50u, Split.size());
  for (std::size_t I = 0; I < Whole.size(); ++I) EXPECT_FLOAT_EQ(Whole[I].x, Split[I].x);
  EXPECT_FLOAT_EQ(Split[48].x + Advance(Font, 'x'), Split[49].x);
}

TEST_F(FontsTest, LineBreaksSpacesAndCharactersWithoutAGlyph) {
  TWFont* Font = AddFont("Arial", -13, true);
  Font->HighestCharacter = 'z';
  Ready();
  auto Draw = [&](const std::string& Text) {
    Device()->ClearDraws();
    EXPECT_EQ(S_OK, Font->DrawText(100, 50, 0xFFFFFFFF, Text, 0));
    return Corners();
  };
  const float Line = Height(Font, ' ');
  const std::vector<TVertex> AB = Draw("AB");
  ASSERT_EQ(2u, AB.size());

  // Controls and codes above the highest character neither draw nor move the pen.
  const std::vector<TVertex> Skipped = Draw(
      "A\x01\x09{~\x80"
      "B");
  ASSERT_EQ(2u, Skipped.size());
  EXPECT_FLOAT_EQ(AB[1].x, Skipped[1].x);

  // A space moves the pen by its cell without a quad.
  const std::vector<TVertex> Spaced = Draw("A B");
  ASSERT_EQ(2u, Spaced.size());
  EXPECT_FLOAT_EQ(AB[1].x + Advance(Font, ' '), Spaced[1].x);

  // A line feed or a carriage return starts a line; CR LF therefore moves down two.
  for (auto [Text, Lines] : {std::pair{"A\nB", 1}, {"A\rB", 1}, {"A\r\nB", 2}}) {
    const std::vector<TVertex> Broken = Draw(Text);
    ASSERT_EQ(2u, Broken.size()) << Text;
    EXPECT_FLOAT_EQ(AB[0].x, Broken[1].x) << Text;
    EXPECT_FLOAT_EQ(AB[0].y + Lines * Line, Broken[1].y) << Text;
  }

  Log().Clear();
  EXPECT_EQ(S_OK, Font->DrawText(0, 0, 0xFFFFFFFF, "", 0));
  EXPECT_EQ(0, Log().Count("DrawPrimitive")) << "an empty string draws nothing";
  EXPECT_EQ(1, Log().Count("Capture")) << "but still puts the states back";
}

TEST_F(FontsTest, CentringMeasuresTheFirstLineAndFilteringSwitchesToLinear) {
  TWFont* Font = AddFont("Arial", -13, true);
  Ready();
  D3DVIEWPORT9 Viewport{0, 0, 640, 480, 0.0f, 1.0f};
  DX.Device()->SetViewport(&Viewport);

  ASSERT_EQ(S_OK, Font->DrawText(7, 9, 0xFFFFFFFF, "AB\nWWWWWWWW", fdCenterX | fdCenterY));
  const std::vector<TVertex> C = Corners();
  ASSERT_EQ(10u, C.size());
  const float S = static_cast<float>(Font->Spacing());
  const float FirstLine = Advance(Font, 'A') + Advance(Font, 'B');
  EXPECT_FLOAT_EQ((640 - FirstLine) / 2 - S - 0.5f, C[0].x);
  EXPECT_FLOAT_EQ((480 - Height(Font, ' ')) / 2 - 0.5f, C[0].y);
  EXPECT_FLOAT_EQ(C[0].x, C[2].x) << "the second line starts where the first did";
  EXPECT_EQ(0, Log().Count("SetSamplerState"));

  Log().Clear();
  ASSERT_EQ(S_OK, Font->DrawText(7, 9, 0xFFFFFFFF, "A", fdFiltered));
  const std::size_t Applied = Log().Find("Apply(" + FakeLabel(Font->DrawState()));
  EXPECT_GT(Log().Find("SetSamplerState(0, D3DSAMP_MINFILTER, 2)"), Applied);
  EXPECT_TRUE(Log().Contains("SetSamplerState(0, D3DSAMP_MAGFILTER, 2)"));
  EXPECT_EQ(static_cast<DWORD>(D3DTEXF_POINT),
            Device()->State().SamplerStates[0][D3DSAMP_MINFILTER])
      << "the caller's filter is back afterwards";
}

TEST_F(FontsTest, NoGlyphsBelowTheSpace) {
  TWFont* Font = AddFont("Arial", -24, true);
  Font->HighestCharacter = 31;
  Ready();
  EXPECT_EQ(128u, Font->TexWidth());
  EXPECT_EQ(128u, Font->TexHeight());
  EXPECT_EQ(S_OK, Font->DrawText(0, 0, 0xFFFFFFFF, "Hello\nworld", 0));
  EXPECT_EQ(0, Log().Count("DrawPrimitive"));
}

TEST_F(FontsTest, GlyphsTooLargeForTheDeviceArePaintedSmallerAndDrawnAtFullSize) {
  FakeMachine Machine = FakeMachine::Typical();
  Machine.Adapters[0].Devices[0].Caps.MaxTextureWidth = 256;
  Machine.Adapters[0].Devices[0].Caps.MaxTextureHeight = 256;
  D3D = MakeRef<FakeDirect3D9>(Machine);
  CreateDevice();
  TWFont* Font = AddFont("Arial", -48, true);
  Ready();
  EXPECT_EQ(256u, Font->TexWidth());
  EXPECT_LT(Font->TextScale(), 0.5f);

  // Drawn at the size the unscaled font has.
  HDC Context = CreateCompatibleDC(0);
  HFONT Full = CreateFontA(-48, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                           ANTIALIASED_QUALITY, VARIABLE_PITCH, "Arial");
  HGDIOBJ Old = SelectObject(Context, Full);
  SIZE Extent;
  ASSERT_TRUE(GetTextExtentPoint32A(Context, "W", 1, &Extent));
  SelectObject(Context, Old);
  DeleteObject(Full);
  DeleteDC(Context);
  ASSERT_EQ(S_OK, Font->DrawText(0, 0, 0xFFFFFFFF, "W", 0));
  const std::vector<TVertex> V = VerticesOf(Device()->Draws().at(0));
  const float DrawnHeight = V[0].y - V[1].y;
  EXPECT_NEAR(static_cast<float>(Extent.cy), DrawnHeight, Extent.cy * 0.15f);
  const float DrawnWidth = V[2].x - V[0].x - 2.0f * static_cast<float>(Font->Spacing());
  EXPECT_GT(DrawnWidth, Extent.cx * 0.6f);
}

TEST_F(FontsTest, ADeviceTooSmallForAnyGlyphSizeFailsInsteadOfHanging) {
  FakeMachine Machine = FakeMachine::Typical();
  Machine.Adapters[0].Devices[0].Caps.MaxTextureWidth = 8;
  Machine.Adapters[0].Devices[0].Caps.MaxTextureHeight = 8;
  D3D = MakeRef<FakeDirect3D9>(Machine);
  CreateDevice();
  TWFont* Font = AddFont("Arial", -24, true);
  EXPECT_EQ(E_FAIL, Pool.InitDeviceObjects());
  EXPECT_EQ(nullptr, Font->Texture());
}

TEST_F(FontsTest, DevicePhasesReleaseWhatEachBuiltAndStopAtAFailingItem) {
  TWFont* Glyphs = AddFont("Arial", -13, true);
  TWFont* Object = AddFont("MS Sans Serif", -11, false);
  EXPECT_EQ(E_FAIL, Glyphs->DrawText(0, 0, 0xFFFFFFFF, "x", 0)) << "no device objects yet";
  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
  ASSERT_EQ(S_OK, Pool.RestoreDeviceObjects());
  IDirect3DTexture9* Texture = Glyphs->Texture();
  ASSERT_NE(nullptr, Glyphs->VertexBuffer());
  ASSERT_NE(nullptr, Object->D3DXFont());

  // Invalidate lets the device reset; the managed glyph texture stays.
  Pool.InvalidateDeviceObjects();
  EXPECT_EQ(nullptr, Glyphs->VertexBuffer());
  EXPECT_EQ(nullptr, Glyphs->SavedState());
  EXPECT_EQ(nullptr, Glyphs->DrawState());
  EXPECT_EQ(nullptr, Object->D3DXFont());
  EXPECT_EQ(Texture, Glyphs->Texture());
  D3DPRESENT_PARAMETERS Params = Device()->PresentParameters();
  EXPECT_EQ(S_OK, Device()->Reset(&Params));
  ASSERT_EQ(S_OK, Pool.RestoreDeviceObjects());
  EXPECT_NE(nullptr, Glyphs->VertexBuffer());
  EXPECT_EQ(S_OK, Glyphs->DrawText(0, 0, 0xFFFFFFFF, "x", 0));

  Pool.InvalidateDeviceObjects();
  Pool.DeleteDeviceObjects();
  EXPECT_EQ(nullptr, Glyphs->Texture());

  // The first item's failure stops the collection there.
  TWFont* Later = AddFont("Arial", -13, true);
  Log().FailCall("CreateTexture", E_OUTOFMEMORY, 1);
  EXPECT_EQ(E_OUTOFMEMORY, Pool.WFonts().InitDeviceObjects(&DX));
  EXPECT_EQ(nullptr, Later->Texture());
  Log().FailCall("CreateVertexBuffer", D3DERR_OUTOFVIDEOMEMORY, 1);
  EXPECT_EQ(D3DERR_OUTOFVIDEOMEMORY, Pool.WFonts().RestoreDeviceObjects());
  EXPECT_EQ(nullptr, Object->D3DXFont());
}

}  // namespace
