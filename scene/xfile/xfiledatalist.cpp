#include "xfiledatalist.h"

#include <cameraframe.h>
#include <dxwindoweddevice.h>
#include <materialpresets.h>
#include <dynamicworldboundaryframe.h>
#include <rmxfguid.h>
#include <rootrenderframe.h>
#include <tracelog.h>

#include "frame.h"
#include "hitframe.h"
#include "simpleshape.h"

namespace {

// A Win32 mutex taken and released in one scope.
class CHandleLock {
 public:
  explicit CHandleLock(HANDLE handle) : m_handle(handle) { WaitForSingleObject(m_handle, INFINITE); }
  ~CHandleLock() { ReleaseMutex(m_handle); }
  CHandleLock(const CHandleLock&) = delete;
  CHandleLock& operator=(const CHandleLock&) = delete;

 private:
  HANDLE m_handle;
};

}  // namespace

CXFileDataList::CXFileDataList()
    : m_objects(10), m_cameraRenderFrames(10), m_cameras(10), m_animationSets(10), m_dxMeshes(10) {
  ClearContent();
  m_dxMeshesLock.Initialize();
  m_animationSetsLock.Initialize();
}

CXFileDataList::~CXFileDataList() {
  try {
    DestroyContent(false);
  } catch (...) {
    // A world that is being destroyed frees what it owns in any case.
    DestroyXfileObjects();
  }
}

void CXFileDataList::ClearContent() {
  m_pRenderFrame = nullptr;
  m_selection = SSelection{};
  m_hSelectedHitFrameLock = nullptr;
  m_pWorldBoxFrame = nullptr;
  m_pWorldContentFrame = nullptr;
  m_pWorldDynamicBoundaryFrame = nullptr;
  m_pDocument = nullptr;
  m_bReady = false;
}

bool CXFileDataList::Initialize(CDXDoc* document, bool tryLock) {
  DestroyContent(tryLock);
  if (!g_pWindowedDevice || !g_pWindowedDevice->IsReady()) return false;
  m_pDocument = document;
  if (!CreateRenderFrame(g_pWindowedDevice->GetD3DDevice(), tryLock)) throw "\nError: CreateRenderFrame() failed.";
  m_hSelectedHitFrameLock = CreateMutexA(nullptr, FALSE, nullptr);
  return true;
}

void CXFileDataList::DestroyContent(bool tryLock) {
  if (IsMainThread()) tryLock = true;
  DestroyHitMap();
  DestroyHitList();
  if (m_hSelectedHitFrameLock) {
    {
      CHandleLock lock(m_hSelectedHitFrameLock);
      m_selection = SSelection{};
    }
    CloseHandle(m_hSelectedHitFrameLock);
    m_hSelectedHitFrameLock = nullptr;
  }
  m_lightsManager.DestroyContent(tryLock);
  {
    m_animationSetsLock.Lock(tryLock, false);
    m_bReady = false;
    m_animationSets.RemoveAll();
    m_animationSetsLock.Unlock();
  }
  {
    m_dxMeshesLock.Lock(tryLock, false);
    m_dxMeshes.RemoveAll();
    m_dxMeshesLock.Unlock();
  }
  DestroyXfileObjects();
  m_cameraRenderFrames.RemoveAll();
  m_cameras.RemoveAll();
  ClearContent();
}

void CXFileDataList::DestroyXfileObjects() {
  // The render hierarchy first: it refers to top-level frames that go next.
  if (m_pRenderFrame) {
    POSITION pos = m_objects.Find(m_pRenderFrame);
    if (pos) m_objects.RemoveAt(pos);
    delete m_pRenderFrame;
    m_pRenderFrame = nullptr;
  }
  m_pWorldDynamicBoundaryFrame = nullptr;
  m_pWorldBoxFrame = nullptr;
  m_pWorldContentFrame = nullptr;
  while (!m_objects.IsEmpty()) delete m_objects.RemoveHead();
}

