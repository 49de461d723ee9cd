// Walks round a vertex of a group on the reduced-mesh links, for callers
// outside a reduction pass: the same walks that an attempt makes.
#include "geo_edge_contraction.h"
#include "geo_mesh_triangles.h"
#include "qorcommon.h"

bool CGeoMeshTriangles::CheckVertexWithThisWaveOutEdges(bool& found, DWORD edgeId, CGeoVertex* vertex,
                                                        REDUCTIONOPTIONS* options, CDXThread* thread) {
  found = false;
  if (!vertex) return false;
  CGeoEdgeContraction walk(this, nullptr, nullptr, options, thread);
  std::vector<CGeoEdge*> outEdges;
  if (!walk.GetOutEdges3(vertex, outEdges)) return !walk.Stopped();
  for (const CGeoEdge* e : outEdges)
    if (e && e->GetEdgeId() > edgeId) found = true;
  return true;
}

bool CGeoMeshTriangles::GetSurroundingVertices(CGeoVertex* vertex, CGeoVertex* start, std::vector<CGeoVertex*>& ring,
                                               REDUCTIONOPTIONS* options, CDXThread* thread) {
  ring.clear();
  if (!vertex || !start) return false;
  CGeoEdgeContraction walk(this, nullptr, nullptr, options, thread);
  return walk.GetSurroundingVertices2(vertex, start, ring);
}

bool CGeoMeshTriangles::GetSurroundingVertices(CGeoVertex* vertex, std::vector<CGeoVertex*>& ring,
                                               REDUCTIONOPTIONS* options, CDXThread* thread) {
  ring.clear();
  if (!vertex) return false;
  CGeoHalfEdge* h = nullptr;
  CGeoVertex* first = vertex->GetFirstSurroundingVertexRM(h);
  if (!first) {
    DEBUG_TRACE("\nInfo: Vertex with no first surrounding vertex.");
    return false;
  }
  CGeoEdgeContraction walk(this, nullptr, nullptr, options, thread);
  if (walk.GetSurroundingVertices2(vertex, first, ring)) return true;
  if (!walk.Stopped()) DEBUG_TRACE("\nInfo: Vertex with no next surrounding vertex.");
  return false;
}
