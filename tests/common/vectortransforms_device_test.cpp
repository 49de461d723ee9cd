#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "math_expect.h"
#include "test_device.h"
#include "test_mesh.h"
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
  EXPECT_EQ(corners[BoxFrontTopRight], D3DXVECTOR3(1, 5, 0));
  // The buffer is not left locked: it can be locked for writing again.
  ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
  vb->Unlock();
}

TEST_F(VertexBufferBounds, BoxOfAMeshsVertices) {
  ID3DXMesh* mesh = MakeMesh(m_device.get(), {{1, 2, 3}, {-4, 5, 0}, {0, -1, 7}}, {0, 1, 2});
  ASSERT_NE(mesh, nullptr);
  D3DXVECTOR3 min, max, corners[8], min2, max2, corners2[8];
  ASSERT_TRUE(ComputeBoundingBoxD3DMesh(mesh, &min, &max, corners));
  EXPECT_EQ(min, D3DXVECTOR3(-4, -1, 0));
  EXPECT_EQ(max, D3DXVECTOR3(1, 5, 7));
  EXPECT_EQ(corners[BoxBackBottomLeft], D3DXVECTOR3(-4, -1, 7));
  ComputeBoundingBoxD3DMesh2(mesh, &min2, &max2, corners2);
  EXPECT_EQ(min2, min);
  EXPECT_EQ(max2, max);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(corners2[i], corners[i]) << i;
  mesh->Release();
}

// A mesh that answers what a test sets up, to reach the empty and the
// failing cases.
class FakeMesh : public ID3DXMesh {
 public:
  MOCK_METHOD(HRESULT, QueryInterface, (REFIID, void**), (override));
  MOCK_METHOD(ULONG, AddRef, (), (override));
  MOCK_METHOD(ULONG, Release, (), (override));
  MOCK_METHOD(HRESULT, DrawSubset, (DWORD), (override));
  MOCK_METHOD(DWORD, GetNumFaces, (), (override));
  MOCK_METHOD(DWORD, GetNumVertices, (), (override));
  MOCK_METHOD(DWORD, GetFVF, (), (override));
  MOCK_METHOD(DWORD, GetOptions, (), (override));
  MOCK_METHOD(HRESULT, GetDevice, (IDirect3DDevice8**), (override));
  MOCK_METHOD(HRESULT, CloneMeshFVF, (DWORD, DWORD, IDirect3DDevice8*, ID3DXMesh**), (override));
  MOCK_METHOD(HRESULT, GetVertexBuffer, (IDirect3DVertexBuffer8**), (override));
  MOCK_METHOD(HRESULT, GetIndexBuffer, (IDirect3DIndexBuffer8**), (override));
  MOCK_METHOD(HRESULT, LockVertexBuffer, (DWORD, BYTE**), (override));
  MOCK_METHOD(HRESULT, UnlockVertexBuffer, (), (override));
  MOCK_METHOD(HRESULT, LockIndexBuffer, (DWORD, BYTE**), (override));
  MOCK_METHOD(HRESULT, UnlockIndexBuffer, (), (override));
  MOCK_METHOD(HRESULT, GetAttributeTable, (D3DXATTRIBUTERANGE*, DWORD*), (override));
  MOCK_METHOD(HRESULT, ConvertPointRepsToAdjacency, (const DWORD*, DWORD*), (override));
  MOCK_METHOD(HRESULT, ConvertAdjacencyToPointReps, (const DWORD*, DWORD*), (override));
  MOCK_METHOD(HRESULT, GenerateAdjacency, (float, DWORD*), (override));
  MOCK_METHOD(HRESULT, LockAttributeBuffer, (DWORD, DWORD**), (override));
  MOCK_METHOD(HRESULT, UnlockAttributeBuffer, (), (override));
  MOCK_METHOD(HRESULT, Optimize, (DWORD, const DWORD*, DWORD*, DWORD*, ID3DXBuffer**, ID3DXMesh**), (override));
  MOCK_METHOD(HRESULT, OptimizeInplace, (DWORD, const DWORD*, DWORD*, DWORD*, ID3DXBuffer**), (override));
};

using ::testing::_;
using ::testing::NiceMock;
using ::testing::Return;

TEST(MeshBounds, AnEmptyMeshGivesZerosAndLocksNothing) {
  NiceMock<FakeMesh> mesh;
  ON_CALL(mesh, GetNumVertices()).WillByDefault(Return(0));
  ON_CALL(mesh, GetFVF()).WillByDefault(Return(D3DFVF_XYZ));
  EXPECT_CALL(mesh, LockVertexBuffer(_, _)).Times(0);
  D3DXVECTOR3 min(1, 1, 1), max(2, 2, 2), corners[8];
  corners[3] = D3DXVECTOR3(5, 5, 5);
  ComputeBoundingBoxD3DMesh2(&mesh, &min, &max, corners);
  EXPECT_EQ(min, D3DXVECTOR3());
  EXPECT_EQ(max, D3DXVECTOR3());
  for (const D3DXVECTOR3& c : corners) EXPECT_EQ(c, D3DXVECTOR3());
}

TEST(MeshBounds, AFailedLockIsReportedAndNotUnlocked) {
  NiceMock<FakeMesh> mesh;
  ON_CALL(mesh, GetNumVertices()).WillByDefault(Return(3));
  ON_CALL(mesh, GetFVF()).WillByDefault(Return(D3DFVF_XYZ));
  ON_CALL(mesh, LockVertexBuffer(_, _)).WillByDefault(Return(D3DERR_INVALIDCALL));
  EXPECT_CALL(mesh, UnlockVertexBuffer()).Times(0);
  D3DXVECTOR3 min, max, corners[8];
  EXPECT_FALSE(ComputeBoundingBoxD3DMesh(&mesh, &min, &max, corners));
  ComputeBoundingBoxD3DMesh2(&mesh, &min, &max, corners);
  EXPECT_EQ(min, D3DXVECTOR3());
}

}  // namespace
