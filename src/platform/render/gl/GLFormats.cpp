#include "platform/render/gl/GLFormats.h"

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
