// CDXPMesh: a frame's progressive mesh, generated from a CDXMesh, with its
// own copy of the materials and texture pointers, the attribute table, and
// the surface area and bounding-box volume at full detail that the level
// setters compare against. Drawn subset by subset at its current level.
#pragma once

#include <afxtempl.h>
#include <d3dx8mesh.h>

#include "basemesh.h"

class CDXMesh;
class CFrame;
class CMaterial;
class CSkinMeshHeader;
class CSkinWeights;
struct CONFIGFILE;
struct REDUCTIONOPTIONS;

class CDXPMesh : public CBaseMesh {
 public:
  CDXPMesh();
  ~CDXPMesh() override;

  void DeleteContent(bool tryLock) override;
  void DeleteContentTL() override;
  EBaseMeshType GetMeshType() override { return eBaseMeshTypeDXPMesh; }
  HRESULT Render(IDirect3DDevice8* device, D3DXMATRIX* world, int opaquePass, int transparentPass,
                 CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc, bool tryLock) override;
  // A skinned progressive mesh: one draw per bone combination at the
  // current level after its bones went into the device's palette, then the
  // overlay of its posed edges. Called by Render, which holds the locks.
  HRESULT RenderBlendedPMesh(IDirect3DDevice8* device, D3DXMATRIX* world, int opaquePass, int transparentPass,
                             CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc, bool tryLock);
  // The wireframe overlay of the active edges, in the opaque pass.
  HRESULT RenderEdges(IDirect3DDevice8* device, D3DXMATRIX* world, int opaquePass, int transparentPass,
                      CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc, bool tryLock);

  void DestroyContent();
  void DestroyDXPMeshContent();

  // Generates the progressive mesh from source (cleaned in place first) at
  // full detail. A deleted source or object: true, nothing done.
  bool Initialize(CDXMesh* source, CFrame* frame, char* name, IDirect3DDevice8* device, REDUCTIONOPTIONS* options,
                  CDXThread* thread);
  // The same from the parts of a mesh, without locks, cleaning or material
  // objects; the volume from box.
  bool Initialize(ID3DXMesh* mesh, DWORD* adjacency, DWORD numMaterials, D3DXMATERIAL* materials,
                  IDirect3DTexture8** textures, CGBox* box, CGSphere* sphere, CFrame* frame, char* name,
                  IDirect3DDevice8* device, REDUCTIONOPTIONS* options, CDXThread* thread);
  // target becomes a plain mesh of the current level.
  bool InitializeClone(CDXMesh* target, CFrame* frame, IDirect3DDevice8* device, REDUCTIONOPTIONS* options,
                       CDXThread* thread);

  // Measures of the current level; failures are thrown (the 32-bit area
  // and the ratio return false instead).
  bool ComputeSurfaceArea(float& area, CDXThread* thread, bool tryLock);
  bool ComputeSurfaceArea32(float& area, CDXThread* thread);
  bool ComputeBoundingBoxVolume(float& volume, CDXThread* thread, bool tryLock);
  bool ComputeVolumeRatio2(float& ratio, CDXThread* thread);
  // 0 when deleted or without a progressive mesh.
  DWORD GetMaxFaces(bool tryLock);
  DWORD GetMaxVertices(bool tryLock);
  DWORD GetNumFaces(bool tryLock);
  DWORD GetNumVertices(bool tryLock);
  // Sorts a freshly built mesh by attribute; stores nothing here.
  void UpdateAttributeTable(ID3DXMesh* mesh);

  // Level of detail: percent of the maximum count. The plain setters go
  // back to the previous count when the volume or area check fails; the
  // compliant ones raise the count from the target until both checks pass.
  // Failures are thrown.
  bool SetNumFaces(float percent, CONFIGFILE* config, bool tryLock);
  bool SetNumVertices(float percent, CONFIGFILE* config, bool tryLock);
  bool SetCompliantNumFaces(float percent, CONFIGFILE* config, CDXThread* thread, bool tryLock);
  bool SetCompliantNumVertices(float percent, CONFIGFILE* config, CDXThread* thread, bool tryLock);
  // The counts themselves: the progressive mesh's result, 0 when deleted.
  HRESULT SetNumFaces(DWORD count, bool tryLock);
  HRESULT SetNumVertices(DWORD count, bool tryLock);
  // The earlier area-only policy: from the current count towards percent of
  // the maximum, then up again one face at a time until the surface area is
  // within tolerance, a ratio |area - full area| / full area. Waits for the
  // locks; failures are thrown.
  bool SetNumFacesOld(float percent, float tolerance);

