#include "platform/render/gl/GLVertexLayout.h"

GLVertexLayout VertexLayoutOf(DWORD fvf) {
  GLVertexLayout layout;
  UINT offset = 0;
  auto enable = [&](GLVertexAttribute& a, GLint size, GLenum type, GLboolean normalized,
                    UINT bytes) {
    a.enabled = true, a.size = size, a.type = type, a.normalized = normalized, a.offset = offset;
    offset += bytes;
  };
  auto constant = [](GLVertexAttribute& a, float x, float y, float z, float w) {
    a.hasConstant = true;
    a.constant[0] = x, a.constant[1] = y, a.constant[2] = z, a.constant[3] = w;
  };
  auto& [position, normal, diffuse, specular, texCoord] = layout.attributes;
  position.location = kAttrPosition;
  normal.location = kAttrNormal;
  diffuse.location = kAttrDiffuse;
  specular.location = kAttrSpecular;
  texCoord.location = kAttrTexCoord;

  // Pre-transformed positions carry rhw as a fourth component; blend weights after x, y, z
  // are skipped.
  if ((fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW)
    enable(position, 4, GL_FLOAT, GL_FALSE, 16);
  else
    enable(position, 3, GL_FLOAT, GL_FALSE, D3DXGetFVFVertexSize(fvf & D3DFVF_POSITION_MASK));
  if (fvf & D3DFVF_NORMAL)
    enable(normal, 3, GL_FLOAT, GL_FALSE, 12);
  else
    constant(normal, 0, 0, 0, 1);
  if (fvf & D3DFVF_PSIZE) offset += 4;
  // Vertex colours are ARGB words, in memory the bytes B, G, R, A: GL's BGRA layout. Without
  // them the diffuse colour is opaque white and the specular black.
  if (fvf & D3DFVF_DIFFUSE)
    enable(diffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 4);
  else
    constant(diffuse, 1, 1, 1, 1);
  if (fvf & D3DFVF_SPECULAR)
    enable(specular, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 4);
  else
    constant(specular, 0, 0, 0, 0);
  // The first set of texture coordinates, two floats; the program reads no other.
  if (((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT) >= 1)
    enable(texCoord, 2, GL_FLOAT, GL_FALSE, 8);
  return layout;
}
