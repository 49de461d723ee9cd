#include "vectortransforms.h"

#include <gtest/gtest.h>

#include <cmath>

#include "math_expect.h"

using math_expect::Near;

namespace {

const float kRoot2 = std::sqrt(2.0f);

D3DXVECTOR3 Coord(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 r;
  return *D3DXVec3TransformCoord(&r, &v, &m);
}

D3DXVECTOR3 Normal(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 r;
  return *D3DXVec3TransformNormal(&r, &v, &m);
}

D3DXMATRIX Identity() {
  D3DXMATRIX m;
  return *D3DXMatrixIdentity(&m);
}

TEST(Rotations, ShortestArcQuaternion) {
  const D3DXVECTOR3 yAxis(0, 1, 0);
  const struct {
    D3DXVECTOR3 from, to;
    D3DXQUATERNION q;
  } cases[] = {
      {{1, 0, 0}, {2, 0, 0}, {0, 0, 0, 1}},                       // same direction
      {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0, std::cos(D3DX_PI / 2)}},  // opposite: half turn about the axis
      {{1, 0, 0}, {0, 1, 0}, {0, 0, 1 / kRoot2, 1 / kRoot2}},
      {{0, 0, 3}, {0, 5, 0}, {-1 / kRoot2, 0, 0, 1 / kRoot2}},
  };
  for (const auto& c : cases) {
    D3DXQUATERNION q(9, 9, 9, 9);
    GetRotationQuaternion(q, &c.from, &c.to, &yAxis);
    EXPECT_TRUE(Near(q, c.q));
  }
  // Without an axis, opposite directions leave q as it was.
  D3DXVECTOR3 from(0, 0, 1), to(0, 0, -4);
  D3DXQUATERNION q(1, 2, 3, 4);
  GetRotationQuaternion(q, &from, &to);
  EXPECT_EQ(q, D3DXQUATERNION(1, 2, 3, 4));
}

TEST(Rotations, OrientationChange) {
  D3DXMATRIX m;
  D3DXQUATERNION q;
  const struct {
    D3DXVECTOR3 dir, up, newDir, newUp;
  } cases[] = {
      {{0, 0, 1}, {0, 1, 0}, {0, 0, 1}, {0, 1, 0}},  // unchanged: identity
      {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {0, 1, 0}},
      {{0, 0, 1}, {0, 1, 0}, {0, 0, -1}, {0, 1, 0}},  // opposite direction
      {{0, 0, 1}, {0, 1, 0}, {0, 1, 0}, {0, 0, -1}},
      {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {-1, 0, 0}},
  };
  for (const auto& c : cases) {
    GetRotationTransform(&m, &c.dir, &c.up, &c.newDir, &c.newUp);
    EXPECT_TRUE(Near(Normal(c.dir, m), c.newDir));
    EXPECT_TRUE(Near(Normal(c.up, m), c.newUp));
    // The quaternion form is the same rotation.
    GetRotationQuaternion(q, &c.dir, &c.up, &c.newDir, &c.newUp);
    D3DXMATRIX fromQ;
    EXPECT_TRUE(Near(*D3DXMatrixRotationQuaternion(&fromQ, &q), m));
  }
  GetRotationTransform(&m, &cases[0].dir, &cases[0].up, &cases[0].newDir, &cases[0].newUp);
  EXPECT_TRUE(Near(m, Identity()));
}

TEST(Transforms, ScaleTurnAndMoveAboutACentre) {
  D3DXVECTOR3 translation(0, 0, 10), centre(1, 1, 0), dir(1, 0, 0), up(0, 1, 0), newDir(0, 1, 0), newUp(-1, 0, 0),
      scaling(2, 2, 2);
  D3DXMATRIX m, pfs;
  MatrixTransformation(&m, &translation, &centre, &dir, &up, &newDir, &newUp, &scaling);
  // (2, 1, 0): scaled about (1, 1, 0) to (3, 1, 0), a quarter turn about z around the centre to (1, 3, 0),
  // moved to (1, 3, 10). The centre itself only moves.
  EXPECT_TRUE(Near(Coord({2, 1, 0}, m), {1, 3, 10}));
  EXPECT_TRUE(Near(Coord(centre, m), {1, 1, 10}));
  ComputeTransformMatrixPFS(pfs, &translation, &centre, &dir, &up, &newDir, &newUp);
  EXPECT_TRUE(Near(Coord({2, 1, 0}, pfs), {1, 2, 10}));
}

