// Where our D3DX loaders take their images from: the program's files and resources
// (ImageFiles), or, in tests on the fake backend, the images a test scripts. The loaders do the
// rest (colour key, size, mip levels, writing the texels) the same way for either.
#pragma once

#include <string>

#include "platform/render/d3dx/Image32.h"
#include "platform/render/d3dx9.h"

struct DecodedImage {
  Image32 Image;
  D3DXIMAGE_INFO Info;
  bool HasAlpha = false;  // an alpha channel that says something other than opaque
};

class ImageSource {
 public:
  virtual ~ImageSource() = default;
  // D3DERR_NOTAVAILABLE when no file has that name, D3DXERR_INVALIDDATA when it cannot be read
  // or decoded whole.
  virtual HRESULT DecodeFile(const std::string& path, DecodedImage* out) const = 0;
  // D3DXERR_INVALIDDATA when no resource has that name or it cannot be decoded.
  virtual HRESULT DecodeResource(HMODULE module, const std::string& name,
                                 DecodedImage* out) const = 0;
};
