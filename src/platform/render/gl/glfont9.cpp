#include "platform/render/gl/glfont9.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/render/TextLayout.h"
#include "platform/render/gl/gltexture9.h"
#include "platform/text/Windows1252.h"
#include "platform/window/GdiQt.h"

QFont GLFont9::FontOf(const D3DXFONT_DESCA& desc) {
  // Through the window system's one conversion, so that this font finds the same installed
  // family as the GDI font it was made from.
  LOGFONTA lf;
  lf.lfHeight = desc.Height;
  lf.lfWidth = static_cast<LONG>(desc.Width);
  lf.lfWeight = static_cast<LONG>(desc.Weight);
  lf.lfItalic = desc.Italic ? 1 : 0;
  lf.lfCharSet = desc.CharSet;
  lf.lfOutPrecision = desc.OutputPrecision;
  lf.lfQuality = desc.Quality;
  lf.lfPitchAndFamily = desc.PitchAndFamily;
  static_assert(sizeof lf.lfFaceName == sizeof desc.FaceName);
  std::memcpy(lf.lfFaceName, desc.FaceName, sizeof lf.lfFaceName);
  lf.lfFaceName[LF_FACESIZE - 1] = '\0';
  return FontFromLogFont(lf);
}

GLFont9::GLFont9(const Ref<GLDevice9>& device, const D3DXFONT_DESCA& desc)
    : device_(device), desc_(desc) {
  ++device_->Core()->unlostD3DXObjects;
}

GLFont9::~GLFont9() {
  if (!lost_) --device_->Core()->unlostD3DXObjects;
}

HRESULT GLFont9::Create(const Ref<GLDevice9>& device, const D3DXFONT_DESCA& desc, ID3DXFont** out) {
  Ref<GLFont9> font(new GLFont9(device, desc));
  if (HRESULT hr = font->BuildAtlas(); FAILED(hr)) return hr;
  *out = font.Share();
  return D3D_OK;
}

HRESULT GLFont9::BuildAtlas() {
  const QFont font = FontOf(desc_);
  const QFontMetrics metrics(font);
  const int pad = std::max(1, metrics.height() / 8);  // room for italic and antialiasing overhang
  glyphs_.Arrange(metrics.height(), pad, [&](unsigned char c) {
    return metrics.horizontalAdvance(QChar(static_cast<char16_t>(Windows1252ToUnicode(c))));
  });
  const UINT width = glyphs_.Width(), height = glyphs_.Height();
  QImage image(static_cast<int>(width), static_cast<int>(height),
               QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::white);
    for (int c = 32; c < 256; ++c) {
      const auto code = static_cast<unsigned char>(c);
      if (!GlyphAtlas::HasCell(code)) continue;
      const auto u = static_cast<char16_t>(Windows1252ToUnicode(code));
      const GlyphAtlas::Glyph& g = glyphs_[code];
      painter.drawText(g.cellX + pad, g.cellY + metrics.ascent(), QString(QChar(u)));
    }
  }
  image = image.convertToFormat(QImage::Format_ARGB32);
  if (HRESULT hr = device_->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                          &atlas_, nullptr);
      FAILED(hr))
    return hr;
  static_cast<GLTexture9*>(atlas_.Get())->WriteLevel(0, image);
  return D3D_OK;
}

HRESULT GLFont9::GetDevice(IDirect3DDevice9** ppDevice) {
  if (!ppDevice) return D3DERR_INVALIDCALL;
  *ppDevice = device_.Share();
  return D3D_OK;
}

HRESULT GLFont9::GetDescA(D3DXFONT_DESCA* pDesc) {
  if (!pDesc) return D3DERR_INVALIDCALL;
  *pDesc = desc_;
  return D3D_OK;
}

HRESULT GLFont9::OnLostDevice() {
  if (!lost_) --device_->Core()->unlostD3DXObjects;
  lost_ = true;
  return D3D_OK;
}

HRESULT GLFont9::OnResetDevice() {
  if (lost_) ++device_->Core()->unlostD3DXObjects;
  lost_ = false;
  return D3D_OK;
}

INT GLFont9::DrawTextA(const char* pString, INT Count, RECT* pRect, DWORD Format, D3DCOLOR Color) {
  if (!pString || !pRect || lost_) return 0;
  const std::size_t length = Count < 0 ? std::strlen(pString) : static_cast<std::size_t>(Count);
  const TextLayout layout = glyphs_.LayOut(std::string_view(pString, length), *pRect, Format);
  if (Format & DT_CALCRECT) {
    *pRect = layout.Bounds;
    return layout.Height;
  }
  const std::vector<GLOverlayVertex> vertices = glyphs_.Quads<GLOverlayVertex>(layout, Color);
  const GLuint id = atlas_ ? static_cast<GLTexture9*>(atlas_.Get())->Id() : 0;
  device_->DrawOverlay(id, false, vertices, (Format & DT_NOCLIP) ? nullptr : pRect);
  return layout.Height;
}
