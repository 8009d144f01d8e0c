#include "platform/render/gl/glformats.h"

#include <cstring>

bool GLTextureFormatOf(D3DFORMAT format, GLTextureFormat* out) {
  GLTextureFormat f;
  switch (format) {
    case D3DFMT_A8R8G8B8:
      f = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, 4};
      break;
    case D3DFMT_X8R8G8B8:
      f = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, 4};
      f.swizzle[3] = GL_ONE;
      break;
    case D3DFMT_A4R4G4B4:
      f = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, 2};
      break;
    case D3DFMT_X4R4G4B4:
      f = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, 2};
      f.swizzle[3] = GL_ONE;
      break;
    case D3DFMT_R5G6B5:
      f = {GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2};
      break;
    case D3DFMT_A1R5G5B5:
      f = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2};
      break;
    case D3DFMT_X1R5G5B5:
      f = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2};
      f.swizzle[3] = GL_ONE;
      break;
    case D3DFMT_A8:
      f = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1};
      f.swizzle[0] = f.swizzle[1] = f.swizzle[2] = GL_ZERO;
      f.swizzle[3] = GL_RED;
      break;
    case D3DFMT_L8:
      f = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1};
      f.swizzle[1] = f.swizzle[2] = GL_RED;
      f.swizzle[3] = GL_ONE;
      break;
    default:
      return false;
  }
  *out = f;
  return true;
}

GLenum GLRenderbufferFormatOf(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
      return GL_RGBA8;
    case D3DFMT_R5G6B5:
      return GL_RGB565;
    case D3DFMT_A1R5G5B5:
    case D3DFMT_X1R5G5B5:
      return GL_RGB5_A1;
    case D3DFMT_A2R10G10B10:
      return GL_RGB10_A2;
    case D3DFMT_D16:
      return GL_DEPTH_COMPONENT16;
    case D3DFMT_D24X8:
      return GL_DEPTH_COMPONENT24;
    case D3DFMT_D24S8:
      return GL_DEPTH24_STENCIL8;
    case D3DFMT_D32:
      return GL_DEPTH_COMPONENT32;
    default:
      return 0;
  }
}

bool D3DFormatHasAlpha(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A8:
    case D3DFMT_A2R10G10B10:
    case D3DFMT_A8R3G3B2:
      return true;
    default:
      return false;
  }
}

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
