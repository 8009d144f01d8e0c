// Shared by our D3DX's entry points, the program's and the fake's (not for the engine).
#pragma once

#include "platform/render/d3dx9.h"

// Describes a GDI font handle through the resolver installed with D3DXSetFontResolver; false
// without a resolver or for a handle it does not know.
bool D3DXResolveFont(HFONT font, D3DXFONT_DESCA* desc);
