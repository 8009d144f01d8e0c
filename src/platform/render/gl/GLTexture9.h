// A texture of the GL backend. Its pixels live in the GL texture only: a level is copied into
// memory in its Direct3D format while it is locked (LockRect is a pointer into that copy) and
// uploaded and dropped at UnlockRect, so a texture costs its size once, not twice (a software
// rasterizer keeps the GL texture in main memory too).
#pragma once

#include <vector>

#include "platform/render/d3d9.h"
#include "platform/render/gl/GLCore.h"
#include "platform/render/gl/GLFormats.h"

class GLTexture9 final : public IDirect3DTexture9 {
 public:
  // Levels 0: the full chain. D3DERR_INVALIDCALL for a zero size or an unsupported format,
  // D3DERR_OUTOFVIDEOMEMORY beyond the driver's largest texture.
  static HRESULT Create(const Ref<GLCore>& core, UINT width, UINT height, UINT levels, DWORD usage,
                        D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** out);
  ~GLTexture9() override;

  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
  DWORD GetLevelCount() override { return static_cast<DWORD>(levels_.size()); }
  HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
  HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) override;
  HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                   DWORD Flags) override;
  HRESULT UnlockRect(UINT Level) override;

  GLuint Id() const { return id_; }
  D3DFORMAT Format() const { return format_; }

 private:
  struct MipLevel {
    UINT width = 0, height = 0;
    std::vector<std::uint8_t> bits;  // only while locked
    bool locked = false;
    bool written = false;  // never uploaded: still the zeros it was created with
  };
  GLTexture9(const Ref<GLCore>& core, D3DFORMAT format, DWORD usage, D3DPOOL pool);
  // Copies a level from the GL texture into its bits (a level never written is zeros, with no
  // need to ask GL); false without the GL context.
  bool ReadBack(UINT level);
  void Upload(UINT level, const std::uint8_t* bits);

  Ref<GLCore> core_;
  D3DFORMAT format_;
  DWORD usage_;
  D3DPOOL pool_;
  GLTextureFormat glFormat_;
  std::vector<MipLevel> levels_;
  GLuint id_ = 0;
};
