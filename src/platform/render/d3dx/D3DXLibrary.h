// Our D3DX as one object over where its images come from and how its glyphs are painted, so
// that the program (D3DXEntry.cpp: its files and resources, the platform's glyph rasterizer)
// and the fake backend's recording layer (scripted images) run the same code. Each call checks
// its arguments as D3DX does and then works through the render contract alone: textures and
// surfaces are written through LockRect, the font and sprite draw with DrawPrimitiveUP between
// state blocks. Each call is one free function of d3dx9.h, which says what it does
// (TextureFromFile is D3DXCreateTextureFromFileExA, Font is D3DXCreateFontIndirectA, ...).
#pragma once

#include <functional>
#include <memory>

#include "platform/render/d3dx/GlyphRasterizer.h"
#include "platform/render/d3dx/ImageSource.h"
#include "platform/render/d3dx9.h"

class D3DXLibrary {
 public:
  using GlyphSource = std::function<std::unique_ptr<GlyphRasterizer>(const D3DXFONT_DESCA&)>;

  // Both must outlive the library.
  D3DXLibrary(const ImageSource& images, GlyphSource glyphs)
      : images_(images), glyphs_(std::move(glyphs)) {}

  HRESULT TextureFromFile(IDirect3DDevice9* pDevice, const char* pSrcFile, UINT Width, UINT Height,
                          UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                          DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                          IDirect3DTexture9** ppTexture) const;
  HRESULT TextureFromResource(IDirect3DDevice9* pDevice, HMODULE hSrcModule,
                              const char* pSrcResource, UINT Width, UINT Height, UINT MipLevels,
                              DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                              DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                              IDirect3DTexture9** ppTexture) const;
  HRESULT SurfaceFromFile(IDirect3DSurface9* pDestSurface, const RECT* pDestRect,
                          const char* pSrcFile, const RECT* pSrcRect, DWORD Filter,
                          D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo) const;
  HRESULT SurfaceFromResource(IDirect3DSurface9* pDestSurface, const RECT* pDestRect,
                              HMODULE hSrcModule, const char* pSrcResource, const RECT* pSrcRect,
                              DWORD Filter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo) const;
  HRESULT FontFromHandle(IDirect3DDevice9* pDevice, HFONT hFont, ID3DXFont** ppFont) const;
  HRESULT Font(IDirect3DDevice9* pDevice, const D3DXFONT_DESCA* pDesc, ID3DXFont** ppFont) const;
  HRESULT Sprite(IDirect3DDevice9* pDevice, ID3DXSprite** ppSprite) const;

 private:
  const ImageSource& images_;
  GlyphSource glyphs_;
};
