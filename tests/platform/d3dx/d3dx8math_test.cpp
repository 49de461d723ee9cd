#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "d3dx8.h"
#include "math_expect.h"

using math_expect::Near;

namespace {

const float kHalfPi = D3DX_PI / 2.0f;
const float kRoot2 = std::sqrt(2.0f);

D3DXMATRIX Identity() {
  D3DXMATRIX m;
  return *D3DXMatrixIdentity(&m);
}

D3DXVECTOR3 Coord(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 r;
  return *D3DXVec3TransformCoord(&r, &v, &m);
}

D3DXMATRIX FromQuaternion(const D3DXQUATERNION& q) {
  D3DXMATRIX m;
  return *D3DXMatrixRotationQuaternion(&m, &q);
}

D3DXQUATERNION AxisAngle(const D3DXVECTOR3& axis, float angle) {
  D3DXQUATERNION q;
  return *D3DXQuaternionRotationAxis(&q, &axis, angle);
}

TEST(D3dxMath, LayoutsMatchTheBaseTypes) {
  D3DXVECTOR3 v(1, 2, 3);
  D3DVECTOR& base = v;
  EXPECT_EQ(base.z, 3.0f);
  D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  EXPECT_EQ(m(2, 1), 10.0f);
  EXPECT_EQ(m._32, 10.0f);
  EXPECT_EQ(static_cast<const float*>(m)[14], 15.0f);
  EXPECT_EQ(D3DXVECTOR3(), D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(D3DXMATRIX(), D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0));
}

TEST(D3dxMath, VectorOperators) {
  const D3DXVECTOR3 a(1, 2, 3), b(4, 5, 6);
  EXPECT_EQ(a + b, D3DXVECTOR3(5, 7, 9));
  EXPECT_EQ(b - a, D3DXVECTOR3(3, 3, 3));
  EXPECT_EQ(2.0f * a, D3DXVECTOR3(2, 4, 6));
  EXPECT_EQ(b / 2.0f, D3DXVECTOR3(2, 2.5f, 3));
  EXPECT_EQ(-a, D3DXVECTOR3(-1, -2, -3));
  EXPECT_NE(a, b);
  D3DXVECTOR3 c = a;
  c += b;
  c *= 2.0f;
  EXPECT_EQ(c, D3DXVECTOR3(10, 14, 18));
  EXPECT_EQ(D3DXVECTOR4(1, 2, 3, 4) * 2.0f, D3DXVECTOR4(2, 4, 6, 8));
  EXPECT_EQ(D3DXVECTOR2(1, 2) - D3DXVECTOR2(1, 1), D3DXVECTOR2(0, 1));
}

TEST(D3dxMath, VectorLengthAndNormalize) {
  struct Case {
    D3DXVECTOR3 v;
    float length;
    D3DXVECTOR3 unit;
  };
  const Case cases[] = {
      {{3, 4, 0}, 5, {0.6f, 0.8f, 0}},
      {{0, 0, -2}, 2, {0, 0, -1}},
      {{1, 1, 1}, std::sqrt(3.0f), D3DXVECTOR3(1, 1, 1) / std::sqrt(3.0f)},
      {{0, 0, 0}, 0, {0, 0, 0}},  // a zero vector stays zero
  };
  for (const Case& c : cases) {
    EXPECT_FLOAT_EQ(D3DXVec3Length(&c.v), c.length);
    EXPECT_FLOAT_EQ(D3DXVec3LengthSq(&c.v), c.length * c.length);
    D3DXVECTOR3 unit = c.v;
    EXPECT_EQ(D3DXVec3Normalize(&unit, &unit), &unit);  // in place
    EXPECT_TRUE(Near(unit, c.unit));
  }
  const D3DXVECTOR4 v4(0, 3, 0, 4);
  D3DXVECTOR4 u4;
  EXPECT_FLOAT_EQ(D3DXVec4Length(&v4), 5);
  EXPECT_TRUE(Near(*D3DXVec4Normalize(&u4, &v4), D3DXVECTOR4(0, 0.6f, 0, 0.8f)));
}

TEST(D3dxMath, VectorProductsAndBlends) {
  const D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0), a(1, 2, 3), b(-2, 0, 5);
  D3DXVECTOR3 r;
  EXPECT_EQ(*D3DXVec3Cross(&r, &x, &y), D3DXVECTOR3(0, 0, 1));
  EXPECT_EQ(*D3DXVec3Cross(&r, &y, &x), D3DXVECTOR3(0, 0, -1));
  EXPECT_EQ(*D3DXVec3Cross(&r, &a, &a), D3DXVECTOR3(0, 0, 0));
  EXPECT_FLOAT_EQ(D3DXVec3Dot(&a, &b), 13);
  EXPECT_EQ(*D3DXVec3Lerp(&r, &a, &b, 0.5f), D3DXVECTOR3(-0.5f, 1, 4));
  EXPECT_EQ(*D3DXVec3Lerp(&r, &a, &b, 2.0f), D3DXVECTOR3(-5, -2, 7));
  EXPECT_EQ(*D3DXVec3Maximize(&r, &a, &b), D3DXVECTOR3(1, 2, 5));
  EXPECT_EQ(*D3DXVec3Minimize(&r, &a, &b), D3DXVECTOR3(-2, 0, 3));
  EXPECT_EQ(*D3DXVec3Add(&r, &a, &b), D3DXVECTOR3(-1, 2, 8));
  EXPECT_EQ(*D3DXVec3Subtract(&r, &a, &b), D3DXVECTOR3(3, 2, -2));
  EXPECT_EQ(*D3DXVec3Scale(&r, &a, -1), D3DXVECTOR3(-1, -2, -3));
}

