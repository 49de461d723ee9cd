// Writing a connectivity mesh back into a scene mesh, reduced or not.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <tuple>

#include "../scene/mesh_test_support.h"
#include "reduce_test_support.h"

namespace {

class WriteBackTest : public MeshDeviceTest {
 protected:
  // Builds geo from the scene mesh the way the frame conversion does.
  bool BuildFrom(CMesh& mesh, CGeoMesh& geo) {
    if (!mesh.InitializeClone(&geo, nullptr, nullptr, nullptr)) return false;
    CMeshTextureCoords* coords = mesh.GetMeshTextureCoords();
    geo.SetSourcePartNames(mesh.GetMeshMaterialList()->GetName(), "normals", coords ? coords->GetName() : nullptr);
    return true;
  }
};

// The first vertex at position, or the count when there is none.
DWORD IndexAt(const std::vector<D3DVERTEX>& vertices, const D3DXVECTOR3& position) {
  DWORD i = 0;
  while (i < vertices.size() && D3DXVECTOR3(vertices[i].x, vertices[i].y, vertices[i].z) != position) ++i;
  return i;
}

void ExpectUnitNormals(CMesh& mesh) {
  CMeshNormals* normals = mesh.GetMeshNormals();
  ASSERT_NE(normals, nullptr);
  ASSERT_EQ(normals->GetNormalsCount(), mesh.GetVerticesCount());
  ASSERT_EQ(normals->GetFacesCount(), mesh.GetFacesCount());
  for (DWORD i = 0; i < normals->GetNormalsCount(); ++i)
    EXPECT_NEAR(D3DXVec3Length(&normals->GetNormals()[i]), 1.0f, 1e-5f) << i;
}

// Never reduced: every vertex of the pool in pool order (each group has its
// own corners: 7 and 7 of the cube's 8), every source face, the materials of
// the groups and the texture coordinates.
TEST_F(WriteBackTest, UnreducedCubeComesBackWhole) {
  XFileObjects objects(ReadFixture("mesh_cube_two_materials.x"));
  CMesh source;
  ASSERT_TRUE(LoadMeshTree(source, objects[0]));
  ASSERT_TRUE(PrepareMesh(source));
  CGeoMesh geo;
  ASSERT_TRUE(BuildFrom(source, geo));
  CMesh target;
  ASSERT_TRUE(geo.InitializeMesh(&target, nullptr, nullptr, nullptr, nullptr));
  EXPECT_TRUE(target.IsReadyForRendering());
  EXPECT_EQ(target.GetVerticesCount(), 14u);
  ASSERT_EQ(target.GetFacesCount(), 12u);
  for (DWORD f = 0; f < 12; ++f) {
    EXPECT_EQ(target.GetFaces()[f].GetFaceVertexCount(), 3u);
    EXPECT_TRUE(target.GetFaces()[f].IndicesBelow(14)) << f;
  }
  CMeshMaterialList* list = target.GetMeshMaterialList();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetMaterialsCount(), 2u);
  ASSERT_EQ(list->GetFacesCount(), 12u);
  // Group 0 (red) comes first; the blue glass keeps its colour and alpha.
  for (DWORD f = 0; f < 12; ++f) EXPECT_EQ(list->GetFaceMaterialIndices()[f], f < 6 ? 0u : 1u);
  ASSERT_EQ(target.GetMaterialsCount(), 2u);
  EXPECT_EQ(target.GetMaterials()[1]->GetMaterial()->Diffuse.a, 0.5f);
  EXPECT_EQ(target.GetMaterials()[1]->GetMaterial()->Diffuse.b, 1.0f);
  ExpectUnitNormals(target);
  CMeshTextureCoords* coords = target.GetMeshTextureCoords();
  ASSERT_NE(coords, nullptr);
  ASSERT_EQ(coords->GetMeshVertexCount(), 14u);
  // Corner (1, 1, 1) of the red group, first in the numbering, keeps the
  // texture coordinates of record 6 of the file.
  const std::vector<D3DVERTEX> vertices = ReadVertices(target.GetVertexBuffer());
  const DWORD corner = IndexAt(vertices, D3DXVECTOR3(1, 1, 1));
  ASSERT_LT(corner, 7u);
  EXPECT_EQ(coords->GetTextureCoords()[corner].GetU(), 0.75f);
  EXPECT_EQ(coords->GetTextureCoords()[corner].GetV(), 0.0f);
}

