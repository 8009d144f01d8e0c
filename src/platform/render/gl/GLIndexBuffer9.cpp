#include "platform/render/gl/GLIndexBuffer9.h"

#include <algorithm>
#include <cstring>

#include "platform/render/gl/GLDevice9.h"

HRESULT GLIndexBuffer9::GetDevice(IDirect3DDevice9** ppDevice) {
  if (!ppDevice) return D3DERR_INVALIDCALL;
  *ppDevice = Ref<IDirect3DDevice9>(buffer_.Core()->device).Detach();
  return buffer_.Core()->device ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT GLIndexBuffer9::Unlock() {
  const HRESULT hr = buffer_.Unlock();
  if (SUCCEEDED(hr)) maxIndex_ = MaxIndex(0, buffer_.Length() / IndexSize());
  return hr;
}

UINT GLIndexBuffer9::MaxIndex(UINT start, UINT count) const {
  const UINT size = IndexSize();
  UINT result = 0;
  for (UINT i = start; i < start + count; ++i) {
    if (size == 2) {
      std::uint16_t v;
      std::memcpy(&v, buffer_.Bytes() + i * 2, 2);
      result = std::max<UINT>(result, v);
    } else {
      std::uint32_t v;
      std::memcpy(&v, buffer_.Bytes() + i * 4, 4);
      result = std::max<UINT>(result, v);
    }
  }
  return result;
}

HRESULT GLIndexBuffer9::GetDesc(D3DINDEXBUFFER_DESC* pDesc) {
  if (!pDesc) return D3DERR_INVALIDCALL;
  pDesc->Format = format_;
  pDesc->Type = D3DRTYPE_INDEXBUFFER;
  pDesc->Usage = buffer_.Usage();
  pDesc->Pool = buffer_.Pool();
  pDesc->Size = buffer_.Length();
  return D3D_OK;
}
