// CGeoMeshTriangles: the half-edge structure of one material group of a
// connectivity mesh. The build welds the group's triangles into vertices (in
// the mesh's shared vertex pool), half edges, edges and faces, with every
// reduced-mesh link equal to the original one; the reduction then disables
// elements and takes new ones from the group's reduction pools.
#pragma once

#include <d3d8.h>
#include <d3dx8mesh.h>

#include <deque>
#include <vector>

#include "geo_keys.h"
#include "geo_pools.h"
#include "xfiledataobject.h"

class CDXDoc;
class CGeoMesh;
class CGroupedTrianglesVertexIndices;
class CMaterial;

// Vertices touched by the contractions of a reduction wave: a flag in each
// vertex, with the flagged vertices listed so that emptying the set between
// waves clears just those. The vertices must outlive the set.
class CGeoVisitedVertexMap {
 public:
  CGeoVisitedVertexMap() = default;
  CGeoVisitedVertexMap(const CGeoVisitedVertexMap&) = delete;
  CGeoVisitedVertexMap& operator=(const CGeoVisitedVertexMap&) = delete;
  ~CGeoVisitedVertexMap() { clear(); }
  size_t size() const { return m_Vertices.size(); }
  bool count(const CGeoVertex* v) const { return v->IsVisited(); }
  void insert(CGeoVertex* v) {
    if (v->IsVisited()) return;
    v->SetVisited(true);
    m_Vertices.push_back(v);
  }
  void clear() {
    for (CGeoVertex* v : m_Vertices) v->SetVisited(false);
    m_Vertices.clear();
  }

 private:
  std::vector<CGeoVertex*> m_Vertices;
};
// Elements made by a build or a contraction and not yet reported to the job:
// they go in one call per kind, so that the job's progress clock is read
// once per batch rather than once per element. Triangles are reported one by
// one, with their areas, as the job's mean triangle area is summed.
struct SGeoMadeCounts {
  DWORD vertices = 0;
  DWORD halfEdges = 0;
  DWORD edges = 0;
  double edgesLength = 0.0;
  // Reports the counts to the job, if any, and clears them.
  void Report(CDXThread* thread);
};

// Edges waiting for their turn in a reduction wave.
using CGeoEdgeList = std::deque<CGeoEdge*>;

class CGeoMeshTriangles {
 public:
  CGeoMeshTriangles();
  CGeoMeshTriangles(const CGeoMeshTriangles&) = delete;
  CGeoMeshTriangles& operator=(const CGeoMeshTriangles&) = delete;
  virtual ~CGeoMeshTriangles();

  // Builds the group from the triangles of a 32-bit index list into the
  // records of a vertex buffer of D3DVERTEX (format 0x112). Triangles with an
  // index past the buffer, repeated corner positions or no area are skipped.
  // Without a material the group takes the default one.
  // False on a stop request (the buffer is unlocked) or a failed lock. When
  // the indices lie in cornersOwner, the build frees that list once it has
  // made the faces, before it pairs their half edges.
  bool Initialize3(DWORD nVertices, IDirect3DVertexBuffer8* vertices, DWORD nIndices, const DWORD* indices,
                   const D3DXMATERIAL* material, IDirect3DTexture8* texture, CGeoMesh* mesh, DWORD groupIndex,
                   REDUCTIONOPTIONS* options, CDXThread* thread, std::vector<DWORD>* cornersOwner = nullptr);
  // The same for a group of a scene mesh: its grouped triangle indices and
  // its scene material, which the group borrows when materialType is
  // eReferenceChild and otherwise copies and owns. The group's Direct3D
  // material, texture name and texture are the scene material's, which the
  // drawing and the write-back read; without a material the group has none
  // and takes the default one. False, with the group emptied, when indices
  // or mesh is NULL, the copy fails, or the build fails or stops.
  bool Initialize3(DWORD nVertices, IDirect3DVertexBuffer8* vertices, CGroupedTrianglesVertexIndices* indices,
                   CGeoMesh* mesh, DWORD groupIndex, CMaterial* material, EChildObjectType materialType,
                   REDUCTIONOPTIONS* options, CDXThread* thread);
  // Whether the build keeps the triangle of records i[0], i[1], i[2]: each
  // is one of the nRecords records, their positions differ and the triangle
  // has a finite area other than zero, which area receives.
  static bool KeepsTriangle(const D3DVERTEX* records, DWORD nRecords, const DWORD i[3], float& area);
  bool DestroyContent();
  // Frees the edge pools, as CGeoMesh::ReleaseEdges.
  void ReleaseEdges();

