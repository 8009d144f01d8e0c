#include "platform/render/gl/GLTexture9.h"

#include <algorithm>

#include "platform/render/d3dx/Image32.h"
#include "platform/render/gl/GLDevice9.h"
#include "platform/render/gl/GLProbe.h"
#include "platform/render/gl/GLSurface9.h"

GLTexture9::GLTexture9(const Ref<GLCore>& core, D3DFORMAT format, DWORD usage, D3DPOOL pool)
    : core_(core), format_(format), usage_(usage), pool_(pool) {
  if (pool_ == D3DPOOL_DEFAULT) ++core_->defaultPoolObjects;
}

GLTexture9::~GLTexture9() {
  if (pool_ == D3DPOOL_DEFAULT) --core_->defaultPoolObjects;
  if (id_ && core_->MakeCurrent()) {
    if (core_->device) core_->device->ForgetTexture(id_);
    core_->gl()->glDeleteTextures(1, &id_);
  }
}

HRESULT GLTexture9::Create(const Ref<GLCore>& core, UINT width, UINT height, UINT levels,
                           DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** out) {
  *out = nullptr;
  GLTextureFormat tf;
  if (width == 0 || height == 0 || !GLTextureFormatOf(format, &tf)) return D3DERR_INVALIDCALL;
  const UINT maxSize = static_cast<UINT>(std::max(ProbeGL().maxTextureSize, 1));
  if (width > maxSize || height > maxSize) return D3DERR_OUTOFVIDEOMEMORY;
  if (!core->MakeCurrent()) return D3DERR_DEVICELOST;
  const UINT full = FullMipCount(width, height);
  if (levels == 0 || levels > full) levels = full;
  Ref<GLTexture9> t(new GLTexture9(core, format, usage, pool));
  t->glFormat_ = tf;
  t->levels_.resize(levels);
  auto* gl = core->gl();
  gl->glGenTextures(1, &t->id_);
  gl->glActiveTexture(GL_TEXTURE0);
  gl->glBindTexture(GL_TEXTURE_2D, t->id_);
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
  gl->glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, tf.swizzle);
  gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  // Every level starts zeroed, from one buffer the size of the largest.
  const std::vector<std::uint8_t> zeros(static_cast<std::size_t>(width) * height *
                                        tf.bytesPerPixel);
  for (UINT i = 0; i < levels; ++i) {
    MipLevel& l = t->levels_[i];
    l.width = std::max(1u, width >> i);
    l.height = std::max(1u, height >> i);
    gl->glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), static_cast<GLint>(tf.internalFormat),
                     static_cast<GLsizei>(l.width), static_cast<GLsizei>(l.height), 0, tf.format,
                     tf.type, zeros.data());
  }
  if (core->device) core->device->ForgetTexture(0);  // the unit-0 binding changed
  if (gl->glGetError() != GL_NO_ERROR) return D3DERR_OUTOFVIDEOMEMORY;
  *out = t.Share();
  return D3D_OK;
}

HRESULT GLTexture9::GetDevice(IDirect3DDevice9** ppDevice) {
  if (!ppDevice) return D3DERR_INVALIDCALL;
  *ppDevice = Ref<IDirect3DDevice9>(core_->device).Detach();
  return core_->device ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT GLTexture9::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
  if (Level >= levels_.size() || !pDesc) return D3DERR_INVALIDCALL;
  pDesc->Format = format_;
  pDesc->Type = D3DRTYPE_SURFACE;
  pDesc->Usage = usage_;
  pDesc->Pool = pool_;
  pDesc->MultiSampleType = D3DMULTISAMPLE_NONE;
  pDesc->MultiSampleQuality = 0;
  pDesc->Width = levels_[Level].width;
  pDesc->Height = levels_[Level].height;
  return D3D_OK;
}

HRESULT GLTexture9::GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) {
  if (!ppSurfaceLevel) return D3DERR_INVALIDCALL;
  *ppSurfaceLevel = nullptr;
  if (Level >= levels_.size()) return D3DERR_INVALIDCALL;
  *ppSurfaceLevel =
      Ref<IDirect3DSurface9>(GLSurface9::OfTextureLevel(core_, Ref<GLTexture9>(this), Level))
          .Detach();
  return D3D_OK;
}

HRESULT GLTexture9::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD) {
  if (Level >= levels_.size() || !pLockedRect) return D3DERR_INVALIDCALL;
  MipLevel& l = levels_[Level];
  if (l.locked) return D3DERR_INVALIDCALL;
  RECT r{0, 0, static_cast<LONG>(l.width), static_cast<LONG>(l.height)};
  if (pRect) {
    if (pRect->left < 0 || pRect->top < 0 || pRect->right > r.right || pRect->bottom > r.bottom ||
        pRect->left >= pRect->right || pRect->top >= pRect->bottom)
      return D3DERR_INVALIDCALL;
    r = *pRect;
  }
  if (!ReadBack(Level)) return D3DERR_DEVICELOST;
  const INT pitch = static_cast<INT>(l.width * glFormat_.bytesPerPixel);
  pLockedRect->Pitch = pitch;
  pLockedRect->pBits = l.bits.data() + static_cast<std::size_t>(r.top) * pitch +
                       static_cast<std::size_t>(r.left) * glFormat_.bytesPerPixel;
  l.locked = true;
  return D3D_OK;
}

HRESULT GLTexture9::UnlockRect(UINT Level) {
  if (Level >= levels_.size() || !levels_[Level].locked) return D3DERR_INVALIDCALL;
  MipLevel& l = levels_[Level];
  l.locked = false;
  Upload(Level, l.bits.data());
  std::vector<std::uint8_t>().swap(l.bits);
  return D3D_OK;
}

bool GLTexture9::ReadBack(UINT level) {
  MipLevel& l = levels_[level];
  if (!core_->MakeCurrent()) return false;
  l.bits.assign(static_cast<std::size_t>(l.width) * l.height * glFormat_.bytesPerPixel, 0);
  if (!l.written) return true;
  auto* gl = core_->gl();
  gl->glActiveTexture(GL_TEXTURE0);
  gl->glBindTexture(GL_TEXTURE_2D, id_);
  gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
  gl->glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), glFormat_.format, glFormat_.type,
                    l.bits.data());
  if (core_->device) core_->device->ForgetTexture(0);
  return true;
}

void GLTexture9::Upload(UINT level, const std::uint8_t* bits) {
  if (!core_->MakeCurrent()) return;
  auto* gl = core_->gl();
  MipLevel& l = levels_[level];
  gl->glActiveTexture(GL_TEXTURE0);
  gl->glBindTexture(GL_TEXTURE_2D, id_);
  gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  gl->glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, static_cast<GLsizei>(l.width),
                      static_cast<GLsizei>(l.height), glFormat_.format, glFormat_.type, bits);
  l.written = true;
  if (core_->device) core_->device->ForgetTexture(0);
}
