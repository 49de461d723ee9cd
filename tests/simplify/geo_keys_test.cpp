// The build's table of half-edge pairs: every direction of a pair of vertex
// ids finds what was entered under it, whatever range the ids lie in.
#include <gtest/gtest.h>

#include <vector>

#include "geo_half_edge.h"
#include "geo_keys.h"

namespace {

ULONGLONG Key(DWORD start, DWORD end) { return (static_cast<ULONGLONG>(start) << 32) | end; }

struct SPairTableCase {
  const char* name;
  DWORD firstId;   // the ids the table expects
  DWORD ids;
  DWORD idBase;    // the ids it gets
  size_t halfEdges;  // the room it is made with
};

class GeoHalfEdgePairTableTest : public testing::TestWithParam<SPairTableCase> {};

// A strip of pairs (i, i+1) and (i, i+2) entered in both directions, some
// taken out again: each key finds its own half edge, a taken key refuses a
// second one, and the entries left after a removal are still found.
TEST_P(GeoHalfEdgePairTableTest, EachDirectionFindsItsHalfEdge) {
  const SPairTableCase& c = GetParam();
  CGeoHalfEdgePairTable table(c.halfEdges, c.firstId, c.ids);
  const DWORD n = 3000;
  std::vector<CGeoHalfEdge> halfEdges(4 * n);
  auto keyOf = [&](DWORD k) {
    const DWORD i = c.idBase + k / 4, j = i + 1 + (k / 2) % 2;
    return k % 2 ? Key(j, i) : Key(i, j);
  };
  for (DWORD k = 0; k < 4 * n; ++k) ASSERT_TRUE(table.Add(keyOf(k), &halfEdges[k])) << k;
  EXPECT_FALSE(table.Add(keyOf(7), &halfEdges[0]));
  for (DWORD k = 0; k < 4 * n; k += 5) table.Remove(keyOf(k));
  for (DWORD k = 0; k < 4 * n; ++k) EXPECT_EQ(table.Find(keyOf(k)), k % 5 ? &halfEdges[k] : nullptr) << k;
  EXPECT_EQ(table.Find(Key(c.idBase + 1, c.idBase + 9)), nullptr);
  table.RemoveAll();
  EXPECT_EQ(table.Find(keyOf(1)), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, GeoHalfEdgePairTableTest,
    testing::Values(SPairTableCase{"ExpectedIds", 1, 3002, 1, 12000},
                    SPairTableCase{"TooFewIdsExpected", 1, 10, 1, 12000},
                    SPairTableCase{"IdsPastTheRange", 1, 100, 50000, 12000},
                    SPairTableCase{"TooLittleRoom", 1, 3002, 1, 16}),
    [](const testing::TestParamInfo<SPairTableCase>& info) { return std::string(info.param.name); });

}  // namespace
