// How ID3DXFont::DrawTextA places text: lines end at CR LF, CR or LF (unless DT_SINGLELINE),
// DT_WORDBREAK wraps at spaces to the rectangle's width, tabs count as spaces, and lines are
// aligned by DT_LEFT/DT_CENTER/DT_RIGHT and DT_TOP/DT_VCENTER/DT_BOTTOM. Plain C++.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/wintypes.h"

struct TextLine {
  std::string Text;
  LONG X = 0;  // left edge of the line's first character cell
  LONG Y = 0;  // top of the line
};

struct TextLayout {
  std::vector<TextLine> Lines;
  int Height = 0;  // of all lines together
  RECT Bounds;     // what DT_CALCRECT reports: the rectangle widened or narrowed to the text
};

// advances: the advance width of each of the 256 Windows-1252 codes; lineHeight: one line's.
TextLayout LayOutText(std::string_view text, const RECT& rect, DWORD format, const int* advances,
                      int lineHeight);
