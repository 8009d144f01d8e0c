#include "engine/TWFonts.h"

#include <cmath>
#include <cstdio>

#include "engine/TW9DirectX.h"
#include "platform/window/GdiFontResolver.h"
#include "platform/window/wingdi.h"

namespace {

struct TGlyphVertex {
  float x, y, z, rhw;
  D3DCOLOR Color;
  float tu, tv;
};
static_assert(sizeof(TGlyphVertex) == TWFont::GlyphVertexSize);

// Rounds halves to even, as the platform's rounding of pixel positions does.
LONG RoundEven(float Value) {
  return static_cast<LONG>(std::nearbyint(Value));
}

}  // namespace

TWFonts::TWFonts(TWPool* Owner) : TWCollectionOf(Owner) {
  // The font-object mode hands the item's GDI font to the platform, which learns from the
  // window system what that handle stands for.
  InstallGdiFontResolver();
}

TWFont::TWFont(TWFonts* Collection) : TWCollectionItem(Collection) {}

TWFonts* TWFont::Fonts() const {
  return static_cast<TWFonts*>(Collection());
}

IDirect3DDevice9* TWFont::Device() const {
  const TW9DirectX* DX = Fonts()->DX;
  return DX ? DX->Device() : nullptr;
}

const TGlyphCoords& TWFont::GlyphCoords(BYTE Character) const {
  static const TGlyphCoords None;
  return Character < 32 ? None : FGlyphCoords[Character - 32];
}

std::string TWFont::DisplayName() const {
  char Text[96];
  std::snprintf(Text, sizeof Text, UseID3DXFont ? "%s, %d (ID3DXFont)" : "%s, %d",
                Font.Name().c_str(), Font.Size());
  return Text;
}

HFONT TWFont::CreatePaintFont() const {
  // Always the default character set and a variable pitch: the glyph texture holds the codes
  // 32 to 255 of the one code page the text arrives in, whatever the item's font asks for.
  const int Height = FTextScale == 1.0f
                         ? Font.Height()
                         : static_cast<int>(std::nearbyint(Font.Height() * FTextScale));
  return CreateFontA(Height, 0, 0, 0, (Font.Style() & fsBold) ? FW_BOLD : FW_NORMAL,
                     (Font.Style() & fsItalic) ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH,
                     Font.Name().c_str());
}

HRESULT TWFont::PaintAlphabet(HDC Context, bool Paint) {
  char Character[2] = "x";
  SIZE Size;
  if (!GetTextExtentPoint32A(Context, Character, 1, &Size)) return E_FAIL;
  FSpacing = static_cast<DWORD>(std::ceil(static_cast<float>(Size.cy) * 0.3f));

  DWORD X = FSpacing, Y = 0;
  for (int c = 32; c <= HighestCharacter; ++c) {
    Character[0] = static_cast<char>(c);
    if (!GetTextExtentPoint32A(Context, Character, 1, &Size)) return E_FAIL;
    const auto cx = static_cast<DWORD>(Size.cx), cy = static_cast<DWORD>(Size.cy);
    if (X + cx + FSpacing > FTexWidth) {
      X = FSpacing;
      Y += cy;
    }
    if (Y + cy > FTexHeight) return D3DERR_MOREDATA;
    if (Paint) {
      if (!ExtTextOutA(Context, static_cast<int>(X), static_cast<int>(Y), ETO_OPAQUE, nullptr,
                       Character, 1, nullptr))
        return E_FAIL;
      const auto W = static_cast<float>(FTexWidth), H = static_cast<float>(FTexHeight);
      FGlyphCoords[c - 32] = {static_cast<float>(X - FSpacing) / W, static_cast<float>(Y) / H,
                              static_cast<float>(X + cx + FSpacing) / W,
                              static_cast<float>(Y + cy) / H};
    }
    X += cx + 2 * FSpacing;
  }
  return S_OK;
}

HRESULT TWFont::InitDeviceObjects() {
  if (!UseID3DXFont) return S_OK;
  IDirect3DDevice9* Dev = Device();
  if (!Dev) return E_FAIL;
  return BuildGlyphTexture();
}

