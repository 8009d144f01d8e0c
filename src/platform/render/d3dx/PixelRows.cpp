#include "platform/render/d3dx/PixelRows.h"

#include <cstring>

namespace {

std::uint16_t Pack(std::uint32_t p, int ab, int rb, int gb, int bb) {
  const std::uint32_t a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
  std::uint32_t v = 0;
  if (ab) v |= (a >> (8 - ab)) << (rb + gb + bb);
  v |= (r >> (8 - rb)) << (gb + bb);
  v |= (g >> (8 - gb)) << bb;
  v |= b >> (8 - bb);
  return static_cast<std::uint16_t>(v);
}

// Widens an n-bit channel to 8 bits by replicating its high bits, so full scale stays 255.
std::uint32_t Widen(std::uint32_t v, int bits) {
  if (bits == 0) return 255;
  std::uint32_t r = v << (8 - bits);
  for (int filled = bits; filled < 8; filled += bits) r |= r >> bits;
  return r & 0xFF;
}

std::uint32_t Unpack(std::uint16_t v, int ab, int rb, int gb, int bb) {
  const std::uint32_t b = v & ((1u << bb) - 1);
  const std::uint32_t g = (v >> bb) & ((1u << gb) - 1);
  const std::uint32_t r = (v >> (bb + gb)) & ((1u << rb) - 1);
  const std::uint32_t a = ab ? (v >> (bb + gb + rb)) & ((1u << ab) - 1) : 0;
  return (Widen(a, ab) << 24) | (Widen(r, rb) << 16) | (Widen(g, gb) << 8) | Widen(b, bb);
}

}  // namespace

bool ArgbConvertible(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_R5G6B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A8:
    case D3DFMT_L8:
      return true;
    default:
      return false;
  }
}

void ConvertRowFromArgb32(const std::uint32_t* src, void* dst, UINT count, D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
      std::memcpy(dst, src, count * 4);
      return;
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
      for (UINT i = 0; i < count; ++i)
        static_cast<std::uint16_t*>(dst)[i] = Pack(src[i], 4, 4, 4, 4);
      return;
    case D3DFMT_R5G6B5:
      for (UINT i = 0; i < count; ++i)
        static_cast<std::uint16_t*>(dst)[i] = Pack(src[i], 0, 5, 6, 5);
      return;
    case D3DFMT_A1R5G5B5:
    case D3DFMT_X1R5G5B5:
      for (UINT i = 0; i < count; ++i)
        static_cast<std::uint16_t*>(dst)[i] = Pack(src[i], 1, 5, 5, 5);
      return;
    case D3DFMT_A8:
      for (UINT i = 0; i < count; ++i) static_cast<std::uint8_t*>(dst)[i] = src[i] >> 24;
      return;
    case D3DFMT_L8:
      for (UINT i = 0; i < count; ++i) {
        const std::uint32_t p = src[i];
        static_cast<std::uint8_t*>(dst)[i] = static_cast<std::uint8_t>(
            (((p >> 16) & 0xFF) * 77 + ((p >> 8) & 0xFF) * 151 + (p & 0xFF) * 28) >> 8);
      }
      return;
    default:
      return;
  }
}

void ConvertRowToArgb32(const void* src, std::uint32_t* dst, UINT count, D3DFORMAT format) {
  const auto* s16 = static_cast<const std::uint16_t*>(src);
  const auto* s8 = static_cast<const std::uint8_t*>(src);
  for (UINT i = 0; i < count; ++i) {
    switch (format) {
      case D3DFMT_A8R8G8B8:
        dst[i] = static_cast<const std::uint32_t*>(src)[i];
        break;
      case D3DFMT_X8R8G8B8:
        dst[i] = static_cast<const std::uint32_t*>(src)[i] | 0xFF000000u;
        break;
      case D3DFMT_A4R4G4B4:
        dst[i] = Unpack(s16[i], 4, 4, 4, 4);
        break;
      case D3DFMT_X4R4G4B4:
        dst[i] = Unpack(s16[i], 0, 4, 4, 4);
        break;
      case D3DFMT_R5G6B5:
        dst[i] = Unpack(s16[i], 0, 5, 6, 5);
        break;
      case D3DFMT_A1R5G5B5:
        dst[i] = Unpack(s16[i], 1, 5, 5, 5);
        break;
      case D3DFMT_X1R5G5B5:
        dst[i] = Unpack(static_cast<std::uint16_t>(s16[i] & 0x7FFF), 0, 5, 5, 5);
        break;
      case D3DFMT_A8:
        dst[i] = static_cast<std::uint32_t>(s8[i]) << 24;
        break;
      case D3DFMT_L8:
        dst[i] = 0xFF000000u | s8[i] * 0x010101u;
        break;
      default:
        dst[i] = 0;
        break;
    }
  }
}
