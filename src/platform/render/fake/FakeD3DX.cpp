// The D3DX free functions for test programs that draw on the fake: a thin recording layer over
// our D3DX. Each call is logged as the engine made it and can be failed on request; then our
// D3DX serves it over the fake device, with the images a test scripts (FakeImages) and the
// fake's glyph measures (FakeGlyphs), and what it does on the device stays out of the log. The
// font and sprite it makes come wrapped in the same layer (FakeFont, FakeSprite). A test
// program links either this or the program's D3DX, never both; a device that is not the fake's
// is refused.
#include "platform/render/d3dx/D3DXLibrary.h"
#include "platform/render/d3dx/D3DXResources.h"
#include "platform/render/fake/FakeDevice9.h"
#include "platform/render/fake/FakeFont.h"
#include "platform/render/fake/FakeGlyphs.h"
#include "platform/render/fake/FakeImages.h"
#include "platform/render/fake/FakeNames.h"
#include "platform/render/fake/FakeSprite.h"
#include "platform/render/fake/FakeSurface9.h"
#include "platform/render/fake/FakeTexture9.h"

namespace {

FakeDevice9* FakeOf(IDirect3DDevice9* Device) {
  return dynamic_cast<FakeDevice9*>(Device);
}

// The fake device that made a surface.
FakeDevice9* FakeOf(IDirect3DSurface9* Surface) {
  Ref<IDirect3DDevice9> device;
  if (!Surface || FAILED(Surface->GetDevice(&device))) return nullptr;
  return FakeOf(device.Get());
}

std::string SizeArg(UINT Value) {
  if (Value == D3DX_DEFAULT) return "D3DX_DEFAULT";
  if (Value == D3DX_DEFAULT_NONPOW2) return "D3DX_DEFAULT_NONPOW2";
  if (Value == D3DX_FROM_FILE) return "D3DX_FROM_FILE";
  return std::to_string(Value);
}

// Appended piece by piece: GCC 12's -Wrestrict takes "literal" + std::string for an overlapping
// copy in an optimised build (the package's).
std::string Quoted(const char* Text) {
  std::string Out = "\"";
  Out += Text;
  Out += '"';
  return Out;
}

// Logs the call, then lets our D3DX serve it quietly with the device's scripted images.
template <class Work>
HRESULT Serve(FakeDevice9& Device, const std::string& Method, std::string Args, Work&& DoIt) {
  FakeRecorder& recorder = Device.Recorder();
  auto call = recorder.Enter(Method, std::move(Args));
  if (call.Failed()) return call.Injected();
  HRESULT result;
  {
    auto quiet = recorder.Quiet();
    const FakeImages images(Device.Machine());
    result = DoIt(D3DXLibrary(images, FakeGlyphs::Make));
  }
  return call.Return(result);
}

// What the log shows of the texture or surface a loader filled.
void NoteLoaded(IDirect3DTexture9* Texture, const char* Name, D3DCOLOR ColorKey) {
  if (auto* fake = dynamic_cast<FakeTexture9*>(Texture)) {
    fake->LoadedFrom = Name;
    fake->ColorKey = ColorKey;
  }
}

void NoteLoaded(IDirect3DSurface9* Surface, const char* Name) {
  if (auto* fake = dynamic_cast<FakeSurface9*>(Surface)) fake->LoadedFrom = Name;
}

}  // namespace

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* pDevice, const char* pSrcFile, UINT Width,
                                     UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                     D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                     D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY*,
                                     IDirect3DTexture9** ppTexture) {
  if (ppTexture) *ppTexture = nullptr;
  FakeDevice9* fake = FakeOf(pDevice);
  if (!fake || !pSrcFile || !ppTexture) return D3DERR_INVALIDCALL;
  const HRESULT result = Serve(*fake, "D3DXCreateTextureFromFileEx",
                               FakeArgs(Quoted(pSrcFile), SizeArg(Width), SizeArg(Height),
                                        SizeArg(MipLevels), FakeHex(Usage), FakeFormatName(Format),
                                        FakePoolName(Pool), Filter, MipFilter, FakeHex(ColorKey)),
                               [&](const D3DXLibrary& d3dx) {
                                 return d3dx.TextureFromFile(
                                     pDevice, pSrcFile, Width, Height, MipLevels, Usage, Format,
                                     Pool, Filter, MipFilter, ColorKey, pSrcInfo, ppTexture);
                               });
  if (SUCCEEDED(result)) NoteLoaded(*ppTexture, pSrcFile, ColorKey);
  return result;
}

