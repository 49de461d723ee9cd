#include "frametransformmatrix.h"

#include <rmxfguid.h>
#include <tracelog.h>

#include <cstring>

CFrameTransformMatrix::CFrameTransformMatrix() {
  m_transformLock = nullptr;
  m_transformLockValid = false;
  ClearContent();
}

CFrameTransformMatrix::CFrameTransformMatrix(bool mirrored) : CFrameTransformMatrix() { m_mirrored = mirrored; }

CFrameTransformMatrix::~CFrameTransformMatrix() {
  BeginTeardown();
  DestroyContent(false);
}

void CFrameTransformMatrix::ClearContent() {
  D3DXMatrixIdentity(&m_matrix);
  m_mirrored = false;
  D3DXMatrixIdentity(&m_loadedMatrix);
  m_loaded = false;
  m_transformLock = nullptr;
  m_transformLockValid = false;
  m_lockCount = 0;
}

bool CFrameTransformMatrix::DestroyContent(bool tryLock) {
  CXFileDataObject::DestroyContent(tryLock);
  if (m_transformLock) CloseHandle(m_transformLock);
  ClearContent();
  return true;
}

void CFrameTransformMatrix::Mirror(D3DXMATRIX* m) {
  m->_13 = -m->_13;
  m->_23 = -m->_23;
  m->_31 = -m->_31;
  m->_32 = -m->_32;
  m->_43 = -m->_43;
}

void CFrameTransformMatrix::CreateTransformLock() {
  if (m_transformLock) CloseHandle(m_transformLock);
  m_transformLock = CreateMutexA(nullptr, FALSE, nullptr);
  m_transformLockValid = m_transformLock != nullptr;
}

HRESULT CFrameTransformMatrix::Initialize(D3DXMATRIX* matrix, bool mirrored, char* name, bool tryLock) {
  DestroyContent(tryLock);
  HRESULT hr = CXFileDataObject::Initialize(name, &TID_D3DRMFrameTransformMatrix, tryLock);
  if (FAILED(hr)) return hr;
  m_matrix = *matrix;
  m_mirrored = mirrored;
  if (m_mirrored) Mirror(&m_matrix);
  CreateTransformLock();
  return S_OK;
}

void CFrameTransformMatrix::SetFrameMatrix(D3DXMATRIX* matrix, bool tryLock) {
  Lock(tryLock, false);
  if (!IsDeleted()) m_matrix = *matrix;
  Unlock();
}

D3DXMATRIX CFrameTransformMatrix::GetFrameMatrix(bool tryLock) {
  D3DXMATRIX matrix;
  D3DXMatrixIdentity(&matrix);
  Lock(tryLock, false);
  if (!IsDeleted()) matrix = m_matrix;
  Unlock();
  return matrix;
}

void CFrameTransformMatrix::LockFrameTransform() {
  if (!m_transformLockValid) return;
  WaitForSingleObject(m_transformLock, INFINITE);
  ++m_lockCount;
}

void CFrameTransformMatrix::UnlockFrameTransform() {
  if (!m_transformLockValid) return;
  --m_lockCount;
  ReleaseMutex(m_transformLock);
}

bool CFrameTransformMatrix::Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory,
                                 CDXThread* thread) {
  if (!LoadWithBlock(data, size, block, sizeof(D3DXMATRIX), fileDirectory, thread)) return false;
  std::memcpy(&m_loadedMatrix, block, sizeof(D3DXMATRIX));
  m_matrix = m_loadedMatrix;
  m_loaded = true;
  if (m_mirrored) Mirror(&m_matrix);
  CreateTransformLock();
  return true;
}

HRESULT CFrameTransformMatrix::Save(IDirectXFileSaveObject* saveObject, IDirectXFileData** out, CDXThread*) {
  *out = nullptr;
  // An object read from a file writes back what it read.
  D3DXMATRIX block = m_matrix;
  if (m_loaded)
    block = m_loadedMatrix;
  else if (m_mirrored)
    Mirror(&block);
  try {
    *out = CreateSaveData(
        saveObject, sizeof(block), &block,
        "IDirectXFileSaveObject::CreateDataObject \t\t\t\t\t\t\t\t\t\t\t\tfailed in CFrameTransformMatrix::Save");
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return E_FAIL;
  }
  return S_OK;
}
