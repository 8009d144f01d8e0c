// Where each attribute of the generated programs finds its data in a vertex of a given FVF: a
// pure function of the FVF, applied to GL by the device when the stream or the FVF changes.
#pragma once

#include <array>

#include "platform/render/d3d9types.h"
#include "platform/render/gl/GLFixedFunction.h"

struct GLVertexAttribute {
  GLuint location = 0;
  bool enabled = false;
  // An enabled attribute: its components, their type and where they sit in the vertex.
  GLint size = 0;
  GLenum type = 0;
  GLboolean normalized = GL_FALSE;
  UINT offset = 0;
  // A disabled attribute: the value every vertex reads instead, where the shader needs one.
  bool hasConstant = false;
  float constant[4] = {};
};

struct GLVertexLayout {
  // Position, normal, diffuse, specular and texture coordinates, in that order.
  std::array<GLVertexAttribute, 5> attributes;
};

GLVertexLayout VertexLayoutOf(DWORD fvf);
