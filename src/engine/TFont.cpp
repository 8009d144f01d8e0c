#include "engine/TFont.h"

#include <cstring>

#include "platform/window/wingdi.h"

namespace {

// a * b / c rounded half away from zero, as the toolkit's size conversion rounds.
int MulDivRound(int a, int b, int c) {
  const long long n = static_cast<long long>(a) * b;
  const long long q = (2 * (n < 0 ? -n : n) + c) / (2 * static_cast<long long>(c));
  return static_cast<int>(n < 0 ? -q : q);
}

}  // namespace

TFont::~TFont() {
  ReleaseHandle();
}

void TFont::Assign(const TFont& Source) {
  if (&Source == this) return;
  FName = Source.FName;
  FHeight = Source.FHeight;
  FStyle = Source.FStyle;
  FCharset = Source.FCharset;
  Color = Source.Color;
  ReleaseHandle();
}

void TFont::SetName(const std::string& Value) {
  FName = Value;
  ReleaseHandle();
}

void TFont::SetHeight(int Value) {
  FHeight = Value;
  ReleaseHandle();
}

int TFont::Size() const {
  return -MulDivRound(FHeight, 72, PixelsPerInch);
}

void TFont::SetSize(int Value) {
  SetHeight(-MulDivRound(Value, PixelsPerInch, 72));
}

void TFont::SetStyle(TFontStyles Value) {
  FStyle = Value;
  ReleaseHandle();
}

void TFont::SetCharset(BYTE Value) {
  FCharset = Value;
  ReleaseHandle();
}

HFONT TFont::Handle() const {
  if (!FHandle) {
    LOGFONTA LogFont{};  // zero width and angles, a terminated name: a plain struct on Windows
    LogFont.lfHeight = FHeight;
    LogFont.lfWeight = (FStyle & fsBold) ? FW_BOLD : FW_NORMAL;
    LogFont.lfItalic = (FStyle & fsItalic) ? 1 : 0;
    LogFont.lfUnderline = (FStyle & fsUnderline) ? 1 : 0;
    LogFont.lfStrikeOut = (FStyle & fsStrikeOut) ? 1 : 0;
    LogFont.lfCharSet = FCharset;
    LogFont.lfOutPrecision = static_cast<BYTE>(OUT_DEFAULT_PRECIS);
    LogFont.lfClipPrecision = static_cast<BYTE>(CLIP_DEFAULT_PRECIS);
    LogFont.lfQuality = static_cast<BYTE>(DEFAULT_QUALITY);
    LogFont.lfPitchAndFamily = static_cast<BYTE>(DEFAULT_PITCH);
    std::strncpy(LogFont.lfFaceName, FName.c_str(), LF_FACESIZE - 1);
    FHandle = CreateFontIndirectA(&LogFont);
  }
  return FHandle;
}

void TFont::ReleaseHandle() {
  if (FHandle) DeleteObject(FHandle);
  FHandle = 0;
}
