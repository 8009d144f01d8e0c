#include "platform/render/gl/GLVertexBuffer9.h"

#include "platform/render/gl/GLDevice9.h"

HRESULT GLVertexBuffer9::GetDevice(IDirect3DDevice9** ppDevice) {
  if (!ppDevice) return D3DERR_INVALIDCALL;
  *ppDevice = Ref<IDirect3DDevice9>(buffer_.Core()->device).Detach();
  return buffer_.Core()->device ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT GLVertexBuffer9::GetDesc(D3DVERTEXBUFFER_DESC* pDesc) {
  if (!pDesc) return D3DERR_INVALIDCALL;
  pDesc->Format = D3DFMT_VERTEXDATA;
  pDesc->Type = D3DRTYPE_VERTEXBUFFER;
  pDesc->Usage = buffer_.Usage();
  pDesc->Pool = buffer_.Pool();
  pDesc->Size = buffer_.Length();
  pDesc->FVF = fvf_;
  return D3D_OK;
}
