// The document's two selections and the requests that the frame loop carries
// out once a lock that was busy can be had. The main thread only tries the
// locks; job threads wait for them.
#include <cameraframe.h>
#include <frame.h>
#include <tracelog.h>

#include "dx_doc.h"
#include "main_frame.h"

void CDXDoc::SetSelectedFrame(CFrame* frame, bool keepWorld) {
  if (!keepWorld) m_xFileTopLevelObjects.SetSelectedFrame(frame);
  m_pSelectedFrame = frame;
  m_bSelectedFrameChanged = 1;
}

void CDXDoc::SetSelectedFrameL(CFrame* frame) {
  m_SelectedFrameMutex.Lock();
  SetSelectedFrame(frame, false);
  m_SelectedFrameMutex.Unlock();
}

void CDXDoc::RequestSetSelectedFrame(CFrame* frame) {
  m_pRequestedFrame = frame;
  m_bRequestedFramePending = 1;
}

void CDXDoc::SetSelectedFrameRTLIL() {
  if (!m_bRequestedFramePending || !m_SelectedFrameMutex.Trylock()) return;
  SetSelectedFrame(m_pRequestedFrame, false);
  m_bRequestedFramePending = 0;
  m_pRequestedFrame = NULL;
  m_SelectedFrameMutex.Unlock();
}

void CDXDoc::OnSetSelectedFrameRTLIL() {
  if (!m_bSelectedFrameChanged || !m_SelectedFrameMutex.Trylock()) return;
  NotifySelectedFrame(m_pSelectedFrame);
  if (CDXMainFrame* mainFrame = GetMainFrame()) mainFrame->UpdateAll3DViews(true);
  m_bSelectedFrameChanged = 0;
  m_SelectedFrameMutex.Unlock();
}

bool CDXDoc::PressLeftButtonDownTL(POINT* point, CCameraFrame* camera, bool tryLock) {
  if (!m_SelectedFrameMutex.Trylock()) return false;
  if (camera != NULL) camera->PressLeftButtonDown(point, tryLock);
  SetSelectedFrame(m_xFileTopLevelObjects.GetSelectedNonHandleFrame(), true);
  m_SelectedFrameMutex.Unlock();
  return true;
}

bool CDXDoc::DragLeftButtonTL(POINT* point, CCameraFrame* camera) {
  if (!m_SelectedFrameMutex.Trylock()) return false;
  if (camera != NULL) camera->DragLeftButton(point, true);
  m_SelectedFrameMutex.Unlock();
  return true;
}

bool CDXDoc::ReleaseLeftButtonRTL(POINT* point, CCameraFrame* camera, bool tryLock) {
  if (!m_SelectedFrameMutex.Trylock()) {
    RequestReleaseLeftButton(point, camera);
    return false;
  }
  if (camera != NULL) camera->ReleaseLeftButton(point, tryLock);
  m_SelectedFrameMutex.Unlock();
  return true;
}

void CDXDoc::RequestReleaseLeftButton(POINT* point, CCameraFrame* camera) {
  m_ReleasedButtonPoint = point != NULL ? *point : POINT{0, 0};
  m_pReleasedButtonCamera = camera;
  m_bReleasedButtonPending = 1;
}

void CDXDoc::ReleaseLeftButtonRTLIL(bool tryLock) {
  if (!m_bReleasedButtonPending || !m_SelectedFrameMutex.Trylock()) return;
  POINT point = m_ReleasedButtonPoint;
  if (m_pReleasedButtonCamera != NULL) m_pReleasedButtonCamera->ReleaseLeftButton(&point, tryLock);
  m_ReleasedButtonPoint = POINT{0, 0};
  m_pReleasedButtonCamera = NULL;
  m_bReleasedButtonPending = 0;
  m_SelectedFrameMutex.Unlock();
}

void CDXDoc::SetSelectedPMesh(CDXPMesh* pmesh) {
  if (pmesh == m_pSelectedPMesh) return;
  m_pSelectedPMesh = pmesh;
  m_bSelectedPMeshChanged = 1;
}

