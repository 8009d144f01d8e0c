#include "platform/render/gl/GLStateBlock9.h"

namespace {

// Render states Direct3D counts as pixel states; the rest are vertex states.
bool IsPixelRenderState(DWORD s) {
  switch (s) {
    case D3DRS_ZENABLE:
    case D3DRS_FILLMODE:
    case D3DRS_SHADEMODE:
    case D3DRS_ZWRITEENABLE:
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_LASTPIXEL:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_ZFUNC:
    case D3DRS_ALPHAREF:
    case D3DRS_ALPHAFUNC:
    case D3DRS_DITHERENABLE:
    case D3DRS_FOGSTART:
    case D3DRS_FOGEND:
    case D3DRS_FOGDENSITY:
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_DEPTHBIAS:
    case D3DRS_STENCILENABLE:
    case D3DRS_STENCILFAIL:
    case D3DRS_STENCILZFAIL:
    case D3DRS_STENCILPASS:
    case D3DRS_STENCILFUNC:
    case D3DRS_STENCILREF:
    case D3DRS_STENCILMASK:
    case D3DRS_STENCILWRITEMASK:
    case D3DRS_TEXTUREFACTOR:
    case D3DRS_COLORWRITEENABLE:
    case D3DRS_COLORWRITEENABLE1:
    case D3DRS_COLORWRITEENABLE2:
    case D3DRS_COLORWRITEENABLE3:
    case D3DRS_BLENDOP:
    case D3DRS_SCISSORTESTENABLE:
    case D3DRS_SLOPESCALEDEPTHBIAS:
    case D3DRS_ANTIALIASEDLINEENABLE:
    case D3DRS_TWOSIDEDSTENCILMODE:
    case D3DRS_CCW_STENCILFAIL:
    case D3DRS_CCW_STENCILZFAIL:
    case D3DRS_CCW_STENCILPASS:
    case D3DRS_CCW_STENCILFUNC:
    case D3DRS_BLENDFACTOR:
    case D3DRS_SRGBWRITEENABLE:
    case D3DRS_SEPARATEALPHABLENDENABLE:
    case D3DRS_SRCBLENDALPHA:
    case D3DRS_DESTBLENDALPHA:
    case D3DRS_BLENDOPALPHA:
      return true;
    default:
      return (s >= D3DRS_WRAP0 && s <= D3DRS_WRAP7) || (s >= D3DRS_WRAP8 && s <= D3DRS_WRAP15);
  }
}

bool IsVertexStageState(DWORD t) {
  return t == D3DTSS_TEXCOORDINDEX || t == D3DTSS_TEXTURETRANSFORMFLAGS;
}

}  // namespace

GLStateBlock9::GLStateBlock9(const Ref<GLCore>& core) : core_(core) {
  ++core_->defaultPoolObjects;
}

GLStateBlock9::~GLStateBlock9() {
  --core_->defaultPoolObjects;
}

HRESULT GLStateBlock9::GetDevice(IDirect3DDevice9** ppDevice) {
  if (!ppDevice) return D3DERR_INVALIDCALL;
  *ppDevice = Ref<IDirect3DDevice9>(core_->device).Detach();
  return core_->device ? D3D_OK : D3DERR_INVALIDCALL;
}

void GLStateBlock9::HoldAll(D3DSTATEBLOCKTYPE type) {
  const bool pixel = type == D3DSBT_ALL || type == D3DSBT_PIXELSTATE;
  const bool vertex = type == D3DSBT_ALL || type == D3DSBT_VERTEXSTATE;
  for (DWORD s = 0; s < D3DRS_COUNT; ++s)
    if (IsPixelRenderState(s) ? pixel : vertex) rs_.set(s);
  for (DWORD st = 0; st < kGLStages; ++st)
    for (DWORD t = 1; t < D3DTSS_COUNT; ++t)
      if (IsVertexStageState(t) ? vertex : pixel) tss_.set(st * D3DTSS_COUNT + t);
  if (pixel) {
    for (DWORD i = 0; i < kGLSamplers * D3DSAMP_COUNT; ++i)
      if (i % D3DSAMP_COUNT != 0) samp_.set(i);
  }
  if (vertex) {
    fvf_ = true;
    if (core_->device)
      for (const auto& [index, slot] : core_->device->State().lights) {
        lights_.insert(index);
        lightEnables_.insert(index);
      }
  }
  if (type == D3DSBT_ALL) {
    for (DWORD t : {DWORD{D3DTS_WORLD}, DWORD{D3DTS_VIEW}, DWORD{D3DTS_PROJECTION}})
      transforms_.insert(t);
    for (DWORD t = D3DTS_TEXTURE0; t <= D3DTS_TEXTURE7; ++t) transforms_.insert(t);
    material_ = viewport_ = stream_ = indices_ = true;
    textures_.set();
  }
}

