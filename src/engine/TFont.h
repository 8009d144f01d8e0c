// A typeface description with a GDI font handle made from it, as the engine's font items own
// one: face name, pixel height (negative: character height, positive: cell height), the size
// in points that goes with it, styles and character set. The handle is made on first use and
// made again after any change; a copy takes the attributes, never the handle.
#pragma once

#include <cstdint>
#include <string>

#include "platform/wintypes.h"

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// 0x00BBGGRR, or a system colour with the top bit set.
using TColor = std::uint32_t;  // as TWCursor.h has it: DWORD is wider on Windows
constexpr TColor clWindowText = 0x80000008;

class TFont {
 public:
  // Screen resolution that ties Size to Height.
  static constexpr int PixelsPerInch = 96;

  TFont() = default;
  TFont(const TFont& Source) { Assign(Source); }
  TFont& operator=(const TFont& Source) {
    Assign(Source);
    return *this;
  }
  ~TFont();

  void Assign(const TFont& Source);

  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value);
  int Height() const { return FHeight; }
  void SetHeight(int Value);
  // Points: -Height * 72 / PixelsPerInch, rounded; setting it sets Height to match.
  int Size() const;
  void SetSize(int Value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles Value);
  BYTE Charset() const { return FCharset; }
  void SetCharset(BYTE Value);
  TColor Color = clWindowText;

  // The GDI font of these attributes; 0 when the window system refuses it.
  HFONT Handle() const;

 private:
  void ReleaseHandle();

  std::string FName = "MS Sans Serif";
  int FHeight = -11;
  TFontStyles FStyle = 0;
  BYTE FCharset = 1;  // DEFAULT_CHARSET
  mutable HFONT FHandle = 0;
};
