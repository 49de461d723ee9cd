// The world's picking: the hit map of one pick ray, the selection taken from
// it, the handles of the selected frame and the sphere on a picked vertex.
#include <cameraframe.h>
#include <dx_doc.h>
#include <geo_half_edge.h>
#include <geo_vertex.h>
#include <materialpresets.h>
#include <tracelog.h>
#include <vectorgeometry.h>

#include <cfloat>
#include <memory>

#include "failureguard.h"
#include "framehandle.h"
#include "hitframe.h"
#include "objectlock.h"
#include "rootrenderframe.h"
#include "simpleshape.h"
#include "xfiledatalist.h"

namespace {

// Which vertices the vertex-handle mode lets picking hit: 0 none, 1 the
// disabled ones, 2 the others, any other value all.
bool ModeAdmits(DWORD mode, CGeoVertex* vertex) {
  switch (mode) {
    case 0: return false;
    case 1: return vertex->IsDisabled();
    case 2: return !vertex->IsDisabled();
    default: return true;
  }
}

CFrame* OwnerOfHandle(CFrame* frame) {
  auto* handle = frame && frame->GetFrameType() == CFrame::eFrameHandle ? dynamic_cast<CFrameHandle*>(frame) : nullptr;
  return handle ? handle->GetParentFrame() : frame;
}

// The selected-hit-frame lock for a scope; a try that fails throws.
class CSelectionLock {
 public:
  CSelectionLock(CXFileDataList* world, bool tryLock) : m_world(world), m_held(world->LockSelectedHitFrame(tryLock)) {}
  ~CSelectionLock() {
    if (m_held) m_world->UnlockSelectedHitFrame();
  }
  CSelectionLock(const CSelectionLock&) = delete;
  CSelectionLock& operator=(const CSelectionLock&) = delete;

 private:
  CXFileDataList* m_world;
  bool m_held;
};

}  // namespace

// ---------------------------------------------------------------------------
// The hit map

DWORD CXFileDataList::CreateHitList(CCameraFrame* camera, D3DXVECTOR3* direction, bool tryLock) {
  CObjectLock cameraLock(camera, tryLock);
  if (camera->IsDeleted()) return 0;
  KeepPreviousSelection();
  DestroyHitMap();
  CFrame* renderFrame = camera->GetParentRenderFrame();
  if (!renderFrame) return 0;
  CObjectLock renderLock(renderFrame, tryLock);
  if (renderFrame->IsDeleted()) return 0;
  D3DXMATRIX parentWorld;
  D3DXMatrixIdentity(&parentWorld);
  D3DXVECTOR3 parentCentre(0, 0, 0);
  std::unique_ptr<CObjectLock> parentLock;
  if (CFrame* parent = renderFrame->GetParentRenderFrame()) {
    parentLock = std::make_unique<CObjectLock>(parent, tryLock);
    if (parent->IsDeleted()) return 0;
    parentWorld = parent->ComputeWorldTransform(tryLock);
    parent->GetCenterWS(parentCentre, &parentWorld);
  }
  D3DXMATRIX cameraWorld = camera->ComputeWorldTransform(tryLock);
  D3DXMATRIX view = camera->ComputeViewTransform(&cameraWorld, tryLock);
  D3DXMATRIX inverseView = camera->ComputeInverseViewTransform(&view);
  DISPLAYOPTIONS options{};
  if (m_pDocument) options = m_pDocument->GetDisplayOptions();
  const DWORD hits = AddHitFramesToHitList(renderFrame, &parentWorld, &parentCentre, camera, direction, &view,
                                           &inverseView, 1, 0, &options, tryLock);
  SetSelectedHitFrameFromMap2(tryLock);
  PassSelectedVertexToDocument();
  return hits;
}

