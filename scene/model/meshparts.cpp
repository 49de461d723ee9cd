#include "meshparts.h"

#include <rmxfguid.h>

#include <cstring>
#include <memory>

#include "datablock.h"
#include "failureguard.h"
#include "material.h"

namespace {

char* NameOrEmpty(char* name) { return name ? name : const_cast<char*>(""); }

template <class T>
T* CopyArray(DWORD count, const T* source) {
  auto copy = std::make_unique<T[]>(count);
  for (DWORD i = 0; i < count; ++i) copy[i] = source[i];
  return copy.release();
}

}  // namespace

// ---------------------------------------------------------------------------
// Array parts

template <class Value>
bool CMeshArrayPart<Value>::InitializeArray(DWORD count, const Value* values, char* name, const GUID* guid) {
  return GuardedCall([&] {
    DestroyContent();
    if (FAILED(CXFileDataObject::Initialize(NameOrEmpty(name), guid, false)))
      throw "\nCXFileDataObject::Initialize() failed.";
    SetArray(count, CopyArray(count, values));
  });
}

// ---------------------------------------------------------------------------
// CMeshFaceWraps

bool CMeshFaceWraps::Initialize(DWORD count, CBoolean2d* values, char* name) {
  return InitializeArray(count, values, name, &TID_D3DRMMeshFaceWraps);
}

DWORD CMeshFaceWraps::GetDataObjectSize() { return CXFileDataObject::GetDataObjectSize() + 8 * m_count + 64; }

bool CMeshFaceWraps::Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) {
  return GuardedCall([&] {
    if (!CXFileDataObject::Load(data, size, block, fileDirectory, thread)) throw "\nCXFileDataObject::Load() failed.";
    CDataBlockReader reader(block, size);
    const DWORD count = reader.ReadDword();
    // The Boolean template holds a WORD; a block of DWORD flags is read too.
    const bool wordFlags = !block || static_cast<size_t>(size) - 4 != 8 * static_cast<size_t>(count);
    reader.Require(count, wordFlags ? 2 * sizeof(WORD) : 2 * sizeof(DWORD));
    auto flag = [&] { return (wordFlags ? reader.ReadWord() : reader.ReadDword()) == 1; };
    auto values = std::make_unique<CBoolean2d[]>(count);
    for (DWORD i = 0; i < count; ++i) {
      values[i].SetU(flag());
      values[i].SetV(flag());
    }
    SetArray(count, values.release());
  });
}

HRESULT CMeshFaceWraps::Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread*) {
  *out = nullptr;
  const bool saved = GuardedCall([&] {
    // In the layout of the registered Boolean template: one WORD per flag.
    CDataBlockWriter writer(4 * static_cast<size_t>(m_count) + 4);
    writer.Write(m_count);
    for (DWORD i = 0; i < m_count; ++i) {
      writer.Write<WORD>(m_values[i].GetU() ? 1 : 0);
      writer.Write<WORD>(m_values[i].GetV() ? 1 : 0);
    }
    *out = CreateSaveData(saveObject, writer,
                          "IDirectXFileSaveObject::CreateDataObject failed in CMeshFaceWraps::Save");
  });
  return saved ? S_OK : E_FAIL;
}

// ---------------------------------------------------------------------------
// CMeshTextureCoords

bool CMeshTextureCoords::Initialize(DWORD count, CCoords2d* coords, char* name) {
  return InitializeArray(count, coords, name, &TID_D3DRMMeshTextureCoords);
}

bool CMeshTextureCoords::Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory,
                              CDXThread* thread) {
  return GuardedCall([&] {
    if (!CXFileDataObject::Load(data, size, block, fileDirectory, thread)) throw "\nCXFileDataObject::Load() failed.";
    CDataBlockReader reader(block, size);
    const DWORD count = reader.ReadDword();
    reader.Require(count, 2 * sizeof(float));
    auto coords = std::make_unique<CCoords2d[]>(count);
    for (DWORD i = 0; i < count; ++i) {
      coords[i].SetU(reader.ReadFloat());
      coords[i].SetV(reader.ReadFloat());
    }
    SetArray(count, coords.release());
  });
}

