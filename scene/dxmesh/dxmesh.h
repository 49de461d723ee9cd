// CDXMesh: a D3DX mesh in the scene, with its materials, textures, face
// adjacency and attribute table. Loaded from and saved to .x Mesh data
// objects, repaired (adjacency, attribute sort, cleaning, welding, normals),
// drawn subset by subset in the opaque and the transparent pass, and
// converted to and from the connectivity mesh.
#pragma once

#include <afxtempl.h>
#include <d3dx8mesh.h>

#include "basemesh.h"
#include "dxmesh_3ds.h"

class CDXPMesh;
class CFrame;
class CGeoMesh;
class CMaterial;
class CSkinMeshHeader;
class CSkinWeights;
struct REDUCTIONOPTIONS;
struct tdsDatabase;

class CDXMesh : public CBaseMesh {
 public:
  CDXMesh();
  ~CDXMesh() override;

  void DeleteContent(bool tryLock) override;
  void DeleteContentTL() override;
  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;
  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;
  EBaseMeshType GetMeshType() override { return eBaseMeshTypeDXMesh; }
  HRESULT Render(IDirect3DDevice8* device, D3DXMATRIX* world, int opaquePass, int transparentPass,
                 CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc, bool tryLock) override;
  // The wireframe overlay of the active edges, drawn in the opaque pass when
  // the document's display options ask for it.
  HRESULT RenderEdgesTL(IDirect3DDevice8* device, D3DXMATRIX* world, int opaquePass, int transparentPass,
                        CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc, bool tryLock);

  void DestroyContent(bool tryLock);
  void DestroyDXMeshContent();
  // Takes over the mesh and the arrays as they are; bounds copied from box
  // and sphere.
  void SetDataMembers(ID3DXMesh* mesh, DWORD numMaterials, D3DXMATERIAL* materials, IDirect3DTexture8** textures,
                      DWORD* adjacency, DWORD attributeTableSize, D3DXATTRIBUTERANGE* attributeTable, CGBox* box,
                      CGSphere* sphere, bool ready);
  bool ComputeBoundingObjects();
  // 0 when deleted or without a mesh; a busy object on a try throws the
  // lock's text.
  DWORD GetNumFaces(bool tryLock);
  DWORD GetNumVertices(bool tryLock);
  // The save copies of the materials: texture names with doubled
  // backslashes for the text format.
  void InitializeConvertedMaterials();
  void DestroyConvertedMaterials();
  // Finds the skin header, the skin weights and the materials of the
  // material list among the children.
  void SetOptionalMembers();

  // Repair.
  bool MyOptimizeInPlace();
  void UpdateAttributeTable(ID3DXMesh* mesh);
  bool CleanMesh2();
  bool MyCleanMesh(IDirect3DDevice8* device);
  bool MyCleanMesh32(IDirect3DDevice8* device);
  void WeldMesh();
  bool ReplaceMeshFVF(DWORD numFaces, DWORD numVertices, DWORD vertexStride, DWORD options, DWORD fvf,
                      BYTE* vertices, WORD* indices, DWORD* attributes, IDirect3DDevice8* device);
  bool ReplaceMeshFVF32(DWORD numFaces, DWORD numVertices, DWORD vertexStride, DWORD options, DWORD fvf,
                        BYTE* vertices, DWORD* indices, DWORD* attributes, IDirect3DDevice8* device);
  bool CreateValidAttributesArray(DWORD*& out, DWORD& count);

  // Material and texture arrays from a D3DX material buffer; one default
  // material without a buffer.
  bool CopyMaterialsArray(D3DXMATERIAL*& materials, IDirect3DTexture8**& textures, DWORD& count,
                          char* textureDirectory, ID3DXBuffer* materialBuffer, CDXThread* thread);
  // The connectivity mesh of this mesh.
  bool InitializeClone(CGeoMesh* target, CFrame* frame, IDirect3DDevice8* device, REDUCTIONOPTIONS* options,
                       CDXThread* thread);

