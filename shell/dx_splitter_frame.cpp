#include "dx_splitter_frame.h"

#include "main_frame.h"

IMPLEMENT_DYNCREATE(CDXSplitterFrame, CMDIChildWnd)

CDXSplitterFrame::~CDXSplitterFrame() {
  CDXMainFrame* main = GetMainFrame();
  if (main != NULL && main->GetActiveSplitterFrame() == this) main->SetActiveSplitterFrame(NULL);
}

void CDXSplitterFrame::OnChildActivated(BOOL activate) {
  CDXMainFrame* main = GetMainFrame();
  if (main == NULL) return;
  if (activate) main->SetActiveSplitterFrame(this);
  else if (main->GetActiveSplitterFrame() == this) main->SetActiveSplitterFrame(NULL);
}