bool CXFileDataList::CreateRenderFrame(IDirect3DDevice8*, bool tryLock) {
  if (m_pRenderFrame && !RemoveRenderFrameHierarchyFromWorld())
    throw "\nError: RemoveRenderFrameHierarchyFromWorld() failed.";

  m_pRenderFrame = new CRootRenderFrame;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  m_pRenderFrame->Initialize(this, &identity, const_cast<char*>("WorldRootRenderFrame"), tryLock);
  m_pRenderFrame->SetPickableCapability(false);
  m_pRenderFrame->SetAsRootRenderFrame();

  m_pWorldBoxFrame = new CFrame;
  m_pWorldBoxFrame->Initialize(nullptr, const_cast<char*>("WorldBoxFrame"), CFrame::ePlainFrame, tryLock);
  m_pWorldBoxFrame->SetPickableCapability(false);
  m_pRenderFrame->AddChildObject(eOwnedChild, m_pWorldBoxFrame, tryLock);

  m_pWorldContentFrame = new CFrame;
  m_pWorldBoxFrame->AddChildObject(eOwnedChild, m_pWorldContentFrame, tryLock);
  m_pWorldContentFrame->Initialize(nullptr, const_cast<char*>("WorldContentFrame"), CFrame::ePlainFrame, tryLock);
  m_pWorldContentFrame->SetPickableCapability(false);

  for (POSITION pos = m_objects.GetHeadPosition(); pos;) {
    CXFileDataObject* object = m_objects.GetNext(pos);
    if (object->IsAFrame()) {
      m_pWorldContentFrame->AddChildObject(eReferenceChild, object, false);
    } else if (object->IsATemplateGUID(&TID_D3DRMMesh)) {
      auto* meshFrame = new CFrame;
      m_pWorldContentFrame->AddChildObject(eOwnedChild, meshFrame, false);
      D3DXMATRIX meshIdentity;
      D3DXMatrixIdentity(&meshIdentity);
      if (FAILED(meshFrame->Initialize(&meshIdentity, const_cast<char*>("TopLevelMeshFrame"), CFrame::ePlainFrame,
                                       false)))
        throw "\nError: pMeshFrame->Initialize() failed.";
      meshFrame->AddChildObject(eReferenceChild, object, false);
    }
  }
  m_pWorldBoxFrame->BuildRenderFrameHierarchy(m_pRenderFrame, tryLock);
  if (!m_pRenderFrame->ComputeBoundingObjectsHierarchy(false, false, tryLock))
    throw "\nError: m_pRenderFrame->ComputeBoundingObjectsHierarchy() failed.";

  // The boundary goes between the world box frame, which then owns it, and
  // the content frame.
  m_pWorldDynamicBoundaryFrame = new CDynamicWorldBoundaryFrame;
  if (!m_pWorldDynamicBoundaryFrame->Initialize(m_pWorldContentFrame, true, tryLock)) {
    if (!m_pWorldDynamicBoundaryFrame->GetParentRenderFrame()) delete m_pWorldDynamicBoundaryFrame;
    m_pWorldDynamicBoundaryFrame = nullptr;
    throw "\nError: m_pWorldDynamicBoundaryFrame->Initialize() failed.";
  }

  m_objects.AddTail(m_pRenderFrame);
  if (!m_lightsManager.Initialize(this, tryLock)) throw "\nError: m_lightsManager.Initialize() failed.";
  return true;
}

bool CXFileDataList::CreateSeedFrame() {
  auto* seed = new CFrame;
  m_pWorldContentFrame->AddChildObject(eOwnedChild, seed, false);
  if (FAILED(seed->Initialize(nullptr, const_cast<char*>("WorldSeedFrame"), CFrame::ePlainFrame, false))) return false;
  seed->SetPickableCapability(false);
  auto* sphere = new CSphere;
  seed->AddChildObject(eOwnedChild, sphere, false);
  D3DMATERIAL8 invisible = InvisibleMaterial();
  if (FAILED(sphere->Initialize(0.01f, &invisible, const_cast<char*>("SeedSphereShape"), 0)))
    throw "\nError: CSphere::Initialize() failed in CXFileDataList::CreateSeedFrame().";
  seed->ComputeBoundingObjectsHierarchy(false, false, false);
  return true;
}

bool CXFileDataList::SetInitialRenderFramePosition(IDirect3DDevice8* device) {
  if (!m_pRenderFrame || !device) return false;
  const float radius = m_pRenderFrame->GetRadiusFS();
  D3DXMATRIX projection;
  if (FAILED(device->GetTransform(D3DTS_PROJECTION, &projection))) return false;
  D3DXVECTOR3 position(0.0f, 0.0f, radius * projection._22);
  m_pRenderFrame->SetTransformMatrix(&position, false, CFrame::eReplace);
  return true;
}