  // The vertex of a record: the welded one of its position, or a new one.
  // With made, a new vertex is counted there instead of reported to the job.
  void CreateVertex(CGeoVertex*& vertex, const D3DVERTEX* record, DWORD recordIndex, WORD groupIndex,
                    CGeoVertexArray* pool, CGeoVertexMap* map, CDXThread* thread, SGeoMadeCounts* made = nullptr);
  // A source face on a, b, c with its three half edges.
  bool InitializeFaceWithHalfEdges2(CGeoVertex* a, CGeoVertex* b, CGeoVertex* c, CGeoHalfEdgeMap* map,
                                    CDXThread* thread);
  // A face made by a contraction, on the reduced-mesh links. With made, its
  // half edges are counted there instead of reported to the job.
  bool CreateFaceRM2(CGeoVertex* a, CGeoVertex* b, CGeoVertex* c, CGeoHalfEdgeMap* map, CDXThread* thread,
                     SGeoMadeCounts* made = nullptr);
  // Pairs the half edges of the map into edges of the build.
  bool CreateEdges3(CDXThread* thread, CGeoHalfEdgeMap* map);
  // Pairs the half edges of the map into reduced-mesh edges; each new edge is
  // appended to edges and its end points entered in visited. It is a step of
  // a contraction, which once begun runs whole: it does not poll the job.
  bool CreateEdgesRM3(CGeoHalfEdgeMap* map, CGeoEdgeList* edges, CGeoVisitedVertexMap* visited,
                      REDUCTIONOPTIONS* options, CDXThread* thread);
  // The queues of a reduction pass. An edge, the build's or one that a
  // contraction made, goes to the reduction edge pool once it is disabled and
  // waits in no queue: when the pass takes it off a queue disabled, or when a
  // contraction disables it after its turn. Handed out again, it is queued as
  // a new edge.
  void QueueEdge(CGeoEdgeList* queue, CGeoEdge* edge);
  // The edge at the front of the queue, taken off it; NULL for a disabled
  // one.
  CGeoEdge* TakeQueuedEdge(CGeoEdgeList* queue);
  // For a contraction that has disabled edge.
  void ReleaseDisabledEdge(CGeoEdge* edge);
  // Registers every border edge at its two end points.
  bool SetVerticesOutEdgesNoMate(CGeoEdgesArray* edges, CDXThread* thread);
  bool SetVerticesOutEdgesNoMate(const CGeoEdgeList* edges, CDXThread* thread);

  // Enters h under its key, or under the reversed key when that is free (a
  // mate of the same direction); false when both are taken.
  bool AddHalfEdge2(CGeoHalfEdge* h, CGeoHalfEdgeMap* map, ULONGLONG& key);
  bool AddSurroundingHalfEdge(CGeoHalfEdge* h, CGeoHalfEdgeMap* map);
  CGeoHalfEdge* FindHalfEdge2(const CGeoVertex* start, const CGeoVertex* end, const CGeoHalfEdgeMap* map) const;
  CGeoHalfEdge* FindMate2(const CGeoHalfEdge* h, const CGeoHalfEdgeMap* map) const;

  // Enabled elements; false on a stop request.
  bool GetNewVerticesCount(DWORD& count, CDXThread* thread);
  bool GetTrianglesCount(DWORD& count, CDXThread* thread);

  // Reduces the group by edge contraction towards the job's target, in
  // first-in-first-out waves; false when the job stops or a step fails.
  bool ReduceTrianglesCount(REDUCTIONOPTIONS* options, CDXThread* thread);
  bool ContractEdgesFirstInFirstOutOrder(REDUCTIONOPTIONS* options, CDXThread* thread);

