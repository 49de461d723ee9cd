#include "geo_edge_contraction.h"

#include <algorithm>
#include <cmath>

#include "dx_thread.h"
#include "geo_mesh.h"
#include "qorcommon.h"
#include "reduction_options.h"

void SGeoNeighbourhood::Clear() {
  outEdges.clear();
  faces.clear();
  ring.clear();
  ringMatesCollected = false;
  ringMateWalk.clear();
  ringMatesMapped = false;
  removalRefused = false;
}

CGeoEdgeContraction::CGeoEdgeContraction(CGeoMeshTriangles* group, CGeoEdgeList* nextWave,
                                         CGeoVisitedVertexMap* visited, REDUCTIONOPTIONS* options, CDXThread* thread)
    : m_pGroup(group),
      m_pNextWave(nextWave),
      m_pVisited(visited),
      m_pOptions(options),
      m_pThread(thread),
      m_bFailed(false) {}

// Walks and loops over a fan poll once before they start: they are bounded by
// the vertex's edges, so a stop is still taken at once, and the job's state
// is not read at every step.
bool CGeoEdgeContraction::Poll() {
  if (!m_bFailed && m_pThread && !m_pThread->WaitForThreadPlayingEvent()) m_bFailed = true;
  return !m_bFailed;
}

void CGeoEdgeContraction::ClearNeighbourhoods() {
  m_Selected.Clear();
  m_Other.Clear();
}

namespace {

bool AllInvalid(const CGeoEdge* edge) {
  return edge->GetSelectedVertexRemovalValidity() == eValidityInvalid &&
         edge->GetOtherVertexRemovalValidity() == eValidityInvalid &&
         edge->GetBothEndPointsRemovalValidity() == eValidityInvalid;
}

EValidityStatus Validity(bool valid) { return valid ? eValidityValid : eValidityInvalid; }

// A walk round a vertex meets each of its edges at most twice.
size_t WalkBound(const CGeoVertex* v) { return 2 * static_cast<size_t>(v->GetOutEdgesCount()) + 4; }

// The corner of face that is neither a nor b.
CGeoVertex* ThirdCorner(const CGeoFace* face, const CGeoVertex* a, const CGeoVertex* b) {
  CGeoVertex* c[3];
  face->GetTriangleVertices(c[0], c[1], c[2]);
  for (CGeoVertex* v : c)
    if (v != a && v != b) return v;
  return nullptr;
}

// The half edge of face across from its corner v.
CGeoHalfEdge* FarSide(const CGeoFace* face, const CGeoVertex* v) {
  CGeoHalfEdge* h = face->GetFirstHalfEdge();
  for (int k = 0; k < 3; ++k, h = h->GetNextHalfEdge())
    if (!h->InHalfEdge(v)) return h;
  return nullptr;
}

}  // namespace

bool CGeoEdgeContraction::AttemptEdgeContraction(bool& contracted, CGeoEdge* edge, CGeoVertex* selected,
                                                 CGeoVertex* other) {
  contracted = false;
  m_bFailed = false;
  ClearNeighbourhoods();
  if (edge->GetLowestCostEdgeContraction() == eQualificationSkip || edge->IsDisabled() || AllInvalid(edge) ||
      !selected || !other)
    return true;
  const bool valid = ValidateEdgeContraction(edge, selected, other, m_pOptions && m_pOptions->allowMidpoint);
  if (m_bFailed) return false;
  if (!valid) return true;
  const bool linked = EndPointsShareOnlyEdgeApexes(edge, selected, other);
  if (m_bFailed) return false;
  if (!linked) return true;
  RefuseRemovalsRepeatingElements(edge, selected, other);
  if (m_bFailed) return false;
  const bool qualified = QualifyEdgeContractionRM4(edge, selected, other);
  if (m_bFailed) return false;
  if (!qualified) return true;
  CGeoVertex* newVertex = nullptr;
  return ContractEdgeQuick2(contracted, edge, selected, other, newVertex);
}

// Validity.

bool CGeoEdgeContraction::ValidateEdgeContraction2(CGeoEdge* edge, CGeoVertex* selected, CGeoVertex* other) {
  return ValidateEdgeContraction(edge, selected, other, true);
}

