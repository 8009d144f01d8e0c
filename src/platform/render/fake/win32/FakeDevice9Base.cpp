#include "platform/render/fake/win32/FakeDevice9Base.h"

namespace {

// Clears an interface out-parameter, as Direct3D does when a call fails.
template <class T>
HRESULT Refused(T** pp) {
  if (pp) *pp = nullptr;
  return D3DERR_INVALIDCALL;
}

}  // namespace

HRESULT STDMETHODCALLTYPE FakeDevice9Base::EvictManagedResources() {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::CreateAdditionalSwapChain(
    D3DPRESENT_PARAMETERS*, IDirect3DSwapChain9** ppSwapChain) {
  return Refused(ppSwapChain);
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetSwapChain(UINT, IDirect3DSwapChain9** ppSwapChain) {
  return Refused(ppSwapChain);
}

UINT STDMETHODCALLTYPE FakeDevice9Base::GetNumberOfSwapChains() {
  return 1;  // the implicit swap chain
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetRasterStatus(UINT, D3DRASTER_STATUS*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::SetDialogBoxMode(BOOL) {
  return D3DERR_INVALIDCALL;
}

void STDMETHODCALLTYPE FakeDevice9Base::SetGammaRamp(UINT, DWORD, const D3DGAMMARAMP*) {}

void STDMETHODCALLTYPE FakeDevice9Base::GetGammaRamp(UINT, D3DGAMMARAMP*) {}

HRESULT STDMETHODCALLTYPE
FakeDevice9Base::CreateVolumeTexture(UINT, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                     IDirect3DVolumeTexture9** ppVolumeTexture, HANDLE*) {
  return Refused(ppVolumeTexture);
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::CreateCubeTexture(UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                                             IDirect3DCubeTexture9** ppCubeTexture,
                                                             HANDLE*) {
  return Refused(ppCubeTexture);
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::CreateDepthStencilSurface(UINT, UINT, D3DFORMAT,
                                                                     D3DMULTISAMPLE_TYPE, DWORD,
                                                                     BOOL,
                                                                     IDirect3DSurface9** ppSurface,
                                                                     HANDLE*) {
  return Refused(ppSurface);
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::UpdateSurface(IDirect3DSurface9*, const RECT*,
                                                         IDirect3DSurface9*, const POINT*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::UpdateTexture(IDirect3DBaseTexture9*,
                                                         IDirect3DBaseTexture9*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetRenderTargetData(IDirect3DSurface9*,
                                                               IDirect3DSurface9*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetFrontBufferData(UINT, IDirect3DSurface9*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::ColorFill(IDirect3DSurface9*, const RECT*, D3DCOLOR) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::SetDepthStencilSurface(IDirect3DSurface9*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE
FakeDevice9Base::GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) {
  return Refused(ppZStencilSurface);
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::MultiplyTransform(D3DTRANSFORMSTATETYPE,
                                                             const D3DMATRIX*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::SetClipPlane(DWORD, const float*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetClipPlane(DWORD, float*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::SetClipStatus(const D3DCLIPSTATUS9*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetClipStatus(D3DCLIPSTATUS9*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::ValidateDevice(DWORD*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::SetPaletteEntries(UINT, const PALETTEENTRY*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetPaletteEntries(UINT, PALETTEENTRY*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::SetCurrentTexturePalette(UINT) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetCurrentTexturePalette(UINT*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::SetScissorRect(const RECT*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetScissorRect(RECT*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::SetSoftwareVertexProcessing(BOOL) {
  return D3DERR_INVALIDCALL;
}

BOOL STDMETHODCALLTYPE FakeDevice9Base::GetSoftwareVertexProcessing() {
  return FALSE;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::SetNPatchMode(float) {
  return D3DERR_INVALIDCALL;
}

float STDMETHODCALLTYPE FakeDevice9Base::GetNPatchMode() {
  return 0.0f;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE, UINT, UINT,
                                                                  UINT, const void*, D3DFORMAT,
                                                                  const void*, UINT) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::ProcessVertices(UINT, UINT, UINT,
                                                           IDirect3DVertexBuffer9*,
                                                           IDirect3DVertexDeclaration9*, DWORD) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::CreateVertexDeclaration(
    const D3DVERTEXELEMENT9*, IDirect3DVertexDeclaration9** ppDeclaration) {
  return Refused(ppDeclaration);
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::SetVertexDeclaration(IDirect3DVertexDeclaration9*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE
FakeDevice9Base::GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) {
  return Refused(ppDecl);
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::CreateVertexShader(const DWORD*,
                                                              IDirect3DVertexShader9** ppShader) {
  return Refused(ppShader);
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetVertexShader(IDirect3DVertexShader9** ppShader) {
  return Refused(ppShader);
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::SetVertexShaderConstantF(UINT, const float*, UINT) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetVertexShaderConstantF(UINT, float*, UINT) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::SetVertexShaderConstantI(UINT, const int*, UINT) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetVertexShaderConstantI(UINT, int*, UINT) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::SetVertexShaderConstantB(UINT, const BOOL*, UINT) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetVertexShaderConstantB(UINT, BOOL*, UINT) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetStreamSource(UINT,
                                                           IDirect3DVertexBuffer9** ppStreamData,
                                                           UINT*, UINT*) {
  return Refused(ppStreamData);
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::SetStreamSourceFreq(UINT, UINT) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetStreamSourceFreq(UINT, UINT*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetIndices(IDirect3DIndexBuffer9** ppIndexData) {
  return Refused(ppIndexData);
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::CreatePixelShader(const DWORD*,
                                                             IDirect3DPixelShader9** ppShader) {
  return Refused(ppShader);
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetPixelShader(IDirect3DPixelShader9** ppShader) {
  return Refused(ppShader);
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::SetPixelShaderConstantF(UINT, const float*, UINT) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetPixelShaderConstantF(UINT, float*, UINT) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::SetPixelShaderConstantI(UINT, const int*, UINT) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetPixelShaderConstantI(UINT, int*, UINT) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::SetPixelShaderConstantB(UINT, const BOOL*, UINT) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::GetPixelShaderConstantB(UINT, BOOL*, UINT) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::DrawRectPatch(UINT, const float*,
                                                         const D3DRECTPATCH_INFO*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::DrawTriPatch(UINT, const float*,
                                                        const D3DTRIPATCH_INFO*) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::DeletePatch(UINT) {
  return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDevice9Base::CreateQuery(D3DQUERYTYPE, IDirect3DQuery9** ppQuery) {
  return Refused(ppQuery);
}
