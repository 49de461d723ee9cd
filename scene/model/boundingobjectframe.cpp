#include "boundingobjectframe.h"

#include <qorcommon.h>

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
  // The grey glass box shape comes with the simple shapes, which this library
  // does not hold yet.
  DEBUG_TRACE("\nWarning: No box shape for the bounding box frame.");
  return false;
}

void CBoundingBoxFrame::ResizeBoundingBoxFrame(CFrame* bounded, bool) {
  if (!bounded || !m_boxShape) return;
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
  DEBUG_TRACE("\nWarning: No sphere shape for the bounding sphere frame.");
  return false;
}
