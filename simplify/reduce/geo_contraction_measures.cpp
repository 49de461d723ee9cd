// Measures of a contraction that the reduction pass does not take: the
// convexity of the end points' rings, the older normal test, the turn of a
// triangle's normal, a pyramid's volume, a triangle's normal and angles.
#include <cmath>

#include "dx_thread.h"
#include "geo_edge_contraction.h"
#include "geo_mesh_triangles.h"
#include "qorcommon.h"
#include "reduction_options.h"

bool CGeoMeshTriangles::SurroundingEdgesEnclosedSurfaceConvex(CGeoVertex* a, CGeoVertex* b, REDUCTIONOPTIONS*,
                                                              CDXThread* thread) {
  if (a && b && a->SurroundingEdgesEnclosedSurfaceConvex(thread) && b->SurroundingEdgesEnclosedSurfaceConvex(thread))
    return true;
  DEBUG_TRACE("\nInfo: Enclosed surface not convex.");
  return false;
}

bool CGeoMeshTriangles::QualifyMidPointEdgeContractionVertexRemovalRM4(bool& ok, float& largest, CGeoVertex* moved,
                                                                       CGeoVertex* kept,
                                                                       const std::vector<CGeoVertex*>& ring,
                                                                       D3DXVECTOR3* newPosition,
                                                                       REDUCTIONOPTIONS* options, CDXThread* thread) {
  ok = false;
  largest = 0.0f;
  if (!moved || !kept || !newPosition || !options) return false;
  if (ring.size() < 3) {
    DEBUG_TRACE("\nInfo: Less than 3 surrounding vertices.");
    return true;
  }
  for (size_t k = 2; k < ring.size(); ++k) {
    if (thread && !thread->WaitForThreadPlayingEvent()) return false;
    float degrees = 0.0f;
    if (!ComputeOldNewTrianglesNormalAngle(degrees, newPosition, ring[k - 1], ring[k], moved, options)) return true;
    largest = std::max(largest, degrees);
    if (largest > options->maxNormalAngle) return true;
  }
  ok = true;
  return true;
}

bool CGeoMeshTriangles::ComputeOldNewTrianglesNormalAngle(float& degrees, D3DXVECTOR3* newPosition, CGeoVertex* p,
                                                          CGeoVertex* q, CGeoVertex* moved, REDUCTIONOPTIONS*) {
  float cosine = 0.0f;
  if (!newPosition || !p || !q || !moved ||
      !CGeoEdgeContraction::ComputeOldNewTrianglesNormalsCosine(cosine, *newPosition, p, q, moved) ||
      std::isnan(cosine)) {
    DEBUG_TRACE("\nInfo: Cannot compute normal angle.");
    return false;
  }
  degrees = CGeoEdgeContraction::CosineDegrees(cosine);
  DEBUG_TRACE("\nInfo: rfNormalsAngleDegree = %f.", degrees);
  return true;
}

bool CGeoMeshTriangles::ComputePyramidVolume(float& volume, D3DXVECTOR3* newPosition, CGeoVertex* p, CGeoVertex* q,
                                             CGeoVertex* moved, REDUCTIONOPTIONS*) {
  D3DXVECTOR3 normal(0.0f, 0.0f, 0.0f);
  if (newPosition && p && q && moved) ComputeTriangleNormal(normal, moved, p, q);
  const float length = D3DXVec3Length(&normal);
  if (!(length > 0.0f) || !std::isfinite(length)) {
    DEBUG_TRACE("\nInfo: Pyramid volume cannot be computed. ");
    return false;
  }
  const D3DXVECTOR3 rise = *newPosition - *moved->GetPosition();
  const float height = std::fabs(D3DXVec3Dot(&rise, &normal)) / length;
  const D3DXVECTOR3 vp = CGeoVertex::Vector(moved, p), pq = CGeoVertex::Vector(p, q), qv = CGeoVertex::Vector(q, moved);
  if (!ComputeTriangleBasedPyramidVolume(volume, D3DXVec3Length(&vp) / 10.0f, D3DXVec3Length(&pq) / 10.0f,
                                         D3DXVec3Length(&qv) / 10.0f, height)) {
    DEBUG_TRACE("\nInfo: Pyramid volume cannot be computed. ");
    return false;
  }
  return true;
}

bool CGeoMeshTriangles::ComputeTriangleNormal(D3DXVECTOR3& normal, const CGeoVertex* a, const CGeoVertex* b,
                                              const CGeoVertex* c) {
  const D3DXVECTOR3 ab = CGeoVertex::Vector(a, b), bc = CGeoVertex::Vector(b, c);
  D3DXVec3Cross(&normal, &ab, &bc);
  return true;
}

float CGeoMeshTriangles::ComputeAngle(const CGeoVertex* a, const CGeoVertex* b, const CGeoVertex* c) {
  D3DXVECTOR3 pa = *a->GetPosition(), pb = *b->GetPosition(), pc = *c->GetPosition();
  if (pa == pb || pc == pb) return 0.0f;
  if (PointLineDistance(&pa, &pb, &pc) == 0.0f) {
    const D3DXVECTOR3 ba = pa - pb, bc = pc - pb;
    return D3DXVec3Dot(&ba, &bc) > 0.0f ? 0.0f : 180.0f;
  }
  return ComputeAngle(b, a, b, c);
}

float CGeoMeshTriangles::ComputeAngle(const CGeoVertex* a, const CGeoVertex* b, const CGeoVertex* c,
                                      const CGeoVertex* d) {
  const D3DXVECTOR3 u = CGeoVertex::Vector(a, b), v = CGeoVertex::Vector(c, d);
  const float lengths = D3DXVec3Length(&u) * D3DXVec3Length(&v);
  if (!(lengths > 0.0f) || !std::isfinite(lengths)) return 0.0f;
  const float cosine = CGeoEdgeContraction::RoundNormalsCosine(D3DXVec3Dot(&u, &v) / lengths);
  return std::isnan(cosine) ? 0.0f : CGeoEdgeContraction::CosineDegrees(cosine);
}
