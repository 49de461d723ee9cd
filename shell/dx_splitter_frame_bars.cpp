// The splitter frame's bars and activation.
#include "dx_splitter_frame.h"
#include "main_frame.h"

int CDXSplitterFrame::OnCreate(LPCREATESTRUCT create) {
  if (CMDIChildWnd::OnCreate(create) == -1) return -1;
  Set3DViewsParentFrameCreationStatus(true);
  return 0;
}

void CDXSplitterFrame::OnChildActivated(BOOL activate) {
  CDXMainFrame* main = GetMainFrame();
  if (main == NULL) return;
  if (activate) main->SetActiveSplitterFrame(this);
  else if (main->GetActiveSplitterFrame() == this) main->SetActiveSplitterFrame(NULL);
}

void CDXSplitterFrame::ArrangeToolBars() {}

bool CDXSplitterFrame::DestroyStatusBar() {
  if (m_pStatusBar == NULL) return true;
  bool destroyed = m_pStatusBar->GetSafeHwnd() == NULL || m_pStatusBar->DestroyWindow();
  delete m_pStatusBar;
  m_pStatusBar = NULL;
  return destroyed;
}

bool CDXSplitterFrame::DestroyNavigationToolbar() {
  if (m_pNavigationToolBar == NULL) return true;
  bool destroyed = m_pNavigationToolBar->GetSafeHwnd() == NULL || m_pNavigationToolBar->DestroyWindow();
  delete m_pNavigationToolBar;
  m_pNavigationToolBar = NULL;
  return destroyed;
}
