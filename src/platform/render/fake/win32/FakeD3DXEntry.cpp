// The D3DX free functions for test programs on Windows that draw on the fake: the same
// argument checks as on Linux, then the fake device serves the call and logs it as it does
// there. A test program links either this or the Windows D3DX over the real device, never
// both; a device that is not the fake's is refused.
#include "platform/render/d3dx9.h"
#include "platform/render/d3dxresources.h"
#include "platform/render/fake/win32/FakeDevice9Base.h"

namespace {

FakeDevice9Base* FakeOf(IDirect3DDevice9* Device) {
  return dynamic_cast<FakeDevice9Base*>(Device);
}

// The fake device that made a surface, with a reference the caller's Ref releases.
HRESULT SurfaceDevice(IDirect3DSurface9* Surface, Ref<IDirect3DDevice9>& Device) {
  if (!Surface) return D3DERR_INVALIDCALL;
  if (HRESULT hr = Surface->GetDevice(&Device); FAILED(hr)) return hr;
  return FakeOf(Device.Get()) ? D3D_OK : D3DERR_INVALIDCALL;
}

}  // namespace

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* pDevice, const char* pSrcFile, UINT Width,
                                     UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                     D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                     D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                     IDirect3DTexture9** ppTexture) {
  if (ppTexture) *ppTexture = nullptr;
  FakeDevice9Base* fake = FakeOf(pDevice);
  if (!fake || !pSrcFile || !ppTexture) return D3DERR_INVALIDCALL;
  return fake->D3DXCreateTextureFromFileEx(pSrcFile, Width, Height, MipLevels, Usage, Format, Pool,
                                           Filter, MipFilter, ColorKey, pSrcInfo, pPalette,
                                           ppTexture);
}

HRESULT D3DXCreateTextureFromResourceExA(IDirect3DDevice9* pDevice, HMODULE hSrcModule,
                                         const char* pSrcResource, UINT Width, UINT Height,
                                         UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                         D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                         D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                         PALETTEENTRY* pPalette, IDirect3DTexture9** ppTexture) {
  if (ppTexture) *ppTexture = nullptr;
  FakeDevice9Base* fake = FakeOf(pDevice);
  if (!fake || !pSrcResource || !ppTexture) return D3DERR_INVALIDCALL;
  return fake->D3DXCreateTextureFromResourceEx(hSrcModule, pSrcResource, Width, Height, MipLevels,
                                               Usage, Format, Pool, Filter, MipFilter, ColorKey,
                                               pSrcInfo, pPalette, ppTexture);
}

HRESULT D3DXLoadSurfaceFromFileA(IDirect3DSurface9* pDestSurface, const PALETTEENTRY* pDestPalette,
                                 const RECT* pDestRect, const char* pSrcFile, const RECT* pSrcRect,
                                 DWORD Filter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo) {
  if (!pSrcFile) return D3DERR_INVALIDCALL;
  Ref<IDirect3DDevice9> device;
  if (HRESULT hr = SurfaceDevice(pDestSurface, device); FAILED(hr)) return hr;
  return FakeOf(device.Get())
      ->D3DXLoadSurfaceFromFile(pDestSurface, pDestPalette, pDestRect, pSrcFile, pSrcRect, Filter,
                                ColorKey, pSrcInfo);
}

HRESULT D3DXLoadSurfaceFromResourceA(IDirect3DSurface9* pDestSurface,
                                     const PALETTEENTRY* pDestPalette, const RECT* pDestRect,
                                     HMODULE hSrcModule, const char* pSrcResource,
                                     const RECT* pSrcRect, DWORD Filter, D3DCOLOR ColorKey,
                                     D3DXIMAGE_INFO* pSrcInfo) {
  if (!pSrcResource) return D3DERR_INVALIDCALL;
  Ref<IDirect3DDevice9> device;
  if (HRESULT hr = SurfaceDevice(pDestSurface, device); FAILED(hr)) return hr;
  return FakeOf(device.Get())
      ->D3DXLoadSurfaceFromResource(pDestSurface, pDestPalette, pDestRect, hSrcModule, pSrcResource,
                                    pSrcRect, Filter, ColorKey, pSrcInfo);
}

HRESULT D3DXCreateFont(IDirect3DDevice9* pDevice, HFONT hFont, ID3DXFont** ppFont) {
  if (ppFont) *ppFont = nullptr;
  FakeDevice9Base* fake = FakeOf(pDevice);
  if (!fake || !ppFont) return D3DERR_INVALIDCALL;
  D3DXFONT_DESCA desc;
  if (!D3DXResolveFont(hFont, &desc)) return E_FAIL;
  return fake->D3DXCreateFontIndirect(&desc, ppFont);
}

HRESULT D3DXCreateFontIndirectA(IDirect3DDevice9* pDevice, const D3DXFONT_DESCA* pDesc,
                                ID3DXFont** ppFont) {
  if (ppFont) *ppFont = nullptr;
  FakeDevice9Base* fake = FakeOf(pDevice);
  if (!fake || !pDesc || !ppFont) return D3DERR_INVALIDCALL;
  return fake->D3DXCreateFontIndirect(pDesc, ppFont);
}

HRESULT D3DXCreateSprite(IDirect3DDevice9* pDevice, ID3DXSprite** ppSprite) {
  if (ppSprite) *ppSprite = nullptr;
  FakeDevice9Base* fake = FakeOf(pDevice);
  if (!fake || !ppSprite) return D3DERR_INVALIDCALL;
  return fake->D3DXCreateSprite(ppSprite);
}