TEST(D3dxMath, TransformsOfPointsAndDirections) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, 10, 20, 30);
  const D3DXVECTOR3 v(1, 2, 3);
  D3DXVECTOR3 r;
  D3DXVECTOR4 r4;
  EXPECT_EQ(*D3DXVec3TransformCoord(&r, &v, &m), D3DXVECTOR3(11, 22, 33));
  EXPECT_EQ(*D3DXVec3TransformNormal(&r, &v, &m), v);  // translation does not move a direction
  EXPECT_EQ(*D3DXVec3Transform(&r4, &v, &m), D3DXVECTOR4(11, 22, 33, 1));

  // A fourth column that makes w = 2: TransformCoord divides by it, Transform keeps it.
  D3DXMatrixIdentity(&m);
  m._44 = 2;
  EXPECT_EQ(*D3DXVec3TransformCoord(&r, &v, &m), D3DXVECTOR3(0.5f, 1, 1.5f));
  EXPECT_EQ(*D3DXVec3Transform(&r4, &v, &m), D3DXVECTOR4(1, 2, 3, 2));
  const D3DXVECTOR4 v4(1, 2, 3, 0);
  EXPECT_EQ(*D3DXVec4Transform(&r4, &v4, &m), D3DXVECTOR4(1, 2, 3, 0));
}

TEST(D3dxMath, MultiplyAppliesTheLeftMatrixFirst) {
  D3DXMATRIX move, turn, both;
  D3DXMatrixTranslation(&move, 1, 0, 0);
  D3DXMatrixRotationZ(&turn, kHalfPi);
  D3DXMatrixMultiply(&both, &move, &turn);
  EXPECT_TRUE(Near(Coord({1, 0, 0}, both), {0, 2, 0}));  // moved to (2, 0, 0), then turned
  EXPECT_TRUE(Near(Coord({1, 0, 0}, turn * move), {1, 1, 0}));
  D3DXMATRIX product = move;
  product *= turn;
  EXPECT_EQ(product, both);
  D3DXMatrixMultiply(&move, &move, &turn);  // output aliasing an input
  EXPECT_EQ(move, both);
}

