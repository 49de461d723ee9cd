// Building the connectivity of a triangle group.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "geo_test_support.h"

namespace {

class GeoBuildTest : public DeviceTest {};

struct SClosedCase {
  const char* name;
  SGeoTestMesh mesh;
  DWORD vertices, faces;
};

void PrintTo(const SClosedCase& c, std::ostream* os) { *os << c.name; }

class GeoClosedMeshTest : public DeviceTest, public ::testing::WithParamInterface<SClosedCase> {};

TEST_P(GeoClosedMeshTest, EveryHalfEdgeIsPairedAndNothingIsBorder) {
  const SClosedCase& c = GetParam();
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), c.mesh));
  ASSERT_EQ(geo.GetMaterialsCount(), 1u);
  const SGroupCounts counts = InspectGroup(*geo.GetGeoMeshTriangles(0));
  EXPECT_EQ(counts.vertices, c.vertices);
  EXPECT_EQ(geo.GetOriginalCurrentVerticesCount(), c.vertices);
  EXPECT_EQ(counts.faces, c.faces);
  EXPECT_EQ(counts.edges, 3 * c.faces / 2);
  EXPECT_EQ(counts.borderEdges, 0u);
  EXPECT_EQ(counts.halfEdgesWithoutEdge, 0u);
  for (DWORD i = 0; i < geo.GetOriginalCurrentVerticesCount(); ++i) {
    CGeoVertex* v = geo.GetGeoVertexArray()->GetAt(i);
    EXPECT_EQ(v->GetOutEdgesNoMateCount(), 0u);
    EXPECT_FALSE(v->CannotRemove());
  }
}

// The cube's 24 records weld into its 8 corners; the sphere's seam and pole
// records weld, and the pole triangles with two pole corners are skipped.
INSTANTIATE_TEST_SUITE_P(Meshes, GeoClosedMeshTest,
                         ::testing::Values(SClosedCase{"Cube", MakeCubeMesh(), 8, 12},
                                           SClosedCase{"Sphere", MakeSphereMesh(8, 12), 12 * 7 + 2, 2 * 12 * 7}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GeoBuildTest, OpenGridHasItsOutlineAsBorder) {
  const DWORD columns = 4, rows = 3;
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), MakeGridMesh(columns, rows)));
  const SGroupCounts counts = InspectGroup(*geo.GetGeoMeshTriangles(0));
  const DWORD vertices = (columns + 1) * (rows + 1), faces = 2 * columns * rows;
  EXPECT_EQ(counts.vertices, vertices);
  EXPECT_EQ(counts.faces, faces);
  EXPECT_EQ(counts.edges, vertices + faces - 1);  // a disc: V - E + F = 1
  EXPECT_EQ(counts.borderEdges, 2 * (columns + rows));
  EXPECT_EQ(counts.halfEdgesWithoutEdge, 0u);
  for (DWORD i = 0; i < vertices; ++i) {
    const CGeoVertex* v = geo.GetGeoVertexArray()->GetAt(i);
    const D3DXVECTOR3& p = *v->GetPosition();
    const bool onOutline = p.x == 0 || p.y == 0 || p.x == columns || p.y == rows;
    EXPECT_EQ(v->GetOutEdgesNoMateCount(), onOutline ? 2u : 0u) << p.x << "," << p.y;
  }
}

// Two triangles on the edge (0, 1); the second runs it the other way or the same way.
TEST_F(GeoBuildTest, SharedEdgePairsWithEitherWinding) {
  for (bool sameWinding : {false, true}) {
    SGeoTestMesh mesh;
    mesh.AddVertex(0, 0, 0);
    mesh.AddVertex(1, 0, 0);
    mesh.AddVertex(0, 1, 0);
    mesh.AddVertex(1, -1, 0);
    mesh.AddTriangle(0, 1, 2);
    if (sameWinding)
      mesh.AddTriangle(0, 1, 3);
    else
      mesh.AddTriangle(1, 0, 3);
    CGeoMesh geo;
    ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), mesh));
    const SGroupCounts counts = InspectGroup(*geo.GetGeoMeshTriangles(0));
    EXPECT_EQ(counts.edges, 5u) << sameWinding;
    EXPECT_EQ(counts.borderEdges, 4u) << sameWinding;
    CGeoFacesArray* faces = geo.GetGeoMeshTriangles(0)->GetOriginalFacesArray();
    CGeoHalfEdge* shared = faces->GetAt(0)->GetFirstHalfEdge();  // 0 -> 1
    ASSERT_NE(shared->GetMate(), nullptr) << sameWinding;
    EXPECT_EQ(shared->GetMate()->GetFace(), faces->GetAt(1));
  }
}

