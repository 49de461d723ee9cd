// Shared by the Direct3D-mesh sources: the device meshes are made on, string
// copies, the scoped mesh-buffer lock and the drawing helpers.
#pragma once

#include <d3d8.h>
#include <d3dx8mesh.h>

#include "basemesh.h"
#include "dxmesh.h"
#include "dxmesh_drawstate.h"

// The device of the process's windowed device; NULL before it exists.
IDirect3DDevice8* DXMeshDevice();
// A new[] copy of text; NULL for NULL.
char* DuplicateString(const char* text);

// Holds the mesh-buffer lock of a mesh for a scope, waiting for it (or only
// trying, with tryLock).
class CMeshBufferLock {
 public:
  explicit CMeshBufferLock(CBaseMesh* mesh, bool tryLock = false)
      : m_mesh(mesh), m_held(mesh->LockMeshBuffers(tryLock)) {
    if (!m_held) throw "Info: Cannot lock the mesh buffer mutex.";
  }
  ~CMeshBufferLock() {
    if (m_held) m_mesh->UnlockMeshBuffers();
  }
  CMeshBufferLock(const CMeshBufferLock&) = delete;
  CMeshBufferLock& operator=(const CMeshBufferLock&) = delete;

 private:
  CBaseMesh* m_mesh;
  bool m_held;
};

// A copy of a material array and its texture pointers (the textures are
// shared, not added to); texture names are copied, NULL stays NULL.
void CopyMaterialsAndTextures(DWORD count, const D3DXMATERIAL* materials, IDirect3DTexture8* const* textures,
                              D3DXMATERIAL*& outMaterials, IDirect3DTexture8**& outTextures);

// A buffer holding a copy of the bone combinations with their palettes
// (paletteSize bone ids each) behind the records; throws on failure.
ID3DXBuffer* CopyBoneCombinations(DWORD count, const D3DXBONECOMBINATION* combinations, DWORD paletteSize);

// The skin weights and the bone map of a skinned mesh copied into another
// mesh's (the objects are shared, not copied).
void CopySkinWeightsAndBones(CTypedPtrArray<CPtrArray, CSkinWeights*>& weights,
                             CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& bones,
                             CTypedPtrArray<CPtrArray, CSkinWeights*>& outWeights,
                             CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& outBones);