  // Walks round a vertex on the reduced-mesh links for callers outside a
  // reduction pass. Each returns false when the job stops or no vertex is
  // given.
  //
  // found: one of the vertex's out edges has an id above edgeId, that is, was
  // made after that edge. When the out edges cannot be collected (the walk
  // does not close) the result is true with found false.
  bool CheckVertexWithThisWaveOutEdges(bool& found, DWORD edgeId, CGeoVertex* vertex, REDUCTIONOPTIONS* options,
                                       CDXThread* thread);
  // The vertex's ring of neighbours, from start round in the order of the
  // surrounding-vertex walk (border crossed); true when the ring closes.
  bool GetSurroundingVertices(CGeoVertex* vertex, CGeoVertex* start, std::vector<CGeoVertex*>& ring,
                              REDUCTIONOPTIONS* options, CDXThread* thread);
  // The same from the vertex's first surrounding vertex.
  bool GetSurroundingVertices(CGeoVertex* vertex, std::vector<CGeoVertex*>& ring, REDUCTIONOPTIONS* options,
                              CDXThread* thread);

  // Contraction measures that the reduction pass does not take.
  //
  // Both end points' rings of neighbours turn one way all round
  // (CGeoVertex::SurroundingEdgesEnclosedSurfaceConvex).
  static bool SurroundingEdgesEnclosedSurfaceConvex(CGeoVertex* a, CGeoVertex* b, REDUCTIONOPTIONS* options,
                                                    CDXThread* thread);
  // The older normal test of moving moved to newPosition: ring is moved's
  // ring of neighbours from kept (ring[0]); the faces (moved, ring[k - 1],
  // ring[k]) for k >= 2, those that do not vanish with the edge, turn their
  // normals by at most the options' maximum normal-angle change. ok is false
  // for a ring of fewer than 3 vertices, a triangle without a normal, or a
  // larger turn; largest is the largest turn measured. False on a stop
  // request or without options or vertices.
  static bool QualifyMidPointEdgeContractionVertexRemovalRM4(bool& ok, float& largest, CGeoVertex* moved,
                                                             CGeoVertex* kept, const std::vector<CGeoVertex*>& ring,
                                                             D3DXVECTOR3* newPosition, REDUCTIONOPTIONS* options,
                                                             CDXThread* thread);
  // The angle in degrees, 0 to 180, between the normals of triangle (moved,
  // p, q) before and after moved goes to newPosition. False when either
  // triangle has no normal (no area) or a position is not finite.
  static bool ComputeOldNewTrianglesNormalAngle(float& degrees, D3DXVECTOR3* newPosition, CGeoVertex* p,
                                                CGeoVertex* q, CGeoVertex* moved, REDUCTIONOPTIONS* options);
  // The volume of the pyramid on triangle (moved, p, q) with its apex at
  // newPosition, the triangle's sides taken at a tenth of their lengths (the
  // height as it is). False when the triangle has no area.
  static bool ComputePyramidVolume(float& volume, D3DXVECTOR3* newPosition, CGeoVertex* p, CGeoVertex* q,
                                   CGeoVertex* moved, REDUCTIONOPTIONS* options);
  // normal := cross(Pb - Pa, Pc - Pb), not normalised: the turn of the path
  // a, b, c. Always true.
  static bool ComputeTriangleNormal(D3DXVECTOR3& normal, const CGeoVertex* a, const CGeoVertex* b,
                                    const CGeoVertex* c);
  // The angle in degrees, 0 to 180, at b between the sides towards a and c:
  // exactly 0 or 180 when a lies on the line through b and c.
  static float ComputeAngle(const CGeoVertex* a, const CGeoVertex* b, const CGeoVertex* c);
  // The angle in degrees, 0 to 180, between the directions a to b and c to d.
  // Both angles are 0 when a side has no length or no finite direction.
  static float ComputeAngle(const CGeoVertex* a, const CGeoVertex* b, const CGeoVertex* c, const CGeoVertex* d);

