// The group's walks round a vertex for callers outside a reduction pass:
// its ring of neighbours and its out edges made after a given edge.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "geo_test_support.h"

namespace {

constexpr DWORD kColumns = 4;

class GeoVertexWalksTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    ASSERT_TRUE(BuildGeoMesh(m_geo, m_device.get(), MakeGridMesh(kColumns, kColumns)));
    m_group = m_geo.GetGeoMeshTriangles(0);
  }
  // The vertex of grid point (i, j).
  CGeoVertex* At(DWORD i, DWORD j) {
    for (DWORD k = 0; k < m_geo.GetOriginalCurrentVerticesCount(); ++k) {
      CGeoVertex* v = m_geo.GetGeoVertexArray()->GetAt(k);
      if (v->GetVerticesMapIndex() == j * (kColumns + 1) + i) return v;
    }
    return nullptr;
  }
  // The vertices that share a face with v.
  std::set<CGeoVertex*> Neighbours(const CGeoVertex* v) {
    std::set<CGeoVertex*> found;
    CGeoFacesArray* faces = m_group->GetOriginalFacesArray();
    for (DWORD f = 0; f < faces->GetCurrentFacesCount(); ++f) {
      CGeoVertex* c[3];
      faces->GetAt(f)->GetTriangleVertices(c[0], c[1], c[2]);
      if (std::find(c, c + 3, v) != c + 3)
        for (CGeoVertex* u : c)
          if (u != v) found.insert(u);
    }
    return found;
  }

  CGeoMesh m_geo;
  CGeoMeshTriangles* m_group = nullptr;
};

struct SRingCase {
  const char* name;
  DWORD i, j;             // the vertex
  DWORD startI, startJ;   // where its ring starts
  size_t ring;            // the ring's length
};

// Each neighbour once, from start round the vertex, a border crossed.
TEST_F(GeoVertexWalksTest, RingFromANeighbourHoldsEachNeighbourOnce) {
  const SRingCase cases[] = {{"interior", 2, 2, 3, 2, 6},
                             {"interior from a diagonal", 2, 2, 3, 3, 6},
                             {"border", 2, 0, 1, 0, 4},
                             {"border from inside", 2, 0, 2, 1, 4},
                             {"corner of two faces", 0, 0, 1, 1, 3}};
  for (const SRingCase& c : cases) {
    CGeoVertex* v = At(c.i, c.j);
    CGeoVertex* start = At(c.startI, c.startJ);
    std::vector<CGeoVertex*> ring;
    ASSERT_TRUE(m_group->GetSurroundingVertices(v, start, ring, nullptr, nullptr)) << c.name;
    ASSERT_EQ(ring.size(), c.ring) << c.name;
    EXPECT_EQ(ring.front(), start) << c.name;
    EXPECT_EQ(std::set<CGeoVertex*>(ring.begin(), ring.end()), Neighbours(v)) << c.name;
  }
}

TEST_F(GeoVertexWalksTest, RingFromTheFirstSurroundingVertex) {
  for (CGeoVertex* v : {At(2, 2), At(2, 0), At(0, 0)}) {
    CGeoHalfEdge* h = nullptr;
    CGeoVertex* first = v->GetFirstSurroundingVertexRM(h);
    std::vector<CGeoVertex*> ring, fromFirst;
    ASSERT_TRUE(m_group->GetSurroundingVertices(v, ring, nullptr, nullptr));
    ASSERT_TRUE(m_group->GetSurroundingVertices(v, first, fromFirst, nullptr, nullptr));
    EXPECT_EQ(ring.front(), first);
    EXPECT_EQ(ring, fromFirst);
  }
}

TEST_F(GeoVertexWalksTest, RingIsRefusedWithoutAWayRound) {
  std::vector<CGeoVertex*> ring;
  // A start that is no neighbour; a vertex that has no faces; no vertex.
  EXPECT_FALSE(m_group->GetSurroundingVertices(At(2, 2), At(4, 4), ring, nullptr, nullptr));
  CGeoVertex alone;
  EXPECT_FALSE(m_group->GetSurroundingVertices(&alone, ring, nullptr, nullptr));
  EXPECT_FALSE(m_group->GetSurroundingVertices(&alone, At(2, 2), ring, nullptr, nullptr));
  EXPECT_FALSE(m_group->GetSurroundingVertices(nullptr, ring, nullptr, nullptr));
  bool walked = true;
  RunStopped([&](CDXThread* thread) {
    walked = m_group->GetSurroundingVertices(At(2, 2), ring, nullptr, thread);
  });
  EXPECT_FALSE(walked);
}

// Out edges made after a given one: ids above it.
TEST_F(GeoVertexWalksTest, OutEdgesAfterAnEdge) {
  CGeoVertex* v = At(2, 2);
  DWORD newest = 0, oldest = 0xFFFFFFFF;
  CGeoEdgesArray* edges = m_group->GetOriginalEdgesArray();
  for (DWORD e = 0; e < edges->GetCurrentEdgesCount(); ++e)
    if (edges->GetAt(e)->InEdge(v)) {
      newest = std::max(newest, edges->GetAt(e)->GetEdgeId());
      oldest = std::min(oldest, edges->GetAt(e)->GetEdgeId());
    }
  const struct {
    DWORD edgeId;
    bool found;
  } cases[] = {{0, true}, {oldest, true}, {newest - 1, true}, {newest, false}, {0xFFFFFFFF, false}};
  for (const auto& c : cases) {
    bool found = !c.found;
    ASSERT_TRUE(m_group->CheckVertexWithThisWaveOutEdges(found, c.edgeId, v, nullptr, nullptr)) << c.edgeId;
    EXPECT_EQ(found, c.found) << c.edgeId;
  }
}

// Out edges that cannot be collected find nothing; a stop is a failure.
TEST_F(GeoVertexWalksTest, OutEdgesNotCollectedFindNothing) {
  CGeoVertex alone;
  bool found = true;
  EXPECT_TRUE(m_group->CheckVertexWithThisWaveOutEdges(found, 0, &alone, nullptr, nullptr));
  EXPECT_FALSE(found);
  EXPECT_FALSE(m_group->CheckVertexWithThisWaveOutEdges(found, 0, nullptr, nullptr, nullptr));
  bool checked = true;
  RunStopped([&](CDXThread* thread) {
    checked = m_group->CheckVertexWithThisWaveOutEdges(found, 0, At(2, 2), nullptr, thread);
  });
  EXPECT_FALSE(checked);
  EXPECT_FALSE(found);
}

}  // namespace
