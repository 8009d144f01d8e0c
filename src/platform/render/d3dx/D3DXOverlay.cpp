#include "platform/render/d3dx/D3DXOverlay.h"

namespace {

struct ScreenVertex {
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
};
constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

}  // namespace

HRESULT D3DXOverlay::Restore() {
  if (saved_) return D3D_OK;
  return device_->CreateStateBlock(D3DSBT_ALL, &saved_);
}

HRESULT D3DXOverlay::Draw(IDirect3DTexture9* texture, bool linear,
                          const std::vector<OverlayVertex>& vertices) {
  if (!saved_) return D3DERR_INVALIDCALL;
  if (vertices.empty()) return D3D_OK;
  if (HRESULT hr = saved_->Capture(); FAILED(hr)) return hr;
  IDirect3DDevice9* device = device_.Get();

  // The whole render target, whatever viewport the scene left.
  D3DVIEWPORT9 viewport{0, 0, 0, 0, 0.0f, 1.0f};
  Ref<IDirect3DSurface9> target;
  if (SUCCEEDED(device->GetRenderTarget(0, &target))) {
    D3DSURFACE_DESC desc;
    if (SUCCEEDED(target->GetDesc(&desc)))
      viewport.Width = desc.Width, viewport.Height = desc.Height;
  }
  device->SetViewport(&viewport);
  device->SetVertexShader(nullptr);
  device->SetPixelShader(nullptr);
  device->SetFVF(kScreenFvf);
  device->SetTexture(0, texture);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, FALSE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
  device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  device->SetRenderState(D3DRS_FOGENABLE, FALSE);
  device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
  device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
  device->SetRenderState(D3DRS_SRGBWRITEENABLE, FALSE);
  device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
  const DWORD op = texture ? D3DTOP_MODULATE : D3DTOP_SELECTARG2;
  device->SetTextureStageState(0, D3DTSS_COLOROP, op);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, op);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
  device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
  device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  const DWORD filter = linear ? D3DTEXF_LINEAR : D3DTEXF_POINT;
  device->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
  device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
  device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);

  // Direct3D puts pixel centres on whole numbers: half a pixel back lines texels up with pixels.
  std::vector<ScreenVertex> screen;
  screen.reserve(vertices.size());
  for (const OverlayVertex& v : vertices)
    screen.push_back({v.x - 0.5f, v.y - 0.5f, 0.0f, 1.0f, v.color, v.u, v.v});
  const HRESULT hr =
      device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(screen.size() / 3),
                              screen.data(), sizeof(ScreenVertex));
  saved_->Apply();
  return hr;
}