HRESULT TWFont::BuildGlyphTexture() {
  IDirect3DDevice9* Dev = Device();
  FTextScale = 1.0f;
  for (TGlyphCoords& Coords : FGlyphCoords) Coords = {};

  HDC Context = CreateCompatibleDC(0);
  HFONT PaintFont = 0;
  HBITMAP Bitmap = 0;
  HGDIOBJ OldFont = 0, OldBitmap = 0;
  DWORD* Bits = nullptr;
  bool Locked = false;

  // Every exit goes through here: whatever was made is unmade, in reverse.
  auto Finish = [&](HRESULT Result) {
    if (FTexture && Locked) FTexture->UnlockRect(0);
    if (Context) {
      if (OldBitmap) SelectObject(Context, OldBitmap);
      if (OldFont) SelectObject(Context, OldFont);
    }
    if (Bitmap) DeleteObject(Bitmap);
    if (PaintFont) DeleteObject(PaintFont);
    if (Context) DeleteDC(Context);
    return Result;
  };
  auto SelectNewPaintFont = [&]() {
    if (PaintFont) {
      SelectObject(Context, OldFont);
      DeleteObject(PaintFont);
    }
    PaintFont = CreatePaintFont();
    if (!PaintFont) return false;
    const HGDIOBJ Previous = SelectObject(Context, PaintFont);
    if (!OldFont) OldFont = Previous;
    return true;
  };

  if (!Context) return Finish(E_FAIL);
  SetMapMode(Context, MM_TEXT);
  if (!SelectNewPaintFont()) return Finish(E_FAIL);

  FTexWidth = FTexHeight = 128;
  HRESULT Result;
  while ((Result = PaintAlphabet(Context, false)) == D3DERR_MOREDATA) {
    FTexWidth *= 2;
    FTexHeight *= 2;
  }
  if (FAILED(Result)) return Finish(Result);

  // Larger than the device takes: paint the glyphs smaller, in a texture of the largest size,
  // and let DrawText enlarge them again.
  D3DCAPS9 Caps{};
  Dev->GetDeviceCaps(&Caps);
  if (FTexWidth > Caps.MaxTextureWidth) {
    FTextScale = static_cast<float>(Caps.MaxTextureWidth) / static_cast<float>(FTexWidth);
    FTexWidth = FTexHeight = Caps.MaxTextureWidth;
    bool FirstPass = true;
    do {
      if (!FirstPass) FTextScale *= 0.9f;
      FirstPass = false;
      // A font shrunk to nothing would come back at the default size and never fit.
      if (std::nearbyint(Font.Height() * FTextScale) == 0.0f) return Finish(E_FAIL);
      if (!SelectNewPaintFont()) return Finish(E_FAIL);
      Result = PaintAlphabet(Context, false);
    } while (Result == D3DERR_MOREDATA);
    if (FAILED(Result)) return Finish(Result);
  }

  FTexture = nullptr;
  Result = Dev->CreateTexture(FTexWidth, FTexHeight, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED,
                              &FTexture, nullptr);
  if (FAILED(Result)) return Finish(Result);

  BITMAPINFO Info{};
  Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  Info.bmiHeader.biWidth = static_cast<LONG>(FTexWidth);
  Info.bmiHeader.biHeight = -static_cast<LONG>(FTexHeight);
  Info.bmiHeader.biPlanes = 1;
  Info.bmiHeader.biBitCount = 32;
  Info.bmiHeader.biCompression = BI_RGB;
  void* Pixels = nullptr;
  Bitmap = CreateDIBSection(Context, &Info, DIB_RGB_COLORS, &Pixels, 0, 0);
  if (!Bitmap || !Pixels) return Finish(E_FAIL);
  Bits = static_cast<DWORD*>(Pixels);
  OldBitmap = SelectObject(Context, Bitmap);
  SetTextColor(Context, RGB(255, 255, 255));
  SetBkColor(Context, 0);
  SetTextAlign(Context, TA_TOP);

  Result = PaintAlphabet(Context, true);
  if (FAILED(Result)) return Finish(Result);

  D3DLOCKED_RECT Rect;
  Result = FTexture->LockRect(0, &Rect, nullptr, 0);
  if (FAILED(Result)) return Finish(Result);
  Locked = true;
  // White texels whose alpha is the painted coverage (the blue channel of white text).
  auto* Row = static_cast<BYTE*>(Rect.pBits);
  for (DWORD y = 0; y < FTexHeight; ++y) {
    auto* Texel = reinterpret_cast<WORD*>(Row);
    for (DWORD x = 0; x < FTexWidth; ++x) {
      const auto Alpha = static_cast<WORD>((Bits[y * FTexWidth + x] & 0xFF) >> 4);
      Texel[x] = Alpha ? static_cast<WORD>((Alpha << 12) | 0x0FFF) : 0;
    }
    Row += Rect.Pitch;
  }
  return Finish(S_OK);
}

