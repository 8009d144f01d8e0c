// Screen-space quads on the real device for the D3DX font and sprite: what the GL backend's
// overlay path does, made of Direct3D states around one DrawPrimitiveUP.
#pragma once

#include <vector>

#include "platform/render/d3d9.h"

struct OverlayVertex {
  float x, y;  // back-buffer pixels, origin at the top-left corner of the top-left pixel
  float u, v;
  D3DCOLOR color;
};

// Draws triangles of the texture's texels (none: the vertex colour alone) modulated by the
// vertex colour, blended source alpha over inverse source alpha, without depth test, culling or
// lighting, over the whole back buffer (clipped to clip when given). The device's states,
// texture, shaders, viewport and scissor rectangle are as they were afterwards.
HRESULT DrawOverlay(IDirect3DDevice9* device, IDirect3DTexture9* texture, bool linear,
                    const std::vector<OverlayVertex>& vertices, const RECT* clip);
