// The connectivity mesh object: material groups, large meshes and handles.
#include <gtest/gtest.h>

#include "geo_test_support.h"
#include "qorcommon.h"
#include "test_mesh.h"

namespace {

class GeoMeshTest : public DeviceTest {
 protected:
  // The inner vertex (1, 1, 0) of a 2x2 grid; null when it is missing.
  static CGeoVertex* GridCentre(CGeoMesh& geo) {
    for (DWORD i = 0; i < geo.GetOriginalCurrentVerticesCount(); ++i)
      if (*geo.GetGeoVertexArray()->GetAt(i)->GetPosition() == D3DXVECTOR3(1, 1, 0))
        return geo.GetGeoVertexArray()->GetAt(i);
    return nullptr;
  }
};

TEST_F(GeoMeshTest, EachMaterialGetsItsOwnGroup) {
  const SGeoTestMesh mesh = MakeGridMesh(3, 2);  // 12 triangles
  std::vector<DWORD> materials(mesh.TrianglesCount());
  for (DWORD f = 0; f < materials.size(); ++f) materials[f] = f < 4 ? 1 : 0;
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), mesh, nullptr, materials.data(), 2));
  ASSERT_EQ(geo.GetMaterialsCount(), 2u);
  const DWORD expectedFaces[2] = {8, 4};
  for (DWORD g = 0; g < 2; ++g) {
    CGeoMeshTriangles* group = geo.GetGeoMeshTriangles(g);
    DWORD triangles = 0;
    ASSERT_TRUE(group->GetTrianglesCount(triangles, nullptr));
    EXPECT_EQ(triangles, expectedFaces[g]);
    EXPECT_EQ(InspectGroup(*group).faces, expectedFaces[g]);
    CGeoFacesArray* faces = group->GetOriginalFacesArray();
    for (DWORD f = 0; f < faces->GetCurrentFacesCount(); ++f) {
      CGeoVertex *a, *b, *c;
      faces->GetAt(f)->GetTriangleVertices(a, b, c);
      EXPECT_EQ(a->GetGeoMeshTrianglesIndex(), g);
    }
  }
  // The two groups meet along one grid line, whose 4 vertices each group has.
  EXPECT_EQ(geo.GetOriginalCurrentVerticesCount(), 12u + 4u);
}

TEST_F(GeoMeshTest, RebuildingReplacesTheWholeContent) {
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), MakeSphereMesh(6, 8)));
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), MakeCubeMesh()));
  EXPECT_EQ(geo.GetOriginalCurrentVerticesCount(), 8u);
  EXPECT_EQ(geo.GetActiveHandlesIndicesCount(), 3 * 8u);
  EXPECT_EQ(InspectGroup(*geo.GetGeoMeshTriangles(0)).faces, 12u);
  ASSERT_TRUE(geo.DestroyContent());
  EXPECT_EQ(geo.GetOriginalCurrentVerticesCount(), 0u);
  EXPECT_EQ(geo.GetMaterialsCount(), 0u);
}

TEST_F(GeoMeshTest, MaterialIndexPastTheMaterialsIsRefused) {
  const SGeoTestMesh mesh = MakeGridMesh(1, 1);
  const DWORD materials[2] = {0, 2};
  CGeoMesh geo;
  EXPECT_FALSE(BuildGeoMesh(geo, m_device.get(), mesh, nullptr, materials, 2));
}

// More than 65,535 vertices: rendered indices and handle indices do not wrap.
TEST_F(GeoMeshTest, MeshesPastSixteenBitIndicesBuildWhole) {
  const DWORD columns = 300, rows = 220;
  const SGeoTestMesh mesh = MakeGridMesh(columns, rows);
  const DWORD nVertices = (columns + 1) * (rows + 1);
  ASSERT_GT(nVertices, 65536u);
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), mesh));
  EXPECT_EQ(geo.GetOriginalCurrentVerticesCount(), nVertices);

  CGeoFacesArray* faces = geo.GetGeoMeshTriangles(0)->GetOriginalFacesArray();
  ASSERT_EQ(faces->GetCurrentRenderedFacesCount(), mesh.TrianglesCount());
  const DWORD* rendered = faces->GetTrianglesVertexIndices();
  EXPECT_TRUE(std::equal(mesh.indices.begin(), mesh.indices.end(), rendered));
  EXPECT_EQ(faces->GetRenderedFace(faces->GetCurrentRenderedFacesCount() - 1),
            faces->GetAt(faces->GetCurrentFacesCount() - 1));

  // Every vertex has a handle; the last one is reached through 32-bit indices.
  ASSERT_TRUE(geo.AreVerticesHandlesCreated());
  EXPECT_EQ(geo.GetActiveHandlesIndicesCount(), 3 * nVertices);
  const DWORD last = nVertices - 1;
  CGeoVertex* lastVertex = geo.GetOriginalHandleVertex(last);
  ASSERT_NE(lastVertex, nullptr);
  EXPECT_EQ(lastVertex->GetVertexHandleIndex(), last);
  D3DINDEXBUFFER_DESC desc;
  geo.GetActiveHandlesIB()->GetDesc(&desc);
  EXPECT_EQ(desc.Format, D3DFMT_INDEX32);
  BYTE* data = nullptr;
  ASSERT_EQ(geo.GetActiveHandlesIB()->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(reinterpret_cast<DWORD*>(data)[3 * last + 2], 3 * last + 2);
  geo.GetActiveHandlesIB()->Unlock();
}

