#include "skinweights.h"

#include <appfiles.h>
#include <appoptions.h>
#include <dx_mutex.h>
#include <xskinexp.h>

#include <cmath>
#include <cstring>

#include "datablock.h"
#include "dxcrackfvf.h"
#include "failureguard.h"
#include "frame.h"
#include "savenames.h"

// ---------------------------------------------------------------------------
// CSkinWeights

CSkinWeights::CSkinWeights() : m_saveName(nullptr), m_boneFrame(nullptr), m_mesh(nullptr) { ClearContent(); }

CSkinWeights::~CSkinWeights() {
  BeginTeardown();
  DestroyContent();
}

void CSkinWeights::ClearContent() {
  m_count = 0;
  std::memset(static_cast<void*>(&m_matOffset), 0, sizeof(m_matOffset));
  m_saveName = nullptr;
  m_boneWorldTransform = nullptr;
  m_boneBox.InitializeZeroSize(IsMainThread());
  m_boneSphere.InitializeZeroSize();
}

bool CSkinWeights::DestroyContent() {
  m_vertexIndices.RemoveAll();
  m_weights.RemoveAll();
  delete[] m_saveName;
  m_saveName = nullptr;
  if (!CXFileDataObject::DestroyContent(false)) return false;
  ClearContent();
  return true;
}

void CSkinWeights::SizeArrays(DWORD size) {
  m_vertexIndices.SetSize(size, size / 3);
  m_weights.SetSize(size, size / 3);
}

bool CSkinWeights::Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) {
  return GuardedCall([&] {
    if (!CXFileDataObject::Load(data, size, block, fileDirectory, thread)) throw "\nCXFileDataObject::Load() failed.";
    CDataBlockReader reader(block, size);
    const char* name = reader.ReadString();
    const DWORD count = reader.ReadDword();
    reader.Require(count, sizeof(DWORD) + sizeof(float));
    m_transformNodeName = name ? name : "";
    m_vertexIndices.RemoveAll();
    m_weights.RemoveAll();
    SizeArrays(count);
    reader.ReadArray(m_vertexIndices.GetData(), count, sizeof(DWORD));
    reader.ReadArray(m_weights.GetData(), count, sizeof(float));
    reader.ReadArray(&m_matOffset, 1, sizeof(D3DXMATRIX));
    m_count = count;
  });
}

HRESULT CSkinWeights::Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread*) {
  *out = nullptr;
  const bool saved = GuardedCall([&] {
    // The bone is named as its frame is written.
    const CSaveNames* names = CSaveNames::GetCurrent();
    const CString name = names                              ? names->GetFrameName(m_transformNodeName)
                         : (g_appOptions.dwXFileFormat & 1) ? GetDXTemplateName(m_transformNodeName)
                                                            : m_transformNodeName;
    delete[] m_saveName;
    m_saveName = new char[name.GetLength() + 1];
    std::memcpy(m_saveName, static_cast<const char*>(name), name.GetLength() + 1);
    CDataBlockWriter writer(sizeof(char*) + 4 + 8 * static_cast<size_t>(m_count) + sizeof(D3DXMATRIX));
    writer.Write(static_cast<const char*>(m_saveName));
    writer.Write(m_count);
    writer.WriteArray(m_vertexIndices.GetData(), m_count, sizeof(DWORD));
    writer.WriteArray(m_weights.GetData(), m_count, sizeof(float));
    writer.WriteArray(&m_matOffset, 1, sizeof(D3DXMATRIX));
    *out = CreateSaveData(saveObject, writer,
                          "IDirectXFileSaveObject::CreateDataObject failed.");
  });
  return saved ? S_OK : E_FAIL;
}

void CSkinWeights::Initialize(CSkinWeights& source) {
  try {
    DestroyContent();
    if (FAILED(CXFileDataObject::Initialize(source.GetName(), &DXFILEOBJ_SkinWeights, false)))
      throw "\nError: CXFileDataObject::Initialize() failed.";
    m_transformNodeName = source.m_transformNodeName;
    m_count = source.m_count;
    SizeArrays(m_count);
    std::memcpy(m_vertexIndices.GetData(), source.m_vertexIndices.GetData(), m_count * sizeof(DWORD));
    std::memcpy(m_weights.GetData(), source.m_weights.GetData(), m_count * sizeof(float));
    m_matOffset = source.m_matOffset;
  } catch (...) {
    DestroyContent();
    throw;
  }
}

