// The reduction pass of a material group: its edges are tried first in,
// first out, in waves. A contraction marks the end points of the edges it
// makes as visited; an edge at a visited vertex waits for the next wave, so
// that no two contractions of one wave share a neighbourhood, and every edge
// made in a wave is first tried in the next. The pass ends at the job's
// target, when a wave contracts nothing, or when the job stops.
#include <algorithm>
#include <cmath>

#include "dx_thread.h"
#include "geo_edge_contraction.h"
#include "geo_mesh_triangles.h"
#include "job_threads.h"
#include "reduction_options.h"

bool CGeoMeshTriangles::ReduceTrianglesCount(REDUCTIONOPTIONS* options, CDXThread* thread) {
  const DWORD nSourceFaces = m_OriginalFaces.GetCurrentFacesCount();
  if (nSourceFaces == 0) return true;
  // The pools of an earlier reduction stay: a second one goes on from there.
  if (m_NewFaces.GetCurrentFacesCount() == 0) m_NewFaces.Initialize(nSourceFaces);
  m_bReadyForRenderingRM = true;
  const DWORD nEdges = m_OriginalEdges.GetCurrentEdgesCount();
  // These two pools hand out the build's disabled elements too, before they
  // take room of their own.
  if (m_EdgesRM.GetPreallocatedCount() == 0) m_EdgesRM.Initialize(nEdges);
  if (m_HalfEdgesRM.GetPreallocatedCount() == 0) m_HalfEdgesRM.Initialize(m_dwHalfEdgesCount);
  if (m_NewVertices.GetCurrentVerticesCount() == 0) m_NewVertices.Initialize(nEdges);
  return ContractEdgesFirstInFirstOutOrder(options, thread);
}

namespace {

// The job's target: its starting triangle count less the share to remove.
bool GetTarget(DWORD& target, const REDUCTIONOPTIONS* options, CDXThread* thread) {
  const auto* job = dynamic_cast<CFrameReductionThread*>(thread);
  if (!job || !options) return false;
  const long double start = job->GetInputTrianglesCount();
  long double kept = 1.0L - static_cast<long double>(options->reductionPercent) / 100.0L;
  if (std::isnan(kept) || kept > 1.0L) kept = 1.0L;
  if (kept < 0.0L) kept = 0.0L;
  target = static_cast<DWORD>(start * kept);
  return true;
}

}  // namespace

bool CGeoMeshTriangles::ContractEdgesFirstInFirstOutOrder(REDUCTIONOPTIONS* options, CDXThread* thread) {
  DWORD target = 0;
  if (!GetTarget(target, options, thread)) return false;

  CGeoEdgeList wave, nextWave;
  for (CGeoEdgesArray* pool : {&m_OriginalEdges, &m_EdgesRM})
    for (DWORD i = 0; i < pool->GetCurrentEdgesCount(); ++i) {
      if (!thread->WaitForThreadPlayingEvent()) return false;
      CGeoEdge* edge = pool->GetAt(i);
      edge->SetQueued(false);  // an earlier pass may have ended with it queued
      if (edge->IsDisabled()) continue;
      edge->ResetEdgeQualificationStatus();
      QueueEdge(&wave, edge);
    }

  CGeoVisitedVertexMap visited;
  CGeoEdgeContraction contraction(this, &nextWave, &visited, options, thread);
  while (!wave.empty()) {
    visited.clear();
    while (!wave.empty()) {
      CGeoEdge* edge = TakeQueuedEdge(&wave);
      if (!thread->WaitForThreadPlayingEvent()) return false;
      if (thread->GetCurrentThreadOutputTrianglesCount() <= target) return true;
      if (!edge) continue;  // disabled
      CGeoVertex* selected = edge->GetSelectedVertex();
      CGeoVertex* other = edge->GetOtherVertex(selected);
      if (visited.count(selected) || visited.count(other)) {
        QueueEdge(&nextWave, edge);
        continue;
      }
      [[maybe_unused]] const DWORD before = thread->GetCurrentThreadOutputTrianglesCount();
      bool contracted = false;
      if (!contraction.AttemptEdgeContraction(contracted, edge, selected, other)) return false;
      // Whatever its kind, a contraction takes away the edge's two faces and
      // makes the rest of the fans again.
      ASSERT(!contracted || thread->GetCurrentThreadOutputTrianglesCount() + 2 == before);
    }
    std::swap(wave, nextWave);
  }
  return true;
}