void CXFileDataList::ForgetFrame(CXFileDataObject* object) {
  if (object == m_pRenderFrame) m_pRenderFrame = nullptr;
  if (!object->IsAFrame()) return;
  auto* frame = static_cast<CFrame*>(object);
  if (frame == m_selection.frame || frame->IsSelected()) {
    frame->SetSelectedFlag(false);
    m_selection.hitFrame = nullptr;
  }
  // The hits on the frame go with it.
  for (auto it = m_hitMap.begin(); it != m_hitMap.end();) {
    if (it->second->GetFrame() != frame) {
      ++it;
      continue;
    }
    if (it->second == m_selection.hitFrame) m_selection.hitFrame = nullptr;
    delete it->second;
    it = m_hitMap.erase(it);
  }
  if (frame->GetFrameType() == CFrame::eLightFrame)
    m_lightsManager.RemoveLightFromMap(frame);
}

DWORD CXFileDataList::DeleteWorldObject(CXFileDataObject* object) {
  ForgetFrame(object);
  DWORD count = 0;
  for (POSITION pos = m_objects.GetHeadPosition(); pos;) {
    CXFileDataObject* other = m_objects.GetNext(pos);
    if (other != object) count += DeleteChildObjectReferences(other, object);
  }
  for (POSITION pos = m_objects.GetHeadPosition(); pos;) {
    POSITION current = pos;
    CXFileDataObject* other = m_objects.GetNext(pos);
    if (other != object) {
      count += DeleteChildObjects(other, object);
    } else {
      m_objects.RemoveAt(current);
      delete object;
      ++count;
    }
  }
  return count;
}

bool CXFileDataList::DeleteTopLevelObject(CXFileDataObject* object) {
  if (object == m_pRenderFrame) m_pRenderFrame = nullptr;
  POSITION pos = m_objects.Find(object);
  if (!pos) return false;
  m_objects.RemoveAt(pos);
  delete object;
  return true;
}

bool CXFileDataList::DeleteChildObject(CChildObject* entry) {
  for (POSITION pos = m_objects.GetHeadPosition(); pos;)
    if (m_objects.GetNext(pos)->DeleteChildObject(entry)) return true;
  return false;
}

DWORD CXFileDataList::DeleteChildObjects(CXFileDataObject* root, CXFileDataObject* object) {
  return root->DeleteChildObjects(object);
}

DWORD CXFileDataList::DeleteChildObjectReferences(CXFileDataObject* root, CXFileDataObject* object) {
  return root->DeleteChildObjectReferences(object);
}

bool CXFileDataList::DeleteWorldRenderFrame(CFrame* frame, bool tryLock) {
  if (frame == m_pRenderFrame) {
    ForgetFrame(frame);
    return DeleteTopLevelObject(frame);
  }
  // A light goes with ForgetFrame: its parent is read before.
  CFrame* parent = frame->GetParentRenderFrame();
  ForgetFrame(frame);
  return parent && parent->DeleteDirectChildObject(frame, tryLock) == 1;
}

bool CXFileDataList::DeleteWorldRenderFrame2(CChildObject* entry) {
  auto* frame = static_cast<CFrame*>(entry->GetXfileDataObject());
  if (!frame) return false;
  ForgetFrame(frame);
  if (!entry->IsReference()) {
    CChildObjectList& children = frame->GetChildObjectList();
    while (!children.IsEmpty()) {
      CChildObject* child = children.RemoveHead();
      CXFileDataObject* object = child->GetXfileDataObject();
      // A frame goes through this same walk, which leaves its entry empty.
      if (object && object->IsAFrame() && !DeleteWorldRenderFrame2(child)) {
        delete child;
        return false;
      }
      delete child;
    }
    delete frame;
  }
  entry->SetXfileDataObject(nullptr);
  return true;
}

DWORD CXFileDataList::DeleteWorldRenderFrameObject(CXFileDataObject* object) {
  if (object->IsAFrame() && static_cast<CFrame*>(object)->IsSelected()) ForgetFrame(object);
  return m_pRenderFrame ? m_pRenderFrame->DeleteChildObjects(object) : 0;
}

DWORD CXFileDataList::DeleteCameraRenderFrameObject(CXFileDataObject* object) {
  if (object->IsAFrame() && static_cast<CFrame*>(object)->IsSelected()) m_selection.hitFrame = nullptr;
  DWORD count = 0;
  for (POSITION pos = m_cameraRenderFrames.GetHeadPosition(); pos;)
    count += m_cameraRenderFrames.GetNext(pos)->DeleteChildObjectReferences(object);
  return count;
}

