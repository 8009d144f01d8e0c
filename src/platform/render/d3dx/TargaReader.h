// Our reader of Targa files (Windows' imaging component has none): uncompressed true colour of
// 16, 24 or 32 bits, either row order and either column order, as the media tools write them.
// Plain C++.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/render/d3dx/Image32.h"

struct TargaInfo {
  std::uint32_t BitsPerPixel = 0;
  bool HasAlphaBits = false;  // the header declares an alpha channel
};

// False for anything else or for a file that ends before its pixels do (nothing is read beyond
// [data, data + size)). Pixels without alpha bits come out opaque.
bool ReadTarga(const std::uint8_t* data, std::size_t size, Image32& out, TargaInfo* info = nullptr);