// A removed vertex gets no handle: its links may lead to recycled half edges.
TEST_F(GeoMeshTest, HandleIsATriangleCentredOnItsVertexUntilItIsRemoved) {
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), MakeGridMesh(2, 2)));
  CGeoVertex* centre = GridCentre(geo);
  ASSERT_NE(centre, nullptr);
  D3DVERTEX handle[3];
  ASSERT_TRUE(geo.ComputeHandleVerticesFS(centre, handle, nullptr, nullptr));
  // Shortest out edge 1: base 4/8 and height 3/8 around the centroid (1, 1, 0).
  const D3DXVECTOR3 p[3] = {{handle[0].x, handle[0].y, handle[0].z},
                            {handle[1].x, handle[1].y, handle[1].z},
                            {handle[2].x, handle[2].y, handle[2].z}};
  const D3DXVECTOR3 centroid = (p[0] + p[1] + p[2]) / 3.0f;
  EXPECT_NEAR(centroid.x, 1.0f, 1e-6f);
  EXPECT_NEAR(centroid.y, 1.0f, 1e-6f);
  EXPECT_NEAR(centroid.z, 0.0f, 1e-6f);
  const D3DXVECTOR3 base = p[2] - p[1];
  EXPECT_NEAR(D3DXVec3Length(&base), 0.5f, 1e-6f);
  EXPECT_NEAR(p[0].y - p[1].y, 0.375f, 1e-6f);

  centre->DisableRM(nullptr, nullptr);
  EXPECT_FALSE(geo.ComputeHandleVerticesFS(centre, handle, nullptr, nullptr));
}

// Three triangles meeting only at vertex 0: it has six border edges and no handle.
TEST_F(GeoMeshTest, VertexWithMoreThanTwoBorderEdgesGetsNoHandle) {
  SGeoTestMesh mesh;
  const DWORD o = mesh.AddVertex(0, 0, 0);
  for (int k = 0; k < 3; ++k) {
    const float x = static_cast<float>(2 * k + 1);
    mesh.AddTriangle(o, mesh.AddVertex(x, 1, 0), mesh.AddVertex(x + 1, 1, 0));
  }
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), mesh));
  CGeoVertex* shared = geo.GetGeoVertexArray()->GetAt(0);
  ASSERT_EQ(shared->GetOutEdgesNoMateCount(), 6u);
  EXPECT_EQ(geo.GetActiveHandlesIndicesCount(), 3 * 6u);
  for (DWORD h = 0; h < 6; ++h) {
    ASSERT_NE(geo.GetOriginalHandleVertex(h), nullptr);
    EXPECT_NE(geo.GetOriginalHandleVertex(h), shared);
    EXPECT_EQ(geo.GetOriginalHandleVertex(h)->GetVertexHandleIndex(), h);
  }
}

class GeoMeshD3DXTest : public DeviceTest {};

// A 2 x 2 grid as a D3DX mesh of position and normal, its triangles of
// attributes 1, 0, 1, 0, ...
ID3DXMesh* MakeGridD3DXMesh(IDirect3DDevice8* device, DWORD options) {
  const SGeoTestMesh grid = MakeGridMesh(2, 2);
  std::vector<D3DXVECTOR3> positions;
  for (const D3DVERTEX& v : grid.vertices) positions.emplace_back(v.x, v.y, v.z);
  std::vector<DWORD> attributes(grid.TrianglesCount());
  for (DWORD f = 0; f < attributes.size(); ++f) attributes[f] = (f + 1) % 2;
  return MakeMesh(device, positions, grid.indices, attributes, {}, options);
}

