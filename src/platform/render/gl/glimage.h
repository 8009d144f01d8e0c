// Image decoding for the D3DX loaders: Qt's decoders (JPEG through libjpeg, BMP, TGA through
// the image-formats plugin, PNG), D3DX's colour key, resampling and mip-chain building.
#pragma once

#include <QImage>
#include <string>
#include <vector>

#include "platform/render/d3dx9.h"

struct DecodedImage {
  QImage image;  // QImage::Format_ARGB32, whose memory layout is Direct3D's A8R8G8B8
  D3DXIMAGE_INFO info;
  bool hasAlpha = false;
};

// D3DERR_NOTAVAILABLE when the file is missing, D3DXERR_INVALIDDATA when it cannot be read or
// decoded whole (a BMP, JPEG, PNG or Targa file that is truncated, inconsistent or too large).
// Backslashes are taken as separators, and a name that differs only in letter case is found.
HRESULT DecodeImageFile(const std::string& path, DecodedImage* out);
// The bytes decide the format, whatever the file or resource was called.
HRESULT DecodeImageBytes(const std::vector<BYTE>& bytes, DecodedImage* out);

// D3DX's colour key: every pixel whose ARGB value (opaque images read with alpha 0xFF) equals
// the key becomes transparent black. Key 0 turns the key off.
void ApplyColorKey(QImage* image, D3DCOLOR key);
// Scales to width x height with a D3DX filter (NONE and POINT sample the nearest pixel,
// the others average). The low filter bits choose; the mirror and dither flags are ignored.
QImage ResampleImage(const QImage& image, UINT width, UINT height, DWORD filter);
// The next level of a mip chain (half size, at least 1), made with a D3DX filter.
QImage NextMipLevel(const QImage& image, DWORD filter);
// The number of levels of a full chain down to 1 x 1.
UINT FullMipCount(UINT width, UINT height);
