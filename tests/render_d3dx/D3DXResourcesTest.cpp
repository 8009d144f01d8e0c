// The program's named resources, shared by every D3DX loader.
#include <gtest/gtest.h>

#include "platform/render/d3dx9.h"

namespace {

TEST(D3DXResources, NamesIgnoreCase) {
  D3DXRegisterResource("Cursor", {1, 2, 3});
  ASSERT_NE(D3DXFindResource("CURSOR"), nullptr);
  EXPECT_EQ(D3DXFindResource("cursor")->size(), 3u);
  D3DXUnregisterResource("cUrSoR");
  EXPECT_EQ(D3DXFindResource("Cursor"), nullptr);
}

}  // namespace
