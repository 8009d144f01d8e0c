#include "engine/TWCursor.h"

#include <filesystem>

#include "engine/FindMediaFile.h"
#include "engine/TW9DirectX.h"
#include "platform/render/d3dx9.h"

void TWCursor::SetHotSpotX(int Value) {
  if (Value == FHotSpotX) return;
  FHotSpotX = Value;
  Load();
}

void TWCursor::SetHotSpotY(int Value) {
  if (Value == FHotSpotY) return;
  FHotSpotY = Value;
  Load();
}

void TWCursor::SetFilename(const std::string& Value) {
  if (Value == FFilename) return;
  FFilename = Value;
  Load();
}

void TWCursor::SetColorKey(TColor Value) {
  if (Value == FColorKey) return;
  FColorKey = Value;
  Load();
}

HRESULT TWCursor::LoadWith(const std::string& Source, bool FromResource, bool& Found) {
  Found = false;
  IDirect3DDevice9* device = FDX->Device();
  if (!device) return E_FAIL;
  const D3DCOLOR key = FColorKey | 0xFF000000u;
  auto load = [&](IDirect3DSurface9* surface, D3DXIMAGE_INFO* info) {
    return FromResource ? D3DXLoadSurfaceFromResourceA(surface, nullptr, nullptr, 0, Source.c_str(),
                                                       nullptr, D3DX_FILTER_NONE, key, info)
                        : D3DXLoadSurfaceFromFileA(surface, nullptr, nullptr, Source.c_str(),
                                                   nullptr, D3DX_FILTER_NONE, key, info);
  };
  // A 1 x 1 surface first, to learn the image's size.
  Ref<IDirect3DSurface9> surface;
  HRESULT hr = device->CreateOffscreenPlainSurface(1, 1, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &surface,
                                                   nullptr);
  if (FAILED(hr)) return hr;
  D3DXIMAGE_INFO info{};
  hr = load(surface.Get(), &info);
  surface = nullptr;
  if (FAILED(hr)) return hr;
  Found = true;
  hr = device->CreateOffscreenPlainSurface(info.Width, info.Height, D3DFMT_A8R8G8B8,
                                           D3DPOOL_DEFAULT, &surface, nullptr);
  if (FAILED(hr)) return hr;
  hr = load(surface.Get(), nullptr);
  if (SUCCEEDED(hr))
    hr = device->SetCursorProperties(static_cast<UINT>(FHotSpotX), static_cast<UINT>(FHotSpotY),
                                     surface.Get());
  surface = nullptr;
  if (FAILED(hr)) return hr;
  device->ShowCursor(TRUE);
  return S_OK;
}

HRESULT TWCursor::Load() {
  if (!FDX->Started()) return S_OK;
  if (FDX->Windowed() ? !FDX->ShowCursorWhenWindow : !FDX->ShowCursorWhenFullscreen) return S_OK;

  bool found = false;
  const HRESULT fromResource = LoadWith(ExtractFileStem(ExtractFileName(FFilename)), true, found);
  if (found) return fromResource;

  const std::string path =
      HasDrive(FFilename) ? NativePath(FFilename) : ApplicationDir() + NativePath(FFilename);
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return E_FAIL;
  return LoadWith(path, false, found);
}
