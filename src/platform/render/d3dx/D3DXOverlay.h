// Screen-space triangles over the render contract, for the D3DX font and sprite: Direct3D
// states around one DrawPrimitiveUP, and the device's own states put back afterwards from a
// state block. The overlay holds that block while the device is usable, as D3DX's objects
// hold theirs; like them, an overlay not through Lose keeps the device from a Reset.
#pragma once

#include <vector>

#include "platform/render/d3d9.h"

struct OverlayVertex {
  float x, y;  // render-target pixels, origin at the top-left corner of the top-left pixel
  float u, v;
  D3DCOLOR color;
};

class D3DXOverlay {
 public:
  explicit D3DXOverlay(IDirect3DDevice9* device) : device_(device) {}

  IDirect3DDevice9* Device() const { return device_.Get(); }
  // Makes the state block (at creation, and after a Reset).
  HRESULT Restore();
  // Lets the state block go, before a Reset.
  void Lose() { saved_ = nullptr; }
  bool Lost() const { return !saved_; }

  // Draws triangles of the texture's texels (none: the vertex colour alone) modulated by the
  // vertex colour, sampled linearly or at the nearest texel, blended source alpha over inverse
  // source alpha, without depth test, culling or lighting, over the whole render target. The
  // device's states, texture, shaders, stream and viewport are as they were afterwards.
  // D3DERR_INVALIDCALL while lost; outside a scene the device refuses the draw.
  HRESULT Draw(IDirect3DTexture9* texture, bool linear, const std::vector<OverlayVertex>& vertices);

 private:
  Ref<IDirect3DDevice9> device_;
  Ref<IDirect3DStateBlock9> saved_;
};
