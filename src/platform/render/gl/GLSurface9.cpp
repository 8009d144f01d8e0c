#include "platform/render/gl/GLSurface9.h"

#include "platform/render/gl/GLDevice9.h"
#include "platform/render/gl/GLFormats.h"
#include "platform/render/gl/GLTexture9.h"

GLSurface9::GLSurface9(const Ref<GLCore>& core, Kind kind) : core_(core), kind_(kind) {}

GLSurface9::~GLSurface9() {
  if (kind_ != Kind::kTextureLevel && desc_.Pool == D3DPOOL_DEFAULT) --core_->defaultPoolObjects;
  if (kind_ == Kind::kRenderTarget && core_->MakeCurrent()) {
    auto* gl = core_->gl();
    if (fbo_) gl->glDeleteFramebuffers(1, &fbo_);
    for (GLuint* rb : {&colorRb_, &depthRb_})
      if (*rb) gl->glDeleteRenderbuffers(1, rb);
  }
}

GLSurface9* GLSurface9::Offscreen(const Ref<GLCore>& core, UINT width, UINT height,
                                  D3DFORMAT format, D3DPOOL pool) {
  GLTextureFormat tf;
  if (width == 0 || height == 0 || !GLTextureFormatOf(format, &tf)) return nullptr;
  auto* s = new GLSurface9(core, Kind::kOffscreen);
  s->desc_.Format = format;
  s->desc_.Pool = pool;
  s->desc_.Width = width;
  s->desc_.Height = height;
  s->bits_.assign(static_cast<std::size_t>(width) * height * tf.bytesPerPixel, 0);
  if (pool == D3DPOOL_DEFAULT) ++core->defaultPoolObjects;
  return s;
}

GLSurface9* GLSurface9::OfTextureLevel(const Ref<GLCore>& core, const Ref<GLTexture9>& texture,
                                       UINT level) {
  auto* s = new GLSurface9(core, Kind::kTextureLevel);
  s->texture_ = texture;
  s->level_ = level;
  texture->GetLevelDesc(level, &s->desc_);
  return s;
}

GLSurface9* GLSurface9::BackBuffer(const Ref<GLCore>& core, const D3DSURFACE_DESC& desc) {
  auto* s = new GLSurface9(core, Kind::kBackBuffer);
  s->desc_ = desc;
  // Held swap-chain surfaces keep Reset from proceeding, as on Direct3D.
  s->desc_.Pool = D3DPOOL_DEFAULT;
  ++core->defaultPoolObjects;
  return s;
}

GLSurface9* GLSurface9::RenderTarget(const Ref<GLCore>& core, UINT width, UINT height,
                                     D3DFORMAT format, GLenum colorFormat, GLenum depthFormat) {
  if (width == 0 || height == 0 || !colorFormat || !core->MakeCurrent()) return nullptr;
  auto* s = new GLSurface9(core, Kind::kRenderTarget);
  s->desc_.Format = format;
  s->desc_.Type = D3DRTYPE_SURFACE;
  s->desc_.Usage = D3DUSAGE_RENDERTARGET;
  s->desc_.Pool = D3DPOOL_DEFAULT;
  s->desc_.MultiSampleType = D3DMULTISAMPLE_NONE;
  s->desc_.MultiSampleQuality = 0;
  s->desc_.Width = width;
  s->desc_.Height = height;
  ++core->defaultPoolObjects;
  auto* gl = core->gl();
  const auto w = static_cast<GLsizei>(width), h = static_cast<GLsizei>(height);
  gl->glGenFramebuffers(1, &s->fbo_);
  gl->glBindFramebuffer(GL_FRAMEBUFFER, s->fbo_);
  gl->glGenRenderbuffers(1, &s->colorRb_);
  gl->glBindRenderbuffer(GL_RENDERBUFFER, s->colorRb_);
  gl->glRenderbufferStorage(GL_RENDERBUFFER, colorFormat, w, h);
  gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, s->colorRb_);
  // Direct3D lends the device's depth buffer to a smaller target; GL cannot attach a buffer
  // of another size, so the target has one of its own that Clear and the depth test use alike.
  if (depthFormat) {
    gl->glGenRenderbuffers(1, &s->depthRb_);
    gl->glBindRenderbuffer(GL_RENDERBUFFER, s->depthRb_);
    gl->glRenderbufferStorage(GL_RENDERBUFFER, depthFormat, w, h);
    gl->glFramebufferRenderbuffer(
        GL_FRAMEBUFFER,
        depthFormat == GL_DEPTH24_STENCIL8 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
        GL_RENDERBUFFER, s->depthRb_);
  }
  const bool complete = gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  if (gl->glGetError() != GL_NO_ERROR || !complete) {
    Ref<GLSurface9> drop(s);
    return nullptr;
  }
  return s;
}

HRESULT GLSurface9::GetDevice(IDirect3DDevice9** ppDevice) {
  if (!ppDevice) return D3DERR_INVALIDCALL;
  *ppDevice = Ref<IDirect3DDevice9>(core_->device).Detach();
  return core_->device ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT GLSurface9::GetDesc(D3DSURFACE_DESC* pDesc) {
  if (!pDesc) return D3DERR_INVALIDCALL;
  *pDesc = desc_;
  return D3D_OK;
}

HRESULT GLSurface9::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) {
  if (!pLockedRect) return D3DERR_INVALIDCALL;
  if (kind_ == Kind::kTextureLevel) return texture_->LockRect(level_, pLockedRect, pRect, Flags);
  if (kind_ == Kind::kBackBuffer || locked_) return D3DERR_INVALIDCALL;
  GLTextureFormat tf;
  GLTextureFormatOf(desc_.Format, &tf);
  RECT r{0, 0, static_cast<LONG>(desc_.Width), static_cast<LONG>(desc_.Height)};
  if (pRect) {
    if (pRect->left < 0 || pRect->top < 0 || pRect->right > r.right || pRect->bottom > r.bottom ||
        pRect->left >= pRect->right || pRect->top >= pRect->bottom)
      return D3DERR_INVALIDCALL;
    r = *pRect;
  }
  const INT pitch = static_cast<INT>(desc_.Width * tf.bytesPerPixel);
  pLockedRect->Pitch = pitch;
  pLockedRect->pBits = bits_.data() + static_cast<std::size_t>(r.top) * pitch +
                       static_cast<std::size_t>(r.left) * tf.bytesPerPixel;
  locked_ = true;
  return D3D_OK;
}

HRESULT GLSurface9::UnlockRect() {
  if (kind_ == Kind::kTextureLevel) return texture_->UnlockRect(level_);
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  return D3D_OK;
}