bool CGeoEdgeContraction::ValidateEdgeContraction(CGeoEdge* edge, CGeoVertex* selected, CGeoVertex* other,
                                                  bool withMidpoint) {
  if (edge->IsDisabled() || AllInvalid(edge)) return false;
  if (selected->CannotRemove() && other->CannotRemove()) {
    edge->SetSelectedVertexRemovalValidity(eValidityInvalid);
    edge->SetOtherVertexRemovalValidity(eValidityInvalid);
    edge->SetBothEndPointsRemovalValidity(eValidityInvalid);
    return false;
  }
  if (selected->CannotRemove()) edge->SetSelectedVertexRemovalValidity(eValidityInvalid);
  if (other->CannotRemove()) edge->SetOtherVertexRemovalValidity(eValidityInvalid);

  if (edge->GetSelectedVertexRemovalValidity() != eValidityInvalid) {
    const bool removable = ValidateVertexRemovalRM4(selected, m_Selected);
    if (m_bFailed) return false;
    edge->SetSelectedVertexRemovalValidity(Validity(removable));
  }
  if (edge->GetOtherVertexRemovalValidity() != eValidityInvalid) {
    const bool removable = ValidateVertexRemovalRM4(other, m_Other);
    if (m_bFailed) return false;
    edge->SetOtherVertexRemovalValidity(Validity(removable));
  }
  if (edge->GetBothEndPointsRemovalValidity() != eValidityInvalid) {
    bool removable = false;
    if (edge->GetSelectedVertexRemovalValidity() == eValidityValid &&
        edge->GetOtherVertexRemovalValidity() == eValidityValid) {
      // Only a midpoint removes both: without one the state stays as it is,
      // and the edge is valid through its single removals.
      if (!withMidpoint) return true;
      removable = ValidateVerticesRemovalRM2(selected, other);
      if (m_bFailed) return false;
    }
    edge->SetBothEndPointsRemovalValidity(Validity(removable));
  }
  return edge->GetSelectedVertexRemovalValidity() == eValidityValid ||
         edge->GetOtherVertexRemovalValidity() == eValidityValid ||
         edge->GetBothEndPointsRemovalValidity() == eValidityValid;
}

// A vertex that fails is marked for good: border vertices, vertices with
// fewer than three edges or faces, and fans that fold onto themselves.
bool CGeoEdgeContraction::ValidateVertexRemovalRM4(CGeoVertex* vertex, SGeoNeighbourhood& n) {
  bool removable = vertex->GetOutEdgesCount() >= 3 && vertex->GetOutEdgesNoMateCount() == 0 &&
                   GetOutEdges3(vertex, n.outEdges) && n.outEdges.size() == vertex->GetOutEdgesCount() &&
                   GetSurroundingFaces2(vertex, n.faces) && n.faces.size() >= 3 && TryDisableVertexRM2(vertex, n);
  if (m_bFailed) return false;
  if (!removable) vertex->SetCannotRemoveFlag();
  return removable;
}

bool CGeoEdgeContraction::TryDisableVertexRM2(CGeoVertex* vertex, SGeoNeighbourhood& n) {
  if (n.faces.empty() && !GetSurroundingFaces2(vertex, n.faces)) return false;
  if (!n.ringMatesCollected && !GetVertexSurroundingHalfEdgesMate2(vertex, n)) return false;
  return !RingMateOnFaces(n.ringMateWalk, n.faces);
}

// A half edge lies on the face it was linked into, so a ring mate is a half
// edge of a fan face exactly when its face is one of the fan's.
bool CGeoEdgeContraction::RingMateOnFaces(const std::vector<CGeoHalfEdge*>& ringMates,
                                          const std::vector<CGeoFace*>& faces) {
  if (faces.size() <= 16) {  // a fan of a few: face by face
    for (const CGeoHalfEdge* mate : ringMates)
      if (std::find(faces.begin(), faces.end(), mate->GetFace()) != faces.end()) return true;
    return false;
  }
  m_SortedFaces.assign(faces.begin(), faces.end());
  std::sort(m_SortedFaces.begin(), m_SortedFaces.end());
  for (const CGeoHalfEdge* mate : ringMates)
    if (std::binary_search(m_SortedFaces.begin(), m_SortedFaces.end(), mate->GetFace())) return true;
  return false;
}

bool CGeoEdgeContraction::GetVertexSurroundingHalfEdgesMate2(CGeoVertex* vertex, SGeoNeighbourhood& n) {
  // Room for the ring mates and the half edges of the faces that replace the fan.
  n.ringMatesRoom = 4 * static_cast<size_t>(vertex->GetOutEdgesCount());
  n.ringMatesMapped = false;
  n.ringMateWalk.clear();
  CGeoHalfEdge* h = nullptr;
  CGeoHalfEdge* first = vertex->GetFirstSurroundingHalfEdgeRM(h);
  if (!first) return false;
  CGeoHalfEdge* opposite = first;
  const size_t bound = WalkBound(vertex);
  if (!Poll()) return false;
  for (size_t steps = 0;; ++steps) {
    if (steps > bound) return false;
    if (CGeoHalfEdge* mate = opposite->GetMateRM()) n.ringMateWalk.push_back(mate);
    opposite = vertex->GetNextSurroundingHalfEdgeRM(h);
    if (!opposite || !h) return false;
    if (opposite == first) break;
  }
  // Two ring mates from the same start to the same end share a key: the
  // ring is tangled.
  if (RepeatsAHalfEdge(n.ringMateWalk)) return false;
  n.ringMatesCollected = true;
  return true;
}

