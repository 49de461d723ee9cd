// Edge line handles of a material group: their creation, hiding, reuse,
// drawing and release, and the outline of a face.
#include <dx_doc.h>
#include <tracelog.h>

#include <algorithm>

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

// ---------------------------------------------------------------------------
// Single edges hidden and their slots reused; the lines drawn; face outlines

bool CGeoMeshTriangles::EraseEdgeHandle(CGeoEdge* edge) {
  DWORD buffer = 0, first = 0;
  edge->GetEdgeHandleFirstIndex(buffer, first);
  if (!m_bEdgesHandlesCreated || buffer >= m_dwEdgesHandlesBuffersCount) return false;
  BYTE* data = nullptr;
  if (FAILED(m_ppEdgesHandlesIB[buffer]->Lock(0, 0, &data, 0))) {
    DEBUG_TRACE("\nLock()  index buffer failed.");
    return false;
  }
  WORD* indices = reinterpret_cast<WORD*>(data);
  indices[first] = indices[first + 1] = 0;
  m_ErasedEdgesHandlesList.push_back(edge);
  m_ppEdgesHandlesIB[buffer]->Unlock();
  return true;
}

bool CGeoMeshTriangles::CreateEdgeHandle(CGeoEdge* edge, REDUCTIONOPTIONS* options, CDXThread* thread) {
  if (m_ErasedEdgesHandlesList.empty()) return false;
  CGeoEdge* freed = m_ErasedEdgesHandlesList.front();
  m_ErasedEdgesHandlesList.pop_front();
  DWORD buffer = 0, first = 0;
  freed->GetEdgeHandleFirstIndex(buffer, first);
  BYTE* indexData = nullptr;
  BYTE* vertexData = nullptr;
  if (FAILED(m_ppEdgesHandlesIB[buffer]->Lock(0, 0, &indexData, 0))) {
    DEBUG_TRACE("\nLock()  index buffer failed.");
    return false;
  }
  if (FAILED(m_ppEdgesHandlesVB[buffer]->Lock(0, 0, &vertexData, 0))) {
    m_ppEdgesHandlesIB[buffer]->Unlock();
    DEBUG_TRACE("\nError: IDirect3DVertexBuffer7::Lock() failed in CGeoMesh::EraseEdgeHandle()");
    return false;
  }
  D3DVERTEX line[2];
  if (ComputeEdgeLineHandleVerticesFS(edge, line, options, thread)) {
    auto* vertices = reinterpret_cast<D3DVERTEX*>(vertexData);
    WORD* indices = reinterpret_cast<WORD*>(indexData);
    vertices[first] = line[0];
    vertices[first + 1] = line[1];
    indices[first] = static_cast<WORD>(first);
    indices[first + 1] = static_cast<WORD>(first + 1);
    edge->SetEdgeHandleVertexFirstIndex(buffer, first);
  }
  m_ppEdgesHandlesVB[buffer]->Unlock();
  m_ppEdgesHandlesIB[buffer]->Unlock();
  return true;
}

HRESULT CGeoMeshTriangles::RenderEdgesLineHandlesOld(IDirect3DDevice8* device, int opaquePass, int transparentPass,
                                                     CDXDoc* doc) {
  if (!m_bEdgesHandlesCreated) return S_OK;
  DWORD fill = 0;
  device->GetRenderState(D3DRS_FILLMODE, &fill);
  if (fill == D3DFILL_WIREFRAME) return S_OK;
  const D3DMATERIAL8 material = doc ? doc->GetDisplayOptions().activeEdgesMaterial : D3DMATERIAL8{};
  const bool opaque = material.Diffuse.a >= 1.0f;
  if (!((!opaquePass || opaque) && (!transparentPass || !opaque))) return S_OK;
  DWORD zbias = 0;
  device->GetRenderState(D3DRS_ZBIAS, &zbias);
  device->SetRenderState(D3DRS_ZBIAS, 16);
  device->SetMaterial(&material);
  device->SetTexture(0, nullptr);
  device->SetVertexShader(kGeoVertexFVF);
  HRESULT result = S_OK;
  const DWORD edges = m_OriginalEdges.GetCurrentEdgesCount();
  for (DWORD b = 0; b < m_dwEdgesHandlesBuffersCount && SUCCEEDED(result); ++b) {
    const DWORD lines = std::min(kEdgesPerHandlesBuffer, edges - std::min(edges, b * kEdgesPerHandlesBuffer));
    if (lines == 0) break;
    device->SetStreamSource(0, m_ppEdgesHandlesVB[b], sizeof(D3DVERTEX));
    device->SetIndices(m_ppEdgesHandlesIB[b], 0);
    result = device->DrawIndexedPrimitive(D3DPT_LINELIST, 0, 2 * lines, 0, lines);
  }
  device->SetRenderState(D3DRS_ZBIAS, zbias);
  return result;
}

bool CGeoMeshTriangles::ComputeFaceHandleVerticesFS(CGeoFace* face, D3DVERTEX out[18], REDUCTIONOPTIONS*,
                                                    CDXThread*) {
  D3DXVECTOR3 *a, *b, *c;
  face->GetTriangleVerticesPosition(a, b, c);
  if (!a || !b || !c) return false;
  const D3DXVECTOR3 p0 = *a, p1 = *b, p2 = *c;
  const D3DXVECTOR3 e01 = p1 - p0, e12 = p2 - p1, e20 = p0 - p2;
  const float l01 = D3DXVec3Length(&e01), l12 = D3DXVec3Length(&e12), l20 = D3DXVec3Length(&e20);
  if (l01 == 0.0f || l12 == 0.0f || l20 == 0.0f) return false;
  const D3DXVECTOR3 u01 = e01 / l01, u12 = e12 / l12, u20 = e20 / l20;
  const float factor = 0.05f;
  const float w01 = std::min(l12, l20) * factor, w12 = std::min(l20, l01) * factor, w20 = std::min(l01, l12) * factor;
  const D3DXVECTOR3 points[18] = {
      p0, p1, p0 - u20 * w01, p0 - u20 * w01, p1, p1 + u12 * w01,
      p2, p1 - u01 * w12, p1, p2, p2 + u20 * w12, p1 - u01 * w12,
      p2, p0, p2 - u12 * w20, p0, p0 + u01 * w20, p2 - u12 * w20,
  };
  for (int k = 0; k < 18; ++k) out[k] = {points[k].x, points[k].y, points[k].z, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  return true;
}
