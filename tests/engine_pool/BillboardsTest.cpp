// Billboards: the records and the vertex buffer through the device phases, the turn towards
// the camera and the far-to-near order, and the draw calls.
#include <cmath>
#include <cstring>

#include "engine/TWBillboards.h"
#include "engine/TWPool.h"
#include "engine_pool/PoolFixture.h"
#include "platform/render/d3dx9.h"

namespace {

class BillboardsTest : public PoolFixture {
 protected:
  void SetUp() override {
    CreateDevice();
    Attach(Pool);
  }
  void Up() {
    ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
    ASSERT_EQ(S_OK, Pool.RestoreDeviceObjects());
  }
  std::vector<TBillboardVertex> Buffer(TWBillboard* Item) {
    std::vector<TBillboardVertex> Result;
    void* Data = nullptr;
    if (!Item->VertexBuffer || FAILED(Item->VertexBuffer->Lock(0, 0, &Data, 0))) return Result;
    Result.resize(Item->ObjectData.size() * 4);
    std::memcpy(Result.data(), Data, Result.size() * sizeof(TBillboardVertex));
    Item->VertexBuffer->Unlock();
    return Result;
  }
  // Where a quad's own +Z axis points once turned.
  static D3DXVECTOR3 Facing(const TWBillboard* Item) {
    return {Item->World._31, Item->World._32, Item->World._33};
  }

