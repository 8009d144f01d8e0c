// The memory and GL buffer behind a vertex or index buffer: Lock hands out a pointer into a
// copy kept in memory, Unlock uploads the locked bytes (all of them, orphaning the old
// storage, after D3DLOCK_DISCARD). Uploads go through the copy-write target so that no
// vertex-array binding is disturbed.
#pragma once

#include <vector>

#include "platform/render/d3d9.h"
#include "platform/render/gl/GLCore.h"

class GLBuffer {
 public:
  GLBuffer(const Ref<GLCore>& core, UINT length, DWORD usage, D3DPOOL pool);
  ~GLBuffer();
  bool Valid() const { return id_ != 0; }
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
  HRESULT Unlock();
  GLuint Id() const { return id_; }
  UINT Length() const { return static_cast<UINT>(bytes_.size()); }
  const std::uint8_t* Bytes() const { return bytes_.data(); }
  DWORD Usage() const { return usage_; }
  D3DPOOL Pool() const { return pool_; }
  GLCore* Core() const { return core_.Get(); }

 private:
  Ref<GLCore> core_;
  std::vector<std::uint8_t> bytes_;
  DWORD usage_;
  D3DPOOL pool_;
  GLuint id_ = 0;
  bool locked_ = false;
  UINT lockOffset_ = 0, lockSize_ = 0;
  bool discard_ = false;
};
