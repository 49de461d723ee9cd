// A vertex of the half-edge connectivity mesh.
#pragma once

#include <atomic>

#include "geo_types.h"

class CGeoVertex {
 public:
  CGeoVertex() { ClearContent(); }
  CGeoVertex(const CGeoVertex&) = default;
  CGeoVertex& operator=(const CGeoVertex&) = default;
  // An element owns nothing, so destroying one does no work: a pool drops a
  // block of them without touching each.
  ~CGeoVertex() = default;

  void DestroyContent() { ClearContent(); }

  // Copies the record's position, normal and texture coordinates and takes
  // the next unique id; the other fields stay as the pool cleared them.
  void Initialize(const D3DVERTEX* v, DWORD mapIndex, WORD groupIndex, EVertexType type);
  void Initialize(const D3DXVECTOR3* position, const D3DXVECTOR3* normal, float u, float v, DWORD mapIndex);

  // Jobs of several documents build at once: ids are taken atomically.
  static DWORD GetNextAvailableUniqueId() {
    return m_dwVertexNextAvailableUniqueId.fetch_add(1, std::memory_order_relaxed) + 1;
  }
  // position(b) - position(a)
  static D3DXVECTOR3 Vector(const CGeoVertex* a, const CGeoVertex* b) { return b->m_vPosition - a->m_vPosition; }

  DWORD GetVerticesMapIndex() const { return m_dwVerticesMapIndex; }
  WORD GetGeoMeshTrianglesIndex() const { return m_wGeoMeshTrianglesIndex; }
  D3DXVECTOR3* GetPosition() { return &m_vPosition; }
  const D3DXVECTOR3* GetPosition() const { return &m_vPosition; }
  void SetPosition(const D3DXVECTOR3& p) { m_vPosition = p; }
  D3DXVECTOR3 GetNormal() const { return m_vNormal; }
  float GetTextureU() const { return m_fTextureU; }
  float GetTextureV() const { return m_fTextureV; }
  bool IsDisabled() const { return m_bDisabled; }
  EVertexType GetVertexType() const { return m_eVertexType; }
  DWORD GetVertexUniqueId() const { return m_dwVertexUniqueId; }

  // Sets the original and the reduced-mesh link.
  void SetFirstOutHalfEdge(CGeoHalfEdge* h) { m_pFirstOutHalfEdge = m_pFirstOutHalfEdgeRM = h; }
  void SetFirstOutHalfEdgeRM(CGeoHalfEdge* h) { m_pFirstOutHalfEdgeRM = h; }
  CGeoHalfEdge* GetFirstOutHalfEdge() const { return m_pFirstOutHalfEdge; }
  CGeoHalfEdge* GetFirstOutHalfEdgeRM() const { return m_pFirstOutHalfEdgeRM; }

  // Border edges registered at the vertex: all are counted, the first two kept.
  void SetOutEdgeNoMate(CGeoEdge* e);
  void ResetOutEdgeNoMate(CGeoEdge* e);
  DWORD GetOutEdgesNoMateCount() const { return m_dwOutEdgesNoMateCount; }
  CGeoEdge* GetFirstOutEdgeNoMate() const { return m_pFirstOutEdgeNoMate; }
  CGeoEdge* GetSecondOutEdgeNoMate() const { return m_pSecondOutEdgeNoMate; }
  // The border edge other than e when exactly two are registered, else NULL.
  CGeoEdge* GetOtherOutEdgeNoMateRM(const CGeoEdge* e) const;

  DWORD GetVertexHandleIndex() const { return m_dwVertexHandleIndex; }
  void SetVertexHandleIndex(DWORD i) { m_dwVertexHandleIndex = i; }
  DWORD GetOutEdgesCount() const { return m_dwOutEdgesCount; }
  void IncreaseOutEdgesCount() { ++m_dwOutEdgesCount; }
  void DecreaseOutEdgesCount() { --m_dwOutEdgesCount; }
  bool CannotRemove() const { return m_bCannotRemove; }
  // Whether a contraction of the running wave made an edge at the vertex; set
  // and cleared by the pass's visited list (CGeoVisitedVertexMap) only.
  bool IsVisited() const { return m_bVisited; }
  void SetVisited(bool visited) { m_bVisited = visited; }
  void SetCannotRemoveFlag() { m_bCannotRemove = true; }
  EMidPointCreationMethod GetMidPointCreationMethod() const { return m_eMidPointCreationMethod; }
  void SetMidPointCreationMethod(EMidPointCreationMethod m) { m_eMidPointCreationMethod = m; }
  DWORD GetRetainedModeMeshVertexIndex() const { return m_dwRetainedModeMeshVertexIndex; }
  void SetRetainedModeMeshVertexIndex(DWORD i) { m_dwRetainedModeMeshVertexIndex = i; }

