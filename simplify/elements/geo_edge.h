// An edge of the connectivity mesh: one or two half edges (a border edge has
// one), with the state the reduction keeps about contracting it.
#pragma once

#include <atomic>

#include "geo_types.h"

class CGeoEdge {
 public:
  CGeoEdge() : m_dwEdgeId(0) { ClearContent(); }
  CGeoEdge(const CGeoEdge&) = default;
  CGeoEdge& operator=(const CGeoEdge&) = default;
  // An element owns nothing, so destroying one does no work: a pool drops a
  // block of them without touching each.
  ~CGeoEdge() = default;

  void DestroyContent() { ClearContent(); }

  // Clears the edge, stores its half edges and takes the next edge id.
  bool Initialize(CGeoHalfEdge* h1, CGeoHalfEdge* h2);
  // Fills an empty slot with h; false when both slots hold other half edges.
  bool SetHalfEdge(CGeoHalfEdge* h);

  static DWORD GetEdgeNextAvailableId() { return m_dwEdgeNextAvailableId.load(std::memory_order_relaxed); }
  DWORD GetEdgeId() const { return m_dwEdgeId; }
  CGeoHalfEdge* GetHalfEdge1() const { return m_pHalfEdge1; }
  CGeoHalfEdge* GetHalfEdge2() const { return m_pHalfEdge2; }
  bool IsDisabled() const { return m_bDisabled; }
  // Whether the edge waits in a queue of the running reduction pass; set and
  // cleared by the pass's queues only (CGeoMeshTriangles::QueueEdge).
  bool IsQueued() const { return m_bQueued; }
  void SetQueued(bool queued) { m_bQueued = queued; }
  // The length of the edge, from its end points' positions, which never move.
  float GetEdgeMagnitude() const;

  bool WithUniqueHalfEdge() const { return (m_pHalfEdge1 == nullptr) != (m_pHalfEdge2 == nullptr); }
  CGeoHalfEdge* GetUniqueHalfEdge() const;
  bool InEdge(const CGeoVertex* v) const;
  CGeoVertex* GetOtherVertex(const CGeoVertex* v) const;
  void GetEdgeVertices(CGeoVertex*& a, CGeoVertex*& b) const;
  void GetEdgeVerticesPosition(D3DXVECTOR3*& pa, D3DXVECTOR3*& pb) const;
  void GetFacesApexPosition(D3DXVECTOR3*& pa, D3DXVECTOR3*& pb) const;
  void GetEdgeFaces(CGeoFace*& f1, CGeoFace*& f2) const;

  // The end point whose removal an attempt tries first: the start of the
  // first half edge. An edge's half edges never change once it is made, so
  // it is the same vertex at every attempt.
  CGeoVertex* GetSelectedVertex() const;

  // Stores the contraction that an attempt chose. Its cost only ranked it
  // against the other kinds of the same attempt: nothing reads it later.
  void SetLowestCostEdgeContraction(EQualificationStatus s, float cost);
  void ResetEdgeQualificationStatus() { m_eLowestCostEdgeContraction = eQualificationReset; }
  EQualificationStatus GetLowestCostEdgeContraction() const { return m_eLowestCostEdgeContraction; }

  EValidityStatus GetSelectedVertexRemovalValidity() const { return m_eSelectedVertexRemovalValidity; }
  void SetSelectedVertexRemovalValidity(EValidityStatus s) { m_eSelectedVertexRemovalValidity = s; }
  EValidityStatus GetOtherVertexRemovalValidity() const { return m_eOtherVertexRemovalValidity; }
  void SetOtherVertexRemovalValidity(EValidityStatus s) { m_eOtherVertexRemovalValidity = s; }
  EValidityStatus GetBothEndPointsRemovalValidity() const { return m_eBothEndPointsRemovalValidity; }
  void SetBothEndPointsRemovalValidity(EValidityStatus s) { m_eBothEndPointsRemovalValidity = s; }

  D3DXVECTOR3* GetOptimalMidPointPosition() { return &m_vOptimalMidPointPosition; }
  void SetOptimalMidPointPosition(const D3DXVECTOR3& p) { m_vOptimalMidPointPosition = p; }
  EMidPointCreationMethod GetMidPointCreationMethod() const { return m_eMidPointCreationMethod; }
  void SetMidPointCreationMethod(EMidPointCreationMethod m) { m_eMidPointCreationMethod = m; }

  void SetEdgeHandleVertexFirstIndex(DWORD bufferIndex, DWORD firstIndex) {
    m_dwEdgeHandleBufferIndex = bufferIndex;
    m_dwEdgeHandleFirstIndex = firstIndex;
  }
  void GetEdgeHandleFirstIndex(DWORD& bufferIndex, DWORD& firstIndex) const {
    bufferIndex = m_dwEdgeHandleBufferIndex;
    firstIndex = m_dwEdgeHandleFirstIndex;
  }

  // Takes the edge out of the reduced mesh: its end points lose an out edge
  // (and a border edge), and the job's edge count and length drop once.
  void DisableRM(CDXThread* thread);

  // The edge's address and the info texts of its half edges ("NULL" for a
  // missing one), between "Edge info start:" and "Edge info end." lines.
  CString GetInfo() const;

 protected:
  // Clears every field but the id.
  void ClearContent() {
    m_pHalfEdge1 = nullptr;
    m_pHalfEdge2 = nullptr;
    m_vOptimalMidPointPosition = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_dwEdgeHandleFirstIndex = 0;
    m_dwEdgeHandleBufferIndex = 0;
    m_bDisabled = false;
    m_bQueued = false;
    m_eSelectedVertexRemovalValidity = eValidityUnknown;
    m_eOtherVertexRemovalValidity = eValidityUnknown;
    m_eBothEndPointsRemovalValidity = eValidityUnknown;
    m_eLowestCostEdgeContraction = eQualificationReset;
    m_eMidPointCreationMethod = eMidPointCreationNone;
  }

 private:
  // Half edge 1, or half edge 2 when there is no half edge 1.
  CGeoHalfEdge* AnyHalfEdge() const { return m_pHalfEdge1 ? m_pHalfEdge1 : m_pHalfEdge2; }

  // Jobs of several documents build at once: ids are taken atomically.
  static std::atomic<DWORD> m_dwEdgeNextAvailableId;

  // Widest first, the states in a byte each: a reduction makes many edges,
  // so what can be derived from the half edges is not stored.
  CGeoHalfEdge* m_pHalfEdge1;
  CGeoHalfEdge* m_pHalfEdge2;
  D3DXVECTOR3 m_vOptimalMidPointPosition;
  DWORD m_dwEdgeId;
  DWORD m_dwEdgeHandleFirstIndex;
  DWORD m_dwEdgeHandleBufferIndex;
  bool m_bDisabled;
  bool m_bQueued;
  CGeoByteEnum<EValidityStatus> m_eSelectedVertexRemovalValidity;
  CGeoByteEnum<EValidityStatus> m_eOtherVertexRemovalValidity;
  CGeoByteEnum<EValidityStatus> m_eBothEndPointsRemovalValidity;
  CGeoByteEnum<EQualificationStatus> m_eLowestCostEdgeContraction;
  CGeoByteEnum<EMidPointCreationMethod> m_eMidPointCreationMethod;
};