TEST_F(GeoBuildTest, ThirdFaceOnAnEdgeMakesItsCornersUnremovable) {
  SGeoTestMesh mesh;
  for (float z : {0.0f, 1.0f}) mesh.AddVertex(0, 0, z);  // the edge: vertices 0 and 1
  mesh.AddVertex(1, 0, 0.5f);
  mesh.AddVertex(-1, 0, 0.5f);
  mesh.AddVertex(0, 1, 0.5f);
  mesh.AddTriangle(0, 1, 2);
  mesh.AddTriangle(1, 0, 3);
  mesh.AddTriangle(0, 1, 4);
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), mesh));
  CGeoMeshTriangles* group = geo.GetGeoMeshTriangles(0);
  const SGroupCounts counts = InspectGroup(*group);
  EXPECT_EQ(counts.faces, 3u);
  EXPECT_EQ(group->GetOriginalFacesArray()->GetCurrentRenderedFacesCount(), 3u);
  EXPECT_EQ(counts.halfEdgesWithoutEdge, 3u);
  std::map<DWORD, bool> cannotRemove;  // by source record
  for (DWORD i = 0; i < geo.GetOriginalCurrentVerticesCount(); ++i) {
    const CGeoVertex* v = geo.GetGeoVertexArray()->GetAt(i);
    cannotRemove[v->GetVerticesMapIndex()] = v->CannotRemove();
  }
  EXPECT_EQ(cannotRemove, (std::map<DWORD, bool>{{0, true}, {1, true}, {2, false}, {3, false}, {4, true}}));
}

D3DVERTEX Corner(float x, float y) { return {x, y, 0, 0, 0, 1, 0, 0}; }

struct SDegenerateCase {
  const char* name;
  D3DVERTEX corners[3];
};

// One good triangle and one degenerate one, which is skipped.
TEST_F(GeoBuildTest, DegenerateTrianglesAreSkipped) {
  const float nan = std::nanf("");
  const SDegenerateCase cases[] = {
      {"RepeatedPosition", {Corner(0, 0), Corner(1, 0), Corner(1, 0)}},
      {"Collinear", {Corner(0, 0), Corner(1, 0), Corner(2, 0)}},
      {"MinusZeroRepeatsZero", {Corner(0, 0), Corner(-0.0f, 0), Corner(5, 5)}},
      {"NotANumber", {Corner(0, 0), Corner(nan, 0), Corner(5, 5)}},
  };
  for (const SDegenerateCase& c : cases) {
    SGeoTestMesh mesh;
    mesh.AddTriangle(mesh.AddVertex(0, 0, 1), mesh.AddVertex(1, 0, 1), mesh.AddVertex(0, 1, 1));
    for (const D3DVERTEX& v : c.corners) mesh.vertices.push_back(v);
    mesh.AddTriangle(3, 4, 5);
    mesh.AddTriangle(0, 1, 99);  // an index past the buffer
    CGeoMesh geo;
    ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), mesh)) << c.name;
    const SGroupCounts counts = InspectGroup(*geo.GetGeoMeshTriangles(0));
    EXPECT_EQ(counts.faces, 1u) << c.name;
    EXPECT_EQ(counts.edges, 3u) << c.name;
  }
}

// Welding looks at positions only: records that differ in normal and texture
// coordinates are one vertex, while 0.0 and -0.0 stay apart.
TEST_F(GeoBuildTest, RecordsWeldByPositionOnly) {
  for (bool minusZero : {false, true}) {
    SGeoTestMesh mesh;
    mesh.AddTriangle(mesh.AddVertex(0, 0, 0), mesh.AddVertex(1, 0, 0), mesh.AddVertex(0, 1, 0));
    mesh.AddVertex(minusZero ? -0.0f : 0.0f, 1, 0);
    mesh.AddVertex(1, 0, 0);
    mesh.AddVertex(1, 1, 0);
    mesh.vertices[3].nx = mesh.vertices[4].tu = 0.5f;
    mesh.AddTriangle(4, 5, 3);
    CGeoMesh geo;
    ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), mesh));
    const SGroupCounts counts = InspectGroup(*geo.GetGeoMeshTriangles(0));
    EXPECT_EQ(counts.vertices, minusZero ? 5u : 4u);
    EXPECT_EQ(counts.borderEdges, minusZero ? 6u : 4u);
  }
}

TEST_F(GeoBuildTest, EmptyIndexListGivesAReadyEmptyGroup) {
  SGeoTestMesh mesh;
  mesh.AddVertex(0, 0, 0);
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), mesh));
  CGeoMeshTriangles* group = geo.GetGeoMeshTriangles(0);
  EXPECT_TRUE(group->IsReadyForRendering());
  EXPECT_EQ(group->GetOriginalFacesArray()->GetCurrentFacesCount(), 0u);
}

// The vertex at grid point (i, j), found by position.
CGeoVertex* GridVertex(CGeoMesh& geo, float i, float j) {
  for (DWORD k = 0; k < geo.GetOriginalCurrentVerticesCount(); ++k) {
    CGeoVertex* v = geo.GetGeoVertexArray()->GetAt(k);
    if (v->GetPosition()->x == i && v->GetPosition()->y == j) return v;
  }
  return nullptr;
}

