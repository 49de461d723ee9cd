// Skin data of a progressive mesh made from a skinned Direct3D mesh. The
// progressive mesh keeps the indexed-blended vertices of its source, whose
// blend values a vertex keeps through every collapse, so the source's bone
// combinations stay valid at every level; the Direct3D mesh made back from
// it reads its skin weights from its own vertices.
#include <tracelog.h>

#include "dxmesh_internal.h"
#include "dxpmesh.h"
#include "objectlock.h"

void CDXPMesh::InitializeSkinMeshData(CSkinMeshHeader* header, CTypedPtrArray<CPtrArray, CSkinWeights*>& weights,
                                      CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& bones, DWORD numBones,
                                      bool software, DWORD numBoneCombinations, D3DXBONECOMBINATION* combinations,
                                      DWORD numBlendWeights, DWORD paletteSize) {
  CObjectLock lock(this, false);
  if (IsDeleted()) return;
  DestroySkinMeshData();
  if (weights.IsEmpty() || numBoneCombinations == 0 || !combinations) return;
  try {
    m_pSkinMeshHeader = header;
    CopySkinWeightsAndBones(weights, bones, m_SkinWeights, m_BoneSkinWeights);
    m_dwNumBones = numBones;
    m_bSoftwareSkinning = software;
    m_pBoneCombinationBuffer = CopyBoneCombinations(numBoneCombinations, combinations, paletteSize);
    m_dwNumBoneCombinations = numBoneCombinations;
    m_dwNumBlendWeights = numBlendWeights;
    m_dwPaletteSize = paletteSize;
  } catch (...) {
    DestroySkinMeshData();
    throw;
  }
}

void CDXPMesh::DestroySkinMeshData() {
  SafeRelease(&m_pBoneCombinationBuffer);
  m_SkinWeights.RemoveAll();
  m_BoneSkinWeights.RemoveAll();
  m_pSkinMeshHeader = nullptr;
  m_bSoftwareSkinning = false;
  m_dwNumBoneCombinations = 0;
  m_dwNumBlendWeights = 0;
  m_dwPaletteSize = 0;
  m_dwNumBones = 0;
}
