// The toolkit font of a GDI font, for Qt code of the platform (the render layer builds its
// D3DX font from it).
#pragma once

#include <QFont>

#include "platform/window/wingdi.h"

// The QFont that CreateFontA made for this handle; false for a handle that is no font.
bool FontFromHandle(HFONT font, QFont* out);
// The QFont a LOGFONTA describes: pixel height (negative: character height, positive: cell
// height), weight, italic, underline, strike-out, grey anti-aliasing unless
// NONANTIALIASED_QUALITY, and the installed family fontconfig resolves the face to ("Arial"
// and "MS Sans Serif" draw with Liberation Sans, "Arial Black" with DejaVu Sans Bold when they
// are not installed themselves). Every font of the program passes through here.
QFont FontFromLogFont(const LOGFONTA& logFont);
