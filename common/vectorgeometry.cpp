#include "vectorgeometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "tracelog.h"
#include "vectortransforms.h"

bool ComputeTriangleArea(float& area, float a, float b, float c) {
  if (a < b) std::swap(a, b);
  if (b < c) std::swap(b, c);
  if (a < b) std::swap(a, b);
  if (c - (a - b) < 0.0f) return false;
  area = 0.25f * std::sqrt((a + (b - c)) * (c + (a - b)) * (c - (a - b)) * (a + (b + c)));
  return true;
}

bool ComputeTriangleBasedPyramidVolume(float& volume, float a, float b, float c, float height) {
  float area = 0.0f;
  if (!ComputeTriangleArea(area, a, b, c)) return false;
  volume = static_cast<float>(static_cast<double>(area) * height / 3.0);
  return true;
}

bool ComputeTriangleSideOppositeAngleC(float& angle, float a, float b, float c) {
  if (a < b) std::swap(a, b);
  const float mu = b >= c ? c - (a - b) : b - (a - c);
  const float num = ((a - b) + c) * mu;
  const float den = ((a - c) + b) * (a + b + c);
  if (num < 0.0f || (num == 0.0f && den == 0.0f)) return false;
  if (den == 0.0f) {  // c = a + b: the limit of the formula
    angle = D3DX_PI;
    return true;
  }
  if (num / den < 0.0f) return false;
  angle = 2.0f * std::atan(std::sqrt(num / den));
  return true;
}

namespace {

// Fills out from the roots of qa·t² + qb·t + qc for the line origin + t · d.
bool SolveLineSphere(SLineSphereIntersection& out, const D3DXVECTOR3& origin, const D3DXVECTOR3& d, float qa, float qb,
                     float qc) {
  const float disc = qb * qb - 4.0f * qa * qc;
  if (disc == 0.0f) {
    out.dwCount = 1;
    out.vFirst = origin + d * (-qb / (2.0f * qa));
  } else if (disc > 0.0f) {
    const float root = std::sqrt(disc);
    out.dwCount = 2;
    out.vFirst = origin + d * ((-qb - root) / (2.0f * qa));
    out.vSecond = origin + d * ((-qb + root) / (2.0f * qa));
  }
  return disc >= 0.0f;
}

}  // namespace

bool GetLineSphereIntersection(SLineSphereIntersection& out, D3DXVECTOR3* centre, float radius, D3DXVECTOR3* p1,
                               D3DXVECTOR3* p2) {
  out = SLineSphereIntersection{};
  const D3DXVECTOR3 d = *p2 - *p1, fromCentre = *p1 - *centre;
  const float qa = D3DXVec3Dot(&d, &d);
  const float qb = 2.0f * D3DXVec3Dot(&fromCentre, &d);
  const float qc = D3DXVec3Dot(centre, centre) + D3DXVec3Dot(p1, p1) - 2.0f * D3DXVec3Dot(centre, p1) - radius * radius;
  return SolveLineSphere(out, *p1, d, qa, qb, qc);
}

bool GetLineSphereIntersection2(SLineSphereIntersection& out, D3DXVECTOR3* centre, float radius, D3DXVECTOR3* origin,
                                D3DXVECTOR3* direction) {
  out = SLineSphereIntersection{};
  const D3DXVECTOR3 o = *origin - *centre;  // in the sphere's frame
  const float qa = D3DXVec3Dot(direction, direction);
  const float qb = 2.0f * D3DXVec3Dot(&o, direction);
  const float qc = D3DXVec3Dot(&o, &o) - radius * radius;
  const bool met = SolveLineSphere(out, o, *direction, qa, qb, qc);
  if (out.dwCount >= 1) out.vFirst += *centre;
  if (out.dwCount == 2) out.vSecond += *centre;
  return met;
}

ERayPlaneIntersection GetRayPlaneIntersection(D3DXVECTOR3* out, D3DXPLANE* plane, D3DXVECTOR3* origin,
                                              D3DXVECTOR3* direction) {
  *out = D3DXVECTOR3();
  const float s = D3DXPlaneDotCoord(plane, origin);
  const float k = D3DXPlaneDotNormal(plane, direction);
  if (k == 0.0f) return RayPlaneNone;
  if (s == 0.0f) return RayPlaneOriginOnPlane;
  *out = *origin + *direction * (-s / k);
  return RayPlanePoint;
}

