// CGeoEdgeContraction: the contraction of edges of one material group, one
// attempt at a time. An attempt collects the neighbourhoods of the edge's two
// end points once; the validity tests, the qualification and the contraction
// itself share them.
#pragma once

#include <utility>
#include <vector>

#include "geo_mesh_triangles.h"

// The neighbourhood of one end point, as one attempt collects it. Every
// collection is filled at most once per attempt, by the first stage that
// needs it.
struct SGeoNeighbourhood {
  std::vector<CGeoEdge*> outEdges;  // in the order of the out-half-edge walk
  std::vector<CGeoFace*> faces;     // in the order of the face walk
  std::vector<CGeoVertex*> ring;    // from the edge's other end point round the vertex
  std::vector<CGeoHalfEdge*> ringMateWalk;  // mates of the half edges across the ring, in walk order
  bool ringMatesCollected = false;
  // The same half edges by key, entered in walk order into a table sized for
  // ringMatesRoom entries: made only for a contraction, which pairs the new
  // half edges through it, or for the test of removing both end points.
  CGeoHalfEdgeMap ringMates;
  size_t ringMatesRoom = 0;
  bool ringMatesMapped = false;
  // Removing this end point onto the other would make a face or an edge
  // that the mesh has already: this attempt does not remove it.
  bool removalRefused = false;

  void Clear();
};

class CGeoEdgeContraction {
 public:
  // Edges that contractions create are appended to nextWave, and both their
  // end points entered in visited.
  CGeoEdgeContraction(CGeoMeshTriangles* group, CGeoEdgeList* nextWave, CGeoVisitedVertexMap* visited,
                      REDUCTIONOPTIONS* options, CDXThread* thread);

  // One attempt: validity, qualification, then the cheapest qualified
  // contraction. False only on failure (the job stopped, or a step of the
  // contraction could not be done); contracted tells whether it was done.
  bool AttemptEdgeContraction(bool& contracted, CGeoEdge* edge, CGeoVertex* selected, CGeoVertex* other);

  // Validity: may the selected vertex, the other vertex or both be removed
  // without breaking the mesh? Sets the edge's three validity states.
  bool ValidateEdgeContraction2(CGeoEdge* edge, CGeoVertex* selected, CGeoVertex* other);
  // Qualification: the cheapest valid removal within the options' limits,
  // stored in the edge with its cost (and midpoint).
  bool QualifyEdgeContractionRM4(CGeoEdge* edge, CGeoVertex* selected, CGeoVertex* other);
  // Carries out the edge's chosen contraction; newVertex is the vertex that
  // takes the removed vertex's place.
  bool ContractEdgeQuick2(bool& contracted, CGeoEdge* edge, CGeoVertex* selected, CGeoVertex* other,
                          CGeoVertex*& newVertex);

  // The walks of an attempt. False when the walk does not close or the job
  // stopped; Stopped() tells which.
  bool GetOutEdges3(CGeoVertex* vertex, std::vector<CGeoEdge*>& outEdges);
  bool GetSurroundingVertices2(CGeoVertex* vertex, CGeoVertex* start, std::vector<CGeoVertex*>& ring);
  bool Stopped() const { return m_bFailed; }

  // Makes each face of the removed vertex's fan that does not touch skip
  // again with newVertex in the removed vertex's corner, in the same order.
  // A fan of fewer than 2 faces answers false and makes nothing.
  bool CreateNewVertexSurroundingFaces3(CGeoVertex* newVertex, CGeoVertex* removed, CGeoVertex* skip,
                                        const std::vector<CGeoFace*>& faces, CGeoHalfEdgeMap& map);

