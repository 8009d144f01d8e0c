// The solar glare: a white veil over the whole screen whose opacity grows as the camera nears
// the Sun. It is a sprite of the pool, so the pool's device phases create and release its
// sprite object; the pool's sprite collection owns it and frees it with itself (deleting it
// earlier is safe too: it leaves the collection).
#pragma once

#include "engine/TWSprites.h"
#include "scene/TD3DMath.h"

class TW9DirectX;
class TWPool;
class TWTexture;

namespace zelmar {

class TWGlare : public TWSprite {
 public:
  // Joins the pool's sprites and adds "Glare.tga" to its textures.
  explicit TWGlare(TWPool* Pool);

  // The veil's alpha for a camera at Eye, the Sun at the origin: 10000 / distance, rounded
  // halves to even, limited to 0 .. 255.
  static BYTE Alpha(const TD3DVector& Eye);

  // Draws the veil for a camera at Eye. Leaves blending on and lighting off; a veil of alpha 0
  // is not drawn and changes no state.
  void Render(const TD3DVector& Eye, TW9DirectX* DX);

  // Makes the sprite object and looks once at the veil's picture.
  HRESULT RestoreDeviceObjects() override;
  // Every texel opaque white (A8R8G8B8 or X8R8G8B8): such a picture adds nothing to the colour
  // it is drawn with.
  static bool PlainWhite(IDirect3DTexture9* Texture);

  TWTexture* GlareTexture = nullptr;
  // The veil's picture is plain white: it is drawn as its colour alone, the same pixels without
  // a texture read at each of them.
  bool Plain = false;
};

}  // namespace zelmar