// A reduced sphere of two groups: counts as the connectivity mesh has them,
// midpoint vertices after the source ones, a closed surface.
TEST_F(WriteBackTest, ReducedSphereWritesItsActiveElements) {
  CGeoMesh geo;
  REDUCTIONOPTIONS options{};
  ASSERT_NO_FATAL_FAILURE(ReduceTwoGroupSphere(geo, Device(), options));

  CMesh target;
  CDXThread counter;
  ASSERT_TRUE(geo.InitializeMesh(&target, nullptr, nullptr, &options, &counter));
  DWORD sourceVertices = 0;
  ASSERT_TRUE(geo.GetVerticesCount(sourceVertices, nullptr));
  DWORD midpoints = 0;
  for (DWORD g = 0; g < 2; ++g) {
    DWORD n = 0;
    geo.GetGeoMeshTriangles(g)->GetNewVerticesCount(n, nullptr);
    midpoints += n;
  }
  EXPECT_EQ(target.GetVerticesCount(), sourceVertices + midpoints);
  EXPECT_EQ(target.GetFacesCount(), ActiveTrianglesCount(geo));
  EXPECT_EQ(counter.GetCurrentThreadOutputTrianglesCount(), target.GetFacesCount());
  ASSERT_EQ(target.GetMeshMaterialList()->GetFacesCount(), target.GetFacesCount());
  // Closed: every edge, by its end positions, runs once each way.
  const std::vector<D3DVERTEX> vertices = ReadVertices(target.GetVertexBuffer());
  using SPoint = std::tuple<float, float, float>;
  auto at = [&](DWORD i) { return SPoint{vertices[i].x, vertices[i].y, vertices[i].z}; };
  std::set<std::pair<SPoint, SPoint>> directed;
  for (DWORD f = 0; f < target.GetFacesCount(); ++f) {
    const DWORD* v = target.GetFaces()[f].GetFaceVertexIndices();
    for (int k = 0; k < 3; ++k) {
      ASSERT_LT(v[k], target.GetVerticesCount());
      EXPECT_TRUE(directed.insert({at(v[k]), at(v[(k + 1) % 3])}).second);
    }
  }
  for (const auto& [a, b] : directed) EXPECT_TRUE(directed.count({b, a})) << "an open edge";
  for (DWORD g = 0; g < 2; ++g) {
    CGeoVertexArray* pool = geo.GetGeoMeshTriangles(g)->GetNewVerticesArray();
    for (DWORD i = 0; i < pool->GetCurrentVerticesCount(); ++i) {
      if (!pool->GetAt(i)->IsDisabled()) {
        EXPECT_GE(pool->GetAt(i)->GetRetainedModeMeshVertexIndex(), sourceVertices);
      }
    }
  }
  ExpectUnitNormals(target);
  EXPECT_EQ(target.GetMeshTextureCoords(), nullptr);  // the source had none
}

