#include "basemesh.h"

#include <appfiles.h>
#include <dx_mutex.h>

#include <memory>

#include "failureguard.h"
#include "objectlock.h"
#include "xfiletemplates.h"

namespace {
const char kCannotLockMeshBuffers[] = "Info: Cannot lock the mesh buffer mutex.";
}

bool IsBaseMeshOfType(CXFileDataObject* object, EBaseMeshType type) {
  return object->IsATemplateGUID(&GUID_BaseMesh) && static_cast<CBaseMesh*>(object)->GetMeshType() == type;
}

CBaseMesh::CBaseMesh() : m_meshBufferLocks(0) {
  ClearContent();
  m_meshBufferMutex = CreateMutexA(nullptr, FALSE, nullptr);
  m_meshBufferMutexValid = m_meshBufferMutex != nullptr;
}

CBaseMesh::~CBaseMesh() {
  BeginTeardown();
  DestroyContent(IsMainThread());
  if (m_meshBufferMutex) {
    m_meshBufferLocks = 0;
    m_meshBufferMutexValid = false;
    CloseHandle(m_meshBufferMutex);
    m_meshBufferMutex = nullptr;
  }
}

void CBaseMesh::ClearContent() {
  m_initialized = false;
  m_faceGroups = nullptr;
  m_boundingBox = nullptr;
  m_boundingSphere = nullptr;
  m_readyForRendering = false;
}

bool CBaseMesh::Clone(CBaseMesh**, char*) { return false; }

HRESULT CBaseMesh::Render(IDirect3DDevice8*, D3DXMATRIX*, int, int, CCameraFrame*, D3DXMATRIX*, CDXDoc*, bool) {
  return S_OK;
}

bool CBaseMesh::Initialize(char* name) {
  return GuardedCall([&] {
    CObjectLock lock(this, false);
    if (!DestroyContent(false)) throw "\nError: DestroyContent() failed.";
    CString meshName(name ? name : "BaseMesh");
    if (!name) SetUniqueName(meshName);
    if (FAILED(CXFileDataObject::Initialize(meshName.GetBuffer(0), &GUID_BaseMesh, false)))
      throw "\nError: Initialize() failed.";
    m_boundingBox = new CGBox;
    m_boundingBox->InitializeZeroSize(false);
    m_boundingSphere = new CGSphere;
    m_boundingSphere->InitializeZeroSize();
    m_initialized = true;
  });
}

bool CBaseMesh::DestroyContent(bool tryLock) {
  return GuardedCall([&] {
    CObjectLock lock(this, tryLock);
    m_initialized = false;
    DestroyBaseMeshContent(tryLock);
    delete m_boundingBox;
    delete m_boundingSphere;
    m_boundingBox = nullptr;
    m_boundingSphere = nullptr;
    if (!CXFileDataObject::DestroyContent(tryLock)) throw "\nError: DestroyContent() failed.";
    ClearContent();
  });
}

void CBaseMesh::DestroyBaseMeshContent(bool tryLock) {
  CObjectLock lock(this, tryLock);
  delete[] m_faceGroups;
  m_faceGroups = nullptr;
}

void CBaseMesh::DeleteContent(bool tryLock) {
  if (tryLock) {
    if (!Trylock()) throw "Info: Cannot lock the dx file object.";
  } else {
    Lock();
  }
  try {
    if (!IsDeleted()) {
      DestroyBaseMeshContent(false);
      if (m_boundingBox) m_boundingBox->InitializeZeroSize(false);
      if (m_boundingSphere) m_boundingSphere->InitializeZeroSize();
      CXFileDataObject::DeleteContent(tryLock);
    }
  } catch (...) {
    Unlock();
    throw;
  }
  Unlock();
}

void CBaseMesh::DeleteContentTL() {
  if (!Trylock()) throw "\nInfo: Cannot lock the dx file object.";
  try {
    if (!IsDeleted()) {
      DestroyBaseMeshContent(false);
      if (m_boundingBox) m_boundingBox->InitializeZeroSize(false);
      if (m_boundingSphere) m_boundingSphere->InitializeZeroSize();
      CXFileDataObject::DeleteContentTL();
    }
  } catch (...) {
    Unlock();
    throw;
  }
  Unlock();
}

// ---------------------------------------------------------------------------
// Mesh-buffer lock

bool CBaseMesh::LockMeshBuffers(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_meshBufferMutexValid) return false;
  const DWORD result = WaitForSingleObject(m_meshBufferMutex, tryLock ? 0 : INFINITE);
  if (tryLock && result != WAIT_OBJECT_0) {
    // An abandoned mutex is ours all the same: give it back before failing.
    if (result == WAIT_ABANDONED) ReleaseMutex(m_meshBufferMutex);
    throw kCannotLockMeshBuffers;
  }
  if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) return false;
  ++m_meshBufferLocks;
  return true;
}

