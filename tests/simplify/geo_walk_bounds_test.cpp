// Walks round a vertex end after a bounded number of steps: a fan whose links
// run into a loop that misses the walk's start (as faces of mixed winding can
// make) does not hold the job.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "geo_pools.h"

namespace {

// Vertex v with four faces (v, r[i], r[i + 1]) whose mates are linked
// wrongly: turning from the first face by the previous half edges' mates
// (out half edges) runs round faces 1, 2, 3 and back to 1; turning by the
// out half edges' mates runs round faces 2 and 1. Neither comes back to
// face 0. Vertex u is no neighbour of v.
struct STangledFan {
  CGeoVertex v, u, r[5];
  CGeoFace face[4];
  CGeoHalfEdge out[4], side[4], in[4];  // v -> r[i], r[i] -> r[i + 1], r[i + 1] -> v
  CGeoEdge edges[10];

  STangledFan() {
    const D3DVERTEX centre = {0, 0, 0, 0, 0, 1, 0, 0}, far = {9, 9, 9, 0, 0, 1, 0, 0};
    v.Initialize(&centre, 0, 0, eVertexTypeSource);
    u.Initialize(&far, 1, 0, eVertexTypeSource);
    for (DWORD i = 0; i < 5; ++i) {
      const D3DVERTEX p = {std::cos(0.5f * i), std::sin(0.5f * i), 0, 0, 0, 1, 0, 0};
      r[i].Initialize(&p, 2 + i, 0, eVertexTypeSource);
    }
    for (int i = 0; i < 4; ++i) {
      out[i].Initialize(&v, &side[i], &in[i], &face[i]);
      side[i].Initialize(&r[i], &in[i], &out[i], &face[i]);
      in[i].Initialize(&r[i + 1], &out[i], &side[i], &face[i]);
      face[i].Initialize(&out[i], eFaceTypeSource);
    }
    Pair(0, &out[0], &in[2]);
    Pair(1, &in[0], &out[1]);
    Pair(2, &out[1], &in[2]);
    Pair(3, &in[1], &out[2]);
    out[2].SetEdge(&edges[3]);
    Pair(4, &in[2], &out[3]);
    out[3].SetEdge(&edges[4]);
    Pair(5, &in[3], &out[1]);
    for (int i = 0; i < 4; ++i) {
      edges[6 + i].Initialize(&side[i], nullptr);
      side[i].SetEdge(&edges[6 + i]);
    }
    v.SetFirstOutHalfEdge(&out[0]);
    for (int i = 0; i < 4; ++i) v.IncreaseOutEdgesCount();
  }

  // Edge k holds a and b; a takes it as its edge.
  void Pair(int k, CGeoHalfEdge* a, CGeoHalfEdge* b) {
    edges[k].Initialize(a, b);
    a->SetEdge(&edges[k]);
  }
};

TEST(GeoWalkBounds, WalksRoundATangledFanEnd) {
  STangledFan fan;
  // The links are tangled as meant: neither walk meets the first face again.
  CGeoHalfEdge* h = &fan.out[0];
  for (int step = 0; step < 12; ++step) {
    h = fan.v.GetNextOutHalfEdge(h);
    ASSERT_NE(h, nullptr);
    ASSERT_NE(h, &fan.out[0]);
  }
  const struct {
    const char* name;
    std::function<bool()> walkEndsEmpty;
  } walks[] = {
      {"GetNextNeighborVertex", [&] { return fan.v.GetNextNeighborVertex(&fan.u) == nullptr; }},
      {"GetNextNeighborVertexRM", [&] { return fan.v.GetNextNeighborVertexRM(&fan.u) == nullptr; }},
      {"GetSurroundingVertexOutHalfEdgeRM", [&] { return fan.v.GetSurroundingVertexOutHalfEdgeRM(&fan.u) == nullptr; }},
      {"GetSurroundingVertexOutHalfEdgeRM2",
       [&] { return fan.v.GetSurroundingVertexOutHalfEdgeRM2(&fan.u) == nullptr; }},
  };
  for (const auto& walk : walks) EXPECT_TRUE(walk.walkEndsEmpty()) << walk.name;
}

}  // namespace