HRESULT D3DXCreateTextureFromResourceExA(IDirect3DDevice9* pDevice, HMODULE hSrcModule,
                                         const char* pSrcResource, UINT Width, UINT Height,
                                         UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                         D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                         D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY*,
                                         IDirect3DTexture9** ppTexture) {
  if (ppTexture) *ppTexture = nullptr;
  FakeDevice9* fake = FakeOf(pDevice);
  if (!fake || !pSrcResource || !ppTexture) return D3DERR_INVALIDCALL;
  const HRESULT result =
      Serve(*fake, "D3DXCreateTextureFromResourceEx",
            FakeArgs(FakeHandleHex(hSrcModule), Quoted(pSrcResource), SizeArg(Width),
                     SizeArg(Height), SizeArg(MipLevels), FakeHex(Usage), FakeFormatName(Format),
                     FakePoolName(Pool), Filter, MipFilter, FakeHex(ColorKey)),
            [&](const D3DXLibrary& d3dx) {
              return d3dx.TextureFromResource(pDevice, hSrcModule, pSrcResource, Width, Height,
                                              MipLevels, Usage, Format, Pool, Filter, MipFilter,
                                              ColorKey, pSrcInfo, ppTexture);
            });
  if (SUCCEEDED(result)) NoteLoaded(*ppTexture, pSrcResource, ColorKey);
  return result;
}

HRESULT D3DXLoadSurfaceFromFileA(IDirect3DSurface9* pDestSurface, const PALETTEENTRY*,
                                 const RECT* pDestRect, const char* pSrcFile, const RECT* pSrcRect,
                                 DWORD Filter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo) {
  FakeDevice9* fake = FakeOf(pDestSurface);
  if (!fake || !pSrcFile) return D3DERR_INVALIDCALL;
  const HRESULT result =
      Serve(*fake, "D3DXLoadSurfaceFromFile",
            FakeArgs(FakeLabel(pDestSurface), pDestRect ? "rect" : "null", Quoted(pSrcFile),
                     pSrcRect ? "rect" : "null", Filter, FakeHex(ColorKey)),
            [&](const D3DXLibrary& d3dx) {
              return d3dx.SurfaceFromFile(pDestSurface, pDestRect, pSrcFile, pSrcRect, Filter,
                                          ColorKey, pSrcInfo);
            });
  if (SUCCEEDED(result)) NoteLoaded(pDestSurface, pSrcFile);
  return result;
}

HRESULT D3DXLoadSurfaceFromResourceA(IDirect3DSurface9* pDestSurface, const PALETTEENTRY*,
                                     const RECT* pDestRect, HMODULE hSrcModule,
                                     const char* pSrcResource, const RECT* pSrcRect, DWORD Filter,
                                     D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo) {
  FakeDevice9* fake = FakeOf(pDestSurface);
  if (!fake || !pSrcResource) return D3DERR_INVALIDCALL;
  const HRESULT result = Serve(
      *fake, "D3DXLoadSurfaceFromResource",
      FakeArgs(FakeLabel(pDestSurface), pDestRect ? "rect" : "null", FakeHandleHex(hSrcModule),
               Quoted(pSrcResource), pSrcRect ? "rect" : "null", Filter, FakeHex(ColorKey)),
      [&](const D3DXLibrary& d3dx) {
        return d3dx.SurfaceFromResource(pDestSurface, pDestRect, hSrcModule, pSrcResource, pSrcRect,
                                        Filter, ColorKey, pSrcInfo);
      });
  if (SUCCEEDED(result)) NoteLoaded(pDestSurface, pSrcResource);
  return result;
}

HRESULT D3DXCreateFontIndirectA(IDirect3DDevice9* pDevice, const D3DXFONT_DESCA* pDesc,
                                ID3DXFont** ppFont) {
  if (ppFont) *ppFont = nullptr;
  FakeDevice9* fake = FakeOf(pDevice);
  if (!fake || !pDesc || !ppFont) return D3DERR_INVALIDCALL;
  Ref<ID3DXFont> font;
  const HRESULT result =
      Serve(*fake, "D3DXCreateFontIndirect",
            FakeArgs(Quoted(pDesc->FaceName), pDesc->Height, pDesc->Weight,
                     pDesc->Italic ? "italic" : "upright"),
            [&](const D3DXLibrary& d3dx) { return d3dx.Font(pDevice, pDesc, &font); });
  if (SUCCEEDED(result)) *ppFont = MakeRef<FakeFont>(fake, std::move(font)).Detach();
  return result;
}

HRESULT D3DXCreateFont(IDirect3DDevice9* pDevice, HFONT hFont, ID3DXFont** ppFont) {
  if (ppFont) *ppFont = nullptr;
  if (!FakeOf(pDevice) || !ppFont) return D3DERR_INVALIDCALL;
  D3DXFONT_DESCA desc;
  if (!D3DXResolveFont(hFont, &desc)) return E_FAIL;
  return D3DXCreateFontIndirectA(pDevice, &desc, ppFont);
}

HRESULT D3DXCreateSprite(IDirect3DDevice9* pDevice, ID3DXSprite** ppSprite) {
  if (ppSprite) *ppSprite = nullptr;
  FakeDevice9* fake = FakeOf(pDevice);
  if (!fake || !ppSprite) return D3DERR_INVALIDCALL;
  Ref<ID3DXSprite> sprite;
  const HRESULT result = Serve(*fake, "D3DXCreateSprite", "", [&](const D3DXLibrary& d3dx) {
    return d3dx.Sprite(pDevice, &sprite);
  });
  if (SUCCEEDED(result)) *ppSprite = MakeRef<FakeSprite>(fake, std::move(sprite)).Detach();
  return result;
}
