// CFrame: bounding boxes and spheres of a frame hierarchy in frame, parent
// and world space, and the visible bounding-object frames.
#include <dx_mutex.h>
#include <qorcommon.h>

#include <memory>
#include <vector>

#include "basemesh.h"
#include "boundingobjectframe.h"
#include "framehandle.h"
#include "dxmesh.h"
#include "frame.h"
#include "garbagelist.h"
#include "mesh.h"
#include "objectlock.h"
#include "simpleshape.h"

// ---------------------------------------------------------------------------
// Merging

namespace {

// Merges a copy of a content child's box, read under the child's lock.
void MergeContentBox(CXFileDataObject* child, CGBox* box, CGBox* into, bool tryLock) {
  CObjectLock lock(child, tryLock);
  if (child->IsDeleted() || !box) return;
  CGBox copy;
  copy.Initialize(box->GetMinFS(), box->GetMaxFS(), box->GetCornersFS(), tryLock);
  into->Merge(&copy, tryLock);
}

}  // namespace

void CFrame::MergeContentBoundingBoxes(CGBox* into, bool tryLock, bool refreshSkinned, D3DXMATRIX* world) {
  const D3DXVECTOR3 origin(0, 0, 0);
  POSITION pos = GetChildHeadPosition();
  while (auto* mesh = static_cast<CMesh*>(GetNextMesh(pos, tryLock, false)))
    MergeContentBox(mesh, mesh->GetBoundingBox(), into, tryLock);
  pos = GetChildHeadPosition();
  while (auto* shape = static_cast<CSimpleShape*>(GetNextShape(pos, tryLock, false))) {
    CGBox* box = shape->GetBoundingBox();
    // A shape without extent at the origin (no mesh yet) adds nothing.
    if (box && *box->GetMinFS() == origin && *box->GetMaxFS() == origin) continue;
    MergeContentBox(shape, box, into, tryLock);
  }
  // Skinned Direct3D meshes refresh their boxes from their bones first.
  pos = GetChildHeadPosition();
  while (auto* mesh = static_cast<CBaseMesh*>(GetNextBaseMesh(pos, tryLock, false))) {
    if (refreshSkinned && mesh->GetMeshType() == eBaseMeshTypeDXMesh) {
      auto* dxMesh = static_cast<CDXMesh*>(mesh);
      if (dxMesh->GetSkinWeightsCount() > 0) dxMesh->ComputeSkinnedMeshBoundingObjects(this, world, tryLock);
    }
    MergeContentBox(mesh, mesh->GetBoundingBox(), into, tryLock);
  }
}

void CFrame::MergeChildFrameBox(CFrame* child, CGBox* into, bool tryLock) {
  if (child->m_frameType == eBoundingObjectFrame || !child->m_boundingBox) return;
  CGBox carried = *child->m_boundingBox;
  D3DXMATRIX local = child->GetTransformMatrix(tryLock);
  carried.TransformCoord(&local, tryLock);
  into->Merge(&carried, tryLock);
}

void CFrame::FinishBoundingObjects(bool sphereFrame, bool boxFrame, bool tryLock) {
  if (m_boundingBox->IsZeroSizeBox()) {
    m_boundingSphere->InitializeZeroSize();
    return;
  }
  m_boundingBox->ComputeBoundingSphere(m_boundingSphere, tryLock);
  if (boxFrame && !CreateBoundingBoxFrame(tryLock)) throw "\nCreateBoundingBoxFrame() failed.";
  if (sphereFrame && !CreateBoundingSphereFrame(tryLock)) throw "\nCreateBoundingSphereFrame() failed.";
}

// ---------------------------------------------------------------------------
// Rebuilding walks

bool CFrame::MergeDirectChildrenBoundingObjects(bool sphereFrame, bool boxFrame, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted()) return true;
  m_boundingBox->InitializeZeroSize(tryLock);
  MergeContentBoundingBoxes(m_boundingBox, false, false, nullptr);
  POSITION pos = GetChildHeadPosition();
  while (CFrame* child = GetNextFrame(pos, tryLock, false)) {
    CObjectLock childLock(child, tryLock);
    if (!child->IsDeleted() && child->m_boundingBox && !child->m_boundingBox->IsZeroSizeBox())
      MergeChildFrameBox(child, m_boundingBox, tryLock);
  }
  FinishBoundingObjects(sphereFrame, boxFrame, tryLock);
  return true;
}

bool CFrame::ComputeBoundingObjectsHierarchy(bool sphereFrame, bool boxFrame, bool tryLock) {
  return ComputeBoundingObjectsHierarchyWalk(nullptr, sphereFrame, boxFrame, tryLock);
}