  TWPool Pool;
};

TEST_F(BillboardsTest, RecordsComeFromOnCalcOrTheDefaultsAndFillTheBuffer) {
  TWBillboard* Plain = Pool.WBillboards().Add();
  EXPECT_EQ(500, Plain->Objects());
  Plain->SetObjects(2);
  TWBillboard* Laid = Pool.WBillboards().Add();
  Laid->SetObjects(2);
  int Calls = 0;
  Laid->OnCalc = [&](TWBillboard* Sender, int Index, D3DXVECTOR3& Position, int& Texture,
                     D3DCOLOR& Color, float& Width, float& Height) {
    EXPECT_EQ(Laid, Sender);
    EXPECT_EQ(Calls, Index);
    EXPECT_TRUE(Position == D3DXVECTOR3(0, 0, 0) && Texture == 0 && Color == 0xFFFFFFFF &&
                Width == 1.0f && Height == 1.0f)
        << "every call starts from the defaults";
    ++Calls;
    Position = D3DXVECTOR3(0.0f, -60.0f, 0.0f);
    Texture = 3;
    Color = 0x80FF0000;
    Width = 60.0f;
    Height = 60.0f;
  };
  Up();
  EXPECT_EQ(2, Calls);
  EXPECT_EQ(&Pool, Pool.WBillboards().Pool);
  EXPECT_EQ(2, Log().Count("CreateVertexBuffer"));
  EXPECT_TRUE(Log().Contains("CreateVertexBuffer(192, 0x00000008, 0x00000142, MANAGED)"));

  // Without a handler: a white 2 x 2 quad standing on the origin with texture 0.
  const TBillboardVertex White[4] = {{-1, 0, 0, 0xFFFFFFFF, 0, 1},
                                     {-1, 2, 0, 0xFFFFFFFF, 0, 0},
                                     {1, 0, 0, 0xFFFFFFFF, 1, 1},
                                     {1, 2, 0, 0xFFFFFFFF, 1, 0}};
  const auto PlainBuffer = Buffer(Plain);
  ASSERT_EQ(8u, PlainBuffer.size());
  for (int I = 0; I < 8; ++I) EXPECT_EQ(White[I % 4], PlainBuffer[I]) << I;
  EXPECT_EQ(0, Plain->ObjectData[1].TextureIndex);

  // The saver's corona: half sizes 60, base 60 below the Sun, so it spans y -60 to 60.
  const auto LaidBuffer = Buffer(Laid);
  ASSERT_EQ(8u, LaidBuffer.size());
  EXPECT_EQ((TBillboardVertex{-60, 0, 0, 0x80FF0000, 0, 1}), LaidBuffer[4]);
  EXPECT_EQ((TBillboardVertex{60, 120, 0, 0x80FF0000, 1, 0}), LaidBuffer[7]);
  EXPECT_EQ(4, Laid->ObjectData[1].StartVertex);
  EXPECT_EQ(3, Laid->ObjectData[1].TextureIndex);
  EXPECT_EQ(-60.0f, Laid->ObjectData[1].Position.y);
}

TEST_F(BillboardsTest, FaceCameraTurnsEachQuadToFaceTheEyeAndSortsFarToNear) {
  TWBillboard* Item = Pool.WBillboards().Add();
  Item->SetObjects(3);
  Item->OnCalc = [](TWBillboard*, int Index, D3DXVECTOR3& Position, int& Texture, D3DCOLOR&, float&,
                    float&) {
    Position = D3DXVECTOR3(static_cast<float>(Index) * 10.0f, 0.0f, 0.0f);
    Texture = Index;
  };
  Up();

  // From the side: the quad's +Z axis runs along the horizontal part of Target - Eye, so it
  // is seen from its -Z side, where its strip winds clockwise (front-facing).
  const D3DXVECTOR3 Eyes[] = {{-100, 50, 30}, {100, -20, 30}, {40, 0, -300}, {-7, 3, 9}};
  for (const D3DXVECTOR3& Eye : Eyes) {
    Item->FaceCamera({0, 0, 0}, Eye);
    D3DXVECTOR3 Horizontal(-Eye.x, 0.0f, -Eye.z);
    const float Length = std::sqrt(Horizontal.x * Horizontal.x + Horizontal.z * Horizontal.z);
    const D3DXVECTOR3 Z = Facing(Item);
    EXPECT_NEAR(-Eye.x / Length, Z.x, 1e-5f);
    EXPECT_NEAR(0.0f, Z.y, 1e-6f);
    EXPECT_NEAR(-Eye.z / Length, Z.z, 1e-5f);
    EXPECT_FLOAT_EQ(1.0f, Item->World._22) << "the turn is about Y only";
    EXPECT_TRUE(Item->ViewDir == D3DXVECTOR3(-Eye.x, -Eye.y, -Eye.z));
  }

  // Looking along +x the quad farthest along x comes first; looking along -x, last.
  Item->FaceCamera({0, 0, 0}, {-100, 0, 1});
  EXPECT_EQ(2, Item->ObjectData[0].TextureIndex);
  EXPECT_EQ(0, Item->ObjectData[2].TextureIndex);
  EXPECT_EQ(8, Item->ObjectData[0].StartVertex) << "records move whole";
  Item->FaceCamera({0, 0, 0}, {100, 0, 1});
  EXPECT_EQ(0, Item->ObjectData[0].TextureIndex);
  EXPECT_EQ(0, Item->ObjectData[0].StartVertex);

  // d.x = 0 takes the second formula: -atan(+inf) - pi/2 for d = (0, 0, 5).
  Item->FaceCamera({0, 0, 0}, {0, 0, -5});
  D3DXMATRIX Expected;
  D3DXMatrixRotationY(&Expected, -3.1415927f);
  EXPECT_EQ(0, std::memcmp(&Expected, &Item->World, sizeof Expected));
  // An eye straight above the target has no horizontal direction; the turn stays a number.
  Item->FaceCamera({0, 0, 0}, {0, 10, 0});
  EXPECT_FALSE(std::isnan(Item->World._11));
}

TEST_F(BillboardsTest, RenderDrawsEachQuadAtItsBasePointWithItsTexture) {
  D3DXRegisterResource("bbzero", std::vector<BYTE>(4, 0));
  D3DXRegisterResource("bbone", std::vector<BYTE>(4, 0));
  Pool.WTextures().AddTexture("bbzero.tga");
  Pool.WTextures().AddTexture("bbone.tga");
  TWBillboard* Item = Pool.WBillboards().Add();
  Item->SetObjects(3);
  Item->OnCalc = [](TWBillboard*, int Index, D3DXVECTOR3& Position, int& Texture, D3DCOLOR&, float&,
                    float&) {
    Position = D3DXVECTOR3(1.0f, 2.0f, static_cast<float>(Index));
    Texture = Index == 2 ? 7 : Index;  // 7 names no texture
  };
  Up();
  Item->FaceCamera({0, 0, 0}, {-10, 0, -10});
  Log().Clear();
  Device()->BeginScene();
  Item->Render();
  Device()->EndScene();
  D3DXUnregisterResource("bbzero");
  D3DXUnregisterResource("bbone");

  const auto Lines = Log().Lines();
  ASSERT_GE(Lines.size(), 4u);
  EXPECT_EQ("SetStreamSource(0, " + FakeLabel(Item->VertexBuffer.Get()) + ", 0, 24)", Lines[1]);
  EXPECT_EQ("SetFVF(0x00000142)", Lines[2]);
  EXPECT_EQ("SetPixelShader(null)", Lines[3]);
  const auto& Draws = Device()->Draws();
  ASSERT_EQ(3u, Draws.size());
  for (const FakeDraw& Draw : Draws) {
    EXPECT_EQ(D3DPT_TRIANGLESTRIP, Draw.PrimitiveType);
    EXPECT_EQ(2u, Draw.PrimitiveCount);
    const int Index = static_cast<int>(Draw.Start / 4);
    EXPECT_FLOAT_EQ(static_cast<float>(Index), Draw.World._43);
    EXPECT_FLOAT_EQ(1.0f, Draw.World._41);
    EXPECT_FLOAT_EQ(Item->World._11, Draw.World._11);
    EXPECT_EQ(
        Index == 2 ? std::string("null") : FakeLabel(Pool.WTextures().Items(Index)->Texture()),
        Draw.Texture0);
  }
  // Far to near along (10, 0, 10): z = 2 first.
  EXPECT_EQ(8u, Draws[0].Start);
  D3DXMATRIX Identity;
  D3DXMatrixIdentity(&Identity);
  const D3DMATRIX Final = Device()->State().Transform(D3DTS_WORLD);
  EXPECT_EQ(0, std::memcmp(&Identity, &Final, sizeof Identity));
}

TEST_F(BillboardsTest, TheCountAndThePhases) {
  TWBillboard* Item = Pool.WBillboards().Add();
  int Calls = 0;
  Item->OnCalc = [&](TWBillboard*, int, D3DXVECTOR3&, int&, D3DCOLOR&, float&, float&) { ++Calls; };
  Item->SetObjects(4);  // before any phase: only stored
  EXPECT_EQ(0, Calls);
  EXPECT_TRUE(Item->ObjectData.empty());
  Up();
  EXPECT_EQ(4, Calls);

  // Invalidate drops the buffer, restore writes a new one without asking OnCalc again.
  Pool.InvalidateDeviceObjects();
  EXPECT_FALSE(Item->VertexBuffer);
  Pool.RestoreDeviceObjects();
  EXPECT_TRUE(Item->VertexBuffer);
  EXPECT_EQ(4, Calls);

  // A new count on a restored item rebuilds both at once.
  Item->SetObjects(6);
  EXPECT_EQ(10, Calls);
  EXPECT_EQ(6u, Item->ObjectData.size());
  EXPECT_EQ(6u * 96u, Buffer(Item).size() * sizeof(TBillboardVertex));

  // No quads: nothing to create, nothing drawn, and the restore still succeeds.
  Item->SetObjects(0);
  EXPECT_FALSE(Item->VertexBuffer);
  EXPECT_EQ(S_OK, Pool.RestoreDeviceObjects());
  Item->FaceCamera({0, 0, 0}, {1, 0, 1});
  Device()->BeginScene();
  Item->Render();
  Device()->EndScene();
  EXPECT_TRUE(Device()->Draws().empty());
  // ...and growing again from there refreshes.
  Item->SetObjects(1);
  EXPECT_TRUE(Item->VertexBuffer);
  Item->SetObjects(-3);
  EXPECT_EQ(0, Item->Objects());

  // A failed buffer reaches the collection and the pool; Render then draws nothing.
  Item->SetObjects(2);
  Log().FailCall("CreateVertexBuffer", E_OUTOFMEMORY, 1);
  EXPECT_EQ(E_OUTOFMEMORY, Pool.RestoreDeviceObjects());
  EXPECT_FALSE(Item->VertexBuffer);
  Device()->BeginScene();
  Item->Render();
  Device()->EndScene();
  EXPECT_TRUE(Device()->Draws().empty());
}

}  // namespace
