// The D3DX free functions on Windows, over the real device: images decoded by WicImage, sized,
// keyed and mip-mapped by Image32's steps as the GL backend does, then written through
// LockRect; fonts and sprites are Win32Font9 and Win32Sprite9.
#include <algorithm>
#include <cstring>

#include "platform/render/d3dx9.h"
#include "platform/render/d3dxresources.h"
#include "platform/render/win32/WicImage.h"
#include "platform/render/win32/Win32Font9.h"
#include "platform/render/win32/Win32Sprite9.h"

namespace {

HRESULT ResultOf(ImageResult r) {
  return r == ImageResult::Ok        ? D3D_OK
         : r == ImageResult::Missing ? D3DERR_NOTAVAILABLE
                                     : D3DXERR_INVALIDDATA;
}

// A registered resource, else an RCDATA resource of the module (0: the program).
ImageResult DecodeResource(HMODULE module, const char* name, DecodedImage32& out) {
  if (const std::vector<BYTE>* bytes = D3DXFindResource(name))
    return DecodeImageBytes(bytes->data(), bytes->size(), out);
  HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return ImageResult::Invalid;
  return DecodeImageBytes(static_cast<const std::uint8_t*>(data), SizeofResource(module, found),
                          out);
}

D3DXIMAGE_INFO InfoOf(const DecodedImage32& d) {
  D3DXIMAGE_INFO info{};
  info.Width = d.Image.Width;
  info.Height = d.Image.Height;
  info.Depth = 1;
  info.MipLevels = 1;
  info.ResourceType = D3DRTYPE_TEXTURE;
  switch (d.Kind) {
    case ImageFileKind::Bmp:
      info.ImageFileFormat = D3DXIFF_BMP;
      break;
    case ImageFileKind::Jpeg:
      info.ImageFileFormat = D3DXIFF_JPG;
      break;
    case ImageFileKind::Png:
      info.ImageFileFormat = D3DXIFF_PNG;
      break;
    case ImageFileKind::Targa:
      info.ImageFileFormat = D3DXIFF_TGA;
      break;
  }
  if (d.HasAlpha)
    info.Format = D3DFMT_A8R8G8B8;
  else if (d.BitsPerPixel == 24 && d.Kind != ImageFileKind::Jpeg)
    info.Format = D3DFMT_R8G8B8;  // a 24-bit bitmap or Targa; JPEG reads as X8R8G8B8
  else
    info.Format = D3DFMT_X8R8G8B8;
  return info;
}

UINT NextPow2(UINT v) {
  UINT p = 1;
  while (p < v) p <<= 1;
  return p;
}

bool Nearest(DWORD filter) {
  const DWORD kind = filter & 0xFF;
  return kind == D3DX_FILTER_NONE || kind == D3DX_FILTER_POINT;
}

std::uint16_t Pack(std::uint32_t argb, int a, int r, int g, int b) {
  auto field = [argb](int shift, int bits) {
    return bits ? ((argb >> shift) & 0xFF) >> (8 - bits) : 0u;
  };
  return static_cast<std::uint16_t>(field(24, a) << (r + g + b) | field(16, r) << (g + b) |
                                    field(8, g) << b | field(0, b));
}

// One row of A8R8G8B8 pixels into a locked row of the given format; false for a format the
// loaders do not write.
bool WriteRow(const std::uint32_t* src, void* dst, UINT count, D3DFORMAT format) {
  auto* d16 = static_cast<std::uint16_t*>(dst);
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
      std::memcpy(dst, src, count * 4);
      return true;
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
      for (UINT i = 0; i < count; ++i) d16[i] = Pack(src[i], 4, 4, 4, 4);
      return true;
    case D3DFMT_R5G6B5:
      for (UINT i = 0; i < count; ++i) d16[i] = Pack(src[i], 0, 5, 6, 5);
      return true;
    case D3DFMT_A1R5G5B5:
    case D3DFMT_X1R5G5B5:
      for (UINT i = 0; i < count; ++i) d16[i] = Pack(src[i], 1, 5, 5, 5);
      return true;
    default:
      return false;
  }
}

