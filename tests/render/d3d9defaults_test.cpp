// Direct3D 9's initial state: the values the engine and the fixed-function traps rely on.
#include "platform/render/D3D9Defaults.h"

#include <gtest/gtest.h>

#include <bit>

TEST(D3D9Defaults, RenderStatesOfTheFixedFunctionTraps) {
  struct Row {
    D3DRENDERSTATETYPE state;
    DWORD value;
  };
  const Row rows[] = {
      {D3DRS_LIGHTING, TRUE},
      {D3DRS_LOCALVIEWER, TRUE},
      {D3DRS_COLORVERTEX, TRUE},
      {D3DRS_CULLMODE, D3DCULL_CCW},
      {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
      {D3DRS_ZWRITEENABLE, TRUE},
      {D3DRS_SPECULARENABLE, FALSE},
      {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
      {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
      {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
      {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL},
      {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
      {D3DRS_SRCBLEND, D3DBLEND_ONE},
      {D3DRS_DESTBLEND, D3DBLEND_ZERO},
      {D3DRS_FILLMODE, D3DFILL_SOLID},
      {D3DRS_COLORWRITEENABLE, 0xF},
      {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
      {D3DRS_NORMALIZENORMALS, FALSE},
      {D3DRS_POINTSIZE_MAX, std::bit_cast<DWORD>(64.0f)},
  };
  for (const Row& r : rows) EXPECT_EQ(D3DDefaultRenderState(r.state, TRUE), r.value) << r.state;
  EXPECT_EQ(D3DDefaultRenderState(D3DRS_ZENABLE, TRUE), static_cast<DWORD>(D3DZB_TRUE));
  EXPECT_EQ(D3DDefaultRenderState(D3DRS_ZENABLE, FALSE), static_cast<DWORD>(D3DZB_FALSE));
}

TEST(D3D9Defaults, StageZeroModulatesOthersDisabled) {
  EXPECT_EQ(D3DDefaultTextureStageState(0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
  EXPECT_EQ(D3DDefaultTextureStageState(0, D3DTSS_ALPHAOP), static_cast<DWORD>(D3DTOP_SELECTARG1));
  EXPECT_EQ(D3DDefaultTextureStageState(1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_DISABLE));
  EXPECT_EQ(D3DDefaultTextureStageState(0, D3DTSS_COLORARG1), D3DTA_TEXTURE);
  EXPECT_EQ(D3DDefaultTextureStageState(0, D3DTSS_COLORARG2), D3DTA_CURRENT);
  EXPECT_EQ(D3DDefaultTextureStageState(3, D3DTSS_TEXCOORDINDEX), 3u);
  EXPECT_EQ(D3DDefaultSamplerState(D3DSAMP_MINFILTER), static_cast<DWORD>(D3DTEXF_POINT));
  EXPECT_EQ(D3DDefaultSamplerState(D3DSAMP_MIPFILTER), static_cast<DWORD>(D3DTEXF_NONE));
  EXPECT_EQ(D3DDefaultSamplerState(D3DSAMP_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_WRAP));
}

TEST(D3D9Types, ResultCodesAndVertexSizes) {
  EXPECT_EQ(static_cast<DWORD>(D3DERR_DEVICELOST), 0x88760868u);
  EXPECT_EQ(static_cast<DWORD>(D3DERR_DEVICENOTRESET), 0x88760869u);
  EXPECT_EQ(static_cast<DWORD>(D3DERR_MOREDATA), 0x88760867u);
  EXPECT_EQ(static_cast<DWORD>(D3DERR_OUTOFVIDEOMEMORY), 0x8876017Cu);
  EXPECT_EQ(static_cast<DWORD>(D3DERR_INVALIDCALL), 0x8876086Cu);
  EXPECT_EQ(static_cast<DWORD>(D3DFMT_DXT1), 0x31545844u);
  EXPECT_EQ(D3DXGetFVFVertexSize(0x112), 32u);
  EXPECT_EQ(D3DXGetFVFVertexSize(0x142), 24u);
  EXPECT_EQ(D3DXGetFVFVertexSize(0x144), 28u);
}
