// Drawing a connectivity mesh straight from its own data: the groups' source
// and new faces from the unlit vertex buffer, the wireframe overlay of the
// active edges, and the vertex handles.
#include <dx_doc.h>
#include <materialpresets.h>
#include <tracelog.h>

#include "failureguard.h"
#include "geo_mesh.h"
#include "geo_mesh_triangles.h"
#include "material.h"

namespace {

// A part of the mesh is drawn in a call when its pass flag admits it.
bool PassAdmits(int opaquePass, int transparentPass, bool opaque) {
  return (opaquePass && opaque) || (transparentPass && !opaque);
}

DISPLAYOPTIONS DisplayOptionsOf(CDXDoc* doc) { return doc ? doc->GetDisplayOptions() : DISPLAYOPTIONS{}; }

// The material with its diffuse colour as ambient too, when the settings ask.
D3DMATERIAL8 AmbientFromDiffuse(const D3DMATERIAL8& material, CDXDoc* doc) {
  D3DMATERIAL8 set = material;
  if (doc && doc->DiffuseForAmbientColor()) set.Ambient = set.Diffuse;
  return set;
}

// Render states kept on entry and put back on every way out.
class CKeptStates {
 public:
  CKeptStates(IDirect3DDevice8* device, std::initializer_list<D3DRENDERSTATETYPE> states) : m_device(device) {
    for (D3DRENDERSTATETYPE state : states) {
      DWORD value = 0;
      device->GetRenderState(state, &value);
      m_kept.push_back({state, value});
    }
  }
  ~CKeptStates() {
    for (const auto& [state, value] : m_kept) m_device->SetRenderState(state, value);
  }
  CKeptStates(const CKeptStates&) = delete;
  CKeptStates& operator=(const CKeptStates&) = delete;

 private:
  IDirect3DDevice8* m_device;
  std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> m_kept;
};

// One indexed draw of a rendered-face list from the locked unlit vertices.
void DrawFaces(IDirect3DDevice8* device, DWORD nVertices, D3DVERTEX* vertices, CGeoFacesArray* faces) {
  device->SetVertexShader(kGeoVertexFVF);
  if (FAILED(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, nVertices, faces->GetCurrentRenderedFacesCount(),
                                            faces->GetTrianglesVertexIndices(), D3DFMT_INDEX32, vertices,
                                            sizeof(D3DVERTEX))))
    throw "\nDrawIndexedPrimitiveUP() failed.";
}

// The texture stage cleared on every way out once a pass has set it.
class CTextureStage {
 public:
  explicit CTextureStage(IDirect3DDevice8* device) : m_device(device) {}
  ~CTextureStage() {
    if (m_set) m_device->SetTexture(0, nullptr);
  }
  CTextureStage(const CTextureStage&) = delete;
  CTextureStage& operator=(const CTextureStage&) = delete;
  void Set(IDirect3DBaseTexture8* texture) {
    m_device->SetTexture(0, texture);
    m_set = true;
  }

 private:
  IDirect3DDevice8* m_device;
  bool m_set = false;
};

// A failure of the body: traced, E_FAIL.
template <class Body>
HRESULT Guarded(Body&& body) {
  return GuardedCall(std::forward<Body>(body)) ? S_OK : E_FAIL;
}

}  // namespace

// ---------------------------------------------------------------------------
// The mesh

// The frame walk reaches the mesh through the base's drawing; no mesh-buffer
// lock is taken for it.
HRESULT CGeoMesh::Render(IDirect3DDevice8* device, D3DXMATRIX* world, int opaquePass, int transparentPass,
                         CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc, bool) {
  return Render(device, world, opaquePass, transparentPass, camera, view, doc);
}

