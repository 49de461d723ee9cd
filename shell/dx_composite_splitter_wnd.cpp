#include "dx_composite_splitter_wnd.h"

#include "dx_3d_splitter_wnd.h"
#include "dx_file_3dview.h"
#include "dx_splitter_frame.h"

BEGIN_MESSAGE_MAP(CDXLeftRightCompositeSplitterWnd, CSplitterWnd)
END_MESSAGE_MAP()

CDXSplitterFrame* CDXLeftRightCompositeSplitterWnd::GetSplitterFrame() const {
  return DYNAMIC_DOWNCAST(CDXSplitterFrame, GetParentFrame());
}

void CDXLeftRightCompositeSplitterWnd::PauseFrameViews(bool pause) {
  CDXSplitterFrame* frame = GetSplitterFrame();
  if (frame == NULL) return;
  switch (frame->GetViewType()) {
    case CDXSplitterFrame::eTwoViews:
    case CDXSplitterFrame::eFourViews:
      if (CDX3DSplitterWnd* views = frame->Get3DViewsSplitter()) views->PauseViews(pause);
      break;
    case CDXSplitterFrame::eOneView:
      if (CDXFile3DView* view = DYNAMIC_DOWNCAST(CDXFile3DView, GetPane(0, 1))) view->SetPause(pause);
      break;
    default:
      break;
  }
}

void CDXLeftRightCompositeSplitterWnd::OnInvertTracker(const RECT& rect) {
  if (!m_bTracking) {
    m_bTracking = true;
    PauseFrameViews(true);
  }
  CSplitterWnd::OnInvertTracker(rect);
}

void CDXLeftRightCompositeSplitterWnd::OnDrawSplitter(CDC* dc, ESplitType type, const RECT& rect) {
  CSplitterWnd::OnDrawSplitter(dc, type, rect);
  CDXSplitterFrame* frame = GetSplitterFrame();
  CDX3DSplitterWnd* views = frame != NULL ? frame->Get3DViewsSplitter() : NULL;
  if (views != NULL) {
    // The left column's views rebuild their surfaces to their new places.
    int viewType = frame->GetViewType();
    if (viewType == CDXSplitterFrame::eFourViews) {
      for (int row = 0; row < 2; ++row) {
        if (CDXFile3DView* view = views->Get3DView(row, 0)) view->Resize();
      }
    } else if (viewType == CDXSplitterFrame::eTwoViews) {
      if (CDXFile3DView* view = views->Get3DView(0, 0)) view->Resize();
    }
  }
  if (m_bTracking) {
    m_bTracking = false;
    PauseFrameViews(false);
  }
}