HRESULT CMeshTextureCoords::Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread*) {
  *out = nullptr;
  const bool saved = GuardedCall([&] {
    CDataBlockWriter writer(8 * static_cast<size_t>(m_count) + 4);
    writer.Write(m_count);
    for (DWORD i = 0; i < m_count; ++i) {
      writer.Write(m_values[i].GetU());
      writer.Write(m_values[i].GetV());
    }
    *out = CreateSaveData(saveObject, writer,
                          "Error: IDirectXFileSaveObject::CreateDataObject failed in CMeshTextureCoords::Save");
  });
  return saved ? S_OK : E_FAIL;
}

// ---------------------------------------------------------------------------
// CMeshVertexColors

bool CMeshVertexColors::Initialize(DWORD count, CIndexedColor* colors, char* name) {
  return InitializeArray(count, colors, name, &TID_D3DRMMeshVertexColors);
}

bool CMeshVertexColors::Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory,
                             CDXThread* thread) {
  return GuardedCall([&] {
    if (!CXFileDataObject::Load(data, size, block, fileDirectory, thread)) throw "\nCXFileDataObject::Load() failed.";
    CDataBlockReader reader(block, size);
    const DWORD count = reader.ReadDword();
    const BYTE* value = reader.Take(count, sizeof(DWORD) + 4 * sizeof(float));
    std::unique_ptr<CIndexedColor[]> colors(new CIndexedColor[count]);
    for (DWORD i = 0; i < count; ++i, value += sizeof(DWORD) + 4 * sizeof(float)) {
      DWORD index;
      std::memcpy(&index, value, sizeof index);
      colors[i].SetVertexIndex(index);
      std::memcpy(&colors[i].GetVertexColor()->r, value + sizeof index, 4 * sizeof(float));
    }
    SetArray(count, colors.release());
  });
}

HRESULT CMeshVertexColors::Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread*) {
  *out = nullptr;
  const bool saved = GuardedCall([&] {
    CDataBlockWriter writer(20 * static_cast<size_t>(m_count) + 4);
    writer.Write(m_count);
    for (DWORD i = 0; i < m_count; ++i) {
      writer.Write(m_values[i].GetVertexIndex());
      writer.WriteArray(&m_values[i].GetVertexColor()->r, 4, sizeof(float));
    }
    *out = CreateSaveData(saveObject, writer,
                          "Error: IDirectXFileSaveObject::CreateDataObject failed in CMeshVertexColors::Save");
  });
  return saved ? S_OK : E_FAIL;
}

// ---------------------------------------------------------------------------
// CMeshMaterialList

CMeshMaterialList::CMeshMaterialList() { ClearContent(); }

CMeshMaterialList::~CMeshMaterialList() {
  BeginTeardown();
  DestroyContent();
}

void CMeshMaterialList::ClearContent() {
  m_nMaterials = 0;
  m_nFaceIndexes = 0;
  m_faceIndexes = nullptr;
  m_drawingDefault = false;
}

bool CMeshMaterialList::DestroyContent(bool) {
  delete[] m_faceIndexes;
  m_faceIndexes = nullptr;
  if (!CXFileDataObject::DestroyContent(false)) return false;
  ClearContent();
  return true;
}

template <class Source>
bool CMeshMaterialList::InitializeList(DWORD nMaterials, DWORD nFaceIndexes, DWORD* faceIndexes, char* name,
                                       Source makeMaterial) {
  const bool done = GuardedCall([&] {
    DestroyContent();
    if (FAILED(CXFileDataObject::Initialize(NameOrEmpty(name), &TID_D3DRMMeshMaterialList, false)))
      throw "\nCXFileDataObject::Initialize() failed.";
    m_nMaterials = nMaterials;
    m_nFaceIndexes = nFaceIndexes;
    if (faceIndexes) m_faceIndexes = CopyArray(nFaceIndexes, faceIndexes);
    for (DWORD i = 0; i < nMaterials; ++i) {
      auto material = std::make_unique<CMaterial>();
      if (!makeMaterial(material.get(), i)) throw "\nMaterial initialization failed.";
      AddChildObject(eOwnedChild, material.release(), false);
    }
  });
  if (!done) DestroyContent();
  return done;
}

