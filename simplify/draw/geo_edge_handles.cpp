// Edge line handles of a material group: their creation and release.
#include "dx_thread.h"
#include "geo_mesh.h"
#include "geo_mesh_triangles.h"
#include "qorcommon.h"

bool CGeoMeshTriangles::ComputeEdgeLineHandleVerticesFS(CGeoEdge* edge, D3DVERTEX out[2], REDUCTIONOPTIONS*,
                                                        CDXThread*) {
  D3DXVECTOR3 *a, *b;
  edge->GetEdgeVerticesPosition(a, b);
  CGeoFace *f1, *f2;
  edge->GetEdgeFaces(f1, f2);
  if (!a || !b || (!f1 && !f2)) return false;
  D3DXVECTOR3 n(0.0f, 0.0f, 0.0f), faceNormal;
  for (CGeoFace* f : {f1, f2})
    if (f && f->ComputeFaceNormal(faceNormal)) n += faceNormal;
  if (f1 && f2) n /= 2.0f;
  const D3DXVECTOR3 ab = *a - *b;
  const D3DXVECTOR3 offset = n * (D3DXVec3Length(&ab) / 200.0f);
  const D3DXVECTOR3 p[2] = {*a + offset, *b + offset};
  for (int k = 0; k < 2; ++k) out[k] = {p[k].x, p[k].y, p[k].z, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  return true;
}

// Slots of edges whose line cannot be computed stay zero and draw nothing.
bool CGeoMeshTriangles::CreateEdgesLineHandlesVB(IDirect3DVertexBuffer8*& vb, IDirect3DIndexBuffer8*& ib, DWORD count,
                                                 DWORD first, DWORD bufferIndex, REDUCTIONOPTIONS* options,
                                                 CDXThread* thread) {
  if (!m_pGeoMesh->CreateUnlitVerticesBuffer(2 * count, vb) ||
      !m_pGeoMesh->CreateIndexBuffer(2 * count, D3DFMT_INDEX16, ib))
    return false;
  BYTE* indexData = nullptr;
  BYTE* vertexData = nullptr;
  if (FAILED(ib->Lock(0, 0, &indexData, 0))) return false;
  if (FAILED(vb->Lock(0, 0, &vertexData, 0))) {
    ib->Unlock();
    return false;
  }
  WORD* indices = reinterpret_cast<WORD*>(indexData);
  D3DVERTEX* vertices = reinterpret_cast<D3DVERTEX*>(vertexData);
  bool filled = true;
  DWORD k = 0;
  for (DWORD e = first; e < first + count; ++e) {
    if (thread && !thread->WaitForThreadPlayingEvent()) {
      filled = false;
      break;
    }
    CGeoEdge* edge = m_OriginalEdges.GetAt(e);
    if (!ComputeEdgeLineHandleVerticesFS(edge, &vertices[2 * k], options, thread)) continue;
    indices[2 * k] = static_cast<WORD>(2 * k);
    indices[2 * k + 1] = static_cast<WORD>(2 * k + 1);
    edge->SetEdgeHandleVertexFirstIndex(bufferIndex, 2 * k);
    ++k;
    m_dwEdgesHandlesVerticesCount += 2;
  }
  vb->Unlock();
  ib->Unlock();
  return filled;
}

bool CGeoMeshTriangles::CreateEdgesLineHandles(REDUCTIONOPTIONS* options, CDXThread* thread) {
  DestroyEdgesLineHandles();
  const DWORD edges = m_OriginalEdges.GetCurrentEdgesCount();
  m_dwEdgesHandlesBuffersCount = (edges + kEdgesPerHandlesBuffer - 1) / kEdgesPerHandlesBuffer;
  m_ppEdgesHandlesVB = new IDirect3DVertexBuffer8*[m_dwEdgesHandlesBuffersCount]();
  m_ppEdgesHandlesIB = new IDirect3DIndexBuffer8*[m_dwEdgesHandlesBuffersCount]();
  for (DWORD b = 0; b < m_dwEdgesHandlesBuffersCount; ++b) {
    const DWORD first = b * kEdgesPerHandlesBuffer;
    const DWORD count = std::min(kEdgesPerHandlesBuffer, edges - first);
    if (!CreateEdgesLineHandlesVB(m_ppEdgesHandlesVB[b], m_ppEdgesHandlesIB[b], count, first, b, options, thread))
      return false;
  }
  m_bEdgesHandlesCreated = true;
  return true;
}

void CGeoMeshTriangles::DestroyEdgesLineHandles() {
  if (m_ppEdgesHandlesVB) {
    for (DWORD i = 0; i < m_dwEdgesHandlesBuffersCount; ++i) SafeRelease(&m_ppEdgesHandlesVB[i]);
    delete[] m_ppEdgesHandlesVB;
    m_ppEdgesHandlesVB = nullptr;
  }
  if (m_ppEdgesHandlesIB) {
    for (DWORD i = 0; i < m_dwEdgesHandlesBuffersCount; ++i) SafeRelease(&m_ppEdgesHandlesIB[i]);
    delete[] m_ppEdgesHandlesIB;
    m_ppEdgesHandlesIB = nullptr;
  }
  m_dwEdgesHandlesBuffersCount = 0;
  m_dwEdgesHandlesVerticesCount = 0;
  m_bEdgesHandlesCreated = false;
}