namespace {

// The axis in which the normal is largest, ties going to x, then y.
int DominantAxis(const D3DXVECTOR3& n) {
  const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
  if (ax >= ay && ax >= az) return 0;
  if (ay >= ax && ay >= az) return 1;
  return 2;
}

// True when hit lies on the inner side (or on the line) of every edge of the
// triangle, with side(edge, v) the signed distance measure of v from the edge.
template <class Side>
bool InsideEdges(const D3DXVECTOR3 corners[3], const D3DXVECTOR3& hit, Side side) {
  for (int i = 0; i < 3; ++i) {
    const D3DXVECTOR3& start = corners[i];
    const D3DXVECTOR3 edge = corners[(i + 1) % 3] - start;
    if (side(edge, corners[(i + 2) % 3] - start) * side(edge, hit - start) < 0.0f) return false;
  }
  return true;
}

// The plane step common to both triangle tests; hit is set on RayPlanePoint.
ERayPlaneIntersection TrianglePlaneHit(D3DXVECTOR3& hit, D3DXVECTOR3* vertex0, D3DXVECTOR3* vertex1,
                                       D3DXVECTOR3* vertex2, D3DXVECTOR3* origin, D3DXVECTOR3* direction) {
  D3DXPLANE plane;
  D3DXPlaneFromPoints(&plane, vertex0, vertex1, vertex2);
  return GetRayPlaneIntersection(&hit, &plane, origin, direction);
}

D3DXVECTOR3 TriangleNormal(const D3DXVECTOR3* v0, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2) {
  const D3DXVECTOR3 e1 = *v1 - *v0, e2 = *v2 - *v0;
  D3DXVECTOR3 n;
  return *D3DXVec3Cross(&n, &e1, &e2);
}

}  // namespace

ERayTriangleIntersection GetRayTriangleIntersection2(D3DXVECTOR3* out, D3DXVECTOR3* vertex0, D3DXVECTOR3* vertex1,
                                                     D3DXVECTOR3* vertex2, D3DXVECTOR3* origin,
                                                     D3DXVECTOR3* direction) {
  *out = D3DXVECTOR3();
  D3DXVECTOR3 hit;
  const ERayPlaneIntersection onPlane = TrianglePlaneHit(hit, vertex0, vertex1, vertex2, origin, direction);
  if (onPlane == RayPlaneNone) return RayTriangleMiss;
  if (onPlane == RayPlaneOriginOnPlane) return RayTriangleOriginOnPlane;

  // The two kept coordinates (u, v) across the dominant axis.
  static constexpr int kKept[3][2] = {{2, 1}, {0, 2}, {0, 1}};
  const int* kept = kKept[DominantAxis(TriangleNormal(vertex0, vertex1, vertex2))];
  const D3DXVECTOR3 corners[3] = {*vertex0, *vertex1, *vertex2};
  const bool inside = InsideEdges(corners, hit, [kept](const D3DXVECTOR3& edge, const D3DXVECTOR3& v) {
    const float* e = edge;
    const float* w = v;
    return -e[kept[1]] * w[kept[0]] + e[kept[0]] * w[kept[1]];  // (−ev, eu) · (wu, wv)
  });
  return inside ? RayTriangleHit : RayTriangleMiss;
}

ERayTriangleIntersection GetRayTriangleIntersection(D3DXVECTOR3* out, D3DXVECTOR3* vertex0, D3DXVECTOR3* vertex1,
                                                    D3DXVECTOR3* vertex2, D3DXVECTOR3* origin, D3DXVECTOR3* direction) {
  *out = D3DXVECTOR3();
  D3DXVECTOR3 hit;
  const ERayPlaneIntersection onPlane = TrianglePlaneHit(hit, vertex0, vertex1, vertex2, origin, direction);
  if (onPlane == RayPlaneNone) return RayTriangleMiss;
  if (onPlane == RayPlaneOriginOnPlane) return RayTriangleOriginOnPlane;

  // Flatten along the dominant axis; an edge's normal is its quarter turn
  // about that axis.
  const int dominant = DominantAxis(TriangleNormal(vertex0, vertex1, vertex2));
  D3DXVECTOR3 axis;
  static_cast<float*>(axis)[dominant] = 1.0f;
  D3DXVECTOR3 corners[3] = {*vertex0, *vertex1, *vertex2};
  for (D3DXVECTOR3& corner : corners) static_cast<float*>(corner)[dominant] = 0.0f;
  static_cast<float*>(hit)[dominant] = 0.0f;
  const bool inside = InsideEdges(corners, hit, [&axis](const D3DXVECTOR3& edge, const D3DXVECTOR3& v) {
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &axis, &edge);
    return D3DXVec3Dot(&normal, &v);
  });
  return inside ? RayTriangleHit : RayTriangleMiss;
}

