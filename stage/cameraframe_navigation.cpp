// CCameraFrame: navigation by keys, the collision push, view-all, the empty
// place for a new frame and the metrics texts of the view-all frame.
#include <dxwrendersurface.h>
#include <objectlock.h>
#include <qorcommon.h>

#include <algorithm>
#include <cmath>

#include "cameraframe.h"

namespace {

D3DXMATRIX Translation(const D3DXVECTOR3& v) {
  D3DXMATRIX t;
  D3DXMatrixTranslation(&t, v.x, v.y, v.z);
  return t;
}

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v) {
  D3DXVECTOR3 out;
  D3DXVec3Normalize(&out, &v);
  return out;
}

// The frames beside the camera below its parent: neither the camera nor a
// bounding-object frame.
template <class Visit>
void ForEachSibling(CFrame* parent, CFrame* camera, Visit visit) {
  if (!parent) return;
  POSITION pos = parent->GetChildHeadPosition();
  while (CFrame* child = parent->GetNextFrame(pos, false, false)) {
    if (child == camera || child->GetFrameType() == CFrame::eBoundingObjectFrame) continue;
    if (!visit(child)) return;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Keys

void CCameraFrame::PressMoveForwardKey(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_motion) return;
  m_forwardKey = eKeyHeld;
  if (m_motion->IsMoving() == eNotMoving)
    m_motion->StartMovingForward();
  else if (m_motion->IsMoving() == eMovingBackward)
    m_motion->SetLinearAccelerationStatus(eDecelerating);
}

void CCameraFrame::PressMoveBackwardKey(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_motion) return;
  m_backwardKey = eKeyHeld;
  if (m_motion->IsMoving() == eNotMoving)
    m_motion->StartMovingBackward();
  else if (m_motion->IsMoving() == eMovingForward)
    m_motion->SetLinearAccelerationStatus(eDecelerating);
}

void CCameraFrame::PressRotateClockwiseKey(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_motion) return;
  m_clockwiseKey = eKeyHeld;
  if (m_motion->IsRotating() == eNotRotating)
    m_motion->StartRotatingClockwise();
  else if (m_motion->IsRotating() == eRotatingCounterclockwise)
    m_motion->SetRotationAccelerationStatus(eDecelerating);
}

void CCameraFrame::PressRotateCounterlockwiseKey(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_motion) return;
  m_counterclockwiseKey = eKeyHeld;
  if (m_motion->IsRotating() == eNotRotating)
    m_motion->StartRotatingCounterclockwise();
  else if (m_motion->IsRotating() == eRotatingClockwise)
    m_motion->SetRotationAccelerationStatus(eDecelerating);
}

void CCameraFrame::ReleaseMoveForwardKey(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_motion) return;
  m_forwardKey = eKeyReleased;
  if (m_backwardKey != eKeyHeld) {
    m_motion->StopMoving();
  } else if (m_motion->IsMoving() == eMovingBackward) {
    m_motion->SetLinearAccelerationStatus(eAccelerating);
  } else if (m_motion->IsMoving() == eMovingForward) {
    m_motion->StopMoving();
    m_motion->StartMovingBackward();
  }
}

void CCameraFrame::ReleaseMoveBackwardKey(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_motion) return;
  m_backwardKey = eKeyReleased;
  if (m_forwardKey != eKeyHeld) {
    m_motion->StopMoving();
  } else if (m_motion->IsMoving() == eMovingForward) {
    m_motion->SetLinearAccelerationStatus(eAccelerating);
  } else if (m_motion->IsMoving() == eMovingBackward) {
    m_motion->StopMoving();
    m_motion->StartMovingForward();
  }
}

void CCameraFrame::ReleaseRotateClockwiseKey(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_motion) return;
  m_clockwiseKey = eKeyReleased;
  if (m_counterclockwiseKey != eKeyHeld) {
    m_motion->StopRotating();
  } else if (m_motion->IsRotating() == eRotatingCounterclockwise) {
    m_motion->SetRotationAccelerationStatus(eAccelerating);
  } else if (m_motion->IsRotating() == eRotatingClockwise) {
    m_motion->StopRotating();
    m_motion->StartRotatingCounterclockwise();
  }
}

void CCameraFrame::ReleaseRotateCounterclockwiseKey(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_motion) return;
  m_counterclockwiseKey = eKeyReleased;
  if (m_clockwiseKey != eKeyHeld) {
    m_motion->StopRotating();
  } else if (m_motion->IsRotating() == eRotatingClockwise) {
    m_motion->SetRotationAccelerationStatus(eAccelerating);
  } else if (m_motion->IsRotating() == eRotatingCounterclockwise) {
    m_motion->StopRotating();
    m_motion->StartRotatingClockwise();
  }
}

// ---------------------------------------------------------------------------
// Motion