DWORD CXFileDataList::AddHitFramesToHitList(CFrame* frame, D3DXMATRIX* parentWorld, D3DXVECTOR3* parentCenterWS,
                                            CCameraFrame* camera, D3DXVECTOR3* direction, D3DXMATRIX* view,
                                            D3DXMATRIX* inverseView, DWORD deepestLevel, DWORD level,
                                            DISPLAYOPTIONS* options, bool tryLock) {
  // A frame that another thread holds is left out with its subtree; the pick
  // never waits for it.
  CObjectLock lock(frame, tryLock, true);
  if (!lock.IsHeld() || frame->IsDeleted() || frame == camera || !frame->GetBoundingBox()) return 0;
  if (level == deepestLevel + 1 && frame->GetFrameType() != CFrame::eFrameHandle) return 0;
  D3DXMATRIX world = frame->GetTransformMatrix(tryLock) * *parentWorld;
  if (frame->GetRadiusWS(&world, tryLock) == 0.0f) return 0;
  D3DXVECTOR3 centre;
  frame->GetCenterWS(centre, &world);
  CGBox box = *frame->GetBoundingBox();
  const D3DXMATRIX toView = world * *view;
  box.TransformCoord(&toView, tryLock);
  D3DXVECTOR3 eye(0, 0, 0), crossings[2];
  const DWORD crossed = box.ComputeRayBoxIntersections(crossings, &eye, direction, tryLock);
  if (crossed == 0 && !frame->IsSelected()) return 0;
  DWORD count = 0;
  if (crossed > 0 && frame->IsPickable()) {
    if (frame->GetFrameType() == CFrame::eConnectivityMeshFrame && frame == GetPreviousSelectedFrame() &&
        options->vertexHandlePickMode != 0) {
      CRayVertexCollisionList vertices(10);
      frame->GetCollidingRayChildrenGeoMeshVertexHandles(vertices, &eye, direction, &world, view, inverseView);
      if (!vertices.IsEmpty()) {
        AddVertexHandlesToHitMap(vertices, frame, crossed, crossings, view, inverseView, &world, &centre, parentWorld,
                                 parentCenterWS, options);
        count = static_cast<DWORD>(vertices.GetCount());
      } else {
        AddFrameToHitMap(frame, crossed, crossings, inverseView, &world, &centre, parentWorld, parentCenterWS, false);
      }
    } else {
      AddFrameToHitMap(frame, crossed, crossings, inverseView, &world, &centre, parentWorld, parentCenterWS, false);
      count = 1;
    }
  }
  if (level <= deepestLevel) {
    POSITION pos = frame->GetChildHeadPosition();
    while (CFrame* child = frame->GetNextFrame(pos, tryLock, true))
      count += AddHitFramesToHitList(child, &world, &centre, camera, direction, view, inverseView, deepestLevel,
                                     level + 1, options, tryLock);
  }
  return count;
}

void CXFileDataList::AddFrameToHitMap(CFrame* frame, DWORD hitsCount, D3DXVECTOR3 hitsVS[2], D3DXMATRIX* inverseView,
                                      D3DXMATRIX* frameWorld, D3DXVECTOR3* frameCenterWS, D3DXMATRIX* parentWorld,
                                      D3DXVECTOR3* parentCenterWS, bool) {
  D3DXVECTOR3 hitsWS[2];
  for (int k = 0; k < 2; ++k) D3DXVec3TransformCoord(&hitsWS[k], &hitsVS[k], inverseView);
  auto* hit = new CHitFrame;
  hit->Initialize(frame, hitsCount, &hitsWS[0], hitsCount > 1 ? &hitsWS[1] : nullptr, frameWorld, frameCenterWS,
                  parentWorld, parentCenterWS, nullptr, nullptr);
  AddHitFrameToHitMap(hit, &hitsVS[0]);
}

void CXFileDataList::AddVertexHandlesToHitMap(CRayVertexCollisionList& hits, CFrame* frame, DWORD hitsCount,
                                              D3DXVECTOR3 hitsVS[2], D3DXMATRIX* view, D3DXMATRIX* inverseView,
                                              D3DXMATRIX* frameWorld, D3DXVECTOR3* frameCenterWS,
                                              D3DXMATRIX* parentWorld, D3DXVECTOR3* parentCenterWS,
                                              DISPLAYOPTIONS* options) {
  D3DXVECTOR3 hitsWS[2];
  for (int k = 0; k < 2; ++k) D3DXVec3TransformCoord(&hitsWS[k], &hitsVS[k], inverseView);
  const D3DXMATRIX toView = *frameWorld * *view;
  for (POSITION pos = hits.GetHeadPosition(); pos;) {
    SRayVertexCollision& collision = hits.GetNext(pos);
    if (!collision.vertex || !ModeAdmits(options->vertexHandlePickMode, collision.vertex)) continue;
    auto* hit = new CHitFrame;
    hit->Initialize(frame, hitsCount, &hitsWS[0], &hitsWS[1], frameWorld, frameCenterWS, parentWorld, parentCenterWS,
                    collision.vertex, collision.frame);
    D3DXVECTOR3 place;
    D3DXVec3TransformCoord(&place, collision.vertex->GetPosition(), &toView);
    AddHitFrameToHitMap(hit, &place);
  }
}

