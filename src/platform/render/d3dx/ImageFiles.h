// The program's images for our D3DX loaders: files and resources read whole, their headers
// checked against their bytes before any decoder sees them (ImageHeader), Targa files through
// our reader and the other kinds through the platform's decoder (ImageDecoder.h). The bytes
// decide the kind, never the name.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/render/d3dx/ImageSource.h"

class ImageFiles final : public ImageSource {
 public:
  // Backslashes are taken as separators, and a name that differs only in letter case is found.
  HRESULT DecodeFile(const std::string& path, DecodedImage* out) const override;
  // A resource registered with D3DXRegisterResource, else one of the module's own.
  HRESULT DecodeResource(HMODULE module, const std::string& name, DecodedImage* out) const override;
  // D3DXERR_INVALIDDATA for bytes that are truncated, inconsistent, too large or not an image.
  static HRESULT DecodeBytes(const std::uint8_t* data, std::size_t size, DecodedImage* out);
};