bool CGeoEdgeContraction::RepeatsAHalfEdge(const std::vector<CGeoHalfEdge*>& halfEdges) {
  m_HalfEdgeEnds.clear();
  for (const CGeoHalfEdge* h : halfEdges) m_HalfEdgeEnds.emplace_back(h->GetStartVertex(), h->GetEndVertex());
  if (m_HalfEdgeEnds.size() <= 16) {  // a ring of a few: pair by pair
    for (size_t i = 1; i < m_HalfEdgeEnds.size(); ++i)
      for (size_t j = 0; j < i; ++j)
        if (m_HalfEdgeEnds[i] == m_HalfEdgeEnds[j]) return true;
    return false;
  }
  std::sort(m_HalfEdgeEnds.begin(), m_HalfEdgeEnds.end());
  return std::adjacent_find(m_HalfEdgeEnds.begin(), m_HalfEdgeEnds.end()) != m_HalfEdgeEnds.end();
}

void CGeoEdgeContraction::MapRingMates(SGeoNeighbourhood& n) {
  if (n.ringMatesMapped) return;
  n.ringMates.Reset(n.ringMatesRoom);
  for (CGeoHalfEdge* mate : n.ringMateWalk)
    n.ringMates.Add(GetHalfEdgeKey2(mate->GetStartVertex(), mate->GetEndVertex()), mate);
  n.ringMatesMapped = true;
}

// The ring mates of both end points but those on the edge's own faces; the
// set keeps the selected vertex's part only.
bool CGeoEdgeContraction::GetEdgeSurroundingHalfEdgesMate2(CGeoVertex* a, CGeoVertex* b) {
  m_EdgeRingMates.Reset(4 * static_cast<size_t>(a->GetOutEdgesCount() + b->GetOutEdgesCount()));
  m_SelectedEdgeRingMates.clear();
  MapRingMates(m_Selected);
  MapRingMates(m_Other);
  bool entered = true;
  m_Selected.ringMates.ForEach([&](ULONGLONG, CGeoHalfEdge* h) {
    if (!entered || h->GetEdgeRM()->InEdge(b)) return;
    entered = m_pGroup->AddSurroundingHalfEdge(h, &m_EdgeRingMates);
    m_SelectedEdgeRingMates.push_back(h);
  });
  m_Other.ringMates.ForEach([&](ULONGLONG, CGeoHalfEdge* h) {
    if (entered && !h->GetEdgeRM()->InEdge(a)) entered = m_pGroup->AddSurroundingHalfEdge(h, &m_EdgeRingMates);
  });
  return entered;
}

bool CGeoEdgeContraction::ValidateVerticesRemovalRM2(CGeoVertex* a, CGeoVertex* b) {
  if (a->GetOutEdgesNoMateCount() > 0 || b->GetOutEdgesNoMateCount() > 0) return false;
  if (!GetEdgeSurroundingHalfEdgesMate2(a, b)) return false;
  return !RingMateOnFaces(m_SelectedEdgeRingMates, m_Selected.faces) &&
         !RingMateOnFaces(m_SelectedEdgeRingMates, m_Other.faces);
}

bool CGeoEdgeContraction::GetOutEdges3(CGeoVertex* vertex, std::vector<CGeoEdge*>& outEdges) {
  outEdges.clear();
  CGeoHalfEdge* first = vertex->GetFirstOutHalfEdgeRM();
  if (!first) return false;
  CGeoHalfEdge* h = first;
  bool crossed = false;
  if (!Poll()) return false;
  do {
    if (outEdges.size() >= vertex->GetOutEdgesCount()) return false;
    outEdges.push_back(h->GetEdgeRM());
    h = vertex->GetNextOutHalfEdgeRM(h, crossed);
    if (!h) return false;
  } while (h != first);
  return true;
}

bool CGeoEdgeContraction::GetSurroundingFaces2(CGeoVertex* vertex, std::vector<CGeoFace*>& faces) {
  faces.clear();
  CGeoHalfEdge* h = nullptr;
  CGeoFace* first = vertex->GetFirstSurroundingFaceRM(h);
  if (!first) return false;
  CGeoFace* face = first;
  const size_t bound = WalkBound(vertex);
  if (!Poll()) return false;
  do {
    if (faces.size() > bound) return false;
    faces.push_back(face);
    face = vertex->GetNextSurroundingFaceRM(h);
    if (!face || !h) return false;
  } while (face != first);
  return true;
}

bool CGeoEdgeContraction::GetSurroundingVertices2(CGeoVertex* vertex, CGeoVertex* start,
                                                  std::vector<CGeoVertex*>& ring) {
  ring.clear();
  CGeoHalfEdge* h = vertex->GetSurroundingVertexOutHalfEdgeRM2(start);
  if (!h) return false;
  ring.push_back(start);
  bool crossed = false;
  const size_t bound = WalkBound(vertex);
  if (!Poll()) return false;
  for (;;) {
    if (ring.size() > bound) return false;
    CGeoVertex* w = vertex->GetNextSurroundingVertexRM(h, crossed);
    if (!w || !h) return false;
    if (w == start) return true;
    ring.push_back(w);
  }
}

