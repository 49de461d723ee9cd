// CFrame: finding room for a frame beside its siblings, pushing overlapping
// siblings apart, a pick line against a frame's sphere, and removing direct
// children.
#include <cameraframe.h>
#include <rmxfguid.h>
#include <tracelog.h>
#include <vectorgeometry.h>
#include <xfiledatalist.h>

#include <cmath>

#include "frame.h"
#include "objectlock.h"

namespace {

bool IsFrameOfType(CXFileDataObject* object, CFrame::EFrameType type) {
  return object && object->IsATemplateGUID(&TID_D3DRMFrame) && static_cast<CFrame*>(object)->GetFrameType() == type;
}

}  // namespace

// Steps of three radii to the right, as long as a sibling's sphere overlaps.
// A frame without extent (radius 0) cannot step: it jumps just past the
// sibling it overlaps instead, so the search always ends.
D3DXVECTOR3 CFrame::FindRightEmptyPositionPFS() {
  CGSphere own = ConvertBoundingSpherePFS(nullptr, false);
  const float r = own.GetRadiusFS();
  const D3DXVECTOR3 start = *own.GetCenterFS();
  D3DXVECTOR3 c = start + D3DXVECTOR3(3 * r, 0, 0);
  if (!m_parentRenderFrame) return c - start;
  for (;;) {
    CGSphere* overlapping = nullptr;
    CGSphere sibling;
    POSITION pos = m_parentRenderFrame->GetChildHeadPosition();
    while (CFrame* frame = m_parentRenderFrame->GetNextFrame(pos, false, false)) {
      if (frame == this || frame->GetFrameType() == eBoundingObjectFrame) continue;
      sibling = frame->ConvertBoundingSpherePFS(nullptr, false);
      const D3DXVECTOR3 apart = *sibling.GetCenterFS() - c;
      if (sibling.GetRadiusFS() + r > D3DXVec3Length(&apart)) {
        overlapping = &sibling;
        break;
      }
    }
    if (!overlapping) return c - start;
    const float stepped = c.x + 3 * r;
    if (stepped > c.x)
      c.x = stepped;
    else
      c.x = std::nextafter(overlapping->GetCenterFS()->x + overlapping->GetRadiusFS() + r, INFINITY);
  }
}

// Pushed frames push the frames they then overlap; the count of pushes is
// bounded by the number of entries, so a crowd of frames cannot loop. Frames
// whose centres coincide with moved's are pushed along +x.
DWORD CFrame::MoveIntersectingChildren(CFrame* moved, DWORD count) {
  const DWORD limit = static_cast<DWORD>(GetChildObjectList().GetCount());
  CGSphere own = moved->ConvertBoundingSpherePFS(nullptr, false);
  POSITION pos = GetChildHeadPosition();
  while (CFrame* frame = GetNextFrame(pos, false, false)) {
    if (frame == moved || frame->GetFrameType() == eBoundingObjectFrame) continue;
    CGSphere other = frame->ConvertBoundingSpherePFS(nullptr, false);
    float distance = 0;
    if (!own.IsSphereBoundariesIntersecting(&other, &distance)) continue;
    const float push = own.GetRadiusFS() + other.GetRadiusFS() - distance + own.GetRadiusFS() / 10;
    D3DXVECTOR3 away = *other.GetCenterFS() - *own.GetCenterFS();
    const float length = D3DXVec3Length(&away);
    away = length > 0 ? away / length : D3DXVECTOR3(1, 0, 0);
    D3DXMATRIX translation;
    D3DXMatrixTranslation(&translation, away.x * push, away.y * push, away.z * push);
    D3DXMATRIX m = frame->GetTransformMatrix(false) * translation;
    frame->SetTransformMatrix(&m, false, eReplace, true, false);
    if (++count > limit) {
      DEBUG_TRACE("\nError: Detecting infinite loop in CFrame::MoveIntersectingChildren().");
      return count;
    }
    MoveIntersectingChildren(frame, count);
  }
  return count;
}

bool CFrame::GetLineSphereIntersections(SLineSphereIntersection& out, D3DXMATRIX* parentWorld, CCameraFrame* camera,
                                        D3DXVECTOR3* direction) {
  out = SLineSphereIntersection{};
  D3DXMATRIX cameraWorld = camera->ComputeWorldTransform(false);
  const D3DXMATRIX view = camera->ComputeViewTransform(&cameraWorld, false);
  D3DXMATRIX m = GetTransformMatrix(false);
  if (parentWorld) m = m * *parentWorld;
  const float radius = m_boundingSphere->GetRadiusWS(&m, false);
  const D3DXMATRIX toView = m * view;
  D3DXVECTOR3 centre, eye(0, 0, 0);
  D3DXVec3TransformCoord(&centre, m_boundingSphere->GetCenterFS(), &toView);
  return GetLineSphereIntersection2(out, &centre, radius, &eye, direction);
}

bool CFrame::GetLineSphereIntersections(SLineSphereIntersection& out, D3DXMATRIX* parentWorld, D3DXVECTOR3* origin,
                                        D3DXVECTOR3* direction) {
  out = SLineSphereIntersection{};
  D3DXMATRIX m = GetTransformMatrix(false);
  if (parentWorld) m = m * *parentWorld;
  const float radius = m_boundingSphere->GetRadiusWS(&m, false);
  D3DXVECTOR3 centre, end = *origin + *direction;
  D3DXVec3TransformCoord(&centre, m_boundingSphere->GetCenterFS(), &m);
  return GetLineSphereIntersection(out, &centre, radius, origin, &end);
}

bool CFrame::IsContainingAtLeastOneMesh() {
  LockChildList();
  bool found = false;
  try {
    POSITION pos = GetChildHeadPosition();
    found = GetNextMesh(pos, false, false) != nullptr;
    pos = GetChildHeadPosition();
    while (!found) {
      CFrame* child = GetNextFrame(pos, false, false);
      if (!child) break;
      found = child->IsContainingAtLeastOneMesh();
    }
  } catch (...) {
    UnlockChildList();
    throw;
  }
  UnlockChildList();
  return found;
}

DWORD CFrame::DeleteDirectChildren(EFrameType type) {
  DWORD removed = 0;
  CChildObjectList& children = GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CChildObject* entry = children.GetNext(pos);
    if (IsFrameOfType(entry->GetXfileDataObject(), type) && DeleteDirectChildObject(entry)) ++removed;
  }
  return removed;
}

bool CFrame::DestroyDirectChild(CFrame* child) {
  if (child->IsSelected())
    if (CXFileDataList* world = GetRenderFrameWorldList()) world->UnselectSelectedFrame();
  if (child->GetParentRenderFrame() != this) return false;
  LockChildList();
  CChildObjectList& children = GetChildObjectList();
  for (POSITION pos = children.GetHeadPosition(); pos;) {
    CChildObject* entry = children.GetNext(pos);
    if (entry->GetXfileDataObject() == child) {
      DeleteDirectChildObject(entry);
      break;
    }
  }
  UnlockChildList();
  return true;
}
