// CFrame: local, initial and world transforms, and the render-frame
// hierarchy that links frames to the root of their world.
#include <cameraframe.h>
#include <dynamicworldboundaryframe.h>
#include <qorcommon.h>

#include <memory>

#include "frame.h"
#include "frametransformmatrix.h"
#include "objectlock.h"

namespace {

D3DXMATRIX Translation(const D3DXVECTOR3& v) {
  D3DXMATRIX t;
  D3DXMatrixTranslation(&t, v.x, v.y, v.z);
  return t;
}

D3DXMATRIX Identity() {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  return m;
}

// T(-centre) R(dir, up → newDir, newUp) T(centre).
D3DXMATRIX RotationAbout(D3DXVECTOR3* centre, D3DXVECTOR3* dir, D3DXVECTOR3* up, D3DXVECTOR3* newDir,
                         D3DXVECTOR3* newUp) {
  D3DXMATRIX rotation;
  GetRotationTransform(&rotation, dir, up, newDir, newUp);
  return Translation(-*centre) * rotation * Translation(*centre);
}

// T(-pivot) × the rotation of q × T(pivot).
D3DXMATRIX TurnAbout(const D3DXVECTOR3& pivot, const D3DXQUATERNION& q) {
  D3DXVECTOR3 axis;
  float angle = 0;
  D3DXQuaternionToAxisAngle(&q, &axis, &angle);
  D3DXMATRIX turn;
  D3DXMatrixRotationAxis(&turn, &axis, angle);
  return Translation(-pivot) * turn * Translation(pivot);
}

}  // namespace

// ---------------------------------------------------------------------------
// Local transform

void CFrame::SetTransformMatrix(D3DXMATRIX* m, bool setInitial, ETransformCombination combination,
                                bool updateAncestorBounds, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted()) return;
  auto* current = static_cast<CFrameTransformMatrix*>(GetFrameTransformMatrix(tryLock, false));
  D3DXMATRIX combined = *m;
  if (current && combination == eApplyBefore)
    combined = *m * current->GetFrameMatrix(tryLock);
  else if (current && combination == eApplyAfter)
    combined = current->GetFrameMatrix(tryLock) * *m;
  else if (combination != eReplace)
    DEBUG_TRACE("\nInfo: Cannot combine the provided transform with the current one which does not exist.");
  if (current) {
    current->SetFrameMatrix(&combined, tryLock);
  } else {
    auto made = std::make_unique<CFrameTransformMatrix>();
    made->Initialize(&combined, false, nullptr, tryLock);
    AddChildObject(eOwnedChild, made.release(), tryLock);
  }
  if (setInitial) m_initialTransform = combined;
  // The climb takes each parent before its child: this frame is let go first.
  const bool climb = updateAncestorBounds && m_renderHierarchyMember;
  lock.Release();
  if (climb) ComputeAncestorsBoundingObjects(false, false, tryLock);
}

D3DXMATRIX CFrame::GetTransformMatrix(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted()) return Identity();
  auto* current = static_cast<CFrameTransformMatrix*>(GetFrameTransformMatrix(tryLock, false));
  const bool made = !current;
  if (made) {
    D3DXMATRIX identity = Identity();
    SetTransformMatrix(&identity, false, eReplace, false, false);
    current = static_cast<CFrameTransformMatrix*>(GetFrameTransformMatrix(tryLock, false));
    if (!current) return Identity();
  }
  const D3DXMATRIX local = current->GetFrameMatrix(tryLock);
  // As SetTransformMatrix does, the ancestors after this frame is let go.
  const bool climb = made && m_renderHierarchyMember;
  lock.Release();
  if (climb) ComputeAncestorsBoundingObjects(false, false, false);
  return local;
}

void CFrame::SetInitialFrameTransform() { m_initialTransform = GetTransformMatrix(false); }

void CFrame::SetFrameHierarchyInitialTransforms() {
  SetInitialFrameTransform();
  if (!TryLockChildList()) return;
  try {
    POSITION pos = GetChildHeadPosition();
    while (CFrame* child = GetNextFrame(pos, false, false)) child->SetFrameHierarchyInitialTransforms();
  } catch (...) {
    UnlockChildList();
    throw;
  }
  UnlockChildList();
}

CXFileDataObject* CFrame::GetOrCreateFrameTransformMatrix() {
  CXFileDataObject* current = GetFrameTransformMatrix(false, false);
  if (current) return current;
  // A frame without a transform child gets the identity, which a rotation
  // then turns.
  D3DXMATRIX identity = Identity();
  auto made = std::make_unique<CFrameTransformMatrix>();
  made->Initialize(&identity, false, nullptr, false);
  current = made.get();
  AddChildObject(eOwnedChild, made.release(), false);
  return current;
}