bool CGeoEdgeContraction::GetNeighbours(CGeoVertex* vertex, const std::vector<CGeoEdge*>& outEdges,
                                        std::vector<CGeoVertex*>& neighbours) {
  neighbours.clear();
  if (!outEdges.empty()) {  // the validity walk has them already
    for (const CGeoEdge* e : outEdges) neighbours.push_back(e->GetOtherVertex(vertex));
    std::sort(neighbours.begin(), neighbours.end());
    return true;
  }
  CGeoHalfEdge* first = vertex->GetFirstOutHalfEdgeRM();
  if (!first || first->IsDisabled()) return false;
  CGeoHalfEdge* h = first;
  bool crossed = false;
  const size_t bound = WalkBound(vertex);
  if (!Poll()) return false;
  do {
    if (neighbours.size() > bound) return false;
    neighbours.push_back(h->GetOtherVertex(vertex));
    h = vertex->GetNextOutHalfEdgeRM(h, crossed);
    if (!h) return false;
  } while (h != first);
  std::sort(neighbours.begin(), neighbours.end());
  return true;
}

bool CGeoEdgeContraction::EndPointsShareOnlyEdgeApexes(CGeoEdge* edge, CGeoVertex* a, CGeoVertex* b) {
  CGeoFace *f1 = nullptr, *f2 = nullptr;
  edge->GetEdgeFaces(f1, f2);
  if (!f1 || !f2) return false;
  const CGeoVertex* apex1 = ThirdCorner(f1, a, b);
  const CGeoVertex* apex2 = ThirdCorner(f2, a, b);
  if (!apex1 || !apex2 || apex1 == apex2) return false;
  if (!GetNeighbours(a, m_Selected.outEdges, m_NeighboursA) || !GetNeighbours(b, m_Other.outEdges, m_NeighboursB))
    return false;
  for (CGeoVertex* v : m_NeighboursB)
    if (v != a && v != apex1 && v != apex2 && std::binary_search(m_NeighboursA.begin(), m_NeighboursA.end(), v))
      return false;
  return true;
}

void CGeoEdgeContraction::RefuseRemovalsRepeatingElements(CGeoEdge* edge, CGeoVertex* selected, CGeoVertex* other) {
  if (edge->GetSelectedVertexRemovalValidity() == eValidityValid)
    m_Selected.removalRefused = !RemovalMakesOnlyNewElements(selected, other, m_Selected, m_NeighboursB);
  if (!m_bFailed && edge->GetOtherVertexRemovalValidity() == eValidityValid)
    m_Other.removalRefused = !RemovalMakesOnlyNewElements(other, selected, m_Other, m_NeighboursA);
}

bool CGeoEdgeContraction::RemovalMakesOnlyNewElements(CGeoVertex* removed, CGeoVertex* kept, SGeoNeighbourhood& n,
                                                      const std::vector<CGeoVertex*>& keptNeighbours) {
  if (n.faces.empty() && !GetSurroundingFaces2(removed, n.faces)) return false;
  // Each fan face without kept comes back on kept and its far side.
  m_NewSides.clear();
  for (const CGeoFace* face : n.faces) {
    if (face->InTriangleFace(kept)) continue;
    CGeoHalfEdge* side = FarSide(face, removed);
    if (!side) return false;
    // Within the group a face on kept lies across that side only when the
    // removed vertex has three faces that close a tetrahedron with it.
    if (side->GetOtherFaceApexVertex() == kept) return false;
    m_NewSides.push_back(side);
  }
  CGeoMesh* mesh = m_pGroup->GetGeoMesh();
  const std::vector<CGeoVertex*>* coincident = mesh ? mesh->GetCoincidentVertices(*kept->GetPosition()) : nullptr;
  if (!coincident) return true;
  auto isNewNeighbour = [&](const CGeoVertex* v) {
    return v != kept && !std::binary_search(keptNeighbours.begin(), keptNeighbours.end(), v);
  };
  for (CGeoVertex* twin : *coincident) {
    if (twin == kept || twin->IsDisabled()) continue;
    if (!GetSurroundingFaces2(twin, m_CoincidentFaces)) return false;
    for (const CGeoFace* face : m_CoincidentFaces) {
      const CGeoHalfEdge* far = FarSide(face, twin);
      if (face->IsDisabled() || !far) return false;
      for (const CGeoHalfEdge* side : m_NewSides) {
        CGeoVertex* p = side->GetStartVertex();
        CGeoVertex* q = side->GetEndVertex();
        // The same face, or an edge from kept that the other group has.
        if (far->VertexPositionsAre(p, q)) return false;
        for (const CGeoVertex* v : {p, q})
          if (isNewNeighbour(v) && far->PositionInHalfEdge(v)) return false;
      }
    }
  }
  return true;
}

// Qualification.