TEST(Transforms, CameraMatrixLooksAtTheTarget) {
  const D3DXVECTOR3 position(1, 2, 3);
  const struct {
    D3DXVECTOR3 target;
  } cases[] = {{{1, 2, 10}}, {{5, 2, 3}}, {{1, 2, -4}}};  // ahead, right, straight back
  for (const auto& c : cases) {
    D3DXMATRIX m;
    FromVectorCameraToMatrix(&m, &position, &c.target);
    EXPECT_TRUE(Near(Coord({0, 0, 0}, m), position));
    D3DXVECTOR3 view = c.target - position, ahead;
    D3DXVec3Normalize(&view, &view);
    ahead = Normal({0, 0, 1}, m);
    EXPECT_TRUE(Near(ahead, view));
  }
}

TEST(Transforms, TranslationRowAndInverse) {
  D3DXMATRIX m;
  D3DXMatrixRotationY(&m, 0.5f);
  m._41 = 4;
  m._42 = 5;
  m._43 = 6;
  const D3DXMATRIX original = m;
  D3DXVECTOR3 t;
  RemoveTranslationComponent(&m, &t);
  EXPECT_EQ(t, D3DXVECTOR3(4, 5, 6));
  EXPECT_EQ(m._41 + m._42 + m._43, 0.0f);
  SetTranslationComponent(&m, &t);
  EXPECT_EQ(m, original);

  EXPECT_TRUE(Near(ComputeInverseTransform(&m) * m, Identity()));
  D3DXMATRIX singular;
  D3DXMatrixScaling(&singular, 1, 1, 0);
  EXPECT_EQ(ComputeInverseTransform(&singular), D3DXMATRIX());
}

TEST(Bounds, BoxOfPointsAndCorners) {
  D3DXVECTOR3 points[] = {{1, 2, 3}, {-1, 5, 0}, {2, -2, 1}, {2, 5, 3}};
  D3DXVECTOR3 min, max, corners[8];
  ComputeBoundingBox(points, 4, &min, &max, corners);
  EXPECT_EQ(min, D3DXVECTOR3(-1, -2, 0));
  EXPECT_EQ(max, D3DXVECTOR3(2, 5, 3));
  const D3DXVECTOR3 expected[8] = {{2, 5, 3},  {2, 5, 0},  {2, -2, 3},  {2, -2, 0},
                                   {-1, 5, 3}, {-1, 5, 0}, {-1, -2, 3}, {-1, -2, 0}};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(corners[i], expected[i]) << i;

  ComputeBoundingBox(points, 1, &min, &max, corners);  // one point
  EXPECT_EQ(min, points[0]);
  EXPECT_EQ(max, points[0]);
  for (const D3DXVECTOR3& c : corners) EXPECT_EQ(c, points[0]);

  ComputeBoundingBox(points, 0, &min, &max, corners);  // none: zeros, nothing read
  EXPECT_EQ(min, D3DXVECTOR3());
  EXPECT_EQ(corners[BoxBackTopRight], D3DXVECTOR3());
}

TEST(Bounds, VerticesCentreSphere) {
  D3DVERTEX vertices[] = {{0, 0, 0, 9, 9, 9, 9, 9}, {4, 2, 0, 0, 0, 0, 0, 0}, {4, 0, 6, 0, 0, 0, 0, 0}};
  D3DXVECTOR3 min, max, corners[8], centre;
  ComputeBoundingBox(vertices, 3, &min, &max, corners);
  EXPECT_EQ(min, D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(max, D3DXVECTOR3(4, 2, 6));
  EXPECT_EQ(corners[BoxFrontBottomLeft], min);
  ComputeBoundingBoxCenter(vertices, 3, centre);
  EXPECT_EQ(centre, D3DXVECTOR3(2, 1, 3));
  float radius = -1;
  ComputeBoundingSphere(vertices, 3, &min, &max, &centre, &radius);
  EXPECT_EQ(centre, D3DXVECTOR3(2, 1, 3));
  EXPECT_FLOAT_EQ(radius, std::sqrt(14.0f));
  ComputeBoundingSphere(vertices, 0, &min, &max, &centre, &radius);
  EXPECT_EQ(radius, 0.0f);
}

TEST(Bounds, FacesTurnedAwayFromTheCentre) {
  // A tetrahedron; faces listed with both windings.
  D3DVERTEX v[] = {
      {0, 0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0, 0, 0}, {0, 0, 1, 0, 0, 0, 0, 0}};
  WORD indices[] = {0, 1, 2,   // normal +z: toward the centre, swapped
                    0, 2, 1,   // normal −z: away, kept
                    0, 3, 1,   // normal +y... (3−0)×(1−0) = (0,1,0): toward, swapped
                    0, 9, 1};  // names a vertex that does not exist: left alone
  SetFaceVerticesOrderingClockwise(v, 4, indices, 4);
  const WORD expected[] = {0, 2, 1, 0, 2, 1, 0, 1, 3, 0, 9, 1};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(indices[i], expected[i]) << i;
}

}  // namespace