void CFrame::Rotate(D3DXVECTOR3* pivot, D3DXQUATERNION* rotation) {
  auto* current = static_cast<CFrameTransformMatrix*>(GetOrCreateFrameTransformMatrix());
  D3DXMATRIX local = current->GetFrameMatrix(false) * TurnAbout(*pivot, *rotation);
  current->SetFrameMatrix(&local, false);
}

void CFrame::RotateInViewSpace(D3DXMATRIX* parentWorld, CCameraFrame* camera, D3DXVECTOR3* pivot,
                               D3DXQUATERNION* rotation) {
  auto* current = static_cast<CFrameTransformMatrix*>(GetOrCreateFrameTransformMatrix());
  D3DXMATRIX placed = current->GetFrameMatrix(false);
  if (parentWorld) placed = placed * *parentWorld;
  D3DXMATRIX cameraWorld = camera->ComputeWorldTransform(false);
  D3DXMATRIX view = camera->ComputeViewTransform(&cameraWorld, false);
  D3DXMATRIX inView = placed * view * TurnAbout(*pivot, *rotation);
  D3DXMATRIX local = inView * ComputeInverseTransform(&view);
  if (parentWorld) local = local * ComputeInverseTransform(parentWorld);
  current->SetFrameMatrix(&local, false);
}

// Shorthands: each builds its matrix and sets it with the ancestors' bounds
// updated and no try-lock.

void CFrame::SetTransformMatrix(D3DXVECTOR3* position, bool setInitial, ETransformCombination combination) {
  D3DXMATRIX m = Translation(*position);
  SetTransformMatrix(&m, setInitial, combination, true, false);
}

void CFrame::SetTransformMatrix(D3DXVECTOR3* centre, D3DXVECTOR3* dir, D3DXVECTOR3* up, D3DXVECTOR3* newDir,
                                D3DXVECTOR3* newUp, bool setInitial, ETransformCombination combination) {
  D3DXMATRIX m = RotationAbout(centre, dir, up, newDir, newUp);
  SetTransformMatrix(&m, setInitial, combination, true, false);
}

void CFrame::SetTransformMatrix(D3DXVECTOR3* position, D3DXVECTOR3* centre, D3DXVECTOR3* dir, D3DXVECTOR3* up,
                                D3DXVECTOR3* newDir, D3DXVECTOR3* newUp, bool setInitial,
                                ETransformCombination combination) {
  D3DXMATRIX m = RotationAbout(centre, dir, up, newDir, newUp) * Translation(*position);
  SetTransformMatrix(&m, setInitial, combination, true, false);
}

void CFrame::SetTransformMatrix(D3DXVECTOR3* position, D3DXVECTOR3* centre, D3DXVECTOR3* dir, D3DXVECTOR3* up,
                                D3DXVECTOR3* newDir, D3DXVECTOR3* newUp, float scaling, bool setInitial,
                                ETransformCombination combination) {
  D3DXMATRIX placed = RotationAbout(centre, dir, up, newDir, newUp) * Translation(*position);
  CGBox box = *m_boundingBox;
  box.TransformCoord(&placed, false);
  D3DXVECTOR3 before = box.GetCenterFS();
  D3DXMATRIX scale;
  D3DXMatrixScaling(&scale, scaling, scaling, scaling);
  box.TransformCoord(&scale, false);
  D3DXMATRIX m = placed * scale * Translation(before - box.GetCenterFS());
  SetTransformMatrix(&m, setInitial, combination, true, false);
}

void CFrame::SetTransformMatrix(float scaling, bool setInitial, ETransformCombination combination) {
  CGBox box = *m_boundingBox;
  D3DXVECTOR3 before = box.GetCenterFS();
  D3DXMATRIX scale;
  D3DXMatrixScaling(&scale, scaling, scaling, scaling);
  box.TransformCoord(&scale, false);
  D3DXMATRIX m = scale * Translation(before - box.GetCenterFS());
  SetTransformMatrix(&m, setInitial, combination, true, false);
}

// ---------------------------------------------------------------------------
// World transform

