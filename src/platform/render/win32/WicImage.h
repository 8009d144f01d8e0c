// Image files for the D3DX loaders on Windows: BMP, JPEG and PNG through the Windows Imaging
// Component, Targa through our own reader. The bytes decide the format, never the name, and a
// header that declares more than the bytes hold is refused before any decoder sees it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/render/win32/Image32.h"

enum class ImageFileKind { Bmp, Jpeg, Png, Targa };

struct DecodedImage32 {
  Image32 Image;
  ImageFileKind Kind = ImageFileKind::Bmp;
  std::uint32_t BitsPerPixel = 32;  // as stored in the file (24 for a JPEG)
  bool HasAlpha = false;            // an alpha channel that says something other than opaque
};

enum class ImageResult { Ok, Missing, Invalid };

ImageResult DecodeImageBytes(const std::uint8_t* data, std::size_t size, DecodedImage32& out);
// Missing when no file has that name; Invalid when it cannot be read or decoded whole.
ImageResult DecodeImageFile(const std::string& path, DecodedImage32& out);