HRESULT GLStateBlock9::Capture() {
  GLDevice9* device = core_->device;
  if (!device) return D3DERR_INVALIDCALL;
  const GLDeviceState& s = device->State();
  for (DWORD i = 0; i < D3DRS_COUNT; ++i)
    if (rs_[i]) values_.rs[i] = s.rs[i];
  for (DWORD st = 0; st < kGLStages; ++st)
    for (DWORD t = 0; t < D3DTSS_COUNT; ++t)
      if (tss_[st * D3DTSS_COUNT + t]) values_.tss[st][t] = s.tss[st][t];
  for (DWORD sm = 0; sm < kGLSamplers; ++sm)
    for (DWORD t = 0; t < D3DSAMP_COUNT; ++t)
      if (samp_[sm * D3DSAMP_COUNT + t]) values_.samp[sm][t] = s.samp[sm][t];
  for (DWORD t : transforms_) {
    D3DMATRIX m;
    device->GetTransform(static_cast<D3DTRANSFORMSTATETYPE>(t), &m);
    values_.transforms[t] = m;
  }
  if (material_) values_.material = s.material;
  for (DWORD i : lights_) {
    auto it = s.lights.find(i);
    if (it != s.lights.end()) values_.lights[i].light = it->second.light;
  }
  for (DWORD i : lightEnables_) {
    auto it = s.lights.find(i);
    values_.lights[i].enabled = it != s.lights.end() && it->second.enabled;
  }
  if (viewport_) values_.viewport = s.viewport;
  if (fvf_) values_.fvf = s.fvf;
  for (DWORD st = 0; st < kGLStages; ++st)
    if (textures_[st]) values_.textures[st] = s.textures[st];
  if (stream_) values_.stream = s.stream;
  if (indices_) values_.indices = s.indices;
  return D3D_OK;
}

HRESULT GLStateBlock9::Apply() {
  GLDevice9* device = core_->device;
  if (!device) return D3DERR_INVALIDCALL;
  for (DWORD i = 0; i < D3DRS_COUNT; ++i)
    if (rs_[i]) device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(i), values_.rs[i]);
  for (DWORD st = 0; st < kGLStages; ++st)
    for (DWORD t = 0; t < D3DTSS_COUNT; ++t)
      if (tss_[st * D3DTSS_COUNT + t])
        device->SetTextureStageState(st, static_cast<D3DTEXTURESTAGESTATETYPE>(t),
                                     values_.tss[st][t]);
  for (DWORD sm = 0; sm < kGLSamplers; ++sm)
    for (DWORD t = 0; t < D3DSAMP_COUNT; ++t)
      if (samp_[sm * D3DSAMP_COUNT + t])
        device->SetSamplerState(sm, static_cast<D3DSAMPLERSTATETYPE>(t), values_.samp[sm][t]);
  for (DWORD t : transforms_)
    device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(t), &values_.transforms[t]);
  if (material_) device->SetMaterial(&values_.material);
  for (DWORD i : lights_)
    if (values_.lights.count(i)) device->SetLight(i, &values_.lights[i].light);
  for (DWORD i : lightEnables_)
    if (values_.lights.count(i)) device->LightEnable(i, values_.lights[i].enabled);
  if (viewport_) device->SetViewport(&values_.viewport);
  if (fvf_) device->SetFVF(values_.fvf);
  for (DWORD st = 0; st < kGLStages; ++st)
    if (textures_[st]) device->SetTexture(st, values_.textures[st].Get());
  if (stream_)
    device->SetStreamSource(0, values_.stream.buffer.Get(), values_.stream.offset,
                            values_.stream.stride);
  if (indices_) device->SetIndices(values_.indices.Get());
  return D3D_OK;
}

void GLStateBlock9::NoteRenderState(DWORD state, DWORD value) {
  rs_.set(state);
  values_.rs[state] = value;
}
void GLStateBlock9::NoteTextureStageState(DWORD stage, DWORD type, DWORD value) {
  tss_.set(stage * D3DTSS_COUNT + type);
  values_.tss[stage][type] = value;
}
void GLStateBlock9::NoteSamplerState(DWORD sampler, DWORD type, DWORD value) {
  samp_.set(sampler * D3DSAMP_COUNT + type);
  values_.samp[sampler][type] = value;
}
void GLStateBlock9::NoteTransform(DWORD state, const D3DMATRIX& m) {
  transforms_.insert(state);
  values_.transforms[state] = m;
}
void GLStateBlock9::NoteMaterial(const D3DMATERIAL9& m) {
  material_ = true;
  values_.material = m;
}
void GLStateBlock9::NoteLight(DWORD index, const D3DLIGHT9& light) {
  lights_.insert(index);
  values_.lights[index].light = light;
}
void GLStateBlock9::NoteLightEnable(DWORD index, bool enabled) {
  lightEnables_.insert(index);
  values_.lights[index].enabled = enabled;
}
void GLStateBlock9::NoteViewport(const D3DVIEWPORT9& v) {
  viewport_ = true;
  values_.viewport = v;
}
void GLStateBlock9::NoteFVF(DWORD fvf) {
  fvf_ = true;
  values_.fvf = fvf;
}
void GLStateBlock9::NoteTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  textures_.set(stage);
  values_.textures[stage] = Ref<IDirect3DBaseTexture9>(texture);
}
void GLStateBlock9::NoteStream(const GLStream& stream) {
  stream_ = true;
  values_.stream = stream;
}
void GLStateBlock9::NoteIndices(IDirect3DIndexBuffer9* indices) {
  indices_ = true;
  values_.indices = Ref<IDirect3DIndexBuffer9>(indices);
}