  // .3ds conversion. Initialize builds the mesh of one 3DS mesh record with
  // the file's materials (the database is not read); a record without faces
  // leaves the mesh named but empty. The Copy3ds steps return new[] arrays
  // that belong to the caller. SaveIn3dsDatabase writes the mesh, its
  // materials and an object node into the database, the vertices carried by
  // transform, under parentName in the keyframer; recordName receives the
  // name the mesh record was given (matrix2 and vector are not read).
  using CBaseMesh::Initialize;
  bool Initialize(tdsMesh* mesh, tdsDatabase*& database, C3dsMaterialMap& materials, IDirect3DDevice8* device,
                  char* textureDirectory, CDXThread* thread);
  bool Copy3dsFacesArray(WORD*& indices, DWORD& count, tdsMesh* mesh);
  bool Copy3dsAttributesArray(DWORD*& attributes, DWORD& count, tdsMesh* mesh);
  bool Copy3dsVerticesArray(D3DVERTEX*& vertices, DWORD& count, tdsMesh* mesh);
  bool Copy3dsMaterialsArray(D3DXMATERIAL*& materials, IDirect3DTexture8**& textures, char**& names, DWORD& count,
                             C3dsMaterialMap& map, char* textureDirectory, tdsMesh* mesh, CDXThread* thread);
  bool SaveIn3dsDatabase(tdsDatabase* database, char* parentName, D3DXMATRIX* transform, D3DXMATRIX* matrix2,
                         D3DXVECTOR3* vector, CDXThread* thread, CString* recordName = nullptr);
  // The progressive mesh of this mesh.
  bool InitializeClone(CDXPMesh* target, CFrame* frame, IDirect3DDevice8* device, REDUCTIONOPTIONS* options,
                       CDXThread* thread);
  // A plain mesh at the current level of a progressive mesh given by its
  // parts, or of a CDXPMesh object.
  bool Initialize(ID3DXPMesh* pmesh, DWORD numMaterials, D3DXMATERIAL* materials, IDirect3DTexture8** textures,
                  CGBox* box, CGSphere* sphere, CFrame* frame, char* name, IDirect3DDevice8* device,
                  REDUCTIONOPTIONS* options, CDXThread* thread);
  bool Initialize(CDXPMesh* source, CFrame* frame, char* name, IDirect3DDevice8* device, REDUCTIONOPTIONS* options,
                  CDXThread* thread);
  CMaterial* GetMaterialObject(DWORD i) const { return m_MaterialObjects.GetAt(i); }

  ID3DXMesh* GetMesh() const { return m_pMesh; }
  DWORD GetMaterialsCount() const { return m_dwNumMaterials; }
  D3DXMATERIAL* GetMaterials() const { return m_pMaterials; }
  IDirect3DTexture8** GetTextures() const { return m_ppTextures; }
  DWORD* GetAdjacency() const { return m_pAdjacency; }
  DWORD GetAttributeTableSize() const { return m_dwAttributeTableSize; }
  D3DXATTRIBUTERANGE* GetAttributeTable() const { return m_pAttributeTable; }
  D3DXMATERIAL* GetConvertedMaterials() const { return m_pConvertedMaterials; }
  DWORD GetSkinWeightsCount() const { return static_cast<DWORD>(m_SkinWeights.GetSize()); }
  CSkinWeights* GetSkinWeights(DWORD i) const { return m_SkinWeights.GetAt(i); }
  CSkinMeshHeader* GetSkinMeshHeader() const { return m_pSkinMeshHeader; }
  DWORD GetMaterialObjectsCount() const { return static_cast<DWORD>(m_MaterialObjects.GetSize()); }
  // The mesh came without a material list and holds the default one only.
  bool HasDefaultMaterialsOnly() const { return m_bDefaultMaterials; }
  void SetDefaultMaterialsOnly(bool only) { m_bDefaultMaterials = only; }
  void SetReadyForRendering(bool ready) { CBaseMesh::SetReadyForRendering(ready); }