HRESULT TWFont::RecordStates(IDirect3DStateBlock9** Block, bool AlphaBlend) {
  IDirect3DDevice9* Dev = Device();
  if (HRESULT Result = Dev->BeginStateBlock(); FAILED(Result)) return Result;
  Dev->SetTexture(0, FTexture.Get());
  Dev->SetRenderState(D3DRS_ZENABLE, ZEnabled ? TRUE : FALSE);
  Dev->SetRenderState(D3DRS_ALPHABLENDENABLE, AlphaBlend ? TRUE : FALSE);
  if (AlphaBlend) {
    Dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    Dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  }
  Dev->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  Dev->SetRenderState(D3DRS_ALPHAREF, 8);
  Dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  Dev->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  Dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  Dev->SetRenderState(D3DRS_STENCILENABLE, FALSE);
  Dev->SetRenderState(D3DRS_CLIPPING, TRUE);
  Dev->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
  Dev->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
  Dev->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
  Dev->SetRenderState(D3DRS_FOGENABLE, FALSE);
  Dev->SetRenderState(D3DRS_COLORWRITEENABLE, 15);
  Dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  Dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  Dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  Dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  Dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  Dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  Dev->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
  Dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
  Dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  Dev->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  Dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
  Dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
  Dev->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
  return Dev->EndStateBlock(Block);
}

HRESULT TWFont::RestoreDeviceObjects() {
  IDirect3DDevice9* Dev = Device();
  if (!Dev) return E_FAIL;
  if (!UseID3DXFont) {
    FD3DXFont = nullptr;
    return D3DXCreateFont(Dev, Font.Handle(), &FD3DXFont);
  }

  HRESULT Result = Dev->CreateVertexBuffer(VertexBufferSize, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC,
                                           0, D3DPOOL_DEFAULT, &FVertexBuffer, nullptr);
  if (FAILED(Result)) return Result;

  // Blending is assumed; only a render target that cannot blend turns it off.
  bool AlphaBlend = true;
  D3DCAPS9 Caps{};
  Dev->GetDeviceCaps(&Caps);
  D3DDISPLAYMODE Mode{};
  Dev->GetDisplayMode(0, &Mode);
  Ref<IDirect3DSurface9> Target;
  if (SUCCEEDED(Dev->GetRenderTarget(0, &Target)) && Target) {
    D3DSURFACE_DESC Desc{};
    Target->GetDesc(&Desc);
    const TW9DirectX* DX = Fonts()->DX;
    if (DX->D3D() && FAILED(DX->D3D()->CheckDeviceFormat(
                         DX->Caps().AdapterOrdinal, DX->Caps().DeviceType, Mode.Format,
                         D3DUSAGE_RENDERTARGET | D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING,
                         D3DRTYPE_SURFACE, Desc.Format)))
      AlphaBlend = false;
    Target = nullptr;
  }

  RecordStates(&FSavedState, AlphaBlend);
  RecordStates(&FDrawState, AlphaBlend);
  return S_OK;
}

HRESULT TWFont::InvalidateDeviceObjects() {
  FVertexBuffer = nullptr;
  FD3DXFont = nullptr;
  FSavedState = nullptr;
  FDrawState = nullptr;
  return S_OK;
}

HRESULT TWFont::DeleteDeviceObjects() {
  FTexture = nullptr;
  return S_OK;
}

float TWFont::LineHeight() const {
  const TGlyphCoords& Space = FGlyphCoords[0];
  return (Space.tv2 - Space.tv1) * static_cast<float>(FTexHeight);
}

HRESULT TWFont::DrawText(float X, float Y, D3DCOLOR Color, const std::string& Text, DWORD Flags) {
  if (UseID3DXFont) return DrawGlyphs(X, Y, Color, Text, Flags);
  const TW9DirectX* DX = Fonts()->DX;
  if (!FD3DXFont || !DX) return E_FAIL;
  RECT Rect = DX->GetBackBufferRect();
  Rect.left = RoundEven(X);
  Rect.top = RoundEven(Y);
  return FD3DXFont->DrawTextA(Text.c_str(), static_cast<INT>(Text.size()), &Rect, Flags, Color);
}

