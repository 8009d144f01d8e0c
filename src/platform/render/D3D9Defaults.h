// Direct3D 9's documented initial device state, in one place, for every backend: a new device
// and a Reset device start from these values.
#pragma once

#include "platform/render/d3d9types.h"

// The initial value of a render state; D3DRS_ZENABLE depends on whether the presentation
// parameters asked for an automatic depth buffer. Unknown states are 0.
DWORD D3DDefaultRenderState(D3DRENDERSTATETYPE State, BOOL AutoDepthStencil);
// The initial value of a texture stage state of stage 0..7.
DWORD D3DDefaultTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type);
DWORD D3DDefaultSamplerState(D3DSAMPLERSTATETYPE Type);
// The light that LightEnable creates at an index never given to SetLight: a white directional
// light shining along +z.
D3DLIGHT9 D3DDefaultLight();
// Identity, for every transform.
D3DMATRIX D3DIdentityMatrix();
// The description of the back buffer that the presentation parameters ask for.
D3DSURFACE_DESC D3DBackBufferDesc(const D3DPRESENT_PARAMETERS& Params);
