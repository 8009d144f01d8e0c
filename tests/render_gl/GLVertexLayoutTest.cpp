// Where each program attribute reads a vertex of an FVF, without a GL context.
#include <gtest/gtest.h>

#include "platform/render/gl/GLVertexLayout.h"

namespace {

struct Expected {
  GLint Size;  // 0: disabled
  UINT Offset;
};

TEST(GLVertexLayout, AttributesFollowTheFvfOrder) {
  const struct {
    const char* What;
    DWORD Fvf;
    Expected Position, Normal, Diffuse, Specular, TexCoord;
  } Rows[] = {
      {"lit mesh", D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, {3, 0}, {3, 12}, {}, {}, {2, 24}},
      {"screen quad",
       D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1,
       {4, 0},
       {},
       {GL_BGRA, 16},
       {},
       {2, 20}},
      {"point size skipped",
       D3DFVF_XYZ | D3DFVF_PSIZE | D3DFVF_DIFFUSE | D3DFVF_SPECULAR,
       {3, 0},
       {},
       {GL_BGRA, 16},
       {GL_BGRA, 20},
       {}},
      {"blend weight skipped",
       D3DFVF_XYZB1 | D3DFVF_NORMAL | D3DFVF_TEX1,
       {3, 0},
       {3, 16},
       {},
       {},
       {2, 28}},
  };
  for (const auto& Row : Rows) {
    const GLVertexLayout Layout = VertexLayoutOf(Row.Fvf);
    const Expected Want[] = {Row.Position, Row.Normal, Row.Diffuse, Row.Specular, Row.TexCoord};
    const GLuint Locations[] = {kAttrPosition, kAttrNormal, kAttrDiffuse, kAttrSpecular,
                                kAttrTexCoord};
    UINT End = 0;
    for (std::size_t I = 0; I < Layout.attributes.size(); ++I) {
      const GLVertexAttribute& A = Layout.attributes[I];
      EXPECT_EQ(A.location, Locations[I]) << Row.What;
      EXPECT_EQ(A.enabled, Want[I].Size != 0) << Row.What << ", attribute " << I;
      if (!A.enabled) continue;
      EXPECT_EQ(A.size, Want[I].Size) << Row.What << ", attribute " << I;
      EXPECT_EQ(A.offset, Want[I].Offset) << Row.What << ", attribute " << I;
      const UINT Bytes = A.type == GL_FLOAT ? 4u * static_cast<UINT>(A.size) : 4u;
      End = std::max(End, A.offset + Bytes);
    }
    // The attributes cover the whole vertex: a stride of the FVF's size walks vertex by vertex.
    EXPECT_EQ(End, D3DXGetFVFVertexSize(Row.Fvf)) << Row.What;
  }
}

TEST(GLVertexLayout, ColoursAreNormalisedBytesAndMissingOnesHaveDefaults) {
  const GLVertexLayout Colored = VertexLayoutOf(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_SPECULAR);
  for (const GLVertexAttribute* A : {&Colored.attributes[2], &Colored.attributes[3]}) {
    EXPECT_EQ(A->type, static_cast<GLenum>(GL_UNSIGNED_BYTE));
    EXPECT_EQ(A->normalized, GL_TRUE);
  }
  // Without colours a vertex is opaque white with no specular, and its normal is zero.
  const GLVertexLayout Bare = VertexLayoutOf(D3DFVF_XYZ);
  const auto& [Position, Normal, Diffuse, Specular, TexCoord] = Bare.attributes;
  EXPECT_EQ(Position.type, static_cast<GLenum>(GL_FLOAT));
  ASSERT_TRUE(Normal.hasConstant && Diffuse.hasConstant && Specular.hasConstant);
  EXPECT_EQ(Normal.constant[0] + Normal.constant[1] + Normal.constant[2], 0.0f);
  for (float C : Diffuse.constant) EXPECT_EQ(C, 1.0f);
  for (float C : Specular.constant) EXPECT_EQ(C, 0.0f);
  EXPECT_FALSE(TexCoord.hasConstant);
}

}  // namespace