  // Turn in degrees of the normal of triangle (moved, p, q) when moved goes
  // to newPosition: 0 for no turn or a degenerate triangle, 180 for any turn
  // past a right angle.
  static float ComputeOldNewTrianglesDeltaNormalAngle(const D3DXVECTOR3& newPosition, const CGeoVertex* p,
                                                      const CGeoVertex* q, const CGeoVertex* moved);
  // The cosine of that turn: exactly 1 when the unit normals are equal,
  // rounded as RoundNormalsCosine; false when either triangle has no normal.
  static bool ComputeOldNewTrianglesNormalsCosine(float& cosine, const D3DXVECTOR3& newPosition, const CGeoVertex* p,
                                                  const CGeoVertex* q, const CGeoVertex* moved);
  // A cosine of unit vectors that rounding took just past 1 (by less than
  // 0.001) or -1 (by less than 0.01) is taken as 1 or -1.
  static float RoundNormalsCosine(float c);
  // |acos(c)| in degrees, c first bounded to [-1, 1].
  static float CosineDegrees(float c);
  // Lower is better: area change ratio (a fraction) and normal turn (degrees).
  static float ComputeRemovalCost(float areaChangeRatio, float normalAngleChange);
  static bool ComputeTriangleArea(float& area, const D3DXVECTOR3& p1, const D3DXVECTOR3& p2, const D3DXVECTOR3& p3);

 private:
  // False, and the attempt failed, once the job is to stop.
  bool Poll();
  // ValidateEdgeContraction2; the removal of both end points is tested only
  // withMidpoint, as only a midpoint contraction needs it.
  bool ValidateEdgeContraction(CGeoEdge* edge, CGeoVertex* selected, CGeoVertex* other, bool withMidpoint);
  void ClearNeighbourhoods();

  // Validity.
  bool ValidateVertexRemovalRM4(CGeoVertex* vertex, SGeoNeighbourhood& n);
  bool ValidateVerticesRemovalRM2(CGeoVertex* a, CGeoVertex* b);
  bool TryDisableVertexRM2(CGeoVertex* vertex, SGeoNeighbourhood& n);
  // Whether one of the ring mates lies on one of the faces: a fan face then
  // lies across a ring edge from another, and the fan would fold onto itself.
  bool RingMateOnFaces(const std::vector<CGeoHalfEdge*>& ringMates, const std::vector<CGeoFace*>& faces);
  bool GetVertexSurroundingHalfEdgesMate2(CGeoVertex* vertex, SGeoNeighbourhood& n);
  // Enters the collected ring mates in n.ringMates, once per attempt.
  static void MapRingMates(SGeoNeighbourhood& n);
  // Whether two of the half edges join the same start to the same end.
  bool RepeatsAHalfEdge(const std::vector<CGeoHalfEdge*>& halfEdges);
  bool GetEdgeSurroundingHalfEdgesMate2(CGeoVertex* a, CGeoVertex* b);
  bool GetSurroundingFaces2(CGeoVertex* vertex, std::vector<CGeoFace*>& faces);
  // Every vertex joined to vertex by an edge, sorted: from its out edges when
  // they were collected, else by a walk round it; false when that walk does
  // not close.
  bool GetNeighbours(CGeoVertex* vertex, const std::vector<CGeoEdge*>& outEdges,
                     std::vector<CGeoVertex*>& neighbours);
  // The end points' only common neighbours are the far corners of the
  // edge's two faces, so that no contraction of the edge joins two of the
  // group's edges into one (a tetrahedron passes: see below).
  bool EndPointsShareOnlyEdgeApexes(CGeoEdge* edge, CGeoVertex* a, CGeoVertex* b);
  // Refuses, for this attempt, each valid removal of one end point that
  // would make a face or an edge that the mesh has already.
  void RefuseRemovalsRepeatingElements(CGeoEdge* edge, CGeoVertex* selected, CGeoVertex* other);
  // Whether the faces and edges that removing `removed` onto `kept` makes are
  // new to the whole mesh, every group of it. A face the group has already
  // comes back when the last tetrahedron of a closed part would fold; a face
  // or an edge that another group has comes back along a material seam,
  // where the groups' coincident vertices join them. keptNeighbours: kept's
  // neighbours in the group, sorted.
  bool RemovalMakesOnlyNewElements(CGeoVertex* removed, CGeoVertex* kept, SGeoNeighbourhood& n,
                                   const std::vector<CGeoVertex*>& keptNeighbours);

