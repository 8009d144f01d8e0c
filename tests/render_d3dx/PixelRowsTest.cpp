// Rows of pixels between 32-bit ARGB and the formats our D3DX loaders write.
#include <gtest/gtest.h>

#include "platform/render/d3dx/PixelRows.h"

namespace {

TEST(PixelRows, SixteenBitFormatsRoundTripTheirBits) {
  struct Row {
    D3DFORMAT format;
    std::uint32_t argb;
    std::uint16_t packed;
    std::uint32_t back;
  } table[] = {
      {D3DFMT_A4R4G4B4, 0xFFFFFFFF, 0xFFFF, 0xFFFFFFFF},
      {D3DFMT_A4R4G4B4, 0x80FF0010, 0x8F01, 0x88FF0011},  // nibbles widen by repetition
      {D3DFMT_R5G6B5, 0xFF00FF00, 0x07E0, 0xFF00FF00},
      {D3DFMT_R5G6B5, 0x00FF0000, 0xF800, 0xFFFF0000},  // no alpha: reads opaque
      {D3DFMT_A1R5G5B5, 0x80FFFFFF, 0xFFFF, 0xFFFFFFFF},
      {D3DFMT_A1R5G5B5, 0x7F0000FF, 0x001F, 0x000000FF},
      {D3DFMT_X1R5G5B5, 0x000000FF, 0x001F, 0xFF0000FF},
  };
  for (const Row& row : table) {
    std::uint16_t packed = 0;
    ConvertRowFromArgb32(&row.argb, &packed, 1, row.format);
    EXPECT_EQ(packed, row.packed) << "format " << row.format << " from " << std::hex << row.argb;
    std::uint32_t back = 0;
    ConvertRowToArgb32(&row.packed, &back, 1, row.format);
    EXPECT_EQ(back, row.back) << "format " << row.format << " from " << std::hex << row.packed;
  }
  EXPECT_TRUE(ArgbConvertible(D3DFMT_R5G6B5));
  EXPECT_FALSE(ArgbConvertible(D3DFMT_DXT1));
}

}  // namespace
