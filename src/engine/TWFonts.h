// The pool's bitmap fonts. Each item draws two-dimensional text at back-buffer pixels in a
// colour given per call, in one of two modes chosen by UseID3DXFont:
//   true:  glyph textures. The printable characters of the item's font are painted once per
//          device life into a texture of the item's own, and each character of a string is
//          drawn as a pre-transformed textured quad, 49 glyphs per draw call at most;
//   false: the platform's font object, made from the item's font, draws the whole string.
// (The name reads the other way round; the stored fonts and their callers rely on this.)
#pragma once

#include <string>

#include "engine/TFont.h"
#include "engine/TWCollection.h"
#include "platform/render/d3dx9.h"

class TWFonts;

// DrawText flags of the glyph-texture mode. The font-object mode takes the DT_ flags instead.
constexpr DWORD fdCenterX = 1;   // the first line centred horizontally in the viewport
constexpr DWORD fdCenterY = 2;   // one line centred vertically in the viewport
constexpr DWORD fdFiltered = 8;  // linear instead of point sampling

// One glyph cell in the texture, margins included.
struct TGlyphCoords {
  float tu1 = 0.0f, tv1 = 0.0f, tu2 = 0.0f, tv2 = 0.0f;
};

class TWFont : public TWCollectionItem {
 public:
  explicit TWFont(TWFonts* Collection);

  TWFonts* Fonts() const;

  // The item's own font; assigning copies the attributes. Changes to it, to UseID3DXFont or
  // to HighestCharacter take effect at the next device phases.
  TFont Font;
  bool UseID3DXFont = true;
  // Depth testing while glyph text is drawn.
  bool ZEnabled = false;
  // Last character code laid out in the glyph texture; the first is always 32.
  BYTE HighestCharacter = 127;

  // "Arial, 18 (ID3DXFont)" when UseID3DXFont is true, else "Arial, 18".
  std::string DisplayName() const override;

  // Glyph mode: paints the glyph texture (managed; it survives resets).
  HRESULT InitDeviceObjects() override;
  // Glyph mode: the vertex buffer and the two state blocks; font-object mode: the font object.
  HRESULT RestoreDeviceObjects() override;
  HRESULT InvalidateDeviceObjects() override;
  HRESULT DeleteDeviceObjects() override;

  // (X, Y) is the top-left corner of the first line in back-buffer pixels. Glyph mode takes
  // the fd flags above; font-object mode passes DT_ flags through and returns the font
  // object's result (the height drawn). E_FAIL without a device or font object.
  HRESULT DrawText(float X, float Y, D3DCOLOR Color, const std::string& Text, DWORD Flags);

  // Device objects and glyph layout, for the pool's tests and tools.
  ID3DXFont* D3DXFont() const { return FD3DXFont.Get(); }
  IDirect3DTexture9* Texture() const { return FTexture.Get(); }
  IDirect3DVertexBuffer9* VertexBuffer() const { return FVertexBuffer.Get(); }
  IDirect3DStateBlock9* SavedState() const { return FSavedState.Get(); }
  IDirect3DStateBlock9* DrawState() const { return FDrawState.Get(); }
  DWORD TexWidth() const { return FTexWidth; }
  DWORD TexHeight() const { return FTexHeight; }
  float TextScale() const { return FTextScale; }
  DWORD Spacing() const { return FSpacing; }
  // Character codes 32 to 255; zeros for codes not laid out.
  const TGlyphCoords& GlyphCoords(BYTE Character) const;

  // The glyph quad vertex: pre-transformed position, colour, one texture coordinate pair.
  static constexpr DWORD GlyphFVF = 0x144;  // D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1
  static constexpr UINT GlyphVertexSize = 28;
  // Room for 300 vertices of up to 32 bytes; a batch is drawn once it reaches 294 vertices.
  static constexpr UINT VertexBufferSize = 9600;
  static constexpr UINT BatchVertices = 294;

 private:
  IDirect3DDevice9* Device() const;
  HFONT CreatePaintFont() const;
  // Lays out characters 32 to HighestCharacter in the current texture size: measures only,
  // or also paints into the context's bitmap and records the glyph cells. D3DERR_MOREDATA
  // when they do not fit.
  HRESULT PaintAlphabet(HDC Context, bool Paint);
  HRESULT BuildGlyphTexture();
  HRESULT RecordStates(IDirect3DStateBlock9** Block, bool AlphaBlend);
  HRESULT DrawGlyphs(float X, float Y, D3DCOLOR Color, const std::string& Text, DWORD Flags);
  // Height of one line in back-buffer pixels: the cell of the space character.
  float LineHeight() const;

  Ref<ID3DXFont> FD3DXFont;
  Ref<IDirect3DTexture9> FTexture;
  Ref<IDirect3DVertexBuffer9> FVertexBuffer;
  Ref<IDirect3DStateBlock9> FSavedState;
  Ref<IDirect3DStateBlock9> FDrawState;
  DWORD FTexWidth = 0;
  DWORD FTexHeight = 0;
  float FTextScale = 1.0f;
  DWORD FSpacing = 0;
  TGlyphCoords FGlyphCoords[256 - 32];
};

class TWFonts : public TWCollectionOf<TWFont, TWFonts> {
 public:
  explicit TWFonts(TWPool* Owner);
};