EPointingDirection GetVectorsPointingDirection(D3DXVECTOR3* a, D3DXVECTOR3* b) {
  const float dot = D3DXVec3Dot(a, b);
  if (dot > 0.0f) return PointingSameSide;
  if (dot < 0.0f) return PointingOppositeSides;
  return PointingPerpendicular;
}

float PointLineDistance(D3DXVECTOR3* p, D3DXVECTOR3* a, D3DXVECTOR3* b) {
  const D3DXVECTOR3 v = *b - *a, w = *p - *a;
  const float along = D3DXVec3Dot(&w, &v);
  // Rounding can take a point on the line just below zero.
  return std::sqrt(std::max(0.0f, D3DXVec3Dot(&w, &w) - along * along / D3DXVec3Dot(&v, &v)));
}

namespace {

// The crossings of the line with the box that toBox carries onto
// [0, width] × [0, height] × [0, depth], in world space. A point that two or
// three faces accept (an edge or a corner) is kept once, and at most two are
// kept.
DWORD BoxCrossings(D3DXVECTOR3 out[2], const D3DXMATRIX& toBox, float width, float height, float depth,
                   D3DXVECTOR3* origin, D3DXVECTOR3* direction, bool aheadOnly) {
  D3DXMATRIX fromBox;
  if (!D3DXMatrixInverse(&fromBox, nullptr, &toBox)) {
    DEBUG_TRACE("\nError: D3DXMatrixInverse() failed in GetRayBoxIntersections()");
    return 0;
  }
  D3DXVECTOR3 o, d;
  D3DXVec3TransformCoord(&o, origin, &toBox);
  D3DXVec3TransformNormal(&d, direction, &toBox);

  const float extent[3] = {width, height, depth};
  const float tolerance = 1e-5f * std::max({1.0f, std::fabs(width), std::fabs(height), std::fabs(depth)});
  D3DXVECTOR3 found[2];
  DWORD count = 0;
  for (int face = 0; face < 6 && count < 2; ++face) {
    const int axis = face / 2;
    float normal[3] = {0, 0, 0};
    normal[axis] = 1.0f;
    D3DXPLANE plane(normal[0], normal[1], normal[2], face % 2 ? -extent[axis] : 0.0f);
    D3DXVECTOR3 hit;
    if (GetRayPlaneIntersection(&hit, &plane, &o, &d) != RayPlanePoint) continue;
    bool within = true;
    for (int other = 0; other < 3; ++other) {
      const float value = static_cast<const float*>(hit)[other];
      if (other != axis && !(value >= 0.0f && value <= extent[other])) within = false;
    }
    if (!within) continue;
    D3DXVECTOR3 toHit = hit - o;
    if (aheadOnly && GetVectorsPointingDirection(&d, &toHit) != PointingSameSide) continue;
    if (count == 1) {
      const D3DXVECTOR3 apart = hit - found[0];
      if (D3DXVec3Length(&apart) <= tolerance) continue;
    }
    found[count++] = hit;
  }
  for (DWORD i = 0; i < count; ++i) D3DXVec3TransformCoord(&out[i], &found[i], &fromBox);
  if (count == 2 && out[1].z < out[0].z) std::swap(out[0], out[1]);
  return count;
}

D3DXMATRIX Move(const D3DXVECTOR3& v) {
  D3DXMATRIX m;
  return *D3DXMatrixTranslation(&m, v.x, v.y, v.z);
}

void TraceCorners(const D3DXMATRIX& toBox, const D3DXVECTOR3 corners[8]) {
  for (int i = 0; i < 8; ++i) {
    D3DXVECTOR3 c;
    D3DXVec3TransformCoord(&c, &corners[i], &toBox);
    DEBUG_TRACE("\nInfo: arBoundingBoxCornersMS[%d] = ( %f, %f, %f ).", i, c.x, c.y, c.z);
  }
}

}  // namespace

