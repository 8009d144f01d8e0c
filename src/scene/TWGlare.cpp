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
  IDirect3DDevice9* Device = DX ? DX->Device.Get() : nullptr;
  // Without its picture the glare would be a white sheet over the screen: left out.
  if (!Device || !GlareTexture || !GlareTexture->Texture()) return;
  Device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  Device->SetRenderState(D3DRS_LIGHTING, FALSE);
  // The texture magnified by the window's size in pixels (the back buffer's: full screen, the
  // screen's) from the top-left corner covers it whatever the texture's size; the sprite blends
  // by itself.
  const RECT Screen = DX->GetBackBufferRect();
  const D3DXVECTOR2 Scaling(static_cast<float>(Screen.right - Screen.left),
                            static_cast<float>(Screen.bottom - Screen.top));
  const D3DXVECTOR2 Translation(0.0f, 0.0f);
  Draw(GlareTexture, nullptr, &Scaling, nullptr, 0.0f, &Translation,
       D3DCOLOR_ARGB(Alpha(Eye), 255, 255, 255));
  Device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
}

}  // namespace zelmar
