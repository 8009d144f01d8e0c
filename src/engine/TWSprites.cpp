#include "engine/TWSprites.h"

#include "engine/TW9DirectX.h"
#include "engine/TWTextures.h"

TWSprite::TWSprite(TWSprites* Collection) : TWCollectionItem(Collection) {}

TWSprites* TWSprite::Sprites() const {
  return static_cast<TWSprites*>(Collection());
}

HRESULT TWSprite::RestoreDeviceObjects() {
  Sprite = nullptr;
  TW9DirectX* DX = Sprites()->DX;
  return D3DXCreateSprite(DX ? DX->Device() : nullptr, &Sprite);
}

HRESULT TWSprite::InvalidateDeviceObjects() {
  Sprite = nullptr;
  return S_OK;
}

HRESULT TWSprite::DeleteDeviceObjects() {
  Sprite = nullptr;
  return S_OK;
}

void TWSprite::Draw(TWTexture* Texture, const RECT* SourceRect, const D3DXVECTOR2* Scaling,
                    const D3DXVECTOR2* RotationCenter, float Rotation,
                    const D3DXVECTOR2* Translation, D3DCOLOR Color) {
  if (!Sprite) return;
  Sprite->Draw(Texture ? Texture->Texture() : nullptr, SourceRect, Scaling, RotationCenter,
               Rotation, Translation, Color);
}