bool CBaseMesh::TryLockMeshBuffers() {
  if (!m_meshBufferMutexValid || m_meshBufferLocks != 0) return false;
  const DWORD result = WaitForSingleObject(m_meshBufferMutex, 0);
  if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) return false;
  ++m_meshBufferLocks;
  return true;
}

void CBaseMesh::UnlockMeshBuffers() {
  if (!m_meshBufferMutexValid) return;
  ReleaseMutex(m_meshBufferMutex);
  --m_meshBufferLocks;
}

// ---------------------------------------------------------------------------
// Bounds

D3DXVECTOR3* CBaseMesh::GetCenterFS() {
  D3DXVECTOR3* center = nullptr;
  GuardedCall([&] {
    CObjectLock lock(this, false);
    if (!IsDeleted() && m_boundingSphere) center = m_boundingSphere->GetCenterFS();
  });
  return center;
}

void CBaseMesh::GetCenterWS(D3DXVECTOR3& out, D3DXMATRIX* world, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (!IsDeleted() && m_boundingSphere) D3DXVec3TransformCoord(&out, m_boundingSphere->GetCenterFS(), world);
}

float CBaseMesh::GetRadiusFS() {
  float radius = 0;
  GuardedCall([&] {
    CObjectLock lock(this, false);
    if (!IsDeleted() && m_boundingSphere) radius = m_boundingSphere->GetRadiusFS();
  });
  return radius;
}

float CBaseMesh::GetRadiusWS(D3DXMATRIX* world, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_boundingSphere) return 0;
  return m_boundingSphere->GetRadiusWS(world, tryLock);
}

void CBaseMesh::SetBoundingObjects(CGBox& box, CGSphere& sphere) {
  GuardedCall([&] {
    CObjectLock lock(this, false);
    if (IsDeleted()) return;
    if (m_boundingBox) *m_boundingBox = box;
    if (m_boundingSphere) *m_boundingSphere = sphere;
  });
}

// ---------------------------------------------------------------------------
// Triangle groups

bool CBaseMesh::CreateMaterialTrianglesGroups(CGroupedTrianglesVertexIndices** out, DWORD nFaces, CMeshFace* faces,
                                              DWORD nFaceMaterials, DWORD* faceMaterials, DWORD nMaterials,
                                              CDXThread* thread) {
  return GuardedCall([&] {
    CObjectLock lock(this, false);
    if (IsDeleted()) return;
    // The material numbers come from files: each must name a material, and
    // each face numbered must exist.
    if (nFaceMaterials > nFaces) throw "\nError: More face materials than faces.";
    for (DWORD i = 0; i < nFaceMaterials; ++i)
      if (faceMaterials[i] >= nMaterials) throw "\nError: A face's material index is not below the material count.";
    delete[] m_faceGroups;
    m_faceGroups = new CGroupedFacesIndex[nMaterials];
    for (DWORD i = 0; i < nFaceMaterials; ++i) m_faceGroups[faceMaterials[i]].IncrementMaxFacesCount();
    for (DWORD j = 0; j < nMaterials; ++j)
      if (!m_faceGroups[j].Initialize()) throw "\nError: Initialize() failed.";
    for (DWORD i = 0; i < nFaceMaterials; ++i) m_faceGroups[faceMaterials[i]].AddFaceIndex(i);
    *out = new CGroupedTrianglesVertexIndices[nMaterials];
    for (DWORD j = 0; j < nMaterials; ++j) {
      if (!(*out)[j].Initialize(nFaces, faces, m_faceGroups[j].GetCurrentFacesCount(),
                                m_faceGroups[j].GetArrayFacesIndex(), thread))
        throw "\nError: Initialize() failed.";
      m_faceGroups[j].DestroyContent();
    }
    delete[] m_faceGroups;
    m_faceGroups = nullptr;
  });
}

bool CBaseMesh::CreateOneMaterialTrianglesGroup(CGroupedTrianglesVertexIndices** out, DWORD nFaces, CMeshFace* faces,
                                                CDXThread* thread) {
  return GuardedCall([&] {
    CObjectLock lock(this, false);
    if (IsDeleted()) return;
    *out = new CGroupedTrianglesVertexIndices[1];
    if (!(*out)[0].Initialize(nFaces, faces, thread)) throw "\nError: Initialize() failed.";
  });
}
