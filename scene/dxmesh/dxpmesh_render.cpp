// Drawing a progressive mesh: its subsets at the current level in the
// opaque and the transparent pass, the selected one in the highlight colour,
// then the wireframe overlay of its edges.
#include <dx_doc.h>
#include <materialpresets.h>
#include <tracelog.h>

#include "dxmesh_drawstate.h"
#include "dxpmesh.h"
#include "objectlock.h"

HRESULT CDXPMesh::Render(IDirect3DDevice8* device, D3DXMATRIX* world, int opaquePass, int transparentPass,
                         CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc, bool tryLock) {
  CObjectLock lock(this, tryLock, true);
  if (!lock.IsHeld() || !device) return S_OK;
  STriedBuffers buffers{this, TryLockMeshBuffers()};
  if (!buffers.held || !IsReadyForRendering() || IsDeleted() || !m_pPMesh) return S_OK;
  DWORD size = 0;
  if (FAILED(m_pPMesh->GetAttributeTable(nullptr, &size)) || size != m_dwAttributeTableSize) return S_OK;
  if (FAILED(m_pPMesh->GetAttributeTable(m_pAttributeTable, &size))) return S_OK;
  if (m_dwNumBlendWeights)
    return RenderBlendedPMesh(device, world, opaquePass, transparentPass, camera, view, doc, tryLock);
  HRESULT result = S_OK;
  try {
    if (doc) doc->SetDeviceFillingShading(device);
    CRenderStates states(device);
    ShadeWireframeGouraud(device, states);
    const bool diffuseForAmbient = doc && doc->DiffuseForAmbientColor();
    const bool selected = doc && doc->GetSelectedPMesh() == this;
    const D3DMATERIAL8 highlight = selected ? GetDefaultMaterial(doc->GetConfig()->cvSelectedPMesh) : D3DMATERIAL8{};
    STextureStage stage{device};
    for (DWORD i = 0; i < m_dwAttributeTableSize; ++i) {
      const D3DXATTRIBUTERANGE& range = m_pAttributeTable[i];
      if (range.FaceCount == 0) continue;
      const DWORD a = range.AttribId;
      if (!PrepareSubset(device, selected ? highlight : MaterialInList(m_pMaterials, m_dwNumMaterials, a),
                         selected ? nullptr : TextureInList(m_ppTextures, m_dwNumMaterials, a), opaquePass,
                         transparentPass, diffuseForAmbient && !selected, stage))
        continue;
      result = m_pPMesh->DrawSubset(a);
      if (FAILED(result)) throw "\nDrawSubset() failed.";
      stage.Unset();
    }
    if (FAILED(RenderEdges(device, world, opaquePass, transparentPass, camera, view, doc, tryLock)))
      throw "\nRenderEdges failed.";
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  return result;
}

HRESULT CDXPMesh::RenderBlendedPMesh(IDirect3DDevice8* device, D3DXMATRIX*, int opaquePass, int transparentPass,
                                     CCameraFrame*, D3DXMATRIX*, CDXDoc* doc, bool) {
  const D3DXBONECOMBINATION* combinations = GetBoneCombinations();
  if (!combinations) return S_OK;
  HRESULT result = S_OK;
  try {
    if (doc) doc->SetDeviceFillingShading(device);
    CRenderStates states(device);
    ShadeWireframeGouraud(device, states);
    const bool diffuseForAmbient = doc && doc->DiffuseForAmbientColor();
    const bool selected = doc && doc->GetSelectedPMesh() == this;
    const D3DMATERIAL8 highlight = selected ? GetDefaultMaterial(doc->GetConfig()->cvSelectedPMesh) : D3DMATERIAL8{};
    STextureStage stage{device};
    CBlendStates blend(device, m_dwNumBlendWeights, m_bSoftwareSkinning);
    // The subset is the combination's place; its material its AttribId's.
    for (DWORD pos = 0; pos < m_dwNumBoneCombinations; ++pos) {
      const DWORD a = combinations[pos].AttribId;
      if (!PrepareSubset(device, selected ? highlight : MaterialInList(m_pMaterials, m_dwNumMaterials, a),
                         selected ? nullptr : TextureInList(m_ppTextures, m_dwNumMaterials, a), opaquePass,
                         transparentPass, diffuseForAmbient && !selected, stage))
        continue;
      SetBoneMatrices(device, combinations[pos], m_dwPaletteSize, m_BoneSkinWeights);
      result = m_pPMesh->DrawSubset(pos);
      if (FAILED(result)) throw "\nDrawSubset() failed.";
      stage.Unset();
    }
    if (opaquePass && doc && doc->GetDisplayOptions().showActiveEdges)
      DrawBlendedEdgeOverlay(device, m_pPMesh, doc->GetDisplayOptions().activeEdgesMaterial, combinations,
                             m_dwNumBoneCombinations, m_dwPaletteSize, m_BoneSkinWeights);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  return result;
}

HRESULT CDXPMesh::RenderEdges(IDirect3DDevice8* device, D3DXMATRIX*, int opaquePass, int, CCameraFrame*,
                              D3DXMATRIX*, CDXDoc* doc, bool tryLock) {
  if (!doc) return S_OK;
  const DISPLAYOPTIONS options = doc->GetDisplayOptions();
  if (!options.showActiveEdges) return S_OK;
  try {
    CObjectLock lock(this, tryLock);
    if (IsDeleted() || !IsReadyForRendering() || !opaquePass || !m_pPMesh) return S_OK;
    DrawEdgeOverlay(device, m_pPMesh, options.activeEdgesMaterial, m_pAttributeTable, m_dwAttributeTableSize);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  return S_OK;
}