// Neighbours of v through the faces of the group.
std::multiset<CGeoVertex*> FaceNeighbours(CGeoMeshTriangles& group, const CGeoVertex* v) {
  std::set<CGeoVertex*> found;
  CGeoFacesArray* faces = group.GetOriginalFacesArray();
  for (DWORD f = 0; f < faces->GetCurrentFacesCount(); ++f) {
    CGeoVertex* c[3];
    faces->GetAt(f)->GetTriangleVertices(c[0], c[1], c[2]);
    if (std::find(c, c + 3, v) == c + 3) continue;
    for (CGeoVertex* u : c)
      if (u != v) found.insert(u);
  }
  return {found.begin(), found.end()};
}

struct SWalkCase {
  const char* name;
  float i, j;
  size_t neighbours;
};

TEST_F(GeoBuildTest, WalksRoundAVertexVisitEachNeighbourOnce) {
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), MakeGridMesh(4, 4)));
  CGeoMeshTriangles& group = *geo.GetGeoMeshTriangles(0);
  const SWalkCase cases[] = {{"Interior", 2, 2, 6}, {"Border", 2, 0, 4}, {"Corner", 4, 0, 2}, {"Corner", 0, 0, 3}};
  for (const SWalkCase& c : cases) {
    CGeoVertex* v = GridVertex(geo, c.i, c.j);
    ASSERT_NE(v, nullptr) << c.name;
    const std::multiset<CGeoVertex*> expected = FaceNeighbours(group, v);
    ASSERT_EQ(expected.size(), c.neighbours) << c.name;

    std::multiset<CGeoVertex*> byOutHalfEdges;
    CGeoHalfEdge* first = v->GetFirstOutHalfEdgeRM();
    bool crossed = false;
    for (CGeoHalfEdge* h = first; h && byOutHalfEdges.size() <= c.neighbours;) {
      byOutHalfEdges.insert(h->GetOtherVertex(v));
      h = v->GetNextOutHalfEdgeRM(h, crossed);
      if (h == first) break;
    }
    EXPECT_EQ(byOutHalfEdges, expected) << c.name;

    std::multiset<CGeoVertex*> bySurroundingVertices;
    CGeoHalfEdge* h = nullptr;
    crossed = false;
    CGeoVertex* start = v->GetFirstSurroundingVertexRM(h);
    for (CGeoVertex* w = start; w && bySurroundingVertices.size() <= c.neighbours;) {
      bySurroundingVertices.insert(w);
      w = v->GetNextSurroundingVertexRM(h, crossed);
      if (w == start) break;
    }
    EXPECT_EQ(bySurroundingVertices, expected) << c.name;
  }
}

// The reduction's way of making faces: two new faces on one edge pair up on
// the reduced-mesh links only, and their edges are queued and their corners
// marked.
TEST_F(GeoBuildTest, FacesMadeByAContractionPairOnTheReducedMeshLinks) {
  SGeoTestMesh mesh;
  for (float x : {0.0f, 1.0f, 2.0f}) mesh.AddVertex(x, 0, 0);
  mesh.AddVertex(1, 1, 0);
  mesh.AddTriangle(0, 1, 3);
  mesh.AddTriangle(1, 2, 3);
  CGeoMesh geo;
  ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), mesh));
  CGeoMeshTriangles* group = geo.GetGeoMeshTriangles(0);
  CGeoVertex* v[4];
  for (DWORD i = 0; i < 4; ++i) v[i] = geo.GetGeoVertexArray()->GetAt(i);

  CGeoHalfEdgeMap map;
  ASSERT_TRUE(group->CreateFaceRM2(v[0], v[2], v[3], &map, nullptr));
  ASSERT_TRUE(group->CreateFaceRM2(v[2], v[0], v[1], &map, nullptr));
  CGeoEdgeList queued;
  CGeoVisitedVertexMap visited;
  ASSERT_TRUE(group->CreateEdgesRM3(&map, &queued, &visited, nullptr, nullptr));
  EXPECT_EQ(queued.size(), 5u);
  EXPECT_EQ(visited.size(), 4u);
  CGeoFace* made = group->GetNewFacesArray()->GetAt(0);
  CGeoHalfEdge* diagonal = made->GetFirstHalfEdge();  // 0 -> 2
  ASSERT_NE(diagonal->GetMateRM(), nullptr);
  EXPECT_EQ(diagonal->GetMateRM()->GetFace(), group->GetNewFacesArray()->GetAt(1));
  EXPECT_EQ(diagonal->GetEdge(), nullptr);
  EXPECT_EQ(v[0]->GetFirstOutHalfEdgeRM()->GetFace()->GetType(), eFaceTypeContraction);
  EXPECT_EQ(v[0]->GetFirstOutHalfEdge()->GetFace()->GetType(), eFaceTypeSource);
  EXPECT_EQ(v[3]->GetOutEdgesNoMateCount(), 2u + 2u);  // the build's border edges and the new ones
  EXPECT_EQ(group->GetNewFacesArray()->GetCurrentRenderedFacesCount(), 2u);
}

}  // namespace
