// The build's table of half edges: every direction of a pair of vertices
// finds what was entered for it, however the vertices' ids and records lie.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "geo_half_edge.h"
#include "geo_keys.h"

namespace {

struct SListsCase {
  const char* name;
  bool idsAgainstRecords;  // the vertex of the lowest id made from the last record
};

class GeoHalfEdgeListsTest : public testing::TestWithParam<SListsCase> {};

// A fan of pairs (0, i) and a strip of pairs (i, i + 1), each entered in both
// directions: the fan's centre, of the lowest id, lists the whole fan, under
// its first record or its last. Each direction finds its own half edge, a
// taken direction refuses another, and what is left after removals at the
// head, middle and tail of the lists is still found.
TEST_P(GeoHalfEdgeListsTest, EachDirectionFindsItsHalfEdge) {
  const DWORD n = 40;
  std::vector<CGeoVertex> vertices(n);
  const D3DVERTEX record{};
  for (DWORD i = 0; i < n; ++i) vertices[i].Initialize(&record, GetParam().idsAgainstRecords ? n - 1 - i : i, 0,
                                                       eVertexTypeSource);
  std::vector<std::pair<DWORD, DWORD>> directions;
  for (DWORD i = 1; i < n; ++i) {
    directions.push_back({0, i});
    directions.push_back({i, 0});
    if (i + 1 < n) {
      directions.push_back({i + 1, i});
      directions.push_back({i, i + 1});
    }
  }
  // Each half edge closes a cycle of two with a partner, so that it ends at
  // its direction's end vertex.
  const size_t count = directions.size();
  std::vector<CGeoHalfEdge> halfEdges(2 * count);
  for (size_t k = 0; k < count; ++k) {
    CGeoVertex* start = &vertices[directions[k].first];
    CGeoVertex* end = &vertices[directions[k].second];
    halfEdges[k].Initialize(start, &halfEdges[count + k], &halfEdges[count + k], nullptr);
    halfEdges[count + k].Initialize(end, &halfEdges[k], &halfEdges[k], nullptr);
  }
  auto at = [&](size_t k) { return std::pair{&vertices[directions[k].first], &vertices[directions[k].second]}; };

  CGeoHalfEdgeLists lists(halfEdges.data(), static_cast<DWORD>(halfEdges.size()), n);
  for (size_t k = 0; k < count; ++k) {
    auto [start, end] = at(k);
    ASSERT_EQ(lists.Find(start, end), nullptr) << k;
    ASSERT_TRUE(lists.Add(start, end, &halfEdges[k])) << k;
  }
  auto [start7, end7] = at(7);
  EXPECT_FALSE(lists.Add(start7, end7, &halfEdges[0]));
  EXPECT_EQ(lists.Find(start7, end7), &halfEdges[7]);
  for (size_t k = 0; k < count; k += 5) {
    auto [start, end] = at(k);
    lists.Remove(start, end);
  }
  lists.Remove(&vertices[3], &vertices[9]);  // never entered: nothing changes
  for (size_t k = 0; k < count; ++k) {
    auto [start, end] = at(k);
    EXPECT_EQ(lists.Find(start, end), k % 5 ? &halfEdges[k] : nullptr) << k;
  }
  EXPECT_EQ(lists.Find(&vertices[1], &vertices[9]), nullptr);
  lists.RemoveAll();
}

// A half edge entered against its own direction (a mate of the same
// direction) is found for the direction it was entered for, and leaves its
// own free.
TEST(GeoHalfEdgeLists, AHalfEdgeStandsForTheDirectionItWasEnteredFor) {
  std::vector<CGeoVertex> vertices(2);
  const D3DVERTEX record{};
  for (DWORD i = 0; i < 2; ++i) vertices[i].Initialize(&record, i, 0, eVertexTypeSource);
  CGeoVertex *a = &vertices[0], *b = &vertices[1];
  std::vector<CGeoHalfEdge> halfEdges(4);  // two a->b half edges, each with a b->a partner
  for (int k = 0; k < 2; ++k) {
    halfEdges[2 * k].Initialize(a, &halfEdges[2 * k + 1], &halfEdges[2 * k + 1], nullptr);
    halfEdges[2 * k + 1].Initialize(b, &halfEdges[2 * k], &halfEdges[2 * k], nullptr);
  }
  CGeoHalfEdgeLists lists(halfEdges.data(), 4, 2);
  ASSERT_TRUE(lists.Add(a, b, &halfEdges[0]));
  ASSERT_TRUE(lists.Add(b, a, &halfEdges[2]));
  EXPECT_EQ(lists.Find(a, b), &halfEdges[0]);
  EXPECT_EQ(lists.Find(b, a), &halfEdges[2]);
  lists.Remove(a, b);
  EXPECT_EQ(lists.Find(a, b), nullptr);
  EXPECT_EQ(lists.Find(b, a), &halfEdges[2]);
}

INSTANTIATE_TEST_SUITE_P(Records, GeoHalfEdgeListsTest,
                         testing::Values(SListsCase{"IdsFollowRecords", false},
                                         SListsCase{"IdsAgainstRecords", true}),
                         [](const testing::TestParamInfo<SListsCase>& info) { return std::string(info.param.name); });

}  // namespace
