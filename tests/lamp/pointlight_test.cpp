// Point lights: their frame and marker, colours reaching the marker, and
// moving and turning the light.
#include <dxwindoweddevice.h>
#include <pointlightframe.h>
#include <simpleshape.h>

#include <cmath>

#include <gtest/gtest.h>

namespace {

class PointLight : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(m_device.CreateD3DDevice(nullptr), S_OK);
    m_light.Type = D3DLIGHT_POINT;
    m_light.Diffuse = {1, 1, 1, 1};
    m_light.Range = 100;
    m_light.Attenuation0 = 1;
  }
  IDirect3DDevice8* Device() { return m_device.GetD3DDevice(); }

  CDXWindowedDevice m_device;
  D3DLIGHT8 m_light{};
};

TEST_F(PointLight, CarriesItsMarkerAndPassesItsColoursToIt) {
  CPointLightFrame light;
  ASSERT_TRUE(light.Initialize(&m_light, 40, true, 0.5f, nullptr));
  EXPECT_EQ(light.GetFrameType(), CFrame::eLightFrame);
  EXPECT_EQ(light.GetLightFrameType(), CLightFrame::ePointLightFrame);
  EXPECT_STREQ(light.GetName(), "PointLightFrame");
  EXPECT_TRUE(light.IsPickable());
  POSITION pos = light.GetChildHeadPosition();
  CFrame* marker = light.GetNextFrame(pos, false, false);
  ASSERT_NE(marker, nullptr);
  EXPECT_STREQ(marker->GetName(), "LightMeshFrame");
  EXPECT_FALSE(marker->IsPickable());
  ASSERT_NE(light.GetMarkerSphere(), nullptr);
  EXPECT_NEAR(light.GetRadiusFS(), 0.5f * std::sqrt(3.0f), 1e-3f);

  const D3DCOLORVALUE red{1, 0, 0, 1}, white{1, 1, 1, 1}, dark{0.1f, 0.1f, 0.1f, 1};
  ASSERT_TRUE(light.SetColor(red, white, dark));
  EXPECT_EQ(light.GetD3DLight()->Diffuse.r, 1.0f);
  EXPECT_EQ(light.GetD3DLight()->Diffuse.g, 0.0f);
  const D3DMATERIAL8* material = light.GetMarkerSphere()->GetMaterial();
  EXPECT_EQ(material->Diffuse.g, 0.0f);
  EXPECT_EQ(material->Ambient.r, 0.1f);

  // Without a marker the material part is left out.
  CPointLightFrame bare;
  ASSERT_TRUE(bare.Initialize(&m_light, 41, false, 0.5f, nullptr));
  EXPECT_EQ(bare.GetMarkerSphere(), nullptr);
  EXPECT_TRUE(bare.SetColor(red, white, dark));
  bare.SetMaterial(D3DMATERIAL8{});
}

TEST_F(PointLight, MovesAndTurnsWithItsFrame) {
  CPointLightFrame light;
  ASSERT_TRUE(light.Initialize(&m_light, 42, false, 0, nullptr));
  D3DXVECTOR3 place(1, 2, 3);
  ASSERT_TRUE(light.SetPositionWS(&place));
  D3DLIGHT8 set{};
  ASSERT_EQ(Device()->GetLight(42, &set), D3D_OK);
  EXPECT_EQ(set.Position.x, 1.0f);
  EXPECT_EQ(set.Position.z, 3.0f);
  D3DXMATRIX world = light.ComputeWorldTransform(false);
  EXPECT_NEAR(world._41, 1.0f, 1e-5f);
  EXPECT_NEAR(world._42, 2.0f, 1e-5f);
  EXPECT_NEAR(world._43, 3.0f, 1e-5f);
  // Moved again: by the difference.
  D3DXVECTOR3 next(-1, 0, 0);
  ASSERT_TRUE(light.SetPositionWS(&next));
  world = light.ComputeWorldTransform(false);
  EXPECT_NEAR(world._41, -1.0f, 1e-5f);
  EXPECT_NEAR(world._43, 0.0f, 1e-5f);

  // Turned to shine along +x: its own +z now points there.
  D3DXVECTOR3 along(1, 0, 0);
  ASSERT_TRUE(light.SetDirectionWS(&along));
  EXPECT_EQ(light.GetD3DLight()->Direction.x, 1.0f);
  world = light.ComputeWorldTransform(false);
  D3DXVECTOR3 ahead;
  D3DXVec3TransformNormal(&ahead, &CPointLightFrame::m_vLightFrameDirectionMS, &world);
  EXPECT_NEAR(ahead.x, 1.0f, 1e-4f);
  EXPECT_NEAR(ahead.z, 0.0f, 1e-4f);
  EXPECT_NEAR(world._41, -1.0f, 1e-4f) << "the light stays where it is";
}

}  // namespace
