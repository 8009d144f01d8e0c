// The program's D3DX: the free functions of d3dx9.h over its files and resources and the
// platform's glyph rasterizer. (Test programs on the fake backend link the fake's recording
// entry points instead.)
#include "platform/render/d3dx/D3DXLibrary.h"
#include "platform/render/d3dx/ImageFiles.h"

namespace {

const D3DXLibrary& Program() {
  static const ImageFiles files;
  static const D3DXLibrary library(files, MakeGlyphRasterizer);
  return library;
}

}  // namespace

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* pDevice, const char* pSrcFile, UINT Width,
                                     UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                     D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                     D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY*,
                                     IDirect3DTexture9** ppTexture) {
  return Program().TextureFromFile(pDevice, pSrcFile, Width, Height, MipLevels, Usage, Format, Pool,
                                   Filter, MipFilter, ColorKey, pSrcInfo, ppTexture);
}

HRESULT D3DXCreateTextureFromResourceExA(IDirect3DDevice9* pDevice, HMODULE hSrcModule,
                                         const char* pSrcResource, UINT Width, UINT Height,
                                         UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                         D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                         D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY*,
                                         IDirect3DTexture9** ppTexture) {
  return Program().TextureFromResource(pDevice, hSrcModule, pSrcResource, Width, Height, MipLevels,
                                       Usage, Format, Pool, Filter, MipFilter, ColorKey, pSrcInfo,
                                       ppTexture);
}

HRESULT D3DXLoadSurfaceFromFileA(IDirect3DSurface9* pDestSurface, const PALETTEENTRY*,
                                 const RECT* pDestRect, const char* pSrcFile, const RECT* pSrcRect,
                                 DWORD Filter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo) {
  return Program().SurfaceFromFile(pDestSurface, pDestRect, pSrcFile, pSrcRect, Filter, ColorKey,
                                   pSrcInfo);
}

HRESULT D3DXLoadSurfaceFromResourceA(IDirect3DSurface9* pDestSurface, const PALETTEENTRY*,
                                     const RECT* pDestRect, HMODULE hSrcModule,
                                     const char* pSrcResource, const RECT* pSrcRect, DWORD Filter,
                                     D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo) {
  return Program().SurfaceFromResource(pDestSurface, pDestRect, hSrcModule, pSrcResource, pSrcRect,
                                       Filter, ColorKey, pSrcInfo);
}

HRESULT D3DXCreateFont(IDirect3DDevice9* pDevice, HFONT hFont, ID3DXFont** ppFont) {
  return Program().FontFromHandle(pDevice, hFont, ppFont);
}

HRESULT D3DXCreateFontIndirectA(IDirect3DDevice9* pDevice, const D3DXFONT_DESCA* pDesc,
                                ID3DXFont** ppFont) {
  return Program().Font(pDevice, pDesc, ppFont);
}

HRESULT D3DXCreateSprite(IDirect3DDevice9* pDevice, ID3DXSprite** ppSprite) {
  return Program().Sprite(pDevice, ppSprite);
}
