// Drawing a Direct3D mesh: its subsets in the opaque and the transparent
// pass, then the wireframe overlay of its edges.
#include <dx_doc.h>
#include <tracelog.h>

#include "dxmesh.h"
#include "dxmesh_drawstate.h"
#include "dxmesh_internal.h"
#include "objectlock.h"

HRESULT CDXMesh::Render(IDirect3DDevice8* device, D3DXMATRIX* world, int opaquePass, int transparentPass,
                        CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc, bool tryLock) {
  CObjectLock lock(this, tryLock, true);
  if (!lock.IsHeld() || IsDeleted() || !IsReadyForRendering() || !m_pMesh || !device) return S_OK;
  STriedBuffers buffers{this, TryLockMeshBuffers()};
  if (!buffers.held) return S_OK;
  if (m_dwNumBlendWeights)
    return RenderBlendedMeshTL(device, world, opaquePass, transparentPass, camera, view, doc, tryLock);
  try {
    if (doc) doc->SetDeviceFillingShading(device);
    CRenderStates states(device);
    ShadeWireframeGouraud(device, states);
    const bool diffuseForAmbient = doc && doc->DiffuseForAmbientColor();
    STextureStage stage{device};
    for (DWORD i = 0; i < m_dwAttributeTableSize; ++i) {
      const D3DXATTRIBUTERANGE& range = m_pAttributeTable[i];
      if (range.FaceCount == 0) continue;
      const DWORD a = range.AttribId;
      // An id past the materials draws with the default material.
      if (!PrepareSubset(device, MaterialOf(a), TextureOf(a), opaquePass, transparentPass, diffuseForAmbient, stage))
        continue;
      if (FAILED(m_pMesh->DrawSubset(a))) throw "\nDrawSubset() failed.";
      stage.Unset();
    }
    if (FAILED(RenderEdgesTL(device, world, opaquePass, transparentPass, camera, view, doc, tryLock)))
      throw "\nRenderEdges failed.";
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  return S_OK;
}

HRESULT CDXMesh::RenderEdgesTL(IDirect3DDevice8* device, D3DXMATRIX*, int opaquePass, int, CCameraFrame*,
                               D3DXMATRIX*, CDXDoc* doc, bool tryLock) {
  if (!doc) return S_OK;
  const DISPLAYOPTIONS options = doc->GetDisplayOptions();
  if (!options.showActiveEdges) return S_OK;
  try {
    CObjectLock lock(this, tryLock);
    if (IsDeleted() || !IsReadyForRendering() || !opaquePass || !m_pMesh) return S_OK;
    DrawEdgeOverlay(device, m_pMesh, options.activeEdgesMaterial, m_pAttributeTable, m_dwAttributeTableSize);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  return S_OK;
}
