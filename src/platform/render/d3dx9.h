// The D3DX9 subset the engine uses: image loading into textures and surfaces, the font and
// sprite objects, and the matrix helpers with D3DX's exact formulas (single precision).
// Loaders, fonts and sprites are written once (d3dx/), as clients of the render contract, the
// way the real D3DX sits over the real device; each platform adds only an image decoder and a
// glyph rasterizer. This subset is ours on Windows too (d3dx9_43.dll is not part of Windows),
// and keeps its older call shapes there: nothing of the real D3DX is included.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/render/d3d9.h"

// ---- Constants and result codes ----------------------------------------------------------------

constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;
constexpr UINT D3DX_DEFAULT_NONPOW2 = 0xFFFFFFFEu;
constexpr UINT D3DX_FROM_FILE = 0xFFFFFFFDu;

constexpr DWORD D3DX_FILTER_NONE = 1;
constexpr DWORD D3DX_FILTER_POINT = 2;
constexpr DWORD D3DX_FILTER_LINEAR = 3;
constexpr DWORD D3DX_FILTER_TRIANGLE = 4;
constexpr DWORD D3DX_FILTER_BOX = 5;
constexpr DWORD D3DX_FILTER_MIRROR_U = 0x00010000;
constexpr DWORD D3DX_FILTER_MIRROR_V = 0x00020000;
constexpr DWORD D3DX_FILTER_MIRROR_W = 0x00040000;
constexpr DWORD D3DX_FILTER_DITHER = 0x00080000;

constexpr HRESULT D3DXERR_CANNOTMODIFYINDEXBUFFER = MAKE_D3DHRESULT(2900);
constexpr HRESULT D3DXERR_INVALIDMESH = MAKE_D3DHRESULT(2901);
constexpr HRESULT D3DXERR_INVALIDDATA = MAKE_D3DHRESULT(2905);  // 0x88760B59

enum D3DXIMAGE_FILEFORMAT : DWORD {
  D3DXIFF_BMP = 0,
  D3DXIFF_JPG = 1,
  D3DXIFF_TGA = 2,
  D3DXIFF_PNG = 3,
  D3DXIFF_DDS = 4,
  D3DXIFF_PPM = 5,
  D3DXIFF_DIB = 6,
};

struct D3DXIMAGE_INFO {
  UINT Width = 0;
  UINT Height = 0;
  UINT Depth = 0;
  UINT MipLevels = 0;
  D3DFORMAT Format = D3DFMT_UNKNOWN;
  D3DRESOURCETYPE ResourceType = D3DRTYPE_TEXTURE;
  D3DXIMAGE_FILEFORMAT ImageFileFormat = D3DXIFF_BMP;
};

#if !defined(_WIN32)
// <windows.h> has these on Windows.
struct PALETTEENTRY {
  BYTE peRed = 0;
  BYTE peGreen = 0;
  BYTE peBlue = 0;
  BYTE peFlags = 0;
};
#endif

// A GDI font's description, as D3DX takes it (LOGFONT's fields): Height < 0 is the character
// height in pixels, > 0 the cell height; Weight 400 normal, 700 bold.
struct D3DXFONT_DESCA {
  INT Height = 0;
  UINT Width = 0;
  UINT Weight = 400;
  UINT MipLevels = 1;
  BOOL Italic = FALSE;
  BYTE CharSet = 1;
  BYTE OutputPrecision = 0;
  BYTE Quality = 0;
  BYTE PitchAndFamily = 0;
  char FaceName[32] = {};
};

#if !defined(_WIN32)
// GDI text-format flags taken by ID3DXFont::DrawTextA (<windows.h> has them on Windows).
constexpr DWORD DT_TOP = 0x00000000;
constexpr DWORD DT_LEFT = 0x00000000;
constexpr DWORD DT_CENTER = 0x00000001;
constexpr DWORD DT_RIGHT = 0x00000002;
constexpr DWORD DT_VCENTER = 0x00000004;
constexpr DWORD DT_BOTTOM = 0x00000008;
constexpr DWORD DT_WORDBREAK = 0x00000010;
constexpr DWORD DT_SINGLELINE = 0x00000020;
constexpr DWORD DT_EXPANDTABS = 0x00000040;
constexpr DWORD DT_NOCLIP = 0x00000100;
constexpr DWORD DT_CALCRECT = 0x00000400;
#endif

// ---- Vectors, matrices, colours ---------------------------------------------------------------