HRESULT CGeoMesh::Render(IDirect3DDevice8* device, D3DXMATRIX* world, int opaquePass, int transparentPass,
                         CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc) {
  if (!IsReadyForRendering() || !m_pUnlitVB) return S_OK;
  if (doc) doc->SetDeviceFillingShading(device);
  BYTE* data = nullptr;
  if (FAILED(m_pUnlitVB->Lock(0, 0, &data, D3DLOCK_READONLY))) {
    DEBUG_TRACE("\nFailed to lock the vertex buffer.");
    return E_FAIL;
  }
  auto* vertices = reinterpret_cast<D3DVERTEX*>(data);
  for (DWORD g = 0; g < m_dwMaterialsCount; ++g) {
    if (FAILED(m_pGeoMeshTriangles[g].Render2(m_dwUnlitVerticesCount, vertices, device, opaquePass, transparentPass,
                                              doc))) {
      m_pUnlitVB->Unlock();
      DEBUG_TRACE("\nRender2() failed");
      return E_FAIL;
    }
  }
  m_pUnlitVB->Unlock();
  if (FAILED(RenderVerticesHandle(device, world, opaquePass, transparentPass, camera, view, doc))) {
    DEBUG_TRACE("\nRenderVerticesHandle() failed");
    return E_FAIL;
  }
  return S_OK;
}

HRESULT CGeoMesh::RenderVerticesHandle(IDirect3DDevice8* device, D3DXMATRIX*, int opaquePass, int transparentPass,
                                       CCameraFrame*, D3DXMATRIX*, CDXDoc* doc) {
  const DISPLAYOPTIONS options = DisplayOptionsOf(doc);
  if (!m_bVerticesHandlesCreated || (!options.showActiveVertices && !options.showRemovedVertices)) return S_OK;
  struct SDraw {
    bool shown;
    D3DMATERIAL8 material;
    IDirect3DVertexBuffer8* vertices;
    DWORD verticesCount;
    IDirect3DIndexBuffer8* indices;
    DWORD indicesCount;
  };
  const SDraw draws[] = {
      {options.showActiveVertices != 0, options.activeVerticesMaterial, m_pHandlesVB, m_dwHandlesVerticesCount,
       m_pActiveHandlesIB, m_dwActiveHandlesIndicesCount},
      {options.showRemovedVertices != 0, options.removedVerticesMaterial, m_pHandlesVB, m_dwHandlesVerticesCount,
       m_pRemovedHandlesIB, m_dwRemovedHandlesIndicesCount},
      {options.showActiveVertices != 0, GreenMaterial(), m_pMidPointHandlesVB, m_dwMidPointHandlesVerticesCount,
       m_pMidPointHandlesIB, m_dwMidPointHandlesIndicesCount},
  };
  bool drawn = false;
  HRESULT result = S_OK;
  for (const SDraw& d : draws) {
    if (!d.shown || d.indicesCount == 0 || !d.vertices || !d.indices ||
        !PassAdmits(opaquePass, transparentPass, d.material.Diffuse.a >= 1.0f))
      continue;
    drawn = true;
    device->SetVertexShader(kGeoVertexFVF);
    device->SetStreamSource(0, d.vertices, sizeof(D3DVERTEX));
    device->SetRenderState(D3DRS_ZBIAS, 15);
    device->SetMaterial(&d.material);
    device->SetTexture(0, nullptr);
    device->SetIndices(d.indices, 0);
    if (FAILED(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, d.verticesCount, 0, d.indicesCount / 3))) {
      DEBUG_TRACE("\nDrawIndexedPrimitive() failed");
      result = E_FAIL;
      break;
    }
  }
  if (drawn) device->SetRenderState(D3DRS_ZBIAS, 0);
  return result;
}

// ---------------------------------------------------------------------------
// Vertex handles shown and made during a reduction

