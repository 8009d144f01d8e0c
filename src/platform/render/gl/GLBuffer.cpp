#include "platform/render/gl/GLBuffer.h"

GLBuffer::GLBuffer(const Ref<GLCore>& core, UINT length, DWORD usage, D3DPOOL pool)
    : core_(core), bytes_(length, 0), usage_(usage), pool_(pool) {
  if (length == 0 || !core_->MakeCurrent()) return;
  auto* gl = core_->gl();
  gl->glGenBuffers(1, &id_);
  gl->glBindBuffer(GL_COPY_WRITE_BUFFER, id_);
  gl->glBufferData(GL_COPY_WRITE_BUFFER, length, bytes_.data(),
                   (usage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
  if (gl->glGetError() != GL_NO_ERROR) {
    gl->glDeleteBuffers(1, &id_);
    id_ = 0;
  }
  if (pool_ == D3DPOOL_DEFAULT) ++core_->defaultPoolObjects;
}

GLBuffer::~GLBuffer() {
  if (id_ && pool_ == D3DPOOL_DEFAULT) --core_->defaultPoolObjects;
  if (id_ && core_->MakeCurrent()) core_->gl()->glDeleteBuffers(1, &id_);
}

HRESULT GLBuffer::Lock(UINT offset, UINT size, void** data, DWORD flags) {
  if (!data) return D3DERR_INVALIDCALL;
  *data = nullptr;
  if (locked_ || offset > bytes_.size()) return D3DERR_INVALIDCALL;
  if (size == 0) size = static_cast<UINT>(bytes_.size()) - offset;
  if (size > bytes_.size() - offset) return D3DERR_INVALIDCALL;
  locked_ = true;
  lockOffset_ = offset;
  lockSize_ = size;
  discard_ = (flags & D3DLOCK_DISCARD) != 0;
  if (flags & D3DLOCK_READONLY) lockSize_ = 0;
  *data = bytes_.data() + offset;
  return D3D_OK;
}

HRESULT GLBuffer::Unlock() {
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  if (lockSize_ == 0 || !core_->MakeCurrent()) return D3D_OK;
  auto* gl = core_->gl();
  gl->glBindBuffer(GL_COPY_WRITE_BUFFER, id_);
  if (discard_) {
    // A fresh store lets the driver keep drawing from the old one meanwhile.
    gl->glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(bytes_.size()), bytes_.data(),
                     GL_DYNAMIC_DRAW);
  } else {
    gl->glBufferSubData(GL_COPY_WRITE_BUFFER, lockOffset_, lockSize_, bytes_.data() + lockOffset_);
  }
  return D3D_OK;
}
