#include "geo_vertex.h"

#include "dx_thread.h"
#include "geo_edge.h"
#include "geo_half_edge.h"
#include "geo_mesh_triangles.h"

std::atomic<DWORD> CGeoVertex::m_dwVertexNextAvailableUniqueId{0};

void CGeoVertex::Initialize(const D3DVERTEX* v, DWORD mapIndex, WORD groupIndex, EVertexType type) {
  m_vPosition = D3DXVECTOR3(v->x, v->y, v->z);
  m_vNormal = D3DXVECTOR3(v->nx, v->ny, v->nz);
  m_fTextureU = v->tu;
  m_fTextureV = v->tv;
  m_dwVerticesMapIndex = mapIndex;
  m_wGeoMeshTrianglesIndex = groupIndex;
  m_eVertexType = type;
  m_dwVertexUniqueId = GetNextAvailableUniqueId();
}

void CGeoVertex::Initialize(const D3DXVECTOR3* position, const D3DXVECTOR3* normal, float u, float v,
                            DWORD mapIndex) {
  m_vPosition = *position;
  m_vNormal = *normal;
  m_fTextureU = u;
  m_fTextureV = v;
  m_dwVerticesMapIndex = mapIndex;
}

void CGeoVertex::SetOutEdgeNoMate(CGeoEdge* e) {
  ++m_dwOutEdgesNoMateCount;
  if (!m_pFirstOutEdgeNoMate)
    m_pFirstOutEdgeNoMate = e;
  else if (!m_pSecondOutEdgeNoMate)
    m_pSecondOutEdgeNoMate = e;
}

void CGeoVertex::ResetOutEdgeNoMate(CGeoEdge* e) {
  --m_dwOutEdgesNoMateCount;
  if (m_pFirstOutEdgeNoMate == e) m_pFirstOutEdgeNoMate = nullptr;
  if (m_pSecondOutEdgeNoMate == e) m_pSecondOutEdgeNoMate = nullptr;
}

void CGeoVertex::DisableRM(REDUCTIONOPTIONS*, CDXThread* thread) {
  if (m_bDisabled) return;
  m_bDisabled = true;
  if (thread) thread->DecreaseThreadOutputVerticesCount(1);
}

CString CGeoVertex::GetInfo() const {
  CString info;
  info.Format("\nVertex map index: %u, Vertex pointer: %p.", m_dwVerticesMapIndex, static_cast<const void*>(this));
  return info;
}

// Original links.

CGeoHalfEdge* CGeoVertex::GetNextOutHalfEdge(CGeoHalfEdge* h) const { return h->GetPrevHalfEdge()->GetMate(); }

CGeoHalfEdge* CGeoVertex::GetFirstInHalfEdge() const {
  return m_pFirstOutHalfEdge ? m_pFirstOutHalfEdge->GetMate() : nullptr;
}

CGeoHalfEdge* CGeoVertex::GetNextInHalfEdge(CGeoHalfEdge* h) const {
  CGeoHalfEdge* mate = h->GetMate();
  return mate ? mate->GetPrevHalfEdge() : nullptr;
}

CGeoVertex* CGeoVertex::GetFirstNeighborVertex() const {
  return m_pFirstOutHalfEdge ? m_pFirstOutHalfEdge->GetEndVertex() : nullptr;
}

CGeoVertex* CGeoVertex::GetNextNeighborVertex(const CGeoVertex* u) const {
  CGeoHalfEdge* h = m_pFirstOutHalfEdge;
  for (DWORD steps = 0; h && steps < GetWalkLimit(); ++steps) {
    CGeoHalfEdge* next = GetNextOutHalfEdge(h);
    if (h->GetEndVertex() == u) return (next && next != m_pFirstOutHalfEdge) ? next->GetEndVertex() : nullptr;
    if (next == m_pFirstOutHalfEdge) return nullptr;
    h = next;
  }
  return nullptr;
}

CGeoEdge* CGeoVertex::GetFirstSurroundingEdge() const {
  return m_pFirstOutHalfEdge ? m_pFirstOutHalfEdge->GetNextHalfEdge()->GetEdge() : nullptr;
}

