// Rows of pixels between 32-bit ARGB (Image32's layout, Direct3D's A8R8G8B8) and the texture and
// surface formats our D3DX loaders write: 16-bit formats keep each channel's high bits, and
// widen back by repeating them so that full scale stays full scale. Plain C++.
#pragma once

#include <cstdint>

#include "platform/render/d3d9types.h"

// Whether ConvertRowFromArgb32 writes the format.
bool ArgbConvertible(D3DFORMAT format);
// Writes one row of 32-bit ARGB pixels as `format`.
void ConvertRowFromArgb32(const std::uint32_t* src, void* dst, UINT count, D3DFORMAT format);
// Reads one row of `format` as 32-bit ARGB pixels; formats without alpha read as opaque.
void ConvertRowToArgb32(const void* src, std::uint32_t* dst, UINT count, D3DFORMAT format);