  // Takes the vertex out of the reduced mesh; the job's vertex count drops once.
  void DisableRM(REDUCTIONOPTIONS* options, CDXThread* thread);

  // "\nVertex map index: <index>, Vertex pointer: <address>."
  CString GetInfo() const;

  // Walks round the vertex on the original links; NULL at a border.
  CGeoHalfEdge* GetNextOutHalfEdge(CGeoHalfEdge* h) const;
  CGeoHalfEdge* GetFirstInHalfEdge() const;
  CGeoHalfEdge* GetNextInHalfEdge(CGeoHalfEdge* h) const;
  CGeoVertex* GetFirstNeighborVertex() const;
  CGeoVertex* GetNextNeighborVertex(const CGeoVertex* u) const;
  CGeoEdge* GetFirstSurroundingEdge() const;
  CGeoEdge* GetNextSurroundingEdge(CGeoEdge* e) const;

  // Walks round the vertex on the reduced-mesh links. At a border they jump to
  // the vertex's other border edge, so a fan with two border edges is covered
  // in one walk; the caller stops on NULL or on its first element.
  CGeoHalfEdge* GetNextOutHalfEdgeRM(CGeoHalfEdge* h, bool& crossed) const;
  CGeoFace* GetFirstSurroundingFaceRM(CGeoHalfEdge*& h) const;
  CGeoFace* GetNextSurroundingFaceRM(CGeoHalfEdge*& h) const;
  CGeoVertex* GetFirstSurroundingVertexRM(CGeoHalfEdge*& h) const;
  CGeoVertex* GetNextSurroundingVertexRM(CGeoHalfEdge*& h, bool& crossed) const;
  CGeoVertex* GetNextSurroundingVertexRM(CGeoHalfEdge*& h) const;
  CGeoHalfEdge* GetSurroundingVertexOutHalfEdgeRM(const CGeoVertex* u) const;
  CGeoHalfEdge* GetSurroundingVertexOutHalfEdgeRM2(const CGeoVertex* u) const;
  CGeoVertex* GetNextNeighborVertexRM(const CGeoVertex* u) const;
  CGeoHalfEdge* GetFirstSurroundingHalfEdgeRM(CGeoHalfEdge*& h) const;
  CGeoHalfEdge* GetNextSurroundingHalfEdgeRM(CGeoHalfEdge*& h) const;
  CGeoHalfEdge* GetNextSurroundingHalfEdgeRMV2(CGeoHalfEdge*& h) const;

  // The most steps a walk round the vertex takes: a tangled fan (faces of
  // mixed winding) cannot hold a walk that never comes back to its start.
  DWORD GetWalkLimit() const { return 2 * m_dwOutEdgesCount + 4; }

  // Whether the ring of reduced-mesh neighbours turns one way all round.
  bool SurroundingEdgesEnclosedSurfaceConvex(CDXThread* thread) const;

 protected:
  void ClearContent() {
    m_pFirstOutHalfEdge = nullptr;
    m_pFirstOutHalfEdgeRM = nullptr;
    m_pFirstOutEdgeNoMate = nullptr;
    m_pSecondOutEdgeNoMate = nullptr;
    m_vPosition = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_vNormal = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_fTextureU = 0.0f;
    m_fTextureV = 0.0f;
    m_dwVerticesMapIndex = 0;
    m_dwOutEdgesNoMateCount = 0;
    m_dwVertexHandleIndex = 0;
    m_dwOutEdgesCount = 0;
    m_dwVertexUniqueId = 0;
    m_dwRetainedModeMeshVertexIndex = 0;
    m_wGeoMeshTrianglesIndex = 0;
    m_bDisabled = false;
    m_bCannotRemove = false;
    m_bVisited = false;
    m_eVertexType = eVertexTypeNone;
    m_eMidPointCreationMethod = eMidPointCreationNone;
  }

 private:
  // The unique half edge of the vertex's other border edge than h's, or NULL.
  CGeoHalfEdge* OtherBorderHalfEdge(const CGeoHalfEdge* h) const;

  static std::atomic<DWORD> m_dwVertexNextAvailableUniqueId;

