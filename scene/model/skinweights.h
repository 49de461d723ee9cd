// The skin data objects below a skinned .x Mesh: the weights of one bone
// (SkinWeights) and the skin mesh header (XSkinMeshHeader).
#pragma once

#include <afxtempl.h>
#include <d3dx8mesh.h>

#include "gbox.h"
#include "xfiledataobject.h"

class CDXMesh;
class CFrame;

class CSkinWeights : public CXFileDataObject {
 public:
  CSkinWeights();
  ~CSkinWeights() override;

  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;
  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;
  bool DestroyContent();

  // Makes this object a copy of source; a failure empties it and is passed on.
  void Initialize(CSkinWeights& source);
  void ResetWeights();
  void AddWeight(DWORD vertexIndex, float weight);
  void ResizeWeights();
  // True when every vertex index in use is below vertexCount. The indices
  // come from the file: the owner of the skinned mesh checks them before
  // using them on its vertices.
  bool ValidateVertexIndices(DWORD vertexCount) const;

  void SetInternalMembers(CFrame* boneFrame, CDXMesh* mesh, D3DXMATRIX* boneWorldTransform);
  void SetBoneWorldTransform(D3DXMATRIX* transform) { m_boneWorldTransform = transform; }
  // The bounds, in the mesh's vertex space, of the vertices this bone moves;
  // an index at or past the mesh's vertex count fails.
  void ComputeBoneBoundingObjects(ID3DXMesh* mesh);

  DWORD GetWeightsCount() const { return m_count; }
  DWORD* GetVertexIndices() { return m_vertexIndices.GetData(); }
  float* GetWeights() { return m_weights.GetData(); }
  D3DXMATRIX* GetMatOffset() { return &m_matOffset; }
  CString GetTransformNodeName() const { return m_transformNodeName; }
  CFrame* GetBoneFrame() const { return m_boneFrame; }
  CDXMesh* GetMesh() const { return m_mesh; }
  D3DXMATRIX* GetBoneWorldTransform() const { return m_boneWorldTransform; }
  CGBox* GetBoneBoundingBox() { return &m_boneBox; }
  CGSphere* GetBoneBoundingSphere() { return &m_boneSphere; }

 protected:
  void ClearContent();

 private:
  void SizeArrays(DWORD size);

  CString m_transformNodeName;
  DWORD m_count;
  CDWordArray m_vertexIndices;
  CArray<float, float> m_weights;
  alignas(16) D3DXMATRIX m_matOffset;
  char* m_saveName;  // the name the last save wrote, owned
  D3DXMATRIX* m_boneWorldTransform;
  CFrame* m_boneFrame;
  CDXMesh* m_mesh;
  CGBox m_boneBox;
  CGSphere m_boneSphere;
};

class CSkinMeshHeader : public CXFileDataObject {
 public:
  CSkinMeshHeader();
  ~CSkinMeshHeader() override;

  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;
  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;
  bool DestroyContent();

  WORD GetMaxSkinWeightsPerVertex() const { return m_maxSkinWeightsPerVertex; }
  WORD GetMaxSkinWeightsPerFace() const { return m_maxSkinWeightsPerFace; }
  WORD GetNumBones() const { return m_numBones; }
  void SetMaxSkinWeightsPerVertex(WORD count) { m_maxSkinWeightsPerVertex = count; }
  void SetMaxSkinWeightsPerFace(WORD count) { m_maxSkinWeightsPerFace = count; }
  void SetNumBones(WORD count) { m_numBones = count; }

 protected:
  void ClearContent();

 private:
  WORD m_maxSkinWeightsPerVertex;
  WORD m_maxSkinWeightsPerFace;
  WORD m_numBones;
};
