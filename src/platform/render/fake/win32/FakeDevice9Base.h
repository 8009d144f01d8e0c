// What IDirect3DDevice9 has beyond the render contract (swap chains, render targets, shaders,
// patches, queries and the rest), for the fake device on Windows: refused with
// D3DERR_INVALIDCALL, out-parameters cleared, nothing recorded, so a test sees at once when
// the engine starts to use one of them.
#pragma once

#include "platform/render/d3d9.h"
#include "platform/render/fake/win32/FakeUnknown.h"

class FakeDevice9Base : public FakeUnknown<IDirect3DDevice9> {
 public:
  // ---- IDirect3DDevice9 beyond the contract ----
  HRESULT STDMETHODCALLTYPE EvictManagedResources() override;
  HRESULT STDMETHODCALLTYPE GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS*) override;
  HRESULT STDMETHODCALLTYPE CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS*,
                                                      IDirect3DSwapChain9** ppSwapChain) override;
  HRESULT STDMETHODCALLTYPE GetSwapChain(UINT, IDirect3DSwapChain9** ppSwapChain) override;
  UINT STDMETHODCALLTYPE GetNumberOfSwapChains() override;
  HRESULT STDMETHODCALLTYPE GetRasterStatus(UINT, D3DRASTER_STATUS*) override;
  HRESULT STDMETHODCALLTYPE SetDialogBoxMode(BOOL) override;
  void STDMETHODCALLTYPE SetGammaRamp(UINT, DWORD, const D3DGAMMARAMP*) override;
  void STDMETHODCALLTYPE GetGammaRamp(UINT, D3DGAMMARAMP*) override;
  HRESULT STDMETHODCALLTYPE CreateVolumeTexture(UINT, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                                IDirect3DVolumeTexture9** ppVolumeTexture,
                                                HANDLE*) override;
  HRESULT STDMETHODCALLTYPE CreateCubeTexture(UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                              IDirect3DCubeTexture9** ppCubeTexture,
                                              HANDLE*) override;
  HRESULT STDMETHODCALLTYPE CreateDepthStencilSurface(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE,
                                                      DWORD, BOOL, IDirect3DSurface9** ppSurface,
                                                      HANDLE*) override;
  HRESULT STDMETHODCALLTYPE UpdateSurface(IDirect3DSurface9*, const RECT*, IDirect3DSurface9*,
                                          const POINT*) override;
  HRESULT STDMETHODCALLTYPE UpdateTexture(IDirect3DBaseTexture9*, IDirect3DBaseTexture9*) override;
  HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9*, IDirect3DSurface9*) override;
  HRESULT STDMETHODCALLTYPE GetFrontBufferData(UINT, IDirect3DSurface9*) override;
  HRESULT STDMETHODCALLTYPE ColorFill(IDirect3DSurface9*, const RECT*, D3DCOLOR) override;
  HRESULT STDMETHODCALLTYPE SetDepthStencilSurface(IDirect3DSurface9*) override;
  HRESULT STDMETHODCALLTYPE GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) override;
  HRESULT STDMETHODCALLTYPE MultiplyTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override;
  HRESULT STDMETHODCALLTYPE SetClipPlane(DWORD, const float*) override;
  HRESULT STDMETHODCALLTYPE GetClipPlane(DWORD, float*) override;
  HRESULT STDMETHODCALLTYPE SetClipStatus(const D3DCLIPSTATUS9*) override;
  HRESULT STDMETHODCALLTYPE GetClipStatus(D3DCLIPSTATUS9*) override;
  HRESULT STDMETHODCALLTYPE ValidateDevice(DWORD*) override;
  HRESULT STDMETHODCALLTYPE SetPaletteEntries(UINT, const PALETTEENTRY*) override;
  HRESULT STDMETHODCALLTYPE GetPaletteEntries(UINT, PALETTEENTRY*) override;
  HRESULT STDMETHODCALLTYPE SetCurrentTexturePalette(UINT) override;
  HRESULT STDMETHODCALLTYPE GetCurrentTexturePalette(UINT*) override;
  HRESULT STDMETHODCALLTYPE SetScissorRect(const RECT*) override;
  HRESULT STDMETHODCALLTYPE GetScissorRect(RECT*) override;
  HRESULT STDMETHODCALLTYPE SetSoftwareVertexProcessing(BOOL) override;
  BOOL STDMETHODCALLTYPE GetSoftwareVertexProcessing() override;
  HRESULT STDMETHODCALLTYPE SetNPatchMode(float) override;
  float STDMETHODCALLTYPE GetNPatchMode() override;
  HRESULT STDMETHODCALLTYPE DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE, UINT, UINT, UINT, const void*,
                                                   D3DFORMAT, const void*, UINT) override;
  HRESULT STDMETHODCALLTYPE ProcessVertices(UINT, UINT, UINT, IDirect3DVertexBuffer9*,
                                            IDirect3DVertexDeclaration9*, DWORD) override;
  HRESULT STDMETHODCALLTYPE CreateVertexDeclaration(
      const D3DVERTEXELEMENT9*, IDirect3DVertexDeclaration9** ppDeclaration) override;
  HRESULT STDMETHODCALLTYPE SetVertexDeclaration(IDirect3DVertexDeclaration9*) override;
  HRESULT STDMETHODCALLTYPE GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) override;
  HRESULT STDMETHODCALLTYPE CreateVertexShader(const DWORD*,
                                               IDirect3DVertexShader9** ppShader) override;
  HRESULT STDMETHODCALLTYPE GetVertexShader(IDirect3DVertexShader9** ppShader) override;
  HRESULT STDMETHODCALLTYPE SetVertexShaderConstantF(UINT, const float*, UINT) override;
  HRESULT STDMETHODCALLTYPE GetVertexShaderConstantF(UINT, float*, UINT) override;
  HRESULT STDMETHODCALLTYPE SetVertexShaderConstantI(UINT, const int*, UINT) override;
  HRESULT STDMETHODCALLTYPE GetVertexShaderConstantI(UINT, int*, UINT) override;
  HRESULT STDMETHODCALLTYPE SetVertexShaderConstantB(UINT, const BOOL*, UINT) override;
  HRESULT STDMETHODCALLTYPE GetVertexShaderConstantB(UINT, BOOL*, UINT) override;
  HRESULT STDMETHODCALLTYPE GetStreamSource(UINT, IDirect3DVertexBuffer9** ppStreamData, UINT*,
                                            UINT*) override;
  HRESULT STDMETHODCALLTYPE SetStreamSourceFreq(UINT, UINT) override;
  HRESULT STDMETHODCALLTYPE GetStreamSourceFreq(UINT, UINT*) override;
  HRESULT STDMETHODCALLTYPE GetIndices(IDirect3DIndexBuffer9** ppIndexData) override;
  HRESULT STDMETHODCALLTYPE CreatePixelShader(const DWORD*,
                                              IDirect3DPixelShader9** ppShader) override;
  HRESULT STDMETHODCALLTYPE GetPixelShader(IDirect3DPixelShader9** ppShader) override;
  HRESULT STDMETHODCALLTYPE SetPixelShaderConstantF(UINT, const float*, UINT) override;
  HRESULT STDMETHODCALLTYPE GetPixelShaderConstantF(UINT, float*, UINT) override;
  HRESULT STDMETHODCALLTYPE SetPixelShaderConstantI(UINT, const int*, UINT) override;
  HRESULT STDMETHODCALLTYPE GetPixelShaderConstantI(UINT, int*, UINT) override;
  HRESULT STDMETHODCALLTYPE SetPixelShaderConstantB(UINT, const BOOL*, UINT) override;
  HRESULT STDMETHODCALLTYPE GetPixelShaderConstantB(UINT, BOOL*, UINT) override;
  HRESULT STDMETHODCALLTYPE DrawRectPatch(UINT, const float*, const D3DRECTPATCH_INFO*) override;
  HRESULT STDMETHODCALLTYPE DrawTriPatch(UINT, const float*, const D3DTRIPATCH_INFO*) override;
  HRESULT STDMETHODCALLTYPE DeletePatch(UINT) override;
  HRESULT STDMETHODCALLTYPE CreateQuery(D3DQUERYTYPE, IDirect3DQuery9** ppQuery) override;
};