HRESULT WriteSurface(IDirect3DSurface9* surface, const RECT* rect, const Image32& image) {
  D3DSURFACE_DESC desc;
  if (HRESULT hr = surface->GetDesc(&desc); FAILED(hr)) return hr;
  D3DLOCKED_RECT locked;
  if (HRESULT hr = surface->LockRect(&locked, rect, 0); FAILED(hr)) return hr;
  bool written = true;
  for (UINT y = 0; y < image.Height && written; ++y)
    written = WriteRow(&image.Pixels[std::size_t{y} * image.Width],
                       static_cast<BYTE*>(locked.pBits) + y * static_cast<UINT>(locked.Pitch),
                       image.Width, desc.Format);
  surface->UnlockRect();
  return written ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT TextureFromImage(IDirect3DDevice9* device, DecodedImage32& d, UINT Width, UINT Height,
                         UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                         DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                         IDirect3DTexture9** ppTexture) {
  if (pSrcInfo) *pSrcInfo = InfoOf(d);
  auto size = [](UINT requested, UINT image) {
    if (requested == D3DX_DEFAULT_NONPOW2 || requested == D3DX_FROM_FILE) return image;
    if (requested == 0 || requested == D3DX_DEFAULT) return NextPow2(image);
    return requested;
  };
  const UINT w = size(Width, d.Image.Width), h = size(Height, d.Image.Height);
  const UINT levels = MipLevels == D3DX_FROM_FILE ? 1 : MipLevels == D3DX_DEFAULT ? 0 : MipLevels;
  D3DFORMAT format = Format;
  if (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8 && format != D3DFMT_A4R4G4B4 &&
      format != D3DFMT_X4R4G4B4 && format != D3DFMT_R5G6B5 && format != D3DFMT_A1R5G5B5 &&
      format != D3DFMT_X1R5G5B5)
    format = (d.HasAlpha || ColorKey != 0) ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
  if (Filter == D3DX_DEFAULT) Filter = D3DX_FILTER_TRIANGLE;
  if (MipFilter == D3DX_DEFAULT) MipFilter = D3DX_FILTER_BOX;
  ApplyColorKey(d.Image, ColorKey);
  IDirect3DTexture9* texture = nullptr;
  if (HRESULT hr = device->CreateTexture(w, h, levels, Usage & D3DUSAGE_DYNAMIC, format, Pool,
                                         &texture, nullptr);
      FAILED(hr))
    return hr;
  Image32 level = ResampleImage(d.Image, w, h, Nearest(Filter));
  HRESULT hr = D3D_OK;
  for (UINT i = 0; i < texture->GetLevelCount() && SUCCEEDED(hr); ++i) {
    if (i > 0) level = NextMipLevel(level, Nearest(MipFilter));
    IDirect3DSurface9* surface = nullptr;
    hr = texture->GetSurfaceLevel(i, &surface);
    if (SUCCEEDED(hr)) {
      hr = WriteSurface(surface, nullptr, level);
      surface->Release();
    }
  }
  if (FAILED(hr)) {
    texture->Release();
    return hr;
  }
  *ppTexture = texture;  // with the reference CreateTexture gave
  return D3D_OK;
}

HRESULT SurfaceFromImage(IDirect3DSurface9* dest, const RECT* destRect, DecodedImage32& d,
                         const RECT* srcRect, DWORD Filter, D3DCOLOR ColorKey,
                         D3DXIMAGE_INFO* pSrcInfo) {
  if (pSrcInfo) *pSrcInfo = InfoOf(d);
  D3DSURFACE_DESC desc;
  if (HRESULT hr = dest->GetDesc(&desc); FAILED(hr)) return hr;
  RECT dr{0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
  if (destRect) dr = *destRect;
  Image32 src = std::move(d.Image);
  if (srcRect) {
    const RECT r = *srcRect;
    if (r.left < 0 || r.top < 0 || r.right > static_cast<LONG>(src.Width) ||
        r.bottom > static_cast<LONG>(src.Height) || r.right <= r.left || r.bottom <= r.top)
      return D3DERR_INVALIDCALL;
    Image32 part(static_cast<std::uint32_t>(r.right - r.left),
                 static_cast<std::uint32_t>(r.bottom - r.top));
    for (std::uint32_t y = 0; y < part.Height; ++y)
      for (std::uint32_t x = 0; x < part.Width; ++x)
        part.At(x, y) =
            src.At(x + static_cast<std::uint32_t>(r.left), y + static_cast<std::uint32_t>(r.top));
    src = std::move(part);
  }
  ApplyColorKey(src, ColorKey);
  if (Filter == D3DX_DEFAULT) Filter = D3DX_FILTER_TRIANGLE;
  const UINT w = static_cast<UINT>(dr.right - dr.left), h = static_cast<UINT>(dr.bottom - dr.top);
  if ((Filter & 0xFF) == D3DX_FILTER_NONE) {
    // No filtering: copied as it is, cropped to the destination.
    Image32 cropped(w, h);
    for (UINT y = 0; y < std::min(src.Height, h); ++y)
      for (UINT x = 0; x < std::min(src.Width, w); ++x) cropped.At(x, y) = src.At(x, y);
    src = std::move(cropped);
  } else {
    src = ResampleImage(src, w, h, Nearest(Filter));
  }
  return WriteSurface(dest, destRect, src);
}

}  // namespace

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* pDevice, const char* pSrcFile, UINT Width,
                                     UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                     D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                     D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY*,
                                     IDirect3DTexture9** ppTexture) {
  if (ppTexture) *ppTexture = nullptr;
  if (!pDevice || !pSrcFile || !ppTexture) return D3DERR_INVALIDCALL;
  DecodedImage32 d;
  if (HRESULT hr = ResultOf(DecodeImageFile(pSrcFile, d)); FAILED(hr)) return hr;
  return TextureFromImage(pDevice, d, Width, Height, MipLevels, Usage, Format, Pool, Filter,
                          MipFilter, ColorKey, pSrcInfo, ppTexture);
}

