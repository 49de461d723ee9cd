#include "main_frame.h"

#include <job_messages.h>

IMPLEMENT_DYNAMIC(CDXMainFrame, CWnd)

BEGIN_MESSAGE_MAP(CDXMainFrame, CWnd)
ON_MESSAGE(WM_JOB_DESTROY_PROGRESS_BAR, OnDestroyProgressBar)
ON_MESSAGE(WM_JOB_CREATE_PROGRESS_BAR, OnCreateProgressBar)
ON_MESSAGE(WM_JOB_DISPLAY_TRACE, OnDisplayTrace)
ON_MESSAGE(WM_JOB_READ_THREAD_INFO, OnReadThreadInfo)
ON_MESSAGE(WM_JOB_TRACE_FILE_CREATED, OnThreadTraceFileCreated)
ON_MESSAGE(WM_JOB_READ_TRACE_FILE, OnReadThreadTraceFile)
ON_MESSAGE(WM_JOB_THREAD_CREATED, OnThreadCreated)
ON_MESSAGE(WM_JOB_STEP_PROGRESS_BAR, OnStepProgressBar)
ON_MESSAGE(WM_JOB_SET_SLIDER, OnSetSlider)
ON_MESSAGE(WM_JOB_RESET_TREE_DISPLAY_NAME, OnResetTreeDisplayName)
ON_MESSAGE(WM_JOB_FILL_ANIMATION_SETS_COMBO, OnFillAnimationSetsCombo)
ON_MESSAGE(WM_JOB_DELETE_TREE_ITEM, OnDeleteTreeItem)
ON_MESSAGE(WM_JOB_SET_SELECTED_FRAME, OnSetSelectedFrame)
ON_MESSAGE(WM_JOB_SET_ANIMATION_TIME, OnSetAnimationTime)
ON_MESSAGE(WM_JOB_SET_MESSAGE_TEXT, OnSetMessageText)
END_MESSAGE_MAP()

CDXMainFrame* GetMainFrame() {
  CWinApp* app = AfxGetApp();
  return app != NULL ? DYNAMIC_DOWNCAST(CDXMainFrame, app->m_pMainWnd) : NULL;
}

CDXMainFrame::~CDXMainFrame() {
  CWinApp* app = AfxGetApp();
  if (app != NULL && app->m_pMainWnd == this) app->m_pMainWnd = NULL;
}

BOOL CDXMainFrame::Create() {
  if (!CreateEx(0, NULL, "vorever", 0, 0, 0, 0, 0, NULL, NULL)) return FALSE;
  AfxGetApp()->m_pMainWnd = this;
  return TRUE;
}

// The views, the progress bar, the trees and the status bar behind these are
// not part of this build yet.
void CDXMainFrame::UpdateAll3DViews(bool) {}
LRESULT CDXMainFrame::OnDestroyProgressBar(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnCreateProgressBar(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnDisplayTrace(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnReadThreadInfo(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnThreadTraceFileCreated(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnReadThreadTraceFile(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnThreadCreated(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnStepProgressBar(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnSetSlider(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnResetTreeDisplayName(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnFillAnimationSetsCombo(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnDeleteTreeItem(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnSetSelectedFrame(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnSetAnimationTime(WPARAM, LPARAM) { return 0; }
LRESULT CDXMainFrame::OnSetMessageText(WPARAM, LPARAM) { return 0; }