void CCameraFrame::Animate(bool tryLock) {
  if (!m_motion) return;
  if (m_motion->IsRotating() == eRotatingCounterclockwise)
    RotateCounterclockwise(tryLock);
  else if (m_motion->IsRotating() == eRotatingClockwise)
    RotateClockwise(tryLock);
  if (m_motion->IsMoving() == eMovingForward)
    MoveForward(tryLock);
  else if (m_motion->IsMoving() == eMovingBackward)
    MoveBackward(tryLock);
}

void CCameraFrame::MoveForward(bool tryLock) {
  if (!m_motion) return;
  if (m_motion->IsMoving() == eMovingBackward) m_motion->StopMoving();
  if (m_motion->IsMoving() == eNotMoving) m_motion->StartMovingForward();
  if (m_motion->IsMoving() != eMovingForward) return;
  D3DXMATRIX current = GetTransformMatrix(tryLock), moved = current;
  m_motion->Move(&moved, &current);
  SetTransformMatrix(&moved, false, tryLock);
}

void CCameraFrame::MoveBackward(bool tryLock) {
  if (!m_motion) return;
  if (m_motion->IsMoving() == eMovingForward) m_motion->StopMoving();
  if (m_motion->IsMoving() == eNotMoving) m_motion->StartMovingBackward();
  if (m_motion->IsMoving() != eMovingBackward) return;
  D3DXMATRIX current = GetTransformMatrix(tryLock), moved = current;
  m_motion->Move(&moved, &current);
  SetTransformMatrix(&moved, false, tryLock);
}

void CCameraFrame::RotateClockwise(bool tryLock) {
  if (!m_motion) return;
  if (m_motion->IsRotating() == eRotatingCounterclockwise) m_motion->StopRotating();
  if (m_motion->IsRotating() == eNotRotating) m_motion->StartRotatingClockwise();
  if (m_motion->IsRotating() != eRotatingClockwise) return;
  D3DXMATRIX current = GetTransformMatrix(tryLock), turned = current;
  D3DXVECTOR3 eye = ComputeEyePointPFS(tryLock);
  m_motion->Rotate(&turned, &current, &eye);
  SetTransformMatrix(&turned, false, tryLock);
}

void CCameraFrame::RotateCounterclockwise(bool tryLock) {
  if (!m_motion) return;
  if (m_motion->IsRotating() == eRotatingClockwise) m_motion->StopRotating();
  if (m_motion->IsRotating() == eNotRotating) m_motion->StartRotatingCounterclockwise();
  if (m_motion->IsRotating() != eRotatingCounterclockwise) return;
  D3DXMATRIX current = GetTransformMatrix(tryLock), turned = current;
  D3DXVECTOR3 eye = ComputeEyePointPFS(tryLock);
  m_motion->Rotate(&turned, &current, &eye);
  SetTransformMatrix(&turned, false, tryLock);
}

void CCameraFrame::SetCameraMovingProperties(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_motion || !GetViewingFrustum()) return;
  const float farPlane = GetViewingFrustum()->GetFarPlane(), nearPlane = GetViewingFrustum()->GetNearPlane();
  CFrame* parent = GetParentRenderFrame();
  if (!parent) throw "\nError: Null parent frame.";
  CObjectLock parentLock(parent, tryLock);
  if (parent->IsDeleted()) return;
  m_motion->SetMaxLinearVelocity((farPlane - nearPlane) / 2);
  m_motion->SetLinearAcceleration((farPlane - nearPlane) / 4);
  m_motion->SetMaxRotationVelocity(31.415928f);
  m_motion->SetRotationAcceleration(31.415928f / 5);
}

void CCameraFrame::SetCameraMovingMode(CMovingObject::EMovingMode mode, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (!IsDeleted() && m_motion) m_motion->SetMovingMode(mode);
}

CMovingObject::EMovingMode CCameraFrame::GetCameraMovingMode(bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted() || !m_motion) return CMovingObject::eForwardBackward;
  return m_motion->GetMovingMode();
}

// ---------------------------------------------------------------------------
// Collision

D3DXMATRIX CCameraFrame::PushCollidingObjects(D3DXMATRIX* from, D3DXMATRIX* to) {
  CGSphere moving = ConvertBoundingSpherePFS(from, false);
  if (moving.IsZeroSizeSphere()) return *to;
  D3DXVECTOR3 target = GetCenterPFS(to);
  ForEachSibling(GetParentRenderFrame(), this, [&](CFrame* other) {
    CGSphere sphere = other->ConvertBoundingSpherePFS(other->GetInitialFrameTransform(), false);
    D3DXVECTOR3 otherTarget = other->GetCenterPFS(nullptr);
    D3DXVECTOR3 c1, c2, contact;
    if (moving.GetSphereSphereCollision(&sphere, &target, &otherTarget, &c1, &c2, &contact)) {
      const D3DXVECTOR3 travel = target - *moving.GetCenterFS();
      const float push = D3DXVec3Length(&travel) + moving.GetRadiusFS() / 10;
      const D3DXVECTOR3 newCentre = c2 + Normalized(c2 - c1) * push;
      D3DXMATRIX m = other->GetTransformMatrix(false) * Translation(newCentre - otherTarget);
      other->SetTransformMatrix(&m, false, eReplace, true, false);
    }
    return true;
  });
  return *to;
}