  // Widest first, the states in a byte each.
  CGeoHalfEdge* m_pFirstOutHalfEdge;
  CGeoHalfEdge* m_pFirstOutHalfEdgeRM;
  CGeoEdge* m_pFirstOutEdgeNoMate;
  CGeoEdge* m_pSecondOutEdgeNoMate;
  D3DXVECTOR3 m_vPosition;
  D3DXVECTOR3 m_vNormal;
  float m_fTextureU;
  float m_fTextureV;
  DWORD m_dwVerticesMapIndex;
  DWORD m_dwOutEdgesNoMateCount;
  DWORD m_dwVertexHandleIndex;
  DWORD m_dwOutEdgesCount;
  DWORD m_dwVertexUniqueId;
  DWORD m_dwRetainedModeMeshVertexIndex;
  WORD m_wGeoMeshTrianglesIndex;
  bool m_bDisabled;
  bool m_bCannotRemove;
  bool m_bVisited;
  CGeoByteEnum<EVertexType> m_eVertexType;
  CGeoByteEnum<EMidPointCreationMethod> m_eMidPointCreationMethod;
};

// The steps of the reduced-mesh walks, here so that they inline: every
// attempt of a reduction walks round both end points several times.

#include "geo_half_edge.h"

inline CGeoEdge* CGeoVertex::GetOtherOutEdgeNoMateRM(const CGeoEdge* e) const {
  if (m_dwOutEdgesNoMateCount != 2) return nullptr;
  if (m_pFirstOutEdgeNoMate != e) return m_pFirstOutEdgeNoMate;
  if (m_pSecondOutEdgeNoMate != e) return m_pSecondOutEdgeNoMate;
  return nullptr;
}

inline CGeoHalfEdge* CGeoVertex::OtherBorderHalfEdge(const CGeoHalfEdge* h) const {
  CGeoEdge* e = GetOtherOutEdgeNoMateRM(h->GetEdgeRM());
  return e ? e->GetUniqueHalfEdge() : nullptr;
}

inline CGeoHalfEdge* CGeoVertex::GetNextOutHalfEdgeRM(CGeoHalfEdge* h, bool& crossed) const {
  if (!crossed) {
    CGeoHalfEdge* x = h->GetOtherHalfEdgeWithVertex(this);
    if (!x) return nullptr;
    if (CGeoHalfEdge* mate = x->GetMateRM()) return mate;
    crossed = true;
    return x;
  }
  crossed = false;
  return OtherBorderHalfEdge(h);
}

inline CGeoFace* CGeoVertex::GetFirstSurroundingFaceRM(CGeoHalfEdge*& h) const {
  h = m_pFirstOutHalfEdgeRM;
  return h ? h->GetFace() : nullptr;
}

inline CGeoFace* CGeoVertex::GetNextSurroundingFaceRM(CGeoHalfEdge*& h) const {
  CGeoHalfEdge* across = h->GetMateRM();
  if (!across) across = OtherBorderHalfEdge(h);
  h = across ? across->GetOtherHalfEdgeWithVertex(this) : nullptr;
  return h ? h->GetFace() : nullptr;
}

inline CGeoVertex* CGeoVertex::GetFirstSurroundingVertexRM(CGeoHalfEdge*& h) const {
  h = m_pFirstOutHalfEdgeRM;
  return h ? h->GetEndVertex() : nullptr;
}

inline CGeoVertex* CGeoVertex::GetNextSurroundingVertexRM(CGeoHalfEdge*& h, bool& crossed) const {
  if (!crossed) {
    if (CGeoHalfEdge* mate = h->GetMateRM()) {
      h = mate;
    } else {
      h = OtherBorderHalfEdge(h);
      if (!h) return nullptr;
      crossed = true;
      return h->GetOtherVertex(this);
    }
  } else {
    crossed = false;
  }
  h = h->GetOtherHalfEdgeWithVertex(this);
  return h ? h->GetOtherVertex(this) : nullptr;
}

inline CGeoHalfEdge* CGeoVertex::GetFirstSurroundingHalfEdgeRM(CGeoHalfEdge*& h) const {
  h = m_pFirstOutHalfEdgeRM;
  return h ? h->GetNextHalfEdge() : nullptr;
}

inline CGeoHalfEdge* CGeoVertex::GetNextSurroundingHalfEdgeRM(CGeoHalfEdge*& h) const {
  CGeoVertex* w = h->GetOtherVertex(this);
  CGeoHalfEdge* across = h->GetMateRM();
  if (!across) {
    across = OtherBorderHalfEdge(h);
    if (!across) {
      h = nullptr;
      return nullptr;
    }
    w = across->GetOtherVertex(this);
  }
  CGeoHalfEdge* opposite = across->GetOtherHalfEdgeWithVertex(w);
  h = across->GetOtherHalfEdgeWithVertex(this);
  return opposite;
}