struct D3DXVECTOR2 {
  // Spelled out as D3DX has them: clang before 16 cannot build an aggregate from (x, y).
  D3DXVECTOR2() = default;
  D3DXVECTOR2(float vx, float vy) : x(vx), y(vy) {}
  float x = 0.0f;
  float y = 0.0f;
};

struct D3DXVECTOR3 : D3DVECTOR {
  D3DXVECTOR3() : D3DVECTOR{} {}
  D3DXVECTOR3(float vx, float vy, float vz) : D3DVECTOR{vx, vy, vz} {}
  D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}
};

struct D3DXMATRIX : D3DMATRIX {
  D3DXMATRIX() : D3DMATRIX{} {}
  D3DXMATRIX(const D3DMATRIX& m) : D3DMATRIX(m) {}
  D3DXMATRIX(float m11, float m12, float m13, float m14, float m21, float m22, float m23, float m24,
             float m31, float m32, float m33, float m34, float m41, float m42, float m43,
             float m44);
  float& operator()(UINT row, UINT col) { return m[row][col]; }
  float operator()(UINT row, UINT col) const { return m[row][col]; }
  // Row-vector product: in a * b, a acts first.
  D3DXMATRIX operator*(const D3DXMATRIX& b) const;
  bool operator==(const D3DXMATRIX& b) const;
};

// A colour value with D3DCOLOR conversions (channels are not clamped until converted).
struct D3DXCOLOR : D3DCOLORVALUE {
  D3DXCOLOR() : D3DCOLORVALUE{} {}
  D3DXCOLOR(float cr, float cg, float cb, float ca) : D3DCOLORVALUE{cr, cg, cb, ca} {}
  D3DXCOLOR(const D3DCOLORVALUE& c) : D3DCOLORVALUE(c) {}
  explicit D3DXCOLOR(D3DCOLOR argb)
      : D3DCOLORVALUE{static_cast<float>((argb >> 16) & 0xFF) / 255.0f,
                      static_cast<float>((argb >> 8) & 0xFF) / 255.0f,
                      static_cast<float>(argb & 0xFF) / 255.0f,
                      static_cast<float>((argb >> 24) & 0xFF) / 255.0f} {}
  // Unlike D3DCOLOR_COLORVALUE, the colour object rounds each channel to the nearest step.
  operator D3DCOLOR() const {
    auto c = [](float v) -> DWORD {
      return v <= 0.0f ? 0u : v >= 1.0f ? 255u : static_cast<DWORD>(v * 255.0f + 0.5f);
    };
    return D3DCOLOR_ARGB(c(a), c(r), c(g), c(b));
  }
};

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz);
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float Angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float Angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float Angle);
// pOut may alias either input.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float Aspect, float zn,
                                       float zf);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp);
// Scaling (about pScalingCenter, along axes turned by ScalingRotation), then rotation about
// pRotationCenter, then translation; null pointers stand for no change.
D3DXMATRIX* D3DXMatrixTransformation2D(D3DXMATRIX* pOut, const D3DXVECTOR2* pScalingCenter,
                                       float ScalingRotation, const D3DXVECTOR2* pScaling,
                                       const D3DXVECTOR2* pRotationCenter, float Rotation,
                                       const D3DXVECTOR2* pTranslation);
// Zero length yields the zero vector, as in D3DX.
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
float D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);

// ---- Font and sprite objects ---------------------------------------------------------------

// Draws text with a GDI font's face at back-buffer pixels. Device objects follow the device:
// call OnLostDevice before Reset and OnResetDevice after it.
class ID3DXFont : public RefCounted {
 public:
  virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
  virtual HRESULT GetDescA(D3DXFONT_DESCA* pDesc) = 0;
  // Draws Count characters of Windows-1252 text (Count -1: up to the terminating zero) in
  // pRect, aligned by the DT_ flags, in Color (alpha included). Returns the height of the text
  // drawn in pixels, 0 on failure. DT_CALCRECT only measures, widening pRect to fit. Leaves
  // the device's states as they were.
  virtual INT DrawTextA(const char* pString, INT Count, RECT* pRect, DWORD Format,
                        D3DCOLOR Color) = 0;
  virtual HRESULT OnLostDevice() = 0;
  virtual HRESULT OnResetDevice() = 0;
};