void CGeoMesh::SetVertexHandleDisplayProperties(CGeoVertex* vertex) {
  if (!m_bVerticesHandlesCreated) return;
  const DWORD h = vertex->GetVertexHandleIndex();
  const DWORD i = 3 * h;
  const bool enabled = !vertex->IsDisabled();
  auto write = [i](IDirect3DIndexBuffer8* buffer, bool shown) {
    BYTE* data = nullptr;
    if (!buffer || FAILED(buffer->Lock(0, 0, &data, 0))) throw "\nLock()  index buffer failed.";
    auto* indices = reinterpret_cast<DWORD*>(data);
    for (DWORD k = 0; k < 3; ++k) indices[i + k] = shown ? i + k : 0;
    buffer->Unlock();
  };
  GuardedCall([&] {
    switch (vertex->GetVertexType()) {
      case eVertexTypeSource:
        // Only the vertex that owns the slot: a vertex without a handle
        // must not blank another's.
        if (GetOriginalHandleVertex(h) != vertex) return;
        write(m_pActiveHandlesIB, enabled);
        write(m_pRemovedHandlesIB, !enabled);
        break;
      case eVertexTypeMidPoint:
        if (h >= m_MidPointHandlesMap.size() || m_MidPointHandlesMap[h] != vertex) return;
        write(m_pMidPointHandlesIB, enabled);
        break;
      default:
        break;
    }
  });
}

bool CGeoMesh::CreateNewMidPointVertexHandle(CGeoVertex* vertex, REDUCTIONOPTIONS* options, CDXThread* thread) {
  const DWORD h = vertex->GetVertexHandleIndex();
  if (!m_bVerticesHandlesCreated || 3 * h + 3 > m_dwMidPointHandlesVerticesCount || h >= m_MidPointHandlesMap.size())
    return false;
  return GuardedCall([&] {
    D3DVERTEX triangle[3];
    if (!ComputeHandleVerticesFS(vertex, triangle, options, thread)) throw "ComputeHandleVerticesFS() failed";
    BYTE* data = nullptr;
    if (FAILED(m_pMidPointHandlesVB->Lock(0, 0, &data, 0)))
      throw "\nError: IDirect3DVertexBuffer7::Lock() failed in CGeoMesh::CreateNewMidPointVertexHandle()";
    std::copy_n(triangle, 3, reinterpret_cast<D3DVERTEX*>(data) + 3 * h);
    m_pMidPointHandlesVB->Unlock();
    if (FAILED(m_pMidPointHandlesIB->Lock(0, 0, &data, 0))) throw "\nLock()  index buffer failed.";
    auto* indices = reinterpret_cast<DWORD*>(data);
    for (DWORD k = 0; k < 3; ++k) indices[3 * h + k] = 3 * h + k;
    m_pMidPointHandlesIB->Unlock();
    m_MidPointHandlesMap[h] = vertex;
  });
}

// ---------------------------------------------------------------------------
// The groups

HRESULT CGeoMeshTriangles::Render2(DWORD nVertices, D3DVERTEX* vertices, IDirect3DDevice8* device, int opaquePass,
                                   int transparentPass, CDXDoc* doc) {
  if (!m_bReadyForRendering) return S_OK;
  HRESULT result = m_pMaterial ? RenderMesh(nVertices, vertices, device, opaquePass, transparentPass, doc)
                               : RenderMesh2(nVertices, vertices, device, opaquePass, transparentPass, doc);
  if (FAILED(result)) return result;
  if (DisplayOptionsOf(doc).showActiveEdges)
    result = RenderEdgesLineHandles(nVertices, vertices, device, opaquePass, transparentPass, doc);
  return result;
}

