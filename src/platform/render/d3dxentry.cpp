// The D3DX free functions: argument checks, then the device's backend does the work (on
// Linux; on Windows our D3DX works over the real device, in win32/).
#include "platform/render/d3dx9.h"
#include "platform/render/d3dxresources.h"

namespace {

HRESULT SurfaceDevice(IDirect3DSurface9* surface, IDirect3DDevice9** device) {
  if (!surface) return D3DERR_INVALIDCALL;
  return surface->GetDevice(device);
}

}  // namespace

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* pDevice, const char* pSrcFile, UINT Width,
                                     UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                     D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                     D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                     IDirect3DTexture9** ppTexture) {
  if (ppTexture) *ppTexture = nullptr;
  if (!pDevice || !pSrcFile || !ppTexture) return D3DERR_INVALIDCALL;
  return pDevice->D3DXCreateTextureFromFileEx(pSrcFile, Width, Height, MipLevels, Usage, Format,
                                              Pool, Filter, MipFilter, ColorKey, pSrcInfo, pPalette,
                                              ppTexture);
}

HRESULT D3DXCreateTextureFromResourceExA(IDirect3DDevice9* pDevice, HMODULE hSrcModule,
                                         const char* pSrcResource, UINT Width, UINT Height,
                                         UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                         D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                         D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                         PALETTEENTRY* pPalette, IDirect3DTexture9** ppTexture) {
  if (ppTexture) *ppTexture = nullptr;
  if (!pDevice || !pSrcResource || !ppTexture) return D3DERR_INVALIDCALL;
  return pDevice->D3DXCreateTextureFromResourceEx(hSrcModule, pSrcResource, Width, Height,
                                                  MipLevels, Usage, Format, Pool, Filter, MipFilter,
                                                  ColorKey, pSrcInfo, pPalette, ppTexture);
}

HRESULT D3DXLoadSurfaceFromFileA(IDirect3DSurface9* pDestSurface, const PALETTEENTRY* pDestPalette,
                                 const RECT* pDestRect, const char* pSrcFile, const RECT* pSrcRect,
                                 DWORD Filter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo) {
  if (!pSrcFile) return D3DERR_INVALIDCALL;
  Ref<IDirect3DDevice9> device;
  if (HRESULT hr = SurfaceDevice(pDestSurface, &device); FAILED(hr)) return hr;
  return device->D3DXLoadSurfaceFromFile(pDestSurface, pDestPalette, pDestRect, pSrcFile, pSrcRect,
                                         Filter, ColorKey, pSrcInfo);
}

HRESULT D3DXLoadSurfaceFromResourceA(IDirect3DSurface9* pDestSurface,
                                     const PALETTEENTRY* pDestPalette, const RECT* pDestRect,
                                     HMODULE hSrcModule, const char* pSrcResource,
                                     const RECT* pSrcRect, DWORD Filter, D3DCOLOR ColorKey,
                                     D3DXIMAGE_INFO* pSrcInfo) {
  if (!pSrcResource) return D3DERR_INVALIDCALL;
  Ref<IDirect3DDevice9> device;
  if (HRESULT hr = SurfaceDevice(pDestSurface, &device); FAILED(hr)) return hr;
  return device->D3DXLoadSurfaceFromResource(pDestSurface, pDestPalette, pDestRect, hSrcModule,
                                             pSrcResource, pSrcRect, Filter, ColorKey, pSrcInfo);
}

HRESULT D3DXCreateFont(IDirect3DDevice9* pDevice, HFONT hFont, ID3DXFont** ppFont) {
  if (ppFont) *ppFont = nullptr;
  if (!pDevice || !ppFont) return D3DERR_INVALIDCALL;
  D3DXFONT_DESCA desc;
  if (!D3DXResolveFont(hFont, &desc)) return E_FAIL;
  return pDevice->D3DXCreateFontIndirect(&desc, ppFont);
}

HRESULT D3DXCreateFontIndirectA(IDirect3DDevice9* pDevice, const D3DXFONT_DESCA* pDesc,
                                ID3DXFont** ppFont) {
  if (ppFont) *ppFont = nullptr;
  if (!pDevice || !pDesc || !ppFont) return D3DERR_INVALIDCALL;
  return pDevice->D3DXCreateFontIndirect(pDesc, ppFont);
}

HRESULT D3DXCreateSprite(IDirect3DDevice9* pDevice, ID3DXSprite** ppSprite) {
  if (ppSprite) *ppSprite = nullptr;
  if (!pDevice || !ppSprite) return D3DERR_INVALIDCALL;
  return pDevice->D3DXCreateSprite(ppSprite);
}
