#include "platform/render/D3D9Defaults.h"

#include <bit>

namespace {

DWORD F(float v) {
  return std::bit_cast<DWORD>(v);
}

}  // namespace

DWORD D3DDefaultRenderState(D3DRENDERSTATETYPE State, BOOL AutoDepthStencil) {
  switch (State) {
    case D3DRS_ZENABLE:
      return AutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    case D3DRS_FILLMODE:
      return D3DFILL_SOLID;
    case D3DRS_SHADEMODE:
      return D3DSHADE_GOURAUD;
    case D3DRS_ZWRITEENABLE:
      return TRUE;
    case D3DRS_ALPHATESTENABLE:
      return FALSE;
    case D3DRS_LASTPIXEL:
      return TRUE;
    case D3DRS_SRCBLEND:
      return D3DBLEND_ONE;
    case D3DRS_DESTBLEND:
      return D3DBLEND_ZERO;
    case D3DRS_CULLMODE:
      return D3DCULL_CCW;
    case D3DRS_ZFUNC:
      return D3DCMP_LESSEQUAL;
    case D3DRS_ALPHAREF:
      return 0;
    case D3DRS_ALPHAFUNC:
      return D3DCMP_ALWAYS;
    case D3DRS_DITHERENABLE:
      return FALSE;
    case D3DRS_ALPHABLENDENABLE:
      return FALSE;
    case D3DRS_FOGENABLE:
      return FALSE;
    case D3DRS_SPECULARENABLE:
      return FALSE;
    case D3DRS_FOGCOLOR:
      return 0;
    case D3DRS_FOGTABLEMODE:
      return D3DFOG_NONE;
    case D3DRS_FOGSTART:
      return F(0.0f);
    case D3DRS_FOGEND:
      return F(1.0f);
    case D3DRS_FOGDENSITY:
      return F(1.0f);
    case D3DRS_RANGEFOGENABLE:
      return FALSE;
    case D3DRS_STENCILENABLE:
      return FALSE;
    case D3DRS_STENCILFAIL:
      return D3DSTENCILOP_KEEP;
    case D3DRS_STENCILZFAIL:
      return D3DSTENCILOP_KEEP;
    case D3DRS_STENCILPASS:
      return D3DSTENCILOP_KEEP;
    case D3DRS_STENCILFUNC:
      return D3DCMP_ALWAYS;
    case D3DRS_STENCILREF:
      return 0;
    case D3DRS_STENCILMASK:
      return 0xFFFFFFFF;
    case D3DRS_STENCILWRITEMASK:
      return 0xFFFFFFFF;
    case D3DRS_TEXTUREFACTOR:
      return 0xFFFFFFFF;
    case D3DRS_CLIPPING:
      return TRUE;
    case D3DRS_LIGHTING:
      return TRUE;
    case D3DRS_AMBIENT:
      return 0;
    case D3DRS_FOGVERTEXMODE:
      return D3DFOG_NONE;
    case D3DRS_COLORVERTEX:
      return TRUE;
    case D3DRS_LOCALVIEWER:
      return TRUE;
    case D3DRS_NORMALIZENORMALS:
      return FALSE;
    case D3DRS_DIFFUSEMATERIALSOURCE:
      return D3DMCS_COLOR1;
    case D3DRS_SPECULARMATERIALSOURCE:
      return D3DMCS_COLOR2;
    case D3DRS_AMBIENTMATERIALSOURCE:
      return D3DMCS_MATERIAL;
    case D3DRS_EMISSIVEMATERIALSOURCE:
      return D3DMCS_MATERIAL;
    case D3DRS_VERTEXBLEND:
      return D3DVBF_DISABLE;
    case D3DRS_CLIPPLANEENABLE:
      return 0;
    case D3DRS_POINTSIZE:
      return F(1.0f);
    case D3DRS_POINTSIZE_MIN:
      return F(1.0f);
    case D3DRS_POINTSPRITEENABLE:
      return FALSE;
    case D3DRS_POINTSCALEENABLE:
      return FALSE;
    case D3DRS_POINTSCALE_A:
      return F(1.0f);
    case D3DRS_POINTSCALE_B:
      return F(0.0f);
    case D3DRS_POINTSCALE_C:
      return F(0.0f);
    case D3DRS_MULTISAMPLEANTIALIAS:
      return TRUE;
    case D3DRS_MULTISAMPLEMASK:
      return 0xFFFFFFFF;
    case D3DRS_PATCHEDGESTYLE:
      return D3DPATCHEDGE_DISCRETE;
    case D3DRS_DEBUGMONITORTOKEN:
      return D3DDMT_ENABLE;
    case D3DRS_POINTSIZE_MAX:
      return F(64.0f);
    case D3DRS_INDEXEDVERTEXBLENDENABLE:
      return FALSE;
    case D3DRS_COLORWRITEENABLE:
      return 0x0000000F;
    case D3DRS_TWEENFACTOR:
      return F(0.0f);
    case D3DRS_BLENDOP:
      return D3DBLENDOP_ADD;
    case D3DRS_POSITIONDEGREE:
      return D3DDEGREE_CUBIC;
    case D3DRS_NORMALDEGREE:
      return D3DDEGREE_LINEAR;
    case D3DRS_SCISSORTESTENABLE:
      return FALSE;
    case D3DRS_SLOPESCALEDEPTHBIAS:
      return 0;
    case D3DRS_ANTIALIASEDLINEENABLE:
      return FALSE;
    case D3DRS_MINTESSELLATIONLEVEL:
      return F(1.0f);
    case D3DRS_MAXTESSELLATIONLEVEL:
      return F(1.0f);
    case D3DRS_ADAPTIVETESS_X:
      return F(0.0f);
    case D3DRS_ADAPTIVETESS_Y:
      return F(0.0f);
    case D3DRS_ADAPTIVETESS_Z:
      return F(1.0f);
    case D3DRS_ADAPTIVETESS_W:
      return F(0.0f);
    case D3DRS_ENABLEADAPTIVETESSELLATION:
      return FALSE;
    case D3DRS_TWOSIDEDSTENCILMODE:
      return FALSE;
    case D3DRS_CCW_STENCILFAIL:
      return D3DSTENCILOP_KEEP;
    case D3DRS_CCW_STENCILZFAIL:
      return D3DSTENCILOP_KEEP;
    case D3DRS_CCW_STENCILPASS:
      return D3DSTENCILOP_KEEP;
    case D3DRS_CCW_STENCILFUNC:
      return D3DCMP_ALWAYS;
    case D3DRS_COLORWRITEENABLE1:
      return 0x0000000F;
    case D3DRS_COLORWRITEENABLE2:
      return 0x0000000F;
    case D3DRS_COLORWRITEENABLE3:
      return 0x0000000F;
    case D3DRS_BLENDFACTOR:
      return 0xFFFFFFFF;
    case D3DRS_SRGBWRITEENABLE:
      return 0;
    case D3DRS_DEPTHBIAS:
      return 0;
    case D3DRS_SEPARATEALPHABLENDENABLE:
      return FALSE;
    case D3DRS_SRCBLENDALPHA:
      return D3DBLEND_ONE;
    case D3DRS_DESTBLENDALPHA:
      return D3DBLEND_ZERO;
    case D3DRS_BLENDOPALPHA:
      return D3DBLENDOP_ADD;
    default:
      return 0;  // WRAP0..15 and unused numbers
  }
}