HRESULT D3DXCreateTextureFromResourceExA(IDirect3DDevice9* pDevice, HMODULE hSrcModule,
                                         const char* pSrcResource, UINT Width, UINT Height,
                                         UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                         D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                         D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY*,
                                         IDirect3DTexture9** ppTexture) {
  if (ppTexture) *ppTexture = nullptr;
  if (!pDevice || !pSrcResource || !ppTexture) return D3DERR_INVALIDCALL;
  DecodedImage32 d;
  if (DecodeResource(hSrcModule, pSrcResource, d) != ImageResult::Ok) return D3DXERR_INVALIDDATA;
  return TextureFromImage(pDevice, d, Width, Height, MipLevels, Usage, Format, Pool, Filter,
                          MipFilter, ColorKey, pSrcInfo, ppTexture);
}

HRESULT D3DXLoadSurfaceFromFileA(IDirect3DSurface9* pDestSurface, const PALETTEENTRY*,
                                 const RECT* pDestRect, const char* pSrcFile, const RECT* pSrcRect,
                                 DWORD Filter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo) {
  if (!pDestSurface || !pSrcFile) return D3DERR_INVALIDCALL;
  DecodedImage32 d;
  if (HRESULT hr = ResultOf(DecodeImageFile(pSrcFile, d)); FAILED(hr)) return hr;
  return SurfaceFromImage(pDestSurface, pDestRect, d, pSrcRect, Filter, ColorKey, pSrcInfo);
}

HRESULT D3DXLoadSurfaceFromResourceA(IDirect3DSurface9* pDestSurface, const PALETTEENTRY*,
                                     const RECT* pDestRect, HMODULE hSrcModule,
                                     const char* pSrcResource, const RECT* pSrcRect, DWORD Filter,
                                     D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo) {
  if (!pDestSurface || !pSrcResource) return D3DERR_INVALIDCALL;
  DecodedImage32 d;
  if (DecodeResource(hSrcModule, pSrcResource, d) != ImageResult::Ok) return D3DXERR_INVALIDDATA;
  return SurfaceFromImage(pDestSurface, pDestRect, d, pSrcRect, Filter, ColorKey, pSrcInfo);
}

HRESULT D3DXCreateFont(IDirect3DDevice9* pDevice, HFONT hFont, ID3DXFont** ppFont) {
  if (ppFont) *ppFont = nullptr;
  if (!pDevice || !ppFont) return D3DERR_INVALIDCALL;
  D3DXFONT_DESCA desc;
  if (!D3DXResolveFont(hFont, &desc)) return E_FAIL;
  return Win32Font9::Create(pDevice, desc, ppFont);
}

HRESULT D3DXCreateFontIndirectA(IDirect3DDevice9* pDevice, const D3DXFONT_DESCA* pDesc,
                                ID3DXFont** ppFont) {
  if (ppFont) *ppFont = nullptr;
  if (!pDevice || !pDesc || !ppFont) return D3DERR_INVALIDCALL;
  return Win32Font9::Create(pDevice, *pDesc, ppFont);
}

HRESULT D3DXCreateSprite(IDirect3DDevice9* pDevice, ID3DXSprite** ppSprite) {
  if (ppSprite) *ppSprite = nullptr;
  if (!pDevice || !ppSprite) return D3DERR_INVALIDCALL;
  Ref<ID3DXSprite> sprite(new Win32Sprite9(pDevice));
  *ppSprite = sprite.Detach();
  return D3D_OK;
}
