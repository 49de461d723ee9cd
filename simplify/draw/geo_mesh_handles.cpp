// Vertex handles of a connectivity mesh: their creation and release.
#include <algorithm>
#include <cfloat>
#include <cstring>

#include "dx_thread.h"
#include "geo_mesh.h"
#include "qorcommon.h"

void CGeoMesh::AddVertexToOriginaHandlesMap(CGeoVertex* vertex) {
  const DWORD h = vertex->GetVertexHandleIndex();
  if (m_OriginalHandlesMap.size() <= h) m_OriginalHandlesMap.resize(h + 1, nullptr);
  m_OriginalHandlesMap[h] = vertex;
}

bool CGeoMesh::ComputeHandleVerticesFS(CGeoVertex* vertex, D3DVERTEX out[3], REDUCTIONOPTIONS*, CDXThread* thread) {
  // A removed vertex's links may lead to half edges that the reduction has
  // given back to its pools: its handle was made while it was in the mesh.
  if (vertex->IsDisabled()) return false;
  CGeoHalfEdge* first = vertex->GetFirstOutHalfEdgeRM();
  if (!first) return false;
  float shortest = FLT_MAX;
  bool crossed = false;
  CGeoHalfEdge* h = first;
  DWORD steps = 0;
  // The walk is bounded by the vertex's edges: one poll before it keeps a
  // stop prompt.
  if (thread && !thread->WaitForThreadPlayingEvent()) return false;
  do {
    shortest = std::min(shortest, h->Magnitude());
    h = vertex->GetNextOutHalfEdgeRM(h, crossed);
    if (!h || ++steps > vertex->GetWalkLimit()) return false;
  } while (h != first);

  const float s = shortest / 2.0f / 4.0f;
  const D3DXVECTOR3 from(0.0f, 0.0f, 1.0f), axis(0.0f, 1.0f, 0.0f);
  const D3DXVECTOR3 normal = vertex->GetNormal();
  const D3DXVECTOR3& position = *vertex->GetPosition();
  D3DXQUATERNION q;
  GetRotationQuaternion(q, &from, &normal, &axis);
  D3DXMATRIX scaling, rotation, translation;
  D3DXMatrixScaling(&scaling, s, s, s);
  D3DXMatrixRotationQuaternion(&rotation, &q);
  D3DXMatrixTranslation(&translation, position.x, position.y, position.z);
  const D3DXMATRIX m = scaling * rotation * translation;
  const D3DXVECTOR3 corners[3] = {{0.0f, 2.0f, 0.0f}, {-2.0f, -1.0f, 0.0f}, {2.0f, -1.0f, 0.0f}};
  for (int k = 0; k < 3; ++k) {
    D3DXVECTOR3 p;
    D3DXVec3TransformCoord(&p, &corners[k], &m);
    out[k] = {p.x, p.y, p.z, normal.x, normal.y, normal.z, 0.0f, 0.0f};
  }
  return true;
}

// Buffers not written below hold zeros: empty triangles that draw nothing.
bool CGeoMesh::CreateVerticesHandles(REDUCTIONOPTIONS* options, CDXThread* thread) {
  const DWORD nVertices = m_GeoVertexArray.GetCurrentVerticesCount();
  const DWORD n = 3 * nVertices;
  if (n == 0) return true;  // nothing to show, and no empty buffers
  if (!CreateUnlitVerticesBuffer(n, m_pHandlesVB) || !CreateIndexBuffer(n, D3DFMT_INDEX32, m_pActiveHandlesIB) ||
      !CreateIndexBuffer(n, D3DFMT_INDEX32, m_pRemovedHandlesIB))
    return false;
  m_dwMidPointHandlesVerticesCount = n;
  m_dwMidPointHandlesIndicesCount = n;
  if (!CreateUnlitVerticesBuffer(n, m_pMidPointHandlesVB) || !CreateIndexBuffer(n, D3DFMT_INDEX32, m_pMidPointHandlesIB))
    return false;
  m_OriginalHandlesMap.reserve(nVertices);
  m_MidPointHandlesMap.assign(nVertices, nullptr);
  m_bVerticesHandlesCreated = true;

  BYTE* indexData = nullptr;
  BYTE* vertexData = nullptr;
  if (FAILED(m_pActiveHandlesIB->Lock(0, 0, &indexData, 0))) return false;
  if (FAILED(m_pHandlesVB->Lock(0, 0, &vertexData, 0))) {
    m_pActiveHandlesIB->Unlock();
    return false;
  }
  DWORD* active = reinterpret_cast<DWORD*>(indexData);
  D3DVERTEX* handles = reinterpret_cast<D3DVERTEX*>(vertexData);
  bool created = true;
  DWORD k = 0;
  for (DWORD i = 0; i < nVertices; ++i) {
    if (thread && !thread->WaitForThreadPlayingEvent()) {
      created = false;
      break;
    }
    CGeoVertex* vertex = m_GeoVertexArray.GetAt(i);
    if (vertex->GetOutEdgesNoMateCount() > 2 || !vertex->GetFirstOutHalfEdge()) continue;
    if (!ComputeHandleVerticesFS(vertex, &handles[3 * k], options, thread)) continue;
    for (DWORD j = 3 * k; j < 3 * k + 3; ++j) active[j] = j;
    vertex->SetVertexHandleIndex(k);
    AddVertexToOriginaHandlesMap(vertex);
    ++k;
  }
  m_dwHandlesVerticesCount = m_dwActiveHandlesIndicesCount = 3 * k;
  m_dwRemovedHandlesIndicesCount = m_dwActiveHandlesIndicesCount;
  m_pHandlesVB->Unlock();
  m_pActiveHandlesIB->Unlock();
  return created;
}

void CGeoMesh::DestroyHandles() {
  m_bVerticesHandlesCreated = false;
  SafeRelease(&m_pHandlesVB);
  SafeRelease(&m_pActiveHandlesIB);
  std::vector<CGeoVertex*>().swap(m_OriginalHandlesMap);
  SafeRelease(&m_pRemovedHandlesIB);
  SafeRelease(&m_pMidPointHandlesVB);
  SafeRelease(&m_pMidPointHandlesIB);
  std::vector<CGeoVertex*>().swap(m_MidPointHandlesMap);
  m_dwHandlesVerticesCount = m_dwActiveHandlesIndicesCount = m_dwRemovedHandlesIndicesCount = 0;
  m_dwMidPointHandlesVerticesCount = m_dwMidPointHandlesIndicesCount = 0;
}
