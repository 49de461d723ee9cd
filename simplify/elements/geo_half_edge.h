// A half edge: one side of a triangle, directed round its face. Half edges
// are never re-linked; only their reduced-mesh edge changes.
#pragma once

#include "geo_types.h"

class CGeoHalfEdge {
 public:
  CGeoHalfEdge() { ClearContent(); }
  CGeoHalfEdge(const CGeoHalfEdge&) = default;
  CGeoHalfEdge& operator=(const CGeoHalfEdge&) = default;
  virtual ~CGeoHalfEdge() { DestroyContent(); }

  void DestroyContent() { ClearContent(); }
  bool Initialize(CGeoVertex* start, CGeoHalfEdge* next, CGeoHalfEdge* prev, CGeoFace* face);

  // Sets the original and the reduced-mesh edge.
  void SetEdge(CGeoEdge* e) { m_pEdge = m_pEdgeRM = e; }
  void SetEdgeRM(CGeoEdge* e) { m_pEdgeRM = e; }
  CGeoEdge* GetEdge() const { return m_pEdge; }
  CGeoEdge* GetEdgeRM() const { return m_pEdgeRM; }
  CGeoFace* GetFace() const { return m_pFace; }
  CGeoVertex* GetStartVertex() const { return m_pStartVertex; }
  CGeoVertex* GetEndVertex() const;
  CGeoHalfEdge* GetNextHalfEdge() const { return m_pNextHalfEdge; }
  CGeoHalfEdge* GetPrevHalfEdge() const { return m_pPrevHalfEdge; }
  bool IsDisabled() const { return m_bDisabled; }

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
  void ClearContent();

 private:
  CGeoEdge* m_pEdge;
  CGeoFace* m_pFace;
  CGeoVertex* m_pStartVertex;
  CGeoHalfEdge* m_pNextHalfEdge;
  CGeoHalfEdge* m_pPrevHalfEdge;
  bool m_bDisabled;
  CGeoEdge* m_pEdgeRM;
};
