#include "patchmesh.h"

#include <tracelog.h>

CPatchMesh::CPatchMesh() { ClearContent(); }

CPatchMesh::~CPatchMesh() {
  BeginTeardown();
  DestroyContent();
}

void CPatchMesh::ClearContent() { m_loaded = false; }

bool CPatchMesh::DestroyContent() {
  CXFileDataObject::DestroyContent(false);
  ClearContent();
  return true;
}

bool CPatchMesh::Load(IDirectXFileData* data, DWORD size, BYTE* block, char* fileDirectory, CDXThread* thread) {
  try {
    if (!CXFileDataObject::Load(data, size, block, fileDirectory, thread)) throw "\nCXFileDataObject::Load() failed.";
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    DestroyContent();
    return false;
  }
  m_loaded = true;
  return true;
}

HRESULT CPatchMesh::Save(IDirectXFileSaveObject*, IDirectXFileData** out, CDXThread*) {
  *out = nullptr;
  return S_OK;
}
