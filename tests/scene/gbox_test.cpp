#include <gbox.h>
#include <gtest/gtest.h>

#include <cmath>

#include "math_expect.h"

using math_expect::Near;

namespace {

CGBox MakeBox(D3DXVECTOR3 mn, D3DXVECTOR3 mx) {
  CGBox box;
  box.Initialize(&mn, &mx, false);
  return box;
}

D3DXVECTOR3 Transformed(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &v, &m);
  return out;
}

bool Finite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

TEST(GBoxTest, EqualMinAndMaxGiveAZeroSizeBox) {
  CGBox box = MakeBox({1, 2, 3}, {1, 2, 3});
  EXPECT_TRUE(box.IsZeroSizeBox());
  EXPECT_EQ(*box.GetMinFS(), D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(*box.GetMaxFS(), D3DXVECTOR3(0, 0, 0));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(box.GetCornersFS()[i], D3DXVECTOR3(0, 0, 0));
}

TEST(GBoxTest, CornersFollowTheirNamesAndExtents) {
  CGBox box = MakeBox({-1, -2, -3}, {1, 2, 3});
  EXPECT_FALSE(box.IsZeroSizeBox());
  EXPECT_EQ(*box.GetBackTopRightFS(), D3DXVECTOR3(1, 2, 3));
  EXPECT_EQ(*box.GetFrontTopLeftFS(), D3DXVECTOR3(-1, 2, -3));
  EXPECT_EQ(*box.GetFrontBottomLeftFS(), D3DXVECTOR3(-1, -2, -3));
  EXPECT_FLOAT_EQ(box.GetWidthFS(), 2);
  EXPECT_FLOAT_EQ(box.GetHeightFS(), 4);
  EXPECT_FLOAT_EQ(box.GetDepthFS(), 6);
  EXPECT_FLOAT_EQ(box.GetSmallestEdgeSizeFS(), 2);
  EXPECT_TRUE(Near(box.GetFrontFaceNormalFS(), {0, 0, -1}));
  EXPECT_TRUE(Near(box.GetTopFaceNormalFS(), {0, 1, 0}));
  EXPECT_TRUE(Near(box.GetLeftFaceNormalFS(), {-1, 0, 0}));
}

TEST(GBoxTest, ABoxCarriedOntoTheOriginBecomesZeroSize) {
  CGBox box = MakeBox({1, 1, 1}, {2, 2, 2});
  D3DXMATRIX collapse;
  D3DXMatrixScaling(&collapse, 0, 0, 0);
  box.TransformCoord(&collapse, false);
  EXPECT_TRUE(box.IsZeroSizeBox());
}

TEST(GBoxTest, ARotatedBoxStaysOrientedUntilMadeAxisAligned) {
  CGBox box = MakeBox({-1, -1, -1}, {1, 1, 1});
  D3DXMATRIX turn;
  D3DXMatrixRotationY(&turn, D3DX_PI / 4);
  box.TransformCoord(&turn, false);
  for (int i = 0; i < 8; ++i) {
    D3DXVECTOR3 c = box.GetCornersFS()[i];
    EXPECT_NEAR(D3DXVec3Length(&c), std::sqrt(3.0f), 1e-5f);
  }
  EXPECT_NEAR(box.GetWidthFS(), 2, 1e-5f);
  box.ComputeAxisAlignedBoundingBox(false);
  EXPECT_TRUE(Near(*box.GetMaxFS(), {std::sqrt(2.0f), 1, std::sqrt(2.0f)}));
  EXPECT_TRUE(Near(*box.GetMinFS(), {-std::sqrt(2.0f), -1, -std::sqrt(2.0f)}));
}

TEST(GBoxTest, MergeCases) {
  CGBox zero;
  CGBox unit = MakeBox({0, 0, 0}, {1, 1, 1});
  CGBox far = MakeBox({2, -1, 0}, {3, 0, 5});

  CGBox a(unit);
  a.Merge(&zero, false);
  EXPECT_TRUE(a == unit);

  CGBox b;
  b.Merge(&unit, false);
  EXPECT_TRUE(b == unit);

  CGBox c(unit);
  c.Merge(&far, false);
  EXPECT_EQ(*c.GetMinFS(), D3DXVECTOR3(0, -1, 0));
  EXPECT_EQ(*c.GetMaxFS(), D3DXVECTOR3(3, 1, 5));
  EXPECT_EQ(*c.GetBackTopRightFS(), D3DXVECTOR3(3, 1, 5));
}

TEST(GBoxTest, InnerBoxCases) {
  CGBox zero;
  CGBox unit = MakeBox({0, 0, 0}, {1, 1, 1});
  CGBox same(unit);
  CGBox big = MakeBox({-1, -1, -1}, {2, 2, 2});
  CGBox shifted = MakeBox({0.5f, 0, 0}, {1.5f, 1, 1});
  EXPECT_TRUE(zero.IsInnerBox(&unit, false));
  EXPECT_FALSE(unit.IsInnerBox(&zero, false));
  EXPECT_TRUE(unit.IsInnerBox(&same, false));
  EXPECT_TRUE(unit.IsInnerBox(&big, false));
  EXPECT_FALSE(big.IsInnerBox(&unit, false));
  EXPECT_FALSE(shifted.IsInnerBox(&unit, false));
}

TEST(GBoxTest, BoundingSphereReachesEveryCorner) {
  CGBox box = MakeBox({0, 0, 0}, {2, 2, 2});
  CGSphere sphere;
  box.ComputeBoundingSphere(&sphere, false);
  EXPECT_FALSE(sphere.IsZeroSizeSphere());
  EXPECT_EQ(*sphere.GetCenterFS(), D3DXVECTOR3(1, 1, 1));
  EXPECT_NEAR(sphere.GetRadiusFS(), std::sqrt(3.0f), 1e-6f);
  CGBox zero;
  zero.ComputeBoundingSphere(&sphere, false);
  EXPECT_TRUE(sphere.IsZeroSizeSphere());
}

struct SRayCase {
  const char* name;
  D3DXVECTOR3 origin, direction;
  DWORD count;
  D3DXVECTOR3 first, second;
  CGBox::EBoxFace firstFace, secondFace;
};

TEST(GBoxTest, RayCrossingsOfAUnitBox) {
  const SRayCase cases[] = {
      {"through the middle from the front",
       {0.5f, 0.5f, -5},
       {0, 0, 1},
       2,
       {0.5f, 0.5f, 0},
       {0.5f, 0.5f, 1},
       CGBox::eFront,
       CGBox::eBack},
      {"through the middle from the back",
       {0.5f, 0.5f, 5},
       {0, 0, -1},
       2,
       {0.5f, 0.5f, 0},
       {0.5f, 0.5f, 1},
       CGBox::eFront,
       CGBox::eBack},
      {"from the left",
       {-3, 0.25f, 0.5f},
       {1, 0, 0},
       2,
       {0, 0.25f, 0.5f},
       {1, 0.25f, 0.5f},
       CGBox::eLeft,
       CGBox::eRight},
      {"starting inside", {0.5f, 0.5f, 0.5f}, {0, 1, 0}, 1, {0.5f, 1, 0.5f}, {0, 0, 0}, CGBox::eTop, CGBox::eNone},
      {"pointing away", {0.5f, 0.5f, -5}, {0, 0, -1}, 0, {0, 0, 0}, {0, 0, 0}, CGBox::eNone, CGBox::eNone},
      {"passing beside", {3, 0.5f, -5}, {0, 0, 1}, 0, {0, 0, 0}, {0, 0, 0}, CGBox::eNone, CGBox::eNone},
  };
  CGBox box = MakeBox({0, 0, 0}, {1, 1, 1});
  for (const SRayCase& c : cases) {
    SCOPED_TRACE(c.name);
    D3DXVECTOR3 out[2];
    CGBox::EBoxFace faces[2];
    D3DXVECTOR3 origin = c.origin, direction = c.direction;
    ASSERT_EQ(box.ComputeRayBoxIntersections2(out, faces, &origin, &direction, false), c.count);
    EXPECT_TRUE(Near(out[0], c.first));
    EXPECT_TRUE(Near(out[1], c.second));
    EXPECT_EQ(faces[0], c.firstFace);
    EXPECT_EQ(faces[1], c.secondFace);
    EXPECT_EQ(box.ComputeRayBoxIntersections(out, &origin, &direction, false), c.count);
  }
}

TEST(GBoxTest, ARayThroughAnEmptyBoxCrossesNothing) {
  CGBox empty;
  D3DXVECTOR3 out[2], origin(0, 0, -2), direction(0, 0, 1);
  EXPECT_EQ(empty.ComputeRayBoxIntersections(out, &origin, &direction, false), 0u);
}

TEST(GBoxTest, ARayAlongAnEdgeStoresAtMostTwoPoints) {
  CGBox box = MakeBox({0, 0, 0}, {1, 1, 1});
  D3DXVECTOR3 out[2], origin(0, 0, -2), direction(0, 0, 1);
  EXPECT_LE(box.ComputeRayBoxIntersections(out, &origin, &direction, false), 2u);
}

TEST(GBoxTest, ARayCrossesARotatedBox) {
  CGBox box = MakeBox({-1, -1, -1}, {1, 1, 1});
  D3DXMATRIX turn;
  D3DXMatrixRotationY(&turn, D3DX_PI / 4);
  box.TransformCoord(&turn, false);
  // Seen from above the box is a diamond |x| + |z| = sqrt(2).
  D3DXVECTOR3 out[2], origin(0.3f, 0, -10), direction(0, 0, 1);
  ASSERT_EQ(box.ComputeRayBoxIntersections(out, &origin, &direction, false), 2u);
  float z = std::sqrt(2.0f) - 0.3f;
  EXPECT_TRUE(Near(out[0], {0.3f, 0, -z}, 1e-4f));
  EXPECT_TRUE(Near(out[1], {0.3f, 0, z}, 1e-4f));
}

// A planar mesh has a box without depth: its normals, its ray crossings and
// the transforms fitted to it must stay finite.
TEST(GBoxTest, AFlatBoxKeepsItsAxesAndStaysPickable) {
  CGBox flat = MakeBox({-1, -1, 0}, {1, 1, 0});
  ASSERT_FALSE(flat.IsZeroSizeBox());
  EXPECT_TRUE(Near(flat.GetFrontFaceNormalFS(), {0, 0, -1}));
  EXPECT_TRUE(Near(flat.GetBackFaceNormalFS(), {0, 0, 1}));
  EXPECT_TRUE(Near(flat.GetRightFaceNormalFS(), {1, 0, 0}));

  D3DXVECTOR3 out[2], origin(0.5f, 0.5f, -5), direction(0, 0, 1);
  ASSERT_EQ(flat.ComputeRayBoxIntersections(out, &origin, &direction, false), 1u);
  EXPECT_TRUE(Near(out[0], {0.5f, 0.5f, 0}));

  // Turned, the missing axis still completes the other two.
  D3DXMATRIX turn;
  D3DXMatrixRotationX(&turn, D3DX_PI / 2);
  CGBox turned(flat);
  turned.TransformCoord(&turn, false);
  EXPECT_TRUE(Near(turned.GetBackFaceNormalFS(), {0, -1, 0}));

  CGBox handle = MakeBox({-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f});
  D3DXMATRIX fit;
  BoxToBoxTransform(fit, &handle, nullptr, &flat, nullptr, false);
  for (float f : fit.m[0]) EXPECT_TRUE(std::isfinite(f));
  D3DXVECTOR3 corner = Transformed({0.5f, 0.5f, 0.5f}, fit);
  EXPECT_TRUE(Finite(corner));
  EXPECT_TRUE(Near(corner, {1, 1, 0.5f}));
  // The other way round too: a flat source box does not divide by its depth.
  BoxToBoxTransform(fit, &flat, nullptr, &handle, nullptr, false);
  EXPECT_TRUE(Near(Transformed({1, 1, 0}, fit), {0.5f, 0.5f, 0}));
}

TEST(GBoxTest, ALineBoxFallsBackOnTheFrameAxes) {
  CGBox line = MakeBox({0, 0, 0}, {2, 0, 0});
  EXPECT_TRUE(Near(line.GetTopFaceNormalFS(), {0, 1, 0}));
  EXPECT_TRUE(Near(line.GetFrontFaceNormalFS(), {0, 0, -1}));
}

TEST(GBoxTest, BoxToBoxTransformLaysTheSourceOntoTheTarget) {
  CGBox source = MakeBox({-1, -1, -1}, {1, 1, 1});
  CGBox target = MakeBox({9, -2, -3}, {11, 2, 3});
  D3DXMATRIX fit;
  BoxToBoxTransform(fit, &source, nullptr, &target, nullptr, false);
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(Near(Transformed(source.GetCornersFS()[i], fit), target.GetCornersFS()[i]));

  // A target given with its transform, and either box missing.
  D3DXMATRIX move;
  D3DXMatrixTranslation(&move, 0, 5, 0);
  BoxToBoxTransform(fit, &source, nullptr, &source, &move, false);
  EXPECT_TRUE(Near(Transformed({0, 0, 0}, fit), {0, 5, 0}));
  BoxToBoxTransform(fit, nullptr, nullptr, &target, nullptr, false);
  EXPECT_TRUE(D3DXMatrixIsIdentity(&fit));
}

TEST(GSphereTest, BoundaryIntersectionCases) {
  D3DXVECTOR3 origin(0, 0, 0);
  struct {
    const char* name;
    float otherRadius;
    D3DXVECTOR3 otherCenter;
    bool crossing;
  } cases[] = {
      {"apart", 1, {5, 0, 0}, false},
      {"touching from outside", 1, {2, 0, 0}, false},
      {"overlapping", 1, {1.5f, 0, 0}, true},
      {"other inside this", 0.5f, {0.2f, 0, 0}, false},
      {"this inside the other", 5, {0.5f, 0, 0}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CGSphere a, b;
    a.Initialize(1, &origin);
    b.Initialize(c.otherRadius, &c.otherCenter);
    float distance = -1;
    EXPECT_EQ(a.IsSphereBoundariesIntersecting(&b, &distance), c.crossing);
    EXPECT_FLOAT_EQ(distance, c.otherCenter.x);
  }
  CGSphere a, zero;
  a.Initialize(1, &origin);
  EXPECT_FALSE(a.IsSphereBoundariesIntersecting(&zero, nullptr));
}

TEST(GSphereTest, InnerSphereCases) {
  D3DXVECTOR3 origin(0, 0, 0), aside(1, 0, 0);
  CGSphere small, big, zero;
  small.Initialize(1, &aside);
  big.Initialize(2, &origin);
  EXPECT_TRUE(small.IsInnerSphere(&big));
  EXPECT_FALSE(big.IsInnerSphere(&small));
  EXPECT_TRUE(zero.IsInnerSphere(&big));
  EXPECT_FALSE(big.IsInnerSphere(&zero));
}

TEST(GSphereTest, RadiusInWorldSpaceFollowsAUniformScale) {
  D3DXVECTOR3 center(1, 2, 3);
  CGSphere sphere;
  sphere.Initialize(2, &center);
  D3DXMATRIX scale;
  D3DXMatrixScaling(&scale, 3, 3, 3);
  EXPECT_NEAR(sphere.GetRadiusWS(&scale, false), 6, 1e-5f);
  CGSphere zero;
  EXPECT_EQ(zero.GetRadiusWS(&scale, false), 0);
}

TEST(GSphereTest, CopyOfAZeroSizeSphereIsAPointAtTheOrigin) {
  CGSphere zero, copy;
  D3DXVECTOR3 center(4, 4, 4);
  copy.Initialize(3, &center);
  copy = zero;
  EXPECT_EQ(copy.GetRadiusFS(), 0);
  EXPECT_EQ(*copy.GetCenterFS(), D3DXVECTOR3(0, 0, 0));
  EXPECT_FALSE(copy.IsZeroSizeSphere());
}

TEST(GSphereTest, SpheresMovingHeadOnMeetWhereTheirSurfacesTouch) {
  D3DXVECTOR3 a0(0, 0, 0), b0(10, 0, 0);
  CGSphere a, b;
  a.Initialize(1, &a0);
  b.Initialize(1, &b0);
  D3DXVECTOR3 targetA(10, 0, 0), targetB(0, 0, 0), atA, atB, contact;
  ASSERT_TRUE(a.GetSphereSphereCollision(&b, &targetA, &targetB, &atA, &atB, &contact));
  EXPECT_TRUE(Near(atA, {4, 0, 0}));
  EXPECT_TRUE(Near(atB, {6, 0, 0}));
  EXPECT_TRUE(Near(contact, {1, 0, 0}));
}

TEST(GSphereTest, NoCollisionCases) {
  D3DXVECTOR3 a0(0, 0, 0), b0(10, 0, 0), near(1.5f, 0, 0);
  CGSphere a, b, overlapping, zero;
  a.Initialize(1, &a0);
  b.Initialize(1, &b0);
  overlapping.Initialize(1, &near);
  D3DXVECTOR3 out[3];
  D3DXVECTOR3 stay = a0, stayB = b0, toB(10, 0, 0), short1(2, 0, 0), sideways(0, 10, 0);
  EXPECT_FALSE(a.GetSphereSphereCollision(&overlapping, &toB, &near, &out[0], &out[1], &out[2]));
  EXPECT_FALSE(a.GetSphereSphereCollision(&b, &stay, &stayB, &out[0], &out[1], &out[2]));
  EXPECT_FALSE(a.GetSphereSphereCollision(&b, &short1, &stayB, &out[0], &out[1], &out[2]));
  EXPECT_FALSE(a.GetSphereSphereCollision(&b, &sideways, &stayB, &out[0], &out[1], &out[2]));
  EXPECT_FALSE(a.GetSphereSphereCollision(&zero, &toB, &stayB, &out[0], &out[1], &out[2]));
  EXPECT_EQ(out[2], D3DXVECTOR3(0, 0, 0));
}

}  // namespace
