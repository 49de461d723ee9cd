// A half edge: one side of a triangle, directed round its face. Half edges
// are never re-linked; only their reduced-mesh edge changes.
#pragma once

#include <cstdint>

#include "geo_types.h"

class CGeoHalfEdge {
 public:
  CGeoHalfEdge() { ClearContent(); }
  CGeoHalfEdge(const CGeoHalfEdge&) = default;
  CGeoHalfEdge& operator=(const CGeoHalfEdge&) = default;
  // An element owns nothing, so destroying one does no work: a pool drops a
  // block of them without touching each.
  ~CGeoHalfEdge() = default;

  void DestroyContent() { ClearContent(); }
  bool Initialize(CGeoVertex* start, CGeoHalfEdge* next, CGeoHalfEdge* prev, CGeoFace* face);

  // Sets the original and the reduced-mesh edge.
  void SetEdge(CGeoEdge* e) {
    m_uEdgeAndDisabled = reinterpret_cast<std::uintptr_t>(e) | (m_uEdgeAndDisabled & kDisabledBit);
    m_pEdgeRM = e;
  }
  void SetEdgeRM(CGeoEdge* e) { m_pEdgeRM = e; }
  CGeoEdge* GetEdge() const { return reinterpret_cast<CGeoEdge*>(m_uEdgeAndDisabled & ~kDisabledBit); }
  CGeoEdge* GetEdgeRM() const { return m_pEdgeRM; }
  CGeoFace* GetFace() const { return m_pFace; }
  CGeoVertex* GetStartVertex() const { return m_pStartVertex; }
  CGeoVertex* GetEndVertex() const;
  CGeoHalfEdge* GetNextHalfEdge() const { return m_pNextHalfEdge; }
  // Half edges go round triangles: the previous one is the next's next.
  CGeoHalfEdge* GetPrevHalfEdge() const { return m_pNextHalfEdge ? m_pNextHalfEdge->m_pNextHalfEdge : nullptr; }
  bool IsDisabled() const { return (m_uEdgeAndDisabled & kDisabledBit) != 0; }

  // The other half edge of the (reduced-mesh) edge; NULL at a border.
  CGeoHalfEdge* GetMate() const;
  CGeoHalfEdge* GetMateRM() const;

  D3DXVECTOR3* GetStartVertexPosition() const;
  D3DXVECTOR3* GetEndVertexPosition() const;
  float Magnitude() const;

  bool InHalfEdge(const CGeoVertex* v) const;
  bool VerticesAre(const CGeoVertex* a, const CGeoVertex* b) const;
  bool EndPointsAre(const D3DXVECTOR3* p, const D3DXVECTOR3* q) const;
  bool VertexPositionsAre(const CGeoVertex* a, const CGeoVertex* b) const;
  bool PositionInHalfEdge(const CGeoVertex* v) const;
  CGeoVertex* GetOtherVertex(const CGeoVertex* v) const;
  // The face's other half edge at v: next if it touches v, else next(next).
  CGeoHalfEdge* GetOtherHalfEdgeWithVertex(const CGeoVertex* v) const;
  // The third corner of the reduced-mesh mate's face.
  CGeoVertex* GetOtherFaceApexVertex() const;

  // Takes the half edge out; the job's half-edge count drops once.
  void Disable(CDXThread* thread);

  // The half edge's address and the info texts of its start and end vertex
  // ("NULL" for a missing one), between "Half edge info start:" and "Half
  // edge info end." lines.
  CString GetInfo() const;

 protected:
  void ClearContent() {
    m_uEdgeAndDisabled = 0;
    m_pFace = nullptr;
    m_pStartVertex = nullptr;
    m_pNextHalfEdge = nullptr;
    m_pEdgeRM = nullptr;
  }

 private:
  static CGeoHalfEdge* OtherOf(const CGeoEdge* e, const CGeoHalfEdge* h);
  // Three half edges per face make a byte of state cost 24 bytes a face, so
  // the disabled flag lies in the lowest bit of the original edge's address,
  // which an edge's alignment keeps clear.
  static constexpr std::uintptr_t kDisabledBit = 1;
  std::uintptr_t m_uEdgeAndDisabled;  // the original edge | kDisabledBit
  CGeoFace* m_pFace;
  CGeoVertex* m_pStartVertex;
  CGeoHalfEdge* m_pNextHalfEdge;
  CGeoEdge* m_pEdgeRM;
};

// The members that every walk calls, here so that they inline.

#include "geo_edge.h"

// prev is the next's next once the face's three half edges are linked; it is
// not stored.
inline bool CGeoHalfEdge::Initialize(CGeoVertex* start, CGeoHalfEdge* next, CGeoHalfEdge* /*prev*/, CGeoFace* face) {
  DestroyContent();
  m_pStartVertex = start;
  m_pNextHalfEdge = next;
  m_pFace = face;
  return true;
}

inline CGeoVertex* CGeoHalfEdge::GetEndVertex() const { return m_pNextHalfEdge ? m_pNextHalfEdge->m_pStartVertex : nullptr; }

inline CGeoHalfEdge* CGeoHalfEdge::OtherOf(const CGeoEdge* e, const CGeoHalfEdge* h) {
  if (!e) return nullptr;
  return e->GetHalfEdge1() == h ? e->GetHalfEdge2() : e->GetHalfEdge1();
}

inline CGeoHalfEdge* CGeoHalfEdge::GetMate() const { return OtherOf(GetEdge(), this); }
inline CGeoHalfEdge* CGeoHalfEdge::GetMateRM() const { return OtherOf(m_pEdgeRM, this); }

inline bool CGeoHalfEdge::InHalfEdge(const CGeoVertex* v) const { return v == m_pStartVertex || v == GetEndVertex(); }

inline bool CGeoHalfEdge::VerticesAre(const CGeoVertex* a, const CGeoVertex* b) const {
  const CGeoVertex* end = GetEndVertex();
  return (m_pStartVertex == a && end == b) || (m_pStartVertex == b && end == a);
}

inline CGeoVertex* CGeoHalfEdge::GetOtherVertex(const CGeoVertex* v) const {
  CGeoVertex* end = GetEndVertex();
  if (v == m_pStartVertex) return end;
  if (v == end) return m_pStartVertex;
  return nullptr;
}

inline CGeoHalfEdge* CGeoHalfEdge::GetOtherHalfEdgeWithVertex(const CGeoVertex* v) const {
  if (m_pNextHalfEdge->InHalfEdge(v)) return m_pNextHalfEdge;
  CGeoHalfEdge* third = m_pNextHalfEdge->m_pNextHalfEdge;
  return third->InHalfEdge(v) ? third : nullptr;
}
