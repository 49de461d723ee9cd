#include "meshgroups.h"

#include <appfiles.h>
#include <dx_doc.h>
#include <tracelog.h>

#include <memory>

#include "failureguard.h"
#include "material.h"
#include "xfiletemplates.h"

// ---------------------------------------------------------------------------
// CMeshVerticesGroup

void CMeshVerticesGroup::ClearContent() {
  m_indexBuffer = nullptr;
  m_indexCount = 0;
  m_material = nullptr;
  m_ready = false;
  m_edgesLineVBs = nullptr;
  m_edgesLineIBs = nullptr;
  m_edgesLineChunks = 0;
  m_edgesLineReady = false;
  m_edgesLineVertexCount = 0;
  m_32BitIndices = false;
  m_filling = nullptr;
}

void CMeshVerticesGroup::DestroyContent() {
  EndFilling();
  SafeRelease(&m_indexBuffer);
  DestroyEdgesLineHandles();
  ClearContent();
}

void CMeshVerticesGroup::DestroyEdgesLineHandles() {
  for (DWORD i = 0; i < m_edgesLineChunks; ++i) {
    SafeRelease(&m_edgesLineVBs[i]);
    SafeRelease(&m_edgesLineIBs[i]);
  }
  delete[] m_edgesLineVBs;
  delete[] m_edgesLineIBs;
  m_edgesLineVBs = nullptr;
  m_edgesLineIBs = nullptr;
  m_edgesLineChunks = 0;
  m_edgesLineReady = false;
  m_edgesLineVertexCount = 0;
}

bool CMeshVerticesGroup::CreateIndexBuffer(IDirect3DDevice8* device, DWORD indexCount, bool use32BitIndices) {
  const size_t bytes = static_cast<size_t>(indexCount) * (use32BitIndices ? 4 : 2);
  if (bytes > 0xFFFFFFFFu) return false;
  if (FAILED(device->CreateIndexBuffer(static_cast<UINT>(bytes), 0, use32BitIndices ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                       D3DPOOL_DEFAULT, &m_indexBuffer)))
    return false;
  m_32BitIndices = use32BitIndices;
  m_indexCount = 0;
  if (FAILED(m_indexBuffer->Lock(0, 0, &m_filling, 0))) {
    m_filling = nullptr;
    SafeRelease(&m_indexBuffer);
    return false;
  }
  return true;
}

DWORD CMeshVerticesGroup::AddFace(const CMeshFace& face) {
  const DWORD corners = face.GetFaceVertexCount();
  const DWORD* v = face.GetFaceVertexIndices();
  for (DWORD j = 2; j < corners; ++j) {
    for (DWORD corner : {v[0], v[j - 1], v[j]}) {
      if (m_32BitIndices)
        reinterpret_cast<DWORD*>(m_filling)[m_indexCount++] = corner;
      else
        reinterpret_cast<WORD*>(m_filling)[m_indexCount++] = static_cast<WORD>(corner);
    }
  }
  return corners < 3 ? 0 : corners - 2;
}

void CMeshVerticesGroup::EndFilling() {
  if (m_filling && m_indexBuffer) m_indexBuffer->Unlock();
  m_filling = nullptr;
}

DWORD CMeshVerticesGroup::GetIndex(const BYTE* indices, DWORD i) const {
  return m_32BitIndices ? reinterpret_cast<const DWORD*>(indices)[i] : reinterpret_cast<const WORD*>(indices)[i];
}

void CMeshVerticesGroup::SetEdgesLineHandles(DWORD chunks, IDirect3DVertexBuffer8** vertexBuffers,
                                             IDirect3DIndexBuffer8** indexBuffers, DWORD vertexCount) {
  DestroyEdgesLineHandles();
  m_edgesLineChunks = chunks;
  m_edgesLineVBs = vertexBuffers;
  m_edgesLineIBs = indexBuffers;
  m_edgesLineVertexCount = vertexCount;
  m_edgesLineReady = true;
}

bool CMeshVerticesGroup::IsOpaque() const { return m_material && m_material->IsOpaque(); }

D3DMATERIAL8* CMeshVerticesGroup::GetD3DMaterial() const { return m_material ? m_material->GetMaterial() : nullptr; }

HRESULT CMeshVerticesGroup::Render(IDirect3DDevice8* device, DWORD nVertices, IDirect3DVertexBuffer8* vertices,
                                   int opaqueOnly, int transparentOnly, CDXDoc* doc) {
  if (!m_ready || !m_material) return S_OK;
  const bool opaque = IsOpaque();
  if ((opaqueOnly && !opaque) || (transparentOnly && opaque)) return S_OK;
  device->SetVertexShader(kMeshVertexFVF);
  device->SetStreamSource(0, vertices, sizeof(D3DVERTEX));
  device->SetMaterial(m_material->GetMaterial());
  device->SetTexture(0, m_material->GetTexture());
  device->SetIndices(m_indexBuffer, 0);
  if (doc) doc->SetDeviceFillingShading(device);
  const HRESULT hr = device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, nVertices, 0, m_indexCount / 3);
  if (FAILED(hr)) {
    DEBUG_TRACE("\nError: DrawIndexedPrimitive() failed.");
    return hr;
  }
  if (!doc) return hr;
  const DISPLAYOPTIONS options = doc->GetDisplayOptions();
  return options.showActiveEdges ? RenderEdgesLine(device, opaqueOnly, transparentOnly, &options.activeEdgesMaterial)
                                 : hr;
}

