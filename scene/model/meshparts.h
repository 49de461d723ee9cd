// The child data objects of an X-file Mesh: face wraps, texture coordinates,
// vertex colours, the material list and the normals. Each reads its
// template's data block in Load, checking every count and index against the
// block, and writes the same layout back in Save.
#pragma once

#include <d3dx8mesh.h>

#include "meshface.h"
#include "xfiledataobject.h"

class CMaterial;

// A part that holds one array of value records, owned.
template <class Value>
class CMeshArrayPart : public CXFileDataObject {
 public:
  ~CMeshArrayPart() override {
    BeginTeardown();
    DestroyContent();
  }
  bool DestroyContent() {
    delete[] m_values;
    m_values = nullptr;
    if (!CXFileDataObject::DestroyContent(false)) return false;
    ClearContent();
    return true;
  }

 protected:
  CMeshArrayPart() { ClearContent(); }
  void ClearContent() {
    m_count = 0;
    m_values = nullptr;
  }
  // Named name (empty for NULL), holding a copy of count values.
  bool InitializeArray(DWORD count, const Value* values, char* name, const GUID* guid);
  // Takes over the array.
  void SetArray(DWORD count, Value* values) {
    delete[] m_values;
    m_count = count;
    m_values = values;
  }

  DWORD m_count;
  Value* m_values;
};

class CMeshFaceWraps : public CMeshArrayPart<CBoolean2d> {
 public:
  bool Initialize(DWORD count, CBoolean2d* values, char* name);
  DWORD GetFaceWrapValuesCount() const { return m_count; }
  CBoolean2d* GetFaceWrapValues() const { return m_values; }

  DWORD GetDataObjectSize() override;
  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;
  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;
};

class CMeshTextureCoords : public CMeshArrayPart<CCoords2d> {
 public:
  bool Initialize(DWORD count, CCoords2d* coords, char* name);
  // Takes over the array.
  void SetMandatoryMembers(DWORD count, CCoords2d* coords) { SetArray(count, coords); }
  DWORD GetMeshVertexCount() const { return m_count; }
  CCoords2d* GetTextureCoords() const { return m_values; }

  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;
  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;
};

class CMeshVertexColors : public CMeshArrayPart<CIndexedColor> {
 public:
  bool Initialize(DWORD count, CIndexedColor* colors, char* name);
  DWORD GetVertexColorsCount() const { return m_count; }
  CIndexedColor* GetIndexedColor() const { return m_values; }

  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;
  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;
};

// The material number of each face; the materials are the Material children.
class CMeshMaterialList : public CXFileDataObject {
 public:
  CMeshMaterialList();
  ~CMeshMaterialList() override;

  bool Initialize(DWORD nMaterials, CMaterial* materials, DWORD nFaceIndexes, DWORD* faceIndexes, char* name,
                  CDXThread* thread);
  bool Initialize(DWORD nMaterials, D3DXMATERIAL* materials, char** textureNames, DWORD nFaceIndexes,
                  DWORD* faceIndexes, char* name, char* folder, CDXThread* thread);
  // One material, copied from material, for one face index.
  bool InitializeOneMaterialList(CMaterial* material, char* name, CDXThread* thread);
  // Takes over the array.
  void SetMandatoryMembers(DWORD nMaterials, DWORD nFaceIndexes, DWORD* faceIndexes);
  bool DestroyContent(bool tryLock = false);

  DWORD GetMaterialsCount() const { return m_nMaterials; }
  void SetMaterialsCount(DWORD count) { m_nMaterials = count; }
  DWORD GetFacesCount() const { return m_nFaceIndexes; }
  DWORD* GetFaceMaterialIndices() const { return m_faceIndexes; }
  // The next Material child not marked deleted, NULL at the end.
  CMaterial* GetNextMaterial(POSITION& pos);
  // A list that a mesh loaded without one makes for its own drawing: the
  // mesh is drawn with it, but it is not the file's and is never written.
  void SetDrawingDefault() { m_drawingDefault = true; }
  bool IsDrawingDefault() const { return m_drawingDefault; }

  DWORD GetDataObjectSize() override;
  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;
  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;

 protected:
  void ClearContent();

 private:
  template <class Source>
  bool InitializeList(DWORD nMaterials, DWORD nFaceIndexes, DWORD* faceIndexes, char* name, Source makeMaterial);

  DWORD m_nMaterials;
  DWORD m_nFaceIndexes;
  DWORD* m_faceIndexes;
  bool m_drawingDefault;
};

// The normals and, per face, the normal number of each corner.
class CMeshNormals : public CXFileDataObject {
 public:
  CMeshNormals();
  ~CMeshNormals() override;

  bool Initialize(DWORD nNormals, D3DXVECTOR3* normals, DWORD nFaceNormals, CMeshFace* records, char* name);
  // Takes over both arrays.
  void SetMandatoryMembers(DWORD nNormals, D3DXVECTOR3* normals, DWORD nFaceNormals, CMeshFace* records);
  bool DestroyContent(bool tryLock = false);

  DWORD GetNormalsCount() const { return m_nNormals; }
  D3DXVECTOR3* GetNormals() const { return m_normals; }
  DWORD GetFacesCount() const { return m_nFaceNormals; }
  CMeshFace* GetMeshFaces() const { return m_records; }

  DWORD GetDataObjectSize() override;
  HRESULT Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread* thread) override;
  bool Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) override;

 protected:
  void ClearContent();

 private:
  DWORD m_nNormals;
  D3DXVECTOR3* m_normals;
  DWORD m_nFaceNormals;
  CMeshFace* m_records;
};
