// CCameraFrame: the left mouse button in the view: picking, and turning a
// frame by dragging its handle.
#include <framehandle.h>
#include <hitframe.h>
#include <objectlock.h>
#include <xfiledatalist.h>

#include "cameraframe.h"

namespace {

// The handle of the world's selection, when a handle is selected.
CFrameHandle* SelectedHandle(CXFileDataList* world) {
  if (!world->HandleFrameSelected()) return nullptr;
  return dynamic_cast<CFrameHandle*>(world->GetSelectedHitFrame()->GetFrame());
}

}  // namespace

void CCameraFrame::PressLeftButtonDown(const POINT* point, bool tryLock) {
  if (!m_world) return;
  D3DXVECTOR3 ray;
  ComputeMousePickRayVS(&ray, point);
  m_world->CreateHitList(this, &ray, tryLock);
  if (CFrame* selected = m_world->GetSelectedFrame()) m_viewAllFrame = selected;
  if (CFrameHandle* handle = SelectedHandle(m_world)) {
    m_viewAllFrame = handle->GetParentFrame();
    m_grabWorld = ComputeWorldTransform(tryLock);
    m_grabView = ComputeViewTransform(&m_grabWorld, tryLock);
    m_grabInverseView = ComputeInverseViewTransform(&m_grabView);
    handle->PressLeftButtonDownBox(&ray, &m_grabView, &m_grabInverseView, tryLock);
  }
  m_lastMousePoint = *point;
}

void CCameraFrame::DragLeftButton(const POINT* point, bool tryLock) {
  if (!m_world || (point->x == m_lastMousePoint.x && point->y == m_lastMousePoint.y)) return;
  D3DXVECTOR3 ray;
  ComputeMousePickRayVS(&ray, point);
  CFrameHandle* handle = SelectedHandle(m_world);
  if (!handle) return;
  // The camera moved since the grab: the handle follows the new view.
  D3DXMATRIX world = ComputeWorldTransform(tryLock);
  if (world != m_grabWorld) {
    m_grabWorld = world;
    m_grabView = ComputeViewTransform(&world, false);
    m_grabInverseView = ComputeInverseViewTransform(&m_grabView);
  }
  handle->DragBox(&ray, &m_grabView, &m_grabInverseView, tryLock);
}

void CCameraFrame::ReleaseLeftButton(const POINT*, bool tryLock) {
  CObjectLock lock(this, tryLock);
  if (IsDeleted()) return;
  m_lastMousePoint = POINT{0, 0};
  if (!m_world) return;
  if (CFrameHandle* handle = SelectedHandle(m_world)) handle->ReleaseLeftButton(nullptr);
}
