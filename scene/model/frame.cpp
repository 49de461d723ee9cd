#include "frame.h"

#include <rmxfguid.h>

#include "frametransformmatrix.h"

CFrame::CFrame() { ClearContent(); }

CFrame::~CFrame() { BeginTeardown(); }

void CFrame::ClearContent() {
  D3DXMatrixIdentity(&m_worldTransform);
  m_parentRenderFrame = nullptr;
}

HRESULT CFrame::Initialize(char* name) {
  DestroyContent(false);
  ClearContent();
  return CXFileDataObject::Initialize(name, &TID_D3DRMFrame, false);
}

D3DXMATRIX CFrame::GetTransformMatrix(bool tryLock) {
  D3DXMATRIX matrix;
  D3DXMatrixIdentity(&matrix);
  Lock(tryLock, false);
  try {
    if (!IsDeleted()) {
      auto* transform =
          dynamic_cast<CFrameTransformMatrix*>(GetChildXfileDataObject(&TID_D3DRMFrameTransformMatrix, tryLock, false));
      if (transform) matrix = transform->GetFrameMatrix(tryLock);
    }
  } catch (...) {
    Unlock();
    throw;
  }
  Unlock();
  return matrix;
}

void CFrame::SetWorldTransform(D3DXMATRIX* matrix, bool tryLock) {
  Lock(tryLock, false);
  if (!IsDeleted()) m_worldTransform = *matrix;
  Unlock();
}

void CFrame::AddChildRenderFrame(EChildObjectType type, CFrame* child, bool tryLock) {
  Lock(tryLock, false);
  try {
    if (!IsDeleted()) {
      AddChildObject(type, child, tryLock);
      child->m_parentRenderFrame = this;
    }
  } catch (...) {
    Unlock();
    throw;
  }
  Unlock();
}

bool CFrame::ComputeAncestorsBoundingObjects(bool, bool, bool) { return true; }