bool CMeshMaterialList::Initialize(DWORD nMaterials, CMaterial* materials, DWORD nFaceIndexes, DWORD* faceIndexes,
                                   char* name, CDXThread* thread) {
  return InitializeList(nMaterials, nFaceIndexes, faceIndexes, name, [&](CMaterial* material, DWORD i) {
    return material->Initialize(&materials[i], thread);
  });
}

bool CMeshMaterialList::Initialize(DWORD nMaterials, D3DXMATERIAL* materials, char** textureNames,
                                   DWORD nFaceIndexes, DWORD* faceIndexes, char* name, char* folder,
                                   CDXThread* thread) {
  return InitializeList(nMaterials, nFaceIndexes, faceIndexes, name, [&](CMaterial* material, DWORD i) {
    return material->Initialize(&materials[i], textureNames ? textureNames[i] : nullptr, folder, thread);
  });
}

bool CMeshMaterialList::InitializeOneMaterialList(CMaterial* material, char* name, CDXThread* thread) {
  // One face index and no array: it saves as material 0.
  return InitializeList(1, 1, nullptr, name, [&](CMaterial* copy, DWORD) { return copy->Initialize(material, thread); });
}

void CMeshMaterialList::SetMandatoryMembers(DWORD nMaterials, DWORD nFaceIndexes, DWORD* faceIndexes) {
  delete[] m_faceIndexes;
  m_nMaterials = nMaterials;
  m_nFaceIndexes = nFaceIndexes;
  m_faceIndexes = faceIndexes;
}

CMaterial* CMeshMaterialList::GetNextMaterial(POSITION& pos) {
  return static_cast<CMaterial*>(GetNextChild(pos, &TID_D3DRMMaterial, false, false));
}

DWORD CMeshMaterialList::GetDataObjectSize() {
  return CXFileDataObject::GetDataObjectSize() + 4 * m_nFaceIndexes + 68;
}

bool CMeshMaterialList::Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory,
                             CDXThread* thread) {
  return GuardedCall([&] {
    if (!CXFileDataObject::Load(data, size, block, fileDirectory, thread)) throw "\nCXFileDataObject::Load() failed.";
    CDataBlockReader reader(block, size);
    const DWORD nMaterials = reader.ReadDword();
    const DWORD nFaceIndexes = reader.ReadDword();
    reader.Require(nFaceIndexes, sizeof(DWORD));
    auto faceIndexes = std::make_unique<DWORD[]>(nFaceIndexes);
    reader.ReadArray(faceIndexes.get(), nFaceIndexes, sizeof(DWORD));
    for (DWORD i = 0; i < nFaceIndexes; ++i)
      if (faceIndexes[i] >= nMaterials) throw "\nError: A face's material index is not below the material count.";
    delete[] m_faceIndexes;
    m_faceIndexes = faceIndexes.release();
    m_nMaterials = nMaterials;
    m_nFaceIndexes = nFaceIndexes;
  });
}

HRESULT CMeshMaterialList::Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread*) {
  *out = nullptr;
  const bool saved = GuardedCall([&] {
    CDataBlockWriter writer(4 * static_cast<size_t>(m_nFaceIndexes) + 8);
    writer.Write(m_nMaterials);
    writer.Write(m_nFaceIndexes);
    for (DWORD i = 0; i < m_nFaceIndexes; ++i) writer.Write<DWORD>(m_faceIndexes ? m_faceIndexes[i] : 0);
    *out = CreateSaveData(saveObject, writer,
                          "Error: IDirectXFileSaveObject::CreateDataObject failed in CMeshMaterialList::Save");
  });
  return saved ? S_OK : E_FAIL;
}

// ---------------------------------------------------------------------------
// CMeshNormals

CMeshNormals::CMeshNormals() { ClearContent(); }

