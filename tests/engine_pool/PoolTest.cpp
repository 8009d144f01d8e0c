// The pool: its collections in their order, the fan-out of the four phases and its result
// rules, Active and UpAndRunning, and following the framework's removal.
#include <type_traits>

#include "engine/TComponent.h"
#include "engine/TWPool.h"
#include "engine_pool/PoolFixture.h"
#include "platform/render/d3dx9.h"

namespace {

// The framework as a component of a form. Until the framework is a component itself, the test
// makes one that is both; afterwards the framework alone serves.
template <class D, bool = std::is_base_of_v<TComponent, D>>
struct ComponentDX;
template <class D>
struct ComponentDX<D, false> : D, TComponent {
  explicit ComponentDX(TComponent* Owner) : TComponent(Owner) {}
  ~ComponentDX() override { Destroying(); }
};
template <class D>
struct ComponentDX<D, true> : D {
  explicit ComponentDX(TComponent* Owner) : D(Owner) {}
};
using TFormDX = ComponentDX<TW9DirectX>;

// An item of an engine-extra collection that answers each phase with a chosen code and counts
// the calls, so that the pool's result rules show without a platform failure.
struct ProbeItem : TWCollectionItem {
  ProbeItem(TWCollection* Collection, HRESULT AInit = S_OK, HRESULT ARestore = S_OK)
      : TWCollectionItem(Collection), Init(AInit), Restore(ARestore) {}
  HRESULT InitDeviceObjects() override { return ++Inits, Init; }
  HRESULT RestoreDeviceObjects() override { return ++Restores, Restore; }
  HRESULT InvalidateDeviceObjects() override { return ++Invalidates, E_FAIL; }
  HRESULT DeleteDeviceObjects() override { return ++Deletes, E_FAIL; }
  HRESULT Init, Restore;
  int Inits = 0, Restores = 0, Invalidates = 0, Deletes = 0;
};

class PoolTest : public PoolFixture {
 protected:
  // One item in each collection that has item kinds, so every phase shows on the device.
  void Populate(TWPool& Pool) {
    Pool.WObjects().Add();
    TWLight* Light = Pool.WLights().Add();
    Light->SetLightType(D3DLIGHT_POINT);
    Light->SetLightOn(true);
    D3DXRegisterResource("poolsky", {0});
    Pool.WTextures().AddTexture("poolsky.bmp");
  }
  void TearDown() override { D3DXUnregisterResource("poolsky"); }
};

TEST_F(PoolTest, HoldsElevenCollectionsInPhaseOrder) {
  TWPool Pool;
  const TWCollection* Expected[] = {&Pool.WFonts(),           &Pool.WObjects(),   &Pool.WLights(),
                                    &Pool.WText3Ds(),         &Pool.WTerrains(),  &Pool.WTextures(),
                                    &Pool.WParticleSystems(), &Pool.WSprites(),   &Pool.WXFiles(),
                                    &Pool.WLines(),           &Pool.WBillboards()};
  ASSERT_EQ(11, TWPool::CollectionCount);
  for (int I = 0; I < TWPool::CollectionCount; ++I) {
    EXPECT_EQ(Expected[I], &Pool.Collection(I)) << I;
    EXPECT_EQ(&Pool, Pool.Collection(I).Owner()) << I;
  }
  EXPECT_EQ("textures\\", Pool.PathTextures);
  EXPECT_EQ("xfiles\\", Pool.PathXFiles);
  EXPECT_EQ("maps\\", Pool.PathMaps);
  EXPECT_FALSE(Pool.Active());
  EXPECT_FALSE(Pool.UpAndRunning());
  EXPECT_EQ(nullptr, Pool.DX());
}

TEST_F(PoolTest, PhasesReachTheCollectionsInOrder) {
  CreateDevice();
  TWPool Pool;
  Populate(Pool);
  Pool.SetDX(&DX);
  Pool.SetActive(true);  // started framework: init, then restore
  for (int I = 0; I < TWPool::CollectionCount; ++I)
    EXPECT_EQ(&DX, Pool.Collection(I).DX) << "every collection is handed the framework " << I;
  // Objects (2) before textures (6) in init; lights (3) only in restore, after both.
  const size_t Buffer = Log().Find("CreateVertexBuffer");
  const size_t Texture = Log().Find("D3DXCreateTextureFromResourceEx");
  const size_t Light = Log().Find("SetLight(");
  ASSERT_NE(std::string::npos, Buffer);
  ASSERT_NE(std::string::npos, Texture);
  ASSERT_NE(std::string::npos, Light);
  EXPECT_LT(Buffer, Texture);
  EXPECT_LT(Texture, Light);
  EXPECT_NE(std::string::npos, Log().Find("LightEnable(0, TRUE)", Light));
  EXPECT_TRUE(Pool.UpAndRunning());
}

TEST_F(PoolTest, AnInactivePoolOrOneWithoutFrameworkSkipsInitAndRestoreOnly) {
  CreateDevice();
  Log().Clear();
  TWPool Pool;
  Populate(Pool);
  EXPECT_EQ(S_OK, Pool.InitDeviceObjects()) << "no framework";
  Pool.SetDX(&DX);
  EXPECT_EQ(S_OK, Pool.InitDeviceObjects()) << "not active";
  EXPECT_EQ(S_OK, Pool.RestoreDeviceObjects());
  EXPECT_EQ(0u, Log().Calls().size());
  EXPECT_EQ(nullptr, Pool.WObjects().DX);

  // Invalidate and delete visit every collection whatever Active says.
  Pool.WLights().DX = &DX;
  Pool.WTextures().DX = &DX;
  ASSERT_EQ(S_OK, Pool.WTextures().InitDeviceObjects(&DX));
  EXPECT_EQ(S_OK, Pool.InvalidateDeviceObjects());
  EXPECT_EQ(S_OK, Pool.DeleteDeviceObjects());
  EXPECT_EQ(nullptr, Pool.WLights().DX);
  EXPECT_FALSE(Pool.WTextures().Initialized());
}

TEST_F(PoolTest, ActivateWithoutFrameworkChangesNothing) {
  TWPool Pool;
  Pool.SetActive(true);
  EXPECT_TRUE(Pool.Active());
  EXPECT_FALSE(Pool.UpAndRunning());
  // Not started yet: up and running, but nothing is built.
  Pool.SetActive(false);
  Pool.SetDX(&DX);
  Pool.WObjects().Add();
  Pool.SetActive(true);
  EXPECT_TRUE(Pool.UpAndRunning());
  EXPECT_FALSE(Pool.WObjects().Items(0)->Built());
  // Setting the current value does nothing, even when UpAndRunning differs.
  Pool.Deactivate();
  Pool.SetActive(true);
  EXPECT_FALSE(Pool.UpAndRunning());
}

TEST_F(PoolTest, SettingActiveAtRunTimeBringsThePoolUpAndDown) {
  CreateDevice();
  TWPool Pool;
  Populate(Pool);
  Pool.SetDX(&DX);
  Pool.SetActive(true);
  TWObject* Object = Pool.WObjects().Items(0);
  TWTexture* Texture = Pool.WTextures().Items(0);
  EXPECT_TRUE(Object->Built());
  EXPECT_NE(nullptr, Texture->Texture());
  Pool.SetActive(false);
  EXPECT_FALSE(Pool.UpAndRunning());
  EXPECT_FALSE(Object->Built());
  EXPECT_EQ(nullptr, Texture->Texture());
  EXPECT_EQ(nullptr, Pool.WLights().DX);
}

TEST_F(PoolTest, ReportsTheFirstFailureInCollectionOrder) {
  CreateDevice();
  TWPool Pool;
  Attach(Pool);
  Pool.WObjects().Add();
  Pool.WTextures().AddTexture("missing.jpg");
  Log().FailCall("CreateVertexBuffer", E_OUTOFMEMORY);
  EXPECT_EQ(E_OUTOFMEMORY, Pool.InitDeviceObjects());
  EXPECT_EQ(1, Log().Count("D3DXCreateTextureFromFileEx")) << "later collections still run";
  Log().ClearFailures();
  EXPECT_EQ(D3DERR_NOTAVAILABLE, Pool.InitDeviceObjects());
}

// The pool passes on the first nonzero code, success codes such as S_FALSE included; a
// collection passes on its last item's code unless an item fails, which ends its pass.
TEST_F(PoolTest, ReportsTheFirstNonzeroCodeAndACollectionItsLastItems) {
  CreateDevice();
  TWPool Pool;
  Attach(Pool);
  auto* Quiet = new ProbeItem(&Pool.WText3Ds(), S_FALSE, S_FALSE);
  auto* Last = new ProbeItem(&Pool.WText3Ds());
  auto* Failing = new ProbeItem(&Pool.WLines(), E_FAIL, D3DERR_INVALIDCALL);
  auto* Skipped = new ProbeItem(&Pool.WLines());
  EXPECT_EQ(S_OK, Pool.WText3Ds().InitDeviceObjects(&DX)) << "the last item's code";
  EXPECT_EQ(E_FAIL, Pool.InitDeviceObjects()) << "no nonzero code before the lines";
  Last->Init = S_FALSE;
  Last->Restore = S_FALSE;
  EXPECT_EQ(S_FALSE, Pool.InitDeviceObjects()) << "the extras come before the lines";
  EXPECT_EQ(S_FALSE, Pool.RestoreDeviceObjects());
  EXPECT_EQ(0, Skipped->Inits + Skipped->Restores) << "a failing item ends its collection's pass";
  EXPECT_EQ(3, Quiet->Inits);
  EXPECT_EQ(2, Failing->Inits);
  // Invalidate and delete visit every item, whatever the items answer, and report nothing.
  EXPECT_EQ(S_OK, Pool.InvalidateDeviceObjects());
  EXPECT_EQ(S_OK, Pool.DeleteDeviceObjects());
  EXPECT_EQ(1, Skipped->Invalidates);
  EXPECT_EQ(1, Skipped->Deletes);
}

TEST_F(PoolTest, FollowsTheFrameworksRemoval) {
  TComponent Form;
  auto* Framework = new TFormDX(&Form);
  auto* Pool = new TWPool(&Form);
  CreateDeviceFor(*Framework);
  Populate(*Pool);
  auto* Probe = new ProbeItem(&Pool->WXFiles());
  Pool->SetDX(Framework);
  Pool->SetActive(true);
  ASSERT_TRUE(Pool->WObjects().Items(0)->Built());
  EXPECT_EQ(1, Probe->Inits);
  EXPECT_EQ(1, Probe->Restores);
  EXPECT_EQ((std::vector<TWPool*>{Pool}), Form.ComponentsOf<TWPool>());

  delete Framework;  // while the pool is up: torn down, framework forgotten
  EXPECT_EQ(nullptr, Pool->DX());
  EXPECT_FALSE(Pool->UpAndRunning());
  EXPECT_FALSE(Pool->WObjects().Items(0)->Built());
  EXPECT_EQ(nullptr, Pool->WTextures().Items(0)->Texture());
  EXPECT_EQ(1, Probe->Invalidates) << "torn down once";
  EXPECT_EQ(1, Probe->Deletes);
  EXPECT_EQ(1, Form.ComponentCount());

  // While the pool is not up the removal only clears DX.
  auto* Second = new TFormDX(&Form);
  Pool->SetActive(false);
  Pool->SetDX(Second);
  const size_t Calls = Log().Calls().size();
  const int Deletes = Probe->Deletes;
  delete Second;
  EXPECT_EQ(nullptr, Pool->DX());
  EXPECT_EQ(Calls, Log().Calls().size());
  EXPECT_EQ(Deletes, Probe->Deletes);

  // A framework the pool no longer serves is not followed.
  auto* Third = new TFormDX(&Form);
  auto* Fourth = new TFormDX(&Form);
  Pool->SetDX(Third);
  Pool->SetDX(Fourth);
  delete Third;
  EXPECT_EQ(Fourth, Pool->DX());
}

TEST_F(PoolTest, DestroyingThePoolFreesItsItemsAndPlatformObjects) {
  CreateDevice();
  auto Pool = std::make_unique<TWPool>();
  Populate(*Pool);
  Pool->SetDX(&DX);
  Pool->SetActive(true);
  Ref<IDirect3DVertexBuffer9> Buffer(Pool->WObjects().Items(0)->VertexBuffer());
  Ref<IDirect3DTexture9> Texture(Pool->WTextures().Items(0)->Texture());
  EXPECT_EQ(2u, FakeRefCount(Buffer.Get()));
  EXPECT_EQ(2u, FakeRefCount(Texture.Get()));
  Pool.reset();
  EXPECT_EQ(1u, FakeRefCount(Buffer.Get()));
  EXPECT_EQ(1u, FakeRefCount(Texture.Get()));
}

TEST_F(PoolTest, NamesAreUniqueWithoutRegardToCase) {
  TWPool Pool;
  TWObjects& Objects = Pool.WObjects();
  TWObject* A = Objects.Add();
  TWObject* B = Objects.Add();
  EXPECT_EQ("Object1", A->Name());
  EXPECT_EQ("Object2", B->Name());
  EXPECT_TRUE(Objects.NameExists("oBJECT2"));
  EXPECT_FALSE(Objects.NameExists("Object3"));
  EXPECT_EQ("Object3", Objects.NextFreeName());
  B->SetName("OBJECT1");
  EXPECT_EQ("Object2", B->Name());
  B->SetName("Sun");
  A->SetName("sun");
  EXPECT_EQ("Object1", A->Name());
  EXPECT_EQ("Object2", Objects.NextFreeName());
  // Only ASCII letters fold: other bytes must match exactly.
  A->SetName("\xC9toile");
  EXPECT_FALSE(Objects.NameExists("\xE9TOILE"));
  Objects.Delete(0);
  EXPECT_EQ(1, Objects.Count());
  EXPECT_EQ(0, B->Index());
}

// A device's life as the framework drives it: init, restore, (invalidate, reset, restore)*,
// invalidate, delete. Managed meshes and textures are made once and never block a reset;
// lights are sent again after every reset, which forgets them.
TEST_F(PoolTest, SurvivesResetsWithManagedResourcesAndResentLights) {
  CreateDevice();
  TWPool Pool;
  Populate(Pool);
  Pool.WObjects().Items(0)->SetIndexed(true);
  Attach(Pool);
  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
  ASSERT_EQ(S_OK, Pool.RestoreDeviceObjects());
  for (int Cycle = 0; Cycle < 2; ++Cycle) {
    ASSERT_EQ(S_OK, Pool.InvalidateDeviceObjects());
    D3DPRESENT_PARAMETERS Params = Device()->PresentParameters();
    ASSERT_EQ(S_OK, Device()->Reset(&Params)) << "nothing of the pool's blocks a reset";
    EXPECT_EQ(0u, Device()->State().Lights.count(0)) << "the reset forgot the light";
    ASSERT_EQ(S_OK, Pool.RestoreDeviceObjects());
    EXPECT_EQ(1u, Device()->State().Lights.count(0));
    EXPECT_EQ(TRUE, Device()->State().LightEnabled.at(0));
  }
  EXPECT_EQ(1, Log().Count("CreateVertexBuffer"));
  EXPECT_EQ(1, Log().Count("CreateIndexBuffer"));
  EXPECT_EQ(1, Log().Count("D3DXCreateTextureFromResourceEx"));
  EXPECT_EQ(3, Log().Count("SetLight"));
  ASSERT_EQ(S_OK, Pool.InvalidateDeviceObjects());
  ASSERT_EQ(S_OK, Pool.DeleteDeviceObjects());
  EXPECT_FALSE(Pool.WObjects().Items(0)->Built());
  EXPECT_EQ(nullptr, Pool.WTextures().Items(0)->Texture());
  EXPECT_FALSE(Pool.WTextures().Initialized());
  EXPECT_EQ(nullptr, Pool.WLights().DX);
}

}  // namespace