bool CXFileDataList::AddHitFrameToHitMap(CHitFrame* hit, D3DXVECTOR3* placeVS) {
  CString key;
  key.Format("{%024.12f,%d}", placeVS->z, static_cast<int>(m_hitMap.size()));
  if (!m_hitMap.emplace(std::string(static_cast<const char*>(key)), hit).second) {
    delete hit;
    return false;
  }
  return true;
}

CHitFrame* CXFileDataList::GetFirstHitHandleFrame() {
  for (auto& [key, hit] : m_hitMap)
    if (hit->GetVertex() || (hit->GetFrame() && hit->GetFrame()->GetFrameType() == CFrame::eFrameHandle)) return hit;
  return nullptr;
}

bool CXFileDataList::IsInHitMap(CFrame* frame, CHitFrame*& hit, CHitFrame*& next) {
  hit = next = nullptr;
  for (auto it = m_hitMap.begin(); it != m_hitMap.end(); ++it) {
    if (it->second->GetFrame() != frame) continue;
    hit = it->second;
    auto after = std::next(it);
    next = after == m_hitMap.end() ? nullptr : after->second;
    return true;
  }
  return false;
}

bool CXFileDataList::IsInHitList(CFrame* frame, CHitFrame*& hit, POSITION& pos) {
  hit = nullptr;
  pos = nullptr;
  for (POSITION at = m_hitList.GetHeadPosition(); at;) {
    CHitFrame* candidate = m_hitList.GetNext(at);
    if (candidate->GetFrame() == frame) {
      hit = candidate;
      pos = at;
      return true;
    }
  }
  return false;
}

void CXFileDataList::DestroyHitList() {
  while (!m_hitList.IsEmpty()) delete m_hitList.RemoveHead();
  m_selection.hitFrame = nullptr;
}

void CXFileDataList::DestroyHitMap() {
  for (auto& [key, hit] : m_hitMap) delete hit;
  m_hitMap.clear();
  m_selection.hitFrame = nullptr;
}

// ---------------------------------------------------------------------------
// Selection

void CXFileDataList::KeepPreviousSelection() {
  m_selection.previousFrame = m_selection.frame;
  m_selection.previousHandleFrame = m_selection.handleFrame;
  m_selection.previousVertex = m_selection.vertex;
  m_selection.previousVertexHandleMeshFrame = m_selection.vertexHandleMeshFrame;
}

void CXFileDataList::PassSelectedVertexToDocument() {
  if (!m_pDocument) return;
  REDUCTIONOPTIONS options = m_pDocument->GetReductionOptions();
  options.selectedVertex = m_selection.vertex;
  m_pDocument->SetReductionOptions(options);
}

CHitFrame* CXFileDataList::SetSelectedHitFrameFromMap2(bool tryLock) {
  CSelectionLock lock(this, tryLock);
  m_selection.hitFrame = nullptr;
  m_selection.frame = nullptr;
  m_selection.handleFrame = nullptr;
  m_selection.vertex = nullptr;
  m_selection.vertexHandleMeshFrame = nullptr;

  CHitFrame* first = m_hitMap.empty() ? nullptr : m_hitMap.begin()->second;
  CHitFrame* chosen = first;
  if (m_selection.previousFrame) {
    CHitFrame *hit = nullptr, *next = nullptr;
    if (CHitFrame* handle = GetFirstHitHandleFrame())
      chosen = handle;
    else if (IsInHitMap(m_selection.previousFrame, hit, next))
      chosen = m_selection.previousHandleFrame ? hit : (next ? next : first);
  }
  m_selection.hitFrame = chosen;
  if (chosen) {
    CFrame* frame = chosen->GetFrame();
    if (frame->GetFrameType() == CFrame::eFrameHandle) {
      m_selection.handleFrame = frame;
      m_selection.frame = OwnerOfHandle(frame);
      m_selection.vertex = m_selection.previousVertex;
      m_selection.vertexHandleMeshFrame = m_selection.previousVertexHandleMeshFrame;
    } else {
      m_selection.frame = frame;
      m_selection.vertex = chosen->GetVertex();
      m_selection.vertexHandleMeshFrame = chosen->GetGeoMeshFrame();
    }
  }
  if (m_selection.previousFrame) m_selection.previousFrame->SetSelectedFlag(false);
  if (m_selection.frame) m_selection.frame->SetSelectedFlag(true);
  if (m_selection.frame != m_selection.previousFrame) {
    if (m_selection.previousFrame) DeleteFrameHandles(m_selection.previousFrame, tryLock);
    if (m_selection.frame) CreateFrameHandles2(m_selection.frame, tryLock);
  }
  if (m_selection.vertex != m_selection.previousVertex) {
    if (m_selection.previousVertex && m_selection.previousVertexHandleMeshFrame)
      DeleteVertexHandleFrame(m_selection.previousVertexHandleMeshFrame);
    if (m_selection.vertex && m_selection.vertexHandleMeshFrame)
      CreateVertexHandleFrame(m_selection.vertexHandleMeshFrame, m_selection.vertex);
  }
  return m_selection.hitFrame;
}

