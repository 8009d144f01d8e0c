#include "scene/TWGlare.h"

#include <cmath>

#include "engine/TW9DirectX.h"
#include "engine/TWPool.h"
#include "engine/TWTextures.h"

namespace zelmar {

TWGlare::TWGlare(TWPool* Pool) : TWSprite(&Pool->WSprites()) {
  GlareTexture = Pool->WTextures().AddTexture("Glare.tga");
}

BYTE TWGlare::Alpha(const TD3DVector& Eye) {
  const float Ratio = 10000.0f / VectorLength(Eye);
  // Limited before converting, so the Sun's own centre (an infinite ratio) is full white.
  if (!(Ratio > 0.0f)) return 0;
  if (Ratio >= 255.0f) return 255;
  return static_cast<BYTE>(std::nearbyint(Ratio));
}

void TWGlare::Render(const TD3DVector& Eye, TW9DirectX* DX) {
  IDirect3DDevice9* Device = DX ? DX->Device() : nullptr;
  // Without its picture the glare would be a white sheet over the screen: left out.
  if (!Device || !GlareTexture || !GlareTexture->Texture()) return;
  // A veil of alpha 0 blends to the very pixels below it: far from the Sun it costs a whole
  // screen of blending for nothing.
  const BYTE A = Alpha(Eye);
  if (A == 0) return;
  Device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  Device->SetRenderState(D3DRS_LIGHTING, FALSE);
  // The texture magnified by the scene's size in pixels (the back buffer's, or the smaller
  // target's under a frame budget) from the top-left corner covers it whatever the texture's
  // size; the sprite blends by itself.
  const RECT Screen = DX->GetSceneRect();
  const D3DXVECTOR2 Scaling(static_cast<float>(Screen.right - Screen.left),
                            static_cast<float>(Screen.bottom - Screen.top));
  const D3DXVECTOR2 Translation(0.0f, 0.0f);
  Draw(GlareTexture, nullptr, &Scaling, nullptr, 0.0f, &Translation,
       D3DCOLOR_ARGB(A, 255, 255, 255));
  Device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
}

}  // namespace zelmar
