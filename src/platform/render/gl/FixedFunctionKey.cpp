#include "platform/render/gl/FixedFunctionKey.h"

#include <algorithm>

#include "platform/render/gl/GLDevice9.h"

namespace {

// Whether a stage operation reads its texture argument.
bool ReadsTexture(std::uint8_t op, std::uint8_t arg1, std::uint8_t arg2) {
  const bool t1 = (arg1 & D3DTA_SELECTMASK) == D3DTA_TEXTURE,
             t2 = (arg2 & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
  if (op == D3DTOP_DISABLE) return false;
  if (op == D3DTOP_SELECTARG1) return t1;
  if (op == D3DTOP_SELECTARG2) return t2;
  return t1 || t2 || op == D3DTOP_BLENDTEXTUREALPHA;
}

}  // namespace

FFKey FixedFunctionKey(const GLDeviceState& state, bool textureBound) {
  const DWORD fvf = state.fvf;
  const DWORD* rs = state.rs;
  const bool pre = (fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
  const bool hasDiffuse = (fvf & D3DFVF_DIFFUSE) != 0, hasSpecular = (fvf & D3DFVF_SPECULAR) != 0;

  FFKey key{};
  key.pretransformed = pre;
  key.hasNormal = !pre && (fvf & D3DFVF_NORMAL);
  key.hasDiffuse = hasDiffuse;
  key.hasSpecular = hasSpecular;
  key.hasTexCoord = ((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT) >= 1;
  key.lighting = !pre && rs[D3DRS_LIGHTING];
  key.specular = rs[D3DRS_SPECULARENABLE] != FALSE;
  if (key.lighting) {
    int n = 0;
    for (const auto& [index, slot] : state.lights) n += slot.enabled;
    key.lightCount = static_cast<std::uint8_t>(std::min(n, 8));
    key.localViewer = rs[D3DRS_LOCALVIEWER] != FALSE;
    key.normalize = rs[D3DRS_NORMALIZENORMALS] != FALSE;
    // A material source takes a vertex colour only when colour vertex is on and the vertex
    // has that colour; otherwise the material's own.
    auto resolve = [&](DWORD src) -> std::uint8_t {
      if (!rs[D3DRS_COLORVERTEX]) return D3DMCS_MATERIAL;
      if (src == D3DMCS_COLOR1 && hasDiffuse) return D3DMCS_COLOR1;
      if (src == D3DMCS_COLOR2 && hasSpecular) return D3DMCS_COLOR2;
      return D3DMCS_MATERIAL;
    };
    key.diffuseSource = resolve(rs[D3DRS_DIFFUSEMATERIALSOURCE]);
    key.ambientSource = resolve(rs[D3DRS_AMBIENTMATERIALSOURCE]);
    key.specularSource = resolve(rs[D3DRS_SPECULARMATERIALSOURCE]);
    key.emissiveSource = resolve(rs[D3DRS_EMISSIVEMATERIALSOURCE]);
  }
  const DWORD* t0 = state.tss[0];
  key.colorOp = static_cast<std::uint8_t>(t0[D3DTSS_COLOROP]);
  key.colorArg1 = static_cast<std::uint8_t>(t0[D3DTSS_COLORARG1]);
  key.colorArg2 = static_cast<std::uint8_t>(t0[D3DTSS_COLORARG2]);
  key.alphaOp = static_cast<std::uint8_t>(t0[D3DTSS_ALPHAOP]);
  key.alphaArg1 = static_cast<std::uint8_t>(t0[D3DTSS_ALPHAARG1]);
  key.alphaArg2 = static_cast<std::uint8_t>(t0[D3DTSS_ALPHAARG2]);
  key.textured = textureBound && key.hasTexCoord;
  if (!key.textured) {
    // Nothing bound draws untextured: an operation that would read the texture passes the
    // diffuse colour (and alpha) through instead.
    if (ReadsTexture(key.colorOp, key.colorArg1, key.colorArg2))
      key.colorOp = D3DTOP_SELECTARG1, key.colorArg1 = D3DTA_DIFFUSE;
    if (ReadsTexture(key.alphaOp, key.alphaArg1, key.alphaArg2))
      key.alphaOp = D3DTOP_SELECTARG1, key.alphaArg1 = D3DTA_DIFFUSE;
  }
  key.alphaFunc = rs[D3DRS_ALPHATESTENABLE] ? static_cast<std::uint8_t>(rs[D3DRS_ALPHAFUNC]) : 0;
  key.flatShade = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
  return key;
}
