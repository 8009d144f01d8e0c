// Direct3D pixel formats as OpenGL texture and renderbuffer formats. Direct3D's A8R8G8B8 is the
// bytes B, G, R, A in memory, which is GL's BGRA / UNSIGNED_BYTE, so the common formats upload
// without conversion.
#pragma once

#include <qopengl.h>

#include <cstdint>

#include "platform/render/d3d9types.h"

struct GLTextureFormat {
  GLenum internalFormat = 0;
  GLenum format = 0;
  GLenum type = 0;
  UINT bytesPerPixel = 0;
  // Swizzle for formats GL lacks: X8R8G8B8 reads alpha as one, A8 is alpha only, L8 grey.
  GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
};

// False for formats the backend cannot hold in a texture.
bool GLTextureFormatOf(D3DFORMAT format, GLTextureFormat* out);
// Renderbuffer format of a back-buffer or depth/stencil format; 0 when unsupported.
GLenum GLRenderbufferFormatOf(D3DFORMAT format);
bool D3DFormatHasAlpha(D3DFORMAT format);
