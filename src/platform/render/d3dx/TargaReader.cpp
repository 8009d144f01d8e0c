#include "platform/render/d3dx/TargaReader.h"

namespace {

std::uint32_t Le16(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}

// 5 bits to 8, so that full scale stays full scale.
std::uint32_t Expand5(std::uint32_t v) {
  return (v << 3) | (v >> 2);
}

}  // namespace

bool ReadTarga(const std::uint8_t* data, std::size_t size, Image32& out, TargaInfo* info) {
  if (!data || size < 18) return false;
  const std::uint32_t idLength = data[0], mapType = data[1], type = data[2];
  const std::uint32_t mapLength = Le16(data + 5), mapEntryBits = data[7];
  const std::uint32_t width = Le16(data + 12), height = Le16(data + 14), depth = data[16];
  const std::uint32_t descriptor = data[17];
  if (mapType > 1 || type != 2 || (depth != 16 && depth != 24 && depth != 32)) return false;
  // No more pixels than any texture file may declare (8192 x 8192).
  if (width == 0 || height == 0 || std::uint64_t{width} * height > (std::uint64_t{1} << 26))
    return false;
  const std::uint64_t mapBytes = mapType ? std::uint64_t{mapLength} * ((mapEntryBits + 7) / 8) : 0;
  const std::uint64_t pixelSize = depth / 8;
  const std::uint64_t start = 18 + idLength + mapBytes;
  if (start + std::uint64_t{width} * height * pixelSize > size) return false;

  const std::uint32_t alphaBits = descriptor & 0x0F;
  const bool alpha = (depth == 32 && alphaBits > 0) || (depth == 16 && alphaBits > 0);
  const bool topFirst = descriptor & 0x20, rightFirst = descriptor & 0x10;
  Image32 image(width, height);
  const std::uint8_t* p = data + start;
  for (std::uint32_t row = 0; row < height; ++row) {
    const std::uint32_t y = topFirst ? row : height - 1 - row;
    for (std::uint32_t col = 0; col < width; ++col, p += pixelSize) {
      const std::uint32_t x = rightFirst ? width - 1 - col : col;
      std::uint32_t argb;
      if (depth == 16) {
        const std::uint32_t v = Le16(p);
        argb = Expand5((v >> 10) & 0x1F) << 16 | Expand5((v >> 5) & 0x1F) << 8 | Expand5(v & 0x1F);
        argb |= (!alpha || (v & 0x8000)) ? 0xFF000000u : 0u;
      } else {
        argb =
            static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
        argb |= (depth == 32 && alpha) ? static_cast<std::uint32_t>(p[3]) << 24 : 0xFF000000u;
      }
      image.At(x, y) = argb;
    }
  }
  out = std::move(image);
  if (info) *info = TargaInfo{depth, alpha};
  return true;
}