HRESULT CMeshVerticesGroup::RenderEdgesLine(IDirect3DDevice8* device, int opaqueOnly, int transparentOnly,
                                            const D3DMATERIAL8* edgesMaterial) {
  if (!m_edgesLineReady || !edgesMaterial) return S_OK;
  DWORD fillMode = 0;
  device->GetRenderState(D3DRS_FILLMODE, &fillMode);
  if (fillMode == D3DFILL_WIREFRAME) return S_OK;
  const bool opaque = edgesMaterial->Diffuse.a >= 1.0f;
  if ((opaqueOnly && !opaque) || (transparentOnly && opaque)) return S_OK;

  DWORD zBias = 0;
  device->GetRenderState(D3DRS_ZBIAS, &zBias);
  device->SetRenderState(D3DRS_ZBIAS, 5);
  device->SetMaterial(edgesMaterial);
  device->SetTexture(0, nullptr);
  device->SetVertexShader(kMeshVertexFVF);
  HRESULT hr = S_OK;
  DWORD left = m_edgesLineVertexCount;
  for (DWORD chunk = 0; chunk < m_edgesLineChunks && SUCCEEDED(hr); ++chunk) {
    const DWORD vertices = left < 3 * kEdgesLineChunkTriangles ? left : 3 * kEdgesLineChunkTriangles;
    left -= vertices;
    device->SetStreamSource(0, m_edgesLineVBs[chunk], sizeof(D3DVERTEX));
    device->SetIndices(m_edgesLineIBs[chunk], 0);
    hr = device->DrawIndexedPrimitive(D3DPT_LINELIST, 0, vertices, 0, vertices);
  }
  device->SetRenderState(D3DRS_ZBIAS, zBias);
  return hr;
}

// ---------------------------------------------------------------------------
// CGroupedFacesIndex

CGroupedFacesIndex::CGroupedFacesIndex() { ClearContent(); }

CGroupedFacesIndex::~CGroupedFacesIndex() {
  BeginTeardown();
  DestroyContent();
}

void CGroupedFacesIndex::ClearContent() {
  m_capacity = 0;
  m_faces = nullptr;
  m_count = 0;
  m_initialized = false;
}

bool CGroupedFacesIndex::DestroyContent() {
  delete[] m_faces;
  m_faces = nullptr;
  if (!CXFileDataObject::DestroyContent(false)) return false;
  ClearContent();
  return true;
}

bool CGroupedFacesIndex::Initialize(DWORD capacity) {
  return GuardedCall([&] {
    DestroyContent();
    CString name("GroupedFacesIndex");
    SetUniqueName(name);
    if (FAILED(CXFileDataObject::Initialize(name.GetBuffer(0), &GUID_GroupedFacesIndex, false)))
      throw "\nCXFileDataObject::Initialize() failed.";
    m_capacity = capacity;
    if (capacity) m_faces = new DWORD[capacity];
    m_initialized = true;
  });
}

bool CGroupedFacesIndex::AddFaceIndex(DWORD face) {
  if (m_count >= m_capacity || !m_faces) return false;
  m_faces[m_count++] = face;
  return true;
}

// ---------------------------------------------------------------------------
// CGroupedTrianglesVertexIndices

CGroupedTrianglesVertexIndices::CGroupedTrianglesVertexIndices() { ClearContent(); }

CGroupedTrianglesVertexIndices::~CGroupedTrianglesVertexIndices() {
  BeginTeardown();
  DestroyContent();
}

void CGroupedTrianglesVertexIndices::ClearContent() {
  m_indexCount = 0;
  m_indices = nullptr;
  m_initialized = false;
}

bool CGroupedTrianglesVertexIndices::DestroyContent() {
  delete[] m_indices;
  m_indices = nullptr;
  if (!CXFileDataObject::DestroyContent(false)) return false;
  ClearContent();
  return true;
}

template <class FaceAt>
bool CGroupedTrianglesVertexIndices::Fan(DWORD count, FaceAt faceAt) {
  return GuardedCall([&] {
    DestroyContent();
    CString name("GroupedTrianglesVertexIndices");
    SetUniqueName(name);
    if (FAILED(CXFileDataObject::Initialize(name.GetBuffer(0), &GUID_GroupedTrianglesVertexIndices, false)))
      throw "\nCXFileDataObject::Initialize() failed.";
    size_t total = 0;
    for (DWORD i = 0; i < count; ++i) total += faceAt(i).GetTriangleIndicesCount();
    if (total > 0xFFFFFFFFu) throw "\nError: Too many triangle indices.";
    m_indices = new DWORD[total ? total : 1];
    for (DWORD i = 0; i < count; ++i) {
      const CMeshFace& face = faceAt(i);
      const DWORD* v = face.GetFaceVertexIndices();
      for (DWORD j = 2; j < face.GetFaceVertexCount(); ++j) {
        m_indices[m_indexCount++] = v[0];
        m_indices[m_indexCount++] = v[j - 1];
        m_indices[m_indexCount++] = v[j];
      }
    }
    m_initialized = true;
  });
}

bool CGroupedTrianglesVertexIndices::Initialize(DWORD nFaces, CMeshFace* faces, DWORD count, DWORD* faceNumbers,
                                                CDXThread*) {
  for (DWORD i = 0; i < count; ++i)
    if (faceNumbers[i] >= nFaces) return false;
  return Fan(count, [&](DWORD i) -> const CMeshFace& { return faces[faceNumbers[i]]; });
}

bool CGroupedTrianglesVertexIndices::Initialize(DWORD nFaces, CMeshFace* faces, CDXThread*) {
  return Fan(nFaces, [&](DWORD i) -> const CMeshFace& { return faces[i]; });
}