bool CGeoEdgeContraction::QualifyEdgeContractionRM4(CGeoEdge* edge, CGeoVertex* selected, CGeoVertex* other) {
  bool qualified = false;
  float cost = 0.0f;
  const bool small = EdgeTrianglesAreaTest(edge);
  // Edges with a large face only move when the change is slight.
  auto accepted = [small](float ratio, float angle) { return small || (ratio <= 2.0f && angle <= 2.0f); };
  auto choose = [&](EQualificationStatus kind, float ratio, float angle) {
    if (!accepted(ratio, angle)) return false;
    const float c = ComputeRemovalCost(ratio, angle);
    if (qualified && !(c < cost)) return false;
    cost = c;
    qualified = true;
    edge->SetLowestCostEdgeContraction(kind, cost);
    return true;
  };

  float ratio = 0.0f, angle = 0.0f;
  if (edge->GetSelectedVertexRemovalValidity() == eValidityValid && !m_Selected.removalRefused &&
      QualifyVertexRemovalRM5(ratio, angle, *other->GetPosition(), selected, other, m_Selected))
    choose(eQualificationRemoveSelectedVertex, ratio, angle);
  if (m_bFailed) return false;
  if (edge->GetOtherVertexRemovalValidity() == eValidityValid && !m_Other.removalRefused &&
      QualifyVertexRemovalRM5(ratio, angle, *selected->GetPosition(), other, selected, m_Other))
    choose(eQualificationRemoveOtherVertex, ratio, angle);
  if (m_bFailed) return false;
  D3DXVECTOR3 midPoint(0.0f, 0.0f, 0.0f);
  if (m_pOptions->allowMidpoint && edge->GetBothEndPointsRemovalValidity() == eValidityValid &&
      QualifyOptimalMidPointEdgeContractionRM4(ratio, angle, midPoint, edge, selected, other) &&
      choose(eQualificationOptimalMidPoint, ratio, angle))
    edge->SetOptimalMidPointPosition(midPoint);
  return qualified && !m_bFailed;
}

// Whether the edge's faces are no larger than the face-area factor times the
// mean area of the job's triangles.
bool CGeoEdgeContraction::EdgeTrianglesAreaTest(CGeoEdge* edge) {
  const DWORD count = m_pThread ? m_pThread->GetCurrentThreadOutputTrianglesCount() : 0;
  if (count == 0) return true;
  const float mean = static_cast<float>(m_pThread->GetTotalActiveTrianglesArea() / count);
  const float limit = mean * m_pOptions->faceAreaFactor;
  CGeoFace *f1 = nullptr, *f2 = nullptr;
  edge->GetEdgeFaces(f1, f2);
  for (const CGeoFace* f : {f1, f2})
    if (f && f->GetTriangleArea() > limit) return false;
  return true;
}

bool CGeoEdgeContraction::QualifyVertexRemovalRM5(float& areaChangeRatio, float& normalAngleChange,
                                                  const D3DXVECTOR3& newPosition, CGeoVertex* removed,
                                                  CGeoVertex* kept, SGeoNeighbourhood& n) {
  areaChangeRatio = normalAngleChange = 0.0f;
  if (n.ring.empty() && !GetSurroundingVertices2(removed, kept, n.ring)) return false;
  if (n.faces.empty() && !GetSurroundingFaces2(removed, n.faces)) return false;
  if (!ComputeLargestOldNewFacesDeltaNormalAngle(normalAngleChange, newPosition, removed, kept, n.faces))
    return false;
  float oldArea = 0.0f, smallest = 0.0f;
  double newArea = 0.0;
  return ComputeSurroundingFacesArea(oldArea, n.faces, nullptr, nullptr) &&
         ComputeNewFanArea(newArea, smallest, newPosition, n.ring) &&
         AreaChangeWithinLimit(areaChangeRatio, oldArea, newArea, smallest);
}

bool CGeoEdgeContraction::QualifyOptimalMidPointEdgeContractionRM4(float& areaChangeRatio, float& normalAngleChange,
                                                                   D3DXVECTOR3& midPoint, CGeoEdge* edge,
                                                                   CGeoVertex* a, CGeoVertex* b) {
  areaChangeRatio = normalAngleChange = 0.0f;
  midPoint = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  SGeoNeighbourhood& na = m_Selected;
  SGeoNeighbourhood& nb = m_Other;
  if (na.ring.empty() && !GetSurroundingVertices2(a, b, na.ring)) return false;
  if (nb.ring.empty() && !GetSurroundingVertices2(b, a, nb.ring)) return false;
  if (na.faces.empty() && !GetSurroundingFaces2(a, na.faces)) return false;
  if (nb.faces.empty() && !GetSurroundingFaces2(b, nb.faces)) return false;
  bool firstMethod = true;
  if (!ComputeOptimalMidPointPosition3(firstMethod, midPoint, a, b)) return false;
  edge->SetMidPointCreationMethod(firstMethod ? eMidPointCreationMethod1 : eMidPointCreationMethod2);
  float angleA = 0.0f, angleB = 0.0f;
  if (!ComputeLargestOldNewFacesDeltaNormalAngle(angleA, midPoint, a, b, na.faces) ||
      !ComputeLargestOldNewFacesDeltaNormalAngle(angleB, midPoint, b, a, nb.faces))
    return false;
  normalAngleChange = std::max(angleA, angleB);
  float oldA = 0.0f, oldB = 0.0f, smallestA = 0.0f, smallestB = 0.0f;
  double newA = 0.0, newB = 0.0;
  if (!ComputeSurroundingFacesArea(oldA, na.faces, nullptr, nullptr) ||
      !ComputeSurroundingFacesArea(oldB, nb.faces, a, b) || !ComputeNewFanArea(newA, smallestA, midPoint, na.ring) ||
      !ComputeNewFanArea(newB, smallestB, midPoint, nb.ring))
    return false;
  return AreaChangeWithinLimit(areaChangeRatio, oldA + oldB, newA + newB, std::min(smallestA, smallestB));
}