D3DXMATRIX CFrame::ComputeWorldTransform(bool tryLock) {
  // One frame at a time: a parent is never taken while its child is held.
  D3DXMATRIX world = GetTransformMatrix(tryLock);
  CFrame* first = nullptr;
  {
    CObjectLock lock(this, tryLock);
    if (IsDeleted()) return Identity();
    first = m_parentRenderFrame;
  }
  for (CFrame* parent = first; parent;) {
    CObjectLock parentLock(parent, tryLock);
    if (parent->IsDeleted()) break;
    world = world * parent->GetTransformMatrix(tryLock);
    parent = parent->m_parentRenderFrame;
  }
  return world;
}

void CFrame::GetCenterWS(D3DXVECTOR3& out, D3DXMATRIX* m) { D3DXVec3TransformCoord(&out, GetCenterFS(), m); }

void CFrame::GetCenterInWorldSpace(D3DXVECTOR3& out, D3DXMATRIX* parentWorld) {
  D3DXMATRIX m = GetTransformMatrix(false);
  if (parentWorld) m = m * *parentWorld;
  D3DXVec3TransformCoord(&out, GetCenterFS(), &m);
}

// ---------------------------------------------------------------------------
// Render-frame hierarchy

void CFrame::AddChildRenderFrame(EChildObjectType type, CFrame* child, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted()) return;
  m_renderHierarchyMember = true;
  // A refused child (one that holds this frame) keeps its place.
  if (AddChildObject(type, child, tryLock)) child->BuildRenderFrameHierarchy(this, tryLock);
}

bool CFrame::AddChildRenderFrame(CChildObject** entry, EChildObjectType type, CFrame* child) {
  if (!AddChildObject(entry, type, child)) return false;
  m_renderHierarchyMember = true;
  child->BuildRenderFrameHierarchy(this, false);
  return true;
}

void CFrame::SetAsRootRenderFrame() {
  m_parentRenderFrame = nullptr;
  m_renderHierarchyMember = true;
}

void CFrame::BuildRenderFrameHierarchy(CFrame* parent, bool tryLock) {
  CObjectLock parentLock(parent, tryLock);
  if (parent->IsDeleted()) return;
  CObjectLock lock(this, tryLock);
  if (IsDeleted()) return;
  // A parent below this frame would make every climb to the root endless.
  for (CFrame* above = parent; above; above = above->m_parentRenderFrame) {
    if (above == this) {
      DEBUG_TRACE("\nWarning: %s is not linked below %s, which lies below it.", GetName() ? GetName() : "",
                  parent->GetName() ? parent->GetName() : "");
      return;
    }
  }
  m_parentRenderFrame = parent;
  m_renderHierarchyMember = true;
  POSITION pos = GetChildHeadPosition();
  while (CFrame* child = GetNextFrame(pos, tryLock, false)) {
    CObjectLock childLock(child, tryLock);
    if (!child->IsDeleted() && child->m_parentRenderFrame != this) child->BuildRenderFrameHierarchy(this, tryLock);
  }
}

void CFrame::ResetRenderFrameHierarchy() {
  m_parentRenderFrame = nullptr;
  m_renderHierarchyMember = false;
  POSITION pos = GetChildHeadPosition();
  while (CFrame* child = GetNextFrame(pos, false, false)) child->ResetRenderFrameHierarchy();
}

EChildObjectType CFrame::DetachFromParentRenderFrame(bool tryLock) {
  EChildObjectType type = eOwnedChild;
  // The parent is read under this frame's lock alone and then taken before
  // this frame, as the walks down the tree take them; a frame moved in
  // between is detached from its new parent.
  for (;;) {
    CFrame* parent = nullptr;
    {
      CObjectLock lock(this, tryLock);
      if (IsDeleted() || !m_parentRenderFrame) return type;
      parent = m_parentRenderFrame;
    }
    CObjectLock parentLock(parent, tryLock);
    if (parent->IsDeleted()) return type;
    CObjectLock lock(this, tryLock);
    if (IsDeleted()) return type;
    if (m_parentRenderFrame != parent) continue;
    if (!parent->DetachChild(&type, this, tryLock)) throw "\nError: DetachChild() failed.";
    m_parentRenderFrame = nullptr;
    return type;
  }
}

CXFileDataList* CFrame::GetRenderFrameWorldList() {
  return m_parentRenderFrame ? m_parentRenderFrame->GetRenderFrameWorldList() : nullptr;
}

CDynamicWorldBoundaryFrame* CFrame::GetFirstAncestorBoundaryFrame() {
  for (CFrame* parent = m_parentRenderFrame; parent; parent = parent->m_parentRenderFrame)
    if (parent->m_frameType == eDynamicWorldBoundaryFrame) return static_cast<CDynamicWorldBoundaryFrame*>(parent);
  return nullptr;
}
