#include "boundingobjectframe.h"

#include <qorcommon.h>

#include <memory>

#include "simpleshape.h"

// ---------------------------------------------------------------------------
// CBoundingObjectFrame

void CBoundingObjectFrame::ClearContent() {
  CFrame::ClearContent();
  SetFrameType(eBoundingObjectFrame);
  SetPickableCapability(false);
  m_kind = eBoundingObjectNotSet;
}

bool CBoundingObjectFrame::DestroyContent() {
  CFrame::DestroyContent(false);
  ClearContent();
  return true;
}

// ---------------------------------------------------------------------------
// CBoundingBoxFrame

void CBoundingBoxFrame::ClearContent() {
  CBoundingObjectFrame::ClearContent();
  m_kind = eBoundingBoxObject;
  m_boxShape = nullptr;
}

bool CBoundingBoxFrame::DestroyContent() {
  CBoundingObjectFrame::DestroyContent();
  ClearContent();
  return true;
}

bool CBoundingBoxFrame::Initialize(CGBox* box, char* name) {
  if (FAILED(CFrame::Initialize(nullptr, name, eBoundingObjectFrame, false))) return false;
  CreateBoundingBoxMesh(box);
  ComputeBoundingObjectsHierarchy(false, false, false);
  return true;
}

bool CBoundingBoxFrame::CreateBoundingBoxMesh(CGBox* box) {
  if (*box->GetMinFS() == *box->GetMaxFS()) return false;
  D3DXVECTOR3 corner = *box->GetFrontTopLeftFS();
  D3DXVECTOR3 across = *box->GetFrontTopRightFS() - corner, down = *box->GetFrontBottomLeftFS() - corner,
              back = *box->GetBackTopLeftFS() - corner;
  D3DMATERIAL8 glass = GreyGlassMaterial();
  auto shape = std::make_unique<CBox>();
  try {
    if (FAILED(shape->Initialize(D3DXVec3Length(&across), D3DXVec3Length(&down), D3DXVec3Length(&back), &glass,
                                 const_cast<char*>("BoundingBoxShape"), 1, false)))
      return false;
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  m_boxShape = shape.get();
  AddChildObject(eOwnedChild, shape.release(), false);

  // Turn the shape's box onto the given one, then move it there.
  CGBox* made = m_boxShape->GetBoundingBox();
  D3DXVECTOR3 madeFront = made->GetFrontFaceNormalFS(), madeTop = made->GetTopFaceNormalFS();
  D3DXVECTOR3 front = box->GetFrontFaceNormalFS(), top = box->GetTopFaceNormalFS();
  D3DXMATRIX turn, move;
  GetRotationTransform(&turn, &madeFront, &madeTop, &front, &top);
  D3DXVECTOR3 offset = box->GetCenterFS() - made->GetCenterFS();
  D3DXMatrixTranslation(&move, offset.x, offset.y, offset.z);
  D3DXMATRIX placed = turn * move;
  SetTransformMatrix(&placed, false, eReplace, true, false);
  return true;
}

namespace {

// One try with tryLock, else a wait; a busy object throws busyMessage.
void LockOrThrow(CXFileDataObject* object, bool tryLock, const char* busyMessage) {
  if (!tryLock) {
    object->Lock();
  } else if (!object->Trylock()) {
    throw busyMessage;
  }
}

}  // namespace

void CBoundingBoxFrame::ResizeBoundingBoxFrame(CFrame* bounded, bool tryLock) {
  if (!bounded || !m_boxShape) return;
  // Frame, shape, bounded frame: each next lock only while the previous
  // object is alive.
  CXFileDataObject* order[] = {this, m_boxShape, bounded};
  const char* busy[] = {"Info: Cannot lock the CFrame object.", "Info: Cannot lock the box mesh object.",
                        "Info: Cannot lock the bounded frame object."};
  int held = 0;
  try {
    bool alive = true;
    for (; held < 3 && alive; ++held) {
      LockOrThrow(order[held], tryLock, busy[held]);
      alive = !order[held]->IsDeleted();
    }
    if (alive) {
      D3DXMATRIX local = GetTransformMatrix(tryLock);
      D3DXMATRIX fit;
      BoxToBoxTransform(fit, m_boxShape->GetBoundingBox(), &local, bounded->GetBoundingBox(), nullptr, false);
      SetTransformMatrix(&fit, false, eApplyAfter, false, tryLock);
    }
  } catch (...) {
    while (held > 0) order[--held]->Unlock();
    throw;
  }
  while (held > 0) order[--held]->Unlock();
}

// ---------------------------------------------------------------------------
// CBoundingSphereFrame

void CBoundingSphereFrame::ClearContent() {
  CBoundingObjectFrame::ClearContent();
  m_kind = eBoundingSphereObject;
}

bool CBoundingSphereFrame::DestroyContent() {
  CBoundingObjectFrame::DestroyContent();
  ClearContent();
  return true;
}

bool CBoundingSphereFrame::Initialize(CGSphere* sphere, char* name) {
  if (FAILED(CFrame::Initialize(nullptr, name, eBoundingObjectFrame, false))) return false;
  CreateBoundingSphereMesh(sphere);
  ComputeBoundingObjectsHierarchy(false, false, false);
  return true;
}

bool CBoundingSphereFrame::CreateBoundingSphereMesh(CGSphere* sphere) {
  if (sphere->GetRadiusFS() == 0) return false;
  D3DMATERIAL8 glass = GreyGlassMaterial();
  auto shape = std::make_unique<CSphere>();
  try {
    if (FAILED(shape->Initialize(sphere->GetRadiusFS(), &glass, const_cast<char*>("SphereBoundingShape"), 1)))
      return false;
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  }
  AddChildObject(eOwnedChild, shape.release(), false);
  D3DXVECTOR3* centre = sphere->GetCenterFS();
  D3DXMATRIX move;
  D3DXMatrixTranslation(&move, centre->x, centre->y, centre->z);
  SetTransformMatrix(&move, false, eReplace, true, false);
  return true;
}