bool CGeoEdgeContraction::ComputeOptimalMidPointPosition3(bool& firstMethod, D3DXVECTOR3& midPoint, CGeoVertex* a,
                                                         CGeoVertex* b) {
  firstMethod = true;
  if (m_Selected.ring.size() < 4 || m_Other.ring.size() < 4) return false;
  if (a->GetVertexType() == eVertexTypeMidPoint && b->GetVertexType() == eVertexTypeMidPoint &&
      a->GetMidPointCreationMethod() == eMidPointCreationMethod1 &&
      b->GetMidPointCreationMethod() == eMidPointCreationMethod1)
    firstMethod = false;
  midPoint = (*a->GetPosition() + *b->GetPosition()) / 2.0f;
  return true;
}

bool CGeoEdgeContraction::ComputeLargestOldNewFacesDeltaNormalAngle(float& largest, const D3DXVECTOR3& newPosition,
                                                                   CGeoVertex* moved, CGeoVertex* kept,
                                                                   const std::vector<CGeoFace*>& faces) {
  largest = 0.0f;
  if (faces.size() < 2) return false;
  if (!Poll()) return false;
  for (const CGeoFace* face : faces) {
    if (face->InTriangleFace(kept)) continue;  // it goes with the edge
    CGeoVertex* c[3];
    face->GetTriangleVertices(c[0], c[1], c[2]);
    const int i = c[0] == moved ? 0 : c[1] == moved ? 1 : 2;
    largest = std::max(largest, ComputeOldNewTrianglesDeltaNormalAngle(newPosition, c[(i + 1) % 3], c[(i + 2) % 3],
                                                                       moved));
    if (largest > m_pOptions->maxNormalAngle) return false;
  }
  return true;
}

float CGeoEdgeContraction::ComputeOldNewTrianglesDeltaNormalAngle(const D3DXVECTOR3& newPosition,
                                                                  const CGeoVertex* p, const CGeoVertex* q,
                                                                  const CGeoVertex* moved) {
  float c = 0.0f;
  if (!ComputeOldNewTrianglesNormalsCosine(c, newPosition, p, q, moved)) return 0.0f;
  if (std::isnan(c)) return 180.0f;  // non-finite positions never qualify
  if (c == 0.0f) return 90.0f;
  if (c >= 1.0f) return 0.0f;
  if (c < 0.0f) return 180.0f;  // any turn past a right angle counts as a reversal
  return CosineDegrees(c);
}

bool CGeoEdgeContraction::ComputeOldNewTrianglesNormalsCosine(float& cosine, const D3DXVECTOR3& newPosition,
                                                              const CGeoVertex* p, const CGeoVertex* q,
                                                              const CGeoVertex* moved) {
  const D3DXVECTOR3& P = *p->GetPosition();
  const D3DXVECTOR3& Q = *q->GetPosition();
  const D3DXVECTOR3& V = *moved->GetPosition();
  D3DXVECTOR3 oldCross, newCross;
  const D3DXVECTOR3 pv = P - V, qv = Q - V, pn = P - newPosition, qn = Q - newPosition;
  D3DXVec3Cross(&oldCross, &pv, &qv);
  D3DXVec3Cross(&newCross, &pn, &qn);
  const float oldLength = D3DXVec3Length(&oldCross), newLength = D3DXVec3Length(&newCross);
  if (oldLength == 0.0f || newLength == 0.0f) return false;
  const D3DXVECTOR3 nOld = oldCross / oldLength, nNew = newCross / newLength;
  cosine = nOld == nNew ? 1.0f : RoundNormalsCosine(D3DXVec3Dot(&nOld, &nNew));
  return true;
}

float CGeoEdgeContraction::RoundNormalsCosine(float c) {
  if (c > 1.0f && c - 1.0f < 0.001f) c = 1.0f;
  if (c < -1.0f && std::fabs(c + 1.0f) < 0.01f) c = -1.0f;
  return c;
}

float CGeoEdgeContraction::CosineDegrees(float c) {
  return std::fabs(std::acos(std::clamp(c, -1.0f, 1.0f)) * 57.2957763671875f);
}

float CGeoEdgeContraction::ComputeRemovalCost(float areaChangeRatio, float normalAngleChange) {
  const long double cost =
      ((static_cast<long double>(areaChangeRatio) * 100.0L) / 2.0L + normalAngleChange / 12.0L) / 2.0L;
  return static_cast<float>(cost);
}

bool CGeoEdgeContraction::ComputeTriangleArea(float& area, const D3DXVECTOR3& p1, const D3DXVECTOR3& p2,
                                              const D3DXVECTOR3& p3) {
  area = 0.0f;
  const D3DXVECTOR3 a = p1 - p2, b = p2 - p3, c = p3 - p1;
  return ::ComputeTriangleArea(area, D3DXVec3Length(&a), D3DXVec3Length(&b), D3DXVec3Length(&c));
}

