// Connectivity elements: edges' half-edge slots, border registration, ids,
// and the job's counters as elements are disabled.
#include <gtest/gtest.h>
#include <job_threads.h>

#include "geo_pools.h"

namespace {

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

}  // namespace
