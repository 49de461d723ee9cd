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
  // The faces, edges and half-edge pools hand out the build's disabled
  // elements too, before they take room of their own.
  if (m_NewFaces.GetPreallocatedCount() == 0) m_NewFaces.Initialize(nSourceFaces, m_OriginalFaces.IsDrawn());
  m_bReadyForRenderingRM = true;
  const DWORD nEdges = m_OriginalEdges.GetCurrentEdgesCount();
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

  // The first wave is every edge enabled now, the build's in pool order, then
  // those of earlier reductions. It is read off the pools rather than queued,
  // so that its edges go back to the pool as soon as a contraction disables
  // them: an edge met there that is queued (waiting for the next wave, or
  // handed out again as a new edge) is not its turn.
  CGeoEdgesArray* const pools[2] = {&m_OriginalEdges, &m_EdgesRM};
  DWORD firstWaveCounts[2] = {};
  for (int p = 0; p < 2; ++p) {
    firstWaveCounts[p] = pools[p]->GetCurrentEdgesCount();
    for (DWORD i = 0; i < firstWaveCounts[p]; ++i) {
      if (!thread->WaitForThreadPlayingEvent()) return false;
      CGeoEdge* edge = pools[p]->GetAt(i);
      edge->SetQueued(false);  // an earlier pass may have ended with it queued
      if (!edge->IsDisabled()) edge->ResetEdgeQualificationStatus();
    }
  }

  CGeoEdgeList wave, nextWave;
  CGeoVisitedVertexMap visited;
  CGeoEdgeContraction contraction(this, &nextWave, &visited, options, thread);
  enum class EStep { kGoOn, kDone, kFailed };
  // The turn of an edge taken off the wave; NULL for one that is not to be tried.
  auto take = [&](CGeoEdge* edge) {
    if (!thread->WaitForThreadPlayingEvent()) return EStep::kFailed;
    if (thread->GetCurrentThreadOutputTrianglesCount() <= target) return EStep::kDone;
    if (!edge) return EStep::kGoOn;
    CGeoVertex* selected = edge->GetSelectedVertex();
    CGeoVertex* other = edge->GetOtherVertex(selected);
    if (visited.count(selected) || visited.count(other)) {
      QueueEdge(&nextWave, edge);
      return EStep::kGoOn;
    }
    [[maybe_unused]] const DWORD before = thread->GetCurrentThreadOutputTrianglesCount();
    bool contracted = false;
    if (!contraction.AttemptEdgeContraction(contracted, edge, selected, other)) return EStep::kFailed;
    // Whatever its kind, a contraction takes away the edge's two faces and
    // makes the rest of the fans again.
    ASSERT(!contracted || thread->GetCurrentThreadOutputTrianglesCount() + 2 == before);
    return EStep::kGoOn;
  };

  for (int p = 0; p < 2; ++p)
    for (DWORD i = 0; i < firstWaveCounts[p]; ++i) {
      CGeoEdge* edge = pools[p]->GetAt(i);
      const EStep step = take(edge->IsDisabled() || edge->IsQueued() ? nullptr : edge);
      if (step != EStep::kGoOn) return step == EStep::kDone;
    }
  std::swap(wave, nextWave);
  while (!wave.empty()) {
    visited.clear();
    while (!wave.empty()) {
      const EStep step = take(TakeQueuedEdge(&wave));
      if (step != EStep::kGoOn) return step == EStep::kDone;
    }
    std::swap(wave, nextWave);
  }
  return true;
}