DWORD D3DDefaultTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type) {
  switch (Type) {
    case D3DTSS_COLOROP:
      return Stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    case D3DTSS_COLORARG1:
      return D3DTA_TEXTURE;
    case D3DTSS_COLORARG2:
      return D3DTA_CURRENT;
    case D3DTSS_ALPHAOP:
      return Stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    case D3DTSS_ALPHAARG1:
      return D3DTA_TEXTURE;
    case D3DTSS_ALPHAARG2:
      return D3DTA_CURRENT;
    case D3DTSS_TEXCOORDINDEX:
      return Stage;
    case D3DTSS_TEXTURETRANSFORMFLAGS:
      return D3DTTFF_DISABLE;
    case D3DTSS_COLORARG0:
      return D3DTA_CURRENT;
    case D3DTSS_ALPHAARG0:
      return D3DTA_CURRENT;
    case D3DTSS_RESULTARG:
      return D3DTA_CURRENT;
    default:
      return 0;  // bump-map matrix, scale and offset, constant
  }
}

DWORD D3DDefaultSamplerState(D3DSAMPLERSTATETYPE Type) {
  switch (Type) {
    case D3DSAMP_ADDRESSU:
    case D3DSAMP_ADDRESSV:
    case D3DSAMP_ADDRESSW:
      return D3DTADDRESS_WRAP;
    case D3DSAMP_BORDERCOLOR:
      return 0;
    case D3DSAMP_MAGFILTER:
      return D3DTEXF_POINT;
    case D3DSAMP_MINFILTER:
      return D3DTEXF_POINT;
    case D3DSAMP_MIPFILTER:
      return D3DTEXF_NONE;
    case D3DSAMP_MIPMAPLODBIAS:
      return 0;
    case D3DSAMP_MAXMIPLEVEL:
      return 0;
    case D3DSAMP_MAXANISOTROPY:
      return 1;
    case D3DSAMP_SRGBTEXTURE:
      return 0;
    case D3DSAMP_ELEMENTINDEX:
      return 0;
    case D3DSAMP_DMAPOFFSET:
      return 0;
    default:
      return 0;
  }
}

D3DLIGHT9 D3DDefaultLight() {
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
  light.Direction = {0.0f, 0.0f, 1.0f};
  return light;
}

D3DMATRIX D3DIdentityMatrix() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

D3DSURFACE_DESC D3DBackBufferDesc(const D3DPRESENT_PARAMETERS& Params) {
  D3DSURFACE_DESC desc{};
  desc.Format = Params.BackBufferFormat;
  desc.Type = D3DRTYPE_SURFACE;
  desc.Usage = D3DUSAGE_RENDERTARGET;
  desc.Pool = D3DPOOL_DEFAULT;
  desc.MultiSampleType = Params.MultiSampleType;
  desc.MultiSampleQuality = Params.MultiSampleQuality;
  desc.Width = Params.BackBufferWidth;
  desc.Height = Params.BackBufferHeight;
  return desc;
}
