// The world's pass of the frame loop: playing the animation sets, renewing
// the frames' world transforms, and the bounds of the skinned meshes in
// their pose.
#include <afx.h>
#include <tracelog.h>

#include "animation.h"
#include "basemesh.h"
#include "dxmesh.h"
#include "frame.h"
#include "objectlock.h"
#include <rootrenderframe.h>
#include "xfiledatalist.h"
#include "xfiletemplates.h"

#include <rmxfguid.h>

namespace {

// Holds a CMutex for a scope.
class CHeldMutex {
 public:
  CHeldMutex(CMutex& mutex, bool tryLock) : m_mutex(mutex) { m_mutex.Lock(tryLock, false); }
  ~CHeldMutex() { m_mutex.Unlock(); }
  CHeldMutex(const CHeldMutex&) = delete;
  CHeldMutex& operator=(const CHeldMutex&) = delete;

 private:
  CMutex& m_mutex;
};

}  // namespace

void CXFileDataList::InitializeAnimationSetList(CXFileDataObject* root) {
  const bool whole = !root;
  if (whole) {
    root = m_pWorldContentFrame;
    {
      CHeldMutex lock(m_animationSetsLock, false);
      m_bReady = false;
      m_animationSets.RemoveAll();
    }
    CHeldMutex lock(m_dxMeshesLock, false);
    m_dxMeshes.RemoveAll();
  }
  if (!root) return;
  CChildObjectList& children = root->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CXFileDataObject* object = children.GetNext(pos)->GetXfileDataObject();
    if (!object) continue;
    if (object->IsATemplateGUID(&TID_D3DRMAnimationSet)) {
      CHeldMutex lock(m_animationSetsLock, false);
      m_animationSets.AddTail(static_cast<CAnimationSet*>(object));
    } else if (object->IsATemplateGUID(&GUID_BaseMesh) &&
               static_cast<CBaseMesh*>(object)->GetMeshType() == eBaseMeshTypeDXMesh) {
      CHeldMutex lock(m_dxMeshesLock, false);
      m_dxMeshes.AddTail(static_cast<CDXMesh*>(object));
    }
    InitializeAnimationSetList(object);
  }
  if (whole) m_bReady = true;
}

void CXFileDataList::UpdateWorldTransforms(D3DXMATRIX& parentWorld, CFrame* frame, bool tryLock) {
  if (!frame) {
    frame = m_pWorldBoxFrame;
    if (!frame) return;
    if (!frame->Lock(tryLock, true)) throw "Info: Cannot lock the WorldBoxFrame CFrame object.";
    try {
      parentWorld = frame->GetTransformMatrix(tryLock);
    } catch (...) {
      frame->Unlock();
      throw;
    }
    frame->Unlock();
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

bool CXFileDataList::Animate(CDXDoc* document, bool tryLock) {
  CHeldMutex listLock(m_animationSetsLock, tryLock);
  bool advanced = false;
  for (POSITION pos = m_animationSets.GetHeadPosition(); pos;) {
    CAnimationSet* set = m_animationSets.GetNext(pos);
    CObjectLock lock(set, tryLock);
    if (set->IsDeleted() || set->GetAnimationSetState() != CAnimationSet::ePlaying) continue;
    set->AnimateTL(document, tryLock);
    advanced = true;
  }
  return advanced;
}

void CXFileDataList::ComputeBonesBoundingObjects(bool tryLock) {
  if (!m_bReady || !m_pWorldBoxFrame) return;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  if (!m_pWorldBoxFrame->ComputeBoundingObjectsHierarchy(&identity, false, false, tryLock))
    throw "\nError: CFrame::ComputeBoundingObjectsHierarchy()";
}

bool CXFileDataList::ProcessSkinnedMesh(CDXDoc* document, bool tryLock) {
  if (!m_bReady || m_animationSets.IsEmpty()) return true;
  try {
    if (Animate(document, tryLock)) {
      D3DXMATRIX world;
      D3DXMatrixIdentity(&world);
      UpdateWorldTransforms(world, nullptr, tryLock);
    }
    ComputeBonesBoundingObjects(tryLock);
  } catch (const char* message) {
    DEBUG_TRACE("%s", message);
    return false;
  } catch (CException* e) {
    e->Delete();
    return false;
  }
  return true;
}

void CXFileDataList::ResizeIBlendedMeshBoundingBox() {
  if (!m_bReady || !m_pRenderFrame) return;
  for (POSITION pos = m_dxMeshes.GetHeadPosition(); pos;) m_dxMeshes.GetNext(pos)->ResizeIBlendedMeshBoundingBox();
  if (!m_pRenderFrame->ComputeBoundingObjectsHierarchy(false, false, false))
    throw "\nError: CFrame::ComputeBoundingObjectsHierarchy()";
}