  // Qualification.
  bool EdgeTrianglesAreaTest(CGeoEdge* edge);
  bool QualifyVertexRemovalRM5(float& areaChangeRatio, float& normalAngleChange, const D3DXVECTOR3& newPosition,
                               CGeoVertex* removed, CGeoVertex* kept, SGeoNeighbourhood& n);
  bool QualifyOptimalMidPointEdgeContractionRM4(float& areaChangeRatio, float& normalAngleChange,
                                                D3DXVECTOR3& midPoint, CGeoEdge* edge, CGeoVertex* a,
                                                CGeoVertex* b);
  bool ComputeOptimalMidPointPosition3(bool& firstMethod, D3DXVECTOR3& midPoint, CGeoVertex* a, CGeoVertex* b);
  bool ComputeLargestOldNewFacesDeltaNormalAngle(float& largest, const D3DXVECTOR3& newPosition, CGeoVertex* moved,
                                                 CGeoVertex* kept, const std::vector<CGeoFace*>& faces);
  bool ComputeSurroundingFacesArea(float& area, const std::vector<CGeoFace*>& faces, const CGeoVertex* skipA,
                                   const CGeoVertex* skipB);
  // Total and smallest area of the fan (position, r[k], r[k-1]), k >= 2.
  bool ComputeNewFanArea(double& total, float& smallest, const D3DXVECTOR3& position,
                         const std::vector<CGeoVertex*>& ring);
  // The area ratio within the options' limit, from the old and new totals.
  bool AreaChangeWithinLimit(float& areaChangeRatio, float oldArea, double newArea, float smallest) const;

  // Contraction.
  bool RemoveVertex3(CGeoVertex* removed, CGeoVertex* kept, SGeoNeighbourhood& n);
  bool RemoveEdgeVertices2(CGeoVertex*& midPointVertex, const D3DXVECTOR3& midPoint, CGeoVertex* a, CGeoVertex* b);
  bool CreateReplacingMidPointVertex(CGeoVertex*& midPointVertex, CGeoVertex* a, CGeoVertex* b,
                                     const D3DXVECTOR3& midPoint);
  // What a contraction disables, for one report to the job.
  struct SGeoDisabledCounts {
    DWORD halfEdges = 0;
    DWORD edges = 0;
    float edgesLength = 0.0f;
  };
  void DisableVertexRM2(CGeoVertex* vertex, const std::vector<CGeoFace*>& faces);
  void DisableFaceRM2(CGeoFace* face, SGeoDisabledCounts& counts);
  // Joins the new half edges of the map to their mates with new edges.
  bool CreateEdges(CGeoHalfEdgeMap& map);

  CGeoMeshTriangles* m_pGroup;
  CGeoEdgeList* m_pNextWave;
  CGeoVisitedVertexMap* m_pVisited;
  REDUCTIONOPTIONS* m_pOptions;
  CDXThread* m_pThread;
  bool m_bFailed;

  SGeoNeighbourhood m_Selected;
  SGeoNeighbourhood m_Other;
  // Both end points' ring mates off the edge's faces, made anew by each
  // attempt that tests the removal of both.
  CGeoHalfEdgeMap m_EdgeRingMates;
  std::vector<CGeoHalfEdge*> m_SelectedEdgeRingMates;  // the selected vertex's part of them
  std::vector<CGeoFace*> m_SortedFaces;                 // scratch of RingMateOnFaces
  std::vector<CGeoVertex*> m_NeighboursA;        // scratch of the common-neighbour test
  std::vector<CGeoVertex*> m_NeighboursB;
  std::vector<CGeoHalfEdge*> m_NewSides;        // scratch of the repeated-element test
  std::vector<CGeoFace*> m_CoincidentFaces;
  std::vector<std::pair<CGeoVertex*, CGeoVertex*>> m_HalfEdgeEnds;  // scratch of RepeatsAHalfEdge
};
