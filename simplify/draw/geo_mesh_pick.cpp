// Picking the vertex handles of a connectivity mesh with a ray.
#include <tracelog.h>
#include <vectorgeometry.h>

#include "geo_mesh.h"

namespace {

// Appends the vertex of every handle triangle of vb that the ray passes
// through; slots that hold no vertex are never hit.
DWORD CollideHandles(IDirect3DVertexBuffer8* vb, DWORD triangles, const std::vector<CGeoVertex*>& handles,
                     CFrame* frame, D3DXVECTOR3* origin, D3DXVECTOR3* direction, CRayVertexCollisionList& out) {
  if (!vb) return 0;
  BYTE* data = nullptr;
  if (FAILED(vb->Lock(0, 0, &data, D3DLOCK_READONLY))) {
    DEBUG_TRACE("\nError: IDirect3DVertexBuffer7::Lock() failed in CGeoMesh::GetCollidingRayVertexHandles()");
    return 0;
  }
  auto* vertices = reinterpret_cast<D3DVERTEX*>(data);
  DWORD count = 0;
  for (DWORD t = 0; t < triangles; ++t) {
    CGeoVertex* vertex = t < handles.size() ? handles[t] : nullptr;
    if (!vertex) continue;
    D3DXVECTOR3 p[3], unused;
    for (int k = 0; k < 3; ++k) p[k] = D3DXVECTOR3(vertices[3 * t + k].x, vertices[3 * t + k].y, vertices[3 * t + k].z);
    if (GetRayTriangleIntersection2(&unused, &p[0], &p[1], &p[2], origin, direction) != RayTriangleHit) continue;
    SRayVertexCollision hit{vertex, frame};
    out.AddTail(hit);
    ++count;
  }
  vb->Unlock();
  return count;
}

}  // namespace

DWORD CGeoMesh::GetCollidingRayVertexHandles(CRayVertexCollisionList& out, D3DXVECTOR3* origin,
                                             D3DXVECTOR3* direction, D3DXMATRIX* world, D3DXMATRIX* fromRay) {
  out.RemoveAll();
  if (!m_pHandlesVB) return 0;
  D3DXVECTOR3 o, d;
  D3DXVec3TransformCoord(&o, origin, fromRay);
  D3DXVec3TransformNormal(&d, direction, fromRay);
  D3DXMATRIX inverse;
  if (!D3DXMatrixInverse(&inverse, nullptr, world)) {
    DEBUG_TRACE("\nError: D3DXMatrixInverse() failed in CGeoMesh::GetCollidingRayVertexHandles()");
    return 0;
  }
  D3DXVECTOR3 originFS, directionFS;
  D3DXVec3TransformCoord(&originFS, &o, &inverse);
  D3DXVec3TransformNormal(&directionFS, &d, &inverse);
  return CollideHandles(m_pHandlesVB, m_dwHandlesVerticesCount / 3, m_OriginalHandlesMap, m_pParentFrame, &originFS,
                        &directionFS, out) +
         CollideHandles(m_pMidPointHandlesVB, m_dwMidPointHandlesVerticesCount / 3, m_MidPointHandlesMap,
                        m_pParentFrame, &originFS, &directionFS, out);
}