// Sum of the current areas of the faces, leaving out those that have both
// skipA and skipB as corners.
bool CGeoEdgeContraction::ComputeSurroundingFacesArea(float& area, const std::vector<CGeoFace*>& faces,
                                                      const CGeoVertex* skipA, const CGeoVertex* skipB) {
  area = 0.0f;
  if (!Poll()) return false;
  for (const CGeoFace* face : faces) {
    if (skipA && face->InTriangleFace(skipA, skipB)) continue;
    // The area the face took when it was made, as its corners never move;
    // only a face without one is measured again, to tell whether it has any.
    float faceArea = face->GetTriangleArea();
    if (faceArea == 0.0f && !face->ComputeTriangleArea(faceArea)) return false;
    area += faceArea;
  }
  return true;
}

bool CGeoEdgeContraction::ComputeNewFanArea(double& total, float& smallest, const D3DXVECTOR3& position,
                                            const std::vector<CGeoVertex*>& ring) {
  total = 0.0;
  smallest = 0.0f;
  if (ring.size() < 3) return false;
  if (!Poll()) return false;
  for (size_t k = 2; k < ring.size(); ++k) {
    float area = 0.0f;
    if (!ComputeTriangleArea(area, position, *ring[k]->GetPosition(), *ring[k - 1]->GetPosition()) || area == 0.0f)
      return false;  // a new triangle without area is never made
    total += area;
    if (smallest == 0.0f || area < smallest) smallest = area;
  }
  return true;
}

bool CGeoEdgeContraction::AreaChangeWithinLimit(float& areaChangeRatio, float oldArea, double newArea,
                                                float smallest) const {
  if (smallest == 0.0f) return false;
  areaChangeRatio = static_cast<float>(std::fabs(newArea - oldArea) / oldArea);
  return areaChangeRatio <= m_pOptions->maxAreaChangePercent / 100.0f;  // false for NaN
}

// Contraction. Once it begins it runs to its end without polling the job, so
// that a stop never leaves a contraction half done.

bool CGeoEdgeContraction::ContractEdgeQuick2(bool& contracted, CGeoEdge* edge, CGeoVertex* selected,
                                             CGeoVertex* other, CGeoVertex*& newVertex) {
  contracted = false;
  newVertex = nullptr;
  switch (edge->GetLowestCostEdgeContraction()) {
    case eQualificationRemoveSelectedVertex:
      newVertex = other;
      contracted = RemoveVertex3(selected, other, m_Selected);
      break;
    case eQualificationRemoveOtherVertex:
      newVertex = selected;
      contracted = RemoveVertex3(other, selected, m_Other);
      break;
    case eQualificationOptimalMidPoint:
      contracted = RemoveEdgeVertices2(newVertex, *edge->GetOptimalMidPointPosition(), selected, other);
      if (contracted)
        newVertex->SetMidPointCreationMethod(edge->GetMidPointCreationMethod() == eMidPointCreationMethod1
                                                 ? eMidPointCreationMethod1
                                                 : eMidPointCreationMethod2);
      break;
    default:
      m_bFailed = true;
  }
  m_pGroup->GetHalfEdgesRMArray()->ReleaseRecycled();
  m_pGroup->GetEdgesRMArray()->ReleaseRecycled();
  m_pGroup->GetNewFacesArray()->ReleaseRecycled();
  return !m_bFailed;
}

bool CGeoEdgeContraction::RemoveVertex3(CGeoVertex* removed, CGeoVertex* kept, SGeoNeighbourhood& n) {
  MapRingMates(n);
  DisableVertexRM2(removed, n.faces);
  CreateNewVertexSurroundingFaces3(kept, removed, kept, n.faces, n.ringMates);
  if (!CreateEdges(n.ringMates)) return false;
  return true;
}

bool CGeoEdgeContraction::RemoveEdgeVertices2(CGeoVertex*& midPointVertex, const D3DXVECTOR3& midPoint,
                                              CGeoVertex* a, CGeoVertex* b) {
  // The one step that can fail comes first, before the mesh changes.
  if (!CreateReplacingMidPointVertex(midPointVertex, a, b, midPoint)) return false;
  DisableVertexRM2(a, m_Selected.faces);
  DisableVertexRM2(b, m_Other.faces);
  CreateNewVertexSurroundingFaces3(midPointVertex, a, b, m_Selected.faces, m_EdgeRingMates);
  CreateNewVertexSurroundingFaces3(midPointVertex, b, a, m_Other.faces, m_EdgeRingMates);
  if (!CreateEdges(m_EdgeRingMates)) return false;
  // Its handle only shows the vertex: a handle that cannot be made is no
  // failure of the contraction.
  m_pGroup->GetGeoMesh()->CreateNewMidPointVertexHandle(midPointVertex, m_pOptions, m_pThread);
  return true;
}

