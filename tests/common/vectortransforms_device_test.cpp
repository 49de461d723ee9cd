#include <gtest/gtest.h>

#include <cstring>

#include "math_expect.h"
#include "test_device.h"
#include "vectortransforms.h"

using math_expect::Near;

namespace {

class PickRayTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    const D3DVIEWPORT8 viewport = {0, 0, 200, 100, 0.0f, 1.0f};
    ASSERT_EQ(m_device->SetViewport(&viewport), D3D_OK);
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2, 2.0f, 1.0f, 11.0f);
    ASSERT_EQ(m_device->SetTransform(D3DTS_PROJECTION, &projection), D3D_OK);
  }

  void SetView(const D3DXMATRIX& view) { ASSERT_EQ(m_device->SetTransform(D3DTS_VIEW, &view), D3D_OK); }
};

TEST_F(PickRayTest, ThroughTheViewportBackToViewAndWorld) {
  D3DXMATRIX view;
  D3DXMatrixRotationY(&view, D3DX_PI / 2);
  SetView(view);
  // The far plane lies at 11: a corner of the viewport is (2, 1, 1) × 11 in
  // view space, which the projection carries to w = 11.
  const struct {
    POINT point;
    D3DXVECTOR3 viewSpace, world;
  } cases[] = {
      {{100, 50}, {0, 0, 1}, {-1, 0, 0}},     // the centre looks ahead
      {{200, 0}, {2, 1, 1}, {-1, 1, 2}},      // the top right corner
      {{0, 100}, {-2, -1, 1}, {-1, -1, -2}},  // the bottom left corner
  };
  for (auto c : cases) {
    D3DXVECTOR3 ray;
    GetViewSpaceMousePickRay(ray, c.point, m_device.get());
    EXPECT_TRUE(Near(ray, c.viewSpace, 1e-4f)) << c.point.x;
    GetMousePickRay(ray, c.point, m_device.get());
    EXPECT_TRUE(Near(ray, c.world, 1e-4f)) << c.point.x;
  }
}

TEST_F(PickRayTest, ATransformWithoutInverseGivesAZeroRay) {
  const D3DXMATRIX zero;
  ASSERT_EQ(m_device->SetTransform(D3DTS_PROJECTION, &zero), D3D_OK);
  POINT point = {10, 10};
  D3DXVECTOR3 ray(5, 5, 5);
  GetMousePickRay(ray, point, m_device.get());
  EXPECT_EQ(ray, D3DXVECTOR3(0, 0, 0));
}

using VertexBufferBounds = DeviceTest;

TEST_F(VertexBufferBounds, BoxOfTheBuffersPositions) {
  const D3DVERTEX vertices[] = {{1, 2, 3, 0, 0, 0, 0, 0}, {-4, 5, 0, 0, 0, 0, 0, 0}, {0, -1, 7, 9, 9, 9, 9, 9}};
  ComRef<IDirect3DVertexBuffer8> vb;
  ASSERT_EQ(
      m_device->CreateVertexBuffer(sizeof(vertices), 0, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, D3DPOOL_MANAGED, &vb),
      D3D_OK);
  BYTE* data = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
  std::memcpy(data, vertices, sizeof(vertices));
  vb->Unlock();

  D3DXVECTOR3 min, max, corners[8];
  ASSERT_TRUE(ComputeBoundingBoxD3DVertexVB(vb.get(), &min, &max, corners));
  EXPECT_EQ(min, D3DXVECTOR3(-4, -1, 0));
  EXPECT_EQ(max, D3DXVECTOR3(1, 5, 7));
  EXPECT_EQ(corners[FrontTopRight], D3DXVECTOR3(1, 5, 0));
  // The buffer is not left locked: it can be locked for writing again.
  ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
  vb->Unlock();
}

}  // namespace