HRESULT CGeoMeshTriangles::RenderMesh(DWORD nVertices, D3DVERTEX* vertices, IDirect3DDevice8* device, int opaquePass,
                                      int transparentPass, CDXDoc* doc) {
  if (!m_bReadyForRendering) return S_OK;
  CTextureStage stage(device);
  return Guarded([&] {
    if (PassAdmits(opaquePass, transparentPass, m_pMaterial->IsOpaque()) &&
        m_OriginalFaces.GetCurrentRenderedFacesCount() > 0) {
      const D3DMATERIAL8 material = AmbientFromDiffuse(*m_pMaterial->GetMaterial(), doc);
      device->SetMaterial(&material);
      stage.Set(m_pMaterial->GetTexture());
      DrawFaces(device, nVertices, vertices, &m_OriginalFaces);
    }
    if (!m_bReadyForRenderingRM || m_NewFaces.GetCurrentRenderedFacesCount() == 0) return;
    const DISPLAYOPTIONS options = DisplayOptionsOf(doc);
    const bool coloured = options.colorNewFaces != 0;
    const D3DMATERIAL8 material = coloured ? options.newFacesMaterial : *m_pMaterial->GetMaterial();
    if (!PassAdmits(opaquePass, transparentPass, material.Diffuse.a >= 1.0f)) return;
    device->SetMaterial(&material);
    stage.Set(coloured ? nullptr : m_pMaterial->GetTexture());
    DrawFaces(device, nVertices, vertices, &m_NewFaces);
  });
}

HRESULT CGeoMeshTriangles::RenderMesh2(DWORD nVertices, D3DVERTEX* vertices, IDirect3DDevice8* device, int opaquePass,
                                       int transparentPass, CDXDoc* doc) {
  if (!m_bReadyForRendering) return S_OK;
  CTextureStage stage(device);
  const D3DMATERIAL8& own = m_d3dMaterial.MatD3D;
  return Guarded([&] {
    const bool ownOpaque = own.Diffuse.a == 1.0f || own.Diffuse.a == 0.0f;
    if (PassAdmits(opaquePass, transparentPass, ownOpaque) && m_OriginalFaces.GetCurrentRenderedFacesCount() > 0) {
      const D3DMATERIAL8 material = AmbientFromDiffuse(own, doc);
      device->SetMaterial(&material);
      stage.Set(m_pd3dTexture);
      DrawFaces(device, nVertices, vertices, &m_OriginalFaces);
    }
    if (!m_bReadyForRenderingRM || m_NewFaces.GetCurrentRenderedFacesCount() == 0) return;
    const DISPLAYOPTIONS options = DisplayOptionsOf(doc);
    const bool coloured = options.colorNewFaces != 0;
    const D3DMATERIAL8 material = coloured ? options.newFacesMaterial : AmbientFromDiffuse(own, doc);
    const bool opaque = material.Diffuse.a == 1.0f || own.Diffuse.a == 0.0f;
    if (!PassAdmits(opaquePass, transparentPass, opaque)) return;
    device->SetMaterial(&material);
    stage.Set(coloured ? nullptr : m_pd3dTexture);
    DrawFaces(device, nVertices, vertices, &m_NewFaces);
  });
}

// The overlay puts the fill mode, the z bias and the shading back on every
// way out, a failed draw included.
HRESULT CGeoMeshTriangles::RenderEdgesLineHandles(DWORD nVertices, D3DVERTEX* vertices, IDirect3DDevice8* device,
                                                  int opaquePass, int, CDXDoc* doc) {
  const DISPLAYOPTIONS options = DisplayOptionsOf(doc);
  if (!m_bReadyForRendering || !opaquePass || !options.showActiveEdges) return S_OK;
  CKeptStates kept(device, {D3DRS_FILLMODE, D3DRS_ZBIAS, D3DRS_SHADEMODE});
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  device->SetRenderState(D3DRS_ZBIAS, 16);
  device->SetMaterial(&options.activeEdgesMaterial);
  device->SetTexture(0, nullptr);
  return Guarded([&] {
    if (m_OriginalFaces.GetCurrentRenderedFacesCount() > 0) DrawFaces(device, nVertices, vertices, &m_OriginalFaces);
    if (m_bReadyForRenderingRM && m_NewFaces.GetCurrentRenderedFacesCount() > 0)
      DrawFaces(device, nVertices, vertices, &m_NewFaces);
  });
}