  ID3DXPMesh* GetPMesh() const { return m_pPMesh; }
  DWORD GetMaterialsCount() const { return m_dwNumMaterials; }
  D3DXMATERIAL* GetMaterials() const { return m_pMaterials; }
  IDirect3DTexture8** GetTextures() const { return m_ppTextures; }
  DWORD GetAttributeTableSize() const { return m_dwAttributeTableSize; }
  D3DXATTRIBUTERANGE* GetAttributeTable() const { return m_pAttributeTable; }
  float GetOriginalMeshSurfaceArea() const { return m_fOriginalSurfaceArea; }
  float GetOriginalBoundingBoxVolume() const { return m_fOriginalBoundingBoxVolume; }
  DWORD GetMaterialObjectsCount() const { return static_cast<DWORD>(m_MaterialObjects.GetSize()); }
  CMaterial* GetMaterialObject(DWORD i) const { return m_MaterialObjects.GetAt(i); }
  // Skin data of a progressive mesh made from a skinned Direct3D mesh
  // (dxpmesh_skin.cpp): the source's skin header, SkinWeights objects (not
  // owned), bone map and bone combinations, which the mesh's blended
  // vertices keep through every level and hand back to the Direct3D mesh
  // made from it.
  void InitializeSkinMeshData(CSkinMeshHeader* header, CTypedPtrArray<CPtrArray, CSkinWeights*>& weights,
                              CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& bones, DWORD numBones,
                              bool software, DWORD numBoneCombinations, D3DXBONECOMBINATION* combinations,
                              DWORD numBlendWeights, DWORD paletteSize);
  void DestroySkinMeshData();
  bool IsSkinned() const { return m_dwNumBlendWeights != 0; }
  DWORD GetNumBlendWeights() const { return m_dwNumBlendWeights; }
  DWORD GetSkinWeightsCount() const { return static_cast<DWORD>(m_SkinWeights.GetSize()); }
  CTypedPtrArray<CPtrArray, CSkinWeights*>& GetSkinWeightsArray() { return m_SkinWeights; }
  CSkinMeshHeader* GetSkinMeshHeader() const { return m_pSkinMeshHeader; }
  CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& GetBoneSkinWeights() { return m_BoneSkinWeights; }
  DWORD GetNumBones() const { return m_dwNumBones; }
  bool IsSoftwareSkinning() const { return m_bSoftwareSkinning; }
  DWORD GetNumBoneCombinations() const { return m_dwNumBoneCombinations; }
  D3DXBONECOMBINATION* GetBoneCombinations() const {
    return m_pBoneCombinationBuffer ? static_cast<D3DXBONECOMBINATION*>(m_pBoneCombinationBuffer->GetBufferPointer())
                                    : nullptr;
  }
  DWORD GetPaletteSize() const { return m_dwPaletteSize; }

 protected:
  void ClearContent();

 private:
  // Copies the materials and bounds of a source; the common part of both
  // initialisations.
  void CopyParts(DWORD numMaterials, D3DXMATERIAL* materials, IDirect3DTexture8** textures, CGBox* box,
                 CGSphere* sphere, char* name);
  // Generates m_pPMesh from mesh, reads its attribute table, goes to full
  // detail and measures the area.
  void Generate(ID3DXMesh* mesh, DWORD* adjacency, REDUCTIONOPTIONS* options, CDXThread* thread);
  // The plain and the compliant setters of either count.
  bool SetLevel(bool byVertices, float percent, CONFIGFILE* config, bool tryLock);
  bool SetCompliantLevel(bool byVertices, float percent, CONFIGFILE* config, CDXThread* thread, bool tryLock);
  // One stage of the compliant setters: from count n up, the smallest count
  // whose measure is within tolerance, found by halving.
  DWORD Comply(DWORD n, DWORD max, bool byVertices, bool volume, float reference, float tolerance,
               CDXThread* thread);

  ID3DXPMesh* m_pPMesh;
  DWORD m_dwNumMaterials;
  D3DXMATERIAL* m_pMaterials;
  IDirect3DTexture8** m_ppTextures;
  DWORD m_dwAttributeTableSize;
  D3DXATTRIBUTERANGE* m_pAttributeTable;
  float m_fOriginalSurfaceArea;
  float m_fOriginalBoundingBoxVolume;
  // Skinning members; m_dwNumBlendWeights is non-zero for a skinned mesh.
  CSkinMeshHeader* m_pSkinMeshHeader;
  CTypedPtrArray<CPtrArray, CSkinWeights*> m_SkinWeights;
  bool m_bSoftwareSkinning;
  ID3DXBuffer* m_pBoneCombinationBuffer;
  DWORD m_dwNumBoneCombinations;
  DWORD m_dwNumBlendWeights;
  DWORD m_dwPaletteSize;
  CTypedPtrArray<CPtrArray, CMaterial*> m_MaterialObjects;
  CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*> m_BoneSkinWeights;  // bone index → its weights
  DWORD m_dwNumBones;
};
