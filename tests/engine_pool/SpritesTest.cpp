// Sprites: the sprite object follows the device through the pool's phases, and a draw hands
// its arguments to the platform unchanged, or does nothing without a sprite object.
#include <cstring>

#include "engine/TWPool.h"
#include "engine/TWSprites.h"
#include "engine_pool/PoolFixture.h"
#include "platform/render/d3dx9.h"
#include "platform/render/fake/FakeSprite.h"

namespace {

class SpritesTest : public PoolFixture {
 protected:
  void SetUp() override {
    D3DXRegisterResource("spritepic", std::vector<BYTE>(4, 0));
    CreateDevice();
    Attach(Pool);
  }
  void TearDown() override { D3DXUnregisterResource("spritepic"); }

  std::vector<FakeSpriteVertex> Corners(const FakeDraw& Draw) {
    std::vector<FakeSpriteVertex> Result(Draw.Vertices.size() / sizeof(FakeSpriteVertex));
    std::memcpy(Result.data(), Draw.Vertices.data(), Result.size() * sizeof(FakeSpriteVertex));
    return Result;
  }

  TWPool Pool;
};

TEST_F(SpritesTest, TheSpriteObjectLivesFromRestoreToInvalidateSoTheDeviceCanReset) {
  TWSprite* Sprite = Pool.WSprites().Add();
  EXPECT_EQ(S_OK, Pool.InitDeviceObjects());
  EXPECT_FALSE(Sprite->Sprite) << "init creates nothing";
  EXPECT_EQ(0, Log().Count("D3DXCreateSprite"));

  EXPECT_EQ(S_OK, Pool.RestoreDeviceObjects());
  ASSERT_TRUE(Sprite->Sprite);
  EXPECT_EQ(1, Log().Count("D3DXCreateSprite"));
  // A second restore replaces the object rather than keeping two.
  EXPECT_EQ(S_OK, Pool.WSprites().RestoreDeviceObjects());
  EXPECT_EQ(2, Log().Count("D3DXCreateSprite"));

  // A live sprite object blocks a reset; after invalidate the device resets.
  D3DPRESENT_PARAMETERS Params = Device()->PresentParameters();
  EXPECT_EQ(D3DERR_INVALIDCALL, Device()->Reset(&Params));
  EXPECT_EQ(S_OK, Pool.InvalidateDeviceObjects());
  EXPECT_FALSE(Sprite->Sprite);
  EXPECT_EQ(D3D_OK, Device()->Reset(&Params));

  EXPECT_EQ(S_OK, Pool.RestoreDeviceObjects());
  EXPECT_TRUE(Sprite->Sprite);
  EXPECT_EQ(S_OK, Pool.DeleteDeviceObjects());
  EXPECT_FALSE(Sprite->Sprite);
}

TEST_F(SpritesTest, DrawHandsItsArgumentsOnUnchangedAndTheQuadLandsWhereTheyPutIt) {
  TWTexture* Picture = Pool.WTextures().AddTexture("spritepic.tga");  // a 32 x 32 stand-in
  TWSprite* Sprite = Pool.WSprites().Add();
  Pool.InitDeviceObjects();
  Pool.RestoreDeviceObjects();
  ASSERT_TRUE(Picture->Texture());
  Log().Clear();
  Device()->ClearDraws();
  Device()->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

  const RECT Source{0, 0, 16, 8};
  const D3DXVECTOR2 Scaling(2.0f, 3.0f), Centre(1.0f, 1.0f), Translation(100.0f, 50.0f);
  Device()->BeginScene();
  Sprite->Draw(Picture, &Source, &Scaling, nullptr, 0.0f, &Translation, 0x80FFFFFF);
  Sprite->Draw(Picture, nullptr, nullptr, &Centre, 0.5f, nullptr, 0xFF102030);
  Device()->EndScene();
  const auto Draws = Log().CallsTo("Draw");
  ASSERT_EQ(2u, Draws.size());
  const std::string Label = FakeLabel(Picture->Texture());
  EXPECT_EQ(0u, Draws[0].Args.find("sprite#"));
  EXPECT_NE(std::string::npos,
            Draws[0].Args.find(Label + ", (0,0,16,8), (2,3), null, 0, (100,50), 0x80FFFFFF"));
  EXPECT_NE(std::string::npos,
            Draws[1].Args.find(Label + ", null, null, (1,1), 0.5, null, 0xFF102030"));

  // Scaled, then moved: the 16 x 8 rectangle becomes 32 x 24 at (100, 50). The device's own
  // blending state is left as the caller set it.
  ASSERT_EQ(2u, Device()->Draws().size());
  const FakeDraw& First = Device()->Draws()[0];
  EXPECT_EQ(Label, First.Texture0);
  EXPECT_EQ(FALSE, First.RenderStates[D3DRS_ALPHABLENDENABLE]);
  const auto C = Corners(First);
  ASSERT_EQ(4u, C.size());
  EXPECT_FLOAT_EQ(100.0f, C[0].x);
  EXPECT_FLOAT_EQ(50.0f, C[0].y);
  EXPECT_FLOAT_EQ(132.0f, C[3].x);
  EXPECT_FLOAT_EQ(74.0f, C[3].y);
  EXPECT_EQ(0x80FFFFFFu, C[3].Color);
}

TEST_F(SpritesTest, WithoutASpriteObjectDrawDoesNothing) {
  TWSprite* Sprite = Pool.WSprites().Add();
  const D3DXVECTOR2 Scaling(640.0f, 480.0f);
  Sprite->Draw(nullptr, nullptr, &Scaling, nullptr, 0.0f, nullptr, 0xFFFFFFFF);  // before restore
  Pool.InitDeviceObjects();
  Pool.RestoreDeviceObjects();
  Pool.InvalidateDeviceObjects();
  Sprite->Draw(nullptr, nullptr, &Scaling, nullptr, 0.0f, nullptr, 0xFFFFFFFF);  // after invalidate
  EXPECT_EQ(0, Log().Count("Draw"));
  EXPECT_TRUE(Device()->Draws().empty());

  // Outside the device's scene the platform refuses the draw, and nothing reaches the screen.
  Pool.RestoreDeviceObjects();
  Sprite->Draw(nullptr, nullptr, &Scaling, nullptr, 0.0f, nullptr, 0xFFFFFFFF);
  EXPECT_EQ(1, Log().Count("Draw"));
  EXPECT_TRUE(Device()->Draws().empty());

  // A missing texture item draws as the platform draws a sprite without texture.
  Device()->BeginScene();
  Sprite->Draw(nullptr, nullptr, &Scaling, nullptr, 0.0f, nullptr, 0xFFFFFFFF);
  Device()->EndScene();
  ASSERT_EQ(1u, Device()->Draws().size());
  EXPECT_EQ("null", Device()->Draws()[0].Texture0);
}

TEST_F(SpritesTest, AFailedCreationStopsTheRestoreAtThatItem) {
  TWSprite* First = Pool.WSprites().Add();
  TWSprite* Second = Pool.WSprites().Add();
  Pool.InitDeviceObjects();
  Log().FailCall("D3DXCreateSprite", E_OUTOFMEMORY, 1);
  EXPECT_EQ(E_OUTOFMEMORY, Pool.WSprites().RestoreDeviceObjects());
  EXPECT_FALSE(First->Sprite);
  EXPECT_FALSE(Second->Sprite) << "the items after the failing one are not restored";
  EXPECT_EQ(1, Log().Count("D3DXCreateSprite"));
  First->Draw(nullptr, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFFFFFFFF);
  EXPECT_TRUE(Device()->Draws().empty());
  // The pool reports it too, and a later restore recovers.
  Log().FailCall("D3DXCreateSprite", E_OUTOFMEMORY, 1);
  EXPECT_EQ(E_OUTOFMEMORY, Pool.RestoreDeviceObjects());
  EXPECT_EQ(S_OK, Pool.RestoreDeviceObjects());
  EXPECT_TRUE(First->Sprite && Second->Sprite);
}

}  // namespace
