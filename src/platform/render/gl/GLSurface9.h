// Surfaces of the GL backend: an off-screen image in memory (the cursor), a view of one mip
// level of a texture, the back buffer (its description only), or a render target (a
// framebuffer object with its own colour and depth, drawn into through SetRenderTarget).
#pragma once

#include <vector>

#include "platform/render/d3d9.h"
#include "platform/render/gl/GLCore.h"

class GLTexture9;

class GLSurface9 final : public IDirect3DSurface9 {
 public:
  static GLSurface9* Offscreen(const Ref<GLCore>& core, UINT width, UINT height, D3DFORMAT format,
                               D3DPOOL pool);
  static GLSurface9* OfTextureLevel(const Ref<GLCore>& core, const Ref<GLTexture9>& texture,
                                    UINT level);
  static GLSurface9* BackBuffer(const Ref<GLCore>& core, const D3DSURFACE_DESC& desc);
  // Null (with GL's objects freed) when the framebuffer cannot be made; depthFormat 0: none.
  static GLSurface9* RenderTarget(const Ref<GLCore>& core, UINT width, UINT height,
                                  D3DFORMAT format, GLenum colorFormat, GLenum depthFormat);
  ~GLSurface9() override;

  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
  HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
  HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
  HRESULT UnlockRect() override;

  bool IsBackBuffer() const { return kind_ == Kind::kBackBuffer; }
  // The render target's framebuffer (0 for every other kind).
  GLuint Framebuffer() const { return fbo_; }
  UINT Width() const { return desc_.Width; }
  UINT Height() const { return desc_.Height; }

 private:
  enum class Kind { kOffscreen, kTextureLevel, kBackBuffer, kRenderTarget };
  GLSurface9(const Ref<GLCore>& core, Kind kind);

  Ref<GLCore> core_;
  Kind kind_;
  D3DSURFACE_DESC desc_;
  std::vector<std::uint8_t> bits_;
  bool locked_ = false;
  Ref<GLTexture9> texture_;
  UINT level_ = 0;
  GLuint fbo_ = 0, colorRb_ = 0, depthRb_ = 0;
};
