#include "platform/render/d3dx/D3DXLibrary.h"

#include <algorithm>
#include <cstring>

#include "platform/render/d3dx/D3DXFont9.h"
#include "platform/render/d3dx/D3DXResources.h"
#include "platform/render/d3dx/D3DXSprite9.h"
#include "platform/render/d3dx/PixelRows.h"

namespace {

UINT NextPow2(UINT v) {
  UINT p = 1;
  while (p < v) p <<= 1;
  return p;
}

// The low bits choose the filter; the mirror and dither flags are ignored.
bool Nearest(DWORD filter) {
  const DWORD kind = filter & 0xFF;
  return kind == D3DX_FILTER_NONE || kind == D3DX_FILTER_POINT;
}

void WriteRows(void* bits, INT pitch, const Image32& image, D3DFORMAT format) {
  for (UINT y = 0; y < image.Height; ++y)
    ConvertRowFromArgb32(image.Row(y), static_cast<BYTE*>(bits) + y * static_cast<UINT>(pitch),
                         image.Width, format);
}

HRESULT TextureFromImage(IDirect3DDevice9* device, DecodedImage& d, UINT Width, UINT Height,
                         UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                         DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                         IDirect3DTexture9** ppTexture) {
  if (pSrcInfo) *pSrcInfo = d.Info;
  auto size = [](UINT requested, UINT image) {
    if (requested == D3DX_DEFAULT_NONPOW2 || requested == D3DX_FROM_FILE) return image;
    if (requested == 0 || requested == D3DX_DEFAULT) return NextPow2(image);
    return requested;
  };
  const UINT w = size(Width, d.Image.Width), h = size(Height, d.Image.Height);
  const UINT levels = MipLevels == D3DX_FROM_FILE ? 1 : MipLevels == D3DX_DEFAULT ? 0 : MipLevels;
  const D3DFORMAT format = ArgbConvertible(Format)         ? Format
                           : (d.HasAlpha || ColorKey != 0) ? D3DFMT_A8R8G8B8
                                                           : D3DFMT_X8R8G8B8;
  if (Filter == D3DX_DEFAULT) Filter = D3DX_FILTER_TRIANGLE;
  if (MipFilter == D3DX_DEFAULT) MipFilter = D3DX_FILTER_BOX;
  ApplyColorKey(d.Image, ColorKey);
  Ref<IDirect3DTexture9> texture;
  if (HRESULT hr = device->CreateTexture(w, h, levels, Usage & D3DUSAGE_DYNAMIC, format, Pool,
                                         &texture, nullptr);
      FAILED(hr))
    return hr;
  Image32 level = ResampleImage(d.Image, w, h, Nearest(Filter));
  for (UINT i = 0; i < texture->GetLevelCount(); ++i) {
    if (i > 0) level = NextMipLevel(level, Nearest(MipFilter));
    D3DLOCKED_RECT locked;
    if (HRESULT hr = texture->LockRect(i, &locked, nullptr, 0); FAILED(hr)) return hr;
    WriteRows(locked.pBits, locked.Pitch, level, format);
    texture->UnlockRect(i);
  }
  *ppTexture = texture.Detach();
  return D3D_OK;
}

HRESULT SurfaceFromImage(IDirect3DSurface9* dest, const RECT* destRect, DecodedImage& d,
                         const RECT* srcRect, DWORD Filter, D3DCOLOR ColorKey,
                         D3DXIMAGE_INFO* pSrcInfo) {
  if (pSrcInfo) *pSrcInfo = d.Info;
  D3DSURFACE_DESC desc;
  if (HRESULT hr = dest->GetDesc(&desc); FAILED(hr)) return hr;
  if (!ArgbConvertible(desc.Format)) return D3DERR_INVALIDCALL;
  RECT dr{0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
  if (destRect) dr = *destRect;
  Image32 src = std::move(d.Image);
  if (srcRect) {
    const RECT r = *srcRect;
    if (r.left < 0 || r.top < 0 || r.right > static_cast<LONG>(src.Width) ||
        r.bottom > static_cast<LONG>(src.Height) || r.right <= r.left || r.bottom <= r.top)
      return D3DERR_INVALIDCALL;
    src = CropImage(src, static_cast<std::uint32_t>(r.left), static_cast<std::uint32_t>(r.top),
                    static_cast<std::uint32_t>(r.right), static_cast<std::uint32_t>(r.bottom));
  }
  ApplyColorKey(src, ColorKey);
  if (Filter == D3DX_DEFAULT) Filter = D3DX_FILTER_TRIANGLE;
  const UINT w = static_cast<UINT>(dr.right - dr.left), h = static_cast<UINT>(dr.bottom - dr.top);
  if ((Filter & 0xFF) == D3DX_FILTER_NONE) {
    // No filtering: copied as it is, cropped to the destination.
    Image32 cropped(w, h);
    for (UINT y = 0; y < std::min(src.Height, h); ++y)
      std::copy_n(src.Row(y), std::min(src.Width, w), &cropped.At(0, y));
    src = std::move(cropped);
  } else {
    src = ResampleImage(src, w, h, Nearest(Filter));
  }
  D3DLOCKED_RECT locked;
  if (HRESULT hr = dest->LockRect(&locked, destRect, 0); FAILED(hr)) return hr;
  WriteRows(locked.pBits, locked.Pitch, src, desc.Format);
  dest->UnlockRect();
  return D3D_OK;
}

}  // namespace

HRESULT D3DXLibrary::TextureFromFile(IDirect3DDevice9* pDevice, const char* pSrcFile, UINT Width,
                                     UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                     D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                     D3DXIMAGE_INFO* pSrcInfo,
                                     IDirect3DTexture9** ppTexture) const {
  if (ppTexture) *ppTexture = nullptr;
  if (!pDevice || !pSrcFile || !ppTexture) return D3DERR_INVALIDCALL;
  DecodedImage d;
  if (HRESULT hr = images_.DecodeFile(pSrcFile, &d); FAILED(hr)) return hr;
  return TextureFromImage(pDevice, d, Width, Height, MipLevels, Usage, Format, Pool, Filter,
                          MipFilter, ColorKey, pSrcInfo, ppTexture);
}

HRESULT D3DXLibrary::TextureFromResource(IDirect3DDevice9* pDevice, HMODULE hSrcModule,
                                         const char* pSrcResource, UINT Width, UINT Height,
                                         UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                         D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                         D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                         IDirect3DTexture9** ppTexture) const {
  if (ppTexture) *ppTexture = nullptr;
  if (!pDevice || !pSrcResource || !ppTexture) return D3DERR_INVALIDCALL;
  DecodedImage d;
  if (FAILED(images_.DecodeResource(hSrcModule, pSrcResource, &d))) return D3DXERR_INVALIDDATA;
  return TextureFromImage(pDevice, d, Width, Height, MipLevels, Usage, Format, Pool, Filter,
                          MipFilter, ColorKey, pSrcInfo, ppTexture);
}

HRESULT D3DXLibrary::SurfaceFromFile(IDirect3DSurface9* pDestSurface, const RECT* pDestRect,
                                     const char* pSrcFile, const RECT* pSrcRect, DWORD Filter,
                                     D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo) const {
  if (!pDestSurface || !pSrcFile) return D3DERR_INVALIDCALL;
  DecodedImage d;
  if (HRESULT hr = images_.DecodeFile(pSrcFile, &d); FAILED(hr)) return hr;
  return SurfaceFromImage(pDestSurface, pDestRect, d, pSrcRect, Filter, ColorKey, pSrcInfo);
}

HRESULT D3DXLibrary::SurfaceFromResource(IDirect3DSurface9* pDestSurface, const RECT* pDestRect,
                                         HMODULE hSrcModule, const char* pSrcResource,
                                         const RECT* pSrcRect, DWORD Filter, D3DCOLOR ColorKey,
                                         D3DXIMAGE_INFO* pSrcInfo) const {
  if (!pDestSurface || !pSrcResource) return D3DERR_INVALIDCALL;
  DecodedImage d;
  if (FAILED(images_.DecodeResource(hSrcModule, pSrcResource, &d))) return D3DXERR_INVALIDDATA;
  return SurfaceFromImage(pDestSurface, pDestRect, d, pSrcRect, Filter, ColorKey, pSrcInfo);
}

HRESULT D3DXLibrary::FontFromHandle(IDirect3DDevice9* pDevice, HFONT hFont,
                                    ID3DXFont** ppFont) const {
  if (ppFont) *ppFont = nullptr;
  if (!pDevice || !ppFont) return D3DERR_INVALIDCALL;
  D3DXFONT_DESCA desc;
  if (!D3DXResolveFont(hFont, &desc)) return E_FAIL;
  return Font(pDevice, &desc, ppFont);
}

HRESULT D3DXLibrary::Font(IDirect3DDevice9* pDevice, const D3DXFONT_DESCA* pDesc,
                          ID3DXFont** ppFont) const {
  if (ppFont) *ppFont = nullptr;
  if (!pDevice || !pDesc || !ppFont) return D3DERR_INVALIDCALL;
  return D3DXFont9::Create(pDevice, *pDesc, glyphs_(*pDesc), ppFont);
}

HRESULT D3DXLibrary::Sprite(IDirect3DDevice9* pDevice, ID3DXSprite** ppSprite) const {
  if (ppSprite) *ppSprite = nullptr;
  if (!pDevice || !ppSprite) return D3DERR_INVALIDCALL;
  return D3DXSprite9::Create(pDevice, ppSprite);
}
