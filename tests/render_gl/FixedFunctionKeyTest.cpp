// The fixed-function key from the device's state, without a GL context: what changes the
// generated program, and what must not.
#include <gtest/gtest.h>

#include "platform/render/D3D9Defaults.h"
#include "platform/render/gl/FixedFunctionKey.h"
#include "platform/render/gl/GLDevice9.h"

namespace {

constexpr DWORD kMesh = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
constexpr DWORD kColoredMesh = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR;
constexpr DWORD kScreenQuad = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Direct3D's state after a reset, drawing vertices of Fvf with Lights lights enabled.
GLDeviceState Defaults(DWORD Fvf, int Lights = 0) {
  GLDeviceState State;
  for (DWORD S = 0; S < D3DRS_COUNT; ++S)
    State.rs[S] = D3DDefaultRenderState(static_cast<D3DRENDERSTATETYPE>(S), TRUE);
  for (DWORD Stage = 0; Stage < kGLStages; ++Stage)
    for (DWORD T = 0; T < D3DTSS_COUNT; ++T)
      State.tss[Stage][T] =
          D3DDefaultTextureStageState(Stage, static_cast<D3DTEXTURESTAGESTATETYPE>(T));
  for (int L = 0; L < Lights; ++L) State.lights[static_cast<DWORD>(L)].enabled = true;
  State.fvf = Fvf;
  return State;
}

// The key with a texture bound to stage 0 and, when Stage1 is, to stage 1.
FFKey KeyOf(const GLDeviceState& State, bool Stage0, bool Stage1 = false) {
  const bool Bound[kFFStages] = {Stage0, Stage1};
  return FixedFunctionKey(State, Bound);
}

TEST(FixedFunctionKey, LitTexturedMeshWithTheDefaults) {
  const FFKey Key = KeyOf(Defaults(kMesh, 2), true);
  EXPECT_TRUE(Key.lighting);
  EXPECT_EQ(Key.lightCount, 2);
  EXPECT_TRUE(Key.hasNormal);
  EXPECT_TRUE(Key.hasTexCoord);
  EXPECT_TRUE(Key.localViewer);
  EXPECT_FALSE(Key.normalize);
  EXPECT_FALSE(Key.specular);
  // The default sources name the vertex colours, which this vertex lacks.
  EXPECT_EQ(Key.diffuseSource, D3DMCS_MATERIAL);
  EXPECT_EQ(Key.specularSource, D3DMCS_MATERIAL);
  EXPECT_TRUE(Key.stages[0].textured);
  EXPECT_EQ(Key.stages[0].colorOp, D3DTOP_MODULATE);
  EXPECT_EQ(Key.stages[0].colorArg1, D3DTA_TEXTURE);
  EXPECT_EQ(Key.stages[0].colorArg2, D3DTA_CURRENT);
  EXPECT_EQ(Key.stages[0].alphaOp, D3DTOP_SELECTARG1);
  EXPECT_EQ(Key.stages[0].alphaArg1, D3DTA_TEXTURE);
  EXPECT_EQ(Key.alphaFunc, 0);
  EXPECT_FALSE(Key.pretransformed);
  EXPECT_FALSE(Key.flatShade);
}

TEST(FixedFunctionKey, LightingAndItsInputs) {
  // Off: nothing of the lighting reaches the key.
  GLDeviceState Unlit = Defaults(kColoredMesh, 3);
  Unlit.rs[D3DRS_LIGHTING] = FALSE;
  const FFKey Off = KeyOf(Unlit, false);
  EXPECT_FALSE(Off.lighting);
  EXPECT_EQ(Off.lightCount, 0);
  EXPECT_FALSE(Off.localViewer);

  // Only enabled lights count, at most eight.
  GLDeviceState Many = Defaults(kMesh, 10);
  Many.lights[3].enabled = false;
  EXPECT_EQ(KeyOf(Many, false).lightCount, 8);
  GLDeviceState Few = Defaults(kMesh, 3);
  Few.lights[1].enabled = false;
  EXPECT_EQ(KeyOf(Few, false).lightCount, 2);

  // Material sources take the vertex colours the vertex has, only with colour vertex on.
  GLDeviceState Colored = Defaults(kColoredMesh, 1);
  Colored.rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_COLOR2;
  Colored.rs[D3DRS_NORMALIZENORMALS] = TRUE;
  const FFKey FromVertex = KeyOf(Colored, false);
  EXPECT_EQ(FromVertex.diffuseSource, D3DMCS_COLOR1);
  EXPECT_EQ(FromVertex.specularSource, D3DMCS_COLOR2);
  EXPECT_EQ(FromVertex.ambientSource, D3DMCS_COLOR2);
  EXPECT_EQ(FromVertex.emissiveSource, D3DMCS_MATERIAL);
  EXPECT_TRUE(FromVertex.normalize);
  Colored.rs[D3DRS_COLORVERTEX] = FALSE;
  const FFKey FromMaterial = KeyOf(Colored, false);
  EXPECT_EQ(FromMaterial.diffuseSource, D3DMCS_MATERIAL);
  EXPECT_EQ(FromMaterial.specularSource, D3DMCS_MATERIAL);
  EXPECT_EQ(FromMaterial.ambientSource, D3DMCS_MATERIAL);
}

TEST(FixedFunctionKey, PreTransformedVerticesAreNeitherTransformedNorLit) {
  GLDeviceState State = Defaults(kScreenQuad | D3DFVF_NORMAL, 2);
  const FFKey Key = KeyOf(State, true);
  EXPECT_TRUE(Key.pretransformed);
  EXPECT_FALSE(Key.lighting) << "lighting is on in the state";
  EXPECT_FALSE(Key.hasNormal);
  EXPECT_EQ(Key.lightCount, 0);
  EXPECT_TRUE(Key.hasDiffuse);
  EXPECT_TRUE(Key.stages[0].textured);
}

TEST(FixedFunctionKey, StageZeroWithoutATextureDrawsTheDiffuseColour) {
  const struct {
    const char* What;
    DWORD Fvf;
    bool Bound;
    DWORD ColorOp, ColorArg1, ColorArg2;
    std::uint8_t WantOp, WantArg1;
  } Rows[] = {
      {"modulate, texture bound", kMesh, true, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT,
       D3DTOP_MODULATE, D3DTA_TEXTURE},
      {"modulate, nothing bound", kMesh, false, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT,
       D3DTOP_SELECTARG1, D3DTA_DIFFUSE},
      {"bound, but no coordinates", kColoredMesh, true, D3DTOP_MODULATE2X, D3DTA_DIFFUSE,
       D3DTA_TEXTURE, D3DTOP_SELECTARG1, D3DTA_DIFFUSE},
      {"blend by texture alpha", kMesh, false, D3DTOP_BLENDTEXTUREALPHA, D3DTA_DIFFUSE,
       D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_DIFFUSE},
      {"selects the other argument", kMesh, false, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_TFACTOR,
       D3DTOP_SELECTARG2, D3DTA_TEXTURE},
      {"disabled", kMesh, false, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_DISABLE,
       D3DTA_TEXTURE},
      {"add, texture bound", kMesh, true, D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_ADD,
       D3DTA_TEXTURE},
  };
  for (const auto& Row : Rows) {
    GLDeviceState State = Defaults(Row.Fvf);
    State.tss[0][D3DTSS_COLOROP] = Row.ColorOp;
    State.tss[0][D3DTSS_COLORARG1] = Row.ColorArg1;
    State.tss[0][D3DTSS_COLORARG2] = Row.ColorArg2;
    const FFKey Key = KeyOf(State, Row.Bound);
    EXPECT_EQ(Key.stages[0].colorOp, Row.WantOp) << Row.What;
    EXPECT_EQ(Key.stages[0].colorArg1, Row.WantArg1) << Row.What;
    EXPECT_EQ(Key.stages[0].colorArg2, Row.ColorArg2) << Row.What;
    // The default alpha (select the texture) follows the same rule.
    EXPECT_EQ(Key.stages[0].alphaArg1, Key.stages[0].textured ? D3DTA_TEXTURE : D3DTA_DIFFUSE)
        << Row.What;
  }
}

// A second stage joins the program only while enabled, reads its third argument only for the
// operations that take one, and draws untextured without a texture or with coordinates the
// vertex layout does not carry.
TEST(FixedFunctionKey, SecondStage) {
  GLDeviceState State = Defaults(kMesh);
  const FFKey OneStage = KeyOf(State, true, true);
  EXPECT_EQ(OneStage.stages[1].colorOp, 0) << "disabled by default: left zeroed";
  State.tss[1][D3DTSS_COLORARG0] = D3DTA_TEMP;
  State.tss[1][D3DTSS_RESULTARG] = D3DTA_TEMP;
  EXPECT_TRUE(KeyOf(State, true, true) == OneStage) << "a disabled stage's other states";

  State.tss[1][D3DTSS_COLOROP] = D3DTOP_MULTIPLYADD;
  State.tss[1][D3DTSS_COLORARG0] = D3DTA_CURRENT;
  State.tss[1][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
  State.tss[1][D3DTSS_COLORARG2] = D3DTA_DIFFUSE | D3DTA_COMPLEMENT;
  State.tss[1][D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
  State.tss[1][D3DTSS_ALPHAARG1] = D3DTA_CURRENT;
  State.tss[1][D3DTSS_ALPHAARG0] = D3DTA_TFACTOR;
  State.tss[1][D3DTSS_RESULTARG] = D3DTA_CURRENT;
  // Stage 1 reads the coordinate set of its index unless told otherwise.
  EXPECT_FALSE(KeyOf(State, true, true).stages[1].textured) << "set 1 of a one-set vertex";
  State.tss[1][D3DTSS_TEXCOORDINDEX] = 0;
  const FFStage Night = KeyOf(State, true, true).stages[1];
  EXPECT_TRUE(Night.textured);
  EXPECT_EQ(Night.colorOp, D3DTOP_MULTIPLYADD);
  EXPECT_EQ(Night.colorArg0, D3DTA_CURRENT);
  EXPECT_EQ(Night.colorArg2, D3DTA_DIFFUSE | D3DTA_COMPLEMENT);
  EXPECT_EQ(Night.alphaArg0, 0) << "select takes no third argument";
  EXPECT_FALSE(Night.resultTemp);

  // Without its texture the stage passes the colour so far through.
  const FFStage Unbound = KeyOf(State, true, false).stages[1];
  EXPECT_EQ(Unbound.colorOp, D3DTOP_SELECTARG1);
  EXPECT_EQ(Unbound.colorArg1, D3DTA_CURRENT);
  EXPECT_EQ(Unbound.colorArg0, 0);

  State.tss[1][D3DTSS_RESULTARG] = D3DTA_TEMP;
  EXPECT_TRUE(KeyOf(State, true, true).stages[1].resultTemp);
  // Stage 0 disabled ends the chain there, whatever stage 1 says.
  State.tss[0][D3DTSS_COLOROP] = D3DTOP_DISABLE;
  EXPECT_EQ(KeyOf(State, true, true).stages[1].colorOp, 0);
}

TEST(FixedFunctionKey, AlphaTestAndFlatShading) {
  GLDeviceState State = Defaults(kMesh);
  State.rs[D3DRS_ALPHAFUNC] = D3DCMP_GREATEREQUAL;
  EXPECT_EQ(KeyOf(State, true).alphaFunc, 0) << "a function without the test";
  State.rs[D3DRS_ALPHATESTENABLE] = TRUE;
  EXPECT_EQ(KeyOf(State, true).alphaFunc, D3DCMP_GREATEREQUAL);
  State.rs[D3DRS_SHADEMODE] = D3DSHADE_FLAT;
  EXPECT_TRUE(KeyOf(State, true).flatShade);
  State.rs[D3DRS_SPECULARENABLE] = TRUE;
  EXPECT_TRUE(KeyOf(State, true).specular);
}

// Values travel as uniforms and blending, depth and culling as GL state; fog is not drawn by
// this backend. None may make another program.
TEST(FixedFunctionKey, StatesOutsideTheProgramLeaveTheKeyAlone) {
  const GLDeviceState Base = Defaults(kMesh, 1);
  const FFKey Expected = KeyOf(Base, true);
  const std::pair<D3DRENDERSTATETYPE, DWORD> Changes[] = {
      {D3DRS_FOGENABLE, TRUE},        {D3DRS_ALPHAREF, 0x80},
      {D3DRS_AMBIENT, 0xFF202020},    {D3DRS_TEXTUREFACTOR, 0x80FFFFFF},
      {D3DRS_CULLMODE, D3DCULL_NONE}, {D3DRS_ALPHABLENDENABLE, TRUE},
      {D3DRS_ZWRITEENABLE, FALSE},    {D3DRS_SRCBLEND, D3DBLEND_ONE},
  };
  for (const auto& [Type, Value] : Changes) {
    GLDeviceState State = Base;
    State.rs[Type] = Value;
    State.material.Power = 40.0f;
    State.lights[0].light.Range = 10.0f;
    EXPECT_TRUE(KeyOf(State, true) == Expected) << "render state " << Type;
  }
}

}  // namespace
