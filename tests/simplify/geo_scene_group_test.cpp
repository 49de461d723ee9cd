// Building a group of a scene mesh: its grouped triangle indices and its
// scene material, borrowed or owned.
#include <gtest/gtest.h>
#include <material.h>
#include <meshgroups.h>
#include <texturefile.h>

#include <cstring>
#include <vector>

#include "geo_test_support.h"
#include "qorcommon.h"

namespace {

// A grid of columns x rows quads as scene-mesh faces of four corners, fanned
// into grouped triangle indices; vertex (i, j) at j * (columns + 1) + i.
struct SQuadGrid {
  SGeoTestMesh mesh;
  std::vector<CMeshFace> faces;
  CGroupedTrianglesVertexIndices indices;

  SQuadGrid(DWORD columns, DWORD rows) : faces(columns * rows) {
    for (DWORD j = 0; j <= rows; ++j)
      for (DWORD i = 0; i <= columns; ++i) mesh.AddVertex(static_cast<float>(i), static_cast<float>(j), 0.0f);
    for (DWORD j = 0; j < rows; ++j)
      for (DWORD i = 0; i < columns; ++i) {
        const DWORD a = j * (columns + 1) + i;
        const DWORD corners[4] = {a, a + 1, a + columns + 2, a + columns + 1};
        EXPECT_TRUE(faces[j * columns + i].SetMeshFace(4, corners));
      }
    EXPECT_TRUE(indices.Initialize(static_cast<DWORD>(faces.size()), faces.data(), nullptr));
  }
};

class GeoSceneGroupTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    m_color = {};
    m_color.Diffuse = {1.0f, 0.0f, 0.0f, 1.0f};
    m_color.Power = 5.0f;
    ASSERT_TRUE(m_material.Initialize(&m_color, const_cast<char*>("wood.bmp"), nullptr, const_cast<char*>("Red"),
                                      nullptr));
  }
  // The group built on the grid's records, in a mesh whose pool holds them.
  bool Build(CGeoMeshTriangles& group, SQuadGrid& grid, CMaterial* material, EChildObjectType type) {
    ComRef<IDirect3DVertexBuffer8> vb(MakeVertexBuffer(m_device.get(), grid.mesh));
    m_geo.GetGeoVertexArray()->Initialize(static_cast<DWORD>(grid.mesh.vertices.size()));
    return group.Initialize3(static_cast<DWORD>(grid.mesh.vertices.size()), vb.get(), &grid.indices, &m_geo, 0,
                             material, type, nullptr, nullptr);
  }

  D3DMATERIAL8 m_color;
  CMaterial m_material;
  CGeoMesh m_geo;
};

// A reference is borrowed as it is; any other kind is copied and owned, and
// freed with the group (the sanitizers see a material freed twice or lost).
TEST_F(GeoSceneGroupTest, MaterialIsBorrowedOrCopied) {
  for (EChildObjectType type : {eReferenceChild, eOwnedChild, eBinaryChild}) {
    SQuadGrid grid(3, 2);
    CGeoMeshTriangles group;
    ASSERT_TRUE(Build(group, grid, &m_material, type)) << type;
    EXPECT_EQ(group.GetMaterialChildObjectType(), type);
    CMaterial* held = group.GetMaterial();
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held == &m_material, type == eReferenceChild) << type;
    EXPECT_EQ(std::memcmp(held->GetMaterial(), &m_color, sizeof(m_color)), 0) << type;
    ASSERT_NE(held->GetTextureFile(), nullptr);
    EXPECT_STREQ(held->GetTextureFile()->GetFileName(), "wood.bmp");
    // The drawing and the write-back read the same colours and texture name.
    EXPECT_EQ(std::memcmp(&group.Getd3dMaterial()->MatD3D, &m_color, sizeof(m_color)), 0) << type;
    EXPECT_STREQ(group.Getd3dMaterial()->pTextureFilename, "wood.bmp");
    EXPECT_NE(group.Getd3dMaterial()->pTextureFilename, held->GetTextureFile()->GetFileName());
    ASSERT_TRUE(group.DestroyContent());
    EXPECT_EQ(group.GetMaterial(), nullptr);
  }
  EXPECT_EQ(m_material.GetMaterial()->Power, 5.0f);
}

// Quads fan into two triangles each, built as the list form builds them.
TEST_F(GeoSceneGroupTest, GroupedQuadsBuildAsTheirTriangles) {
  SQuadGrid grid(3, 2);
  CGeoMeshTriangles group;
  ASSERT_TRUE(Build(group, grid, &m_material, eReferenceChild));
  EXPECT_TRUE(group.IsReadyForRendering());
  const SGroupCounts counts = InspectGroup(group);
  EXPECT_EQ(counts.faces, 12u);
  EXPECT_EQ(counts.vertices, 12u);
  EXPECT_EQ(counts.edges, 9u + 8u + 6u);  // across, up, and the quads' diagonals
  EXPECT_EQ(counts.borderEdges, 10u);
  EXPECT_EQ(counts.halfEdgesWithoutEdge, 0u);
}

TEST_F(GeoSceneGroupTest, WithoutMaterialTheGroupTakesTheDefault) {
  SQuadGrid grid(1, 1);
  CGeoMeshTriangles group;
  ASSERT_TRUE(Build(group, grid, nullptr, eOwnedChild));
  EXPECT_EQ(group.GetMaterial(), nullptr);
  const D3DMATERIAL8 standard = DefaultMaterial();
  EXPECT_EQ(std::memcmp(&group.Getd3dMaterial()->MatD3D, &standard, sizeof(standard)), 0);
  EXPECT_EQ(InspectGroup(group).faces, 2u);
}

TEST_F(GeoSceneGroupTest, MissingIndicesOrMeshAreRefused) {
  SQuadGrid grid(1, 1);
  ComRef<IDirect3DVertexBuffer8> vb(MakeVertexBuffer(m_device.get(), grid.mesh));
  CGeoMeshTriangles group;
  EXPECT_FALSE(group.Initialize3(4, vb.get(), nullptr, &m_geo, 0, &m_material, eOwnedChild, nullptr, nullptr));
  EXPECT_FALSE(group.Initialize3(4, vb.get(), &grid.indices, nullptr, 0, &m_material, eOwnedChild, nullptr, nullptr));
  EXPECT_EQ(group.GetMaterial(), nullptr);
  EXPECT_EQ(group.GetOriginalFacesArray()->GetCurrentFacesCount(), 0u);
}

// A stopped build leaves the group empty, its material copy freed.
TEST_F(GeoSceneGroupTest, StoppedBuildLeavesNothing) {
  SQuadGrid grid(3, 2);
  CGeoMeshTriangles group;
  ComRef<IDirect3DVertexBuffer8> vb(MakeVertexBuffer(m_device.get(), grid.mesh));
  m_geo.GetGeoVertexArray()->Initialize(static_cast<DWORD>(grid.mesh.vertices.size()));
  bool built = true;
  RunStopped([&](CDXThread* thread) {
    built = group.Initialize3(static_cast<DWORD>(grid.mesh.vertices.size()), vb.get(), &grid.indices, &m_geo, 0,
                              &m_material, eOwnedChild, nullptr, thread);
  });
  EXPECT_FALSE(built);
  EXPECT_EQ(group.GetMaterial(), nullptr);
  EXPECT_EQ(group.GetOriginalFacesArray()->GetCurrentFacesCount(), 0u);
}

}  // namespace
