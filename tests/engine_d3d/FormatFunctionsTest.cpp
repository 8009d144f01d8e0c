#include <gtest/gtest.h>

#include "engine/d3d/FormatFunctions.h"

TEST(FormatFunctions, ChannelBitsOfColourFormats) {
  EXPECT_EQ(ColorChannelBits(D3DFMT_X8R8G8B8), 8u);
  EXPECT_EQ(AlphaChannelBits(D3DFMT_X8R8G8B8), 0u);
  EXPECT_EQ(AlphaChannelBits(D3DFMT_A8R8G8B8), 8u);
  // A 15-bit mode counts as 5 bits per channel, so it meets the saver's minimum.
  EXPECT_EQ(ColorChannelBits(D3DFMT_X1R5G5B5), 5u);
  EXPECT_EQ(ColorChannelBits(D3DFMT_R5G6B5), 5u);
  EXPECT_EQ(AlphaChannelBits(D3DFMT_A1R5G5B5), 1u);
  EXPECT_EQ(ColorChannelBits(D3DFMT_A2R10G10B10), 10u);
  EXPECT_EQ(AlphaChannelBits(D3DFMT_A2B10G10R10), 2u);
  EXPECT_EQ(ColorChannelBits(D3DFMT_R3G3B2), 2u);
  EXPECT_EQ(AlphaChannelBits(D3DFMT_A8R3G3B2), 8u);
  // Formats outside the table, depth formats included, have no colour bits.
  EXPECT_EQ(ColorChannelBits(D3DFMT_D24S8), 0u);
  EXPECT_EQ(ColorChannelBits(D3DFMT_A8B8G8R8), 0u);
}

TEST(FormatFunctions, DepthAndStencilBits) {
  EXPECT_EQ(DepthBits(D3DFMT_D16), 16u);
  EXPECT_EQ(DepthBits(D3DFMT_D15S1), 15u);
  EXPECT_EQ(StencilBits(D3DFMT_D15S1), 1u);
  EXPECT_EQ(StencilBits(D3DFMT_D24S8), 8u);
  EXPECT_EQ(StencilBits(D3DFMT_D24X4S4), 4u);
  EXPECT_EQ(DepthBits(D3DFMT_D32), 32u);
  EXPECT_EQ(DepthBits(D3DFMT_D16_LOCKABLE), 0u);
  EXPECT_EQ(DepthBits(D3DFMT_X8R8G8B8), 0u);
}

TEST(FormatFunctions, NamesWithAndWithoutPrefix) {
  EXPECT_EQ(FormatName(D3DFMT_X8R8G8B8, false), "X8R8G8B8");
  EXPECT_EQ(FormatName(D3DFMT_X8R8G8B8, true), "D3DFMT_X8R8G8B8");
  EXPECT_EQ(FormatName(D3DFMT_UNKNOWN, true), "D3DFMT_UNKNOWN");
  EXPECT_EQ(FormatName(static_cast<D3DFORMAT>(70), false), "D16_LOCKABLE");
  EXPECT_EQ(FormatName(static_cast<D3DFORMAT>(117), false), "CxV8U8");
  // Four-character codes are read in little-endian order.
  EXPECT_EQ(FormatName(static_cast<D3DFORMAT>(0x31545844), true), "D3DFMT_DXT1");
  EXPECT_EQ(FormatName(static_cast<D3DFORMAT>(0x3154454D), false), "MULTI2_ARGB8");
  EXPECT_EQ(FormatName(static_cast<D3DFORMAT>(0x59565955), false), "UYVY");
}

TEST(FormatFunctions, UnknownValuesAreNeverPrefixed) {
  EXPECT_EQ(FormatName(static_cast<D3DFORMAT>(37), true), "Unknown format");
  EXPECT_EQ(FormatName(static_cast<D3DFORMAT>(0x7FFFFFFF), false), "Unknown format");
}
