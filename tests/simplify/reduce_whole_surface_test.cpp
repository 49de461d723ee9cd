// The reduction keeps the whole surface manifold, all material groups joined
// as the mesh written back joins them: no face made twice (the last
// tetrahedron of a closed part stays), no face or edge that another group
// has already made again along a material seam, whatever the limits.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "reduce_test_support.h"

namespace {

// Limits that let every contraction through but those that would make a
// triangle without area.
REDUCTIONOPTIONS OpenLimits(DWORD allowMidpoint) {
  REDUCTIONOPTIONS options = DefaultReductionOptions(100);
  options.allowMidpoint = allowMidpoint;
  options.maxNormalAngle = 180.0f;
  options.maxAreaChangePercent = 1e9f;
  options.faceAreaFactor = 1e9f;
  return options;
}

class ReduceWholeSurfaceTest : public DeviceTest {
 protected:
  // Attempts the contraction of the edge from `from` to `to` (indices of the
  // test mesh's records) with every limit open; false when it is not done.
  bool Contract(CGeoMesh& geo, DWORD group, DWORD from, DWORD to) {
    CGeoMeshTriangles* g = geo.GetGeoMeshTriangles(group);
    CGeoEdgesArray* edges = g->GetOriginalEdgesArray();
    for (DWORD i = 0; i < edges->GetCurrentEdgesCount(); ++i) {
      CGeoEdge* edge = edges->GetAt(i);
      CGeoVertex *a, *b;
      edge->GetEdgeVertices(a, b);
      if (a->GetVerticesMapIndex() == to) std::swap(a, b);
      if (a->GetVerticesMapIndex() != from || b->GetVerticesMapIndex() != to) continue;
      CFrameReductionThread job;
      SetUpReductionJob(job, geo);
      REDUCTIONOPTIONS options = OpenLimits(0);
      CGeoEdgeList next;
      CGeoVisitedVertexMap visited;
      CGeoEdgeContraction contraction(g, &next, &visited, &options, &job);
      bool contracted = false;
      EXPECT_TRUE(contraction.AttemptEdgeContraction(contracted, edge, a, b));
      return contracted;
    }
    ADD_FAILURE() << "no edge " << from << "-" << to;
    return false;
  }
};

// A tetrahedron: apex 0 over the base 1, 2, 3, counter-clockwise seen from
// outside. Removing any corner would leave one face twice.
SGeoTestMesh MakeTetrahedron() {
  SGeoTestMesh mesh;
  mesh.AddVertex(0, 0, 1);
  mesh.AddVertex(1, 0, 0);
  mesh.AddVertex(-0.5f, 0.85f, 0);
  mesh.AddVertex(-0.5f, -0.85f, 0);
  mesh.AddTriangle(0, 1, 2);
  mesh.AddTriangle(0, 2, 3);
  mesh.AddTriangle(0, 3, 1);
  mesh.AddTriangle(1, 3, 2);
  return mesh;
}

TEST_F(ReduceWholeSurfaceTest, TheLastTetrahedronOfAClosedPartStays) {
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), MakeTetrahedron()));
  for (DWORD from = 0; from < 4; ++from)
    for (DWORD to = 0; to < 4; ++to) {
      if (from == to) continue;
      EXPECT_FALSE(Contract(geo, 0, from, to)) << from << "-" << to;
    }
  EXPECT_EQ(ActiveTrianglesCount(geo), 4u);
  ExpectSoundWholeSurface(geo, 2);
}

// The same tetrahedron, its base in a second material: removing the apex
// onto a base corner would make the base face again in the first group.
TEST_F(ReduceWholeSurfaceTest, AFaceOfAnotherGroupIsNotMadeAgain) {
  const DWORD materials[4] = {0, 0, 0, 1};
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), MakeTetrahedron(), nullptr, materials, 2));
  for (DWORD to = 1; to < 4; ++to) EXPECT_FALSE(Contract(geo, 0, 0, to)) << to;
  EXPECT_EQ(ActiveTrianglesCount(geo), 4u);
  ExpectSoundWholeSurface(geo, 2);
}

// A fan of five faces round vertex 0 in the first material, and below its
// seam a face of the second material on 1 and 3, whose edge 1-3 the fan does
// not have. Removing 0 onto 1 would give the first group an edge 1-3 too,
// and the joined surface a third face on it; removing 0 onto 5 is sound.
TEST_F(ReduceWholeSurfaceTest, AnEdgeOfAnotherGroupIsNotMadeAgain) {
  SGeoTestMesh mesh;
  mesh.AddVertex(1, 1, 0);       // 0, the fan's centre
  mesh.AddVertex(0, 0, 0);       // 1, on the seam
  mesh.AddVertex(1, 0.3f, 0);    // 2
  mesh.AddVertex(2, 0, 0);       // 3, on the seam
  mesh.AddVertex(2, 2, 0);       // 4
  mesh.AddVertex(0, 2, 0);       // 5
  mesh.AddVertex(1, -1, 0);      // 6, below the seam
  for (DWORD k = 1; k <= 5; ++k) mesh.AddTriangle(k, k % 5 + 1, 0);
  mesh.AddTriangle(1, 6, 3);
  const DWORD materials[6] = {0, 0, 0, 0, 0, 1};
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), mesh, nullptr, materials, 2));
  const long euler = InspectWholeSurface(geo).EulerCharacteristic();
  EXPECT_FALSE(Contract(geo, 0, 0, 1));
  ExpectSoundWholeSurface(geo, euler);
  EXPECT_TRUE(Contract(geo, 0, 0, 5));
  EXPECT_EQ(ActiveTrianglesCount(geo), 4u);
  ExpectSoundWholeSurface(geo, euler);
}

