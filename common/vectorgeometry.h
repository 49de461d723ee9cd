// Triangle measures, line-sphere, ray-plane, ray-triangle and ray-box tests.
// Stateless; safe on any thread.
#pragma once

#include <d3dx8math.h>

// The points where a line meets a sphere.
struct SLineSphereIntersection {
  DWORD dwCount;        // 0 none, 1 the line touches the sphere, 2 it passes through
  D3DXVECTOR3 vFirst;   // the point of smaller line parameter, or the touching point
  D3DXVECTOR3 vSecond;  // the point of larger parameter; zero unless dwCount is 2
};
static_assert(sizeof(SLineSphereIntersection) == 28);

// The sign of the dot product of two vectors.
enum EPointingDirection {
  PointingSameSide = 0,       // above 0
  PointingOppositeSides = 1,  // below 0
  PointingPerpendicular = 2,  // exactly 0
};

enum ERayPlaneIntersection {
  RayPlaneNone = 0,           // the ray is parallel to the plane or lies in it
  RayPlanePoint = 1,          // a point was computed
  RayPlaneOriginOnPlane = 2,  // the origin lies on the plane and the ray crosses it
};

enum ERayTriangleIntersection {
  RayTriangleMiss = 0,
  RayTriangleHit = 1,            // inside the triangle or on its border
  RayTriangleOriginOnPlane = 2,  // the origin lies on the triangle's plane
};

// Triangle measures from side lengths. False, with the output untouched, when
// the sides break the triangle inequality.
bool ComputeTriangleArea(float& area, float a, float b, float c);
bool ComputeTriangleBasedPyramidVolume(float& volume, float a, float b, float c, float height);
// The angle in radians opposite side c; π for c = a + b.
bool ComputeTriangleSideOppositeAngleC(float& angle, float a, float b, float c);

// The line through p1 and p2 (which must differ). True when it meets the sphere.
bool GetLineSphereIntersection(SLineSphereIntersection& out, D3DXVECTOR3* centre, float radius, D3DXVECTOR3* p1,
                               D3DXVECTOR3* p2);
// The line origin + t · direction (direction not zero). True when it meets the sphere.
bool GetLineSphereIntersection2(SLineSphereIntersection& out, D3DXVECTOR3* centre, float radius, D3DXVECTOR3* origin,
                                D3DXVECTOR3* direction);

// The whole line origin + t · direction against the plane; t may be negative.
// out is zero unless the result is RayPlanePoint.
ERayPlaneIntersection GetRayPlaneIntersection(D3DXVECTOR3* out, D3DXPLANE* plane, D3DXVECTOR3* origin,
                                              D3DXVECTOR3* direction);
// Ray against triangle, the inside test made in the two coordinates across the
// largest component of the normal. out is zeroed and carries no point.
ERayTriangleIntersection GetRayTriangleIntersection2(D3DXVECTOR3* out, D3DXVECTOR3* vertex0, D3DXVECTOR3* vertex1,
                                                     D3DXVECTOR3* vertex2, D3DXVECTOR3* origin, D3DXVECTOR3* direction);
// The same classification with the edge normals taken as quarter turns of the
// edges about the dominant axis.
ERayTriangleIntersection GetRayTriangleIntersection(D3DXVECTOR3* out, D3DXVECTOR3* vertex0, D3DXVECTOR3* vertex1,
                                                    D3DXVECTOR3* vertex2, D3DXVECTOR3* origin, D3DXVECTOR3* direction);

EPointingDirection GetVectorsPointingDirection(D3DXVECTOR3* a, D3DXVECTOR3* b);

// The distance of p from the infinite line through a and b (a ≠ b).
float PointLineDistance(D3DXVECTOR3* p, D3DXVECTOR3* a, D3DXVECTOR3* b);

// Where the line origin + t · direction crosses the surface of a box: the
// count (0 to 2) and the points in out, ordered by z when there are two. A
// line through an edge or corner yields each distinct point once.
//
// The box from corner to oppositeCorner, of the given extents.
DWORD GetRayBoxIntersections(D3DXVECTOR3 out[2], D3DXVECTOR3* corner, D3DXVECTOR3* oppositeCorner, float width,
                             float height, float depth, D3DXVECTOR3* origin, D3DXVECTOR3* direction);
// A box given by two opposite points, the outward normals of its front and top
// faces, its extents and its eight corners; variants 3 and 4 keep only the
// points ahead of the origin.
DWORD GetRayBoxIntersections2(D3DXVECTOR3 out[2], D3DXVECTOR3* first, D3DXVECTOR3* second, D3DXVECTOR3* frontNormal,
                              D3DXVECTOR3* topNormal, float width, float height, float depth, D3DXVECTOR3* origin,
                              D3DXVECTOR3* direction, D3DXVECTOR3 corners[8]);
DWORD GetRayBoxIntersections3(D3DXVECTOR3 out[2], D3DXVECTOR3* first, D3DXVECTOR3* second, D3DXVECTOR3* frontNormal,
                              D3DXVECTOR3* topNormal, float width, float height, float depth, D3DXVECTOR3* origin,
                              D3DXVECTOR3* direction, D3DXVECTOR3 corners[8]);
DWORD GetRayBoxIntersections4(D3DXVECTOR3 out[2], D3DXVECTOR3* first, D3DXVECTOR3* second, D3DXVECTOR3* frontNormal,
                              D3DXVECTOR3* topNormal, float width, float height, float depth, D3DXVECTOR3* origin,
                              D3DXVECTOR3* direction, D3DXVECTOR3 corners[8]);
