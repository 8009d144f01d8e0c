#pragma once

#include "platform/render/d3d9.h"
#include "platform/render/gl/GLBuffer.h"

class GLVertexBuffer9 final : public IDirect3DVertexBuffer9 {
 public:
  GLVertexBuffer9(const Ref<GLCore>& core, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
      : buffer_(core, length, usage, pool), fvf_(fvf) {}
  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override {
    return buffer_.Lock(OffsetToLock, SizeToLock, ppbData, Flags);
  }
  HRESULT Unlock() override { return buffer_.Unlock(); }
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;
  GLBuffer& Buffer() { return buffer_; }

 private:
  GLBuffer buffer_;
  DWORD fvf_;
};