// A terrain: a grid raised into hills and waves.
SGeoTestMesh MakeTerrainMesh(DWORD side) {
  SGeoTestMesh mesh = MakeGridMesh(side, side);
  for (D3DVERTEX& v : mesh.vertices)
    v.z = 2.0f * std::sin(v.x / 7.0f) * std::cos(v.y / 9.0f) + 0.5f * std::sin(v.x * v.y / 50.0f);
  return mesh;
}

struct SWholeCase {
  const char* name;
  SGeoTestMesh mesh;
  DWORD groups;
  // The material of a face from its centre.
  std::function<DWORD(const D3DXVECTOR3&)> material;
  long euler;
  float maxAngle;
  float maxAreaPercent;
  DWORD allowMidpoint;
};

void PrintTo(const SWholeCase& c, std::ostream* os) { *os << c.name; }

class ReduceWholeSurfaceCaseTest : public DeviceTest, public ::testing::WithParamInterface<SWholeCase> {};

// Reduced as far as the limits allow, the groups together keep a manifold
// surface of the same topology; a closed part keeps a tetrahedron at least.
TEST_P(ReduceWholeSurfaceCaseTest, StaysManifoldWithItsGroupsJoined) {
  const SWholeCase& c = GetParam();
  std::vector<DWORD> materials(c.mesh.TrianglesCount());
  for (DWORD f = 0; f < materials.size(); ++f) {
    D3DXVECTOR3 centre(0, 0, 0);
    for (int k = 0; k < 3; ++k) {
      const D3DVERTEX& v = c.mesh.vertices[c.mesh.indices[3 * f + k]];
      centre += D3DXVECTOR3(v.x, v.y, v.z) / 3.0f;
    }
    materials[f] = c.material(centre);
  }
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), c.mesh, nullptr, materials.data(), c.groups));
  ExpectSoundWholeSurface(geo, c.euler);
  CFrameReductionThread job;
  SetUpReductionJob(job, geo);
  REDUCTIONOPTIONS options = OpenLimits(c.allowMidpoint);
  options.maxNormalAngle = c.maxAngle;
  options.maxAreaChangePercent = c.maxAreaPercent;
  const DWORD start = ActiveTrianglesCount(geo);
  ASSERT_TRUE(geo.ReduceTrianglesCount(&options, &job));
  const DWORD reduced = ActiveTrianglesCount(geo);
  EXPECT_LT(reduced, start);
  EXPECT_GE(reduced, 4u);
  ExpectSoundWholeSurface(geo, c.euler);
  for (DWORD g = 0; g < c.groups; ++g) EXPECT_EQ(InspectSurface(geo, g).defects, 0) << "group " << g;
}

DWORD OneGroup(const D3DXVECTOR3&) { return 0; }
// Three sectors round the sphere's axis.
DWORD ThreeSectors(const D3DXVECTOR3& p) {
  const float turn = std::atan2(p.z, p.x) + D3DX_PI;
  return std::min<DWORD>(2, static_cast<DWORD>(turn / (2.0f * D3DX_PI / 3.0f)));
}
// Four quadrants of a 40 x 40 terrain.
DWORD FourQuadrants(const D3DXVECTOR3& p) { return (p.x > 20.0f ? 1 : 0) + (p.y > 20.0f ? 2 : 0); }

SWholeCase Sphere(const char* name, DWORD groups, std::function<DWORD(const D3DXVECTOR3&)> material, float maxAngle,
                  float maxArea, DWORD midpoint) {
  return {name, MakeSphereMesh(30, 40), groups, std::move(material), 2, maxAngle, maxArea, midpoint};
}
SWholeCase Terrain(const char* name, float maxAngle, float maxArea, DWORD midpoint) {
  return {name, MakeTerrainMesh(40), 4, FourQuadrants, 1, maxAngle, maxArea, midpoint};
}

INSTANTIATE_TEST_SUITE_P(
    Limits, ReduceWholeSurfaceCaseTest,
    ::testing::Values(Sphere("SphereDefault", 1, OneGroup, 6, 3, 1), Sphere("Sphere45", 1, OneGroup, 45, 1e5f, 0),
                      Sphere("Sphere89", 1, OneGroup, 89, 1e5f, 1), Sphere("Sphere179", 1, OneGroup, 179, 1e9f, 1),
                      Sphere("ThreeSectorsDefault", 3, ThreeSectors, 6, 3, 1),
                      Sphere("ThreeSectors89", 3, ThreeSectors, 89, 3, 0),
                      Sphere("ThreeSectors179", 3, ThreeSectors, 179, 1e9f, 1),
                      Terrain("TerrainDefault", 6, 3, 1), Terrain("Terrain179", 179, 3, 0),
                      Terrain("TerrainOpen", 180, 1e9f, 1)),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
