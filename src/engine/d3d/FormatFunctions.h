// Bit counts and names of pixel formats, used by the enumeration to filter modes and by the
// framework's statistics line and the device report to name them.
#pragma once

#include <string>

#include "platform/render/d3d9types.h"

UINT ColorChannelBits(D3DFORMAT Format);
UINT AlphaChannelBits(D3DFORMAT Format);
UINT DepthBits(D3DFORMAT Format);
UINT StencilBits(D3DFORMAT Format);

// The format's constant name without "D3DFMT_" ("X8R8G8B8"), or with it when WithPrefix.
// Values without a name give "Unknown format", never prefixed.
std::string FormatName(D3DFORMAT Format, bool WithPrefix);
