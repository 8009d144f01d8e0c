// Lights: index allocation, the stored record and when it reaches the device.
#include <bit>

#include "engine/TWPool.h"
#include "engine_pool/PoolFixture.h"

namespace {

class LightsTest : public PoolFixture {
 protected:
  TWPool Pool;
};

TEST_F(LightsTest, NewLightsTakeTheSmallestFreeIndex) {
  TWLights& Lights = Pool.WLights();
  TWLight* First = Lights.Add();
  TWLight* Second = Lights.Add();
  EXPECT_EQ(0, First->LightIndex());
  EXPECT_EQ(1, Second->LightIndex());
  First->SetLightIndex(5);
  EXPECT_EQ(0, Lights.Add()->LightIndex());
  Second->SetLightIndex(5);
  EXPECT_EQ(1, Second->LightIndex()) << "an index in use is refused";
  EXPECT_TRUE(Lights.IndexInUse(5));
  EXPECT_EQ(2, Lights.FirstFreeIndex());
}

TEST_F(LightsTest, DefaultsAndDisplayNames) {
  TWLight* Light = Pool.WLights().Add();
  EXPECT_EQ(D3DLIGHT_DIRECTIONAL, Light->LightData().Type);
  EXPECT_EQ(0x5DCCB70Bu, std::bit_cast<std::uint32_t>(Light->Range()));
  EXPECT_EQ((D3DCOLORVALUE{1, 1, 1, 0}), Light->Diffuse());
  EXPECT_EQ((D3DCOLORVALUE{0, 0, 0, 0}), Light->Ambient());
  EXPECT_FALSE(Light->LightOn());
  EXPECT_EQ("Directional light 0", Light->DisplayName());
  Light->SetLightType(1);
  EXPECT_EQ("Point light 0", Light->DisplayName());
  Light->SetLightType(2);
  Light->SetLightIndex(3);
  EXPECT_EQ("Spot light 3", Light->DisplayName());
  Light->SetLightType(0);
  Light->SetLightIndex(2);
  EXPECT_EQ("? Light 2", Light->DisplayName());
}

TEST_F(LightsTest, ValuesReachTheDeviceOnlyThroughApplyAndRestore) {
  TWLight* Light = Pool.WLights().Add();
  Light->SetLightType(D3DLIGHT_POINT);
  Light->SetLightOn(true);  // before the device exists: stored only
  EXPECT_TRUE(Light->LightOn());

  CreateDevice();
  Pool.SetDX(&DX);
  Pool.SetActive(true);  // the framework is started: init and restore at once
  ASSERT_EQ(1u, Device()->State().Lights.count(0));
  EXPECT_EQ(D3DLIGHT_POINT, Device()->State().Lights.at(0).Type);
  EXPECT_EQ(TRUE, Device()->State().LightEnabled.at(0));

  Light->SetPosition({1, 2, 3});
  Light->SetAttenuation1(0.5f);
  EXPECT_EQ((D3DVECTOR{0, 0, 0}), Device()->State().Lights.at(0).Position) << "no Apply yet";
  Pool.InvalidateDeviceObjects();
  Pool.RestoreDeviceObjects();
  EXPECT_EQ((D3DVECTOR{1, 2, 3}), Device()->State().Lights.at(0).Position);
  EXPECT_EQ(0.5f, Device()->State().Lights.at(0).Attenuation1);

  Light->SetDiffuse({0.25f, 0.5f, 0.75f, 1});
  Light->Apply();
  EXPECT_EQ((D3DCOLORVALUE{0.25f, 0.5f, 0.75f, 1}), Device()->State().Lights.at(0).Diffuse);
  Light->SetLightOn(false);
  EXPECT_EQ(FALSE, Device()->State().LightEnabled.at(0));

  // After delete the collection has no framework: only the stored values change.
  Pool.InvalidateDeviceObjects();
  Pool.DeleteDeviceObjects();
  EXPECT_EQ(nullptr, Pool.WLights().DX);
  const size_t Calls = Log().Calls().size();
  Light->SetLightOn(true);
  Light->Apply();
  EXPECT_EQ(Calls, Log().Calls().size());
  EXPECT_TRUE(Light->LightOn());
}

}  // namespace
