// Direct3D formats as GL formats, without a display.
#include "platform/render/gl/GLFormats.h"

#include <gtest/gtest.h>

namespace {

TEST(GLFormats, TextureAndRenderbufferFormats) {
  GLTextureFormat f;
  EXPECT_TRUE(GLTextureFormatOf(D3DFMT_X8R8G8B8, &f));
  EXPECT_EQ(f.swizzle[3], GL_ONE);  // the unused byte reads as opaque
  EXPECT_FALSE(GLTextureFormatOf(D3DFMT_DXT1, &f));
  EXPECT_EQ(GLRenderbufferFormatOf(D3DFMT_D15S1), 0u);
}

}  // namespace
