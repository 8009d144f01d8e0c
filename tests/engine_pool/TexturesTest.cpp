// Textures: names and file names, AddTexture, loading through the D3DX loaders with the
// resource first and the colour key, the collection's Initialized rule and the media search.
#include <filesystem>
#include <fstream>

#include "engine/FindMediaFile.h"
#include "engine/TWPool.h"
#include "engine_pool/PoolFixture.h"
#include "platform/render/d3dx9.h"
#include "platform/render/fake/FakeTexture9.h"

namespace fs = std::filesystem;

namespace {

// A private directory tree for one test, removed afterwards.
class TempTree {
 public:
  TempTree() {
    Root = fs::temp_directory_path() /
           ("zelmar-pool-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(Root);
    fs::create_directories(Root);
  }
  ~TempTree() {
    std::error_code Error;
    fs::remove_all(Root, Error);
  }
  std::string Touch(const std::string& Relative) const {
    const fs::path Path = Root / Relative;
    fs::create_directories(Path.parent_path());
    std::ofstream(Path) << "image";
    return Path.string();
  }
  std::string Dir(const std::string& Relative = "") const {
    return (Root / Relative).string() + "/";
  }
  fs::path Root;
};

class TexturesTest : public PoolFixture {
 protected:
  void SetUp() override {
    CreateDevice();
    Attach(Pool);
    SetApplicationDir(Tree.Dir("app"));
    Pool.PathTextures = "textures\\";
  }
  void TearDown() override { SetApplicationDir(""); }

  FakeTexture9* Fake(TWTexture* Item) { return static_cast<FakeTexture9*>(Item->Texture()); }