// The vertex handles, the rendered triangle lists and the unlit vertices only
// show the mesh: a reduction of a build that made none (as the batch's), which
// has none to update, writes back the same mesh (midpoints included).
TEST_F(WriteBackTest, ReductionWithoutVertexHandlesWritesTheSameMesh) {
  std::vector<D3DVERTEX> vertices[2];
  std::vector<DWORD> corners[2];
  for (int handles = 0; handles < 2; ++handles) {
    SCOPED_TRACE(handles ? "with handles" : "without handles");
    CGeoMesh geo;
    REDUCTIONOPTIONS options{};
    ASSERT_NO_FATAL_FAILURE(ReduceTwoGroupSphere(geo, Device(), options, handles != 0));
    EXPECT_EQ(geo.AreVerticesHandlesCreated(), handles != 0);
    EXPECT_EQ(geo.GetUnlitVB() != nullptr, handles != 0);
    for (DWORD g = 0; g < geo.GetMaterialsCount(); ++g) {
      CGeoMeshTriangles* group = geo.GetGeoMeshTriangles(g);
      EXPECT_EQ(group->GetOriginalFacesArray()->GetCurrentRenderedFacesCount() > 0, handles != 0);
    }
    CMesh target;
    ASSERT_TRUE(geo.InitializeMesh(&target, nullptr, nullptr, &options, nullptr));
    vertices[handles] = ReadVertices(target.GetVertexBuffer());
    for (DWORD f = 0; f < target.GetFacesCount(); ++f) {
      const DWORD* v = target.GetFaces()[f].GetFaceVertexIndices();
      corners[handles].insert(corners[handles].end(), v, v + 3);
    }
  }
  ASSERT_EQ(vertices[0].size(), vertices[1].size());
  EXPECT_EQ(std::memcmp(vertices[0].data(), vertices[1].data(), vertices[0].size() * sizeof(D3DVERTEX)), 0);
  EXPECT_EQ(corners[0], corners[1]);
}

// A material that no face uses has an empty group, which the reduction
// passes over, and keeps its place in the list written back.
TEST_F(WriteBackTest, UnusedMaterialKeepsItsPlace) {
  const SGeoTestMesh mesh = MakeGridMesh(6, 6);
  const std::vector<DWORD> materials(mesh.TrianglesCount(), 1);
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, Device(), mesh, nullptr, materials.data(), 3));
  CFrameReductionThread job;
  SetUpReductionJob(job, geo);
  REDUCTIONOPTIONS options = DefaultReductionOptions(50);
  ASSERT_TRUE(geo.ReduceTrianglesCount(&options, &job));
  EXPECT_FALSE(geo.GetGeoMeshTriangles(0)->IsReadyForRenderingRM());
  EXPECT_TRUE(geo.GetGeoMeshTriangles(1)->IsReadyForRenderingRM());
  EXPECT_LE(ActiveTrianglesCount(geo), mesh.TrianglesCount() / 2);
  CMesh target;
  ASSERT_TRUE(geo.InitializeMesh(&target, nullptr, nullptr, nullptr, nullptr));
  CMeshMaterialList* list = target.GetMeshMaterialList();
  EXPECT_EQ(list->GetMaterialsCount(), 3u);
  for (DWORD f = 0; f < list->GetFacesCount(); ++f) EXPECT_EQ(list->GetFaceMaterialIndices()[f], 1u);
  EXPECT_EQ(target.GetMaterialsCount(), 3u);
}

// A vertex that no active face uses keeps the normal it has.
TEST_F(WriteBackTest, VertexWithoutFacesKeepsItsNormal) {
  SGeoTestMesh mesh = MakeGridMesh(1, 1);  // triangles (0, 1, 3) and (0, 3, 2)
  mesh.vertices[2].nx = 1.0f;
  mesh.vertices[2].nz = 0.0f;
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, Device(), mesh));
  ActiveFaces(geo, 0)[1]->DisableRM(nullptr);
  CMesh target;
  ASSERT_TRUE(geo.InitializeMesh(&target, nullptr, nullptr, nullptr, nullptr));
  ASSERT_EQ(target.GetVerticesCount(), 4u);
  const std::vector<D3DVERTEX> vertices = ReadVertices(target.GetVertexBuffer());
  const D3DXVECTOR3* normals = target.GetMeshNormals()->GetNormals();
  const DWORD unused = IndexAt(vertices, D3DXVECTOR3(0, 1, 0));
  ASSERT_LT(unused, 4u);
  EXPECT_TRUE(normals[unused] == D3DXVECTOR3(1.0f, 0.0f, 0.0f));
  EXPECT_TRUE(normals[IndexAt(vertices, D3DXVECTOR3(0, 0, 0))] == D3DXVECTOR3(0.0f, 0.0f, 1.0f));
}

}  // namespace