// ---------------------------------------------------------------------------
// View-all and placement

float CCameraFrame::ComputeViewAllDistance(float radius) const {
  CViewingFrustum* frustum = GetViewingFrustum();
  if (radius == 0 || !frustum) return 0;
  return radius / std::tan(std::min(frustum->GetHorizontalFOV(), frustum->GetVerticalFOV()) / 2);
}

float CCameraFrame::ComputeNearPlaneRotationSphereRadiusPFS() const {
  CViewingFrustum* frustum = GetViewingFrustum();
  if (!frustum) return 0;
  const float n = frustum->GetNearPlane();
  return std::max(n / std::cos(frustum->GetHorizontalFOV() / 2), n / std::cos(frustum->GetVerticalFOV() / 2));
}

float CCameraFrame::ComputeSiblingViewAllDistancePFS(CFrame* frame) {
  const float r = frame->ConvertBoundingSpherePFS(nullptr, false).GetRadiusFS();
  float d = ComputeViewAllDistance(r);
  const float sweep = ComputeNearPlaneRotationSphereRadiusPFS();
  if (d - r <= sweep) d = r + sweep;
  return d;
}

bool CCameraFrame::ViewAllFrame2(CFrame* frame, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted()) return true;
  if (!frame) frame = GetParentRenderFrame();
  if (!frame) return true;
  CGSphere sphere;
  {
    CObjectLock frameLock(frame, tryLock);
    if (frame->IsDeleted()) return true;
    sphere = frame->ConvertBoundingSpherePFS(nullptr, tryLock);
  }
  const float r = sphere.GetRadiusFS();
  float d = ComputeViewAllDistance(r);
  const float clearance = GetNearPlane() - (d - r);
  if (clearance > 0) d += clearance;
  const D3DXVECTOR3 eye = *sphere.GetCenterFS() - Normalized(ComputeLookVectorPFS(tryLock)) * d;
  D3DXMATRIX m = GetTransformMatrix(tryLock) * Translation(eye - ComputeEyePointPFS(tryLock));
  SetTransformMatrix(&m, false, tryLock);
  return true;
}

D3DXVECTOR3 CCameraFrame::FindEmptyPositionPFS(float radius) {
  const float start = std::max(GetNearPlane(), ComputeViewAllDistance(radius));
  const D3DXVECTOR3 look = Normalized(ComputeLookVectorPFS(false));
  D3DXVECTOR3 p = ComputeEyePointPFS(false) + look * start;
  // A radius of 0 never leaves a sphere it starts in: the walk is bounded.
  for (int step = 0; step < 10000; ++step) {
    bool overlaps = false;
    ForEachSibling(GetParentRenderFrame(), this, [&](CFrame* other) {
      CGSphere sphere = other->ConvertBoundingSpherePFS(nullptr, false);
      const D3DXVECTOR3 between = *sphere.GetCenterFS() - p;
      overlaps = !sphere.IsZeroSizeSphere() && sphere.GetRadiusFS() + radius > D3DXVec3Length(&between);
      return !overlaps;
    });
    if (!overlaps || radius <= 0) break;
    p += look * (3 * radius);
  }
  return p;
}

bool CCameraFrame::GetViewAllFrameMetrics(CString& triangles, CString& vertices, CString& kind, CString& percent,
                                          bool tryLock) {
  triangles.Empty();
  vertices.Empty();
  kind.Empty();
  percent.Empty();
  CObjectLock lock(this, tryLock);
  if (IsDeleted()) return true;
  if (!m_viewAllFrame) return false;
  const DWORD active = m_viewAllFrame->GetActiveTrianglesCount(tryLock);
  const DWORD original = m_viewAllFrame->GetOriginalTrianglesCount(tryLock);
  triangles.Format("%u triangles", static_cast<unsigned>(active));
  vertices.Format("%u vertices", static_cast<unsigned>(m_viewAllFrame->GetActiveVerticesCount(tryLock)));
  switch (m_viewAllFrame->GetFrameType()) {
    case eDXMeshFrame: kind = "RMMesh"; break;
    case eDXPMeshFrame: kind = "PMesh"; break;
    case eConnectivityMeshFrame: kind = "CMesh"; break;
    default: break;
  }
  if (original != 0)
    percent.Format("%.1f%% of Original", static_cast<double>(active) * 100.0 / static_cast<double>(original));
  return true;
}