bool CFrame::ComputeBoundingObjectsHierarchy(D3DXMATRIX* parentWorld, bool sphereFrame, bool boxFrame, bool tryLock) {
  return ComputeBoundingObjectsHierarchyWalk(parentWorld, sphereFrame, boxFrame, tryLock);
}

bool CFrame::ComputeBoundingObjectsHierarchyWalk(D3DXMATRIX* parentWorld, bool sphereFrame, bool boxFrame,
                                                 bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted()) return true;
  D3DXMATRIX world;
  if (parentWorld) {
    world = GetTransformMatrix(tryLock) * *parentWorld;
    SetWorldTransform(&world, tryLock);
  }
  m_boundingBox->InitializeZeroSize(tryLock);
  MergeContentBoundingBoxes(m_boundingBox, tryLock, true, parentWorld ? &world : nullptr);

  POSITION pos = GetChildHeadPosition();
  while (CFrame* child = GetNextFrame(pos, tryLock, false)) {
    if (child->m_frameType == eFrameHandle) continue;
    if (!child->ComputeBoundingObjectsHierarchyWalk(parentWorld ? &world : nullptr, sphereFrame, boxFrame, tryLock))
      throw "\nComputeBoundingObjectsHierarchy() failed.";
    CObjectLock childLock(child, tryLock);
    MergeChildFrameBox(child, m_boundingBox, tryLock);
  }
  FinishBoundingObjects(sphereFrame, boxFrame, tryLock);
  OnBoundingObjectsInitialization(tryLock);

  pos = GetChildHeadPosition();
  while (CFrame* child = GetNextFrame(pos, tryLock, false)) {
    if (child->m_frameType == eBoundingObjectFrame &&
        static_cast<CBoundingObjectFrame*>(child)->GetBoundingObjectType() == eBoundingBoxObject)
      static_cast<CBoundingBoxFrame*>(child)->ResizeBoundingBoxFrame(this, tryLock);
    auto* handle = child->m_frameType == eFrameHandle ? dynamic_cast<CFrameHandle*>(child) : nullptr;
    if (!handle) continue;
    // The skinning pass makes a handle that has no extent yet afresh.
    if (parentWorld && handle->GetRadiusFS() == 0.0f)
      handle->Initialize(1, this, false, tryLock);
    else
      handle->ResizeFrameHandle(this, tryLock);
  }
  return true;
}

bool CFrame::ComputeAncestorsBoundingObjects(bool sphereFrame, bool boxFrame, bool tryLock) {
  // Parent before child, as every walk down the tree takes them: each step
  // reads the parent under the child's lock alone, lets the child go, and
  // takes the parent and then the child. Nothing is held between steps.
  for (CFrame* child = this;;) {
    CFrame* parent = nullptr;
    {
      CObjectLock childLock(child, tryLock);
      if (child->IsDeleted()) return true;
      parent = child->m_parentRenderFrame;
    }
    if (!parent) return true;
    // Above the first parent a busy frame says which one it is.
    CObjectLock parentLock(parent, tryLock, child != this);
    if (!parentLock.IsHeld()) throw "Info: Cannot lock the parent CFrame object.";
    if (parent->IsDeleted()) return true;
    bool modified = true;
    {
      CObjectLock childLock(child, tryLock);
      // Let go, the child may have left the parent or been deleted.
      if (child->IsDeleted() || child->m_parentRenderFrame != parent) return true;
      if (child->m_frameType == eBoundingObjectFrame) {
        DEBUG_TRACE("\nWarning: A bounding object frame detected in CFrame::ComputeAncestorsBoundingObjects().");
        return true;
      }
      if (!child->m_boundingBox || !parent->m_boundingBox) return true;
      CGBox carried = *child->m_boundingBox;
      D3DXMATRIX local = child->GetTransformMatrix(tryLock);
      carried.TransformCoord(&local, tryLock);
      if (carried.IsZeroSizeBox()) return true;
      CGSphere sphere;
      carried.ComputeBoundingSphere(&sphere, tryLock);
      modified =
          !(sphere.IsInnerSphere(parent->m_boundingSphere) && carried.IsInnerBox(parent->m_boundingBox, tryLock));
    }
    if (!parent->MergeDirectChildrenBoundingObjects(sphereFrame, boxFrame, tryLock))
      throw "\nError: MergeDirectChildrenBoundingObjects() failed.";
    parent->OnBoundingObjectsModification(modified, tryLock);
    child = parent;
  }
}