TEST_F(GeoMeshD3DXTest, AttributeRangesBecomeGroupsWithTheirMaterials) {
  for (DWORD options : {D3DXMESH_SYSTEMMEM, D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT}) {
    ComRef<ID3DXMesh> mesh(MakeGridD3DXMesh(m_device.get(), options));
    D3DXMATERIAL materials[2] = {};
    materials[0].MatD3D.Power = 10.0f;
    materials[1].MatD3D.Power = 20.0f;
    char texture[] = "bricks.bmp";
    materials[1].pTextureFilename = texture;
    CGeoMesh geo;
    ASSERT_TRUE(geo.Initialize2(mesh.get(), nullptr, 2, materials, nullptr, nullptr, nullptr, nullptr, nullptr,
                                m_device.get(), nullptr, nullptr))
        << options;
    ASSERT_EQ(geo.GetMaterialsCount(), 2u);
    EXPECT_EQ(geo.GetOriginalCurrentVerticesCount(), 2 * 8u);  // each group welds 8 of the 9 grid points
    for (DWORD g = 0; g < 2; ++g) {
      CGeoMeshTriangles* group = geo.GetGeoMeshTriangles(g);
      EXPECT_EQ(group->GetOriginalFacesArray()->GetCurrentFacesCount(), 4u);
      EXPECT_EQ(group->Getd3dMaterial()->MatD3D.Power, materials[g].MatD3D.Power);
    }
    ASSERT_NE(geo.GetGeoMeshTriangles(1)->Getd3dMaterial()->pTextureFilename, nullptr);
    EXPECT_STREQ(geo.GetGeoMeshTriangles(1)->Getd3dMaterial()->pTextureFilename, "bricks.bmp");
    EXPECT_NE(geo.GetGeoMeshTriangles(1)->Getd3dMaterial()->pTextureFilename, texture);
    EXPECT_TRUE(geo.IsInitialized());
  }
}

TEST_F(GeoMeshD3DXTest, AttributeWithoutMaterialTakesTheDefault) {
  ComRef<ID3DXMesh> mesh(MakeGridD3DXMesh(m_device.get(), D3DXMESH_SYSTEMMEM));
  D3DXMATERIAL only = {};
  CGeoMesh geo;
  ASSERT_TRUE(geo.Initialize2(mesh.get(), nullptr, 1, &only, nullptr, nullptr, nullptr, nullptr, nullptr,
                              m_device.get(), nullptr, nullptr));
  const D3DMATERIAL8 expected = DefaultMaterial();
  EXPECT_EQ(std::memcmp(&geo.GetGeoMeshTriangles(1)->Getd3dMaterial()->MatD3D, &expected, sizeof expected), 0);
}

class GeoMeshInputTest : public DeviceTest {};

// A vertex count past the records the buffer holds is refused, not read.
TEST_F(GeoMeshInputTest, VertexCountPastTheBufferIsRefused) {
  const SGeoTestMesh mesh = MakeGridMesh(1, 1);
  ComRef<IDirect3DVertexBuffer8> vb(MakeVertexBuffer(m_device.get(), mesh));
  CGeoMesh geo;
  EXPECT_FALSE(geo.Initialize2(static_cast<DWORD>(mesh.vertices.size()) + 1, vb.get(),
                               static_cast<DWORD>(mesh.indices.size()), mesh.indices.data(), nullptr, 1, nullptr,
                               nullptr, nullptr, nullptr, m_device.get(), nullptr, nullptr));
}

// Edge lines come in buffer pairs of at most 32,767 edges, whose 16-bit
// indices reach every line; each line is the edge lifted along the normal.
TEST_F(GeoMeshTest, EdgeLinesFillBufferPairsWithinSixteenBitIndices) {
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), MakeGridMesh(128, 128)));
  CGeoMeshTriangles* group = geo.GetGeoMeshTriangles(0);
  const DWORD edges = group->GetOriginalEdgesArray()->GetCurrentEdgesCount();
  ASSERT_GT(edges, CGeoMeshTriangles::kEdgesPerHandlesBuffer);
  ASSERT_TRUE(group->CreateEdgesLineHandles(nullptr, nullptr));
  ASSERT_EQ(group->GetEdgesHandlesBuffersCount(), 2u);
  EXPECT_EQ(group->GetEdgesHandlesVerticesCount(), 2 * edges);

  for (DWORD e : {0u, CGeoMeshTriangles::kEdgesPerHandlesBuffer - 1, edges - 1}) {
    CGeoEdge* edge = group->GetOriginalEdgesArray()->GetAt(e);
    DWORD buffer = 0, first = 0;
    edge->GetEdgeHandleFirstIndex(buffer, first);
    EXPECT_EQ(buffer, e / CGeoMeshTriangles::kEdgesPerHandlesBuffer);
    EXPECT_EQ(first, 2 * (e % CGeoMeshTriangles::kEdgesPerHandlesBuffer));
    BYTE* data = nullptr;
    ASSERT_EQ(group->GetEdgesHandlesVB(buffer)->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
    const D3DVERTEX* line = reinterpret_cast<const D3DVERTEX*>(data) + first;
    D3DXVECTOR3 *a, *b;
    edge->GetEdgeVerticesPosition(a, b);
    const D3DXVECTOR3 ab = *a - *b;
    const float lift = D3DXVec3Length(&ab) / 200.0f;
    EXPECT_EQ(D3DXVECTOR3(line[0].x, line[0].y, line[0].z), *a + D3DXVECTOR3(0, 0, lift)) << e;
    EXPECT_EQ(D3DXVECTOR3(line[1].x, line[1].y, line[1].z), *b + D3DXVECTOR3(0, 0, lift)) << e;
    group->GetEdgesHandlesVB(buffer)->Unlock();
  }
}

}  // namespace
