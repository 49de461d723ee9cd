#include "geo_edge.h"

#include "dx_thread.h"
#include "geo_half_edge.h"
#include "geo_vertex.h"

std::atomic<DWORD> CGeoEdge::m_dwEdgeNextAvailableId{1};

bool CGeoEdge::Initialize(CGeoHalfEdge* h1, CGeoHalfEdge* h2) {
  DestroyContent();
  m_pHalfEdge1 = h1;
  m_pHalfEdge2 = h2;
  m_dwEdgeId = m_dwEdgeNextAvailableId.fetch_add(1, std::memory_order_relaxed);
  return true;
}

bool CGeoEdge::SetHalfEdge(CGeoHalfEdge* h) {
  if (h == m_pHalfEdge1 || h == m_pHalfEdge2) return true;
  if (!m_pHalfEdge1) {
    m_pHalfEdge1 = h;
    return true;
  }
  if (!m_pHalfEdge2) {
    m_pHalfEdge2 = h;
    return true;
  }
  return false;
}

CGeoHalfEdge* CGeoEdge::GetUniqueHalfEdge() const {
  if (!m_pHalfEdge2) return m_pHalfEdge1;
  if (!m_pHalfEdge1) return m_pHalfEdge2;
  return nullptr;
}

bool CGeoEdge::InEdge(const CGeoVertex* v) const {
  CGeoHalfEdge* h = AnyHalfEdge();
  return h && h->InHalfEdge(v);
}

CGeoVertex* CGeoEdge::GetOtherVertex(const CGeoVertex* v) const {
  CGeoHalfEdge* h = AnyHalfEdge();
  return h ? h->GetOtherVertex(v) : nullptr;
}

void CGeoEdge::GetEdgeVertices(CGeoVertex*& a, CGeoVertex*& b) const {
  CGeoHalfEdge* h = AnyHalfEdge();
  a = h ? h->GetStartVertex() : nullptr;
  b = h ? h->GetEndVertex() : nullptr;
}

void CGeoEdge::GetEdgeVerticesPosition(D3DXVECTOR3*& pa, D3DXVECTOR3*& pb) const {
  CGeoVertex *a, *b;
  GetEdgeVertices(a, b);
  pa = a ? a->GetPosition() : nullptr;
  pb = b ? b->GetPosition() : nullptr;
}

void CGeoEdge::GetFacesApexPosition(D3DXVECTOR3*& pa, D3DXVECTOR3*& pb) const {
  if (m_pHalfEdge1) pa = m_pHalfEdge1->GetNextHalfEdge()->GetNextHalfEdge()->GetStartVertexPosition();
  if (m_pHalfEdge2) pb = m_pHalfEdge2->GetNextHalfEdge()->GetNextHalfEdge()->GetStartVertexPosition();
}

void CGeoEdge::GetEdgeFaces(CGeoFace*& f1, CGeoFace*& f2) const {
  f1 = m_pHalfEdge1 ? m_pHalfEdge1->GetFace() : nullptr;
  f2 = m_pHalfEdge2 ? m_pHalfEdge2->GetFace() : nullptr;
}

float CGeoEdge::GetEdgeMagnitude() const {
  CGeoHalfEdge* h = AnyHalfEdge();
  return h ? h->Magnitude() : 0.0f;
}

CGeoVertex* CGeoEdge::GetSelectedVertex() const {
  CGeoHalfEdge* h = AnyHalfEdge();
  return h ? h->GetStartVertex() : nullptr;
}

void CGeoEdge::SetLowestCostEdgeContraction(EQualificationStatus s, float /*cost*/) { m_eLowestCostEdgeContraction = s; }

CString CGeoEdge::GetInfo() const {
  const CString first = m_pHalfEdge1 ? m_pHalfEdge1->GetInfo() : CString("NULL");
  const CString second = m_pHalfEdge2 ? m_pHalfEdge2->GetInfo() : CString("NULL");
  CString info;
  info.Format("\nEdge info start:\nEdge half edge 1: %s\nEdge half edge 2: %s\nEdge pointer %p\nEdge info end.\n",
              static_cast<const char*>(first), static_cast<const char*>(second), static_cast<const void*>(this));
  return info;
}

void CGeoEdge::DisableRM(CDXThread* thread) {
  if (m_bDisabled) return;
  m_bDisabled = true;
  CGeoVertex *a, *b;
  GetEdgeVertices(a, b);
  if (a) a->DecreaseOutEdgesCount();
  if (b) b->DecreaseOutEdgesCount();
  if (WithUniqueHalfEdge()) {
    if (a) a->ResetOutEdgeNoMate(this);
    if (b) b->ResetOutEdgeNoMate(this);
  }
  if (thread) thread->DecreaseThreadOutputEdgesCount(1, GetEdgeMagnitude());
}