// The midpoint vertex takes a's record in the drawn vertex buffer, and both
// a's and b's records move to the midpoint. When a record cannot be moved the
// contraction fails and the new vertex stays out of the mesh.
bool CGeoEdgeContraction::CreateReplacingMidPointVertex(CGeoVertex*& midPointVertex, CGeoVertex* a, CGeoVertex* b,
                                                        const D3DXVECTOR3& midPoint) {
  const D3DXVECTOR3 normal = (a->GetNormal() + b->GetNormal()) / 2.0f;
  const D3DVERTEX record = {midPoint.x,
                            midPoint.y,
                            midPoint.z,
                            normal.x,
                            normal.y,
                            normal.z,
                            (a->GetTextureU() + b->GetTextureU()) / 2.0f,
                            (a->GetTextureV() + b->GetTextureV()) / 2.0f};
  midPointVertex = m_pGroup->GetNewVerticesArray()->NewVertex();
  midPointVertex->Initialize(&record, a->GetVerticesMapIndex(), a->GetGeoMeshTrianglesIndex(), eVertexTypeMidPoint);
  midPointVertex->SetVertexHandleIndex(a->GetVertexHandleIndex());
  CGeoMesh* mesh = m_pGroup->GetGeoMesh();
  if (!mesh->SetUnlitVertexPosition(a->GetVerticesMapIndex(), &midPoint)) {
    midPointVertex->DisableRM(m_pOptions, nullptr);
    m_bFailed = true;
    return false;
  }
  if (!mesh->SetUnlitVertexPosition(b->GetVerticesMapIndex(), &midPoint)) {
    mesh->SetUnlitVertexPosition(a->GetVerticesMapIndex(), a->GetPosition());
    midPointVertex->DisableRM(m_pOptions, nullptr);
    m_bFailed = true;
    return false;
  }
  if (m_pThread) m_pThread->IncreaseThreadOutputVerticesCount(1);
  return true;
}

bool CGeoEdgeContraction::CreateNewVertexSurroundingFaces3(CGeoVertex* newVertex, CGeoVertex* removed,
                                                           CGeoVertex* skip, const std::vector<CGeoFace*>& faces,
                                                           CGeoHalfEdgeMap& map) {
  if (faces.size() < 2) return false;
  SGeoMadeCounts made;
  for (const CGeoFace* face : faces) {
    if (face->InTriangleFace(skip)) continue;
    CGeoVertex* c[3];
    face->GetTriangleVertices(c[0], c[1], c[2]);
    for (CGeoVertex*& corner : c)
      if (corner == removed) {
        corner = newVertex;
        break;
      }
    m_pGroup->CreateFaceRM2(c[0], c[1], c[2], &map, m_pThread, &made);
  }
  made.Report(m_pThread);
  return true;
}

void CGeoEdgeContraction::DisableVertexRM2(CGeoVertex* vertex, const std::vector<CGeoFace*>& faces) {
  if (vertex->IsDisabled()) return;
  vertex->DisableRM(m_pOptions, m_pThread);
  SGeoDisabledCounts counts;
  for (CGeoFace* face : faces) DisableFaceRM2(face, counts);
  m_pGroup->GetGeoMesh()->SetVertexHandleDisplayProperties(vertex);
  // The half edges and edges go to the job in one report each.
  if (!m_pThread) return;
  if (counts.halfEdges) m_pThread->DecreaseThreadOutputHalfEdgesCount(counts.halfEdges);
  if (counts.edges) m_pThread->DecreaseThreadOutputEdgesCount(counts.edges, counts.edgesLength);
}

void CGeoEdgeContraction::DisableFaceRM2(CGeoFace* face, SGeoDisabledCounts& counts) {
  if (face->IsDisabled()) return;
  face->DisableRM(m_pThread);
  // The face and its half edges, the build's as well as those a contraction
  // made, go to the reduction pools for the faces of later contractions:
  // nothing reads them once the face is gone (the half edges across the fan
  // are paired anew by this contraction), and the fans of this contraction
  // are read before the pools hand them out again (ContractEdgeQuick2).
  CGeoHalfEdge* h = face->GetFirstHalfEdge();
  for (int k = 0; k < 3; ++k, h = h->GetNextHalfEdge()) {
    if (!h->IsDisabled()) {
      h->Disable(nullptr);
      ++counts.halfEdges;
      m_pGroup->GetHalfEdgesRMArray()->Recycle(h);
    }
    CGeoEdge* e = h->GetEdgeRM();
    if (e && !e->IsDisabled()) {
      e->DisableRM(nullptr);
      ++counts.edges;
      counts.edgesLength += e->GetEdgeMagnitude();
      m_pGroup->ReleaseDisabledEdge(e);
    }
  }
  if (face->GetType() == eFaceTypeContraction)
    m_pGroup->GetNewFacesArray()->DeleteRenderedFace(face);
  else
    m_pGroup->GetOriginalFacesArray()->EraseRenderedFace(face);
  m_pGroup->GetNewFacesArray()->Recycle(face);
}

bool CGeoEdgeContraction::CreateEdges(CGeoHalfEdgeMap& map) {
  if (m_pGroup->CreateEdgesRM3(&map, m_pNextWave, m_pVisited, m_pOptions, m_pThread)) return true;
  m_bFailed = true;
  return false;
}
