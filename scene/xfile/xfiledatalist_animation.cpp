// The world's animation pass: the lists it plays, the world transforms it
// renews and the bounds that follow skinned meshes; and the cameras that
// look at the world.
#include <dxmesh.h>
#include <rmxfguid.h>
#include <rootrenderframe.h>
#include <tracelog.h>

#include "animation.h"
#include "basemesh.h"
#include "failureguard.h"
#include "frame.h"
#include "objectlock.h"
#include "xfiledatalist.h"
#include "xfiletemplates.h"

void CXFileDataList::InitializeAnimationSetList(CXFileDataObject* root) {
  if (!root) {
    root = m_pWorldContentFrame;
    if (!root) return;
    m_animationSetsLock.Lock();
    m_bReady = false;
    m_animationSets.RemoveAll();
    m_animationSetsLock.Unlock();
    m_dxMeshesLock.Lock();
    m_dxMeshes.RemoveAll();
    m_dxMeshesLock.Unlock();
  }
  CChildObjectList& children = root->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CXFileDataObject* object = children.GetNext(pos)->GetXfileDataObject();
    if (!object) continue;
    if (object->IsATemplateGUID(&TID_D3DRMAnimationSet)) {
      m_animationSetsLock.Lock();
      m_animationSets.AddTail(static_cast<CAnimationSet*>(object));
      m_animationSetsLock.Unlock();
    } else if (IsBaseMeshOfType(object, eBaseMeshTypeDXMesh)) {
      m_dxMeshesLock.Lock();
      m_dxMeshes.AddTail(static_cast<CDXMesh*>(object));
      m_dxMeshesLock.Unlock();
    }
    InitializeAnimationSetList(object);
  }
  if (root == m_pWorldContentFrame) m_bReady = true;
}

void CXFileDataList::UpdateWorldTransforms(D3DXMATRIX& parentWorld, CFrame* frame, bool tryLock) {
  if (!frame) {
    if (!m_pWorldBoxFrame) return;
    {
      CObjectLock lock(m_pWorldBoxFrame, tryLock, true);
      if (!lock.IsHeld()) throw "Info: Cannot lock the WorldBoxFrame CFrame object.";
      parentWorld = m_pWorldBoxFrame->GetTransformMatrix(tryLock);
    }
    frame = m_pWorldBoxFrame;
  }
  CChildObjectList& children = frame->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CXFileDataObject* object = children.GetNext(pos)->GetXfileDataObject();
    if (!object) continue;
    CObjectLock lock(object, tryLock);
    if (object->IsDeleted() || !object->IsAFrame()) continue;
    auto* child = static_cast<CFrame*>(object);
    D3DXMATRIX world = child->GetTransformMatrix(tryLock) * parentWorld;
    child->SetWorldTransform(&world, tryLock);
    UpdateWorldTransforms(world, child, tryLock);
  }
}

bool CXFileDataList::ProcessSkinnedMesh(CDXDoc* document, bool tryLock) {
  if (!m_bReady || m_animationSets.IsEmpty()) return true;
  return GuardedCall([&] {
    if (Animate(document, tryLock)) {
      D3DXMATRIX identity;
      D3DXMatrixIdentity(&identity);
      UpdateWorldTransforms(identity, nullptr, tryLock);
    }
    ComputeBonesBoundingObjects(tryLock);
  });
}

bool CXFileDataList::Animate(CDXDoc* document, bool tryLock) {
  m_animationSetsLock.Lock(tryLock, false);
  bool advanced = false;
  try {
    for (POSITION pos = m_animationSets.GetHeadPosition(); pos;) {
      CAnimationSet* set = m_animationSets.GetNext(pos);
      CObjectLock lock(set, tryLock);
      if (set->IsDeleted() || set->GetAnimationSetState() != CAnimationSet::ePlaying) continue;
      set->AnimateTL(document, tryLock);
      advanced = true;
    }
  } catch (...) {
    m_animationSetsLock.Unlock();
    throw;
  }
  m_animationSetsLock.Unlock();
  return advanced;
}

void CXFileDataList::ComputeBonesBoundingObjects(bool tryLock) {
  if (!m_bReady || !m_pWorldBoxFrame) return;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  if (!m_pWorldBoxFrame->ComputeBoundingObjectsHierarchy(&identity, false, false, tryLock))
    throw "\nError: CFrame::ComputeBoundingObjectsHierarchy()";
}

// The Direct3D meshes keep the bounds they were made with; the render
// hierarchy takes them up again.
void CXFileDataList::ResizeIBlendedMeshBoundingBox() {
  if (!m_bReady || !m_pRenderFrame) return;
  if (!m_pRenderFrame->ComputeBoundingObjectsHierarchy(false, false, false))
    throw "\nError: CFrame::ComputeBoundingObjectsHierarchy()";
}
