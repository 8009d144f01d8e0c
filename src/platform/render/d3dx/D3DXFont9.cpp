#include "platform/render/d3dx/D3DXFont9.h"

#include <algorithm>
#include <cstring>

D3DXFont9::D3DXFont9(IDirect3DDevice9* device, const D3DXFONT_DESCA& desc)
    : overlay_(device), desc_(desc) {}

HRESULT D3DXFont9::Create(IDirect3DDevice9* device, const D3DXFONT_DESCA& desc,
                          std::unique_ptr<GlyphRasterizer> glyphs, ID3DXFont** out) {
  if (!glyphs) return E_FAIL;
  Ref<D3DXFont9> font(new D3DXFont9(device, desc));
  if (HRESULT hr = font->BuildAtlas(*glyphs); FAILED(hr)) return hr;
  if (HRESULT hr = font->overlay_.Restore(); FAILED(hr)) return hr;
  *out = font.Detach();
  return D3D_OK;
}

HRESULT D3DXFont9::BuildAtlas(const GlyphRasterizer& glyphs) {
  const int lineHeight = glyphs.LineHeight();
  const int pad = std::max(1, lineHeight / 8);  // room for italic and antialiasing overhang
  glyphs_.Arrange(lineHeight, pad, [&](unsigned char c) { return glyphs.Advance(c); });
  Image32 image(glyphs_.Width(), glyphs_.Height());
  if (!glyphs.Paint(glyphs_, image)) return E_OUTOFMEMORY;
  if (HRESULT hr = overlay_.Device()->CreateTexture(
          image.Width, image.Height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &atlas_, nullptr);
      FAILED(hr))
    return hr;
  D3DLOCKED_RECT locked;
  if (HRESULT hr = atlas_->LockRect(0, &locked, nullptr, 0); FAILED(hr)) return hr;
  for (std::uint32_t y = 0; y < image.Height; ++y)
    std::memcpy(static_cast<BYTE*>(locked.pBits) + y * static_cast<UINT>(locked.Pitch),
                image.Row(y), std::size_t{image.Width} * 4);
  return atlas_->UnlockRect(0);
}

HRESULT D3DXFont9::GetDevice(IDirect3DDevice9** ppDevice) {
  if (!ppDevice) return D3DERR_INVALIDCALL;
  *ppDevice = Ref<IDirect3DDevice9>(overlay_.Device()).Detach();
  return D3D_OK;
}

HRESULT D3DXFont9::GetDescA(D3DXFONT_DESCA* pDesc) {
  if (!pDesc) return D3DERR_INVALIDCALL;
  *pDesc = desc_;
  return D3D_OK;
}

HRESULT D3DXFont9::OnLostDevice() {
  overlay_.Lose();
  return D3D_OK;
}

HRESULT D3DXFont9::OnResetDevice() {
  return overlay_.Restore();
}

INT D3DXFont9::DrawTextA(const char* pString, INT Count, RECT* pRect, DWORD Format,
                         D3DCOLOR Color) {
  if (!pString || !pRect || overlay_.Lost()) return 0;
  // Count characters, or up to the terminating zero; never past it.
  std::size_t length = 0;
  while ((Count < 0 || length < static_cast<std::size_t>(Count)) && pString[length]) ++length;
  const TextLayout layout = glyphs_.LayOut(std::string_view(pString, length), *pRect, Format);
  if (Format & DT_CALCRECT) {
    *pRect = layout.Bounds;
    return layout.Height;
  }
  overlay_.Draw(
      atlas_.Get(), false,
      glyphs_.Quads<OverlayVertex>(layout, Color, (Format & DT_NOCLIP) ? nullptr : pRect));
  return layout.Height;
}
