// Conversions between the Direct3D mesh and the progressive mesh, on the
// Direct3D mesh's side.
#include <dx_thread.h>

#include "dxmesh.h"
#include "dxmesh_internal.h"
#include "dxpmesh.h"
#include "failureguard.h"
#include "objectlock.h"
#include "skinweights.h"

bool CDXMesh::InitializeClone(CDXPMesh* target, CFrame* frame, IDirect3DDevice8* device, REDUCTIONOPTIONS* options,
                              CDXThread* thread) {
  return GuardedCall([&] {
    CObjectLock lock(this, false);
    if (IsDeleted()) return;
    CMeshBufferLock buffers(this);
    if (!target->Initialize(this, frame, GetName(), device, options, thread))
      throw "Error: CDXPMesh::Initialize() failed.";
  });
}

bool CDXMesh::Initialize(ID3DXPMesh* pmesh, DWORD numMaterials, D3DXMATERIAL* materials,
                         IDirect3DTexture8** textures, CGBox* box, CGSphere* sphere, CFrame*, char* name,
                         IDirect3DDevice8* device, REDUCTIONOPTIONS*, CDXThread* thread) {
  ID3DXPMesh* clone = nullptr;
  const bool ok = GuardedCall([&] {
    DestroyContent(false);
    if (!CBaseMesh::Initialize(name ? name : const_cast<char*>(""))) throw "Error: CBaseMesh::Initialize() failed.";
    CopyMaterialsAndTextures(numMaterials, materials, textures, m_pMaterials, m_ppTextures);
    m_dwNumMaterials = numMaterials;
    if (box) GetBoundingBox()->Initialize(box->GetMinFS(), box->GetMaxFS(), false);
    if (sphere) GetBoundingSphere()->Initialize(sphere->GetRadiusFS(), sphere->GetCenterFS());
    if (!pmesh || FAILED(pmesh->ClonePMeshFVF(pmesh->GetOptions(), pmesh->GetFVF(), device, &clone)))
      throw "Error: ClonePMeshFVF() failed.";
    m_pAdjacency = new DWORD[3 * static_cast<size_t>(clone->GetMaxFaces())];
    if (FAILED(clone->Optimize(D3DXMESHOPT_COMPACT | D3DXMESH_SYSTEMMEM, m_pAdjacency, nullptr, nullptr, &m_pMesh)))
      throw "Error: Optimize() failed.";
    if (!MyOptimizeInPlace()) throw "\nMyOptimizeInPlace() failed";
    if (thread) {
      thread->IncreaseThreadOutputVerticesCount(m_pMesh->GetNumVertices());
      thread->IncreaseThreadOutputTrianglesCount(m_pMesh->GetNumFaces(), 0.0f);
    }
    SetReadyForRendering(true);
  });
  SafeRelease(&clone);
  if (!ok) DestroyContent(false);
  return ok;
}

bool CDXMesh::Initialize(CDXPMesh* source, CFrame*, char* name, IDirect3DDevice8*, REDUCTIONOPTIONS*,
                         CDXThread* thread) {
  CObjectLock self(this, false);
  if (IsDeleted()) return true;
  CObjectLock from(source, false);
  if (source->IsDeleted()) return true;
  const bool ok = GuardedCall([&] {
    CMeshBufferLock buffers(source);
    ID3DXPMesh* pmesh = source->GetPMesh();
    DestroyContent(false);
    if (!CBaseMesh::Initialize(name ? name : const_cast<char*>(""))) throw "Error: CBaseMesh::Initialize() failed.";
    CopyMaterialsAndTextures(source->GetMaterialsCount(), source->GetMaterials(), source->GetTextures(), m_pMaterials,
                             m_ppTextures);
    m_dwNumMaterials = source->GetMaterialsCount();
    GetBoundingBox()->Initialize(source->GetBoundingBox()->GetMinFS(), source->GetBoundingBox()->GetMaxFS(), false);
    GetBoundingSphere()->Initialize(source->GetBoundingSphere()->GetRadiusFS(),
                                    source->GetBoundingSphere()->GetCenterFS());
    if (!pmesh) throw "Error: Optimize() failed.";
    m_pAdjacency = new DWORD[3 * static_cast<size_t>(pmesh->GetMaxFaces())];
    if (FAILED(pmesh->Optimize(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT, m_pAdjacency, nullptr, nullptr, &m_pMesh)))
      throw "Error: Optimize() failed.";
    if (!MyOptimizeInPlace()) throw "\nMyOptimizeInPlace() failed";
    m_MaterialObjects.RemoveAll();
    for (DWORD i = 0; i < source->GetMaterialObjectsCount(); ++i) m_MaterialObjects.Add(source->GetMaterialObject(i));
    // The skin weights are read back from this level's blended vertices.
    if (source->IsSkinned()) {
      InitializeSkinMeshData(source->GetSkinMeshHeader(), source->GetSkinWeightsArray(), source->GetBoneSkinWeights(),
                             source->GetNumBones(), source->IsSoftwareSkinning(), source->GetNumBoneCombinations(),
                             source->GetBoneCombinations(), source->GetNumBlendWeights(), source->GetPaletteSize(),
                             m_pAttributeTable, m_dwAttributeTableSize, m_pMesh);
      for (INT_PTR i = 0; i < m_SkinWeights.GetSize(); ++i)
        if (CSkinWeights* weights = m_SkinWeights[i])
          weights->SetInternalMembers(weights->GetBoneFrame(), this, weights->GetBoneWorldTransform());
    }
    if (thread) {
      thread->IncreaseThreadOutputVerticesCount(m_pMesh->GetNumVertices());
      thread->IncreaseThreadOutputTrianglesCount(m_pMesh->GetNumFaces(), 0.0f);
    }
    SetReadyForRendering(true);
  });
  if (!ok) DestroyContent(false);
  return ok;
}
