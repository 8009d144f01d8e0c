#include "platform/render/gl/FixedFunctionKey.h"

#include <algorithm>

#include "platform/render/gl/GLDevice9.h"

namespace {

// Whether an operation takes a third argument (D3DTSS_COLORARG0, D3DTSS_ALPHAARG0).
bool Triadic(std::uint8_t op) {
  return op == D3DTOP_MULTIPLYADD || op == D3DTOP_LERP;
}

// Whether a stage operation reads its texture argument.
bool ReadsTexture(std::uint8_t op, std::uint8_t arg0, std::uint8_t arg1, std::uint8_t arg2) {
  auto texture = [](std::uint8_t arg) { return (arg & D3DTA_SELECTMASK) == D3DTA_TEXTURE; };
  if (op == D3DTOP_DISABLE) return false;
  if (op == D3DTOP_SELECTARG1) return texture(arg1);
  if (op == D3DTOP_SELECTARG2) return texture(arg2);
  return texture(arg1) || texture(arg2) || (Triadic(op) && texture(arg0)) ||
         op == D3DTOP_BLENDTEXTUREALPHA;
}

FFStage StageKey(const DWORD* t, bool textured, bool first) {
  FFStage s{};
  auto byte = [&](D3DTEXTURESTAGESTATETYPE type) { return static_cast<std::uint8_t>(t[type]); };
  s.colorOp = byte(D3DTSS_COLOROP);
  s.colorArg1 = byte(D3DTSS_COLORARG1);
  s.colorArg2 = byte(D3DTSS_COLORARG2);
  s.alphaOp = byte(D3DTSS_ALPHAOP);
  s.alphaArg1 = byte(D3DTSS_ALPHAARG1);
  s.alphaArg2 = byte(D3DTSS_ALPHAARG2);
  if (Triadic(s.colorOp)) s.colorArg0 = byte(D3DTSS_COLORARG0);
  if (Triadic(s.alphaOp)) s.alphaArg0 = byte(D3DTSS_ALPHAARG0);
  s.resultTemp = (t[D3DTSS_RESULTARG] & D3DTA_SELECTMASK) == D3DTA_TEMP;
  s.textured = textured;
  if (!textured) {
    // Nothing bound draws untextured: an operation that would read the texture passes the
    // colour (and alpha) so far through instead, the diffuse colour at the first stage.
    const std::uint8_t through = first ? D3DTA_DIFFUSE : D3DTA_CURRENT;
    if (ReadsTexture(s.colorOp, s.colorArg0, s.colorArg1, s.colorArg2))
      s.colorOp = D3DTOP_SELECTARG1, s.colorArg1 = through, s.colorArg0 = 0;
    if (ReadsTexture(s.alphaOp, s.alphaArg0, s.alphaArg1, s.alphaArg2))
      s.alphaOp = D3DTOP_SELECTARG1, s.alphaArg1 = through, s.alphaArg0 = 0;
  }
  return s;
}

}  // namespace

FFKey FixedFunctionKey(const GLDeviceState& state, const bool (&textureBound)[kFFStages]) {
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
  for (int i = 0; i < kFFStages; ++i) {
    const DWORD* t = state.tss[i];
    if (t[D3DTSS_COLOROP] == D3DTOP_DISABLE && i > 0) break;
    // The program reads only the first set of coordinates: a stage that names another draws
    // untextured.
    const bool bound =
        textureBound[i] && key.hasTexCoord && (t[D3DTSS_TEXCOORDINDEX] & 0xFFFF) == 0;
    key.stages[i] = StageKey(t, bound, i == 0);
    if (t[D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
  }
  key.alphaFunc = rs[D3DRS_ALPHATESTENABLE] ? static_cast<std::uint8_t>(rs[D3DRS_ALPHAFUNC]) : 0;
  key.flatShade = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
  return key;
}
