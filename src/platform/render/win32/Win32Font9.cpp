#include "platform/render/win32/Win32Font9.h"

#include <algorithm>
#include <cstring>

#include "platform/render/TextLayout.h"
#include "platform/render/win32/Win32Overlay.h"
#include "platform/text/Windows1252.h"

Win32Font9::Win32Font9(IDirect3DDevice9* device, const D3DXFONT_DESCA& desc)
    : device_(device), desc_(desc) {
  device_->AddRef();
}

Win32Font9::~Win32Font9() {
  if (atlas_) atlas_->Release();
  device_->Release();
}

HRESULT Win32Font9::Create(IDirect3DDevice9* device, const D3DXFONT_DESCA& desc, ID3DXFont** out) {
  Ref<Win32Font9> font(new Win32Font9(device, desc));
  if (HRESULT hr = font->BuildAtlas(); FAILED(hr)) return hr;
  *out = font.Detach();
  return D3D_OK;
}

HRESULT Win32Font9::BuildAtlas() {
  // Grey-level antialiasing (never ClearType's coloured fringes): the glyphs become an alpha
  // mask, as Qt paints them for the GL font.
  const BYTE quality =
      desc_.Quality == NONANTIALIASED_QUALITY ? NONANTIALIASED_QUALITY : ANTIALIASED_QUALITY;
  HFONT font =
      CreateFontA(desc_.Height, static_cast<int>(desc_.Width), 0, 0, static_cast<int>(desc_.Weight),
                  desc_.Italic ? TRUE : FALSE, FALSE, FALSE, desc_.CharSet, desc_.OutputPrecision,
                  CLIP_DEFAULT_PRECIS, quality, desc_.PitchAndFamily, desc_.FaceName);
  if (!font) return E_FAIL;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldFont = SelectObject(dc, font);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  const int pad = std::max(1, static_cast<int>(metrics.tmHeight) / 8);  // italic overhang
  glyphs_.Arrange(metrics.tmHeight, pad, [&](unsigned char c) {
    const char ch = static_cast<char>(c);
    SIZE size{};
    GetTextExtentPoint32A(dc, &ch, 1, &size);
    return static_cast<int>(size.cx);
  });
  const UINT width = glyphs_.Width(), height = glyphs_.Height();

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HRESULT hr = bitmap ? D3D_OK : E_OUTOFMEMORY;
  if (bitmap) {
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    std::memset(bits, 0, static_cast<std::size_t>(width) * height * 4);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    for (int c = 32; c < 256; ++c) {
      const auto code = static_cast<unsigned char>(c);
      if (!GlyphAtlas::HasCell(code)) continue;
      const char ch = static_cast<char>(c);
      TextOutA(dc, glyphs_[code].cellX + pad, glyphs_[code].cellY, &ch, 1);
    }
    GdiFlush();
    hr = device_->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &atlas_,
                                nullptr);
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(hr) && SUCCEEDED(hr = atlas_->LockRect(0, &locked, nullptr, 0))) {
      // White glyphs whose coverage is their alpha.
      const auto* src = static_cast<const std::uint32_t*>(bits);
      for (UINT row = 0; row < height; ++row) {
        auto* dst = reinterpret_cast<std::uint32_t*>(static_cast<BYTE*>(locked.pBits) +
                                                     row * static_cast<UINT>(locked.Pitch));
        for (UINT col = 0; col < width; ++col) {
          const std::uint32_t p = src[row * width + col];
          const std::uint32_t coverage = std::max({(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF});
          dst[col] = coverage << 24 | 0x00FFFFFFu;
        }
      }
      atlas_->UnlockRect(0);
    }
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
  }
  SelectObject(dc, oldFont);
  DeleteDC(dc);
  DeleteObject(font);
  return hr;
}

HRESULT Win32Font9::GetDevice(IDirect3DDevice9** ppDevice) {
  if (!ppDevice) return D3DERR_INVALIDCALL;
  device_->AddRef();
  *ppDevice = device_;
  return D3D_OK;
}

HRESULT Win32Font9::GetDescA(D3DXFONT_DESCA* pDesc) {
  if (!pDesc) return D3DERR_INVALIDCALL;
  *pDesc = desc_;
  return D3D_OK;
}

HRESULT Win32Font9::OnLostDevice() {
  lost_ = true;
  return D3D_OK;
}

HRESULT Win32Font9::OnResetDevice() {
  lost_ = false;
  return D3D_OK;
}

INT Win32Font9::DrawTextA(const char* pString, INT Count, RECT* pRect, DWORD Format,
                          D3DCOLOR Color) {
  if (!pString || !pRect || lost_) return 0;
  const std::size_t length = Count < 0 ? std::strlen(pString) : static_cast<std::size_t>(Count);
  const TextLayout layout = glyphs_.LayOut(std::string_view(pString, length), *pRect, Format);
  if (Format & DT_CALCRECT) {
    *pRect = layout.Bounds;
    return layout.Height;
  }
  const std::vector<OverlayVertex> vertices = glyphs_.Quads<OverlayVertex>(layout, Color);
  if (FAILED(DrawOverlay(device_, atlas_, false, vertices, (Format & DT_NOCLIP) ? nullptr : pRect)))
    return 0;
  return layout.Height;
}