  DWORD GetNextAvailableHalfEdgeIndex() { return m_dwNextAvailableHalfEdgeIndex++; }
  DWORD GetHalfEdgesCount() const { return m_dwHalfEdgesCount; }
  CGeoHalfEdge* GetHalfEdgeAt(DWORD i) const { return &m_pHalfEdges[i]; }
  CGeoFacesArray* GetOriginalFacesArray() { return &m_OriginalFaces; }
  CGeoEdgesArray* GetOriginalEdgesArray() { return &m_OriginalEdges; }
  CGeoEdgesArray* GetEdgesRMArray() { return &m_EdgesRM; }
  CGeoHalfEdgesArray* GetHalfEdgesRMArray() { return &m_HalfEdgesRM; }
  CGeoFacesArray* GetNewFacesArray() { return &m_NewFaces; }
  CGeoVertexArray* GetNewVerticesArray() { return &m_NewVertices; }
  CGeoMesh* GetGeoMesh() const { return m_pGeoMesh; }
  DWORD GetGeoMeshTrianglesIndex() const { return m_dwGeoMeshTrianglesIndex; }
  bool IsReadyForRendering() const { return m_bReadyForRendering; }
  bool IsReadyForRenderingRM() const { return m_bReadyForRenderingRM; }
  D3DXMATERIAL* Getd3dMaterial() { return &m_d3dMaterial; }
  IDirect3DTexture8* Getd3dTexture() const { return m_pd3dTexture; }
  // The scene material of a group built from a scene mesh, else NULL.
  CMaterial* GetMaterial() const { return m_pMaterial; }
  EChildObjectType GetMaterialChildObjectType() const { return m_eMaterialChildObjectType; }
  // Vertices live in the mesh's pool: there is nothing to set. Always true.
  bool SetVertexAt(DWORD, CGeoVertex*) { return true; }

  // Edge line handles: one short line per edge of the build, lifted off the
  // surface along the faces' normal, in buffer pairs of at most
  // kEdgesPerHandlesBuffer edges so that 16-bit indices address them all.
  static constexpr DWORD kEdgesPerHandlesBuffer = 32767;
  bool CreateEdgesLineHandles(REDUCTIONOPTIONS* options, CDXThread* thread);
  bool CreateEdgesLineHandlesVB(IDirect3DVertexBuffer8*& vb, IDirect3DIndexBuffer8*& ib, DWORD count, DWORD first,
                                DWORD bufferIndex, REDUCTIONOPTIONS* options, CDXThread* thread);
  bool ComputeEdgeLineHandleVerticesFS(CGeoEdge* edge, D3DVERTEX out[2], REDUCTIONOPTIONS* options,
                                       CDXThread* thread);
  DWORD GetEdgesHandlesBuffersCount() const { return m_dwEdgesHandlesBuffersCount; }
  DWORD GetEdgesHandlesVerticesCount() const { return m_dwEdgesHandlesVerticesCount; }
  IDirect3DVertexBuffer8* GetEdgesHandlesVB(DWORD i) const { return m_ppEdgesHandlesVB[i]; }
  // Releases the edge line handles, if any were made.
  void DestroyEdgesLineHandles();
  // Hides an edge's line (a degenerate line) and frees its slot; the next
  // CreateEdgeHandle gives the oldest freed slot to its edge.
  bool EraseEdgeHandle(CGeoEdge* edge);
  bool CreateEdgeHandle(CGeoEdge* edge, REDUCTIONOPTIONS* options, CDXThread* thread);
  // Draws the lines in the active-edges material: with one pass flag the
  // material's kind must match, with none they are drawn, with both not.
  HRESULT RenderEdgesLineHandlesOld(IDirect3DDevice8* device, int opaquePass, int transparentPass, CDXDoc* doc);
  // Six thin triangles just inside the face's edges, three strips of two.
  bool ComputeFaceHandleVerticesFS(CGeoFace* face, D3DVERTEX out[18], REDUCTIONOPTIONS* options, CDXThread* thread);

