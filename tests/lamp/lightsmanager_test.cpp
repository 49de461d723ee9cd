// The lights of a world: the defaults, the light frames in the device,
// process-unique indices, side lights made and destroyed, the ambient light
// and the walkers.
#include <appoptions.h>
#include <dxwindoweddevice.h>
#include <lightframe.h>
#include <lightsmanager.h>
#include <rootrenderframe.h>
#include <xfiledatalist.h>

#include <gtest/gtest.h>

namespace {

class Lights : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(m_device.CreateD3DDevice(nullptr), S_OK);
    ASSERT_TRUE(m_world.Initialize(nullptr, false));
  }
  void TearDown() override { m_world.DestroyContent(false); }
  IDirect3DDevice8* Device() { return m_device.GetD3DDevice(); }
  CLightsManager* Manager() { return m_world.GetLightsManager(); }

  CDXWindowedDevice m_device;
  CXFileDataList m_world;
};

void ExpectColour(const D3DCOLORVALUE& got, float r, float g, float b, float a) {
  EXPECT_FLOAT_EQ(got.r, r);
  EXPECT_FLOAT_EQ(got.g, g);
  EXPECT_FLOAT_EQ(got.b, b);
  EXPECT_FLOAT_EQ(got.a, a);
}

}  // namespace

TEST_F(Lights, TheDefaultsAreOneLightFromTheRightAndAnAmbientLightSwitchedOff) {
  CLightsManager* lights = Manager();
  EXPECT_EQ(lights->GetLightsCount(), 2u);
  CDirectionalLightFrame* right = lights->GetDirectionalLightFromRightFrame();
  ASSERT_NE(right, nullptr);
  for (auto* side : {lights->GetDirectionalLightFromFrontFrame(), lights->GetDirectionalLightFromBackFrame(),
                     lights->GetDirectionalLightFromTopFrame(), lights->GetDirectionalLightFromBottomFrame(),
                     lights->GetDirectionalLightFromLeftFrame()})
    EXPECT_EQ(side, nullptr);
  EXPECT_EQ(right->GetFrameType(), CFrame::eLightFrame);
  EXPECT_EQ(right->GetLightFrameType(), CLightFrame::eDirectionalLightFrame);
  EXPECT_STREQ(right->GetName(), "DirectionalLightFrame");
  EXPECT_FALSE(right->IsPickable());
  EXPECT_EQ(right->GetParentRenderFrame(), m_world.GetRenderFrame());
  // In the device under its index, switched on.
  D3DLIGHT8 set{};
  ASSERT_EQ(Device()->GetLight(static_cast<DWORD>(right->GetLightIndex()), &set), D3D_OK);
  EXPECT_EQ(set.Type, D3DLIGHT_DIRECTIONAL);
  EXPECT_FLOAT_EQ(set.Direction.x, -1.0f);
  ExpectColour(set.Diffuse, 1, 0.5f, 0.25f, 1);
  ExpectColour(set.Specular, 1, 0, 0, 1);
  EXPECT_TRUE(right->IsLightEnabled());

  // The ambient light exists, first of all, black in the device while the
  // stored colour stays.
  CLightFrame* first = nullptr;
  ASSERT_TRUE(lights->GetFirstLight(first));
  EXPECT_EQ(first, lights->GetAmbientLight());
  EXPECT_EQ(first->GetLightIndex(), -1);
  EXPECT_FALSE(lights->AmbientLightIsEnabled());
  DWORD ambient = 1;
  ASSERT_EQ(Device()->GetRenderState(D3DRS_AMBIENT, &ambient), D3D_OK);
  EXPECT_EQ(ambient, 0u);
  D3DCOLORVALUE diffuse, specular, stored;
  lights->GetLightsColor(diffuse, specular, stored);
  ExpectColour(stored, 0.75f, 0.75f, 0.75f, 1);

  // Walkers: ambient, right, then the end.
  CLightFrame* next = nullptr;
  ASSERT_TRUE(lights->GetNextLight(first, next));
  EXPECT_EQ(next, right);
  ASSERT_TRUE(lights->GetNextLight(next, next));
  EXPECT_EQ(next, nullptr);
  CDirectionalLightFrame* directional = nullptr;
  ASSERT_TRUE(lights->GetFirstDirectionalLight(directional));
  EXPECT_EQ(directional, right);
  EXPECT_FALSE(lights->GetDirectionalLight(-1, directional));
  EXPECT_EQ(directional, nullptr);

  // Switched on, the stored colour comes in.
  ASSERT_TRUE(lights->EnableAmbientLight(false));
  ASSERT_EQ(Device()->GetRenderState(D3DRS_AMBIENT, &ambient), D3D_OK);
  EXPECT_EQ(ambient, 0xFFBFBFBFu);
}