void CSkinWeights::ResetWeights() {
  const DWORD size = m_count;
  m_vertexIndices.RemoveAll();
  m_weights.RemoveAll();
  if (size) SizeArrays(size);
  m_count = 0;
}

void CSkinWeights::AddWeight(DWORD vertexIndex, float weight) {
  m_vertexIndices.SetAtGrow(m_count, vertexIndex);
  m_weights.SetAtGrow(m_count, weight);
  ++m_count;
}

void CSkinWeights::ResizeWeights() {
  if (!m_count) return;
  bool allZero = true;
  for (DWORD i = 0; i < m_count && allZero; ++i) allZero = !(m_weights[i] < 0.0f || m_weights[i] > 0.0f);
  if (allZero)
    ResetWeights();
  else
    SizeArrays(m_count);
}

bool CSkinWeights::ValidateVertexIndices(DWORD vertexCount) const {
  for (DWORD i = 0; i < m_count; ++i)
    if (m_vertexIndices[i] >= vertexCount) return false;
  return true;
}

void CSkinWeights::SetInternalMembers(CFrame* boneFrame, CDXMesh* mesh, D3DXMATRIX* boneWorldTransform) {
  m_boneFrame = boneFrame;
  m_mesh = mesh;
  m_boneWorldTransform = boneWorldTransform;
  if (boneFrame) boneFrame->SetSkinWeights(this);
}

void CSkinWeights::ComputeBoneBoundingObjects(ID3DXMesh* mesh) {
  m_boneBox.InitializeZeroSize(false);
  m_boneSphere.InitializeZeroSize();
  if (!m_count) return;
  if (!mesh || !ValidateVertexIndices(mesh->GetNumVertices()))
    throw "\nError: A skin weight's vertex index is not below the vertex count.";
  BYTE* vertices = nullptr;
  if (FAILED(mesh->LockVertexBuffer(0, &vertices))) throw "\nError: LockVertexBuffer() failed.";
  const DXCrackFVF format(mesh->GetFVF());
  auto position = [&](DWORD i) { return reinterpret_cast<const D3DXVECTOR3*>(format.GetVertex(vertices, i)); };
  D3DXVECTOR3 min = *position(m_vertexIndices[0]);
  D3DXVECTOR3 max = min;
  for (DWORD i = 1; i < m_count; ++i) {
    const D3DXVECTOR3* p = position(m_vertexIndices[i]);
    D3DXVec3Minimize(&min, &min, p);
    D3DXVec3Maximize(&max, &max, p);
  }
  mesh->UnlockVertexBuffer();
  m_boneBox.Initialize(&min, &max, false);
  m_boneBox.ComputeBoundingSphere(&m_boneSphere, false);
}

// ---------------------------------------------------------------------------
// CSkinMeshHeader

CSkinMeshHeader::CSkinMeshHeader() { ClearContent(); }

CSkinMeshHeader::~CSkinMeshHeader() {
  BeginTeardown();
  DestroyContent();
}

void CSkinMeshHeader::ClearContent() {
  m_maxSkinWeightsPerVertex = 0;
  m_maxSkinWeightsPerFace = 0;
  m_numBones = 0;
}

bool CSkinMeshHeader::DestroyContent() {
  if (!CXFileDataObject::DestroyContent(false)) return false;
  ClearContent();
  return true;
}

bool CSkinMeshHeader::Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory,
                           CDXThread* thread) {
  return GuardedCall([&] {
    if (!CXFileDataObject::Load(data, size, block, fileDirectory, thread)) throw "\nCXFileDataObject::Load() failed.";
    CDataBlockReader reader(block, size);
    m_maxSkinWeightsPerVertex = reader.ReadWord();
    m_maxSkinWeightsPerFace = reader.ReadWord();
    m_numBones = reader.ReadWord();
  });
}

HRESULT CSkinMeshHeader::Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread*) {
  *out = nullptr;
  const bool saved = GuardedCall([&] {
    CDataBlockWriter writer(3 * sizeof(WORD));
    writer.Write(m_maxSkinWeightsPerVertex);
    writer.Write(m_maxSkinWeightsPerFace);
    writer.Write(m_numBones);
    *out = CreateSaveData(saveObject, writer,
                          "IDirectXFileSaveObject::CreateDataObject failed.");
  });
  return saved ? S_OK : E_FAIL;
}
