// A state block of the GL backend: which states it holds (set while recording, or all of a
// kind for CreateStateBlock) and their values. Apply goes through the device's setters, so
// the device's caching sees every change.
#pragma once

#include <bitset>
#include <set>

#include "platform/render/gl/GLDevice9.h"

class GLStateBlock9 final : public IDirect3DStateBlock9 {
 public:
  explicit GLStateBlock9(const Ref<GLCore>& core);
  ~GLStateBlock9() override;

  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  HRESULT Capture() override;
  HRESULT Apply() override;

  // Takes in every state of a kind (CreateStateBlock), values still to be captured.
  void HoldAll(D3DSTATEBLOCKTYPE type);
  // Recording: the device reports each setter call.
  void NoteRenderState(DWORD state, DWORD value);
  void NoteTextureStageState(DWORD stage, DWORD type, DWORD value);
  void NoteSamplerState(DWORD sampler, DWORD type, DWORD value);
  void NoteTransform(DWORD state, const D3DMATRIX& m);
  void NoteMaterial(const D3DMATERIAL9& m);
  void NoteLight(DWORD index, const D3DLIGHT9& light);
  void NoteLightEnable(DWORD index, bool enabled);
  void NoteViewport(const D3DVIEWPORT9& v);
  void NoteFVF(DWORD fvf);
  void NoteTexture(DWORD stage, IDirect3DBaseTexture9* texture);
  void NoteStream(const GLStream& stream);
  void NoteIndices(IDirect3DIndexBuffer9* indices);

 private:
  Ref<GLCore> core_;
  std::bitset<D3DRS_COUNT> rs_;
  std::bitset<kGLStages * D3DTSS_COUNT> tss_;
  std::bitset<kGLSamplers * D3DSAMP_COUNT> samp_;
  std::set<DWORD> transforms_;
  bool material_ = false;
  std::set<DWORD> lights_;
  std::set<DWORD> lightEnables_;
  bool viewport_ = false, fvf_ = false, stream_ = false, indices_ = false;
  std::bitset<kGLStages> textures_;
  GLDeviceState values_;
};
