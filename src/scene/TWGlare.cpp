#include "scene/TWGlare.h"

#include <cmath>
#include <cstddef>

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

HRESULT TWGlare::RestoreDeviceObjects() {
  Plain = GlareTexture && PlainWhite(GlareTexture->Texture());
  return TWSprite::RestoreDeviceObjects();
}

bool TWGlare::PlainWhite(IDirect3DTexture9* Texture) {
  D3DSURFACE_DESC Desc{};
  if (!Texture || FAILED(Texture->GetLevelDesc(0, &Desc)) ||
      (Desc.Format != D3DFMT_A8R8G8B8 && Desc.Format != D3DFMT_X8R8G8B8))
    return false;
  D3DLOCKED_RECT Locked{};
  if (FAILED(Texture->LockRect(0, &Locked, nullptr, D3DLOCK_READONLY))) return false;
  const DWORD Opaque = Desc.Format == D3DFMT_X8R8G8B8 ? 0xFF000000u : 0u;
  bool White = true;
  for (UINT Y = 0; Y < Desc.Height && White; ++Y) {
    const auto* Row = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(Locked.pBits) +
                                                     static_cast<std::size_t>(Y) * Locked.Pitch);
    for (UINT X = 0; X < Desc.Width && White; ++X) White = (Row[X] | Opaque) == 0xFFFFFFFFu;
  }
  Texture->UnlockRect(0);
  return White;
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
  // size; so does the sprite's one pixel of colour without a texture. The sprite blends by
  // itself.
  const RECT Screen = DX->GetSceneRect();
  const D3DXVECTOR2 Scaling(static_cast<float>(Screen.right - Screen.left),
                            static_cast<float>(Screen.bottom - Screen.top));
  const D3DXVECTOR2 Translation(0.0f, 0.0f);
  Draw(Plain ? nullptr : GlareTexture, nullptr, &Scaling, nullptr, 0.0f, &Translation,
       D3DCOLOR_ARGB(A, 255, 255, 255));
  Device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
}

}  // namespace zelmar
