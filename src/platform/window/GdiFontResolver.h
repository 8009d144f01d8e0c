// Lets D3DXCreateFont build its font from a GDI font handle of this layer. Header-only, so that
// the window layer does not depend on the render layer: the program that links both calls
// InstallGdiFontResolver() once at start-up.
#pragma once

#include <cstring>

#include "platform/render/d3dx9.h"
#include "platform/window/wingdi.h"

// The D3DX description of a font made by CreateFontA; false for a handle that is no font.
inline bool DescribeGdiFont(HFONT font, D3DXFONT_DESCA* desc) {
  LOGFONTA lf;
  if (!desc || GetObjectA(font, sizeof lf, &lf) != static_cast<int>(sizeof lf)) return false;
  *desc = D3DXFONT_DESCA{};
  desc->Height = lf.lfHeight;
  desc->Width = lf.lfWidth > 0 ? static_cast<UINT>(lf.lfWidth) : 0;
  desc->Weight = lf.lfWeight > 0 ? static_cast<UINT>(lf.lfWeight) : 0;
  desc->MipLevels = 1;
  desc->Italic = lf.lfItalic ? TRUE : FALSE;
  desc->CharSet = lf.lfCharSet;
  desc->OutputPrecision = lf.lfOutPrecision;
  desc->Quality = lf.lfQuality;
  desc->PitchAndFamily = lf.lfPitchAndFamily;
  static_assert(sizeof desc->FaceName == LF_FACESIZE);
  std::memcpy(desc->FaceName, lf.lfFaceName, LF_FACESIZE);
  desc->FaceName[LF_FACESIZE - 1] = '\0';
  return true;
}

inline void InstallGdiFontResolver() {
  D3DXSetFontResolver(DescribeGdiFont);
}