  // Drawing from the locked unlit vertices: the source faces, the new faces
  // (in the display options' colour when asked) and the active-edges
  // overlay, each part in the pass its material belongs to. RenderMesh is
  // for a group with a scene material, RenderMesh2 for one from a D3DX mesh.
  HRESULT Render2(DWORD nVertices, D3DVERTEX* vertices, IDirect3DDevice8* device, int opaquePass,
                  int transparentPass, CDXDoc* doc);
  HRESULT RenderMesh(DWORD nVertices, D3DVERTEX* vertices, IDirect3DDevice8* device, int opaquePass,
                     int transparentPass, CDXDoc* doc);
  HRESULT RenderMesh2(DWORD nVertices, D3DVERTEX* vertices, IDirect3DDevice8* device, int opaquePass,
                      int transparentPass, CDXDoc* doc);
  HRESULT RenderEdgesLineHandles(DWORD nVertices, D3DVERTEX* vertices, IDirect3DDevice8* device, int opaquePass,
                                 int transparentPass, CDXDoc* doc);

 protected:
  void ClearContent();

 private:
  // The triangle loop of the build, with the vertex buffer locked.
  bool BuildTriangles(const D3DVERTEX* records, DWORD nRecords, DWORD nIndices, const DWORD* indices,
                      CDXThread* thread, std::vector<DWORD>* cornersOwner);
  // The steps of the build and of a contraction on a table of half edges,
  // looked up by their vertices: CGeoHalfEdgeMap, or the build's
  // CGeoHalfEdgeLists.
  //
  // A source face, as InitializeFaceWithHalfEdges2.
  template <class Map>
  bool BuildFace(CGeoVertex* a, CGeoVertex* b, CGeoVertex* c, Map* map, CDXThread* thread, SGeoMadeCounts* made);
  // Pairs the half edges into edges of the build, as CreateEdges3.
  template <class Map>
  bool PairHalfEdges(CDXThread* thread, Map* map);
  // Links h as the cycle of face on the corners v and enters it in the map;
  // false, with the corners made unremovable, when an edge is already full.
  template <class Map>
  bool LinkFaceHalfEdges(CGeoFace* face, CGeoHalfEdge* const h[3], CGeoVertex* const v[3], Map* map);
  // Enters a face's three half edges; on a failure none stays entered.
  template <class Map>
  bool AddFaceHalfEdges(CGeoHalfEdge* const h[3], Map* map);
  // The mate of h, as FindMate2; entered tells whether h itself is in the map.
  template <class Map>
  CGeoHalfEdge* FindEntryAndMate(const CGeoHalfEdge* h, const Map* map, bool& entered) const;

  // Scratch of CreateEdgesRM3, kept between contractions for its room.
  std::vector<CGeoHalfEdge*> m_EnteredHalfEdges;

  DWORD m_dwHalfEdgesCount;
  CGeoHalfEdge* m_pHalfEdges;
  DWORD m_dwNextAvailableHalfEdgeIndex;
  CGeoFacesArray m_OriginalFaces;
  CGeoEdgesArray m_OriginalEdges;
  CGeoMesh* m_pGeoMesh;
  DWORD m_dwGeoMeshTrianglesIndex;
  bool m_bReadyForRendering;
  CGeoEdgesArray m_EdgesRM;
  CGeoHalfEdgesArray m_HalfEdgesRM;
  CGeoFacesArray m_NewFaces;
  CGeoVertexArray m_NewVertices;
  bool m_bReadyForRenderingRM;
  IDirect3DVertexBuffer8** m_ppEdgesHandlesVB;
  DWORD m_dwEdgesHandlesBuffersCount;
  bool m_bEdgesHandlesCreated;
  DWORD m_dwEdgesHandlesVerticesCount;
  IDirect3DIndexBuffer8** m_ppEdgesHandlesIB;
  CGeoEdgeList m_ErasedEdgesHandlesList;
  CMaterial* m_pMaterial;
  EChildObjectType m_eMaterialChildObjectType;
  D3DXMATERIAL m_d3dMaterial;
  IDirect3DTexture8* m_pd3dTexture;
};
