// Writing a connectivity mesh back into a Direct3D mesh, reduced or not.
#include <dxmesh.h>
#include <frame.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <tuple>

#include "../scene/mesh_test_support.h"
#include "reduce_test_support.h"

namespace {

using WriteBackDXTest = MeshDeviceTest;

// The indices of a Direct3D mesh, of either width.
std::vector<DWORD> MeshIndices(ID3DXMesh* mesh) {
  std::vector<DWORD> out(3 * static_cast<size_t>(mesh->GetNumFaces()));
  BYTE* data = nullptr;
  EXPECT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = mesh->GetOptions() & D3DXMESH_32BIT ? reinterpret_cast<DWORD*>(data)[i] : reinterpret_cast<WORD*>(data)[i];
  mesh->UnlockIndexBuffer();
  return out;
}

std::vector<D3DVERTEX> MeshVertices(ID3DXMesh* mesh) {
  std::vector<D3DVERTEX> out(mesh->GetNumVertices());
  BYTE* data = nullptr;
  EXPECT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
  std::memcpy(out.data(), data, out.size() * sizeof(D3DVERTEX));
  mesh->UnlockVertexBuffer();
  return out;
}

// Reduced: the active faces in one subset per group, still closed, with the
// vertices' own unit normals, the groups' materials and the counts reported.
TEST_F(WriteBackDXTest, ReducedSphereWritesItsActiveElements) {
  CGeoMesh geo;
  REDUCTIONOPTIONS options{};
  ASSERT_NO_FATAL_FAILURE(ReduceTwoGroupSphere(geo, Device(), options));

  CDXMesh target;
  CDXThread counter;
  ASSERT_TRUE(geo.InitializeClone(&target, nullptr, Device(), &options, &counter));
  EXPECT_TRUE(target.IsReadyForRendering());
  ID3DXMesh* d3dx = target.GetMesh();
  ASSERT_NE(d3dx, nullptr);
  EXPECT_EQ(d3dx->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
  EXPECT_EQ(d3dx->GetOptions() & D3DXMESH_32BIT, 0u);
  EXPECT_EQ(target.GetNumFaces(false), ActiveTrianglesCount(geo));
  EXPECT_EQ(counter.GetCurrentThreadOutputTrianglesCount(), target.GetNumFaces(false));
  ASSERT_EQ(target.GetMaterialsCount(), 2u);
  ASSERT_EQ(target.GetAttributeTableSize(), 2u);
  DWORD faces = 0;
  for (DWORD i = 0; i < 2; ++i) {
    EXPECT_EQ(target.GetAttributeTable()[i].AttribId, i);
    faces += target.GetAttributeTable()[i].FaceCount;
  }
  EXPECT_EQ(faces, target.GetNumFaces(false));
  ASSERT_NE(target.GetAdjacency(), nullptr);

  const std::vector<D3DVERTEX> vertices = MeshVertices(d3dx);
  const std::vector<DWORD> indices = MeshIndices(d3dx);
  using SPoint = std::tuple<float, float, float>;
  auto at = [&](DWORD i) { return SPoint{vertices[i].x, vertices[i].y, vertices[i].z}; };
  std::set<std::pair<SPoint, SPoint>> directed;
  for (size_t f = 0; f < indices.size(); f += 3)
    for (int k = 0; k < 3; ++k) {
      ASSERT_LT(indices[f + k], vertices.size());
      EXPECT_TRUE(directed.insert({at(indices[f + k]), at(indices[f + (k + 1) % 3])}).second);
    }
  for (const auto& [a, b] : directed) EXPECT_TRUE(directed.count({b, a})) << "an open edge";
  for (const D3DVERTEX& v : vertices) EXPECT_NEAR(std::sqrt(v.nx * v.nx + v.ny * v.ny + v.nz * v.nz), 1.0f, 1e-4f);
}

// More vertices than 16-bit indices reach make a mesh of 32-bit indices
// that keeps every vertex; a material without faces has no attribute range.
TEST_F(WriteBackDXTest, ManyVerticesGiveThirtyTwoBitIndicesAndUnusedMaterialsNoRange) {
  const SGeoTestMesh mesh = MakeGridMesh(256, 256);
  ASSERT_GT(mesh.vertices.size(), 0xFFFFu);
  const std::vector<DWORD> materials(mesh.TrianglesCount(), 1);
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, Device(), mesh, nullptr, materials.data(), 3));
  CDXMesh target;
  ASSERT_TRUE(geo.InitializeClone(&target, nullptr, Device(), nullptr, nullptr));
  ID3DXMesh* d3dx = target.GetMesh();
  ASSERT_NE(d3dx, nullptr);
  EXPECT_NE(d3dx->GetOptions() & D3DXMESH_32BIT, 0u);
  EXPECT_EQ(d3dx->GetNumVertices(), mesh.vertices.size());
  EXPECT_EQ(d3dx->GetNumFaces(), mesh.TrianglesCount());
  const std::vector<DWORD> indices = MeshIndices(d3dx);
  EXPECT_GT(*std::max_element(indices.begin(), indices.end()), 0xFFFFu);
  EXPECT_EQ(target.GetMaterialsCount(), 3u);
  ASSERT_EQ(target.GetAttributeTableSize(), 1u);
  EXPECT_EQ(target.GetAttributeTable()[0].AttribId, 1u);
  bool needs32bit = false;
  CFrame frame;
  frame.Initialize(nullptr, const_cast<char*>("big"), CFrame::eDXMeshFrame, false);
  auto* owned = new CDXMesh;
  ASSERT_TRUE(geo.InitializeClone(owned, nullptr, Device(), nullptr, nullptr));
  frame.AddChildObject(eOwnedChild, owned, false);
  ASSERT_TRUE(frame.Contains32bitMeshCheck(needs32bit, nullptr));
  EXPECT_TRUE(needs32bit);
}

}  // namespace
