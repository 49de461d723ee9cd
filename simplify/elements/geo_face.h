// A triangle of the connectivity mesh, bounded by a cycle of three half edges.
#pragma once

#include "geo_types.h"

class CGeoFace {
 public:
  CGeoFace() : m_dwRenderedFacePosition(0) { ClearContent(); }
  CGeoFace(const CGeoFace&) = default;
  CGeoFace& operator=(const CGeoFace&) = default;
  // An element owns nothing, so destroying one does no work: a pool drops a
  // block of them without touching each.
  ~CGeoFace() = default;

  void DestroyContent() { ClearContent(); }
  // Stores the first half edge and the type and computes the area (0 when the
  // triangle has none). The rendered position is kept.
  bool Initialize(CGeoHalfEdge* first, EFaceType type);

  CGeoHalfEdge* GetFirstHalfEdge() const { return m_pFirstHalfEdge; }
  void SetFirstHalfEdge(CGeoHalfEdge* h) { m_pFirstHalfEdge = h; }
  DWORD GetRenderedFacePosition() const { return m_dwRenderedFacePosition; }
  void SetRenderedFacePosition(DWORD p) { m_dwRenderedFacePosition = p; }
  EFaceType GetType() const { return m_eFaceType; }
  float GetTriangleArea() const { return m_fTriangleArea; }
  bool IsDisabled() const { return m_bDisabled; }

  // Corners p0 (start of the first half edge), p1, p2, in that order.
  void GetTriangleVertices(CGeoVertex*& a, CGeoVertex*& b, CGeoVertex*& c) const;
  void GetTriangleVerticesPosition(D3DXVECTOR3*& pa, D3DXVECTOR3*& pb, D3DXVECTOR3*& pc) const;
  void GetTriangleVerticesIndex(DWORD* i0, DWORD* i1, DWORD* i2) const;
  bool InTriangleFace(const CGeoVertex* a) const;
  bool InTriangleFace(const CGeoVertex* a, const CGeoVertex* b) const;

  // False for a degenerate triangle, with area untouched.
  bool ComputeTriangleArea(float& area) const;
  bool ComputeFaceNormal(D3DXVECTOR3& n) const;

  // Takes the face out; the job's triangle count and area drop once.
  void DisableRM(CDXThread* thread);

  // The face's address and the info texts of its three corners in order
  // ("NULL" where the face has no half edges), between "Face info start:" and
  // "Face info end." lines.
  CString GetInfo() const;

 protected:
  // Clears every field but the rendered position, which the pool sets first.
  void ClearContent() {
    m_pFirstHalfEdge = nullptr;
    m_bDisabled = false;
    m_eFaceType = eFaceTypeNone;
    m_fTriangleArea = 0.0f;
  }

 private:
  CGeoHalfEdge* m_pFirstHalfEdge;
  DWORD m_dwRenderedFacePosition;
  float m_fTriangleArea;
  bool m_bDisabled;
  CGeoByteEnum<EFaceType> m_eFaceType;
};

// The members that every walk calls, here so that they inline.

#include "geo_half_edge.h"

inline void CGeoFace::GetTriangleVertices(CGeoVertex*& a, CGeoVertex*& b, CGeoVertex*& c) const {
  CGeoHalfEdge* h = m_pFirstHalfEdge;
  a = h->GetStartVertex();
  b = h->GetNextHalfEdge()->GetStartVertex();
  c = h->GetNextHalfEdge()->GetNextHalfEdge()->GetStartVertex();
}

inline bool CGeoFace::InTriangleFace(const CGeoVertex* v) const {
  CGeoVertex *a, *b, *c;
  GetTriangleVertices(a, b, c);
  return v == a || v == b || v == c;
}

inline bool CGeoFace::InTriangleFace(const CGeoVertex* a, const CGeoVertex* b) const {
  return InTriangleFace(a) && InTriangleFace(b);
}