void CXFileDataList::SetSelectedFrame(CFrame* frame) {
  if (!frame) {
    SetSelectedHitFrameFromMap2(false);
    return;
  }
  if (!frame->IsPickable()) return;
  KeepPreviousSelection();
  DestroyHitMap();
  auto* hit = new CHitFrame;
  hit->Initialize(frame, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  D3DXVECTOR3 origin(0, 0, 0);
  AddHitFrameToHitMap(hit, &origin);
  SetSelectedHitFrameFromMap2(false);
  PassSelectedVertexToDocument();
}

void CXFileDataList::UnselectSelectedFrame() {
  if (!m_selection.hitFrame) return;
  CSelectionLock lock(this, false);
  GuardedCall([&] {
    if (m_selection.frame) {
      m_selection.frame->SetSelectedFlag(false);
      DeleteFrameHandles(m_selection.frame, false);
    }
    if (m_selection.vertex && m_selection.vertexHandleMeshFrame)
      DeleteVertexHandleFrame(m_selection.vertexHandleMeshFrame);
    m_selection = SSelection{};
  });
}

bool CXFileDataList::LockSelectedHitFrame(bool tryLock) {
  if (!m_hSelectedHitFrameLock) return false;
  const DWORD result = WaitForSingleObject(m_hSelectedHitFrameLock, tryLock ? 0 : INFINITE);
  if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) return true;
  throw "Info: Cannot lock the dx file object.";
}

void CXFileDataList::UnlockSelectedHitFrame() {
  if (m_hSelectedHitFrameLock) ReleaseMutex(m_hSelectedHitFrameLock);
}

bool CXFileDataList::HandleFrameSelected() const {
  return m_selection.hitFrame && m_selection.hitFrame->GetFrame() &&
         m_selection.hitFrame->GetFrame()->GetFrameType() == CFrame::eFrameHandle;
}

bool CXFileDataList::ConnectivityFrameSelected() const {
  return m_selection.hitFrame && m_selection.hitFrame->GetFrame() &&
         m_selection.hitFrame->GetFrame()->GetFrameType() == CFrame::eConnectivityMeshFrame;
}

CFrame* CXFileDataList::GetSelectedFrame() const {
  return m_selection.hitFrame ? m_selection.hitFrame->GetFrame() : nullptr;
}

CFrame* CXFileDataList::GetSelectedNonHandleFrame() const { return OwnerOfHandle(GetSelectedFrame()); }

CFrame* CXFileDataList::GetPreviousSelectedFrame() const { return OwnerOfHandle(m_selection.previousFrame); }

bool CXFileDataList::GetFirstPickedFrame(CFrame*& frame, SLineSphereIntersection& intersection,
                                         CCameraFrame* camera, D3DXVECTOR3* direction) {
  if (!m_pRenderFrame) return false;
  frame = nullptr;
  intersection = SLineSphereIntersection{};
  if (!m_pRenderFrame->GetLineSphereIntersections(intersection, nullptr, camera, direction)) return false;
  frame = m_pRenderFrame;
  return true;
}

// ---------------------------------------------------------------------------
// Handles

bool CXFileDataList::CreateFrameHandles2(CFrame* frame, bool tryLock) {
  CObjectLock lock(frame, tryLock);
  if (frame->IsDeleted()) return true;
  auto handle = std::make_unique<CFrameHandle>();
  if (!handle->Initialize(1, frame, false, tryLock)) throw "\nError: Initialize() failed.";
  handle->SetPickableCapability(true);
  frame->AddChildRenderFrame(eOwnedChild, handle.release(), tryLock);
  return true;
}