TEST_F(Lights, TheAmbientColourReachesTheDeviceTruncated) {
  CAmbientLight light;
  ASSERT_TRUE(light.Initialize({0.5f, 0.25f, 1, 1}, nullptr, false));
  EXPECT_EQ(light.GetLightIndex(), -1);
  EXPECT_EQ(std::string(light.GetName()).rfind("AmbientLightFrame", 0), 0u);
  ASSERT_TRUE(light.SetLightInDevice());
  DWORD ambient = 0;
  ASSERT_EQ(Device()->GetRenderState(D3DRS_AMBIENT, &ambient), D3D_OK);
  EXPECT_EQ(ambient, 0xFF7F3FFFu);
}

TEST_F(Lights, TwoWorldsNeverShareALightIndexAndARecreatedSideLightGetsAHigherOne) {
  CXFileDataList other;
  ASSERT_TRUE(other.Initialize(nullptr, false));
  const long mine = Manager()->GetDirectionalLightFromRightFrame()->GetLightIndex();
  const long theirs = other.GetLightsManager()->GetDirectionalLightFromRightFrame()->GetLightIndex();
  EXPECT_NE(mine, theirs);
  WORD unused = 0;
  EXPECT_TRUE(g_lightIndices.Lookup(static_cast<DWORD>(mine), unused));
  EXPECT_TRUE(g_lightIndices.Lookup(static_cast<DWORD>(theirs), unused));

  // Twice the same side fails and keeps the first.
  CDirectionalLightFrame* right = Manager()->GetDirectionalLightFromRightFrame();
  EXPECT_THROW(Manager()->CreateDirectionalLightFromRight(false), const char*);
  EXPECT_EQ(Manager()->GetDirectionalLightFromRightFrame(), right);

  ASSERT_TRUE(Manager()->DestroyDirectionalLightFromRight(false));
  EXPECT_EQ(Manager()->GetDirectionalLightFromRightFrame(), nullptr);
  EXPECT_EQ(Manager()->GetLightsCount(), 1u);
  BOOL enabled = TRUE;
  ASSERT_EQ(Device()->GetLightEnable(static_cast<DWORD>(mine), &enabled), D3D_OK);
  EXPECT_FALSE(enabled) << "a destroyed light is switched off";
  EXPECT_TRUE(Manager()->DestroyDirectionalLightFromRight(false)) << "nothing to destroy";
  ASSERT_TRUE(Manager()->CreateDirectionalLightFromRight(false));
  const long again = Manager()->GetDirectionalLightFromRightFrame()->GetLightIndex();
  EXPECT_GT(again, std::max(mine, theirs));
  other.DestroyContent(false);
}

TEST_F(Lights, SwitchingTheAmbientLightWithoutOneFails) {
  CLightsManager empty;
  EXPECT_FALSE(empty.EnableAmbientLight(false));

  CLightsManager* lights = Manager();
  ASSERT_TRUE(lights->EnableAmbientLight(false));
  ASSERT_TRUE(lights->DestroyAmbientLight());
  EXPECT_EQ(lights->GetAmbientLight(), nullptr);
  EXPECT_FALSE(lights->DisableAmbientLight(false));
}

TEST_F(Lights, ColoursReachTheSideLightsAndTheAmbientLightOnlyWhileItIsOn) {
  CLightsManager* lights = Manager();
  D3DCOLORVALUE diffuse{0, 1, 0, 1}, specular{0, 0, 1, 1}, ambient{0.5f, 0.25f, 1, 1};
  ASSERT_TRUE(lights->SetLightsColor(diffuse, specular, ambient));
  D3DLIGHT8 set{};
  ASSERT_EQ(Device()->GetLight(static_cast<DWORD>(lights->GetDirectionalLightFromRightFrame()->GetLightIndex()), &set),
            D3D_OK);
  ExpectColour(set.Diffuse, 0, 1, 0, 1);
  DWORD state = 1;
  ASSERT_EQ(Device()->GetRenderState(D3DRS_AMBIENT, &state), D3D_OK);
  EXPECT_EQ(state, 0u);
  ASSERT_TRUE(lights->EnableAmbientLight(false));
  ASSERT_EQ(Device()->GetRenderState(D3DRS_AMBIENT, &state), D3D_OK);
  EXPECT_EQ(state, 0xFF7F3FFFu);

  // Reset: the built-in defaults again, the world kept.
  ASSERT_TRUE(lights->ResetDefaultLights(false));
  EXPECT_EQ(lights->GetWorld(), &m_world);
  EXPECT_EQ(lights->GetLightsCount(), 2u);
  EXPECT_FALSE(lights->AmbientLightIsEnabled());
}
