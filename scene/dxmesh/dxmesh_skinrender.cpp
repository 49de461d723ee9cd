// Drawing a skinned Direct3D mesh with indexed vertex blending: one draw per
// bone combination after its bones' matrices went into the device's world
// matrix palette, then the wireframe overlay of its edges.
#include <dx_doc.h>
#include <tracelog.h>

#include "dxmesh.h"
#include "dxmesh_internal.h"
#include "objectlock.h"
#include "skinweights.h"

namespace {

// The vertex blend mode for the betas a vertex holds (the last holds the
// palette slots).
DWORD VertexBlendFor(DWORD numBlendWeights) {
  switch (numBlendWeights) {
    case 1: return D3DVBF_0WEIGHTS;
    case 2: return D3DVBF_1WEIGHTS;
    case 3: return D3DVBF_2WEIGHTS;
    default: return D3DVBF_3WEIGHTS;
  }
}

}  // namespace

CBlendStates::CBlendStates(IDirect3DDevice8* device, DWORD numBlendWeights, bool software) : m_states(device) {
  m_states.Save(D3DRS_SOFTWAREVERTEXPROCESSING);
  m_states.Save(D3DRS_VERTEXBLEND);
  m_states.Save(D3DRS_INDEXEDVERTEXBLENDENABLE);
  if (software) device->SetRenderState(D3DRS_SOFTWAREVERTEXPROCESSING, TRUE);
  device->SetRenderState(D3DRS_VERTEXBLEND, VertexBlendFor(numBlendWeights));
  if (numBlendWeights) device->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, TRUE);
}

void SetBoneMatrices(IDirect3DDevice8* device, const D3DXBONECOMBINATION& combination, DWORD paletteSize,
                     CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& bones) {
  for (DWORD i = 0; i < paletteSize; ++i) {
    const DWORD id = combination.BoneId[i];
    if (id == D3DX_UNUSED_BONE) continue;
    CSkinWeights* weights = nullptr;
    if (!bones.Lookup(static_cast<WORD>(id), weights) || !weights)
      throw "Error: Did not find the skin weights pointer for the bone index.";
    D3DXMATRIX matrix = *weights->GetMatOffset();
    if (const D3DXMATRIX* world = weights->GetBoneWorldTransform()) matrix = matrix * *world;
    device->SetTransform(D3DTS_WORLDMATRIX(i), &matrix);
  }
}

void DrawBlendedEdgeOverlay(IDirect3DDevice8* device, ID3DXBaseMesh* mesh, const D3DMATERIAL8& material,
                            const D3DXBONECOMBINATION* combinations, DWORD count, DWORD paletteSize,
                            CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& bones) {
  CRenderStates states(device);
  BeginEdgeOverlay(device, states, material);
  for (DWORD pos = 0; pos < count; ++pos) {
    SetBoneMatrices(device, combinations[pos], paletteSize, bones);
    if (FAILED(mesh->DrawSubset(pos))) throw "\nDrawSubset() failed.";
  }
}

HRESULT CDXMesh::RenderBlendedMeshTL(IDirect3DDevice8* device, D3DXMATRIX* world, int opaquePass,
                                     int transparentPass, CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc,
                                     bool tryLock) {
  HRESULT result = S_OK;
  try {
    CObjectLock lock(this, tryLock);
    if (!lock.IsHeld() || IsDeleted() || !IsReadyForRendering() || !m_pMesh) return S_OK;
    const D3DXBONECOMBINATION* combinations = GetBoneCombinations();
    if (!combinations) return S_OK;
    if (doc) doc->SetDeviceFillingShading(device);
    CRenderStates states(device);
    ShadeWireframeGouraud(device, states);
    const bool diffuseForAmbient = doc && doc->DiffuseForAmbientColor();
    STextureStage stage{device};
    {
      CBlendStates blend(device, m_dwNumBlendWeights, m_bSoftwareSkinning);
      for (DWORD pos = 0; pos < m_dwNumBoneCombinations; ++pos) {
        SetBoneMatrices(device, combinations[pos], m_dwPaletteSize, m_BoneSkinWeights);
        // The subset is the combination's place; its material its AttribId's.
        const DWORD a = combinations[pos].AttribId;
        if (!PrepareSubset(device, MaterialOf(a), TextureOf(a), opaquePass, transparentPass, diffuseForAmbient, stage))
          continue;
        result = m_pMesh->DrawSubset(pos);
        if (FAILED(result)) throw "\nDrawSubset() failed.";
        stage.Unset();
      }
    }
    if (FAILED(RenderBlendedMeshEdgesTL(device, world, opaquePass, transparentPass, camera, view, doc, tryLock)))
      throw "\nRenderEdges failed.";
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  return result;
}

HRESULT CDXMesh::RenderBlendedMeshEdgesTL(IDirect3DDevice8* device, D3DXMATRIX*, int opaquePass, int,
                                          CCameraFrame*, D3DXMATRIX*, CDXDoc* doc, bool tryLock) {
  if (!opaquePass || !doc) return S_OK;
  const DISPLAYOPTIONS options = doc->GetDisplayOptions();
  if (!options.showActiveEdges) return S_OK;
  try {
    CObjectLock lock(this, tryLock);
    if (IsDeleted() || !IsReadyForRendering() || !m_pMesh) return S_OK;
    const D3DXBONECOMBINATION* combinations = GetBoneCombinations();
    if (!combinations) return S_OK;
    CBlendStates blend(device, m_dwNumBlendWeights, m_bSoftwareSkinning);
    DrawBlendedEdgeOverlay(device, m_pMesh, options.activeEdgesMaterial, combinations, m_dwNumBoneCombinations,
                           m_dwPaletteSize, m_BoneSkinWeights);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  return S_OK;
}