CMeshNormals::~CMeshNormals() {
  BeginTeardown();
  DestroyContent();
}

void CMeshNormals::ClearContent() {
  m_nNormals = 0;
  m_normals = nullptr;
  m_nFaceNormals = 0;
  m_records = nullptr;
}

bool CMeshNormals::DestroyContent(bool) {
  delete[] m_normals;
  delete[] m_records;
  m_normals = nullptr;
  m_records = nullptr;
  if (!CXFileDataObject::DestroyContent(false)) return false;
  ClearContent();
  return true;
}

bool CMeshNormals::Initialize(DWORD nNormals, D3DXVECTOR3* normals, DWORD nFaceNormals, CMeshFace* records,
                              char* name) {
  const bool done = GuardedCall([&] {
    DestroyContent();
    if (FAILED(CXFileDataObject::Initialize(NameOrEmpty(name), &TID_D3DRMMeshNormals, false)))
      throw "CXFileDataObject::Initialize() failed";
    m_normals = CopyArray(nNormals, normals);
    m_nNormals = nNormals;
    m_records = new CMeshFace[nFaceNormals];
    m_nFaceNormals = nFaceNormals;
    for (DWORD i = 0; i < nFaceNormals; ++i)
      if (!m_records[i].SetMeshFace(records[i].GetFaceVertexCount(), records[i].GetFaceVertexIndices()))
        throw "\nSetMeshFace() failed";
  });
  if (!done) DestroyContent();
  return done;
}

void CMeshNormals::SetMandatoryMembers(DWORD nNormals, D3DXVECTOR3* normals, DWORD nFaceNormals,
                                       CMeshFace* records) {
  delete[] m_normals;
  delete[] m_records;
  m_nNormals = nNormals;
  m_normals = normals;
  m_nFaceNormals = nFaceNormals;
  m_records = records;
}

DWORD CMeshNormals::GetDataObjectSize() {
  DWORD size = CXFileDataObject::GetDataObjectSize() + 12 * m_nNormals + 72;
  for (DWORD i = 0; i < m_nFaceNormals; ++i) size += m_records[i].GetDataObjectSize();
  return size;
}

bool CMeshNormals::Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) {
  const bool done = GuardedCall([&] {
    if (!CXFileDataObject::Load(data, size, block, fileDirectory, thread)) throw "\nCXFileDataObject::Load() failed.";
    CDataBlockReader reader(block, size);
    const DWORD nNormals = reader.ReadDword();
    reader.Require(nNormals, sizeof(D3DXVECTOR3));
    auto normals = std::make_unique<D3DXVECTOR3[]>(nNormals);
    reader.ReadArray(normals.get(), nNormals, sizeof(D3DXVECTOR3));
    const DWORD nFaceNormals = reader.ReadDword();
    // Each record holds at least its corner count.
    reader.Require(nFaceNormals, sizeof(DWORD));
    std::unique_ptr<CMeshFace[]> records(new CMeshFace[nFaceNormals]);
    ReadMeshFaces(reader, records.get(), nFaceNormals, nNormals,
                  "\nError: A face-normal record has fewer than three corners.",
                  "\nError: A normal index is not below the normal count.");
    SetMandatoryMembers(nNormals, normals.release(), nFaceNormals, records.release());
  });
  if (!done) DestroyContent();
  return done;
}

HRESULT CMeshNormals::Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread*) {
  *out = nullptr;
  const bool saved = GuardedCall([&] {
    CDataBlockWriter writer(4 + 12 * static_cast<size_t>(m_nNormals) + MeshFacesBlockSize(m_records, m_nFaceNormals));
    writer.Write(m_nNormals);
    writer.WriteArray(m_normals, m_nNormals, sizeof(D3DXVECTOR3));
    WriteMeshFaces(writer, m_records, m_nFaceNormals);
    *out = CreateSaveData(saveObject, writer,
                          "Error: IDirectXFileSaveObject::CreateDataObject failed in CMeshNormals::Save");
  });
  return saved ? S_OK : E_FAIL;
}
