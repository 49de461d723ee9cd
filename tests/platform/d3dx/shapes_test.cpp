#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "math_expect.h"
#include "test_mesh.h"

using Shapes = DeviceTest;

namespace {

struct ShapeCase {
  const char* name;
  std::function<HRESULT(IDirect3DDevice8*, ID3DXMesh**, ID3DXBuffer**)> create;
  DWORD vertices, faces;
  D3DXVECTOR3 min, max;
};

}  // namespace

TEST_F(Shapes, HaveTheirCountsBoundsAndOutwardNormals) {
  const ShapeCase cases[] = {
      {"box", [](auto d, auto m, auto a) { return D3DXCreateBox(d, 2, 4, 6, m, a); }, 24, 12, {-1, -2, -3}, {1, 2, 3}},
      {"sphere", [](auto d, auto m, auto a) { return D3DXCreateSphere(d, 1.5f, 8, 8, m, a); }, 7 * 8 + 2,
       2 * 8 * 7, {-1.5f, -1.5f, -1.5f}, {1.5f, 1.5f, 1.5f}},
      {"cylinder", [](auto d, auto m, auto a) { return D3DXCreateCylinder(d, 1, 1, 3, 8, 8, m, a); },
       9 * 8 + 2 * 9, 2 * 8 * 9, {-1, -1, -1.5f}, {1, 1, 1.5f}},
      {"cone", [](auto d, auto m, auto a) { return D3DXCreateCylinder(d, 2, 0.5f, 1, 4, 1, m, a); }, 2 * 4 + 2 * 5,
       2 * 4 * 2, {-2, -2, -0.5f}, {2, 2, 0.5f}},
  };
  for (const ShapeCase& c : cases) {
    SCOPED_TRACE(c.name);
    ComRef<ID3DXMesh> mesh;
    ComRef<ID3DXBuffer> adjacency;
    ASSERT_EQ(c.create(m_device.get(), &mesh, &adjacency), D3D_OK);
    EXPECT_EQ(mesh->GetNumVertices(), c.vertices);
    EXPECT_EQ(mesh->GetNumFaces(), c.faces);
    EXPECT_EQ(mesh->GetOptions() & D3DXMESH_32BIT, 0u);

    const std::vector<MeshVertex> vertices = Vertices(mesh.get());
    D3DXVECTOR3 min, max;
    ASSERT_EQ(D3DXComputeBoundingBox(vertices.data(), c.vertices, mesh->GetFVF(), &min, &max), S_OK);
    EXPECT_TRUE(math_expect::Near(min, c.min));
    EXPECT_TRUE(math_expect::Near(max, c.max));

    // Unit normals pointing away from the centre, and faces wound to match.
    for (const MeshVertex& v : vertices) {
      EXPECT_NEAR(D3DXVec3Length(&v.normal), 1.0f, 1e-5f);
      EXPECT_GE(D3DXVec3Dot(&v.normal, &v.position), 0.0f);
    }
    const std::vector<DWORD> indices = Indices(mesh.get());
    for (size_t f = 0; f < indices.size(); f += 3) {
      const D3DXVECTOR3& a = vertices[indices[f]].position;
      const D3DXVECTOR3 e1 = vertices[indices[f + 1]].position - a, e2 = vertices[indices[f + 2]].position - a;
      D3DXVECTOR3 n;
      D3DXVec3Cross(&n, &e1, &e2);
      const D3DXVECTOR3 centroid = (a + vertices[indices[f + 1]].position + vertices[indices[f + 2]].position) / 3;
      EXPECT_GT(D3DXVec3Dot(&n, &centroid), 0.0f) << "face " << f / 3;
    }

    ASSERT_EQ(adjacency->GetBufferSize(), 3 * c.faces * sizeof(DWORD));
    const DWORD* links = static_cast<const DWORD*>(adjacency->GetBufferPointer());
    EXPECT_EQ(std::vector<DWORD>(links, links + 3 * c.faces), Adjacency(mesh.get()));
    EXPECT_EQ(D3DXValidMesh(mesh.get(), links, nullptr), D3D_OK);
  }
}

TEST_F(Shapes, SphereNormalsAgreeWithTheComputedOnes) {
  ComRef<ID3DXMesh> sphere;
  ASSERT_EQ(D3DXCreateSphere(m_device.get(), 1, 16, 16, &sphere, nullptr), D3D_OK);
  const std::vector<MeshVertex> analytic = Vertices(sphere.get());
  ASSERT_EQ(D3DXComputeNormals(sphere.get(), nullptr), D3D_OK);
  const std::vector<MeshVertex> computed = Vertices(sphere.get());
  for (size_t v = 0; v < computed.size(); ++v)
    EXPECT_GT(D3DXVec3Dot(&computed[v].normal, &analytic[v].normal), 0.98f) << v;
}

TEST_F(Shapes, RefuseWhatTheyCannotBuild) {
  ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
  EXPECT_EQ(D3DXCreateSphere(m_device.get(), 1, 1, 8, &mesh, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh, nullptr);
  EXPECT_EQ(D3DXCreateSphere(m_device.get(), -1, 8, 8, &mesh, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateSphere(m_device.get(), 1, 1000, 1000, &mesh, nullptr), D3DERR_INVALIDCALL);  // > 65,535
  EXPECT_EQ(D3DXCreateCylinder(m_device.get(), 1, 1, 1, 8, 0, &mesh, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateBox(m_device.get(), 1, NAN, 1, &mesh, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateBox(nullptr, 1, 1, 1, &mesh, nullptr), D3DERR_INVALIDCALL);
}
