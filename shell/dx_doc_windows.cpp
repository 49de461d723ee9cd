// What the document forwards to the windows that show it (main thread), and
// the cameras of its views.
#include <job_messages.h>
#include <tracelog.h>

#include "dx_doc.h"
#include "dx_file_3dview.h"
#include "dx_splitter_frame.h"
#include "main_frame.h"
#include "reduction_methods_form.h"

void CDXDoc::PopulateTree() {}
void CDXDoc::ResetTreeDisplayName(CChildObject*) {}
void CDXDoc::DeleteTreeItem(CChildObject*) {}
void CDXDoc::FillAnimationSetsCombo() {}

void CDXDoc::SetAnimationTime(CAnimationSet* set) {
  if (set == NULL) return;
  if (!IsMainThread()) {
    // Windows belong to the main thread: a job's animation step hands the
    // time over through the main frame.
    CDXMainFrame* mainFrame = GetMainFrame();
    if (mainFrame != NULL && mainFrame->GetSafeHwnd() != NULL) {
      ::PostMessage(mainFrame->GetSafeHwnd(), WM_JOB_SET_ANIMATION_TIME, reinterpret_cast<WPARAM>(this),
                    reinterpret_cast<LPARAM>(set));
    }
    return;
  }
}

void CDXDoc::SetSlider() {
  if (m_pReductionMethodsFormView != NULL) m_pReductionMethodsFormView->DisplaySharedObjectsRTL();
}
void CDXDoc::OnReadThreadInfo(CDXThread*) {}
void CDXDoc::OnThreadCreated(CDXThread*) {}
void CDXDoc::OnThreadTraceFileCreated(CDXThread*) {}
void CDXDoc::OnReadThreadTraceFile(CDXThread*) {}

void CDXDoc::NotifySelectedFrame(CFrame* frame) {
  if (m_pReductionMethodsFormView != NULL) m_pReductionMethodsFormView->OnSetSelectedFrame(frame);
}

void CDXDoc::NotifySelectedPMesh(CDXPMesh* pmesh) {
  if (m_pReductionMethodsFormView != NULL) m_pReductionMethodsFormView->OnSetSelectedPMesh(pmesh);
}

void CDXDoc::UpdateSharedObjectsOf(CView* view) {
  if (auto* form = DYNAMIC_DOWNCAST(CReductionMethodsFormView, view)) form->DisplaySharedObjectsRTLIL();
}

CDXFile3DView* CDXDoc::GetActive3DView() {
  CDXMainFrame* mainFrame = GetMainFrame();
  CMDIChildWnd* child = mainFrame != NULL ? mainFrame->MDIGetActive() : NULL;
  if (child == NULL || child->GetActiveDocument() != this) return NULL;
  return DYNAMIC_DOWNCAST(CDXFile3DView, child->GetActiveView());
}

CCameraFrame* CDXDoc::GetMasterCamera() { return NULL; }
CCameraFrame* CDXDoc::GetNextCamera() { return NULL; }
