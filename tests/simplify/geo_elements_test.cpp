// Connectivity elements: edges' half-edge slots, border registration, ids,
// the job's counters as elements are disabled, and the info texts.
#include <gtest/gtest.h>
#include <job_threads.h>

#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "geo_pools.h"

namespace {

const D3DVERTEX kOrigin{0, 0, 0, 0, 0, 1, 0, 0};

// A triangle a, b, c with its half edges; edges are added by the tests.
struct STriangle {
  CGeoVertex v[3];
  CGeoHalfEdge h[3];
  CGeoFace face;
  STriangle() {
    const D3DVERTEX records[3] = {{0, 0, 0, 0, 0, 1, 0, 0}, {3, 0, 0, 0, 0, 1, 0, 0}, {0, 4, 0, 0, 0, 1, 0, 0}};
    for (DWORD k = 0; k < 3; ++k) v[k].Initialize(&records[k], k, 0, eVertexTypeSource);
    for (int k = 0; k < 3; ++k) h[k].Initialize(&v[k], &h[(k + 1) % 3], &h[(k + 2) % 3], &face);
    face.Initialize(&h[0], eFaceTypeSource);
  }
};

TEST(GeoElements, EdgeTakesTwoHalfEdgesAndRefusesAThird) {
  STriangle t;
  CGeoEdge edge;
  edge.Initialize(&t.h[0], nullptr);
  EXPECT_TRUE(edge.WithUniqueHalfEdge());
  EXPECT_EQ(t.h[0].GetMate(), nullptr);
  EXPECT_TRUE(edge.SetHalfEdge(&t.h[0]));  // already there: nothing changes
  EXPECT_EQ(edge.GetHalfEdge2(), nullptr);
  EXPECT_TRUE(edge.SetHalfEdge(&t.h[1]));
  EXPECT_FALSE(edge.WithUniqueHalfEdge());
  EXPECT_FALSE(edge.SetHalfEdge(&t.h[2]));
  EXPECT_FLOAT_EQ(edge.GetEdgeMagnitude(), 3.0f);
}

TEST(GeoElements, IdsFollowOnAcrossElementsAndReinitialisation) {
  STriangle t;
  CGeoEdge edge;
  edge.Initialize(&t.h[0], nullptr);
  const DWORD first = edge.GetEdgeId();
  edge.Initialize(&t.h[0], nullptr);
  EXPECT_EQ(edge.GetEdgeId(), first + 1);
  EXPECT_EQ(t.v[1].GetVertexUniqueId(), t.v[0].GetVertexUniqueId() + 1);
}

// Jobs of two documents build at once: no two vertices or edges share an id.
TEST(GeoElements, IdsStayUniqueWhileTwoThreadsTakeThem) {
  constexpr int kEach = 100000;
  std::vector<DWORD> vertexIds[2], edgeIds[2];
  {
    std::vector<std::thread> threads;
    for (int k = 0; k < 2; ++k)
      threads.emplace_back([&, k] {
        STriangle t;
        CGeoEdge edge;
        for (int i = 0; i < kEach; ++i) {
          t.v[0].Initialize(&kOrigin, 0, 0, eVertexTypeSource);
          vertexIds[k].push_back(t.v[0].GetVertexUniqueId());
          edge.Initialize(&t.h[0], nullptr);
          edgeIds[k].push_back(edge.GetEdgeId());
        }
      });
    for (std::thread& thread : threads) thread.join();
  }
  for (auto* ids : {vertexIds, edgeIds}) {
    std::set<DWORD> all(ids[0].begin(), ids[0].end());
    all.insert(ids[1].begin(), ids[1].end());
    EXPECT_EQ(all.size(), 2u * kEach);
  }
}

TEST(GeoElements, OtherBorderEdgeOnlyWithExactlyTwo) {
  STriangle t;
  CGeoEdge e[3];
  for (int k = 0; k < 3; ++k) e[k].Initialize(&t.h[k], nullptr);
  CGeoVertex& v = t.v[0];
  v.SetOutEdgeNoMate(&e[0]);
  EXPECT_EQ(v.GetOtherOutEdgeNoMateRM(&e[0]), nullptr);
  v.SetOutEdgeNoMate(&e[2]);
  EXPECT_EQ(v.GetOtherOutEdgeNoMateRM(&e[0]), &e[2]);
  EXPECT_EQ(v.GetOtherOutEdgeNoMateRM(&e[2]), &e[0]);
  v.SetOutEdgeNoMate(&e[1]);  // counted, not kept
  EXPECT_EQ(v.GetOutEdgesNoMateCount(), 3u);
  EXPECT_EQ(v.GetOtherOutEdgeNoMateRM(&e[0]), nullptr);
}

TEST(GeoElements, DisablingCountsDownOnceAndLeavesTheBorderSlots) {
  STriangle t;
  CGeoEdge edge;
  edge.Initialize(&t.h[0], nullptr);
  for (CGeoVertex* v : {&t.v[0], &t.v[1]}) {
    v->IncreaseOutEdgesCount();
    v->SetOutEdgeNoMate(&edge);
  }
  CConnectivityFrameThread job;
  job.SetThreadOutputVerticesCount(3);
  job.SetThreadOutputTrianglesCount(1, 6.0f);
  job.SetThreadOutputHalfEdgesCount(3);
  job.SetThreadOutputEdgesCount(1, 3.0f);
  for (int twice = 0; twice < 2; ++twice) {
    edge.DisableRM(&job);
    t.face.DisableRM(&job);
    t.h[0].Disable(&job);
    t.v[2].DisableRM(nullptr, &job);
  }
  EXPECT_STREQ(job.GetThreadOutputVerticesCount(), "2");
  EXPECT_STREQ(job.GetThreadOutputTrianglesCount(), "0");
  EXPECT_DOUBLE_EQ(job.GetTotalActiveTrianglesArea(), 0.0);
  EXPECT_STREQ(job.GetThreadOutputHalfEdgesCount(), "2");
  EXPECT_STREQ(job.GetThreadOutputEdgesCount(), "0");
  EXPECT_DOUBLE_EQ(job.GetTotalActiveEdgesMagnitude(), 0.0);
  for (CGeoVertex* v : {&t.v[0], &t.v[1]}) {
    EXPECT_EQ(v->GetOutEdgesCount(), 0u);
    EXPECT_EQ(v->GetOutEdgesNoMateCount(), 0u);
    EXPECT_EQ(v->GetFirstOutEdgeNoMate(), nullptr);
  }
}

TEST(GeoElements, FaceKeepsItsRenderedPositionAndArea) {
  STriangle t;
  EXPECT_FLOAT_EQ(t.face.GetTriangleArea(), 6.0f);
  t.face.SetRenderedFacePosition(7);
  t.face.Initialize(&t.h[1], eFaceTypeContraction);
  EXPECT_EQ(t.face.GetRenderedFacePosition(), 7u);
  D3DXVECTOR3 n;
  t.face.ComputeFaceNormal(n);
  EXPECT_EQ(n, D3DXVECTOR3(0, 0, 1));
}

// An address as the info texts print it.
std::string Address(const void* p) {
  char text[32];
  std::snprintf(text, sizeof(text), "%p", p);
  return text;
}

std::string Text(const CString& s) { return static_cast<const char*>(s); }

TEST(GeoElementsInfo, VertexGivesItsMapIndexAndAddress) {
  for (DWORD mapIndex : {0u, 7u, 4294967295u}) {
    CGeoVertex v;
    const D3DVERTEX record{};
    v.Initialize(&record, mapIndex, 0, eVertexTypeSource);
    EXPECT_EQ(Text(v.GetInfo()),
              "\nVertex map index: " + std::to_string(mapIndex) + ", Vertex pointer: " + Address(&v) + ".");
  }
}

TEST(GeoElementsInfo, HalfEdgeAndFaceNestTheirVertices) {
  STriangle t;
  const std::string v[3] = {Text(t.v[0].GetInfo()), Text(t.v[1].GetInfo()), Text(t.v[2].GetInfo())};
  EXPECT_EQ(Text(t.h[1].GetInfo()), "\nHalf edge info start:\nHalf edge start vertex: " + v[1] +
                                        "\nHalf edge end vertex: " + v[2] + "\nHalf edge pointer " +
                                        Address(&t.h[1]) + "\nHalf edge info end.\n");
  EXPECT_EQ(Text(t.face.GetInfo()), "\nFace info start:\nFace first vertex: " + v[0] + "\nFace second vertex: " +
                                        v[1] + "\nFace third vertex: " + v[2] + "\nFace pointer " +
                                        Address(&t.face) + "\nFace info end.\n");
  // Elements not linked yet say so instead of failing.
  CGeoHalfEdge loose;
  EXPECT_EQ(Text(loose.GetInfo()), "\nHalf edge info start:\nHalf edge start vertex: NULL\nHalf edge end vertex: "
                                   "NULL\nHalf edge pointer " + Address(&loose) + "\nHalf edge info end.\n");
  CGeoFace empty;
  EXPECT_EQ(Text(empty.GetInfo()), "\nFace info start:\nFace first vertex: NULL\nFace second vertex: NULL\nFace "
                                   "third vertex: NULL\nFace pointer " + Address(&empty) + "\nFace info end.\n");
}

TEST(GeoElementsInfo, EdgeNamesAMissingHalfEdgeNull) {
  STriangle t;
  const std::string h0 = Text(t.h[0].GetInfo()), h1 = Text(t.h[1].GetInfo());
  const struct {
    CGeoHalfEdge *first, *second;
    std::string firstText, secondText;
  } cases[] = {{&t.h[0], &t.h[1], h0, h1}, {&t.h[0], nullptr, h0, "NULL"}, {nullptr, &t.h[1], "NULL", h1},
               {nullptr, nullptr, "NULL", "NULL"}};
  for (const auto& c : cases) {
    CGeoEdge edge;
    edge.Initialize(c.first, c.second);
    EXPECT_EQ(Text(edge.GetInfo()), "\nEdge info start:\nEdge half edge 1: " + c.firstText +
                                        "\nEdge half edge 2: " + c.secondText + "\nEdge pointer " + Address(&edge) +
                                        "\nEdge info end.\n");
  }
}

}  // namespace
