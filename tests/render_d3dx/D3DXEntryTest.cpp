// The program's D3DX entry points check their arguments before anything else.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/render/d3dx9.h"

namespace {

TEST(D3DXCreateFont, UnknownHandleFailsWithoutResolver) {
  D3DXSetFontResolver({});
  Ref<ID3DXFont> font;
  // No device: an invalid call, whatever the handle.
  EXPECT_EQ(D3DXCreateFont(nullptr, reinterpret_cast<HFONT>(std::uintptr_t{1}), &font),
            D3DERR_INVALIDCALL);
}

}  // namespace
