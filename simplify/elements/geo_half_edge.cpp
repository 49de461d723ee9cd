#include "geo_half_edge.h"

#include "dx_thread.h"
#include "geo_edge.h"
#include "geo_vertex.h"




D3DXVECTOR3* CGeoHalfEdge::GetStartVertexPosition() const { return m_pStartVertex->GetPosition(); }
D3DXVECTOR3* CGeoHalfEdge::GetEndVertexPosition() const { return GetEndVertex()->GetPosition(); }

float CGeoHalfEdge::Magnitude() const {
  D3DXVECTOR3 d = *GetEndVertexPosition() - *GetStartVertexPosition();
  return D3DXVec3Length(&d);
}


bool CGeoHalfEdge::EndPointsAre(const D3DXVECTOR3* p, const D3DXVECTOR3* q) const {
  const D3DXVECTOR3& s = *GetStartVertexPosition();
  const D3DXVECTOR3& e = *GetEndVertexPosition();
  return (s == *p && e == *q) || (s == *q && e == *p);
}

bool CGeoHalfEdge::VertexPositionsAre(const CGeoVertex* a, const CGeoVertex* b) const {
  return EndPointsAre(a->GetPosition(), b->GetPosition());
}

bool CGeoHalfEdge::PositionInHalfEdge(const CGeoVertex* v) const {
  const D3DXVECTOR3& p = *v->GetPosition();
  return p == *GetStartVertexPosition() || p == *GetEndVertexPosition();
}



CGeoVertex* CGeoHalfEdge::GetOtherFaceApexVertex() const {
  CGeoHalfEdge* mate = GetMateRM();
  return mate ? mate->m_pNextHalfEdge->m_pNextHalfEdge->m_pStartVertex : nullptr;
}

CString CGeoHalfEdge::GetInfo() const {
  const CGeoVertex* end = GetEndVertex();
  const CString start = m_pStartVertex ? m_pStartVertex->GetInfo() : CString("NULL");
  const CString finish = end ? end->GetInfo() : CString("NULL");
  CString info;
  info.Format(
      "\nHalf edge info start:\nHalf edge start vertex: %s\nHalf edge end vertex: %s\nHalf edge pointer %p\nHalf "
      "edge info end.\n",
      static_cast<const char*>(start), static_cast<const char*>(finish), static_cast<const void*>(this));
  return info;
}

void CGeoHalfEdge::Disable(CDXThread* thread) {
  if (IsDisabled()) return;
  m_uEdgeAndDisabled |= kDisabledBit;
  if (thread) thread->DecreaseThreadOutputHalfEdgesCount(1);
}