CGeoEdge* CGeoVertex::GetNextSurroundingEdge(CGeoEdge* e) const {
  auto startingHere = [this](CGeoHalfEdge* h) -> CGeoHalfEdge* {
    for (int i = 0; h && i < 3; ++i, h = h->GetNextHalfEdge())
      if (h->GetStartVertex() == this) return h;
    return nullptr;
  };
  CGeoHalfEdge* out = startingHere(e->GetHalfEdge1());
  if (!out) out = startingHere(e->GetHalfEdge2());
  if (!out) return nullptr;
  CGeoHalfEdge* next = GetNextOutHalfEdge(out);
  return next ? next->GetNextHalfEdge()->GetEdge() : nullptr;
}

// Reduced-mesh links.

CGeoVertex* CGeoVertex::GetNextSurroundingVertexRM(CGeoHalfEdge*& h) const {
  h = h->GetMateRM();
  if (!h) return nullptr;
  h = h->GetOtherHalfEdgeWithVertex(this);
  return h ? h->GetOtherVertex(this) : nullptr;
}

CGeoHalfEdge* CGeoVertex::GetSurroundingVertexOutHalfEdgeRM(const CGeoVertex* u) const {
  CGeoHalfEdge* h = nullptr;
  bool crossed = false;
  CGeoVertex* first = GetFirstSurroundingVertexRM(h);
  CGeoVertex* w = first;
  for (DWORD steps = 0; w && steps < GetWalkLimit(); ++steps) {
    if (w == u) return h;
    w = GetNextSurroundingVertexRM(h, crossed);
    if (w == first) return nullptr;
  }
  return nullptr;
}

CGeoHalfEdge* CGeoVertex::GetSurroundingVertexOutHalfEdgeRM2(const CGeoVertex* u) const {
  CGeoHalfEdge* h = m_pFirstOutHalfEdgeRM;
  bool crossed = false;
  for (DWORD steps = 0; h && steps < GetWalkLimit(); ++steps) {
    if (h->GetOtherVertex(this) == u) return h;
    h = GetNextOutHalfEdgeRM(h, crossed);
    if (h == m_pFirstOutHalfEdgeRM) return nullptr;
  }
  return nullptr;
}

CGeoVertex* CGeoVertex::GetNextNeighborVertexRM(const CGeoVertex* u) const {
  CGeoHalfEdge* h = m_pFirstOutHalfEdgeRM;
  bool crossed = false;
  for (DWORD steps = 0; h && steps < GetWalkLimit(); ++steps) {
    CGeoHalfEdge* next = GetNextOutHalfEdgeRM(h, crossed);
    if (h->GetOtherVertex(this) == u)
      return (next && next != m_pFirstOutHalfEdgeRM) ? next->GetOtherVertex(this) : nullptr;
    if (next == m_pFirstOutHalfEdgeRM) return nullptr;
    h = next;
  }
  return nullptr;
}

CGeoHalfEdge* CGeoVertex::GetNextSurroundingHalfEdgeRMV2(CGeoHalfEdge*& h) const {
  CGeoVertex* w = h->GetOtherVertex(this);
  CGeoHalfEdge* mate = h->GetMateRM();
  if (!mate) {
    h = nullptr;
    return nullptr;
  }
  h = mate->GetOtherHalfEdgeWithVertex(this);
  return mate->GetOtherHalfEdgeWithVertex(w);
}

bool CGeoVertex::SurroundingEdgesEnclosedSurfaceConvex(CDXThread* thread) const {
  CGeoHalfEdge* h = nullptr;
  bool crossed = false;
  CGeoVertex* prev = GetFirstSurroundingVertexRM(h);
  if (!prev || !h) return false;
  CGeoVertex* cur = GetNextSurroundingVertexRM(h, crossed);
  if (!cur || !h) return false;
  CGeoVertex* next = GetNextSurroundingVertexRM(h, crossed);
  if (!next || !h) return false;
  D3DXVECTOR3 r;
  CGeoMeshTriangles::ComputeTriangleNormal(r, prev, cur, next);
  const CGeoVertex* stop = cur;
  for (DWORD steps = 0; steps < GetWalkLimit(); ++steps) {
    if (thread && !thread->WaitForThreadPlayingEvent()) return false;
    prev = cur;
    cur = next;
    next = h ? GetNextSurroundingVertexRM(h, crossed) : nullptr;
    if (!next) return false;
    D3DXVECTOR3 c;
    CGeoMeshTriangles::ComputeTriangleNormal(c, prev, cur, next);
    if (!(D3DXVec3Dot(&c, &r) >= 0.0f)) return false;
    r = c;
    if (cur == stop) return true;
  }
  return false;
}