// Sizes and places of the full set: a cube of a tenth of the box's smallest
// side on each corner and each face centre, and one at the centre.
bool CXFileDataList::CreateFrameHandles(CFrame* frame) {
  CGBox* box = frame->GetBoundingBox();
  if (!box) return false;
  const float side = std::max(box->GetSmallestEdgeSizeFS() / 10.0f, FLT_EPSILON);
  const D3DXVECTOR3 centre = box->GetCenterFS();
  D3DXVECTOR3 dir(0, 0, 1), up(0, 1, 0);
  auto add = [&](int type, D3DXVECTOR3 position, bool pickable) {
    auto handle = std::make_unique<CFrameHandle>();
    if (!handle->Initialize(type, frame, &position, &dir, &up, side, side, side, false, false)) return false;
    handle->SetPickableCapability(pickable);
    frame->AddChildRenderFrame(eOwnedChild, handle.get(), false);
    handle.release()->ComputeAncestorsBoundingObjects(false, false, false);
    return true;
  };
  const D3DXVECTOR3* corners = box->GetCornersFS();
  for (int k = 0; k < 8; ++k)
    if (!add(2, corners[k], true)) return false;
  const D3DXVECTOR3 half(box->GetWidthFS() / 2, box->GetHeightFS() / 2, box->GetDepthFS() / 2);
  const D3DXVECTOR3 faces[6] = {centre + D3DXVECTOR3(0, 0, -half.z), centre + D3DXVECTOR3(0, 0, half.z),
                                centre + D3DXVECTOR3(0, half.y, 0),  centre + D3DXVECTOR3(0, -half.y, 0),
                                centre + D3DXVECTOR3(-half.x, 0, 0), centre + D3DXVECTOR3(half.x, 0, 0)};
  for (const D3DXVECTOR3& face : faces)
    if (!add(1, face, true)) return false;
  return add(4, centre, false);
}

void CXFileDataList::DeleteFrameHandles(CFrame* frame, bool tryLock) {
  CObjectLock lock(frame, tryLock);
  if (frame->IsDeleted()) return;
  CChildObjectList& children = frame->GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CChildObject* entry = children.GetNext(pos);
    CXFileDataObject* object = entry->GetXfileDataObject();
    if (!object) continue;
    bool handle = false;
    {
      CObjectLock childLock(object, tryLock);
      if (object->IsDeleted()) continue;
      handle = object->IsAFrame() && static_cast<CFrame*>(object)->GetFrameType() == CFrame::eFrameHandle;
    }
    if (handle) frame->DeleteDirectChildObject(entry);
  }
}

bool CXFileDataList::CreateVertexHandleFrame(CFrame* meshFrame, CGeoVertex* vertex) {
  CFrame* root = meshFrame->GetDynamicObjectsRootFrame();
  if (!root) {
    if (!meshFrame->CreateDynamicObjectsRootFrame()) return false;
    root = meshFrame->GetDynamicObjectsRootFrame();
  }
  // The shortest half edge leaving the vertex; a vertex without one gets a
  // sphere sized from the mesh frame.
  float shortest = FLT_MAX;
  if (CGeoHalfEdge* first = vertex->GetFirstOutHalfEdgeRM()) {
    bool crossed = false;
    DWORD steps = 0;
    for (CGeoHalfEdge* h = first; h && steps <= vertex->GetWalkLimit(); ++steps) {
      shortest = std::min(shortest, h->Magnitude());
      h = vertex->GetNextOutHalfEdgeRM(h, crossed);
      if (h == first) break;
    }
  }
  if (shortest == FLT_MAX || shortest <= 0.0f) shortest = std::max(meshFrame->GetRadiusFS() / 50.0f, FLT_EPSILON);
  auto frame = std::make_unique<CFrame>();
  auto sphere = std::make_unique<CSphere>();
  return GuardedCall([&] {
    D3DXMATRIX at;
    const D3DXVECTOR3* p = vertex->GetPosition();
    D3DXMatrixTranslation(&at, p->x, p->y, p->z);
    if (FAILED(frame->Initialize(&at, const_cast<char*>("VertexHandleFrame"), CFrame::eVertexHandleFrame, false)))
      throw "\nError: CFrame::Initialize() failed in CXFileDataList::CreateVertexHandleFrame().";
    frame->SetPickableCapability(false);
    D3DMATERIAL8 red = RedMaterial();
    if (FAILED(sphere->Initialize(shortest / 4.0f, &red, const_cast<char*>("VertexHandleFrameSphereShape"), 0)))
      throw "\nError: CSphere::Initialize() failed in CXFileDataList::CreateVertexHandleFrame().";
    frame->AddChildObject(eOwnedChild, sphere.release(), false);
    CFrame* made = frame.release();
    root->AddChildRenderFrame(eOwnedChild, made, false);
    made->ComputeBoundingObjectsHierarchy(false, false, false);
    made->ComputeAncestorsBoundingObjects(false, false, false);
  });
}

bool CXFileDataList::DeleteVertexHandleFrame(CFrame* meshFrame) {
  CFrame* root = meshFrame->GetDynamicObjectsRootFrame();
  return root && root->DeleteDirectChildren(CFrame::eVertexHandleFrame) == 1;
}
