// Screen-space sprites of the pool. Each item owns one platform sprite object while the device
// is restored and draws a texture item onto the back buffer in pixels: scaled, rotated about a
// centre, moved and tinted. A draw is complete on its own (no Begin/End around it): the sprite
// object blends with source alpha by itself and leaves the device's states as they were.
#pragma once

#include "engine/TWCollection.h"
#include "platform/render/d3dx9.h"

class TWSprites;
class TWTexture;

class TWSprite : public TWCollectionItem {
 public:
  explicit TWSprite(TWSprites* Collection);

  TWSprites* Sprites() const;

  // Absent before the first restore, after a failed one, and after invalidate or delete.
  Ref<ID3DXSprite> Sprite;

  // A new sprite object on the framework's device; the platform's result.
  HRESULT RestoreDeviceObjects() override;
  HRESULT InvalidateDeviceObjects() override;
  HRESULT DeleteDeviceObjects() override;

  // Hands the arguments, unchanged and in this order, to the sprite object's Draw; each
  // pointer may be null (the whole texture, scale 1, the origin, no move). Without a sprite
  // object nothing is drawn; nothing is reported either way. A null item or one without a
  // loaded texture draws as the platform draws a sprite without texture.
  void Draw(TWTexture* Texture, const RECT* SourceRect, const D3DXVECTOR2* Scaling,
            const D3DXVECTOR2* RotationCenter, float Rotation, const D3DXVECTOR2* Translation,
            D3DCOLOR Color);
};

class TWSprites : public TWCollectionOf<TWSprite, TWSprites> {
 public:
  using TWCollectionOf::TWCollectionOf;
};