  // Skinning (dxmesh_skin.cpp): the bones of the SkinWeights children, the
  // indexed-blended mesh drawn and saved, and the CPU-posed copy that gives
  // the bounds in the current pose.
  // Frames by name, as the loader keeps them.
  void SetSkinWeightsBoneTransform(CMapStringToPtr* frames);
  void ReplaceWithIBlendedMesh();
  void CreateSkinMesh(ID3DXSkinMesh** out);
  void CreateSkinMesh(ID3DXMesh* mesh, CTypedPtrArray<CPtrArray, CSkinWeights*>& weights, ID3DXSkinMesh** out,
                      CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& map, DWORD& numBones);
  void CreateIBlendedMesh(ID3DXSkinMesh* skin, ID3DXMesh** out, DWORD* numBoneCombinations,
                          ID3DXBuffer** boneCombinations, DWORD& numBlendWeights, DWORD& paletteSize,
                          bool& software);
  void CreateSkinnedMesh(ID3DXSkinMesh* skin, ID3DXMesh** out);
  void ComputeSkinnedMeshBoundingObjects(CFrame* frame, D3DXMATRIX* world, bool tryLock);
  void ResizeIBlendedMeshBoundingBox();
  void DestroySkinMeshData();
  // Skin data for saving and conversions (dxmesh_skindata.cpp).
  void UpdateSkinWeights();
  void UpdateSkinMeshHeader();
  void CreateNonBlendedMesh(ID3DXMesh** out);
  void CreateNonBlendedMesh(ID3DXMesh* mesh, ID3DXMesh** out);
  void InitializeSkinMeshData(CSkinMeshHeader* header, CTypedPtrArray<CPtrArray, CSkinWeights*>& weights,
                              CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& bones, DWORD numBones,
                              bool software, DWORD numBoneCombinations, D3DXBONECOMBINATION* combinations,
                              DWORD numBlendWeights, DWORD paletteSize, D3DXATTRIBUTERANGE* attributeTable,
                              DWORD attributeTableSize, ID3DXMesh* blendedMesh);
  // Skinned drawing (dxmesh_skinrender.cpp).
  HRESULT RenderBlendedMeshTL(IDirect3DDevice8* device, D3DXMATRIX* world, int opaquePass, int transparentPass,
                              CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc, bool tryLock);
  HRESULT RenderBlendedMeshEdgesTL(IDirect3DDevice8* device, D3DXMATRIX* world, int opaquePass,
                                   int transparentPass, CCameraFrame* camera, D3DXMATRIX* view, CDXDoc* doc,
                                   bool tryLock);
  bool IsSkinned() const { return m_dwNumBlendWeights != 0; }
  DWORD GetNumBlendWeights() const { return m_dwNumBlendWeights; }
  DWORD GetPaletteSize() const { return m_dwPaletteSize; }
  bool IsSoftwareSkinning() const { return m_bSoftwareSkinning; }
  DWORD GetNumBones() const { return m_dwNumBones; }
  DWORD GetNumBoneCombinations() const { return m_dwNumBoneCombinations; }
  D3DXBONECOMBINATION* GetBoneCombinations() const {
    return m_pBoneCombinationBuffer ? static_cast<D3DXBONECOMBINATION*>(m_pBoneCombinationBuffer->GetBufferPointer())
                                    : nullptr;
  }
  CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*>& GetBoneSkinWeights() { return m_BoneSkinWeights; }
  D3DXMATRIX* GetBoneMatrices() const { return m_pBoneMatrices; }
  ID3DXMesh* GetSkinnedMesh() const { return m_pSkinnedMesh; }

  // The material and texture of an attribute id: the default material and no
  // texture for an id past the materials.
  const D3DMATERIAL8& MaterialOf(DWORD attribId) const;
  IDirect3DTexture8* TextureOf(DWORD attribId) const;

 protected:
  void ClearContent();

 private:
  ID3DXMesh* m_pMesh;
  DWORD m_dwNumMaterials;
  D3DXMATERIAL* m_pMaterials;
  D3DXMATERIAL* m_pConvertedMaterials;
  IDirect3DTexture8** m_ppTextures;
  DWORD* m_pAdjacency;
  DWORD m_dwAttributeTableSize;
  D3DXATTRIBUTERANGE* m_pAttributeTable;
  char** m_ppMaterialNames;
  CTypedPtrArray<CPtrArray, CMaterial*> m_MaterialObjects;
  CSkinMeshHeader* m_pSkinMeshHeader;
  CTypedPtrArray<CPtrArray, CSkinWeights*> m_SkinWeights;
  bool m_bSoftwareSkinning;
  ID3DXBuffer* m_pBoneCombinationBuffer;
  DWORD m_dwNumBoneCombinations;
  // Non-zero for a skinned mesh: betas a vertex of the indexed-blended mesh.
  DWORD m_dwNumBlendWeights;
  DWORD m_dwPaletteSize;
  ID3DXSkinMesh* m_pSkinMesh;
  CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*> m_BoneSkinWeights;  // bone index → its weights
  DWORD m_dwNumBones;
  D3DXMATRIX* m_pBoneMatrices;  // offset × bone world, one a bone
  ID3DXMesh* m_pSkinnedMesh;
  CTypedPtrMap<CMapWordToPtr, WORD, CSkinWeights*> m_SkinnedBoneSkinWeights;
  bool m_bDefaultMaterials;

  void ClearSkinContent();
  void DestroySkinContent();
};

// Frees the texture names of a material array, then the array.
void DestroyMaterialsArray(D3DXMATERIAL*& materials, DWORD count);