TEST(D3dxMath, AxisRotations) {
  D3DXMATRIX rx, ry, rz, axis;
  D3DXMatrixRotationX(&rx, kHalfPi);
  D3DXMatrixRotationY(&ry, kHalfPi);
  D3DXMatrixRotationZ(&rz, kHalfPi);
  struct Case {
    const D3DXMATRIX* m;
    D3DXVECTOR3 axis, in, out;
  };
  const Case cases[] = {
      {&rx, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
      {&ry, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
      {&rz, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(Near(Coord(c.in, *c.m), c.out));
    const D3DXVECTOR3 longAxis = c.axis * 3.0f;  // the axis need not be of unit length
    D3DXMatrixRotationAxis(&axis, &longAxis, kHalfPi);
    EXPECT_TRUE(Near(axis, *c.m));
  }
  D3DXMATRIX ypr;
  D3DXMatrixRotationYawPitchRoll(&ypr, 0.3f, -0.7f, 1.1f);
  D3DXMatrixRotationZ(&rz, 1.1f);
  D3DXMatrixRotationX(&rx, -0.7f);
  D3DXMatrixRotationY(&ry, 0.3f);
  EXPECT_TRUE(Near(ypr, rz * rx * ry));
}

TEST(D3dxMath, ScalingTranslationTransposeDeterminant) {
  D3DXMATRIX s, t, tt;
  D3DXMatrixScaling(&s, 2, 3, 4);
  EXPECT_EQ(Coord({1, 1, 1}, s), D3DXVECTOR3(2, 3, 4));
  EXPECT_FLOAT_EQ(D3DXMatrixDeterminant(&s), 24);
  D3DXMatrixTranslation(&t, 5, 6, 7);
  EXPECT_EQ(t._41, 5);
  EXPECT_EQ(t._43, 7);
  D3DXMatrixTranspose(&tt, &t);
  EXPECT_EQ(tt._14, 5);
  EXPECT_EQ(tt._41, 0);
  EXPECT_FALSE(D3DXMatrixIsIdentity(&s));
  const D3DXMATRIX identity = Identity();
  EXPECT_TRUE(D3DXMatrixIsIdentity(&identity));
  EXPECT_FALSE(D3DXMatrixIsIdentity(&t));
}

TEST(D3dxMath, InverseOfInvertibleMatrices) {
  D3DXMATRIX a, b, c, m, inverse;
  D3DXMatrixRotationYawPitchRoll(&a, 0.4f, 1.2f, -0.5f);
  D3DXMatrixScaling(&b, 2, 0.5f, 4);
  D3DXMatrixTranslation(&c, -3, 7, 1);
  const D3DXMATRIX cases[] = {Identity(), a, b, c, a * b * c};
  for (const D3DXMATRIX& each : cases) {
    float det = 0;
    ASSERT_EQ(D3DXMatrixInverse(&inverse, &det, &each), &inverse);
    EXPECT_NEAR(det, D3DXMatrixDeterminant(&each), 1e-5f);
    EXPECT_TRUE(Near(each * inverse, Identity()));
  }
  m = b;
  ASSERT_NE(D3DXMatrixInverse(&m, nullptr, &m), nullptr);  // in place, no determinant wanted
  EXPECT_TRUE(Near(m, D3DXMATRIX(0.5f, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 1)));
}

TEST(D3dxMath, InverseOfSingularMatricesFails) {
  D3DXMATRIX flat;
  D3DXMatrixScaling(&flat, 1, 0, 1);
  const D3DXMATRIX cases[] = {
      D3DXMATRIX(),                                                      // zero
      flat, D3DXMATRIX(1, 2, 3, 0, 2, 4, 6, 0, 0, 0, 1, 0, 0, 0, 0, 1),  // two dependent rows
  };
  for (const D3DXMATRIX& each : cases) {
    D3DXMATRIX out(1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1);
    const D3DXMATRIX before = out;
    float det = 5;
    EXPECT_EQ(D3DXMatrixInverse(&out, &det, &each), nullptr);
    EXPECT_EQ(det, 0.0f);
    EXPECT_EQ(out, before);
  }
}

TEST(D3dxMath, TransformationComposesScalingRotationTranslation) {
  const D3DXVECTOR3 scaling(2, 2, 2), scalingCenter(1, 0, 0), rotationCenter(0, 1, 0), translation(0, 0, 5);
  const D3DXQUATERNION turn = AxisAngle({0, 0, 1}, kHalfPi);
  D3DXMATRIX m;
  // (2, 0, 0): scaled about (1, 0, 0) to (3, 0, 0); turned about (0, 1, 0) to (1, 4, 0); moved to (1, 4, 5).
  D3DXMatrixTransformation(&m, &scalingCenter, nullptr, &scaling, &rotationCenter, &turn, &translation);
  EXPECT_TRUE(Near(Coord({2, 0, 0}, m), {1, 4, 5}));
  // Everything NULL: the identity.
  D3DXMatrixTransformation(&m, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(D3DXMatrixIsIdentity(&m));
  // A scaling turned by 90° about z scales along y what it would have scaled along x.
  const D3DXVECTOR3 stretchX(3, 1, 1);
  D3DXMatrixTransformation(&m, nullptr, &turn, &stretchX, nullptr, nullptr, nullptr);
  EXPECT_TRUE(Near(Coord({1, 1, 1}, m), {1, 3, 1}));
}

TEST(D3dxMath, LookAtAndPerspective) {
  const D3DXVECTOR3 eye(1, 2, 3), at(1, 2, 10), up(0, 1, 0);
  D3DXMATRIX view, projection;
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  EXPECT_TRUE(Near(Coord(eye, view), {0, 0, 0}));
  EXPECT_TRUE(Near(Coord(at, view), {0, 0, 7}));
  EXPECT_TRUE(Near(Coord({2, 2, 3}, view), {1, 0, 0}));  // +x stays to the right
  EXPECT_TRUE(Near(Coord({1, 3, 3}, view), {0, 1, 0}));

  D3DXMatrixPerspectiveFovLH(&projection, kHalfPi, 2.0f, 1.0f, 11.0f);
  EXPECT_TRUE(Near(Coord({0, 0, 1}, projection), {0, 0, 0}));
  EXPECT_TRUE(Near(Coord({0, 0, 11}, projection), {0, 0, 1}));
  EXPECT_TRUE(Near(Coord({0, 1, 1}, projection), {0, 1, 0}));  // tan(45°) = 1 at the top
  EXPECT_TRUE(Near(Coord({2, 0, 1}, projection), {1, 0, 0}));  // aspect 2
  EXPECT_EQ(projection._34, 1.0f);
  EXPECT_EQ(projection._44, 0.0f);
}

TEST(D3dxMath, QuaternionFromAxisAndToMatrix) {
  const D3DXVECTOR3 axis(1, 2, -2);
  const float angle = 0.9f;
  D3DXMATRIX byAxis;
  D3DXMatrixRotationAxis(&byAxis, &axis, angle);
  const D3DXQUATERNION q = AxisAngle(axis, angle);
  EXPECT_FLOAT_EQ(D3DXQuaternionLength(&q), 1);
  EXPECT_TRUE(Near(FromQuaternion(q), byAxis));
  EXPECT_TRUE(Near(AxisAngle({0, 0, 1}, kHalfPi), {0, 0, 1 / kRoot2, 1 / kRoot2}));

  D3DXVECTOR3 gotAxis;
  float gotAngle = 0;
  D3DXQuaternionToAxisAngle(&q, &gotAxis, &gotAngle);
  EXPECT_NEAR(gotAngle, angle, 1e-5f);
  D3DXVec3Normalize(&gotAxis, &gotAxis);
  EXPECT_TRUE(Near(gotAxis, D3DXVECTOR3(1, 2, -2) / 3.0f));
  D3DXQUATERNION identity;
  D3DXQuaternionIdentity(&identity);
  EXPECT_TRUE(D3DXQuaternionIsIdentity(&identity));
  D3DXQuaternionToAxisAngle(&identity, &gotAxis, &gotAngle);
  EXPECT_EQ(gotAngle, 0.0f);
  EXPECT_EQ(gotAxis, D3DXVECTOR3(0, 0, 0));
}

TEST(D3dxMath, QuaternionFromMatrixRoundTrips) {
  // Angles up to a half turn reach every branch of the conversion.
  const struct {
    D3DXVECTOR3 axis;
    float angle;
  } cases[] = {
      {{0, 0, 1}, 0.0f},    {{1, 0, 0}, 0.5f},    {{0, 1, 0}, 2.5f}, {{1, 0, 0}, D3DX_PI},
      {{0, 1, 0}, D3DX_PI}, {{0, 0, 1}, D3DX_PI}, {{1, 1, 1}, 3.0f}, {{-1, 2, 0.5f}, 1.7f},
  };
  for (const auto& c : cases) {
    const D3DXQUATERNION q = AxisAngle(c.axis, c.angle);
    const D3DXMATRIX m = FromQuaternion(q);
    D3DXQUATERNION back;
    D3DXQuaternionRotationMatrix(&back, &m);
    // q and −q are the same rotation.
    EXPECT_TRUE(Near(back, q, 1e-4f) || Near(back, -q, 1e-4f)) << c.angle;
    EXPECT_TRUE(Near(FromQuaternion(back), m, 1e-4f));
  }
}

TEST(D3dxMath, QuaternionMultiplyIsFirstThenSecond) {
  const D3DXQUATERNION q1 = AxisAngle({0, 0, 1}, kHalfPi), q2 = AxisAngle({1, 0, 0}, kHalfPi);
  D3DXQUATERNION both;
  D3DXQuaternionMultiply(&both, &q1, &q2);
  EXPECT_TRUE(Near(FromQuaternion(both), FromQuaternion(q1) * FromQuaternion(q2)));
  // x turned a quarter about z gives y, then a quarter about x gives z.
  EXPECT_TRUE(Near(Coord({1, 0, 0}, FromQuaternion(both)), {0, 0, 1}));
  EXPECT_TRUE(Near(q1 * q2, both));
  D3DXQUATERNION inPlace = q1;
  D3DXQuaternionMultiply(&inPlace, &inPlace, &q2);
  EXPECT_TRUE(Near(inPlace, both));
}

TEST(D3dxMath, QuaternionNormalize) {
  D3DXQUATERNION q(0, 3, 0, 4), zero;
  EXPECT_TRUE(Near(*D3DXQuaternionNormalize(&q, &q), {0, 0.6f, 0, 0.8f}));
  EXPECT_TRUE(Near(*D3DXQuaternionNormalize(&zero, &zero), {0, 0, 0, 0}));
}

TEST(D3dxMath, Slerp) {
  const D3DXQUATERNION identity(0, 0, 0, 1), quarter = AxisAngle({0, 0, 1}, kHalfPi);
  const D3DXQUATERNION half(0, 1, 0, 0);  // a half turn about y
  struct Case {
    D3DXQUATERNION q1, q2;
    float t;
    D3DXQUATERNION expected;
  };
  const Case cases[] = {
      {identity, quarter, 0.0f, identity},
      {identity, quarter, 1.0f, quarter},
      {identity, quarter, 0.5f, AxisAngle({0, 0, 1}, kHalfPi / 2)},
      {identity, half, 0.5f, AxisAngle({0, 1, 0}, kHalfPi)},          // orthogonal in four dimensions
      {quarter, quarter, 0.3f, quarter},                              // equal
      {quarter, -quarter, 0.3f, quarter},                             // opposite signs, one rotation
      {identity, -quarter, 0.5f, AxisAngle({0, 0, 1}, kHalfPi / 2)},  // the shorter arc
  };
  for (const Case& c : cases) {
    D3DXQUATERNION r;
    D3DXQuaternionSlerp(&r, &c.q1, &c.q2, c.t);
    EXPECT_TRUE(Near(r, c.expected)) << c.t;
    EXPECT_NEAR(D3DXQuaternionLength(&r), 1.0f, 1e-5f);
  }
}

TEST(D3dxMath, Planes) {
  D3DXPLANE p;
  const D3DXVECTOR3 o(0, 0, 2), x(1, 0, 2), y(0, 1, 2);
  EXPECT_TRUE(Near(*D3DXPlaneFromPoints(&p, &o, &x, &y), {0, 0, 1, -2}));
  EXPECT_TRUE(Near(*D3DXPlaneFromPoints(&p, &o, &y, &x), {0, 0, -1, 2}));  // the winding turns the normal
  const D3DXVECTOR3 far(3, 0, 2);
  EXPECT_TRUE(Near(*D3DXPlaneFromPoints(&p, &o, &x, &far), {0, 0, 0, 0}));  // points on one line

  const D3DXVECTOR3 point(1, 1, 1), normal(0, 2, 0);
  D3DXPlaneFromPointNormal(&p, &point, &normal);
  EXPECT_TRUE(Near(p, {0, 2, 0, -2}));
  const D3DXVECTOR3 q(5, 4, -1);
  EXPECT_FLOAT_EQ(D3DXPlaneDotCoord(&p, &q), 6);
  EXPECT_FLOAT_EQ(D3DXPlaneDotNormal(&p, &q), 8);
  const D3DXVECTOR4 q4(5, 4, -1, 0.5f);
  EXPECT_FLOAT_EQ(D3DXPlaneDot(&p, &q4), 7);
  EXPECT_TRUE(Near(*D3DXPlaneNormalize(&p, &p), {0, 1, 0, -1}));
  const D3DXPLANE zero;
  EXPECT_TRUE(Near(*D3DXPlaneNormalize(&p, &zero), {0, 0, 0, 0}));
}

TEST(D3dxMath, Colors) {
  const D3DXCOLOR c(0x80FF4000u);
  EXPECT_FLOAT_EQ(c.a, 128 / 255.0f);
  EXPECT_FLOAT_EQ(c.r, 1);
  EXPECT_FLOAT_EQ(c.g, 64 / 255.0f);
  EXPECT_FLOAT_EQ(c.b, 0);
  EXPECT_EQ(static_cast<DWORD>(c), 0x80FF4000u);
  EXPECT_EQ(static_cast<DWORD>(D3DXCOLOR(2.0f, -1.0f, 0.5f, 1.0f)), 0xFFFF0080u);  // clamped, rounded
  const D3DCOLORVALUE& value = c;
  EXPECT_EQ(value.g, c.g);
  EXPECT_EQ(D3DXCOLOR(1, 2, 3, 4) * 2.0f, D3DXCOLOR(2, 4, 6, 8));
}

TEST(D3dxMath, FvfVertexSizes) {
  const struct {
    DWORD fvf;
    UINT size;
  } cases[] = {
      {0x002, 12},
      {0x112, 32},
      {0x004 | 0x040 | 0x100, 28},
      {0x006, 16},
      {0x00E, 32},
      {0x002 | 0x010 | 0x020 | 0x040 | 0x080, 36},
      {0x000, 0},
      {0x002 | 0x200 | (1u << 16) | (3u << 18), 12 + 12 + 4},  // a 3-float and a 1-float set
  };
  for (const auto& c : cases) EXPECT_EQ(D3DXGetFVFVertexSize(c.fvf), c.size) << std::hex << c.fvf;
}

TEST(D3dxMath, BoundingBoxAndSphereOfStridedVertices) {
  // Vertices of format 0x112: position, normal, one texture pair.
  struct Vertex {
    float x, y, z, nx, ny, nz, u, v;
  };
  const Vertex vertices[] = {
      {-1, 0, 2, 9, 9, 9, 9, 9}, {3, -2, 0, -9, -9, -9, -9, -9}, {1, 4, 1, 0, 0, 0, 0, 0}, {1, 1, -1, 0, 0, 0, 0, 0}};
  D3DXVECTOR3 min, max, center;
  float radius = 0;
  ASSERT_EQ(D3DXComputeBoundingBox(vertices, 4, 0x112, &min, &max), S_OK);
  EXPECT_EQ(min, D3DXVECTOR3(-1, -2, -1));
  EXPECT_EQ(max, D3DXVECTOR3(3, 4, 2));
  ASSERT_EQ(D3DXComputeBoundingSphere(vertices, 4, 0x112, &center, &radius), S_OK);
  EXPECT_TRUE(Near(center, {1, 0.75f, 0.5f}));
  EXPECT_FLOAT_EQ(radius, std::sqrt(4 + 2.75f * 2.75f + 0.25f));  // (3, −2, 0) is farthest

  ASSERT_EQ(D3DXComputeBoundingBox(vertices, 1, 0x112, &min, &max), S_OK);
  EXPECT_EQ(min, max);
  ASSERT_EQ(D3DXComputeBoundingSphere(vertices, 1, 0x112, &center, &radius), S_OK);
  EXPECT_EQ(radius, 0.0f);

  EXPECT_EQ(D3DXComputeBoundingBox(vertices, 0, 0x112, &min, &max), E_INVALIDARG);
  EXPECT_EQ(D3DXComputeBoundingBox(nullptr, 4, 0x112, &min, &max), E_INVALIDARG);
  EXPECT_EQ(D3DXComputeBoundingBox(vertices, 4, 0x010, &min, &max), E_INVALIDARG);  // no position
  EXPECT_EQ(D3DXComputeBoundingSphere(vertices, 0, 0x112, &center, &radius), E_INVALIDARG);
}

}  // namespace