  TempTree Tree;
  TWPool Pool;
};

TEST_F(TexturesTest, NewItemsTakeTheSmallestFreeDefaultName) {
  TWTextures& Textures = Pool.WTextures();
  TWTexture* First = Textures.Add();
  TWTexture* Second = Textures.Add();
  EXPECT_EQ("Name1.bmp", First->Name());
  EXPECT_EQ("Name1.bmp", First->FileName());
  EXPECT_EQ("Name2.bmp", Second->Name());
  EXPECT_TRUE(First->LookInResource);
  EXPECT_FALSE(First->ColorKeyCreate);

  First->SetFileName("dir\\earth.jpg");
  EXPECT_EQ("earth.jpg", First->Name()) << "an item carrying its file's name follows the file";
  EXPECT_EQ("Name1.bmp", Textures.Add()->Name()) << "1 is free again";

  Second->SetName("Sky");
  Second->SetFileName("stars.jpg");
  EXPECT_EQ("Sky", Second->Name()) << "a name given by hand stays";
  Second->SetName("EARTH.JPG");
  EXPECT_EQ("Sky", Second->Name()) << "names are unique without regard to case";
  First->SetName("Earth.jpg");
  EXPECT_EQ("earth.jpg", First->Name()) << "another case of its own name is ignored too";
  EXPECT_TRUE(Textures.NameExists("SKY"));
  EXPECT_EQ(Second, Textures.FindByName("sky"));
  EXPECT_EQ(nullptr, Textures.FindByName("moon.jpg"));
}

TEST_F(TexturesTest, AddTextureFindsByFileNameWithoutRegardToCase) {
  TWTextures& Textures = Pool.WTextures();
  EXPECT_EQ(nullptr, Textures.AddTexture(""));
  EXPECT_EQ(0, Textures.Count());

  TWTexture* Rod = Textures.AddTexture("High\\Rod.jpg");
  ASSERT_NE(nullptr, Rod);
  EXPECT_EQ("Rod.jpg", Rod->Name()) << "letter case kept";
  EXPECT_EQ(Rod, Textures.AddTexture("Low\\rod.JPG"));
  EXPECT_EQ("High\\Rod.jpg", Rod->FileName()) << "the first call's file stays";
  EXPECT_EQ(1, Textures.Count());
  EXPECT_NE(Rod, Textures.AddTexture("rods.jpg"));
}

TEST_F(TexturesTest, LoadsFromTheResourceFirstThenFromTheFile) {
  Tree.Touch("app/textures/earth.jpg");
  D3DXRegisterResource("MOON", {1, 2, 3});
  TWTexture* Earth = Pool.WTextures().AddTexture("earth.jpg");
  TWTexture* Moon = Pool.WTextures().AddTexture("moon.bmp");
  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
  D3DXUnregisterResource("MOON");

  ASSERT_NE(nullptr, Earth->Texture());
  ASSERT_NE(nullptr, Moon->Texture());
  EXPECT_EQ("moon", Fake(Moon)->LoadedFrom) << "the resource, by the file's stem";
  EXPECT_EQ(Tree.Dir("app") + "textures/earth.jpg", Fake(Earth)->LoadedFrom);
  EXPECT_TRUE(Log().Contains(
      "D3DXCreateTextureFromResourceEx(0x00000000, \"earth\", 0, 0, D3DX_DEFAULT, 0x00000000, "
      "UNKNOWN, MANAGED, 2, 2, 0x00000000) -> 0x88760B59"))
      << Log().Text();
  EXPECT_TRUE(Log().Contains("D3DXCreateTextureFromFileEx(\"" + Tree.Dir("app") +
                             "textures/earth.jpg\", 0, 0, 0, 0x00000000, UNKNOWN, "
                             "MANAGED, 2, 2, 0x00000000)"))
      << Log().Text();
  EXPECT_EQ(1, Log().Count("D3DXCreateTextureFromFileEx")) << "the moon needed no file";
  EXPECT_TRUE(Pool.WTextures().Initialized());

  Earth->LookInResource = false;
  Log().Clear();
  ASSERT_EQ(S_OK, Earth->InitDeviceObjects());
  EXPECT_EQ(0, Log().Count("D3DXCreateTextureFromResourceEx"));
  EXPECT_EQ(1, Log().Count("D3DXCreateTextureFromFileEx"));
}

TEST_F(TexturesTest, TheMediaSubstituteLearnsWhichItemAsks) {
  // Two items named after two bodies share one file; a substitute may give each its own.
  const std::string Shared = Tree.Touch("app/textures/red.jpg");
  const std::string Own = Tree.Touch("other/io.jpg");
  TWTexture* Io = Pool.WTextures().Add();
  Io->SetName("Io");
  Io->SetFileName("red.jpg");
  TWTexture* Charon = Pool.WTextures().Add();
  Charon->SetName("Charon");
  Charon->SetFileName("red.jpg");
  std::vector<std::string> Asked;
  SetMediaSubstitute([&](const std::string& Found, const std::string& Item) {
    Asked.push_back(Item + ":" + Found);
    return Item == "Io" ? Own : std::string();
  });
  Io->LookInResource = Charon->LookInResource = false;
  const HRESULT Result = Pool.InitDeviceObjects();
  SetMediaSubstitute(nullptr);
  ASSERT_EQ(S_OK, Result);
  EXPECT_EQ(Own, Fake(Io)->LoadedFrom);
  EXPECT_EQ(Shared, Fake(Charon)->LoadedFrom);
  EXPECT_EQ((std::vector<std::string>{"Io:" + Shared, "Charon:" + Shared}), Asked);
}

TEST_F(TexturesTest, ColourKeyWrittenAsFullRedInTheGuiFormKeysOpaqueBlue) {
  Tree.Touch("app/textures/ring.bmp");
  TWTexture* Ring = Pool.WTextures().AddTexture("ring.bmp");
  TWTexture* Plain = Pool.WTextures().AddTexture("ring2.bmp");
  Tree.Touch("app/textures/ring2.bmp");
  Ring->ColorKeyCreate = true;
  Ring->ColorKeyColor = 0x000000FF;   // red in 0x00BBGGRR
  Plain->ColorKeyColor = 0x000000FF;  // ignored without ColorKeyCreate
  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
  // The loader makes texels equal to the ARGB key transparent: 0xFF0000FF is opaque pure blue.
  EXPECT_EQ(D3DCOLOR_ARGB(0xFF, 0, 0, 0xFF), Fake(Ring)->ColorKey);
  EXPECT_EQ(0u, Fake(Plain)->ColorKey);
}

// One file that cannot be loaded leaves out its own texture only: the pass goes on to the
// others, reports the first failure and leaves the collection not initialized.
TEST_F(TexturesTest, AFailedLoadLeavesOutItsOwnTextureAndInitializedFalse) {
  Tree.Touch("app/textures/a.jpg");
  Tree.Touch("app/textures/c.jpg");
  TWTextures& Textures = Pool.WTextures();
  TWTexture* A = Textures.AddTexture("a.jpg");
  TWTexture* B = Textures.AddTexture("b.jpg");
  TWTexture* C = Textures.AddTexture("c.jpg");
  EXPECT_EQ(D3DERR_NOTAVAILABLE, Pool.InitDeviceObjects());
  EXPECT_NE(nullptr, A->Texture());
  EXPECT_EQ(nullptr, B->Texture());
  EXPECT_NE(nullptr, C->Texture()) << "items after the failure load too";
  EXPECT_FALSE(Textures.Initialized());
  Tree.Touch("app/textures/d.jpg");
  EXPECT_EQ(nullptr, Textures.AddTexture("d.jpg")->Texture()) << "no load at once";

  Tree.Touch("app/textures/b.jpg");
  Pool.DeleteDeviceObjects();
  EXPECT_EQ(nullptr, A->Texture());
  EXPECT_EQ(S_OK, Pool.InitDeviceObjects());
  EXPECT_TRUE(Textures.Initialized());
  Tree.Touch("app/textures/e.jpg");
  EXPECT_NE(nullptr, Textures.AddTexture("e.jpg")->Texture()) << "loaded at once now";
  Pool.DeleteDeviceObjects();
  EXPECT_FALSE(Textures.Initialized());
  EXPECT_EQ(nullptr, C->Texture());
}

TEST_F(TexturesTest, ChangingTheFileReloadsOnlyALoadedTexture) {
  Tree.Touch("app/textures/a.jpg");
  Tree.Touch("app/textures/b.jpg");
  TWTexture* Item = Pool.WTextures().AddTexture("a.jpg");
  Item->SetFileName("b.jpg");
  EXPECT_EQ(0, Log().Count("D3DXCreateTextureFromFileEx"));
  ASSERT_EQ(S_OK, Pool.InitDeviceObjects());
  EXPECT_EQ(1, Log().Count("D3DXCreateTextureFromFileEx"));
  Item->SetFileName("b.jpg");
  EXPECT_EQ(1, Log().Count("D3DXCreateTextureFromFileEx")) << "same text: no reload";
  Item->SetFileName("a.jpg");
  EXPECT_EQ(2, Log().Count("D3DXCreateTextureFromFileEx"));
  EXPECT_EQ(Tree.Dir("app") + "textures/a.jpg", Fake(Item)->LoadedFrom);
  // Textures live in the managed pool: restore and invalidate keep them.
  IDirect3DTexture9* Before = Item->Texture();
  Pool.InvalidateDeviceObjects();
  Pool.RestoreDeviceObjects();
  EXPECT_EQ(Before, Item->Texture());
}

TEST(FindMediaFileTest, SearchesInTheGivenOrder) {
  TempTree Tree;
  const std::string App = Tree.Dir("app");
  const std::string Sub = Tree.Dir("media/High");
  const std::string Name = "earth.jpg";

  // An absolute file name that exists is taken unchanged.
  const std::string Absolute = Tree.Touch("elsewhere/earth.jpg");
  TMediaSearchResult Result = FindMediaFile(App, Sub, "", Absolute);
  EXPECT_TRUE(Result.Found);
  EXPECT_EQ(Absolute, Result.Path);

  // A bare name with an absolute subdirectory: SubDir + name, then ExtraPath + name, then
  // AppDir + SubDir + name (no file for an absolute SubDir), then AppDir + name.
  Tree.Touch("app/earth.jpg");
  Tree.Touch("media/High/earth.jpg");
  Tree.Touch("extra/earth.jpg");
  EXPECT_EQ(Sub + Name, FindMediaFile(App, Sub, Tree.Dir("extra"), Name).Path);
  fs::remove(Tree.Root / "media/High/earth.jpg");
  EXPECT_EQ(Tree.Dir("extra") + Name, FindMediaFile(App, Sub, Tree.Dir("extra"), Name).Path);
  EXPECT_EQ(App + Name, FindMediaFile(App, Sub, "", Name).Path);

  // A relative subdirectory is looked for below the program's directory only.
  Tree.Touch("app/textures/Low/earth.jpg");
  EXPECT_EQ(App + "textures/Low/earth.jpg",
            FindMediaFile(App, "textures\\Low", "relative\\extra", Name).Path);
  // Stored values may carry backslashes and lack the trailing separator.
  std::string BackslashedApp = Tree.Root.string() + "\\app";
  EXPECT_EQ(App + "textures/Low/earth.jpg",
            FindMediaFile(BackslashedApp, "textures\\Low\\", "", Name).Path);

  // Nothing found: the last candidate.
  Result = FindMediaFile(App, Sub, "", "pluto.jpg");
  EXPECT_FALSE(Result.Found);
  EXPECT_EQ(App + "pluto.jpg", Result.Path);
}

TEST(FindMediaFileTest, FallsBackToANameThatDiffersOnlyInCase) {
  TempTree Tree;
  const std::string Rod = Tree.Touch("data/Tabletextures/High/Rod.jpg");
  TMediaSearchResult Result =
      FindMediaFile(Tree.Dir("app"), Tree.Dir("data/tabletextures/high"), "", "rod.jpg");
  EXPECT_TRUE(Result.Found);
  EXPECT_EQ(Rod, Result.Path);
  // The exact spelling wins when both exist.
  const std::string Lower = Tree.Touch("data/Tabletextures/High/rod.jpg");
  EXPECT_EQ(Lower, FindMediaFile("", Tree.Dir("data/Tabletextures/High"), "", "rod.jpg").Path);
  EXPECT_FALSE(FindMediaFile(Tree.Dir("app"), Tree.Dir("data"), "", "rod.jpg.x").Found);
}

TEST(FindMediaFileTest, PathHelpers) {
  EXPECT_EQ("earth.jpg", ExtractFileName("textures\\High\\earth.jpg"));
  EXPECT_EQ("earth.jpg", ExtractFileName("/usr/share/earth.jpg"));
  EXPECT_EQ("earth.jpg", ExtractFileName("C:earth.jpg"));
  EXPECT_EQ("earth", ExtractFileStem("a.b\\earth.jpg"));
  EXPECT_EQ("earth", ExtractFileStem("earth"));
  EXPECT_TRUE(HasDrive("/opt/zelmar"));
  EXPECT_TRUE(HasDrive("\\\\server\\share"));
  EXPECT_FALSE(HasDrive("textures\\"));
  EXPECT_FALSE(HasDrive(""));
}

}  // namespace
