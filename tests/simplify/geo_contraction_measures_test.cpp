// Measures of a contraction that the reduction pass does not take: triangle
// normals, angles, the turn of a normal, pyramid volumes, the older normal
// test and the convexity of both end points' rings.
#include <gtest/gtest.h>
#include <reduction_options.h>

#include <cmath>
#include <deque>
#include <vector>

#include "geo_edge_contraction.h"
#include "geo_test_support.h"

namespace {

// Vertices standing alone at the given positions.
class CPoints {
 public:
  CGeoVertex* Add(float x, float y, float z) {
    const D3DVERTEX record = {x, y, z, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
    m_vertices.emplace_back().Initialize(&record, static_cast<DWORD>(m_vertices.size()), 0, eVertexTypeSource);
    return &m_vertices.back();
  }

 private:
  std::deque<CGeoVertex> m_vertices;
};

struct STriangleNormalCase {
  const char* name;
  D3DXVECTOR3 a, b, c, normal;
};

TEST(GeoContractionMeasures, TriangleNormalIsTheTurnOfThePath) {
  const STriangleNormalCase cases[] = {
      {"counter-clockwise", {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, 1}},
      {"clockwise", {0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, -1}},
      {"not normalised", {0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 0, 4}},
      {"across the first side", {0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {-1, 0, 0}},
      {"straight", {0, 0, 0}, {1, 0, 0}, {3, 0, 0}, {0, 0, 0}},
  };
  for (const STriangleNormalCase& c : cases) {
    CPoints p;
    D3DXVECTOR3 normal(9, 9, 9);
    EXPECT_TRUE(CGeoMeshTriangles::ComputeTriangleNormal(normal, p.Add(c.a.x, c.a.y, c.a.z),
                                                         p.Add(c.b.x, c.b.y, c.b.z), p.Add(c.c.x, c.c.y, c.c.z)));
    EXPECT_EQ(normal, c.normal) << c.name;
  }
}

struct SAngleCase {
  const char* name;
  D3DXVECTOR3 a, b, c;
  float degrees;
};

TEST(GeoContractionMeasures, AngleAtTheMiddleVertex) {
  const SAngleCase cases[] = {
      {"right", {1, 0, 0}, {0, 0, 0}, {0, 5, 0}, 90.0f},
      {"half right", {3, 0, 0}, {0, 0, 0}, {1, 1, 0}, 45.0f},
      {"equilateral", {1, 0, 0}, {0, 0, 0}, {0.5f, std::sqrt(3.0f) / 2.0f, 0}, 60.0f},
      {"obtuse", {1, 0, 0}, {0, 0, 0}, {-1, 1, 0}, 135.0f},
      {"same way", {1, 0, 0}, {0, 0, 0}, {7, 0, 0}, 0.0f},
      {"opposite ways", {1, 1, 1}, {0, 0, 0}, {-2, -2, -2}, 180.0f},
      {"no first side", {0, 0, 0}, {0, 0, 0}, {1, 0, 0}, 0.0f},
      {"no second side", {1, 0, 0}, {0, 0, 0}, {0, 0, 0}, 0.0f},
  };
  for (const SAngleCase& c : cases) {
    CPoints p;
    const float degrees =
        CGeoMeshTriangles::ComputeAngle(p.Add(c.a.x, c.a.y, c.a.z), p.Add(c.b.x, c.b.y, c.b.z), p.Add(c.c.x, c.c.y, c.c.z));
    EXPECT_NEAR(degrees, c.degrees, 1e-3f) << c.name;
    if (c.degrees == 0.0f || c.degrees == 180.0f) {
      EXPECT_EQ(degrees, c.degrees) << c.name;
    }
  }
}

struct SDirectionsAngleCase {
  const char* name;
  D3DXVECTOR3 a, b, c, d;
  float degrees;
};

TEST(GeoContractionMeasures, AngleBetweenTwoDirections) {
  const SDirectionsAngleCase cases[] = {
      {"parallel", {0, 0, 0}, {1, 0, 0}, {5, 5, 5}, {9, 5, 5}, 0.0f},
      {"opposite", {0, 0, 0}, {0, 2, 0}, {1, 1, 1}, {1, -1, 1}, 180.0f},
      {"perpendicular", {0, 0, 0}, {0, 0, 3}, {1, 0, 0}, {2, 0, 0}, 90.0f},
      {"sixty", {0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {1, std::sqrt(3.0f), 0}, 60.0f},
      {"no first direction", {1, 1, 1}, {1, 1, 1}, {0, 0, 0}, {1, 0, 0}, 0.0f},
      {"no second direction", {0, 0, 0}, {1, 0, 0}, {2, 2, 2}, {2, 2, 2}, 0.0f},
  };
  for (const SDirectionsAngleCase& c : cases) {
    CPoints p;
    EXPECT_NEAR(CGeoMeshTriangles::ComputeAngle(p.Add(c.a.x, c.a.y, c.a.z), p.Add(c.b.x, c.b.y, c.b.z),
                                                p.Add(c.c.x, c.c.y, c.c.z), p.Add(c.d.x, c.d.y, c.d.z)),
                c.degrees, 1e-3f)
        << c.name;
  }
}

struct SNormalTurnCase {
  const char* name;
  D3DXVECTOR3 to;
  bool computed;
  float degrees;  // the plain turn
  float counted;  // the turn as the reduction's limits count it
};

// Triangle (moved, p, q) = ((0, 0, 0), (1, 0, 0), (0, 1, 0)) with moved going
// to the new position.
TEST(GeoContractionMeasures, NormalTurnOverTheWholeHalfCircle) {
  const float tilted = std::acos(1.0f / std::sqrt(3.0f)) * 57.2957795f;        // normal (1, 1, 1)
  const float turnedOver = std::acos(-1.0f / std::sqrt(3.0f)) * 57.2957795f;  // normal (1, 1, -1)
  const SNormalTurnCase cases[] = {
      {"in place", {0, 0, 0}, true, 0.0f, 0.0f},
      {"within the plane", {0.2f, 0.1f, 0}, true, 0.0f, 0.0f},
      {"raised", {0, 0, 1}, true, tilted, tilted},
      {"past a right angle", {1, 1, 1}, true, turnedOver, 180.0f},
      {"folded over", {1, 1, 0}, true, 180.0f, 180.0f},
      {"onto the far side", {0.5f, 0.5f, 0}, false, 0.0f, 0.0f},
      {"not finite", {NAN, 0, 0}, false, 0.0f, 180.0f},
  };
  for (const SNormalTurnCase& c : cases) {
    CPoints points;
    CGeoVertex* moved = points.Add(0, 0, 0);
    CGeoVertex* p = points.Add(1, 0, 0);
    CGeoVertex* q = points.Add(0, 1, 0);
    D3DXVECTOR3 to = c.to;
    float degrees = -1.0f;
    EXPECT_EQ(CGeoMeshTriangles::ComputeOldNewTrianglesNormalAngle(degrees, &to, p, q, moved, nullptr), c.computed)
        << c.name;
    if (c.computed) {
      EXPECT_NEAR(degrees, c.degrees, 1e-3f) << c.name;
    }
    EXPECT_NEAR(CGeoEdgeContraction::ComputeOldNewTrianglesDeltaNormalAngle(to, p, q, moved), c.counted, 1e-3f)
        << c.name;
  }
  // A triangle that has no normal before the move.
  CPoints points;
  D3DXVECTOR3 to(0, 0, 1);
  float degrees = -1.0f;
  EXPECT_FALSE(CGeoMeshTriangles::ComputeOldNewTrianglesNormalAngle(degrees, &to, points.Add(1, 0, 0),
                                                                    points.Add(2, 0, 0), points.Add(0, 0, 0), nullptr));
}

// A cosine that rounding took past 1 or -1 is brought back within reach of
// acos; any further off is bounded, never a NaN.
TEST(GeoContractionMeasures, CosinesOutsideTheirRangeAreBounded) {
  const struct {
    float cosine, rounded, degrees;
  } cases[] = {{1.0005f, 1.0f, 0.0f}, {-1.005f, -1.0f, 180.0f}, {1.5f, 1.5f, 0.0f}, {-3.0f, -3.0f, 180.0f},
               {0.5f, 0.5f, 60.0f}};
  for (const auto& c : cases) {
    EXPECT_EQ(CGeoEdgeContraction::RoundNormalsCosine(c.cosine), c.rounded) << c.cosine;
    EXPECT_NEAR(CGeoEdgeContraction::CosineDegrees(c.cosine), c.degrees, 1e-3f) << c.cosine;
  }
}

struct SPyramidCase {
  const char* name;
  D3DXVECTOR3 moved, p, q, apex;
  bool computed;
  float volume;
};

TEST(GeoContractionMeasures, PyramidOnTheOldTriangleWithSidesAtATenth) {
  const SPyramidCase cases[] = {
      {"above", {0, 0, 0}, {30, 0, 0}, {0, 40, 0}, {0, 0, 2}, true, 4.0f},
      {"below, off centre", {0, 0, 0}, {30, 0, 0}, {0, 40, 0}, {50, -7, -2}, true, 4.0f},
      {"in the plane", {0, 0, 0}, {30, 0, 0}, {0, 40, 0}, {10, 10, 0}, true, 0.0f},
      {"tilted base", {0, 0, 0}, {0, 30, 0}, {0, 0, 40}, {3, 1, 1}, true, 6.0f},
      {"flat base", {0, 0, 0}, {30, 0, 0}, {60, 0, 0}, {0, 0, 2}, false, 0.0f},
  };
  for (const SPyramidCase& c : cases) {
    CPoints points;
    CGeoVertex* moved = points.Add(c.moved.x, c.moved.y, c.moved.z);
    CGeoVertex* p = points.Add(c.p.x, c.p.y, c.p.z);
    CGeoVertex* q = points.Add(c.q.x, c.q.y, c.q.z);
    D3DXVECTOR3 apex = c.apex;
    float volume = -1.0f;
    EXPECT_EQ(CGeoMeshTriangles::ComputePyramidVolume(volume, &apex, p, q, moved, nullptr), c.computed) << c.name;
    if (c.computed) {
      EXPECT_NEAR(volume, c.volume, 1e-4f) << c.name;
    }
  }
}

// A regular hexagon of unit radius round a centre at the origin; ring[0] is
// the kept end point.
struct SHexagonFan {
  CPoints points;
  CGeoVertex* centre;
  std::vector<CGeoVertex*> ring;
  SHexagonFan() {
    centre = points.Add(0, 0, 0);
    for (int k = 0; k < 6; ++k) {
      const float angle = static_cast<float>(k) * 3.14159265f / 3.0f;
      ring.push_back(points.Add(std::cos(angle), std::sin(angle), 0));
    }
  }
};

struct SOlderNormalTestCase {
  const char* name;
  D3DXVECTOR3 to;
  int toRingVertex;  // when not -1, the new position is that ring vertex's
  size_t ringLength;
  float maxAngle;
  bool ok;
  float largest;
};

TEST(GeoContractionMeasures, OlderNormalTestOnTheFacesThatStay) {
  const float apothem = std::sqrt(3.0f) / 2.0f;
  const float raisedTurn = std::atan(0.5f / apothem) * 57.2957795f;  // 30 degrees
  const SOlderNormalTestCase cases[] = {
      {"raised within the limit", {0, 0, 0.5f}, -1, 6, 45.0f, true, raisedTurn},
      {"raised past the limit", {0, 0, 0.5f}, -1, 6, 20.0f, false, raisedTurn},
      // The faces on the kept vertex vanish: they are not measured, although
      // at the kept vertex's position they have no normal.
      {"onto the kept vertex", {}, 0, 6, 1.0f, true, 0.0f},
      {"too short a ring", {0, 0, 0.5f}, -1, 2, 45.0f, false, 0.0f},
      {"a face without a normal", {}, 1, 6, 90.0f, false, 0.0f},
  };
  for (const SOlderNormalTestCase& c : cases) {
    SHexagonFan fan;
    REDUCTIONOPTIONS options{};
    options.maxNormalAngle = c.maxAngle;
    const std::vector<CGeoVertex*> ring(fan.ring.begin(), fan.ring.begin() + c.ringLength);
    D3DXVECTOR3 to = c.toRingVertex < 0 ? c.to : *fan.ring[c.toRingVertex]->GetPosition();
    bool ok = !c.ok;
    float largest = -1.0f;
    ASSERT_TRUE(CGeoMeshTriangles::QualifyMidPointEdgeContractionVertexRemovalRM4(ok, largest, fan.centre,
                                                                                  fan.ring[0], ring, &to, &options,
                                                                                  nullptr))
        << c.name;
    EXPECT_EQ(ok, c.ok) << c.name;
    EXPECT_NEAR(largest, c.largest, 1e-3f) << c.name;
  }
}

TEST(GeoContractionMeasures, OlderNormalTestFailsWithoutOptionsOrOnAStop) {
  SHexagonFan fan;
  D3DXVECTOR3 to(0, 0, 0.5f);
  bool ok = true;
  float largest = 0.0f;
  EXPECT_FALSE(CGeoMeshTriangles::QualifyMidPointEdgeContractionVertexRemovalRM4(ok, largest, fan.centre, fan.ring[0],
                                                                                 fan.ring, &to, nullptr, nullptr));
  EXPECT_FALSE(ok);
  REDUCTIONOPTIONS options{};
  options.maxNormalAngle = 90.0f;
  bool answered = true;
  RunStopped([&](CDXThread* thread) {
    answered = CGeoMeshTriangles::QualifyMidPointEdgeContractionVertexRemovalRM4(ok, largest, fan.centre, fan.ring[0],
                                                                                 fan.ring, &to, &options, thread);
  });
  EXPECT_FALSE(answered);
  EXPECT_FALSE(ok);
}

class GeoConvexRingsTest : public DeviceTest {};

// A 4 x 4 grid, optionally with grid point (2, 1) moved up to (2, 1.8): the
// ring of (2, 2) then turns back at it, while the ring of (1, 1) stays convex.
TEST_F(GeoConvexRingsTest, BothEndPointsRingsMustTurnOneWay) {
  const struct {
    const char* name;
    bool dented;
    DWORD a[2], b[2];
    bool convex;
  } cases[] = {
      {"flat grid", false, {1, 1}, {2, 2}, true},
      {"dented, both convex", true, {1, 1}, {3, 3}, true},
      {"dented, second turns back", true, {1, 1}, {2, 2}, false},
      {"dented, first turns back", true, {2, 2}, {1, 1}, false},
  };
  for (const auto& c : cases) {
    SGeoTestMesh mesh = MakeGridMesh(4, 4);
    if (c.dented) mesh.vertices[1 * 5 + 2].y = 1.8f;
    CGeoMesh geo;
    ASSERT_TRUE(BuildGeoMesh(geo, m_device.get(), mesh));
    auto at = [&geo](const DWORD (&point)[2]) -> CGeoVertex* {
      for (DWORD k = 0; k < geo.GetOriginalCurrentVerticesCount(); ++k)
        if (geo.GetGeoVertexArray()->GetAt(k)->GetVerticesMapIndex() == point[1] * 5 + point[0])
          return geo.GetGeoVertexArray()->GetAt(k);
      return nullptr;
    };
    EXPECT_EQ(CGeoMeshTriangles::SurroundingEdgesEnclosedSurfaceConvex(at(c.a), at(c.b), nullptr, nullptr), c.convex)
        << c.name;
  }
}

}  // namespace