HRESULT TWFont::DrawGlyphs(float X, float Y, D3DCOLOR Color, const std::string& Text, DWORD Flags) {
  IDirect3DDevice9* Dev = Device();
  // Without the restore phase's buffer there is nothing to draw with.
  if (!Dev || !FVertexBuffer) return E_FAIL;

  if (FSavedState) FSavedState->Capture();
  if (FDrawState) FDrawState->Apply();
  Dev->SetFVF(GlyphFVF);
  Dev->SetPixelShader(nullptr);
  Dev->SetStreamSource(0, FVertexBuffer.Get(), 0, GlyphVertexSize);

  if (Flags & fdFiltered) {
    Dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    Dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  }
  const auto TexW = static_cast<float>(FTexWidth), TexH = static_cast<float>(FTexHeight);
  const auto Space = static_cast<float>(FSpacing);
  if (Flags & fdCenterX) {
    D3DVIEWPORT9 Viewport{};
    Dev->GetViewport(&Viewport);
    float Width = 0.0f;
    for (const char Ch : Text) {
      const auto c = static_cast<BYTE>(Ch);
      if (c == 10 || c == 13) break;
      if (c < 32 || c > HighestCharacter) continue;
      const TGlyphCoords& G = FGlyphCoords[c - 32];
      Width += (G.tu2 - G.tu1) * TexW / FTextScale - 2 * Space;
    }
    X = (static_cast<float>(Viewport.Width) - Width) / 2;
  }
  if (Flags & fdCenterY) {
    D3DVIEWPORT9 Viewport{};
    Dev->GetViewport(&Viewport);
    Y = (static_cast<float>(Viewport.Height) - LineHeight()) / 2;
  }
  X -= Space;
  const float StartX = X;

  void* Data = nullptr;
  HRESULT Result = FVertexBuffer->Lock(0, 0, &Data, D3DLOCK_DISCARD);
  if (FAILED(Result)) {
    if (FSavedState) FSavedState->Apply();
    return Result;
  }
  auto* Vertex = static_cast<TGlyphVertex*>(Data);
  UINT Triangles = 0;
  for (const char Ch : Text) {
    const auto c = static_cast<BYTE>(Ch);
    if (c == 10 || c == 13) {
      X = StartX;
      Y += LineHeight();
      continue;
    }
    if (c < 32 || c > HighestCharacter) continue;
    const TGlyphCoords& G = FGlyphCoords[c - 32];
    const float w = (G.tu2 - G.tu1) * TexW / FTextScale;
    const float h = (G.tv2 - G.tv1) * TexH / FTextScale;
    if (c != 32 && Vertex) {
      const float Left = X - 0.5f, Top = Y - 0.5f, Right = X + w - 0.5f, Bottom = Y + h - 0.5f;
      *Vertex++ = {Left, Bottom, 0.9f, 1.0f, Color, G.tu1, G.tv2};
      *Vertex++ = {Left, Top, 0.9f, 1.0f, Color, G.tu1, G.tv1};
      *Vertex++ = {Right, Bottom, 0.9f, 1.0f, Color, G.tu2, G.tv2};
      *Vertex++ = {Right, Top, 0.9f, 1.0f, Color, G.tu2, G.tv1};
      *Vertex++ = {Right, Bottom, 0.9f, 1.0f, Color, G.tu2, G.tv2};
      *Vertex++ = {Left, Top, 0.9f, 1.0f, Color, G.tu1, G.tv1};
      Triangles += 2;
      if (Triangles * 3 >= BatchVertices) {
        FVertexBuffer->Unlock();
        Dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, Triangles);
        Data = nullptr;
        FVertexBuffer->Lock(0, 0, &Data, D3DLOCK_DISCARD);
        Vertex = static_cast<TGlyphVertex*>(Data);
        Triangles = 0;
      }
    }
    X += w - 2 * Space;
  }
  FVertexBuffer->Unlock();
  if (Triangles > 0) Dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, Triangles);

  if (FSavedState) FSavedState->Apply();
  return S_OK;
}
