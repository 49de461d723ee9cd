#include "vectorgeometry.h"

#include <gtest/gtest.h>

#include <cmath>

#include "math_expect.h"

using math_expect::Near;

namespace {

TEST(TriangleMeasures, AreaFromSides) {
  const struct {
    float a, b, c;
    bool ok;
    float area;
  } cases[] = {
      {3, 4, 5, true, 6},
      {5, 3, 4, true, 6},
      {4, 5, 3, true, 6},  // any order
      {1, 2, 3, true, 0},  // flat
      {2, 2, 2, true, std::sqrt(3.0f)},
      {1, 2, 4, false, -1},  // no triangle: area untouched
      {0, 0, 0, true, 0},
  };
  for (const auto& c : cases) {
    float area = -1;
    EXPECT_EQ(ComputeTriangleArea(area, c.a, c.b, c.c), c.ok) << c.a << " " << c.b << " " << c.c;
    EXPECT_NEAR(area, c.area, 1e-5f);
  }
  float volume = -1;
  EXPECT_TRUE(ComputeTriangleBasedPyramidVolume(volume, 3, 4, 5, 2));
  EXPECT_FLOAT_EQ(volume, 4);
  volume = -1;
  EXPECT_FALSE(ComputeTriangleBasedPyramidVolume(volume, 1, 2, 4, 2));
  EXPECT_EQ(volume, -1);
}

TEST(TriangleMeasures, AngleOppositeSideC) {
  const struct {
    float a, b, c;
    bool ok;
    float angle;
  } cases[] = {
      {3, 4, 5, true, D3DX_PI / 2}, {4, 3, 5, true, D3DX_PI / 2}, {5, 4, 3, true, std::asin(0.6f)},
      {2, 2, 2, true, D3DX_PI / 3}, {1, 2, 3, true, D3DX_PI},  // c = a + b
      {1, 2, 4, false, -1},         {0, 0, 0, false, -1},
  };
  for (const auto& c : cases) {
    float angle = -1;
    EXPECT_EQ(ComputeTriangleSideOppositeAngleC(angle, c.a, c.b, c.c), c.ok) << c.a << " " << c.b << " " << c.c;
    EXPECT_NEAR(angle, c.angle, 1e-5f);
  }
}

TEST(LineSphere, TwoPointLine) {
  D3DXVECTOR3 centre(0, 0, 0);
  const struct {
    D3DXVECTOR3 p1, p2;
    bool met;
    DWORD count;
    D3DXVECTOR3 first, second;
  } cases[] = {
      {{-2, 0, 0}, {2, 0, 0}, true, 2, {-1, 0, 0}, {1, 0, 0}},
      {{2, 0, 0}, {-2, 0, 0}, true, 2, {1, 0, 0}, {-1, 0, 0}},  // ordered by the line parameter
      {{-2, 1, 0}, {2, 1, 0}, true, 1, {0, 1, 0}, {0, 0, 0}},
      {{-2, 2, 0}, {2, 2, 0}, false, 0, {0, 0, 0}, {0, 0, 0}},
  };
  for (auto c : cases) {
    SLineSphereIntersection out;
    out.dwCount = 7;
    out.vSecond = D3DXVECTOR3(9, 9, 9);
    EXPECT_EQ(GetLineSphereIntersection(out, &centre, 1, &c.p1, &c.p2), c.met);
    EXPECT_EQ(out.dwCount, c.count);
    EXPECT_TRUE(Near(out.vFirst, c.first));
    EXPECT_TRUE(Near(out.vSecond, c.second));
  }
}

TEST(LineSphere, OriginAndDirectionAgainstAMovedSphere) {
  const struct {
    D3DXVECTOR3 centre;
    float radius;
    D3DXVECTOR3 origin, direction;
    DWORD count;
    D3DXVECTOR3 first, second;
  } cases[] = {
      {{0, 0, 0}, 1, {-5, 0, 0}, {1, 0, 0}, 2, {-1, 0, 0}, {1, 0, 0}},
      {{10, 5, 0}, 2, {0, 5, 0}, {0.5f, 0, 0}, 2, {8, 5, 0}, {12, 5, 0}},
      {{10, 5, 0}, 2, {10, 0, 2}, {0, 1, 0}, 1, {10, 5, 2}, {0, 0, 0}},  // tangent
      {{10, 5, 0}, 2, {0, 0, 0}, {0, 0, 1}, 0, {0, 0, 0}, {0, 0, 0}},
  };
  for (auto c : cases) {
    SLineSphereIntersection out;
    EXPECT_EQ(GetLineSphereIntersection2(out, &c.centre, c.radius, &c.origin, &c.direction), c.count > 0);
    EXPECT_EQ(out.dwCount, c.count);
    EXPECT_TRUE(Near(out.vFirst, c.first));
    EXPECT_TRUE(Near(out.vSecond, c.second));
  }
}

TEST(RayPlane, Classification) {
  D3DXPLANE z0(0, 0, 1, 0);
  const struct {
    D3DXVECTOR3 origin, direction;
    ERayPlaneIntersection result;
    D3DXVECTOR3 point;
  } cases[] = {
      {{0, 0, 5}, {0, 0, 1}, RayPlanePoint, {0, 0, 0}},  // behind the origin still counts
      {{1, 2, 5}, {1, 0, -1}, RayPlanePoint, {6, 2, 0}},
      {{1, 1, 0}, {0, 0, 1}, RayPlaneOriginOnPlane, {0, 0, 0}},
      {{0, 0, 5}, {1, 0, 0}, RayPlaneNone, {0, 0, 0}},
      {{1, 1, 0}, {1, 0, 0}, RayPlaneNone, {0, 0, 0}},  // in the plane
  };
  for (auto c : cases) {
    D3DXVECTOR3 out(7, 7, 7);
    EXPECT_EQ(GetRayPlaneIntersection(&out, &z0, &c.origin, &c.direction), c.result);
    EXPECT_TRUE(Near(out, c.point));
  }
}

TEST(RayTriangle, BothFormsClassifyAlike) {
  // Triangles facing each dominant axis, so every projection is used.
  struct Triangle {
    D3DXVECTOR3 v0, v1, v2;
    int axis;  // the normal's axis
  };
  const Triangle triangles[] = {
      {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, 2},
      {{0, 0, 0}, {0, 0, 2}, {2, 0, 0}, 1},
      {{0, 0, 0}, {0, 2, 0}, {0, 0, 2}, 0},
  };
  // (u, v) in the triangle's plane; offsets along the normal axis.
  const struct {
    float u, v;
    ERayTriangleIntersection result;
  } points[] = {
      {0.5f, 0.5f, RayTriangleHit},  {1, 0, RayTriangleHit},  // on an edge
      {0, 0, RayTriangleHit},        {2, 0, RayTriangleHit},  // corners
      {1, 1, RayTriangleHit},                                 // on the slanted edge
      {1.5f, 1.5f, RayTriangleMiss}, {-0.5f, 0.5f, RayTriangleMiss}, {3, 0, RayTriangleMiss},
  };
  for (const Triangle& t : triangles) {
    for (const auto& p : points) {
      // Place the point by the triangle's own edges: v0 + u·e1/2 + v·e2/2.
      D3DXVECTOR3 v0 = t.v0, v1 = t.v1, v2 = t.v2;
      const D3DXVECTOR3 inPlane = v0 + (v1 - v0) * (p.u / 2) + (v2 - v0) * (p.v / 2);
      D3DXVECTOR3 normal;
      static_cast<float*>(normal)[t.axis] = 1;
      D3DXVECTOR3 origin = inPlane + normal * 3, direction = -normal * 2;
      D3DXVECTOR3 out(9, 9, 9);
      EXPECT_EQ(GetRayTriangleIntersection2(&out, &v0, &v1, &v2, &origin, &direction), p.result)
          << t.axis << " " << p.u << " " << p.v;
      EXPECT_EQ(out, D3DXVECTOR3(0, 0, 0));
      EXPECT_EQ(GetRayTriangleIntersection(&out, &v0, &v1, &v2, &origin, &direction), p.result)
          << t.axis << " " << p.u << " " << p.v;
    }
  }
}

TEST(RayTriangle, OriginOnThePlaneAndRaysInIt) {
  D3DXVECTOR3 v0(0, 0, 0), v1(2, 0, 0), v2(0, 2, 0), out;
  const struct {
    D3DXVECTOR3 origin, direction;
    ERayTriangleIntersection result;
  } cases[] = {
      {{5, 5, 0}, {0, 0, 1}, RayTriangleOriginOnPlane},  // wherever it points
      {{0.5f, 0.5f, 0}, {1, 1, -1}, RayTriangleOriginOnPlane},
      {{5, 5, 0}, {1, 0, 0}, RayTriangleMiss},        // lies in the plane
      {{0.5f, 0.5f, 1}, {1, 0, 0}, RayTriangleMiss},  // parallel
  };
  for (auto c : cases) {
    EXPECT_EQ(GetRayTriangleIntersection2(&out, &v0, &v1, &v2, &c.origin, &c.direction), c.result);
    EXPECT_EQ(GetRayTriangleIntersection(&out, &v0, &v1, &v2, &c.origin, &c.direction), c.result);
  }
  // A degenerate triangle has no plane.
  D3DXVECTOR3 origin(1, 0, 5), down(0, 0, -1), w(4, 0, 0);
  EXPECT_EQ(GetRayTriangleIntersection2(&out, &v0, &v1, &w, &origin, &down), RayTriangleMiss);
}

TEST(Vectors, PointingDirectionAndPointLineDistance) {
  const struct {
    D3DXVECTOR3 a, b;
    EPointingDirection result;
  } cases[] = {
      {{1, 0, 0}, {0, 1, 0}, PointingPerpendicular},
      {{1, 0, 0}, {2, 5, 0}, PointingSameSide},
      {{1, 0, 0}, {-0.1f, 5, 0}, PointingOppositeSides},
      {{0, 0, 0}, {1, 1, 1}, PointingPerpendicular},
  };
  for (auto c : cases) EXPECT_EQ(GetVectorsPointingDirection(&c.a, &c.b), c.result);

  const struct {
    D3DXVECTOR3 p, a, b;
    float distance;
  } lines[] = {
      {{0, 3, 0}, {0, 0, 0}, {1, 0, 0}, 3},
      {{7, 3, 4}, {0, 0, 0}, {-1, 0, 0}, 5},          // beyond the segment: the line is infinite
      {{0.1f, 0.2f, 0.3f}, {0, 0, 0}, {1, 2, 3}, 0},  // on the line: zero, never NaN
  };
  for (auto l : lines) EXPECT_NEAR(PointLineDistance(&l.p, &l.a, &l.b), l.distance, 1e-5f);
}

// The box [1, 3] × [1, 2] × [1, 5] with its corners.
struct Box {
  D3DXVECTOR3 lo{1, 1, 1}, hi{3, 2, 5};
  float w = 2, h = 1, d = 4;
  D3DXVECTOR3 corners[8] = {{3, 2, 5}, {3, 2, 1}, {3, 1, 5}, {3, 1, 1}, {1, 2, 5}, {1, 2, 1}, {1, 1, 5}, {1, 1, 1}};
  D3DXVECTOR3 back{0, 0, 1}, front{0, 0, -1}, top{0, 1, 0};
};

struct RayBoxCase {
  D3DXVECTOR3 origin, direction;
  DWORD count;
  D3DXVECTOR3 points[2];
};

void ExpectCrossings(DWORD count, const D3DXVECTOR3 out[2], const RayBoxCase& c) {
  ASSERT_EQ(count, c.count) << c.origin.x << " " << c.origin.y << " " << c.origin.z;
  for (DWORD i = 0; i < count; ++i) EXPECT_TRUE(Near(out[i], c.points[i])) << i;
}

TEST(RayBox, ThroughTheFacesOfAnAxisAlignedBox) {
  Box box;
  const RayBoxCase cases[] = {
      {{0, 1.5f, 3}, {1, 0, 0}, 2, {{1, 1.5f, 3}, {3, 1.5f, 3}}},
      {{2, 1.5f, 9}, {0, 0, -1}, 2, {{2, 1.5f, 1}, {2, 1.5f, 5}}},  // ordered by z
      {{0, 0, 0}, {1, 1, 1}, 2, {{1, 1, 1}, {2, 2, 2}}},            // through a corner: kept once
      {{0, 1, 0}, {1, 0, 1}, 2, {{1, 1, 1}, {3, 1, 3}}},            // along a face's edge line
      {{0, 2, 6}, {1, 0, 1}, 0, {}},                                // misses
      {{2, 5, 3}, {1, 0, 0}, 0, {}},                                // parallel, outside
  };
  for (RayBoxCase c : cases) {
    D3DXVECTOR3 out[2];
    ExpectCrossings(GetRayBoxIntersections(out, &box.lo, &box.hi, box.w, box.h, box.d, &c.origin, &c.direction), out,
                    c);
    // The same box by its two points, front and top normals.
    ExpectCrossings(GetRayBoxIntersections2(out, &box.lo, &box.hi, &box.back, &box.top, box.w, box.h, box.d, &c.origin,
                                            &c.direction, box.corners),
                    out, c);
  }
}

TEST(RayBox, ATurnedBoxAlongItsDiagonal) {
  // A unit cube whose diagonal lies on the x axis: the first variant turns it
  // back; a line along the diagonal crosses at the two corners, each of
  // which three faces accept.
  D3DXVECTOR3 corner(0, 0, 0), opposite(std::sqrt(3.0f), 0, 0), origin(-1, 0, 0), direction(1, 0, 0), out[2];
  ASSERT_EQ(GetRayBoxIntersections(out, &corner, &opposite, 1, 1, 1, &origin, &direction), 2u);
  const bool inOrder = Near(out[0], corner, 1e-4f);  // the z of both is 0: either order
  EXPECT_TRUE(Near(out[inOrder ? 0 : 1], corner, 1e-4f));
  EXPECT_TRUE(Near(out[inOrder ? 1 : 0], opposite, 1e-4f));
}

TEST(RayBox, AheadOnlyVariantsDropPointsBehindTheOrigin) {
  Box box;
  const RayBoxCase cases[] = {
      {{0, 1.5f, 2}, {1, 0, 1}, 2, {{1, 1.5f, 3}, {3, 1.5f, 5}}},
      {{2, 1.5f, 4}, {1, 0, 1}, 1, {{3, 1.5f, 5}}},  // inside: only the exit lies ahead
      {{5, 1.5f, 7}, {1, 0, 1}, 0, {}},              // the box is behind
  };
  for (RayBoxCase c : cases) {
    D3DXVECTOR3 out[2];
    ExpectCrossings(GetRayBoxIntersections3(out, &box.lo, &box.hi, &box.front, &box.top, box.w, box.h, box.d, &c.origin,
                                            &c.direction, box.corners),
                    out, c);
    // Variant 4 takes the box as turned a half turn about y: its front faces +z.
    ExpectCrossings(GetRayBoxIntersections4(out, &box.lo, &box.hi, &box.back, &box.top, box.w, box.h, box.d, &c.origin,
                                            &c.direction, box.corners),
                    out, c);
  }
}

}  // namespace