bool CXFileDataList::RemoveRenderFrameHierarchyFromWorld() {
  POSITION pos = m_objects.Find(m_pRenderFrame);
  if (!pos) return true;
  m_objects.RemoveAt(pos);
  if (!RemoveRenderFrameFromHierarchy(m_pRenderFrame)) return false;
  m_pRenderFrame = nullptr;
  m_pWorldBoxFrame = nullptr;
  m_pWorldContentFrame = nullptr;
  m_pWorldDynamicBoundaryFrame = nullptr;
  return true;
}

bool CXFileDataList::RemoveRenderFrameFromHierarchy(CFrame* frame) {
  try {
    EChildObjectType type = eOwnedChild;
    if (frame->GetParentRenderFrame()) type = frame->DetachFromParentRenderFrame(false);
    if (!DestroyWorldRenderFrameContent(frame)) return false;
    return DeleteLeafRenderFrame(frame, type);
  } catch (const char*) {
    return false;
  }
}

bool CXFileDataList::DestroyWorldRenderFrameContent(CFrame* frame) {
  CChildObjectList& children = frame->GetChildObjectList();
  while (!children.IsEmpty()) {
    CChildObject* entry = children.RemoveHead();
    CXFileDataObject* object = entry->GetXfileDataObject();
    if (object && object->IsAFrame()) {
      auto* child = static_cast<CFrame*>(object);
      if (!entry->IsReference() && !DestroyWorldRenderFrameContent(child)) {
        delete entry;
        return false;
      }
      if (entry->IsReference()) child->ResetRenderFrameHierarchy();
      DeleteLeafRenderFrame(child, entry->GetChildObjectType());
      entry->SetXfileDataObject(nullptr);
    }
    delete entry;  // owned objects that are not frames go with their entry
  }
  return true;
}

bool CXFileDataList::DeleteLeafRenderFrame(CFrame* frame, EChildObjectType type) {
  ForgetFrame(frame);
  if (type != eReferenceChild) delete frame;
  return true;
}

void CXFileDataList::RegisterCameraRenderFrame(CFrame* frame) {
  if (!m_cameraRenderFrames.Find(frame)) m_cameraRenderFrames.AddTail(frame);
}

void CXFileDataList::UnregisterCameraRenderFrame(CFrame* frame) {
  POSITION pos = m_cameraRenderFrames.Find(frame);
  if (pos) m_cameraRenderFrames.RemoveAt(pos);
}

void CXFileDataList::RegisterCameraFrame(CCameraFrame* camera) {
  if (!m_cameras.Find(camera)) m_cameras.AddTail(camera);
}

void CXFileDataList::UnregisterCameraFrame(CCameraFrame* camera) {
  POSITION pos = m_cameras.Find(camera);
  if (pos) m_cameras.RemoveAt(pos);
}

void CXFileDataList::SetCamerasFrustumDepth() {
  for (POSITION pos = m_cameras.GetHeadPosition(); pos;) m_cameras.GetNext(pos)->SetFrustumDepth(false);
}

bool CXFileDataList::IsCountedFrame(CXFileDataObject* object) const {
  return object && object->IsAFrame() && static_cast<CFrame*>(object)->GetFrameType() != CFrame::eCameraFrame;
}

CFrame* CXFileDataList::GetNextFrameObject(CFrame* frame) { return GetNeighbourFrameObject(frame, true); }

CFrame* CXFileDataList::GetPrevFrameObject(CFrame* frame) { return GetNeighbourFrameObject(frame, false); }

CFrame* CXFileDataList::GetNeighbourFrameObject(CFrame* frame, bool forwards) {
  if (!m_pWorldContentFrame || !m_pWorldContentFrame->TryLockChildList()) return nullptr;
  CFrame* result = frame;
  bool passed = false;
  CChildObjectList& children = m_pWorldContentFrame->GetChildObjectList();
  for (POSITION pos = forwards ? children.GetHeadPosition() : children.GetTailPosition(); pos;) {
    CChildObject* entry = forwards ? children.GetNext(pos) : children.GetPrev(pos);
    CXFileDataObject* object = entry->GetXfileDataObject();
    if (!IsCountedFrame(object)) continue;
    if (passed) {
      result = static_cast<CFrame*>(object);
      break;
    }
    passed = object == frame;
  }
  m_pWorldContentFrame->UnlockChildList();
  return result;
}

bool CXFileDataList::WorldNotEmpty() {
  if (!m_pWorldContentFrame || !m_pWorldContentFrame->TryLockChildList()) return false;
  bool found = false;
  CChildObjectList& children = m_pWorldContentFrame->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos && !found;)
    found = IsCountedFrame(children.GetNext(pos)->GetXfileDataObject());
  m_pWorldContentFrame->UnlockChildList();
  return found;
}