void CFrame::ComputeBoundingBoxNoDirectCamera(CGBox* out, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted()) return;
  out->InitializeZeroSize(tryLock);
  if (m_hidden) return;
  MergeContentBoundingBoxes(out, false, false, nullptr);
  POSITION pos = GetChildHeadPosition();
  while (CFrame* child = GetNextFrame(pos, tryLock, false)) {
    if (child->m_frameType == eCameraFrame) continue;
    CObjectLock childLock(child, tryLock);
    MergeChildFrameBox(child, out, tryLock);
  }
}

// ---------------------------------------------------------------------------
// Conversions

CGBox CFrame::ConvertBoundingBoxPFS(D3DXMATRIX* m, bool tryLock) {
  CObjectLock lock(this, tryLock);
  CGBox box;
  box.InitializeZeroSize(false);
  if (IsDeleted()) return box;
  if (!m_boundingBox) throw "\nError: m_pBoundingBox is NULL";
  box = *m_boundingBox;
  D3DXMATRIX local;
  if (!m) {
    local = GetTransformMatrix(tryLock);
    m = &local;
  }
  box.TransformCoord(m, tryLock);
  return box;
}

CGSphere CFrame::ConvertBoundingSpherePFS(D3DXMATRIX* m, bool tryLock) {
  CGBox box = ConvertBoundingBoxPFS(m, tryLock);
  CGSphere sphere;
  box.ComputeBoundingSphere(&sphere, tryLock);
  return sphere;
}

CGBox CFrame::ConvertBoundingBoxWS() {
  if (!m_boundingBox) throw "\nError: m_pBoundingBox is NULL";
  CGBox box = *m_boundingBox;
  D3DXMATRIX world = ComputeWorldTransform(false);
  box.TransformCoord(&world, false);
  return box;
}

// ---------------------------------------------------------------------------
// Visible bounding-object frames

namespace {

// Locks a frame for the bounding-object frame operations: one try with
// tryLock, else a wait.
void LockForBoundingObjects(CFrame* frame, bool tryLock) {
  if (tryLock) {
    if (!frame->Trylock()) throw "Info: Cannot lock the CFrame object.";
  } else {
    frame->Lock();
  }
}

template <class TBoundingFrame, class TVolume>
bool CreateBoundingObjectFrame(CFrame* frame, TVolume* volume, const char* name, const char* failure, bool tryLock) {
  LockForBoundingObjects(frame, tryLock);
  try {
    if (!frame->IsDeleted()) {
      frame->DestroyBoundingObjectFrame(TBoundingFrame::kKind, tryLock);
      auto made = std::make_unique<TBoundingFrame>();
      if (!made->Initialize(volume, const_cast<char*>(name))) throw failure;
      frame->AddChildObject(eOwnedChild, made.release(), false);
    }
  } catch (...) {
    frame->Unlock();
    throw;
  }
  frame->Unlock();
  return true;
}

}  // namespace

bool CFrame::CreateBoundingBoxFrame(bool tryLock) {
  return CreateBoundingObjectFrame<CBoundingBoxFrame>(this, m_boundingBox, "BoundingBoxFrame",
                                                      "\nError: CBoundingBoxFrame::Initialize() failed", tryLock);
}

bool CFrame::CreateBoundingSphereFrame(bool tryLock) {
  return CreateBoundingObjectFrame<CBoundingSphereFrame>(this, m_boundingSphere, "BoundingSphereFrame",
                                                         "pBoundingSphereFrame->Initialize() failed.", tryLock);
}

DWORD CFrame::DestroyBoundingObjectFrame(EBoundingObjectFrameType kind, bool tryLock) {
  CObjectLock lock(this, tryLock);
  std::vector<CFrame*> found;
  CChildObjectList& children = GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CXFileDataObject* object = children.GetNext(pos)->GetXfileDataObject();
    if (!object || !object->IsAFrame()) continue;
    auto* frame = static_cast<CFrame*>(object);
    if (frame->m_frameType == eBoundingObjectFrame &&
        static_cast<CBoundingObjectFrame*>(frame)->GetBoundingObjectType() == kind)
      found.push_back(frame);
  }
  for (CFrame* frame : found) {
    EChildObjectType type = eOwnedChild;
    if (!DetachChild(&type, frame, tryLock) || type == eReferenceChild) continue;
    // Another thread may still be drawing it: marked now, freed later.
    frame->DeleteContent(tryLock);
    g_FDOGarbageList.AddObject(frame);
  }
  return static_cast<DWORD>(found.size());
}
