// What the document forwards to the windows that show it (main thread), and
// the cameras of its views.
#include <job_messages.h>
#include <tracelog.h>

#include "dx_doc.h"
#include "dx_file_3dview.h"
#include "dx_file_trace_view.h"
#include "dx_file_tree_view.h"
#include "dx_splitter_frame.h"
#include "main_frame.h"
#include "reduction_methods_form.h"
#include "threads_views.h"

void CDXDoc::PopulateTree() {
  if (m_pTreeView != NULL) m_pTreeView->PopulateTree();
}

void CDXDoc::ResetTreeDisplayName(CChildObject* entry) {
  if (m_pTreeView != NULL) m_pTreeView->ResetTreeDisplayName(entry);
}

void CDXDoc::DeleteTreeItem(CChildObject* entry) {
  if (m_pTreeView != NULL) m_pTreeView->DeleteTreeItem(entry);
}
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

void CDXDoc::OnReadThreadInfo(CDXThread* thread) {
  if (m_pThreadFormView != NULL) m_pThreadFormView->OnReadThreadInfo(thread);
  if (m_pThreadsListView != NULL) m_pThreadsListView->OnReadThreadInfo(thread);
}

void CDXDoc::OnThreadCreated(CDXThread* thread) {
  if (m_pThreadsListView != NULL) m_pThreadsListView->AddThread(thread);
}

void CDXDoc::OnThreadTraceFileCreated(CDXThread* thread) {
  if (m_pTraceView != NULL) m_pTraceView->OnThreadTraceFileCreated(thread);
}

void CDXDoc::OnReadThreadTraceFile(CDXThread* thread) {
  if (m_pTraceView != NULL) m_pTraceView->OnReadThreadTraceFile(thread);
}

void CDXDoc::NotifySelectedFrame(CFrame* frame) {
  if (m_pTreeView != NULL) m_pTreeView->OnSetSelectedFrame(frame);
  if (m_pReductionMethodsFormView != NULL) m_pReductionMethodsFormView->OnSetSelectedFrame(frame);
}

void CDXDoc::NotifySelectedPMesh(CDXPMesh* pmesh) {
  if (m_pReductionMethodsFormView != NULL) m_pReductionMethodsFormView->OnSetSelectedPMesh(pmesh);
}

void CDXDoc::UpdateSharedObjectsOf(CView* view) {
  if (view != NULL && view == m_pTreeView) m_pTreeView->DisplaySharedObjectsRTLIL();
  if (auto* form = DYNAMIC_DOWNCAST(CReductionMethodsFormView, view)) form->DisplaySharedObjectsRTLIL();
}

CDXFile3DView* CDXDoc::GetActive3DView() {
  CDXMainFrame* mainFrame = GetMainFrame();
  CMDIChildWnd* child = mainFrame != NULL ? mainFrame->MDIGetActive() : NULL;
  if (child == NULL || child->GetActiveDocument() != this) return NULL;
  return DYNAMIC_DOWNCAST(CDXFile3DView, child->GetActiveView());
}

CCameraFrame* CDXDoc::GetMasterCamera() {
  CDXFile3DView* view = m_pSplitterFrame != NULL ? m_pSplitterFrame->GetActive3DView() : NULL;
  return view != NULL ? view->GetCamera() : NULL;
}

CCameraFrame* CDXDoc::GetNextCamera() {
  CDXFile3DView* active = m_pSplitterFrame != NULL ? m_pSplitterFrame->GetActive3DView() : NULL;
  CDXFile3DView* next = active != NULL ? m_pSplitterFrame->GetNext3DView(active) : NULL;
  return next != NULL ? next->GetCamera() : NULL;
}