bool CDXDoc::SetSelectedPMeshTL(CDXPMesh* pmesh) {
  if (!m_SelectedPMeshMutex.Trylock()) return false;
  SetSelectedPMesh(pmesh);
  m_SelectedPMeshMutex.Unlock();
  return true;
}

bool CDXDoc::SetSelectedPMeshRTL(CDXPMesh* pmesh) {
  if (SetSelectedPMeshTL(pmesh)) return true;
  m_pRequestedPMesh = pmesh;
  m_bRequestedPMeshPending = 1;
  return false;
}

void CDXDoc::SetSelectedPMeshRTLIL() {
  if (m_bRequestedPMeshPending && SetSelectedPMeshTL(m_pRequestedPMesh)) {
    m_bRequestedPMeshPending = 0;
    m_pRequestedPMesh = NULL;
  }
}

void CDXDoc::OnSetSelectedPMeshRTLIL() {
  if (!m_bSelectedPMeshChanged || !m_SelectedPMeshMutex.Trylock()) return;
  NotifySelectedPMesh(m_pSelectedPMesh);
  m_bSelectedPMeshChanged = 0;
  m_SelectedPMeshMutex.Unlock();
}

void CDXDoc::SetSelectedPMeshPercentageDisplayed() {
  CFrame* frame = m_pSelectedFrame;
  if (frame == NULL || frame->GetFrameType() != CFrame::eDXPMeshFrame) return;
  DWORD vertices = 0, faces = 0;
  try {
    if (m_Config.dwPMeshByVertices == 0) {
      frame->SetNumFaces(m_Config.fPMeshPercent, vertices, faces, &m_Config, false, this, NULL, true);
    } else {
      frame->SetNumVertices(m_Config.fPMeshPercent, vertices, faces, &m_Config, false, this, NULL, true);
    }
  } catch (const char* message) {
    WriteTrace(message);
  }
}

bool CDXDoc::SetSelectedPMeshPercentageDisplayedRTL() {
  bool done = false;
  if (m_SelectedFrameMutex.Trylock()) {
    if (m_SelectedPMeshMutex.Trylock()) {
      SetSelectedPMeshPercentageDisplayed();
      done = true;
      m_SelectedPMeshMutex.Unlock();
    }
    m_SelectedFrameMutex.Unlock();
  }
  m_bPercentageDisplayedPending = done ? 0 : 1;
  return done;
}

void CDXDoc::SetSelectedPMeshPercentageDisplayedRTLIL() {
  if (m_bPercentageDisplayedPending) SetSelectedPMeshPercentageDisplayedRTL();
}

bool CDXDoc::ResetSelectedPMeshPercentageDisplayedRTL(CDXPMesh* pmesh) {
  bool done = false;
  if (m_SelectedFrameMutex.Trylock()) {
    if (m_SelectedPMeshMutex.Trylock()) {
      SetSelectedPMesh(pmesh);
      SetSelectedPMeshPercentageDisplayed();
      done = true;
      m_SelectedPMeshMutex.Unlock();
    }
    m_SelectedFrameMutex.Unlock();
  }
  if (done) {
    m_bResetPMeshPending = 0;
    m_pResetPMesh = NULL;
  } else {
    m_pResetPMesh = pmesh;
    m_bResetPMeshPending = 1;
  }
  return done;
}

void CDXDoc::ResetSelectedPMeshPercentageDisplayedRTLIL() {
  if (m_bResetPMeshPending) ResetSelectedPMeshPercentageDisplayedRTL(m_pResetPMesh);
}

void CDXDoc::ProcessRequestsRTLIL() {
  OnSetSelectedPMeshRTLIL();
  OnSetSelectedFrameRTLIL();
  ReleaseLeftButtonRTLIL(true);
  SetSelectedFrameRTLIL();
  SetSelectedPMeshRTLIL();
  SetSelectedPMeshPercentageDisplayedRTLIL();
  ResetSelectedPMeshPercentageDisplayedRTLIL();
}