DWORD GetRayBoxIntersections(D3DXVECTOR3 out[2], D3DXVECTOR3* corner, D3DXVECTOR3* oppositeCorner, float width,
                             float height, float depth, D3DXVECTOR3* origin, D3DXVECTOR3* direction) {
  D3DXMATRIX toBox = Move(-*corner);
  D3DXVECTOR3 moved = *oppositeCorner - *corner, extents(width, height, depth);
  if (moved != extents) {
    D3DXQUATERNION q;
    D3DXQuaternionIdentity(&q);
    GetRotationQuaternion(q, &moved, &extents);
    D3DXVECTOR3 axis;
    float angle = 0.0f;
    D3DXQuaternionToAxisAngle(&q, &axis, &angle);
    D3DXMATRIX rotation;
    toBox *= *D3DXMatrixRotationAxis(&rotation, &axis, angle);
  }
  return BoxCrossings(out, toBox, width, height, depth, origin, direction, false);
}

DWORD GetRayBoxIntersections2(D3DXVECTOR3 out[2], D3DXVECTOR3* first, D3DXVECTOR3* second, D3DXVECTOR3* frontNormal,
                              D3DXVECTOR3* topNormal, float width, float height, float depth, D3DXVECTOR3* origin,
                              D3DXVECTOR3* direction, D3DXVECTOR3 corners[8]) {
  const D3DXVECTOR3 ahead(0, 0, 1), up(0, 1, 0);
  D3DXMATRIX rotation;
  GetRotationTransform(&rotation, frontNormal, topNormal, &ahead, &up);
  D3DXMATRIX toBox = Move(-(*first + *second) / 2.0f) * rotation;
  D3DXVECTOR3 movedFirst;
  D3DXVec3TransformCoord(&movedFirst, first, &toBox);
  toBox *= Move(-movedFirst);
  TraceCorners(toBox, corners);
  return BoxCrossings(out, toBox, width, height, depth, origin, direction, false);
}

DWORD GetRayBoxIntersections3(D3DXVECTOR3 out[2], D3DXVECTOR3* first, D3DXVECTOR3* second, D3DXVECTOR3*, D3DXVECTOR3*,
                              float width, float height, float depth, D3DXVECTOR3* origin, D3DXVECTOR3* direction,
                              D3DXVECTOR3 corners[8]) {
  const D3DXVECTOR3 centre = (*first + *second) / 2.0f, halfDiagonal = *second - centre;
  const D3DXVECTOR3 extents(width, height, depth), halfExtents = extents / 2.0f, halfTurnAxis(0, 0, -1);
  D3DXQUATERNION q;
  GetRotationQuaternion(q, &halfDiagonal, &halfExtents, &halfTurnAxis);
  D3DXMATRIX rotation;
  D3DXMatrixRotationQuaternion(&rotation, &q);
  D3DXVECTOR3 turned;
  D3DXVec3TransformCoord(&turned, &halfDiagonal, &rotation);
  const D3DXMATRIX toBox = Move(-centre) * rotation * Move(extents - turned);
  DEBUG_TRACE("\nInfo: fBoxWidth = %f.", width);
  DEBUG_TRACE("\nInfo: fBoxHeight = %f.", height);
  DEBUG_TRACE("\nInfo: fBoxDepth = %f.", depth);
  TraceCorners(toBox, corners);
  return BoxCrossings(out, toBox, width, height, depth, origin, direction, true);
}

DWORD GetRayBoxIntersections4(D3DXVECTOR3 out[2], D3DXVECTOR3* first, D3DXVECTOR3*, D3DXVECTOR3* frontNormal,
                              D3DXVECTOR3* topNormal, float width, float height, float depth, D3DXVECTOR3* origin,
                              D3DXVECTOR3* direction, D3DXVECTOR3 corners[8]) {
  const D3DXVECTOR3 front(0, 0, -1), up(0, 1, 0);
  D3DXMATRIX rotation;
  GetRotationTransform(&rotation, frontNormal, topNormal, &front, &up);
  D3DXMATRIX toBox = Move(-*first) * rotation;
  D3DXVECTOR3 moved[8], lo, hi, movedCorners[8];
  for (int i = 0; i < 8; ++i) D3DXVec3TransformCoord(&moved[i], &corners[i], &toBox);
  ComputeBoundingBox(moved, 8, &lo, &hi, movedCorners);
  static const char* const kNames[8] = {"BackTopRight", "FrontTopRight", "BackBottomRight", "FrontBottomRight",
                                        "BackTopLeft",  "FrontTopLeft",  "BackBottomLeft",  "FrontBottomLeft"};
  for (int i = 0; i < 8; ++i)
    DEBUG_TRACE("\nInfo: %s = ( %f, %f, %f ).", kNames[i], moved[i].x, moved[i].y, moved[i].z);
  toBox *= Move(-lo);
  return BoxCrossings(out, toBox, width, height, depth, origin, direction, true);
}
