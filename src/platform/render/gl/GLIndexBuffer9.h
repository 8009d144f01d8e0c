#pragma once

#include "platform/render/d3d9.h"
#include "platform/render/gl/GLBuffer.h"

class GLIndexBuffer9 final : public IDirect3DIndexBuffer9 {
 public:
  GLIndexBuffer9(const Ref<GLCore>& core, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
      : buffer_(core, length, usage, pool), format_(format) {}
  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override {
    return buffer_.Lock(OffsetToLock, SizeToLock, ppbData, Flags);
  }
  HRESULT Unlock() override;
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;
  GLBuffer& Buffer() { return buffer_; }
  D3DFORMAT Format() const { return format_; }
  UINT IndexSize() const { return format_ == D3DFMT_INDEX32 ? 4 : 2; }
  // The largest index in [start, start + count): draws check it against the vertex buffer
  // so that no draw reads past the vertices.
  UINT MaxIndex(UINT start, UINT count) const;
  UINT WholeMaxIndex() const { return maxIndex_; }

 private:
  GLBuffer buffer_;
  D3DFORMAT format_;
  UINT maxIndex_ = 0;  // over the whole buffer, refreshed at Unlock
};