// Draws textured screen-space quads. Draw outside Begin/End is a complete draw of its own.
// Every draw blends source alpha over inverse source alpha and leaves the device's states as
// they were.
class ID3DXSprite : public RefCounted {
 public:
  virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
  virtual HRESULT Begin() = 0;
  // The source rectangle of pTexture (all of it when null) is scaled by pScaling (1, 1 when
  // null), rotated by Rotation radians about pRotationCenter (origin when null), moved by
  // pTranslation, in pixels, and its texels modulated by Color. A null texture draws a
  // quad of Color, one pixel square before scaling when there is no source rectangle.
  virtual HRESULT Draw(IDirect3DTexture9* pSrcTexture, const RECT* pSrcRect,
                       const D3DXVECTOR2* pScaling, const D3DXVECTOR2* pRotationCenter,
                       float Rotation, const D3DXVECTOR2* pTranslation, D3DCOLOR Color) = 0;
  virtual HRESULT End() = 0;
  virtual HRESULT OnLostDevice() = 0;
  virtual HRESULT OnResetDevice() = 0;
};

// ---- Loaders, font and sprite creation --------------------------------------------------------

// Textures from JPEG, Windows bitmap, Targa (and PNG) files. Width/Height 0 or D3DX_DEFAULT:
// the image's size. MipLevels 0 or D3DX_DEFAULT: the full chain. Format D3DFMT_UNKNOWN:
// A8R8G8B8 when the image or the colour key brings alpha, else X8R8G8B8. ColorKey 0: none;
// otherwise each texel equal to ColorKey (as 32-bit ARGB, opaque images counting as alpha
// 0xFF) becomes transparent black. D3DXERR_INVALIDDATA for an unreadable image,
// D3DERR_NOTAVAILABLE (with *ppTexture cleared) for a missing file.
HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* pDevice, const char* pSrcFile, UINT Width,
                                     UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                     D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                     D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                     IDirect3DTexture9** ppTexture);
// The same from a program resource (see the resource registry below; hSrcModule 0 is the
// program). D3DXERR_INVALIDDATA when no resource has that name.
HRESULT D3DXCreateTextureFromResourceExA(IDirect3DDevice9* pDevice, HMODULE hSrcModule,
                                         const char* pSrcResource, UINT Width, UINT Height,
                                         UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                         D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                         D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                         PALETTEENTRY* pPalette, IDirect3DTexture9** ppTexture);
// Decodes an image into a surface (pDestRect null: all of it), scaling with Filter
// (D3DX_FILTER_NONE: copy, cropping to the smaller size), with the colour key as above.
// pSrcInfo receives the image's size.
HRESULT D3DXLoadSurfaceFromFileA(IDirect3DSurface9* pDestSurface, const PALETTEENTRY* pDestPalette,
                                 const RECT* pDestRect, const char* pSrcFile, const RECT* pSrcRect,
                                 DWORD Filter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo);
HRESULT D3DXLoadSurfaceFromResourceA(IDirect3DSurface9* pDestSurface,
                                     const PALETTEENTRY* pDestPalette, const RECT* pDestRect,
                                     HMODULE hSrcModule, const char* pSrcResource,
                                     const RECT* pSrcRect, DWORD Filter, D3DCOLOR ColorKey,
                                     D3DXIMAGE_INFO* pSrcInfo);

// A font object from a GDI font handle; the handle is described through the resolver that the
// window-system layer installs (D3DXSetFontResolver). E_FAIL for an unknown handle.
HRESULT D3DXCreateFont(IDirect3DDevice9* pDevice, HFONT hFont, ID3DXFont** ppFont);
HRESULT D3DXCreateFontIndirectA(IDirect3DDevice9* pDevice, const D3DXFONT_DESCA* pDesc,
                                ID3DXFont** ppFont);
HRESULT D3DXCreateSprite(IDirect3DDevice9* pDevice, ID3DXSprite** ppSprite);

// Tells D3DXCreateFont what a GDI font handle stands for: fills the description and returns
// true, or returns false for a handle it does not know. The window-system layer owns HFONT
// and installs this once; an empty function removes it.
using D3DXFontResolver = std::function<bool(HFONT, D3DXFONT_DESCA*)>;
void D3DXSetFontResolver(D3DXFontResolver resolver);

// ---- Program resources -----------------------------------------------------------------------

// The program's named resources (images compiled into the program, such as the cursor and the
// icon), looked up without regard to case, as Windows resource names are. The shell registers
// them at start-up (the bytes of an image file); registering a name again replaces it.
void D3DXRegisterResource(const std::string& name, std::vector<BYTE> bytes);
void D3DXUnregisterResource(const std::string& name);
// The bytes of a registered resource, or null.
const std::vector<BYTE>* D3DXFindResource(const std::string& name);
